// SPDX-License-Identifier: MIT
// Request 218 over real libusb code against the emulated board: the exact control transfers of
// an exchange, and what the board library makes of stalls, short replies, timeouts and unplugs.

#include "board/board_lost_error.h"
#include "board/usb/usb_board.h"
#include "board/usb_stuff.h"
#include "support/recording_board.h"
#include "usb_emulator.h"

#include <QCoreApplication>
#include <QtTest>
#include <cerrno>

using namespace std::chrono_literals;
using zr::usbtest::ControlTransfer;
using zr::usbtest::Fault;
using zr::usbtest::UsbEmulator;

Q_DECLARE_METATYPE(Fault)

namespace {

const char* const kFirmware = ZR_USB_TEST_DATA "/small.hex";
constexpr std::uint8_t kUntouched = 0xEE;

zr::usb::UsbBoardOptions fastOptions()
{
    zr::usb::UsbBoardOptions options;
    options.transferTimeout = 200ms;
    options.reenumerationTimeout = 3000ms;
    return options;
}

zr::test::RecordingBoard::Reply countingReply()
{
    zr::test::RecordingBoard::Reply reply;
    for (std::size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<std::uint8_t>(0x80 + i);
    return reply;
}

} // namespace

class TestUsbTransfers : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        backend = std::make_unique<zr::test::RecordingBoard>();
        backend->defaultReply = countingReply();
        zr::usbtest::EmulatorOptions options;
        options.board = backend.get();
        emulator = std::make_unique<UsbEmulator>(options);
        emulator->plugProgrammed();
        board = std::make_unique<zr::usb::UsbBoard>(fastOptions());
        QCOMPARE(board->LoadFirmWare(kFirmware), 0);
        QVERIFY(!board->boardLost());
        emulator->clearTransfers();
        state = zr::DeviceState{};
        state.XferBuffer.fill(kUntouched);
    }

    void cleanup()
    {
        board.reset();
        emulator.reset();
        backend.reset();
    }

    void exchangeSendsSevenBytesAndReadsSixtyFour()
    {
        const std::uint8_t frame[7] = {76, 1, 16, 247, 0xA1, 0xB2, 0xC3};
        std::copy(std::begin(frame), std::end(frame), state.XferBuffer.begin());
        const zr::test::RecordingBoard::Reply reply = countingReply();

        QCOMPARE(zr::USBStuff::SSTExchange(state, *board), 64);

        const std::vector<ControlTransfer> sent = emulator->transfers();
        QCOMPARE(sent.size(), std::size_t(2));
        QCOMPARE(sent[0].requestType, std::uint8_t(0x40));
        QCOMPARE(sent[0].request, std::uint8_t(218));
        QCOMPARE(sent[0].value, std::uint16_t(0));
        QCOMPARE(sent[0].index, std::uint16_t(0));
        QCOMPARE(sent[0].length, std::uint16_t(7));
        QCOMPARE(sent[0].data, std::vector<std::uint8_t>(std::begin(frame), std::end(frame)));
        QCOMPARE(sent[1].requestType, std::uint8_t(0xC0));
        QCOMPARE(sent[1].request, std::uint8_t(218));
        QCOMPARE(sent[1].value, std::uint16_t(0));
        QCOMPARE(sent[1].index, std::uint16_t(0));
        QCOMPARE(sent[1].length, std::uint16_t(64));
        QCOMPARE(sent[1].data, std::vector<std::uint8_t>(reply.begin(), reply.end()));
        QVERIFY(std::equal(reply.begin(), reply.end(), state.XferBuffer.begin()));
        // The board behind the bus saw the frame as it was sent.
        QCOMPARE(backend->requests.at(0).sent,
                 std::vector<std::uint8_t>(std::begin(frame), std::end(frame)));
    }

    void requestFieldsReachTheBusAsGiven_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("requestType");
        QTest::newRow("write, all fields set") << 218 << 0x1234 << 0xABCD << 0 << 7 << 0x40;
        QTest::newRow("read, highest value") << 218 << 0xFFFF << 1 << 1 << 64 << 0xC0;
        QTest::newRow("read of one byte") << 218 << 0 << 0 << 1 << 1 << 0xC0;
    }

    void requestFieldsReachTheBusAsGiven()
    {
        QFETCH(int, request);
        QFETCH(int, value);
        QFETCH(int, index);
        QFETCH(int, direction);
        QFETCH(int, length);
        QFETCH(int, requestType);
        QCOMPARE(board->VendorIORequest(static_cast<std::int16_t>(request), value, index,
                                        static_cast<std::int16_t>(direction),
                                        static_cast<std::int16_t>(length), state.XferBuffer.data()),
                 length);
        const ControlTransfer sent = emulator->transfers().at(0);
        QCOMPARE(int(sent.requestType), requestType);
        QCOMPARE(int(sent.request), request);
        QCOMPARE(int(sent.value), value);
        QCOMPARE(int(sent.index), index);
        QCOMPARE(int(sent.length), length);
        QCOMPARE(int(sent.data.size()), length);
    }

    void refusedRequestsNeverReachTheBus_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("withBuffer");
        QTest::newRow("request above a byte") << 256 << 0 << 0 << 1 << 64 << true;
        QTest::newRow("negative request") << -1 << 0 << 0 << 1 << 64 << true;
        QTest::newRow("value above 16 bits") << 218 << 0x10000 << 0 << 1 << 64 << true;
        QTest::newRow("negative index") << 218 << 0 << -1 << 1 << 64 << true;
        QTest::newRow("unknown direction") << 218 << 0 << 0 << 2 << 64 << true;
        QTest::newRow("negative length") << 218 << 0 << 0 << 0 << -7 << true;
        QTest::newRow("no buffer") << 218 << 0 << 0 << 1 << 64 << false;
    }

    void refusedRequestsNeverReachTheBus()
    {
        QFETCH(int, request);
        QFETCH(int, value);
        QFETCH(int, index);
        QFETCH(int, direction);
        QFETCH(int, length);
        QFETCH(bool, withBuffer);
        QVERIFY(board->VendorIORequest(static_cast<std::int16_t>(request), value, index,
                                       static_cast<std::int16_t>(direction),
                                       static_cast<std::int16_t>(length),
                                       withBuffer ? state.XferBuffer.data() : nullptr) < 0);
        QVERIFY(emulator->transfers().empty());
        QVERIFY(!board->failureReason().empty());
        QVERIFY(!board->boardLost());
        QCOMPARE(state.XferBuffer[0], kUntouched);
    }

    // A board that answers badly is still there: the request fails, the buffer keeps what it
    // held, and the next exchange works.
    void failedReadsLeaveTheBufferAsItWas_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("afterTransfers"); // the frame's write comes first
        QTest::addColumn<QString>("reason");
        QTest::newRow("stall") << Fault::Stall << 1 << "the board refused the request (stall)";
        QTest::newRow("short reply")
            << Fault::ShortReply << 0 << "the board answered 10 of 64 bytes";
    }

    void failedReadsLeaveTheBufferAsItWas()
    {
        QFETCH(Fault, fault);
        QFETCH(int, afterTransfers);
        QFETCH(QString, reason);
        emulator->failTransfer(fault, afterTransfers, 10);

        QVERIFY(zr::USBStuff::SSTExchange(state, *board) < 0);

        QVERIFY(std::all_of(state.XferBuffer.begin() + 7, state.XferBuffer.end(),
                            [](std::uint8_t b) { return b == kUntouched; }));
        QCOMPARE(QString::fromStdString(board->failureReason()), reason);
        QVERIFY(!board->boardLost());
        QCOMPARE(zr::USBStuff::SSTExchange(state, *board), 64);
        QCOMPARE(state.XferBuffer[63], countingReply()[63]);
    }

    // Stalls now and then over a long session are no hung board: each good exchange starts the
    // count of refusals in a row again.
    void occasionalStallsNeverAddUp()
    {
        for (int round = 0; round < 10; ++round) {
            emulator->failTransfer(Fault::Stall);
            QCOMPARE(zr::USBStuff::SSTExchange(state, *board), std::int16_t(-1));
            QCOMPARE(zr::USBStuff::SSTExchange(state, *board), std::int16_t(64));
        }
        QVERIFY(!board->boardLost());
        QVERIFY(!board->boardNotResponding());
    }

    void failedWriteIsReported()
    {
        emulator->failTransfer(Fault::Stall);
        QVERIFY(board->VendorIORequest(218, 0, 0, 0, 7, state.XferBuffer.data()) < 0);
        QCOMPARE(board->failureReason(), std::string("the board refused the request (stall)"));
        QVERIFY(!board->boardLost());
        QVERIFY(backend->requests.empty());
    }

    // Gone means gone, and so does a board that stopped answering: the exchange throws instead
    // of handing back stale bytes, the rest of the exchange and later requests never touch the
    // bus, and loading the firmware again brings the board back.
    void lostBoardComesBackWithTheFirmware_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("transfers"); // that reached the bus, the failing ones included
        const QString unplugged = "the board is no longer on the USB bus (unplugged or reset)";
        const QString hung = "the board did not answer within 200 ms";
        QTest::newRow("unplugged during the write") << "write" << unplugged << 1;
        QTest::newRow("unplugged during the read") << "read" << unplugged << 2;
        QTest::newRow("unplugged between exchanges") << "idle" << unplugged << 0;
        QTest::newRow("line fails") << "line"
                                    << "the USB line to the board failed (input/output error)" << 2;
        QTest::newRow("board behind the bus lost") << "backend" << unplugged << 1;
        QTest::newRow("hangs on the write") << "hang write" << hung << 1;
        QTest::newRow("hangs on the read") << "hang read" << hung << 2;
        // Each refused frame ends its exchange without a read; the third in a row is the end.
        QTest::newRow("refuses everything") << "stall"
                                            << "the board refused 3 requests in a row (stall)" << 3;
    }

    void lostBoardComesBackWithTheFirmware()
    {
        QFETCH(QString, how);
        QFETCH(QString, reason);
        QFETCH(int, transfers);
        if (how == "write")
            emulator->failTransfer(Fault::Unplug);
        else if (how == "read")
            emulator->failTransfer(Fault::Unplug, 1);
        else if (how == "line")
            emulator->failTransfer(Fault::LineError, 1);
        else if (how == "idle")
            emulator->unplug();
        else if (how == "hang write")
            emulator->failEveryTransfer(Fault::NoReply);
        else if (how == "hang read")
            emulator->failEveryTransfer(Fault::NoReply, 1);
        else if (how == "stall")
            emulator->failEveryTransfer(Fault::Stall);
        else
            backend->loseAfterRequests = 0;
        const bool notResponding = how.startsWith("hang") || how == "stall";

        if (how == "stall") {
            QCOMPARE(zr::USBStuff::SSTExchange(state, *board), std::int16_t(-1));
            QCOMPARE(zr::USBStuff::SSTExchange(state, *board), std::int16_t(-1));
        }
        try {
            zr::USBStuff::SSTExchange(state, *board);
            QFAIL("the exchange returned");
        } catch (const zr::BoardLostError& e) {
            QCOMPARE(e.notResponding(), notResponding);
            QCOMPARE(QString::fromStdString(e.reason()), reason);
        }
        QVERIFY(board->boardLost());
        QCOMPARE(board->boardNotResponding(), notResponding);
        QCOMPARE(QString::fromStdString(board->failureReason()), reason);
        QCOMPARE(int(emulator->transfers().size()), transfers);
        QVERIFY(std::all_of(state.XferBuffer.begin() + 7, state.XferBuffer.end(),
                            [](std::uint8_t b) { return b == kUntouched; }));

        const std::size_t seen = emulator->transfers().size();
        QVERIFY(board->VendorIORequest(218, 0, 0, 1, 64, state.XferBuffer.data()) < 0);
        QCOMPARE(emulator->transfers().size(), seen);

        // Plugged in again, the controller has lost its firmware and waits for it.
        emulator->clearFaults();
        backend->lost = false;
        backend->loseAfterRequests = -1;
        emulator->plugUnprogrammed();
        QCOMPARE(board->LoadFirmWare(kFirmware), 0);
        QVERIFY(!board->boardLost());
        QCOMPARE(zr::USBStuff::SSTExchange(state, *board), 64);
        QCOMPARE(state.XferBuffer[0], countingReply()[0]);
    }

    void requestsBeforeAnyBoardFail()
    {
        zr::usb::UsbBoard unopened(fastOptions());
        QVERIFY(unopened.boardLost());
        QVERIFY(unopened.VendorIORequest(218, 0, 0, 1, 64, state.XferBuffer.data()) < 0);
        QCOMPARE(state.XferBuffer[0], kUntouched);
        QVERIFY_THROWS_EXCEPTION(zr::BoardLostError, zr::USBStuff::SSTExchange(state, unopened));
    }

private:
    std::unique_ptr<zr::test::RecordingBoard> backend;
    std::unique_ptr<UsbEmulator> emulator;
    std::unique_ptr<zr::usb::UsbBoard> board;
    zr::DeviceState state;
};

int main(int argc, char** argv)
{
    if (!UsbEmulator::inMockEnvironment())
        return 77;
    QCoreApplication app(argc, argv);
    TestUsbTransfers test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_usb_transfers.moc"
