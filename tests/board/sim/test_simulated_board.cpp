// SPDX-License-Identifier: MIT
// The simulated board at the wire: frames in, replies out, byte for byte.

#include "sim_test_helpers.h"

#include <QTest>

using namespace zr;
using namespace zr::test;
using zr::test::Bytes;
Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(zr::Chip)

class TestSimulatedBoard : public QObject {
    Q_OBJECT

private slots:
    void frameCheck_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<int>("fcs");
        QTest::newRow("nothing") << Bytes{} << 0x00;
        QTest::newRow("one") << Bytes{0x01} << 0x07;
        QTest::newRow("top bit") << Bytes{0x80} << 0x89;
        QTest::newRow("ping to 0x30") << Bytes{0x30, 0x00, 0x00} << 0xE1;
        QTest::newRow("check string") << Bytes{'1', '2', '3', '4', '5', '6', '7', '8', '9'} << 0xF4;
    }
    void frameCheck()
    {
        QFETCH(Bytes, bytes);
        QFETCH(int, fcs);
        QCOMPARE(sim::sstFcs(bytes.data(), bytes.size()), fcs);
        // Computing it in two pieces, as the board does for header and write bytes, agrees.
        const std::size_t half = bytes.size() / 2;
        QCOMPARE(
            sim::sstFcs(bytes.data() + half, bytes.size() - half, sim::sstFcs(bytes.data(), half)),
            fcs);
    }

    void pingAnswersItsFrameCheck()
    {
        sim::SimulatedBoard board(scenarioWith({chip(0x30, Chip::A)}));
        Reply expected{};
        expected[0] = 0xE1;
        QCOMPARE(rawExchange(board, {0x30, 0, 0}), expected);
    }

    // Reply: write-phase FCS, the data, the read-phase FCS, zeros; cut at 64 bytes.
    void replyLayout_data()
    {
        QTest::addColumn<int>("readLength");
        QTest::addColumn<Bytes>("data");
        const Bytes temps{0x40, 0x06, 0xC0, 0x07}; // 1600, 1984
        QTest::newRow("natural length") << 4 << temps;
        QTest::newRow("shorter") << 2 << Bytes{0x40, 0x06};
        QTest::newRow("none") << 0 << Bytes{};
        QTest::newRow("padded") << 7 << Bytes{0x40, 0x06, 0xC0, 0x07, 0, 0, 0};
        QTest::newRow("fcs in the last byte") << 62 << [&] {
            Bytes b = temps;
            b.resize(62);
            return b;
        }();
        QTest::newRow("fcs cut off") << 63 << [&] {
            Bytes b = temps;
            b.resize(63);
            return b;
        }();
        QTest::newRow("longest") << 255 << [&] {
            Bytes b = temps;
            b.resize(255);
            return b;
        }();
    }
    void replyLayout()
    {
        QFETCH(int, readLength);
        QFETCH(Bytes, data);
        sim::ChipConfig a = chip(72, Chip::A);
        a.tempRaw = {{1600, 1984}};
        sim::SimulatedBoard board(scenarioWith({a}));
        const auto rlen = static_cast<std::uint8_t>(readLength);

        Bytes wire{fcsOf({72, 1, rlen, 0})};
        wire.insert(wire.end(), data.begin(), data.end());
        wire.push_back(fcsOf(data));
        wire.resize(64, 0);
        const Reply reply = rawExchange(board, {72, 1, rlen, 0});
        QCOMPARE(Bytes(reply.begin(), reply.end()), wire);
    }

    // Only four write bytes travel; the board clocks zeros for the rest and its FCS covers them.
    void longWritePhaseCarriesZeros()
    {
        sim::SimulatedBoard board(scenarioWith({chip(72, Chip::A)}));
        const Reply reply = rawExchange(board, {72, 6, 0, 0xAA, 0xBB, 0xCC, 0xDD});
        QCOMPARE(reply[0], fcsOf({72, 6, 0, 0xAA, 0xBB, 0xCC, 0xDD, 0, 0}));
    }

    void commandsWithoutData_data()
    {
        QTest::addColumn<Chip>("kind");
        QTest::addColumn<Bytes>("write");
        QTest::newRow("unknown command") << Chip::B << Bytes{0x55};
        QTest::newRow("rails of a ZR410A") << Chip::A << Bytes{16};
        QTest::newRow("no command byte") << Chip::B << Bytes{};
    }
    void commandsWithoutData()
    {
        QFETCH(Chip, kind);
        QFETCH(Bytes, write);
        sim::SimulatedBoard board(scenarioWith({chip(80, kind)}));
        Bytes frame{80, static_cast<std::uint8_t>(write.size()), 4};
        frame.insert(frame.end(), write.begin(), write.end());
        Bytes header = frame;
        const Reply reply = rawExchange(board, frame);
        QCOMPARE(reply[0], fcsOf(header));
        QCOMPARE(Bytes(reply.begin() + 1, reply.begin() + 6),
                 (Bytes{0, 0, 0, 0, fcsOf({0, 0, 0, 0})}));
    }

    // Nobody on the bus: 0xFF everywhere, so no client-address byte can match a probed address.
    void idleBus_data()
    {
        QTest::addColumn<Bytes>("frame");
        QTest::addColumn<bool>("sendFrame");
        QTest::newRow("empty address") << Bytes{90, 1, 16, 247} << true;
        QTest::newRow("silent chip") << Bytes{72, 1, 16, 247} << true;
        QTest::newRow("address above 127") << Bytes{200, 1, 16, 247} << true;
        QTest::newRow("read without a frame") << Bytes{} << false;
    }
    void idleBus()
    {
        QFETCH(Bytes, frame);
        QFETCH(bool, sendFrame);
        sim::ChipConfig silent = chip(72, Chip::A);
        silent.silent = true;
        sim::SimulatedBoard board(scenarioWith({silent, chip(76, Chip::B)}));
        frame.resize(7);
        if (sendFrame)
            board.VendorIORequest(218, 0, 0, 0, 7, frame.data());
        Reply reply{};
        QCOMPARE(board.VendorIORequest(218, 0, 0, 1, 64, reply.data()), 64);
        Reply idle;
        idle.fill(0xFF);
        QCOMPARE(reply, idle);
    }

    void replyIsReadOnce()
    {
        sim::SimulatedBoard board;
        rawExchange(board, {72, 0, 0});
        Reply again{};
        board.VendorIORequest(218, 0, 0, 1, 64, again.data());
        QCOMPARE(again[0], 0xFF);
    }

    void unknownRequestsLeaveTheBufferAlone_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("length");
        QTest::newRow("other request") << 217 << 0 << 7;
        QTest::newRow("short frame") << 218 << 0 << 6;
        QTest::newRow("long frame") << 218 << 0 << 64;
        QTest::newRow("short read") << 218 << 1 << 63;
        QTest::newRow("read of 7") << 218 << 1 << 7;
        QTest::newRow("direction 2") << 218 << 2 << 64;
        QTest::newRow("negative length") << 218 << 1 << -1;
    }
    void unknownRequestsLeaveTheBufferAlone()
    {
        QFETCH(int, request);
        QFETCH(int, direction);
        QFETCH(int, length);
        sim::SimulatedBoard board;
        Reply buffer;
        buffer.fill(0x5A);
        buffer[0] = 72;
        const Reply before = buffer;
        QVERIFY(board.VendorIORequest(static_cast<std::int16_t>(request), 0, 0,
                                      static_cast<std::int16_t>(direction),
                                      static_cast<std::int16_t>(length), buffer.data()) < 0);
        QCOMPARE(buffer, before);
        QVERIFY(!board.failureReason().empty());
        QVERIFY(!board.boardLost());
        QCOMPARE(board.requestCount(), 1u);
    }

    void nullBufferFails()
    {
        sim::SimulatedBoard board;
        QVERIFY(board.VendorIORequest(218, 0, 0, 1, 64, nullptr) < 0);
        QVERIFY(board.VendorIORequest(218, 0, 0, 0, 7, nullptr) < 0);
    }

    // Drifting readings: near nominal, changing, and repeatable from the seed.
    void driftStaysNearNominalAndMoves()
    {
        sim::SimulatedBoard board;
        std::vector<double> internal, external;
        std::array<std::vector<double>, 5> rails;
        for (int i = 0; i < 2000; ++i) {
            const Reply t = rawExchange(board, {76, 1, 4, 0});
            internal.push_back(static_cast<std::int16_t>(t[1] | t[2] << 8) / 64.0);
            external.push_back(static_cast<std::int16_t>(t[3] | t[4] << 8) / 64.0);
            const Reply v = rawExchange(board, {76, 1, 16, 16});
            for (int r = 0; r < 5; ++r)
                rails[r].push_back((v[2 * r + 1] | v[2 * r + 2] << 8) / 1024.0);
        }
        checkRange(internal, 25.0, 3.0);
        checkRange(external, 31.0, 4.0);
        const double nominal[5] = {12.0, 5.0, 3.3, 2.5, 1.2};
        for (int r = 0; r < 5; ++r)
            checkRange(rails[r], nominal[r], nominal[r] * 0.03);
    }

    void driftIsRepeatable()
    {
        auto readings = [](std::uint32_t seed) {
            sim::Scenario s = sim::Scenario::defaults();
            s.seed = seed;
            sim::SimulatedBoard board(s);
            std::vector<Reply> out;
            for (int i = 0; i < 50; ++i)
                out.push_back(rawExchange(board, {static_cast<std::uint8_t>(i % 2 ? 72 : 76), 1, 16,
                                                  static_cast<std::uint8_t>(i % 3 ? 0 : 16)}));
            return out;
        };
        QCOMPARE(readings(7), readings(7));
        QVERIFY(readings(7) != readings(8));
    }

    void chipsDriftApart()
    {
        sim::SimulatedBoard board(scenarioWith({chip(72, Chip::A), chip(73, Chip::A)}));
        QVERIFY(rawExchange(board, {72, 1, 4, 0}) != rawExchange(board, {73, 1, 4, 0}));
    }

    // The cable is pulled after N requests: the next request finds the board gone.
    void unplugAfterRequests()
    {
        sim::Scenario s = sim::Scenario::defaults();
        s.unplugAfterRequests = 4;
        sim::SimulatedBoard board(s);
        rawExchange(board, {72, 0, 0});
        rawExchange(board, {72, 0, 0});
        QVERIFY(!board.boardLost());

        Bytes frame{72, 0, 0, 0, 0, 0, 0};
        QVERIFY(board.VendorIORequest(218, 0, 0, 0, 7, frame.data()) < 0);
        QVERIFY(board.boardLost());
        QVERIFY(QString::fromStdString(board.failureReason()).contains("cable"));
        Reply buffer;
        buffer.fill(0x33);
        QVERIFY(board.VendorIORequest(218, 0, 0, 1, 64, buffer.data()) < 0);
        QCOMPARE(buffer[0], 0x33);
        QCOMPARE(buffer[63], 0x33);
        QCOMPARE(board.requestCount(), 6u);
    }

    void replugOnLoad_data()
    {
        QTest::addColumn<bool>("replug");
        QTest::newRow("board stays away") << false;
        QTest::newRow("board comes back") << true;
    }
    void replugOnLoad()
    {
        QFETCH(bool, replug);
        sim::Scenario s = sim::Scenario::defaults();
        s.unplugAfterRequests = 2;
        s.replugOnLoad = replug;
        sim::SimulatedBoard board(s);
        const QByteArray firmware = QByteArray(ZR_FIRMWARE_FILE);
        QCOMPARE(board.LoadFirmWare(firmware.constData()), 0);
        rawExchange(board, {72, 0, 0});
        rawExchange(board, {72, 0, 0});
        QVERIFY(board.boardLost());

        const std::int16_t reload = board.LoadFirmWare(firmware.constData());
        if (!replug) {
            QVERIFY(reload < 0);
            QVERIFY(board.boardLost());
            QCOMPARE(board.failureReason(), std::string("no board found"));
            return;
        }
        QCOMPARE(reload, 0);
        QVERIFY(!board.boardLost());
        for (int i = 0; i < 20; ++i)
            QCOMPARE(rawExchange(board, {72, 0, 0})[0], fcsOf({72, 0, 0}));
        QVERIFY(!board.boardLost());
    }

    void firmwareChecks_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<bool>("boardAccepts");
        QTest::addColumn<QString>("reason");
        QTest::newRow("well-formed")
            << QByteArray(":03000000020100FA\n:00000001FF\n") << true << QString();
        // The USB board's own reasons: both boards take and refuse the same files.
        QTest::newRow("missing") << QByteArray() << true
                                 << QString("The firmware file cannot be used: cannot read %1: No "
                                            "such file or directory.");
        QTest::newRow("bad checksum")
            << QByteArray(":03000000020100FA\n:0501000075816080FE27\n:00000001FF\n") << true
            << QString("The firmware file %1 is not valid Intel HEX: line 2: checksum mismatch.");
        QTest::newRow("no end record")
            << QByteArray(":03000000020100FA\n") << true
            << QString("The firmware file %1 is not valid Intel HEX: line 1: the end-of-file "
                       "record is missing.");
        QTest::newRow("no data") << QByteArray(":00000001FF\n") << true
                                 << QString("The firmware file %1 does not fit the board: it holds "
                                            "no data.");
        QTest::newRow("data outside the controller's RAM")
            << QByteArray(":0140000000BF\n:00000001FF\n") << true
            << QString("The firmware file %1 does not fit the board: it has data at 0x4000, "
                       "outside the controller's RAM (0x0000-0x3FFF and 0xE000-0xE1FF).");
        QTest::newRow("board refuses") << QByteArray(":03000000020100FA\n:00000001FF\n") << false
                                       << QString("the board did not accept the firmware");
    }
    void firmwareChecks()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, boardAccepts);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("SSTFW.hex");
        if (!content.isEmpty())
            writeFile(dir, "SSTFW.hex", content);
        sim::Scenario s = sim::Scenario::defaults();
        s.firmwareLoads = boardAccepts;
        sim::SimulatedBoard board(s);
        const std::int16_t result = board.LoadFirmWare(path.toLatin1().constData());
        QCOMPARE(result < 0, !reason.isEmpty());
        QCOMPARE(QString::fromStdString(board.failureReason()),
                 reason.contains("%1") ? reason.arg(path) : reason);
    }

    // The path arrives in the 8-bit code page; the file on disk has a UTF-8 name.
    void firmwarePathInLatin1()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, QString::fromUtf8("Prüfstand ß.hex"),
                                       ":03000000020100FA\n:00000001FF\n");
        sim::SimulatedBoard board;
        QCOMPARE(board.LoadFirmWare(path.toLatin1().constData()), 0);
        QCOMPARE(board.LoadFirmWare(nullptr) < 0, true);
    }

    void shippedFirmwareLoads()
    {
        sim::SimulatedBoard board;
        QCOMPARE(board.LoadFirmWare(ZR_FIRMWARE_FILE), 0);
        QCOMPARE(board.failureReason(), std::string());
    }

private:
    static void checkRange(const std::vector<double>& values, double nominal, double tolerance)
    {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        QVERIFY2(*low > nominal - tolerance && *high < nominal + tolerance,
                 qPrintable(QString("%1 .. %2 around %3").arg(*low).arg(*high).arg(nominal)));
        QVERIFY2(*high - *low > tolerance / 20, "the reading does not move");
    }
};

QTEST_GUILESS_MAIN(TestSimulatedBoard)
#include "test_simulated_board.moc"
