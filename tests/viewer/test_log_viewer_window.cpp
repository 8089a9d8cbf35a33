// SPDX-License-Identifier: MIT
// The log viewer through the main window's File menu: logs opened and compared with a fake file
// chooser, read on the worker, shown in the strip chart; and --view, which needs no board.

#include "app/command_line.h"
#include "graphs/strip_chart/statistics_panel.h"
#include "graphs/strip_chart/strip_chart.h"
#include "logging/log_format.h"
#include "support/main_window_bench.h"
#include "viewer/log_loading.h"
#include "viewer/log_viewer_window.h"
#include "viewer/log_viewers.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace zr;
using namespace zr::test;
using zr::viewer::LogViewerWindow;
using zr::viewer::ValueFamily;

namespace {

constexpr int kRecords = 800;         // longer than a chart's first span
constexpr int kOffsetWrittenAt = 400; // run 2's offset write, in records
constexpr int kOffset = 3;

// A run of the fixed scenario: steady readings; `offsetWritten` adds kOffset to the external
// temperature from record kOffsetWrittenAt on, as writing the offset register does. Run 2 starts
// hours after run 1.
QByteArray runLog(Chip chip, bool offsetWritten)
{
    logging::LogOptions options;
    options.externalOffset = true;
    const auto header =
        logging::headerLines(chip, options, "30 Nov 2026", offsetWritten ? "07:12:40" : "00:53:20");
    QByteArray text;
    for (const std::string& line : header)
        text += QByteArray::fromStdString(line) + "\r\n";
    for (int i = 0; i < kRecords; ++i) {
        logging::Readings r;
        r.intTemp = 25.0f;
        r.extTemp = 20.25f;
        r.voltages = {12.0f, 5.0f, 3.3f, 2.5f, 1.2f};
        if (offsetWritten && i >= kOffsetWrittenAt) {
            r.extOffset = kOffset;
            r.extTemp += kOffset;
        }
        text += QByteArray::fromStdString(logging::recordLine(chip, options, r)) + "\r\n";
    }
    return text;
}

struct Logs {
    QTemporaryDir dir;
    Logs()
    {
        write("a.sav", runLog(Chip::A, false));
        write("a2.sav", runLog(Chip::A, true));
        write("b.sav", runLog(Chip::B, false));
        write("garbage.sav", "not a log\r\n");
    }
    void write(const QString& name, const QByteArray& text)
    {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
};

QList<LogViewerWindow*> viewers(MainWindow& main)
{
    QList<LogViewerWindow*> found;
    for (QMdiSubWindow* sub : main.mdiArea()->subWindowList(QMdiArea::CreationOrder))
        if (auto* v = qobject_cast<LogViewerWindow*>(sub->widget()))
            found << v;
    return found;
}

QAction* fileItem(MainWindow& main, const char* name)
{
    return main.findChild<QAction*>(name);
}

// Every reading asked for has been told, one way or the other.
bool readingsDone(MainWindow& main)
{
    return QTest::qWaitFor([&] { return main.logViewers().loading() == nullptr; }, 10000);
}

int dashedTraces(const chart::StripChart& c)
{
    int n = 0;
    for (int t = 0; t < c.traceCount(); ++t)
        n += c.traceDashed(t) ? 1 : 0;
    return n;
}

using Flow = std::function<void(MainWindow&)>;

} // namespace

class TestLogViewerWindow : public QObject {
    Q_OBJECT
private slots:
    void fileMenuFlows_data()
    {
        // What the user does, the files the chooser gives in turn ("" for Cancel), and what
        // stands then: the viewers' titles, with how many traces each chart holds and how many
        // of them are dashed; and the messages shown.
        QTest::addColumn<Flow>("flow");
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QStringList>("expected"); // "title|°C traces|V traces|dashed"
        QTest::addColumn<QStringList>("messages"); // parts each message must hold, in turn
        const Flow open = [](MainWindow& m) { fileItem(m, "mOpenLog")->trigger(); };
        const Flow compare = [](MainWindow& m) { fileItem(m, "mCompareLogs")->trigger(); };
        const auto then = [](Flow a, Flow b) {
            return Flow([a, b](MainWindow& m) {
                a(m);
                QVERIFY(readingsDone(m));
                b(m);
            });
        };
        QTest::newRow("open A") << open << QStringList{"a.sav"}
                                << QStringList{"Log Viewer - a.sav|3|0|0"} << QStringList{};
        QTest::newRow("open B: rails on a chart in volts")
            << open << QStringList{"b.sav"} << QStringList{"Log Viewer - b.sav|3|5|0"}
            << QStringList{};
        QTest::newRow("two viewers at once")
            << then(open, open) << QStringList{"a.sav", "b.sav"}
            << QStringList{"Log Viewer - a.sav|3|0|0", "Log Viewer - b.sav|3|5|0"} << QStringList{};
        QTest::newRow("open cancelled")
            << open << QStringList{""} << QStringList{} << QStringList{};
        QTest::newRow("missing file") << open << QStringList{"missing.sav"} << QStringList{}
                                      << QStringList{"missing.sav:\nNo such file"};
        QTest::newRow("not a log") << open << QStringList{"garbage.sav"} << QStringList{}
                                   << QStringList{"garbage.sav:\nline"};
        QTest::newRow("reading cancelled leaves no window") << Flow([](MainWindow& m) {
            fileItem(m, "mOpenLog")->trigger();
            m.logViewers().loading()->cancel();
        }) << QStringList{"a.sav"} << QStringList{} << QStringList{};
        QTest::newRow("compare onto the active viewer")
            << then(open, compare) << QStringList{"a.sav", "a2.sav"}
            << QStringList{"Log Viewer - a.sav vs a2.sav|6|0|3"} << QStringList{};
        QTest::newRow("compare B: rails dashed too")
            << then(open, compare) << QStringList{"b.sav", "b.sav"}
            << QStringList{"Log Viewer - b.sav vs b.sav|6|10|8"} << QStringList{};
        QTest::newRow("comparing again: a new viewer of run 1")
            << then(then(open, compare), compare) << QStringList{"a.sav", "a2.sav", "b.sav"}
            << QStringList{"Log Viewer - a.sav vs a2.sav|6|0|3",
                           "Log Viewer - a.sav vs b.sav|6|0|3"}
            << QStringList{};
        QTest::newRow("compare without a viewer asks for both")
            << compare << QStringList{"a.sav", "a2.sav"}
            << QStringList{"Log Viewer - a.sav vs a2.sav|6|0|3"} << QStringList{};
        QTest::newRow("compare cancelled at run 2")
            << compare << QStringList{"a.sav", ""} << QStringList{} << QStringList{};
        QTest::newRow("run 2 unreadable: run 1 stays alone")
            << then(open, compare) << QStringList{"a.sav", "garbage.sav"}
            << QStringList{"Log Viewer - a.sav|3|0|0"} << QStringList{"garbage.sav:\nline"};
    }
    void fileMenuFlows()
    {
        QFETCH(Flow, flow);
        QFETCH(QStringList, chosen);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, messages);
        Logs logs;
        MainWindowBench bench;
        for (const QString& name : chosen)
            bench.files.paths.push_back(name.isEmpty() ? QString() : logs.path(name));
        flow(*bench.main);
        QVERIFY(readingsDone(*bench.main));

        QStringList seen;
        for (LogViewerWindow* v : viewers(*bench.main)) {
            const chart::StripChart* temp = v->chart(ValueFamily::Temperature);
            const chart::StripChart* volt = v->chart(ValueFamily::Voltage);
            QVERIFY(temp);
            seen << QString("%1|%2|%3|%4")
                        .arg(v->windowTitle())
                        .arg(temp->traceCount())
                        .arg(volt ? volt->traceCount() : 0)
                        .arg(dashedTraces(*temp) + (volt ? dashedTraces(*volt) : 0));
            // The whole run in view, not the newest minutes.
            QVERIFY(temp->timeView().spanMs() >= temp->newestTime() - temp->oldestTime());
            QVERIFY(!v->notesText().isEmpty());
        }
        QCOMPARE(seen, expected);
        QCOMPARE(bench.prompts.messages.size(), messages.size());
        for (int i = 0; i < messages.size(); ++i) {
            QCOMPARE(bench.prompts.messages[i].icon, MessageIcon::Critical);
            QVERIFY2(bench.prompts.messages[i].text.contains(messages[i]),
                     qPrintable(bench.prompts.messages[i].text));
        }
        // Nothing of a log reaches the board.
        QVERIFY(bench.board.requests.empty());
    }

    void differenceOfTwoRuns_data()
    {
        // Run 2 had the offset written part-way: its external reading moved by the offset.
        QTest::addColumn<QString>("column");
        QTest::addColumn<QStringList>("figures"); // count, min, max, mean
        QTest::newRow("first column by default")
            << QString() << QStringList{"800", "0.00", "0.00", "0.00"};
        QTest::newRow("External") << "External" << QStringList{"800", "0.00", "3.00", "1.50"};
        QTest::newRow("External Offset")
            << "External Offset" << QStringList{"800", "0.00", "3.00", "1.50"};
    }
    void differenceOfTwoRuns()
    {
        QFETCH(QString, column);
        QFETCH(QStringList, figures);
        Logs logs;
        MainWindowBench bench;
        bench.files.paths = {logs.path("a.sav")};
        fileItem(*bench.main, "mOpenLog")->trigger();
        QVERIFY(readingsDone(*bench.main));
        LogViewerWindow* v = viewers(*bench.main).value(0);
        QVERIFY(v);
        // Statistics open before run 2 arrives get its traces too.
        v->chart(ValueFamily::Temperature)->setStatisticsShown(true);
        bench.files.paths = {logs.path("a2.sav")};
        fileItem(*bench.main, "mCompareLogs")->trigger();
        QVERIFY(readingsDone(*bench.main));
        QVERIFY(v->comparing());
        const chart::StatisticsPanel* temps = v->chart(ValueFamily::Temperature)->statisticsPanel();
        QVERIFY(temps && temps->isVisible());
        QVERIFY(temps->findChild<QLabel*>("lblCount5"));

        if (!column.isEmpty())
            v->differenceChooser()->setCurrentText(column);
        QCOMPARE(v->differenceChooser()->currentText(), column.isEmpty() ? "Internal" : column);
        chart::StripChart* difference = v->differenceChart();
        QVERIFY(difference);
        QCOMPARE(difference->valueUnit(), QString("°C"));
        const chart::StatisticsPanel* panel = difference->statisticsPanel();
        QVERIFY(panel && panel->isVisible());
        QStringList shown;
        for (auto f : {chart::StatisticsPanel::Count, chart::StatisticsPanel::Min,
                       chart::StatisticsPanel::Max, chart::StatisticsPanel::Mean})
            shown << panel->findChild<QLabel*>(chart::StatisticsPanel::figureObjectName(f, 0))
                         ->text();
        QCOMPARE(shown, figures);
        // Zero before the write, the offset after it, on run 1's clock.
        const chart::TraceStore& d = difference->traceStore(0);
        const chart::TraceStore& run1 = v->chart(ValueFamily::Temperature)->traceStore(0);
        QCOMPARE(d.size(), run1.size());
        // Both runs break their lines where the reading said records are missing.
        const chart::TraceStore& run2 = v->chart(ValueFamily::Temperature)->traceStore(3);
        QVERIFY(run1.gapMs() > 0);
        QCOMPARE(run2.gapMs(), run1.gapMs());
        QCOMPARE(d.time(0), run1.time(0));
        if (!column.isEmpty()) {
            QCOMPARE(d.value(kOffsetWrittenAt - 1), 0.0f);
            QCOMPARE(d.value(kOffsetWrittenAt), float(kOffset));
        }
    }

    void dashedTraceLeavesGaps()
    {
        chart::StripChart c;
        c.resize(400, 200);
        c.setAxisMin(0);
        c.setAxisMax(10);
        for (int dashed = 0; dashed < 2; ++dashed) {
            const int t = c.addTrace(Qt::red, "run");
            c.setTraceDashed(t, dashed == 1);
            for (int i = 0; i < 400; ++i)
                c.addSample(t, 1000 * i, dashed ? 7 : 3);
        }
        c.showWholeHistory();
        const QImage plot = c.renderPlot();
        const auto coloured = [&](int trace, double value) {
            const int row = qRound((10 - value) / 10 * (plot.height() - 1));
            int n = 0;
            for (int x = 0; x < plot.width(); ++x)
                n += plot.pixel(x, row) == c.shownTraceColour(trace).rgb() ? 1 : 0;
            return n;
        };
        const int solid = coloured(0, 3), dashes = coloured(1, 7);
        QVERIFY2(solid > plot.width() * 9 / 10, qPrintable(QString::number(solid)));
        QVERIFY2(dashes > solid / 3 && dashes < solid * 2 / 3,
                 qPrintable(QString("%1 of %2").arg(dashes).arg(solid)));
    }

    void viewWithoutABoard_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file"); // empty: refused
        QTest::newRow("--view FILE") << QStringList{"--view", "night.sav"} << "night.sav";
        QTest::newRow("--view=FILE") << QStringList{"--view=night.sav"} << "night.sav";
        QTest::newRow("with a board option")
            << QStringList{"--board", "sim", "--view", "n.sav"} << "n.sav";
        QTest::newRow("no file") << QStringList{"--view"} << QString();
        QTest::newRow("twice") << QStringList{"--view", "a.sav", "--view", "b.sav"} << QString();
    }
    void viewWithoutABoard()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        std::vector<std::string> given;
        for (const QString& a : args)
            given.push_back(a.toStdString());
        const ParsedCommandLine parsed = parseCommandLine(given);
        QCOMPARE(bool(parsed.options), !file.isEmpty());
        if (!parsed.options)
            return;
        QCOMPARE(QString::fromStdString(parsed.options->viewFile), file);

        Logs logs;
        MainWindowBench bench(MainWindowBench::Start::NotLoaded);
        bench.main->show();
        bench.main->viewWithoutBoard(logs.path("b.sav"));
        QVERIFY(readingsDone(*bench.main));
        QCOMPARE(viewers(*bench.main).size(), 1);
        // No firmware, no scan, nothing sent, no polling; the chips' menus stay off.
        QVERIFY(bench.board.firmwarePaths.empty());
        QVERIFY(bench.board.requests.empty());
        QVERIFY(!bench.main->boardWorker().timerActive());
        QVERIFY(!bench.main->findChild<QMenu*>("mZR410B")->isEnabled());
        fileItem(*bench.main, "mExit")->trigger();
        QVERIFY(!bench.main->isVisible());
    }
};

QTEST_MAIN(TestLogViewerWindow)
#include "test_log_viewer_window.moc"
