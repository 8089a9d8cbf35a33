// SPDX-License-Identifier: MIT
// Two evaluation boards on one PC, over real libusb code against two emulated boards on two
// ports of one emulated bus: which board each program takes, by its port path.

#include "board/sim/simulated_board.h"
#include "board/usb/board_ports.h"
#include "board/usb/usb_board.h"
#include "usb_emulator.h"

#include <QCoreApplication>
#include <QtTest>

using namespace std::chrono_literals;
using zr::usbtest::UsbEmulator;

namespace {

const std::string kFirmware = std::string(ZR_USB_TEST_DATA) + "/small.hex";

// Two boards behind a hub at 1-4, each with its own simulated chips and serial string.
struct TwoBoards {
    zr::sim::SimulatedBoard chipsLeft;
    zr::sim::SimulatedBoard chipsRight;
    UsbEmulator left{options(chipsLeft, "4.1", "LEFT-0001")};
    UsbEmulator right{options(chipsRight, "4.2", "RIGHT-0002")};

    static zr::usbtest::EmulatorOptions options(zr::sim::SimulatedBoard& chips, const char* port,
                                                const char* serial)
    {
        zr::usbtest::EmulatorOptions o;
        o.board = &chips;
        o.port = port;
        o.serial = serial;
        return o;
    }
};

zr::usb::UsbBoardOptions at(const std::string& port)
{
    zr::usb::UsbBoardOptions options;
    options.portPath = port;
    options.transferTimeout = 300ms;
    options.reenumerationTimeout = 3000ms;
    return options;
}

// A request that reaches the board: the frame of a temperature read of chip A at 72.
bool requestReaches(zr::usb::UsbBoard& board, const UsbEmulator& emulator)
{
    std::uint8_t frame[7] = {72, 1, 4, 0, 0, 0, 0};
    if (board.VendorIORequest(218, 0, 0, 0, 7, frame) != 7)
        return false;
    const auto seen = emulator.transfers();
    return !seen.empty() && seen.back().devnode == emulator.devnode();
}

} // namespace

class TestUsbTwoBoards : public QObject {
    Q_OBJECT

private slots:
    void listsBothWithPortStateAndSerial()
    {
        TwoBoards boards;
        boards.left.plugProgrammed();
        boards.right.plugUnprogrammed();
        const auto listing = zr::usb::listEvaluationBoards({});
        QCOMPARE(listing.size(), std::size_t{2});
        QCOMPARE(listing[0].portPath, std::string("1-4.1"));
        QVERIFY(listing[0].programmed);
        QCOMPARE(listing[0].serial, std::string("LEFT-0001"));
        QCOMPARE(listing[1].portPath, std::string("1-4.2"));
        QVERIFY(!listing[1].programmed);
        QCOMPARE(listing[1].serial, std::string()); // the boot controller has none
    }

    // Without a port path nothing is taken at random; a wrong one names the boards there are.
    void refusesToGuess_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("reason");
        QTest::newRow("none chosen")
            << ""
            << "Several evaluation boards are attached: 1-4.1 (USB 04B4:1004, running its "
               "firmware); 1-4.2 (USB 04B4:8613, waiting for firmware). Choose one with "
               "--device PORTPATH.";
        QTest::newRow("empty socket")
            << "1-4.3"
            << "No evaluation board is attached at USB port 1-4.3: the boards attached are "
               "1-4.1 (USB 04B4:1004, running its firmware); 1-4.2 (USB 04B4:8613, waiting for "
               "firmware).";
    }
    void refusesToGuess()
    {
        QFETCH(QString, port);
        QFETCH(QString, reason);
        TwoBoards boards;
        boards.left.plugProgrammed();
        boards.right.plugUnprogrammed();
        zr::usb::UsbBoard board(at(port.toStdString()));
        QVERIFY(board.LoadFirmWare(kFirmware.c_str()) < 0);
        QCOMPARE(QString::fromStdString(board.failureReason()), reason);
        QVERIFY(boards.left.transfers().empty());
        QVERIFY(boards.right.transfers().empty());
    }

    // The upload goes to the chosen controller only, and the wait for its return takes the board
    // that comes back at the same port, not the programmed board already running next to it.
    void uploadsToTheChosenBoardAndWaitsAtItsPort()
    {
        TwoBoards boards;
        boards.left.plugProgrammed();
        boards.right.plugUnprogrammed();
        zr::usb::UsbBoard board(at("1-4.2"));
        QCOMPARE(board.LoadFirmWare(kFirmware.c_str()), 0);
        QCOMPARE(board.portPath(), std::string("1-4.2"));
        QVERIFY(boards.left.transfers().empty());
        QCOMPARE(boards.right.enumerations(), 2);
        const std::vector<std::uint8_t> written = boards.right.ram();
        QVERIFY(
            std::any_of(written.begin(), written.end(), [](std::uint8_t b) { return b != 0xFF; }));
        QVERIFY(requestReaches(board, boards.right));
        QVERIFY(boards.left.transfers().empty());

        // Replugged into the same socket while the other board runs: found there again.
        boards.right.unplug();
        boards.right.plugUnprogrammed();
        QVERIFY(board.LoadFirmWare(kFirmware.c_str()) == 0);
        QVERIFY(requestReaches(board, boards.right));
        QVERIFY(boards.left.transfers().empty());
    }

    // Side by side on two boards; a second program on the same board is told it is taken.
    void oneProgramPerBoard()
    {
        TwoBoards boards;
        boards.left.plugProgrammed();
        boards.right.plugProgrammed();
        zr::usb::UsbBoard onLeft(at("1-4.1"));
        zr::usb::UsbBoard onRight(at("1-4.2"));
        zr::usb::UsbBoard secondOnRight(at("1-4.2"));
        QCOMPARE(onLeft.LoadFirmWare(kFirmware.c_str()), 0);
        QCOMPARE(onRight.LoadFirmWare(kFirmware.c_str()), 0);
        QVERIFY(secondOnRight.LoadFirmWare(kFirmware.c_str()) < 0);
        QCOMPARE(secondOnRight.failureReason(),
                 std::string("The evaluation board (USB 04B4:1004 at port 1-4.2) is in use by "
                             "another program: its interface is already claimed (is another "
                             "zr410ab or zr410ab-cli using this board?)."));
        QVERIFY(requestReaches(onLeft, boards.left));
        QVERIFY(requestReaches(onRight, boards.right));
    }
};

int main(int argc, char** argv)
{
    if (!UsbEmulator::inMockEnvironment())
        return 77;
    QCoreApplication app(argc, argv);
    TestUsbTwoBoards test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_usb_two_boards.moc"
