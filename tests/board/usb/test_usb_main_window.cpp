// SPDX-License-Identifier: MIT
// The whole program's start-up and recovery over real libusb code: the main window loads the
// firmware into the emulated controller, finds the simulated board's chips through request 218,
// notices the pulled cable, and comes back with Reconnect once the board is plugged in again.

#include "board/board_lost_error.h"
#include "board/sim/simulated_board.h"
#include "board/sst_stuff.h"
#include "board/usb/usb_board.h"
#include "shell/main_window.h"
#include "support/board_wait.h"
#include "support/fake_services.h"
#include "usb_emulator.h"

#include <QApplication>
#include <QMenu>
#include <QtTest>

using namespace std::chrono_literals;
using zr::usbtest::UsbEmulator;

namespace {

// Chip A at 72 and chip B at 76.
struct Program {
    Program()
    {
        zr::usbtest::EmulatorOptions options;
        options.board = &chips;
        emulator = std::make_unique<UsbEmulator>(options);
        zr::usb::UsbBoardOptions boardOptions;
        boardOptions.transferTimeout = 300ms;
        boardOptions.reenumerationTimeout = 3000ms;
        board = std::make_unique<zr::usb::UsbBoard>(boardOptions);
        window = std::make_unique<zr::MainWindow>(
            zr::AppServices{state, *board, prompts, files, urls, clock, ZR_FIRMWARE_FOLDER});
    }
    ~Program()
    {
        window.reset();
        board.reset();
        emulator.reset();
    }
    bool menuEnabled(const char* name) { return window->findChild<QMenu*>(name)->isEnabled(); }

    zr::sim::SimulatedBoard chips;
    zr::DeviceState state;
    zr::test::FakePrompts prompts;
    zr::test::FakeFileChooser files;
    zr::test::FakeUrlOpener urls;
    zr::test::FakeClock clock;
    std::unique_ptr<UsbEmulator> emulator;
    std::unique_ptr<zr::usb::UsbBoard> board;
    std::unique_ptr<zr::MainWindow> window;
};

} // namespace

class TestUsbMainWindow : public QObject {
    Q_OBJECT

private slots:
    void startUpLoadsTheFirmwareAndFindsBothChips()
    {
        Program p;
        p.emulator->plugUnprogrammed();
        QVERIFY(p.window->MDIForm_Load());
        QVERIFY(p.prompts.messages.isEmpty());
        QCOMPARE(p.state.AddressA, std::int16_t(72));
        QCOMPARE(p.state.AddressB, std::int16_t(76));
        QVERIFY(p.menuEnabled("mZR410A"));
        QVERIFY(p.menuEnabled("mZR410B"));
        QCOMPARE(p.emulator->enumerations(), 2);
        int scanRequests = 0;
        for (const auto& t : p.emulator->transfers())
            scanRequests += t.request == 218;
        QCOMPARE(scanRequests, 64);
    }

    void withoutBoardTheFailureCarriesTheReason()
    {
        Program p;
        QVERIFY(!p.window->MDIForm_Load());
        QCOMPARE(p.prompts.messages.size(), 1);
        QCOMPARE(p.prompts.messages[0].text,
                 QString("ZR410A/B could not be found. Please check USB connection.\n\n"
                         "No evaluation board is attached: there is no USB device 04B4:8613 "
                         "(waiting for firmware) or 04B4:1004 (running it)."));
    }

    void pulledCableIsNoticedAndReconnectBringsTheBoardBack()
    {
        Program p;
        p.emulator->plugUnprogrammed();
        QVERIFY(p.window->MDIForm_Load());
        // The test talks to the board itself below; the worker's timer keeps away.
        p.window->boardWorker().stopTimer();
        QVERIFY(zr::test::waitForBoard(*p.window));
        p.state.CurrentAddress = 72;
        QCOMPARE(zr::SSTStuff::SSTGetTemperatures(p.state, *p.board), 64);

        // A button handler meets the loss; the next tick says so.
        p.emulator->unplug();
        QVERIFY_THROWS_EXCEPTION(zr::BoardLostError,
                                 zr::SSTStuff::SSTGetTemperatures(p.state, *p.board));
        p.window->Timer1_Timer();
        QVERIFY(zr::test::waitForBoard(*p.window));
        QVERIFY(p.window->boardIsLost());
        QVERIFY(!p.window->Reconnect()); // still unplugged

        // Plugged in again, the controller waits for its firmware like at start-up.
        p.emulator->plugUnprogrammed();
        QVERIFY(p.window->Reconnect());
        QVERIFY(zr::test::waitForBoard(*p.window));
        QVERIFY(!p.window->boardIsLost());
        QCOMPARE(p.emulator->enumerations(), 4);
        p.state.IntTemp = -999;
        p.state.CurrentAddress = 72;
        QCOMPARE(zr::SSTStuff::SSTGetTemperatures(p.state, *p.board), 64);
        QVERIFY(p.state.IntTemp > -60 && p.state.IntTemp < 160);
    }
};

int main(int argc, char** argv)
{
    if (!UsbEmulator::inMockEnvironment())
        return 77;
    QApplication app(argc, argv);
    TestUsbMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_usb_main_window.moc"
