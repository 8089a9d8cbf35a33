// SPDX-License-Identifier: MIT
// The keyboard alone serves every window: Tab and Shift+Tab reach every control that can take
// the focus and leave it again, Ctrl+F4 and Ctrl+W close the active child window, Shift+F10 opens
// the focused control's context menu as the Menu key does, F6 and Ctrl+R reach Reconnect, and the
// focus comes back to where the user was after Reconnect, About and a message box.

#include "graphs/strip_chart/strip_chart.h"
#include "graphs/temp_graph_window.h"
#include "graphs/volt_graph_window.h"
#include "logging/save_window.h"
#include "settings/settings_window.h"
#include "shell/about_window.h"
#include "shell/keyboard_conventions.h"
#include "support/fake_services.h"
#include "support/main_window_bench.h"
#include "support/recording_board.h"
#include "worker/board_worker.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

using namespace zr;
using namespace zr::test;

namespace {

struct Services {
    DeviceState state;
    RecordingBoard board;
    FakePrompts prompts;
    FakeFileChooser files;
    FakeUrlOpener urls;
    FakeClock clock;
    BoardWorker worker{state, board};
};

using Maker = std::function<QWidget*(Services&)>;
using Detour = std::function<void(MainWindowBench&)>;

QString nameOf(const QWidget* w)
{
    return w ? w->objectName() + " (" + w->metaObject()->className() + ")" : "nothing";
}

QWidget* reconnectButton(MainWindowBench& b)
{
    return b.main->findChild<QWidget*>("cmdReconnect");
}

// The board goes at a tick and answers again: Reconnect is there and will bring it back.
void loseBoard(MainWindowBench& b)
{
    b.board.lost = true;
    b.tick();
    b.board.lost = false;
    QVERIFY(reconnectButton(b)->isVisible());
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
private slots:
    void tabReachesAndLeavesEveryControl_data()
    {
        QTest::addColumn<Maker>("make");
        QTest::newRow("settings A") << Maker([](Services& s) -> QWidget* {
            return new SettingsWindow(Chip::A, s.worker, s.prompts);
        });
        QTest::newRow("temperature graph") << Maker(
            [](Services& s) -> QWidget* { return new TempGraphWindow(Chip::A, s.state, s.clock); });
        QTest::newRow("voltage graph") << Maker(
            [](Services& s) -> QWidget* { return new VoltGraphWindow(Chip::B, s.state, s.clock); });
        QTest::newRow("save data B") << Maker([](Services& s) -> QWidget* {
            return new SaveWindow(Chip::B,
                                  {s.state, s.worker, s.prompts, s.files, s.clock, ".", {}});
        });
        QTest::newRow("about") << Maker(
            [](Services& s) -> QWidget* { return new AboutWindow(s.urls); });
    }

    void tabReachesAndLeavesEveryControl()
    {
        // A control that takes the focus (by a click, say) but that Tab does not reach is a trap
        // for the keyboard: once Tab leaves it, it cannot come back. So is a ring Tab cannot
        // leave. The walk goes round twice each way and must come back to where it began.
        QFETCH(Maker, make);
        Services s;
        std::unique_ptr<QWidget> window(make(s));
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QList<QWidget*> focusable;
        for (QWidget* w : window->findChildren<QWidget*>())
            if (w->focusPolicy() != Qt::NoFocus && w->isVisibleTo(window.get()) && w->isEnabled() &&
                !w->focusProxy())
                focusable << w;
        QVERIFY(!focusable.isEmpty());
        for (const Qt::KeyboardModifiers direction : {Qt::NoModifier, Qt::ShiftModifier}) {
            focusable.first()->setFocus(Qt::TabFocusReason);
            QWidget* start = QApplication::focusWidget();
            QCOMPARE(start, focusable.first());
            QSet<QWidget*> reached{start};
            bool back = false;
            for (int i = 0; i < 2 * focusable.size() + 2 && !back; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, direction);
                reached << QApplication::focusWidget();
                back = QApplication::focusWidget() == start;
            }
            QVERIFY2(back, qPrintable("Tab does not come back to " + nameOf(start)));
            // Of a group of radio buttons, Tab reaches the checked one and the arrows the others.
            const auto inReachedGroup = [&](QWidget* w) {
                auto* radio = qobject_cast<QRadioButton*>(w);
                return radio && radio->autoExclusive() &&
                       std::any_of(reached.begin(), reached.end(), [&](QWidget* r) {
                           return qobject_cast<QRadioButton*>(r) &&
                                  r->parentWidget() == w->parentWidget();
                       });
            };
            for (QWidget* w : focusable)
                QVERIFY2(reached.contains(w) || inReachedGroup(w),
                         qPrintable("Tab never reaches " + nameOf(w)));
        }
    }

    void controlKeysCloseTheActiveChild_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Ctrl+F4") << int(Qt::Key_F4);
        QTest::newRow("Ctrl+W") << int(Qt::Key_W);
    }

    void controlKeysCloseTheActiveChild()
    {
        QFETCH(int, key);
        Services s;
        QMainWindow main;
        auto* area = new QMdiArea(&main);
        main.setCentralWidget(area);
        main.menuBar()->addMenu("ZR410A");
        new KeyboardConventions(&main, main.menuBar());
        QPointer<QMdiSubWindow> first = area->addSubWindow(new QWidget);
        auto* graph = new TempGraphWindow(Chip::A, s.state, s.clock);
        QPointer<QMdiSubWindow> second = area->addSubWindow(graph);
        second->setAttribute(Qt::WA_DeleteOnClose);
        main.show();
        QApplication::setActiveWindow(&main);
        QVERIFY(QTest::qWaitForWindowActive(&main));
        area->setActiveSubWindow(second);
        graph->chart().setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::ControlModifier);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!second);
        QVERIFY(first && first->isVisible());
    }

    void shiftF10OpensTheChartMenu()
    {
        Services s;
        QMainWindow main;
        new KeyboardConventions(&main, main.menuBar());
        auto* graph = new TempGraphWindow(Chip::A, s.state, s.clock);
        main.setCentralWidget(graph);
        main.show();
        QApplication::setActiveWindow(&main);
        QVERIFY(QTest::qWaitForWindowActive(&main));
        graph->chart().setFocus();
        QStringList items;
        QTimer::singleShot(0, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* a : menu->actions())
                    items << a->objectName();
                menu->close();
            }
        });
        QTest::keyClick(&graph->chart(), Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(items.contains("actFollowNewest"));
    }

    void focusComesBackToTheWindowTheUserWasIn_data()
    {
        // What the user does from a graph's chart, with the settings window opened first.
        QTest::addColumn<Detour>("detour");
        QTest::newRow("F6 to Reconnect, Space") << Detour([](MainWindowBench& b) {
            loseBoard(b);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
            QCOMPARE(nameOf(QApplication::focusWidget()), nameOf(reconnectButton(b)));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
            QVERIFY(!b.main->boardIsLost());
        });
        QTest::newRow("Shift+F6 to Reconnect, F6 back") << Detour([](MainWindowBench& b) {
            loseBoard(b);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
            QCOMPARE(nameOf(QApplication::focusWidget()), nameOf(reconnectButton(b)));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
        });
        QTest::newRow("Ctrl+R") << Detour([](MainWindowBench& b) {
            loseBoard(b);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_R, Qt::ControlModifier);
            QTRY_VERIFY(!b.main->boardIsLost());
        });
        QTest::newRow("About, closed") << Detour([](MainWindowBench& b) {
            b.main->mAbout_Click();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!b.main->aboutWindow());
        });
        QTest::newRow("message box") << Detour([](MainWindowBench& b) {
            QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
            MessageBoxPrompts().showMessage(b.main.get(), MessageIcon::Warning, "Told");
        });
    }

    void focusComesBackToTheWindowTheUserWasIn()
    {
        QFETCH(Detour, detour);
        MainWindowBench b;
        QApplication::setActiveWindow(b.main.get());
        QVERIFY(QTest::qWaitForWindowActive(b.main.get()));
        b.trigger("mSetA");
        b.trigger("mTempGraphA");
        QWidget* chart = &b.main->tempGraphWindow(Chip::A)->chart();
        chart->setFocus();
        detour(b);
        QTRY_COMPARE(nameOf(QApplication::focusWidget()), nameOf(chart));
    }
};

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
