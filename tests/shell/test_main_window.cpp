// The main window: start-up, menus, child windows and the polling timer.

#include "board/sst_stuff.h"
#include "shell/main_window.h"
#include "support/main_window_bench.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
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
        QVERIFY(!h.window.timer()->isActive());
        QCOMPARE(h.board.firmwarePaths.at(0), std::string("/opt/zr410ab/SSTFW.hex"));
    }

    void menuBarReadsLeftToRight()
    {
        Harness h;
        QStringList titles;
        for (QAction* a : h.window.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"ZR410A", "ZR410B", "Window", "About..."}));
        QVERIFY(!action(h.window, "mAbout")->menu()); // a command on the bar itself

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
        QTest::newRow("both") << true << true;
        QTest::newRow("only B") << false << true;
        QTest::newRow("none") << false << false;
    }
    void scanEnablesTheMenusOfChipsFound()
    {
        QFETCH(bool, withA);
        QFETCH(bool, withB);
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
        QVERIFY(h.window.timer()->isActive());
        QCOMPARE(h.window.timer()->interval(), 250);
        QVERIFY(h.prompts.messages.isEmpty());
    }

    void aTickWithNoFlagCausesNoTraffic()
    {
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.window.MDIForm_Load());
        const size_t afterScan = h.board.requests.size();
        h.window.Timer1_Timer();
        QCOMPARE(h.board.requests.size(), afterScan);
        // A flag without its window is no reason to talk to the board either.
        h.state.TempGraphAOpen = True;
        h.state.LoggingB = True;
        h.window.Timer1_Timer();
        QCOMPARE(h.board.requests.size(), afterScan);
    }

    void eachWindowKindExistsOnce()
    {
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.window.MDIForm_Load());
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
        QVERIFY(h.window.MDIForm_Load());
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
        QVERIFY(h.window.MDIForm_Load());
        h.window.mSetA_Click();
        h.window.mSetB_Click();
        QMenu* windows = menu(h.window, "mWindows");
        QMetaObject::invokeMethod(windows, "aboutToShow");
        QStringList titles;
        for (QAction* a : windows->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"ZR410A Settings", "ZR410B Settings"}));
        QVERIFY(windows->actions().at(1)->isChecked()); // the active one
        windows->actions().at(0)->trigger();
        QCOMPARE(h.window.mdiArea()->activeSubWindow()->widget()->windowTitle(),
                 QString("ZR410A Settings"));
    }

    void aLostBoardAtStartIsReportedNotFatal()
    {
        Harness h;
        h.board.loseAfterRequests = 4;
        h.board.reason = "the cable was pulled";
        QVERIFY(h.window.MDIForm_Load());
        QVERIFY(h.window.boardIsLost());
        QVERIFY(h.window.statusBar()->currentMessage().contains("the cable was pulled"));
        const size_t sent = h.board.requests.size();
        h.state.TempGraphAOpen = True;
        h.window.mTempGraphA_Click();
        h.window.Timer1_Timer();
        QCOMPARE(h.board.requests.size(), sent);
    }

    void aTickServesTheOpenWindowsInOrder()
    {
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.window.MDIForm_Load());
        // Opened in another order than the tick serves them.
        h.window.mSaveB_Click();
        h.window.mTempGraphB_Click();
        h.window.mSaveA_Click();
        h.window.mVoltGraphB_Click();
        h.window.mTempGraphA_Click();
        const size_t from = h.board.requests.size();
        h.window.Timer1_Timer();
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
        QVERIFY(h.window.MDIForm_Load());
        h.window.mTempGraphA_Click();
        h.window.mSaveA_Click();
        h.board.requestResult = -7; // every read fails: the graph refuses to plot
        const size_t from = h.board.requests.size();
        h.window.Timer1_Timer();
        QVERIFY(h.window.statusBar()->currentMessage().contains("could not be read"));
        QCOMPARE(h.board.requests.size() - from, size_t(2 + 4)); // the save window still read
        QVERIFY(!h.window.boardIsLost());
    }

    void aLostBoardIsReportedWithinOneTickAndReconnectBringsItBack()
    {
        Harness h;
        answerAsTwoChips(h.board);
        QVERIFY(h.window.MDIForm_Load());
        h.window.mSetA_Click();
        h.window.mAbout_Click();
        auto* reconnect = h.window.findChild<QPushButton*>("cmdReconnect");
        QVERIFY(reconnect->isHidden());

        h.board.lost = true; // pulled while no polled window is open
        h.board.reason = "no device";
        h.window.Timer1_Timer();
        QVERIFY(h.window.boardIsLost());
        QVERIFY(h.window.statusBar()->currentMessage().contains("no device"));
        QVERIFY(!reconnect->isHidden());
        QCOMPARE(h.window.mdiArea()->subWindowList().at(0)->widget()->windowTitle(),
                 QString("ZR410A Settings - board lost"));
        QCOMPARE(h.window.mdiArea()->subWindowList().at(1)->widget()->windowTitle(),
                 QString("About the  ZR410A/B Software"));

        // Still gone: the attempt fails, says why, and stays lost.
        h.board.firmwareResult = -1;
        QVERIFY(!h.window.Reconnect());
        QVERIFY(h.window.statusBar()->currentMessage().startsWith("Reconnect failed"));
        QVERIFY(h.window.boardIsLost());

        h.board.lost = false;
        h.board.firmwareResult = 0;
        const size_t before = h.board.requests.size();
        QVERIFY(h.window.Reconnect());
        QCOMPARE(h.board.requests.size(), before + 64); // scanned again
        QVERIFY(!h.window.boardIsLost());
        QVERIFY(reconnect->isHidden());
        QCOMPARE(h.window.mdiArea()->subWindowList().at(0)->widget()->windowTitle(),
                 QString("ZR410A Settings"));
        QCOMPARE(int(h.state.AddressA), 72);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
