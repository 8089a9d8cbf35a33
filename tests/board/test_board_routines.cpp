// SPDX-License-Identifier: MIT
// Firmware path handling and the start-up scan, against a recording board.

#include "board/address_scan.h"
#include "board/board_lost_error.h"
#include "board/usb_stuff.h"
#include "support/recording_board.h"

#include <QTest>
#include <map>

using namespace zr;
using zr::test::RecordingBoard;

namespace {

struct FakeChip {
    int deviceIdLow;
    int clientAddress;
};

// Answers identifier-block requests for the chips given, by probed address; silence elsewhere.
void answerScan(RecordingBoard& board, std::map<int, FakeChip> chips)
{
    board.responder = [chips](const std::vector<std::uint8_t>& frame) {
        RecordingBoard::Reply r;
        r.fill(0xFF);
        const auto it = chips.find(frame.at(0));
        if (it == chips.end())
            return r;
        r.fill(0);
        r[5] = static_cast<std::uint8_t>(it->second.deviceIdLow);
        r[16] = static_cast<std::uint8_t>(it->second.clientAddress);
        return r;
    };
}

std::string pathInBuffer(const DeviceState& s)
{
    return reinterpret_cast<const char*>(s.FirmwarePath.data());
}

} // namespace

class TestBoardRoutines : public QObject {
    Q_OBJECT
private slots:
    void firmwarePathIsFolderPlusFileName()
    {
        RecordingBoard board;
        DeviceState s;
        QCOMPARE(USBStuff::LoadBoardFirmware(s, board, "/opt/zr410ab"), std::int16_t(0));
        QCOMPARE(s.FirmwareFile, std::string("/opt/zr410ab/SSTFW.hex"));
        QCOMPARE(board.firmwarePaths, std::vector<std::string>{"/opt/zr410ab/SSTFW.hex"});
        QVERIFY(board.requests.empty());
    }

    void folderEndingInSeparatorIsPassedOnDoubled()
    {
        RecordingBoard board;
        DeviceState s;
        USBStuff::LoadBoardFirmware(s, board, "/opt/zr410ab/");
        QCOMPARE(board.firmwarePaths.at(0), std::string("/opt/zr410ab//SSTFW.hex"));
    }

    void negativeResultIsPassedOnWithReason()
    {
        RecordingBoard board;
        board.firmwareResult = -3;
        board.reason = "no board";
        DeviceState s;
        std::string reason;
        QCOMPARE(USBStuff::LoadBoardFirmware(s, board, "/x", &reason), std::int16_t(-3));
        QCOMPARE(reason, std::string("no board"));
    }

    void pathOf511CharactersFits()
    {
        DeviceState s;
        s.FirmwarePath.fill(0x55);
        const std::string path(511, 'a');
        USBStuff::CopyPathToBuffer(s, path);
        QCOMPARE(pathInBuffer(s), path);
        QCOMPARE(s.FirmwarePath[511], std::uint8_t(0));
    }

    void bytesBehindTheTerminatorAreKept()
    {
        DeviceState s;
        s.FirmwarePath.fill(0x55);
        USBStuff::CopyPathToBuffer(s, "/a");
        QCOMPARE(s.FirmwarePath[2], std::uint8_t(0));
        QCOMPARE(s.FirmwarePath[3], std::uint8_t(0x55));
    }

    void latin1CharactersBecomeOneByte()
    {
        DeviceState s;
        USBStuff::CopyPathToBuffer(s, "/m\xC3\xBC"
                                      "ller");
        QCOMPARE(s.FirmwarePath[2], std::uint8_t(0xFC));
        QCOMPARE(pathInBuffer(s).size(), size_t(7));
    }

    void refusedPaths_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::newRow("512 characters") << QByteArray(512, 'a');
        QTest::newRow("beyond 8 bits") << QByteArray("/opt/\xE2\x82\xAC/fw"); // euro sign
        QTest::newRow("not UTF-8") << QByteArray("/opt/\xFF");
        QTest::newRow("cut sequence") << QByteArray("/opt/\xC3");
    }
    void refusedPaths()
    {
        QFETCH(QByteArray, path);
        RecordingBoard board;
        DeviceState s;
        s.FirmwarePath.fill(0x55);
        const auto before = s.FirmwarePath;
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 USBStuff::CopyPathToBuffer(s, path.toStdString()));
        QVERIFY(s.FirmwarePath == before);
        // Through the firmware load: refused without calling the board, with a reason.
        const QByteArray folder = path.left(path.size() - 5);
        std::string reason;
        if (path.size() >= 512) {
            QCOMPARE(USBStuff::LoadBoardFirmware(s, board, std::string(600, 'a'), &reason),
                     std::int16_t(-1));
            QVERIFY(board.firmwarePaths.empty());
            QVERIFY(!reason.empty());
        }
    }

    void scan_data()
    {
        QTest::addColumn<QList<int>>("addresses");
        QTest::addColumn<QList<int>>("ids");
        QTest::addColumn<QList<int>>("clients");
        QTest::addColumn<int>("addressA");
        QTest::addColumn<int>("addressB");
        QTest::addColumn<int>("current");
        QTest::newRow("A at 64, B at 95")
            << QList<int>{64, 95} << QList<int>{132, 133} << QList<int>{64, 95} << 64 << 95 << 95;
        QTest::newRow("96 is never probed")
            << QList<int>{96} << QList<int>{132} << QList<int>{96} << 0 << 0 << 0;
        QTest::newRow("134 counts as B")
            << QList<int>{80} << QList<int>{134} << QList<int>{80} << 0 << 80 << 80;
        QTest::newRow("highest A wins")
            << QList<int>{72, 76} << QList<int>{132, 132} << QList<int>{72, 76} << 76 << 0 << 0;
        QTest::newRow("only B") << QList<int>{70} << QList<int>{133} << QList<int>{70} << 0 << 70
                                << 70;
        QTest::newRow("mismatching client byte")
            << QList<int>{72} << QList<int>{132} << QList<int>{73} << 0 << 0 << 0;
        QTest::newRow("device id 0")
            << QList<int>{72} << QList<int>{0} << QList<int>{72} << 0 << 0 << 0;
    }
    void scan()
    {
        QFETCH(QList<int>, addresses);
        QFETCH(QList<int>, ids);
        QFETCH(QList<int>, clients);
        QFETCH(int, addressA);
        QFETCH(int, addressB);
        QFETCH(int, current);
        std::map<int, FakeChip> chips;
        for (int i = 0; i < addresses.size(); ++i)
            chips[addresses[i]] = {ids[i], clients[i]};
        RecordingBoard board;
        answerScan(board, chips);
        DeviceState s;
        s.ResponseStatus = 0x42;
        s.DibDeviceId = 999;
        const ScanResult found = ScanForChips(s, board);
        QCOMPARE(int(s.AddressA), addressA);
        QCOMPARE(int(s.AddressB), addressB);
        QCOMPARE(int(s.CurrentAddress), current);
        QCOMPARE(found.found(Chip::A), addressA != 0);
        QCOMPARE(found.found(Chip::B), addressB != 0);
        // 32 addresses, one write and one read each, the identifier-block frame.
        QCOMPARE(board.requests.size(), size_t(64));
        for (int i = 0; i < 32; ++i) {
            const auto& frame = board.requests[2 * i].sent;
            QCOMPARE(int(frame[0]), 64 + i);
            QCOMPARE(int(frame[1]), 1);
            QCOMPARE(int(frame[2]), 16);
            QCOMPARE(int(frame[3]), 247);
        }
        QCOMPARE(s.ResponseStatus, std::uint8_t(0x42));
        QCOMPARE(s.DibDeviceId, 999);
    }

    void scanStopsOnALostBoard()
    {
        RecordingBoard board;
        board.loseAfterRequests = 10;
        DeviceState s;
        QVERIFY_THROWS_EXCEPTION(BoardLostError, ScanForChips(s, board));
        QCOMPARE(board.requests.size(), size_t(11));
    }
};

QTEST_APPLESS_MAIN(TestBoardRoutines)
#include "test_board_routines.moc"
