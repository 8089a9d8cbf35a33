// SPDX-License-Identifier: MIT
// The SST command routines against a recording board: the exact frames they hand over, the exact
// requests, and the decoding of every reply edge case.

#include "board/board_lost_error.h"
#include "board/sst_stuff.h"
#include "support/recording_board.h"

#include <QTest>

using namespace zr;
using zr::test::RecordingBoard;

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes frameOf(const RecordingBoard& board)
{
    return board.requests.at(0).sent;
}
} // namespace

Q_DECLARE_METATYPE(Bytes)

class TestSstRoutines : public QObject {
    Q_OBJECT
private slots:
    void everyExchangeIsOneWriteOf7AndOneReadOf64()
    {
        using Routine = std::function<void(DeviceState&, BoardLibrary&)>;
        const std::vector<Routine> routines = {
            [](DeviceState& s, BoardLibrary& b) { SSTStuff::SSTGetDIB(s, b); },
            [](DeviceState& s, BoardLibrary& b) { SSTStuff::SSTPing(s, b); },
            [](DeviceState& s, BoardLibrary& b) { SSTStuff::SSTGetTemperatures(s, b); },
            [](DeviceState& s, BoardLibrary& b) { SSTStuff::SSTGetVoltages(s, b); },
            [](DeviceState& s, BoardLibrary& b) { SSTStuff::SSTGetExtOffset(s, b); },
            [](DeviceState& s, BoardLibrary& b) { SSTStuff::SSTSetExtOffset(s, b, 5); },
            [](DeviceState& s, BoardLibrary& b) {
                const std::uint8_t data[] = {1, 2, 3, 4, 5, 6};
                SSTStuff::SSTTransaction(s, b, 6, 40, data);
            },
        };
        for (const Routine& routine : routines) {
            RecordingBoard board;
            board.requestResult = 17;
            DeviceState s;
            s.CurrentAddress = 0x48;
            routine(s, board);
            QCOMPARE(board.requests.size(), size_t(2));
            const auto& w = board.requests[0];
            const auto& r = board.requests[1];
            QCOMPARE(w.request, std::int16_t(218));
            QCOMPARE(w.value, 0);
            QCOMPARE(w.index, 0);
            QCOMPARE(w.direction, std::int16_t(0));
            QCOMPARE(w.length, std::int16_t(7));
            QCOMPARE(w.sent.size(), size_t(7));
            QCOMPARE(w.sent[0], std::uint8_t(0x48));
            QCOMPARE(r.request, std::int16_t(218));
            QCOMPARE(r.value, 0);
            QCOMPARE(r.index, 0);
            QCOMPARE(r.direction, std::int16_t(1));
            QCOMPARE(r.length, std::int16_t(64));
        }
    }

    void frames_data()
    {
        QTest::addColumn<int>("routine");
        QTest::addColumn<Bytes>("frame");
        // Bytes a routine leaves alone keep what the buffer held (here 0xEE from an earlier reply).
        QTest::newRow("dib") << 0 << Bytes{0x4C, 1, 16, 247, 0xEE, 0xEE, 0xEE};
        QTest::newRow("ping") << 1 << Bytes{0x4C, 0, 0, 0, 0xEE, 0xEE, 0xEE};
        QTest::newRow("temperatures") << 2 << Bytes{0x4C, 1, 4, 0, 0xEE, 0xEE, 0xEE};
        QTest::newRow("voltages") << 3 << Bytes{0x4C, 1, 16, 16, 0xEE, 0xEE, 0xEE};
        QTest::newRow("get offset") << 4 << Bytes{0x4C, 1, 2, 224, 0xEE, 0xEE, 0xEE};
        QTest::newRow("set offset -5") << 5 << Bytes{0x4C, 3, 0, 224, 192, 254, 0xEE};
        QTest::newRow("set offset 5") << 6 << Bytes{0x4C, 3, 0, 224, 64, 1, 0xEE};
        QTest::newRow("set offset -1") << 7 << Bytes{0x4C, 3, 0, 224, 0xC0, 0xFF, 0xEE};
        QTest::newRow("set offset 1000 as -24") << 8 << Bytes{0x4C, 3, 0, 224, 0x00, 0xFA, 0xEE};
    }
    void frames()
    {
        QFETCH(int, routine);
        QFETCH(Bytes, frame);
        RecordingBoard board;
        DeviceState s;
        s.XferBuffer.fill(0xEE);
        s.CurrentAddress = 0x4C;
        switch (routine) {
        case 0:
            SSTStuff::SSTGetDIB(s, board);
            break;
        case 1:
            SSTStuff::SSTPing(s, board);
            break;
        case 2:
            SSTStuff::SSTGetTemperatures(s, board);
            break;
        case 3:
            SSTStuff::SSTGetVoltages(s, board);
            break;
        case 4:
            SSTStuff::SSTGetExtOffset(s, board);
            break;
        case 5:
            SSTStuff::SSTSetExtOffset(s, board, -5);
            break;
        case 6:
            SSTStuff::SSTSetExtOffset(s, board, 5);
            break;
        case 7:
            SSTStuff::SSTSetExtOffset(s, board, -1);
            break;
        case 8:
            SSTStuff::SSTSetExtOffset(s, board, 1000);
            break;
        }
        QCOMPARE(frameOf(board), frame);
    }

    void transactionPlacesDataAndKeepsStatus()
    {
        RecordingBoard board;
        board.queueReply(RecordingBoard::reply({0x99, 1, 2, 3}));
        DeviceState s;
        s.CurrentAddress = 0x48;
        s.ResponseStatus = 0x5A;
        const std::uint8_t data[] = {0xF7, 0x10, 0x20};
        SSTStuff::SSTTransaction(s, board, 1, 16, data);
        QCOMPARE(frameOf(board), (Bytes{0x48, 1, 16, 0xF7, 0x10, 0x20, 0}));
        QCOMPARE(s.ResponseStatus, std::uint8_t(0x5A));
        QCOMPARE(s.XferBuffer[0], std::uint8_t(0x99));
    }

    void transactionSendsOnlyFourDataBytes()
    {
        RecordingBoard board;
        board.defaultReply.fill(0);
        DeviceState s;
        std::vector<std::uint8_t> data(61);
        for (int i = 0; i < 61; ++i)
            data[i] = static_cast<std::uint8_t>(i + 1);
        SSTStuff::SSTTransaction(s, board, 61, 0, data);
        QCOMPARE(frameOf(board), (Bytes{0, 61, 0, 1, 2, 3, 4}));
    }

    void refusalsTouchNothing()
    {
        RecordingBoard board;
        DeviceState s;
        s.XferBuffer.fill(0xEE);
        const auto before = s.XferBuffer;
        std::vector<std::uint8_t> tooMany(62, 1);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range,
                                 SSTStuff::SSTTransaction(s, board, 1, 0, tooMany));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, SSTStuff::SSTSetExtOffset(s, board, -513));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, SSTStuff::SSTSetExtOffset(s, board, 1024));
        QVERIFY(board.requests.empty());
        QVERIFY(s.XferBuffer == before);
    }

    void temperatures_data()
    {
        QTest::addColumn<int>("raw");
        QTest::addColumn<float>("expected");
        QTest::newRow("0") << 0 << 0.0f;
        QTest::newRow("1600 = 25") << 1600 << 25.0f;
        QTest::newRow("1608 = 25.125 -> 25.12") << 1608 << 25.12f;
        QTest::newRow("20.375 -> 20.38") << 1304 << 20.38f;
        QTest::newRow("65472 = -1") << 65472 << -1.0f;
        QTest::newRow("511 x 64") << 511 * 64 << 511.0f;
        // 511.015625 rounds to 511.02, which is above 511: minus 1024 in single precision.
        QTest::newRow("one count more") << 511 * 64 + 1 << 511.02f - 1024.0f;
        QTest::newRow("-8 counts") << 65528 << -0.1199951171875f;
    }
    void temperatures()
    {
        QFETCH(int, raw);
        QFETCH(float, expected);
        RecordingBoard board;
        const auto lo = static_cast<std::uint8_t>(raw & 0xFF);
        const auto hi = static_cast<std::uint8_t>(raw >> 8);
        board.queueReply(RecordingBoard::reply({0xA5, lo, hi, lo, hi}));
        DeviceState s;
        SSTStuff::SSTGetTemperatures(s, board);
        // Bit-exact: the stored single, not a near one.
        QCOMPARE(s.IntTemp, expected);
        QCOMPARE(s.ExtTemp, expected);
        QCOMPARE(s.ResponseStatus, std::uint8_t(0xA5));
    }

    void exactNegativeSingle()
    {
        // The sign correction happens after rounding: not the single nearest to -0.12.
        const float t = SSTStuff::decodeTemperature(0xF8, 0xFF);
        QCOMPARE(double(t), -0.1199951171875);
        QVERIFY(t != -0.12f);
    }

    void voltages_data()
    {
        QTest::addColumn<int>("raw");
        QTest::addColumn<float>("expected");
        QTest::newRow("12288") << 12288 << 12.0f;
        QTest::newRow("5120") << 5120 << 5.0f;
        QTest::newRow("65535") << 65535 << 63.999f;
        QTest::newRow("64 = 0.0625 -> 0.062") << 64 << 0.062f;
        QTest::newRow("0") << 0 << 0.0f;
    }
    void voltages()
    {
        QFETCH(int, raw);
        QFETCH(float, expected);
        RecordingBoard::Reply reply{};
        for (int i = 0; i < 5; ++i) {
            reply[2 * i + 1] = static_cast<std::uint8_t>(raw & 0xFF);
            reply[2 * i + 2] = static_cast<std::uint8_t>(raw >> 8);
        }
        RecordingBoard board;
        board.queueReply(reply);
        DeviceState s;
        SSTStuff::SSTGetVoltages(s, board);
        for (float v : s.Voltage)
            QCOMPARE(v, expected);
    }

    void voltageOrder()
    {
        RecordingBoard board;
        board.queueReply(RecordingBoard::reply({0, 0, 48, 0, 20, 0x33, 0x0D, 0, 10, 0xCD, 4}));
        DeviceState s;
        SSTStuff::SSTGetVoltages(s, board);
        QCOMPARE(s.Voltage[0], 12.0f);
        QCOMPARE(s.Voltage[1], 5.0f);
        QCOMPARE(s.Voltage[2], SSTStuff::decodeVoltage(0x33, 0x0D));
        QCOMPARE(s.Voltage[3], 2.5f);
        QCOMPARE(s.Voltage[4], 1.2f);
    }

    void offsets_data()
    {
        QTest::addColumn<int>("raw");
        QTest::addColumn<int>("expected");
        QTest::newRow("65472 = -1") << 65472 << -1;
        QTest::newRow("32768 = -512") << 32768 << -512;
        QTest::newRow("511 x 64") << 511 * 64 << 511;
        QTest::newRow("96 -> 2") << 96 << 2;
        QTest::newRow("32 -> 0") << 32 << 0;
        QTest::newRow("0") << 0 << 0;
    }
    void offsets()
    {
        QFETCH(int, raw);
        QFETCH(int, expected);
        RecordingBoard board;
        board.queueReply(RecordingBoard::reply(
            {7, static_cast<std::uint8_t>(raw & 0xFF), static_cast<std::uint8_t>(raw >> 8)}));
        DeviceState s;
        SSTStuff::SSTGetExtOffset(s, board);
        QCOMPARE(s.ExtOffset, expected);
        QCOMPARE(s.ResponseStatus, std::uint8_t(7));
    }

    void offsetRoundTripThroughEncoding()
    {
        for (int offset = -512; offset <= 1023; ++offset) {
            const std::uint16_t v = SSTStuff::encodeExtOffset(offset);
            const int back = SSTStuff::decodeExtOffset(v & 0xFF, v >> 8);
            QCOMPARE(back, offset > 511 ? offset - 1024 : offset);
        }
    }

    void dibFields()
    {
        RecordingBoard board;
        board.queueReply(RecordingBoard::reply(
            {0x33, 1, 0x10, 0xD4, 0x11, 0x85, 0, 2, 3, 9, 9, 9, 9, 9, 9, 0x0B, 0x4C, 0x77}));
        DeviceState s;
        SSTStuff::SSTGetDIB(s, board);
        QCOMPARE(s.ResponseStatus, std::uint8_t(0x33));
        QCOMPARE(s.DibDeviceCapability, std::uint8_t(1));
        QCOMPARE(s.DibVersionRevision, std::uint8_t(0x10));
        QCOMPARE(s.DibVendorId, 4564);
        QCOMPARE(s.DibDeviceId, 133);
        QCOMPARE(s.DibDeviceInterface, std::uint8_t(2));
        QCOMPARE(s.DibFunctionInterface, std::uint8_t(3));
        QCOMPARE(s.DibSiliconRevision, std::uint8_t(0x0B));
        QCOMPARE(s.DibClientAddress, std::uint8_t(0x4C));
    }

    void readingsAreNotPerChip()
    {
        RecordingBoard board;
        board.queueReply(RecordingBoard::reply({0, 0x40, 0x06, 0x40, 0x06})); // chip A: 25
        board.queueReply(RecordingBoard::reply({0, 0x80, 0x07, 0x80, 0x07})); // chip B: 30
        DeviceState s;
        s.AddressA = 72;
        s.AddressB = 76;
        selectChip(s, Chip::A);
        SSTStuff::SSTGetTemperatures(s, board);
        selectChip(s, Chip::B);
        SSTStuff::SSTGetTemperatures(s, board);
        QCOMPARE(s.IntTemp, 30.0f);
        QCOMPARE(board.requests[0].sent[0], std::uint8_t(72));
        QCOMPARE(board.requests[2].sent[0], std::uint8_t(76));
    }

    void lostBoardDecodesNothing()
    {
        RecordingBoard board;
        board.loseAfterRequests = 1; // the write gets through, the read does not
        DeviceState s;
        s.IntTemp = 21.5f;
        QVERIFY_THROWS_EXCEPTION(BoardLostError, SSTStuff::SSTGetTemperatures(s, board));
        QCOMPARE(s.IntTemp, 21.5f);
        // Nothing more goes out once the board is gone.
        QVERIFY_THROWS_EXCEPTION(BoardLostError, SSTStuff::SSTPing(s, board));
        QCOMPARE(board.requests.size(), size_t(2));
    }
};

QTEST_APPLESS_MAIN(TestSstRoutines)
#include "test_sst_routines.moc"
