// SPDX-License-Identifier: MIT
// A board that hangs, refuses everything or takes long to come back, met by the real main window
// over real libusb code: the user is told within the tick, nothing more is sent to the board, and
// the event loop never stops for long. A heartbeat timer measures the longest time the event loop
// was held; the figures are printed ("longest UI block") for the README.

#include "board/sim/simulated_board.h"
#include "board/usb/usb_board.h"
#include "platform/clock_text.h"
#include "shell/main_window.h"
#include "support/board_wait.h"
#include "support/fake_services.h"
#include "usb_emulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>

using namespace std::chrono_literals;
using zr::usbtest::Fault;
using zr::usbtest::UsbEmulator;

namespace {

// The board is the worker's: whatever it costs, the user-interface thread goes on. Generous, so
// that a sanitizer build on a loaded machine stays well inside it.
constexpr qint64 kFreezeLimitMs = 200;

// Beats every 5 ms while the event loop runs; the longest gap is the longest block.
class Heartbeat {
public:
    Heartbeat()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { beat(); });
        timer_.start();
        sinceBeat_.start();
    }
    qint64 longestGapMs()
    {
        beat();
        return longest_;
    }

private:
    void beat() { longest_ = std::max(longest_, sinceBeat_.restart()); }

    QTimer timer_;
    QElapsedTimer sinceBeat_;
    qint64 longest_ = 0;
};

enum class Stage { StartUp, Tick, Reconnect };

struct Case {
    Stage stage;
    Fault fault;
    std::chrono::milliseconds reenumeration; // of the board after its firmware upload
    QString connection; // part of the status bar's board field afterwards; %1 the time of the loss
    int transfersAfterFault;                      // that reached the board once it failed
    std::chrono::milliseconds usbTimeout = 250ms; // --usb-timeout
};

} // namespace

Q_DECLARE_METATYPE(Case)

class TestUsbBoardFaults : public QObject {
    Q_OBJECT

private slots:
    void faultsNeverFreezeTheWindows_data()
    {
        const QString hung = "not responding since %1 (the board did not answer within "
                             "250 ms)";
        QTest::addColumn<Case>("c");
        QTest::newRow("hang at start-up") << Case{Stage::StartUp, Fault::NoReply, 20ms, hung, 1};
        QTest::newRow("stalls at start-up")
            << Case{Stage::StartUp, Fault::Stall, 20ms,
                    "not responding since %1 (the board refused 3 requests in a row (stall))", 3};
        QTest::newRow("hang during a tick") << Case{Stage::Tick, Fault::NoReply, 20ms, hung, 1};
        QTest::newRow("hang during a tick, 2 s timeout") << Case{
            Stage::Tick, Fault::NoReply,
            20ms,        "not responding since %1 (the board did not answer within 2000 ms)",
            1,           2000ms};
        QTest::newRow("hang during Reconnect, 2 s timeout")
            << Case{Stage::Reconnect,
                    Fault::NoReply,
                    20ms,
                    "not responding since %1 (the board did not answer within 2000 ms)",
                    1,
                    2000ms};
        QTest::newRow("hang during Reconnect")
            << Case{Stage::Reconnect, Fault::NoReply, 20ms, hung, 1};
        QTest::newRow("9 s re-enumeration at start-up")
            << Case{Stage::StartUp, Fault::Unplug, 9000ms, ": ZR410A at", 0};
    }

    void faultsNeverFreezeTheWindows()
    {
        QFETCH(Case, c);
        const bool faulty = c.fault != Fault::Unplug; // Unplug: no fault, only the slow return
        zr::sim::SimulatedBoard chips;
        zr::usbtest::EmulatorOptions emulated;
        emulated.board = &chips;
        emulated.reenumerationDelay = c.reenumeration;
        UsbEmulator emulator(emulated);
        zr::usb::UsbBoardOptions boardOptions; // the program's own timeouts, or a longer one
        boardOptions.transferTimeout = c.usbTimeout;
        zr::usb::UsbBoard board(boardOptions);
        zr::DeviceState state;
        zr::test::FakePrompts prompts;
        zr::test::FakeFileChooser files;
        zr::test::FakeUrlOpener urls;
        zr::test::FakeClock clock;
        zr::MainWindow window({state, board, prompts, files, urls, clock, ZR_FIRMWARE_FOLDER});

        qint64 longest = 0;
        if (c.stage == Stage::StartUp) {
            // A board left running its firmware, now hung; or one waiting for its firmware.
            if (faulty) {
                emulator.plugProgrammed();
                emulator.failEveryTransfer(c.fault);
            } else {
                emulator.plugUnprogrammed();
            }
            Heartbeat heartbeat;
            QVERIFY(window.MDIForm_Load());
            longest = heartbeat.longestGapMs();
        } else {
            emulator.plugUnprogrammed();
            QVERIFY(window.MDIForm_Load());
            window.mTempGraphA_Click();
            window.mVoltGraphB_Click();
            window.mTempGraphB_Click();
            window.mSaveA_Click();
            window.mSaveB_Click();
            window.Timer1_Timer();
            QVERIFY(zr::test::waitForBoard(window));
            if (c.stage == Stage::Reconnect) {
                emulator.unplug();
                window.Timer1_Timer();
                QVERIFY(zr::test::waitForBoard(window));
                QVERIFY(window.boardIsLost());
                emulator.plugProgrammed();
            }
            emulator.clearTransfers();
            emulator.failEveryTransfer(c.fault);
            Heartbeat heartbeat;
            QTest::qWait(20);
            if (c.stage == Stage::Tick)
                window.Timer1_Timer();
            else
                QVERIFY(!window.Reconnect());
            QVERIFY(zr::test::waitForBoard(window));
            QTest::qWait(20);
            longest = heartbeat.longestGapMs();
        }
        qInfo("longest UI block, %s: %lld ms", QTest::currentDataTag(), longest);

        QVERIFY2(longest < kFreezeLimitMs, qPrintable(QString::number(longest)));
        const QString connection = window.findChild<QLabel*>("lblConnection")->toolTip();
        QVERIFY2(
            connection.contains(QString(c.connection).replace("%1", zr::timeOfDayText(clock.time))),
            qPrintable(connection));
        QCOMPARE(window.findChild<QPushButton*>("cmdReconnect")->isHidden(), !faulty);
        QVERIFY(prompts.messages.isEmpty());
        if (!faulty) {
            QVERIFY(window.findChild<QMenu*>("mZR410B")->isEnabled());
            return;
        }
        // Once it failed, the board got nothing more: not from the rest of the tick or scan, and
        // not from the next tick.
        int afterFault = 0;
        bool failed = false;
        for (const auto& t : emulator.transfers()) {
            failed = failed || t.status != 0;
            afterFault += failed && t.request == zr::SST_VENDOR_REQUEST;
        }
        QCOMPARE(afterFault, c.transfersAfterFault);
        const std::size_t seen = emulator.transfers().size();
        window.Timer1_Timer();
        QVERIFY(zr::test::waitForBoard(window));
        QCOMPARE(emulator.transfers().size(), seen);
    }
};

int main(int argc, char** argv)
{
    if (!UsbEmulator::inMockEnvironment())
        return 77;
    QApplication app(argc, argv);
    TestUsbBoardFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_usb_board_faults.moc"
