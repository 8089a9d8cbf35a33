// SPDX-License-Identifier: MIT
// One scenario on the simulated board, one rules file, through the tool's watch, the exporter's
// poller and the program's windows: the same alarms change at the same readings, with the same
// values.

#include "alarms/rules_file.h"
#include "board/sim/simulated_board.h"
#include "exporter/exposition.h"
#include "exporter/poller.h"
#include "logging/save_window.h"
#include "shell/alarm_list_window.h"
#include "shell/alarm_monitor.h"
#include "shell/main_window.h"
#include "support/board_wait.h"
#include "support/fake_services.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kScenario = ZR_ALARM_TESTS "/drifting-then-lost.json";
const QString kRules = ZR_ALARM_TESTS "/front-end-rules.json";

// "12 rule 1 firing 31.44": the reading (sample or poll, from 1) that made the change.
QString change(qint64 reading, const QString& rule, const QString& state, const QString& value)
{
    return QString("%1 %2 %3 %4").arg(reading).arg(rule, state, value);
}

QStringList throughTheTool()
{
    QProcess tool;
    tool.start(ZR_CLI_PATH, {"--board", "sim", "--scenario", kScenario, "watch", "--interval", "1",
                             "--alarms", kRules, "--json"});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 2)
        return {"the tool did not end with the lost board: " + tool.readAllStandardError()};
    QStringList changes;
    qint64 lastSample = 0;
    for (const QByteArray& line : tool.readAllStandardOutput().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o["type"] == "reading")
            lastSample = o["sample"].toInteger();
        else if (o["type"] == "alarm")
            // A change comes before the row of its readings.
            changes << change(lastSample + 1, o["rule"].toString(), o["state"].toString(),
                              o["value"].isNull() ? "-" : QString::number(o["value"].toDouble()));
    }
    return changes;
}

QStringList throughTheExporter(std::string& lastScrape)
{
    zr::sim::SimulatedBoard board(zr::sim::loadScenarioFile(kScenario));
    zr::exporter::ReadingsCache cache;
    zr::exporter::PollerOptions options;
    options.board = "sim";
    options.programFolder = ZR_FIRMWARE_FOLDER;
    options.alarmRules = zr::alarms::loadRulesFile(kRules.toStdString());
    qint64 poll = 0;
    QStringList changes;
    // "2026-03-14T09:26:53.589Z alarm rule 1 firing: ZR410A external high, 31.25°C"
    const QRegularExpression said(R"(alarm (.+) (firing|clear): [^,]*(?:, ([-0-9.]+))?)");
    zr::exporter::Poller poller(board, cache, options, [&](const std::string& line) {
        const auto m = said.match(QString::fromStdString(line));
        if (m.hasMatch())
            changes << change(poll, m.captured(1), m.captured(2),
                              m.hasCaptured(3) ? m.captured(3) : "-");
    });
    if (!poller.connect())
        return {"the exporter did not find the board"};
    while (poller.up() && poll < 1000) {
        ++poll;
        poller.poll();
    }
    lastScrape = zr::exporter::renderMetrics(cache.snapshot(), zr::exporter::Clock::now(),
                                             std::chrono::seconds(3));
    return changes;
}

struct SilentNotifier : zr::Notifier {
    int count = 0;
    void notify(const QString&, const QString&) override { ++count; }
};

// The program with the save-data windows of both chips open: they read every channel once a
// tick, as the tool does.
struct Windows {
    zr::sim::SimulatedBoard board{zr::sim::loadScenarioFile(kScenario)};
    zr::DeviceState state;
    zr::test::FakePrompts prompts;
    zr::test::FakeFileChooser files;
    zr::test::FakeUrlOpener urls;
    zr::SystemClock clock;
    SilentNotifier notifier;
    QTemporaryDir logs;
    zr::MainWindow main{
        zr::AppServices{state, board, prompts, files, urls, clock, ZR_FIRMWARE_FOLDER}};

    QStringList run()
    {
        main.setNotifier(notifier);
        main.useAlarmRules(kRules);
        qint64 tick = 0;
        QStringList changes;
        QObject::connect(&main.alarmMonitor(), &zr::AlarmMonitor::changed,
                         [&](const zr::alarms::AlarmEvent& e) {
                             changes << change(tick, QString::fromStdString(e.rule),
                                               zr::alarms::stateName(e.state),
                                               e.value ? QString::number(*e.value) : "-");
                         });
        if (!main.MDIForm_Load())
            return {"the window did not find the board"};
        main.boardWorker().stopTimer();
        main.mSaveA_Click();
        main.mSaveB_Click();
        files.paths = {logs.filePath("a.sav"), logs.filePath("b.sav")};
        for (zr::Chip chip : {zr::Chip::A, zr::Chip::B})
            main.saveWindow(chip)->findChild<QPushButton*>("cmdSave")->click();
        while (!main.boardIsLost() && tick < 1000) {
            ++tick;
            main.Timer1_Timer();
            if (!zr::test::waitForBoard(main))
                return {"the tick did not end"};
        }
        return changes;
    }

    // "rule state" of each alarm line in both logs' events files.
    QStringList alarmLines() const
    {
        QStringList lines;
        for (const char* name : {"a.sav.events", "b.sav.events"}) {
            QFile file(logs.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                return {QString("no ") + name};
            for (const QByteArray& line : file.readAll().split('\n')) {
                const QJsonObject o = QJsonDocument::fromJson(line).object();
                if (o["kind"] == "alarm")
                    lines << o["rule"].toString() + " " + o["state"].toString();
            }
        }
        lines.sort();
        return lines;
    }
};

} // namespace

class TestAlarmFrontEnds : public QObject {
    Q_OBJECT

private slots:
    void sameChangesAtSameReadings()
    {
        const QStringList tool = throughTheTool();
        std::string scrape;
        const QStringList exporter = throughTheExporter(scrape);
        QCOMPARE(tool.join("\n"), exporter.join("\n"));
        Windows windows;
        QCOMPARE(windows.run().join("\n"), tool.join("\n"));
        // Each change notified and listed; the lost board's alarm still in the status bar.
        zr::MainWindow* main = &windows.main;
        QCOMPARE(windows.notifier.count, int(tool.size()));
        // And each in its chip's events file, the lost board's included.
        QStringList ruleStates;
        for (const QString& c : tool)
            ruleStates << c.section(' ', 1, -2);
        ruleStates.sort();
        QCOMPARE(windows.alarmLines(), ruleStates);
        main->showAlarmList();
        QCOMPARE(main->alarmListWindow()->changesList()->count(), int(tool.size()));
        QVERIFY(main->alarmListWindow()->changesList()->item(0)->text().contains("rule 5 firing"));
        QVERIFY2(main->alarmField()->text().contains("rule 5"),
                 qPrintable(main->alarmField()->text()));
        // Every kind fires; those that can, clear again; the lost board fires the failing rule.
        for (const char* seen : {"rule 1 clear", "rule 2 clear", "12V stuck firing", "rule 4 clear",
                                 "rule 5 firing -"})
            QVERIFY2(!tool.filter(seen).isEmpty(), seen);
        QVERIFY(tool.last().startsWith("81 rule 5 firing"));
        // The board is down; what fired stays in the scrape.
        QVERIFY2(QString::fromStdString(scrape).contains(
                     R"(zr410ab_alarm_firing{board="sim",chip="ZR410B",address="76",)"
                     R"(channel="any",rule="rule 5"} 1)"),
                 scrape.c_str());
    }
};

QTEST_MAIN(TestAlarmFrontEnds)
#include "test_alarm_front_ends.moc"
