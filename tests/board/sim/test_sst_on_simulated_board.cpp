// SPDX-License-Identifier: MIT
// The SST routines and the start-up scan against the simulated board: what the program decodes
// from real transactions.

#include "board/address_scan.h"
#include "board/board_lost_error.h"
#include "board/sst_stuff.h"
#include "board/usb_stuff.h"
#include "sim_test_helpers.h"

#include <QTest>

using namespace zr;
using namespace zr::test;
using namespace zr::SSTStuff;
using Chips = std::vector<sim::ChipConfig>;
Q_DECLARE_METATYPE(Chips)

namespace {

sim::ChipConfig fixedChip(int address, Chip kind, std::uint16_t internal, std::uint16_t external)
{
    sim::ChipConfig c = chip(address, kind);
    c.tempRaw = {{internal, external}};
    return c;
}

sim::ChipConfig withDeviceId(sim::ChipConfig c, int id)
{
    c.deviceId = id;
    return c;
}

} // namespace

class TestSstOnSimulatedBoard : public QObject {
    Q_OBJECT

private slots:
    void identifierBlock_data()
    {
        QTest::addColumn<Chips>("chips");
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("deviceId");
        QTest::newRow("default A") << sim::Scenario::defaults().chips << 72 << 132;
        QTest::newRow("default B") << sim::Scenario::defaults().chips << 76 << 133;
        QTest::newRow("other id") << Chips{withDeviceId(chip(64, Chip::B), 0x1286)} << 64 << 0x1286;
    }
    void identifierBlock()
    {
        QFETCH(Chips, chips);
        QFETCH(int, address);
        QFETCH(int, deviceId);
        sim::SimulatedBoard board(scenarioWith(chips));
        DeviceState s;
        s.CurrentAddress = static_cast<std::uint8_t>(address);
        SSTGetDIB(s, board);
        QCOMPARE(s.DibVendorId, 0x11D4);
        QCOMPARE(s.DibDeviceId, deviceId);
        QCOMPARE(s.DibClientAddress, address);
        QCOMPARE(s.ResponseStatus, fcsOf({static_cast<std::uint8_t>(address), 1, 16, 247}));
        QVERIFY(s.DibVersionRevision != 0);
        // Reserved bytes 9..14 are zero, the byte after the block is the read-phase FCS.
        const Bytes data(s.XferBuffer.begin() + 1, s.XferBuffer.begin() + 17);
        QCOMPARE(Bytes(data.begin() + 8, data.begin() + 14), Bytes(6, 0));
        QCOMPARE(s.XferBuffer[17], fcsOf(data));
    }

    void temperaturesFromRawReadings_data()
    {
        QTest::addColumn<int>("internalRaw");
        QTest::addColumn<int>("externalRaw");
        QTest::addColumn<float>("internal");
        QTest::addColumn<float>("external");
        QTest::newRow("room") << 1600 << 1984 << 25.0f << 31.0f;
        QTest::newRow("half to even") << 1608 << 0 << 25.12f << 0.0f;
        QTest::newRow("below zero") << 65472 << 65528 << -1.0f << -0.1199951171875f;
        QTest::newRow("top of range") << 511 * 64 << 511 * 64 + 1 << 511.0f << -512.98f;
    }
    void temperaturesFromRawReadings()
    {
        QFETCH(int, internalRaw);
        QFETCH(int, externalRaw);
        QFETCH(float, internal);
        QFETCH(float, external);
        sim::SimulatedBoard board(scenarioWith({fixedChip(72, Chip::A, internalRaw, externalRaw)}));
        DeviceState s;
        s.CurrentAddress = 72;
        SSTGetTemperatures(s, board);
        QCOMPARE(s.IntTemp, internal);
        QCOMPARE(s.ExtTemp, external);
    }

    void voltagesFromRawReadings()
    {
        sim::ChipConfig b = chip(76, Chip::B);
        b.voltRaw = {{12288, 5120, 3379, 2560, 65535}};
        sim::SimulatedBoard board(scenarioWith({b}));
        DeviceState s;
        s.CurrentAddress = 76;
        SSTGetVoltages(s, board);
        const std::array<float, 5> expected{12.0f, 5.0f, 3.3f, 2.5f, 63.999f};
        QCOMPARE(s.Voltage, expected);
    }

    void offsetRoundTrip_data()
    {
        QTest::addColumn<int>("written");
        QTest::addColumn<int>("readBack");
        QTest::newRow("zero") << 0 << 0;
        QTest::newRow("-5") << -5 << -5;
        QTest::newRow("5") << 5 << 5;
        QTest::newRow("lowest") << -512 << -512;
        QTest::newRow("highest") << 511 << 511;
        QTest::newRow("1000 wraps") << 1000 << -24;
        QTest::newRow("1023 wraps") << 1023 << -1;
    }
    void offsetRoundTrip()
    {
        QFETCH(int, written);
        QFETCH(int, readBack);
        sim::SimulatedBoard board(scenarioWith({fixedChip(72, Chip::A, 1600, 1984)}));
        DeviceState s;
        s.CurrentAddress = 72;
        SSTSetExtOffset(s, board, written);
        const std::uint16_t raw = encodeExtOffset(written);
        QCOMPARE(s.ResponseStatus, fcsOf({72, 3, 0, 224, static_cast<std::uint8_t>(raw & 0xFF),
                                          static_cast<std::uint8_t>(raw >> 8)}));
        SSTGetExtOffset(s, board);
        QCOMPARE(s.ExtOffset, readBack);
    }

    // The offset register adds to the external reading; the internal one is untouched.
    void offsetShiftsExternalReading_data()
    {
        QTest::addColumn<int>("scenarioOffsetRaw");
        QTest::addColumn<int>("writtenOffset"); // 9999: none written
        QTest::addColumn<float>("external");
        QTest::newRow("none") << 0 << 9999 << 31.0f;
        QTest::newRow("written +5") << 0 << 5 << 36.0f;
        QTest::newRow("written -5") << 0 << -5 << 26.0f;
        QTest::newRow("from the scenario") << 64 << 9999 << 32.0f;
        QTest::newRow("written replaces the scenario's") << 64 << -40 << -9.0f;
    }
    void offsetShiftsExternalReading()
    {
        QFETCH(int, scenarioOffsetRaw);
        QFETCH(int, writtenOffset);
        QFETCH(float, external);
        sim::ChipConfig a = fixedChip(72, Chip::A, 1600, 1984);
        a.offsetRaw = static_cast<std::uint16_t>(scenarioOffsetRaw);
        sim::SimulatedBoard board(scenarioWith({a}));
        DeviceState s;
        s.CurrentAddress = 72;
        if (writtenOffset != 9999)
            SSTSetExtOffset(s, board, writtenOffset);
        SSTGetTemperatures(s, board);
        QCOMPARE(s.IntTemp, 25.0f);
        QCOMPARE(s.ExtTemp, external);
    }

    void pingAnswersFrameCheck()
    {
        sim::SimulatedBoard board(scenarioWith({chip(0x30, Chip::B)}));
        DeviceState s;
        s.CurrentAddress = 0x30;
        SSTPing(s, board);
        QCOMPARE(s.ResponseStatus, 0xE1);
    }

    void transactionReplyStraightFromTheBuffer()
    {
        sim::SimulatedBoard board(scenarioWith({fixedChip(72, Chip::A, 1600, 1984)}));
        DeviceState s;
        s.CurrentAddress = 72;
        s.ResponseStatus = 0x77;
        const std::uint8_t write[] = {224, 0x40, 0x01};
        SSTTransaction(s, board, 3, 0, write);
        const std::uint8_t read[] = {0};
        SSTTransaction(s, board, 1, 4, read);
        QCOMPARE(s.XferBuffer[0], fcsOf({72, 1, 4, 0}));
        QCOMPARE(Bytes(s.XferBuffer.begin() + 1, s.XferBuffer.begin() + 6),
                 (Bytes{0x40, 0x06, 0x00, 0x09, fcsOf({0x40, 0x06, 0x00, 0x09})}));
        QCOMPARE(s.ResponseStatus, 0x77);
    }

    // No answer reads as 0xFF bytes, decoded by the same rules, and never throws.
    void nobodyAnswers_data()
    {
        QTest::addColumn<int>("address");
        QTest::newRow("silent chip") << 72;
        QTest::newRow("empty address") << 90;
    }
    void nobodyAnswers()
    {
        QFETCH(int, address);
        sim::ChipConfig silent = chip(72, Chip::A);
        silent.silent = true;
        sim::SimulatedBoard board(scenarioWith({silent}));
        DeviceState s;
        s.CurrentAddress = static_cast<std::uint8_t>(address);
        SSTGetDIB(s, board);
        QCOMPARE(s.ResponseStatus, 0xFF);
        QCOMPARE(s.DibClientAddress, 0xFF);
        QCOMPARE(s.DibDeviceId, 0xFFFF);
        SSTGetTemperatures(s, board);
        QCOMPARE(s.ExtTemp, decodeTemperature(0xFF, 0xFF));
    }

    void startUpScan_data()
    {
        QTest::addColumn<Chips>("chips");
        QTest::addColumn<int>("addressA");
        QTest::addColumn<int>("addressB");
        QTest::addColumn<int>("currentAddress");
        sim::ChipConfig wrongClient = chip(80, Chip::B);
        wrongClient.clientAddress = 81;
        sim::ChipConfig silentB = chip(90, Chip::B);
        silentB.silent = true;
        QTest::newRow("default board") << sim::Scenario::defaults().chips << 72 << 76 << 76;
        QTest::newRow("first and last address")
            << Chips{chip(64, Chip::A), chip(95, Chip::B)} << 64 << 95 << 95;
        QTest::newRow("96 is never probed")
            << Chips{chip(70, Chip::A), chip(96, Chip::B)} << 70 << 0 << 0;
        QTest::newRow("63 is never probed") << Chips{chip(63, Chip::A)} << 0 << 0 << 0;
        QTest::newRow("device id 134 is a B")
            << Chips{withDeviceId(chip(66, Chip::B), 134)} << 0 << 66 << 66;
        QTest::newRow("highest of two A chips")
            << Chips{chip(72, Chip::A), chip(76, Chip::A)} << 76 << 0 << 0;
        QTest::newRow("device id 0 counts for nothing")
            << Chips{withDeviceId(chip(72, Chip::A), 0)} << 0 << 0 << 0;
        QTest::newRow("only the low byte counts")
            << Chips{withDeviceId(chip(72, Chip::B), 0x0184)} << 72 << 0 << 0;
        QTest::newRow("mismatching client byte")
            << Chips{chip(72, Chip::A), wrongClient} << 72 << 0 << 0;
        QTest::newRow("silent chip") << Chips{silentB} << 0 << 0 << 0;
        QTest::newRow("no chips") << Chips{} << 0 << 0 << 0;
    }
    void startUpScan()
    {
        QFETCH(Chips, chips);
        QFETCH(int, addressA);
        QFETCH(int, addressB);
        QFETCH(int, currentAddress);
        sim::SimulatedBoard board(scenarioWith(chips));
        DeviceState s;
        const ScanResult found = ScanForChips(s, board);
        QCOMPARE(s.AddressA, addressA);
        QCOMPARE(s.AddressB, addressB);
        QCOMPARE(s.CurrentAddress, currentAddress);
        QCOMPARE(found.found(Chip::A), addressA != 0);
        QCOMPARE(found.found(Chip::B), addressB != 0);
        QCOMPARE(board.requestCount(), 64u);
    }

    // The board lost in the middle of polling: the exchange throws instead of decoding old bytes,
    // and a firmware load brings it back only when the scenario replugs it.
    void cablePulledWhilePolling_data()
    {
        QTest::addColumn<bool>("replug");
        QTest::newRow("stays away") << false;
        QTest::newRow("comes back") << true;
    }
    void cablePulledWhilePolling()
    {
        QFETCH(bool, replug);
        sim::Scenario scenario = scenarioWith({fixedChip(72, Chip::A, 1600, 1984)});
        scenario.unplugAfterRequests = 4;
        scenario.replugOnLoad = replug;
        sim::SimulatedBoard board(scenario);
        DeviceState s;
        s.CurrentAddress = 72;
        SSTGetTemperatures(s, board);
        SSTGetTemperatures(s, board);
        s.IntTemp = 0;
        QVERIFY_THROWS_EXCEPTION(BoardLostError, SSTGetTemperatures(s, board));
        QCOMPARE(s.IntTemp, 0.0f);

        std::string reason;
        const std::int16_t reload =
            USBStuff::LoadBoardFirmware(s, board, ZR_FIRMWARE_FOLDER, &reason);
        QCOMPARE(reload >= 0, replug);
        QCOMPARE(reason, replug ? std::string() : std::string("no board found"));
        if (replug) {
            for (int i = 0; i < 10; ++i)
                SSTGetTemperatures(s, board);
            QCOMPARE(s.ExtTemp, 31.0f);
        }
    }
};

QTEST_GUILESS_MAIN(TestSstOnSimulatedBoard)
#include "test_sst_on_simulated_board.moc"
