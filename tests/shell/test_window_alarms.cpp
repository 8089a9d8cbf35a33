// SPDX-License-Identifier: MIT
// Alarms in the windows: a channel read by two windows counts once a tick, a channel no window
// reads leaves its rule idle, and a limit set on a chart goes to the rules file, the chart, its
// legend, a marker, a notification and the status bar.

#include "graphs/limits_dialog.h"
#include "graphs/temp_graph_window.h"
#include "shell/alarm_list_window.h"
#include "shell/alarm_monitor.h"
#include "support/main_window_bench.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeWidget>

using namespace zr;
using namespace zr::test;

namespace {

struct CountingNotifier : Notifier {
    QStringList summaries;
    void notify(const QString& summary, const QString&) override { summaries << summary; }
};

void writeFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

class TestWindowAlarms : public QObject {
    Q_OBJECT

private slots:
    void aChannelCountsOncePerTick_data()
    {
        QTest::addColumn<QStringList>("windows"); // menu items opened
        QTest::addColumn<QByteArray>("rule");
        QTest::addColumn<int>("firesAtTick"); // 0: never, the rule stays idle
        const QByteArray internalA =
            R"({"chip": "ZR410A", "channel": "internal", "kind": "frozen", "count": 4})";
        const QByteArray railB =
            R"({"chip": "ZR410B", "channel": "5V", "kind": "frozen", "count": 3})";
        QTest::newRow("graph") << QStringList{"mTempGraphA"} << internalA << 4;
        QTest::newRow("graph and save window")
            << QStringList{"mTempGraphA", "mSaveA"} << internalA << 4;
        QTest::newRow("save window") << QStringList{"mSaveB"} << railB << 3;
        QTest::newRow("voltage graph and save window")
            << QStringList{"mVoltGraphB", "mSaveB"} << railB << 3;
        QTest::newRow("temperatures only: rails not read")
            << QStringList{"mTempGraphB"} << railB << 0;
    }
    void aChannelCountsOncePerTick()
    {
        QFETCH(QStringList, windows);
        QFETCH(QByteArray, rule);
        QFETCH(int, firesAtTick);
        QTemporaryDir dir;
        const QString rules = dir.filePath("alarms.json");
        writeFile(rules, R"({"rules": [)" + rule + "]}");
        MainWindowBench h;
        CountingNotifier notifier;
        h.main->setNotifier(notifier);
        h.main->useAlarmRules(rules);
        for (const QString& item : windows)
            h.trigger(item.toLatin1());
        int tick = 0, firedAt = 0;
        connect(&h.main->alarmMonitor(), &AlarmMonitor::changed, this,
                [&](const alarms::AlarmEvent&) { firedAt = firedAt ? firedAt : tick; });
        // The board's readings never change.
        for (tick = 1; tick <= 6; ++tick)
            h.tick();
        QCOMPARE(firedAt, firesAtTick);
        QCOMPARE(h.main->alarmMonitor().idle(0), firesAtTick == 0);
        h.main->showAlarmList();
        const QString state = h.main->alarmListWindow()->rulesList()->topLevelItem(0)->text(2);
        QVERIFY2(state.startsWith(firesAtTick ? "Firing since" : "Idle"), qPrintable(state));
    }

    void aLimitSetOnTheChart()
    {
        QTemporaryDir dir;
        const QString rules = dir.filePath("alarms.json");
        const QByteArray theirs =
            R"({"chip": "ZR410B", "channel": "any", "kind": "failing", "count": 3, "name": "B lost"})";
        writeFile(rules, R"({"rules": [)" + theirs + "]}");
        MainWindowBench h;
        CountingNotifier notifier;
        h.main->setNotifier(notifier);
        h.main->useAlarmRules(rules);
        h.trigger("mTempGraphA");
        TempGraphWindow* graph = h.main->tempGraphWindow(Chip::A);
        graph->chart().findChild<QAction*>("actLimits")->trigger();
        auto* dialog = graph->findChild<LimitsDialog*>();
        QVERIFY(dialog);
        dialog->findChild<QCheckBox*>("chkLow_external")->setChecked(true);
        dialog->findChild<QDoubleSpinBox*>("spnLow_external")->setValue(5);
        dialog->findChild<QDoubleSpinBox*>("spnHysteresis_external")->setValue(0.5);
        dialog->accept();

        QFile file(rules);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "{\"rules\": [\n  " + theirs +
                                     ",\n  {\"chip\": \"ZR410A\", \"channel\": \"external\", "
                                     "\"kind\": \"low\", \"limit\": 5, \"hysteresis\": 0.5, "
                                     "\"holdOff\": 0}\n]}\n");
        const auto& lines = graph->chart().limitLines();
        QCOMPARE(lines.size(), 1u);
        QCOMPARE(lines[0].trace, 1);
        QCOMPARE(lines[0].value, 5.0);
        QVERIFY(!graph->chart().alarmShade());

        h.tick(); // the board reads 0 degrees: below the limit at once
        QVERIFY2(graph->chart().label(1).text.endsWith(QStringLiteral("\u25bc below 5.00")),
                 qPrintable(graph->chart().label(1).text));
        QVERIFY(graph->chart().labelBox(1).right() <= graph->chart().width());
        QVERIFY(graph->chart().alarmShade());
        QCOMPARE(graph->chart().markers().size(), 1u);
        QCOMPARE(graph->chart().markers()[0].text, "rule 2 firing");
        QCOMPARE(notifier.summaries, QStringList{"rule 2 (ZR410A external below 5.00): firing"});
        // A passing message leaves the alarm in the status bar.
        h.main->showStatus("Something else");
        QCOMPARE(h.main->alarmField()->text(), QStringLiteral("\u26a0 Alarm: rule 2"));
        QVERIFY(h.main->alarmField()->isVisible());
    }

    void aRefusedFileIsNeverWrittenOver()
    {
        QTemporaryDir dir;
        const QString rules = dir.filePath("alarms.json");
        const QByteArray broken = R"({"rules": [{"chip": "ZR410A", "kind": "high"}]})";
        writeFile(rules, broken);
        MainWindowBench h;
        h.main->useAlarmRules(rules);
        QCOMPARE(h.main->alarmField()->text(), "Alarm rules refused");
        h.trigger("mTempGraphA");
        TempGraphWindow* graph = h.main->tempGraphWindow(Chip::A);
        graph->chart().findChild<QAction*>("actLimits")->trigger();
        QVERIFY(!graph->findChild<LimitsDialog*>());
        QCOMPARE(h.prompts.messages.size(), 1);
        QFile file(rules);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), broken);
    }
};

QTEST_MAIN(TestWindowAlarms)
#include "test_window_alarms.moc"
