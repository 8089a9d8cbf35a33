// SPDX-License-Identifier: MIT
// The main window: start-up, menus, child windows and the polling timer.

#include "board/sst_stuff.h"
#include "graphs/temp_graph_window.h"
#include "platform/clock_text.h"
#include "settings/settings_window.h"
#include "shell/about_window.h"
#include "shell/main_window.h"
#include "support/main_window_bench.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

using namespace zr;
using namespace zr::test;

namespace {

// A board with chip A at 72 and chip B at 76 answering the scan; silence elsewhere.
void answerAsTwoChips(RecordingBoard& board)
{
    board.responder = [](const std::vector<std::uint8_t>& frame) {
        RecordingBoard::Reply r;
        r.fill(0xFF);
        if (frame.at(0) == 72 || frame.at(0) == 76) {
            r.fill(0);
            r[5] = frame[0] == 72 ? 132 : 133;
            r[16] = frame[0];
        }
        return r;
    };
}

struct Harness : MainWindowBench {
    Harness() : MainWindowBench(Start::NotLoaded, "/opt/zr410ab") {}
    MainWindow& window = *main;
};

// address:command of every frame sent from request `from` on.
QStringList framesSent(const RecordingBoard& board, size_t from = 0)
{
    QStringList frames;
    for (size_t i = from; i < board.requests.size(); ++i)
        if (board.requests[i].direction == kDirectionToBoard)
            frames
                << QString("%1:%2").arg(board.requests[i].sent[0]).arg(board.requests[i].sent[3]);
    return frames;
}

QMenu* menu(MainWindow& w, const char* name)
{
    return w.findChild<QMenu*>(name);
}

QAction* action(MainWindow& w, const char* name)
{
    return w.findChild<QAction*>(name);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void firmwareFailureIsReportedAndNothingIsScanned()
    {
        Harness h;
        h.board.firmwareResult = -1;
        h.board.reason = "cannot read /opt/zr410ab/SSTFW.hex";
        QVERIFY(!h.window.MDIForm_Load());
        QCOMPARE(h.prompts.messages.size(), 1);
        QCOMPARE(h.prompts.messages[0].icon, MessageIcon::Critical);
        QCOMPARE(h.prompts.messages[0].text,
                 QString("ZR410A/B could not be found. Please check USB connection.\n\n"
                         "cannot read /opt/zr410ab/SSTFW.hex"));
        QVERIFY(h.board.requests.empty());
        QVERIFY(!h.window.boardWorker().timerActive());
        QCOMPARE(h.board.firmwarePaths.at(0), std::string("/opt/zr410ab/SSTFW.hex"));
    }

    void menuBarReadsLeftToRight()
    {
        Harness h;
        QStringList titles;
        for (QAction* a : h.window.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"File", "ZR410A", "ZR410B", "Window", "About..."}));
        QVERIFY(!action(h.window, "mAbout")->menu()); // a command on the bar itself

        QStringList itemsFile;
        for (QAction* a : menu(h.window, "mFile")->actions())
            itemsFile << (a->isSeparator() ? QString("-") : a->text());
        QCOMPARE(itemsFile, (QStringList{"Open Log…", "Compare Logs…", "-", "Exit"}));
        QVERIFY(menu(h.window, "mFile")->isEnabled()); // logs open without a board

        QStringList itemsA, itemsB;
        for (QAction* a : menu(h.window, "mZR410A")->actions())
            itemsA << a->text();
        for (QAction* a : menu(h.window, "mZR410B")->actions())
            itemsB << a->text();
        QCOMPARE(itemsA, (QStringList{"Temperature Graph", "Settings", "Save Data"}));
        QCOMPARE(itemsB,
                 (QStringList{"Temperature Graph", "Voltage Graph", "Settings", "Save Data"}));
        QVERIFY(!menu(h.window, "mZR410A")->isEnabled());
        QVERIFY(!menu(h.window, "mZR410B")->isEnabled());
        QCOMPARE(h.window.windowTitle(), QString("ZR410A/B"));
        QCOMPARE(h.window.objectName(), QString("ZR410A_BParent"));
    }

    void scanEnablesTheMenusOfChipsFound_data()
    {
        QTest::addColumn<bool>("withA");
        QTest::addColumn<bool>("withB");
        QTest::addColumn<QString>("connection"); // the status bar's permanent field
        QTest::newRow("both") << true << true << "Evaluation board: ZR410A at 72, ZR410B at 76";
        QTest::newRow("only B") << false << true << "Evaluation board: ZR410B at 76";
        QTest::newRow("none") << false << false << "Evaluation board: No chip answered at 64–95";
    }
    void scanEnablesTheMenusOfChipsFound()
    {
        QFETCH(bool, withA);
        QFETCH(bool, withB);
        QFETCH(QString, connection);
        Harness h;
        h.board.responder = [=](const std::vector<std::uint8_t>& frame) {
            RecordingBoard::Reply r;
            r.fill(0xFF);
            if ((withA && frame[0] == 72) || (withB && frame[0] == 76)) {
                r.fill(0);
                r[5] = frame[0] == 72 ? 132 : 133;
                r[16] = frame[0];
            }
            return r;
        };
        QVERIFY(h.window.MDIForm_Load());
        QCOMPARE(menu(h.window, "mZR410A")->isEnabled(), withA);
        QCOMPARE(menu(h.window, "mZR410B")->isEnabled(), withB);
        QCOMPARE(int(h.state.AddressA), withA ? 72 : 0);
        QCOMPARE(int(h.state.CurrentAddress), withB ? 76 : 0);
        QVERIFY(h.window.boardWorker().timerActive());
        QCOMPARE(h.window.boardWorker().timerInterval(), 250);
        QVERIFY(h.prompts.messages.isEmpty());
        QCOMPARE(h.window.findChild<QLabel*>("lblConnection")->toolTip(), connection);
    }

    void aTickWithNoFlagCausesNoTraffic()
    {
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.load());
        const size_t afterScan = h.board.requests.size();
        h.tick();
        QCOMPARE(h.board.requests.size(), afterScan);
        // A flag without its window is no reason to talk to the board either.
        h.state.TempGraphAOpen = True;
        h.state.LoggingB = True;
        h.tick();
        QCOMPARE(h.board.requests.size(), afterScan);
    }

    void eachWindowKindExistsOnce()
    {
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.load());
        h.window.mSetA_Click();
        QWidget* first = reinterpret_cast<QWidget*>(h.window.settingsWindow(Chip::A));
        h.window.mSetB_Click();
        h.window.mSetA_Click();
        QCOMPARE(reinterpret_cast<QWidget*>(h.window.settingsWindow(Chip::A)), first);
        QCOMPARE(h.window.mdiArea()->subWindowList().size(), 2);
        QCOMPARE(h.window.mdiArea()->activeSubWindow()->widget(), first);
    }

    void graphItemsSetTheirFlagsAndClosingClearsThem()
    {
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.load());
        h.window.mTempGraphA_Click();
        h.window.mTempGraphB_Click();
        h.window.mVoltGraphB_Click();
        QCOMPARE(h.state.TempGraphAOpen, True);
        QCOMPARE(h.state.TempGraphBOpen, True);
        QCOMPARE(h.state.VoltGraphBOpen, True);
        for (QMdiSubWindow* sub : h.window.mdiArea()->subWindowList())
            sub->close();
        QCOMPARE(h.state.TempGraphAOpen, False);
        QCOMPARE(h.state.TempGraphBOpen, False);
        QCOMPARE(h.state.VoltGraphBOpen, False);
        QTRY_VERIFY(!h.window.tempGraphWindow(Chip::A));
        h.window.mTempGraphA_Click();
        QCOMPARE(h.state.TempGraphAOpen, True);
        QVERIFY(h.window.tempGraphWindow(Chip::A));
    }

    void windowMenuListsOpenChildren()
    {
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.load());
        h.window.show();
        h.window.mSetA_Click();
        h.window.mTempGraphB_Click();
        h.window.mSaveA_Click();
        h.window.mSaveB_Click();
        h.window.mdiArea()->subWindowList().at(0)->showMinimized();
        QMenu* windows = menu(h.window, "mWindows");
        QMetaObject::invokeMethod(windows, "aboutToShow");
        QStringList titles;
        for (QAction* a : windows->actions())
            titles << a->text();
        // Shared captions carry their chip; the others already name it.
        QCOMPARE(titles, (QStringList{"ZR410A Settings", "Temperature Graph \u2014 ZR410B",
                                      "Save Data \u2014 ZR410A", "Save Data \u2014 ZR410B"}));
        for (QAction* a : windows->actions()) // the active one is ticked
            QCOMPARE(a->isChecked(),
                     a->text().startsWith(
                         h.window.mdiArea()->activeSubWindow()->widget()->windowTitle()));
        // Choosing a minimised window brings it back, not just its icon to the front.
        windows->actions().at(0)->trigger();
        QMdiSubWindow* active = h.window.mdiArea()->activeSubWindow();
        QCOMPARE(active->widget()->windowTitle(), QString("ZR410A Settings"));
        QVERIFY(!active->isMinimized());
    }

    void opensOnItsScreenAndEveryChildInView_data()
    {
        QTest::addColumn<QStringList>("order"); // menu items, chosen in turn
        QTest::newRow("settings and save data first") << QStringList{
            "mSetA", "mSaveB", "mSetB", "mTempGraphA", "mVoltGraphB", "mSaveA", "mTempGraphB"};
        QTest::newRow("graphs first") << QStringList{
            "mTempGraphA", "mTempGraphB", "mVoltGraphB", "mSaveA", "mSaveB", "mSetA", "mSetB"};
    }
    void opensOnItsScreenAndEveryChildInView()
    {
        QFETCH(QStringList, order);
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.load());
        h.window.show();
        const QRect available = h.window.screen()->availableGeometry();
        QVERIFY(available.contains(h.window.frameGeometry()));
        QVERIFY((h.window.frameGeometry().center() - available.center()).manhattanLength() <= 2);
        for (const QString& item : order) {
            action(h.window, qPrintable(item))->trigger();
            QMdiSubWindow* sub = h.window.mdiArea()->activeSubWindow();
            const QSize view = h.window.mdiArea()->viewport()->size();
            // Wholly inside along each axis where it fits; at the top left where it cannot.
            const auto inView = [](int pos, int size, int room) {
                return size > room ? pos == 0 : pos >= 0 && pos + size <= room;
            };
            QVERIFY2(inView(sub->x(), sub->width(), view.width()) &&
                         inView(sub->y(), sub->height(), view.height()),
                     qPrintable(QString("%1 at %2,%3 size %4x%5 in %6x%7")
                                    .arg(item)
                                    .arg(sub->x())
                                    .arg(sub->y())
                                    .arg(sub->width())
                                    .arg(sub->height())
                                    .arg(view.width())
                                    .arg(view.height())));
        }
        QCOMPARE(h.window.mdiArea()->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
        QCOMPARE(h.window.mdiArea()->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    }

    void keyboardReachesTheMenusAndPressesButtons_data()
    {
        QTest::addColumn<bool>("withF10"); // otherwise Alt pressed and released alone
        QTest::newRow("F10") << true;
        QTest::newRow("Alt") << false;
    }
    void keyboardReachesTheMenusAndPressesButtons()
    {
        QFETCH(bool, withF10);
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.load());
        h.window.show();
        h.window.mSetA_Click();
        auto* getDib = h.window.settingsWindow(Chip::A)->findChild<QPushButton*>("cmdGetDIB");
        getDib->setFocus();
        if (withF10) {
            QTest::keyClick(getDib, Qt::Key_F10);
        } else {
            QTest::keyPress(getDib, Qt::Key_Alt, Qt::AltModifier);
            QTest::keyRelease(getDib, Qt::Key_Alt);
        }
        QMenu* first = menu(h.window, "mFile");
        QTRY_VERIFY(first->isVisible());
        // Right arrow moves on to the next menu, Enter chooses its first item.
        QTest::keyClick(first, Qt::Key_Right);
        QMenu* chipA = menu(h.window, "mZR410A");
        QTRY_VERIFY(chipA->isVisible());
        QTest::keyClick(chipA, Qt::Key_Right);
        QMenu* second = menu(h.window, "mZR410B");
        QTRY_VERIFY(second->isVisible());
        if (!second->activeAction())
            QTest::keyClick(second, Qt::Key_Down);
        QTest::keyClick(second, Qt::Key_Return);
        QTRY_VERIFY(h.window.tempGraphWindow(Chip::B));
        QVERIFY(!second->isVisible());

        // Enter on a focused button presses it, as Space does.
        h.window.mSetA_Click();
        getDib->setFocus();
        const size_t before = h.board.requests.size();
        QTest::keyClick(getDib, Qt::Key_Return);
        QTRY_COMPARE(h.board.requests.size(), before + 2);
    }

    void aLostBoardAtStartIsReportedNotFatal()
    {
        Harness h;
        h.board.loseAfterRequests = 4;
        h.board.reason = "the cable was pulled";
        QVERIFY(h.load());
        QVERIFY(h.window.boardIsLost());
        QVERIFY(h.window.findChild<QLabel*>("lblConnection")
                    ->toolTip()
                    .contains("the cable was pulled"));
        const size_t sent = h.board.requests.size();
        h.state.TempGraphAOpen = True;
        h.window.mTempGraphA_Click();
        h.tick();
        QCOMPARE(h.board.requests.size(), sent);
    }

    void aTickServesTheOpenWindowsInOrder()
    {
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.load());
        // Opened in another order than the tick serves them.
        h.window.mSaveB_Click();
        h.window.mTempGraphB_Click();
        h.window.mSaveA_Click();
        h.window.mVoltGraphB_Click();
        h.window.mTempGraphA_Click();
        const size_t from = h.board.requests.size();
        h.tick();
        const QStringList frames = framesSent(h.board, from);
        QCOMPARE(frames, (QStringList{"72:0", "76:16", "76:0", "72:0", "72:224", "76:0", "76:224",
                                      "76:16"}));
        QCOMPARE(h.board.requests.size() - from, size_t(16)); // the most a tick ever costs

        // The tool's bench times a tick by walking the tick table: it must cost the same frames.
        DeviceState walked = h.state;
        RecordingBoard table;
        for (const TickStep& step : kTickSteps) {
            for (SstRead routine : tickReads(step)) {
                selectChip(walked, step.chip);
                routine(walked, table);
            }
        }
        QCOMPARE(framesSent(table), frames);
    }

    void anErrorInOneWindowLeavesTheRestOfTheTick()
    {
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.load());
        h.window.mTempGraphA_Click();
        h.window.mSaveA_Click();
        h.board.requestResult = -7; // every read fails: the graph refuses to plot
        const size_t from = h.board.requests.size();
        h.tick();
        QVERIFY(h.window.statusMessage().contains("could not be read"));
        // A refused frame ends its exchange unread; the save window still tried both its reads.
        QCOMPARE(h.board.requests.size() - from, size_t(1 + 2));
        QVERIFY(!h.window.boardIsLost());
    }

    void aLostBoardIsReportedWithinOneTickAndReconnectBringsItBack()
    {
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.load());
        h.window.mSetA_Click();
        h.window.mAbout_Click();
        auto* reconnect = h.window.findChild<QPushButton*>("cmdReconnect");
        QVERIFY(reconnect->isHidden());

        h.window.mTempGraphA_Click();
        h.tick();
        const QString lastReading = "Last reading at " + timeOfDayText(h.clock.time);
        h.clock.time += std::chrono::seconds(5);
        h.board.lost = true;
        h.board.reason = "no device";
        h.tick();
        QVERIFY(h.window.boardIsLost());
        // Said in the permanent field, in place of the chips no longer reached; neither a menu's
        // status tip nor a later message takes it away.
        auto* connection = h.window.findChild<QLabel*>("lblConnection");
        const QString lost =
            "Evaluation board: lost at " + timeOfDayText(h.clock.time) + " (no device)";
        QMenu* chipMenu = menu(h.window, "mZR410A");
        chipMenu->popup(QPoint(0, 0));
        chipMenu->actions().at(0)->setStatusTip("Opens the graph");
        // As the menu shows it on hovering: through the bar it was opened from.
        chipMenu->actions().at(0)->showStatusText(h.window.menuBar());
        h.window.showStatus("Something else happened");
        QVERIFY(!h.window.statusBar()->currentMessage().isEmpty()); // the tip shows
        QVERIFY(!connection->isHidden());
        QCOMPARE(connection->toolTip(), lost);
        QCOMPARE(connection->accessibleDescription(), lost);
        QVERIFY(connection->text() == lost || connection->text().contains(QChar(0x2026)));
        chipMenu->close();
        QVERIFY(!reconnect->isHidden());
        // The graph's legends keep their last reading, greyed, and say when it was taken.
        const chart::StripChart& chart = h.window.tempGraphWindow(Chip::A)->chart();
        QVERIFY(chart.label(0).greyed && chart.label(1).greyed && !chart.label(2).greyed);
        QCOMPARE(chart.label(0).toolTip, lastReading);
        QVERIFY(chart.label(0).text.startsWith("Internal: "));
        QCOMPARE(h.window.settingsWindow(Chip::A)->windowTitle(),
                 QString("ZR410A Settings - board lost"));
        QCOMPARE(h.window.aboutWindow()->windowTitle(), QString("About the  ZR410A/B Software"));

        // Still gone: the attempt fails, says why, and stays lost.
        h.board.firmwareResult = -1;
        QVERIFY(!h.window.Reconnect());
        QVERIFY(h.window.statusMessage().startsWith("Reconnect failed"));
        QVERIFY(h.window.boardIsLost());

        h.board.lost = false;
        h.board.firmwareResult = 0;
        const size_t before = h.board.requests.size();
        QVERIFY(h.window.Reconnect());
        QCOMPARE(h.board.requests.size(), before + 64); // scanned again
        QCOMPARE(h.window.statusMessage(),
                 QString("Board reconnected: ZR410A at 72, ZR410B at 76"));
        QVERIFY(!h.window.boardIsLost());
        QVERIFY(reconnect->isHidden());
        QCOMPARE(h.window.settingsWindow(Chip::A)->windowTitle(), QString("ZR410A Settings"));
        QCOMPARE(int(h.state.AddressA), 72);
        QCOMPARE(connection->toolTip(), QString("Evaluation board: ZR410A at 72, ZR410B at 76"));
        h.tick();
        QVERIFY(!chart.label(0).greyed);

        // Back, but with no chip on the bus: it says so rather than "reconnected" alone.
        h.board.responder = nullptr;
        h.board.defaultReply.fill(0xFF);
        QVERIFY(h.window.Reconnect());
        QCOMPARE(h.window.statusMessage(), QString("Board reconnected, but no chip answered"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
