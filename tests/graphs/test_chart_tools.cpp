// SPDX-License-Identifier: MIT
// The chart's measuring tools on the real temperature graph window: the statistics panel against
// a plain two-pass computation over the readings given, the cursor readouts and the markers and
// notes as assistive technology reads them.

#include "graphs/strip_chart/statistics_panel.h"
#include "graphs/temp_graph_window.h"
#include "support/fake_services.h"
#include "support/main_window_bench.h"
#include "text/text_rules.h"

#include <QAccessible>
#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <limits>
#include <random>

using namespace zr;
using chart::StatisticsPanel;

namespace {

constexpr qint64 kTickMs = 250;
constexpr qint64 kUnchecked = std::numeric_limits<qint64>::min();

class ScriptedTextPrompt : public TextPrompt {
public:
    std::optional<QString> askText(QWidget*, const QString&, const QString&) override
    {
        return answer;
    }
    std::optional<QString> answer;
};

struct Sample {
    qint64 timeMs;
    float values[2];
};

// A temperature window fed through its own update, keeping what it was given.
struct Window {
    DeviceState state;
    test::FakeClock clock;
    TempGraphWindow w{Chip::A, state, clock};
    std::vector<Sample> given;

    Window()
    {
        w.resize(900, 400);
        w.show();
    }
    qint64 nowMs() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(clock.time.time_since_epoch())
            .count();
    }
    void tick(float internal, float external)
    {
        clock.time += std::chrono::milliseconds(kTickMs);
        logging::TakenReadings r;
        r.values.intTemp = internal;
        r.values.extTemp = external;
        w.UpdateTempGraph(r);
        given.push_back({nowMs(), {internal, external}});
    }
    void missTicks(int count) { clock.time += std::chrono::milliseconds(kTickMs * count); }
    chart::StripChart& chart() { return w.chart(); }
    QStringList accessibleItems()
    {
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&chart());
        QStringList items;
        for (int i = chart().labelCount() + 1; i < iface->childCount(); ++i)
            items << iface->child(i)->text(QAccessible::Name);
        return items;
    }
};

QString timeText(qint64 ms, const char* format = "HH:mm:ss.zzz")
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(format);
}

QString fixed(double v, int decimals)
{
    return QString::fromStdString(text::fixedDecimals(v, decimals));
}

// The figures of the samples in [from, to) as the panel shows them, by a plain two-pass
// computation; the first of equal extremes counts.
QStringList twoPass(const std::vector<Sample>& samples, int trace, qint64 from, qint64 to)
{
    std::vector<const Sample*> in;
    for (const Sample& s : samples)
        if (s.timeMs >= from && s.timeMs < to)
            in.push_back(&s);
    if (in.empty())
        return {"0", "—", "—", "—", "—", "—", "—", "—"};
    double sum = 0;
    const Sample *lo = in[0], *hi = in[0];
    for (const Sample* s : in) {
        sum += s->values[trace];
        lo = s->values[trace] < lo->values[trace] ? s : lo;
        hi = s->values[trace] > hi->values[trace] ? s : hi;
    }
    const double mean = sum / static_cast<double>(in.size());
    double squares = 0;
    for (const Sample* s : in)
        squares += (s->values[trace] - mean) * (s->values[trace] - mean);
    const double sd = std::sqrt(squares / static_cast<double>(in.size() - 1));
    return {QString::number(in.size()),
            fixed(lo->values[trace], 2),
            fixed(hi->values[trace], 2),
            fixed(mean, 2),
            in.size() < 2 ? "—" : fixed(sd, 3),
            fixed(double(hi->values[trace]) - double(lo->values[trace]), 2),
            timeText(lo->timeMs),
            timeText(hi->timeMs)};
}

} // namespace

class ChartToolsTest : public QObject {
    Q_OBJECT
private slots:
    void statistics_data();
    void statistics();
    void cursorReadouts_data();
    void cursorReadouts();
    void markersAndNotes();
};

void ChartToolsTest::statistics_data()
{
    QTest::addColumn<qint64>("spanMs"); // 0: the whole history
    QTest::addColumn<bool>("selection");
    for (bool selection : {false, true}) {
        const char* what = selection ? "between cursors" : "visible";
        QTest::addRow("%s, 2 min", what) << qint64(120'000) << selection;
        QTest::addRow("%s, 10 min", what) << qint64(600'000) << selection;
        QTest::addRow("%s, whole history", what) << qint64(0) << selection;
    }
}

void ChartToolsTest::statistics()
{
    // Twenty minutes of readings in eighths of a degree (ties everywhere), a minute without
    // readings, then a stretch that does not change at all, near the newest end.
    QFETCH(qint64, spanMs);
    QFETCH(bool, selection);
    Window win;
    std::mt19937 rng(26);
    std::normal_distribution<double> noise(0, 0.6);
    auto eighths = [](double v) { return static_cast<float>(std::round(v * 8) / 8); };
    for (int i = 0; i < 4400; ++i)
        win.tick(eighths(25 + noise(rng)), eighths(40 - i * 0.001 + noise(rng)));
    win.missTicks(240);
    const std::size_t constantFrom = win.given.size();
    for (int i = 0; i < 160; ++i)
        win.tick(21.25f, 33.5f);
    for (int i = 0; i < 200; ++i)
        win.tick(eighths(25 + noise(rng)), eighths(35 + noise(rng)));

    chart::StripChart& c = win.chart();
    QVERIFY(!c.statisticsShown());
    QTest::keyClick(&c, Qt::Key_S);
    QVERIFY(c.statisticsShown());
    spanMs ? c.setVisibleSpan(spanMs) : c.showWholeHistory();
    // Cursors on two samples of the constant stretch: a deviation of exactly nothing.
    const qint64 from = win.given[constantFrom + 10].timeMs,
                 to = win.given[constantFrom + 90].timeMs;
    if (selection) {
        c.placeCursorAt(from);
        c.placeCursorAt(to);
    }
    QCoreApplication::processEvents();
    StatisticsPanel* panel = c.statisticsPanel();

    const chart::ColumnGrid grid = c.visibleColumns();
    for (int trace = 0; trace < 2; ++trace) {
        const QStringList expected = selection
                                         ? twoPass(win.given, trace, from, to + 1)
                                         : twoPass(win.given, trace, grid.startMs(), grid.endMs());
        for (int f = 0; f < StatisticsPanel::FigureCount; ++f) {
            auto* label = panel->findChild<QLabel*>(
                StatisticsPanel::figureObjectName(StatisticsPanel::Figure(f), trace));
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(label);
            QVERIFY(iface->text(QAccessible::Name).startsWith(c.traceName(trace) + ' '));
            QCOMPARE(iface->text(QAccessible::Value), expected[f]);
        }
        QVERIFY(panel->text().contains(c.traceName(trace) + '\t' + expected.join('\t') + '\n'));
    }
    if (selection) {
        QCOMPARE(panel
                     ->findChild<QLabel*>(
                         StatisticsPanel::figureObjectName(StatisticsPanel::Deviation, 0))
                     ->text(),
                 "0.000");
    }
    panel->findChild<QPushButton*>("cmdCopy")->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), panel->text());

    // A tick's two readings refresh the panel once.
    const int refreshes = panel->refreshCount();
    win.tick(25, 35);
    QCoreApplication::processEvents();
    QCOMPARE(panel->refreshCount(), refreshes + 1);
}

void ChartToolsTest::cursorReadouts_data()
{
    // Keys and mouse (click at, Shift-drag from-to, as fractions of the plot's width); how many
    // cursors stand then; how far the steps after the first moved the active cursor.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("cursors");
    QTest::addColumn<qint64>("movedMs");
    QTest::newRow("C, then ] twice") << QStringList{"C", "]", "]"} << 1 << 2 * kTickMs;
    QTest::newRow("Ctrl+Right twice, Ctrl+Left")
        << QStringList{"C", "^>", "^>", "^<"} << 1 << kTickMs;
    QTest::newRow("Ctrl+Shift+Right, a column") << QStringList{"C", "^+>"} << 1 << kTickMs;
    QTest::newRow("two cursors") << QStringList{"C", "C"} << 2 << kUnchecked;
    QTest::newRow("C again switches") << QStringList{"C", "C", "C", "["} << 2 << kUnchecked;
    QTest::newRow("Delete removes one") << QStringList{"C", "C", "Del"} << 1 << kUnchecked;
    QTest::newRow("click") << QStringList{"click 0.5"} << 1 << kUnchecked;
    QTest::newRow("Shift-drag") << QStringList{"drag 0.2 0.7"} << 2 << kUnchecked;
}

void ChartToolsTest::cursorReadouts()
{
    QFETCH(QStringList, steps);
    QFETCH(int, cursors);
    QFETCH(qint64, movedMs);
    Window win;
    for (int i = 0; i < 40; ++i)
        win.tick(20 + i * 0.25f, 30 - i * 0.5f);
    chart::StripChart& c = win.chart();
    const QRect plot = c.plotRect();
    auto xAt = [&](const QString& fraction) {
        return QPoint(plot.left() + static_cast<int>(plot.width() * fraction.toDouble()),
                      plot.center().y());
    };
    qint64 firstPlaced = 0;
    for (const QString& step : steps) {
        const QStringList word = step.split(' ');
        if (step == "C")
            QTest::keyClick(&c, Qt::Key_C);
        else if (step == "]" || step == "[")
            QTest::keyClick(&c, step == "]" ? Qt::Key_BracketRight : Qt::Key_BracketLeft);
        else if (step == "^<" || step == "^>")
            QTest::keyClick(&c, step == "^<" ? Qt::Key_Left : Qt::Key_Right, Qt::ControlModifier);
        else if (step == "^+>")
            QTest::keyClick(&c, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
        else if (step == "Del")
            QTest::keyClick(&c, Qt::Key_Delete);
        else if (word[0] == "click")
            QTest::mouseClick(&c, Qt::LeftButton, {}, xAt(word[1]));
        else if (word[0] == "drag") {
            QTest::mousePress(&c, Qt::LeftButton, Qt::ShiftModifier, xAt(word[1]));
            QTest::mouseMove(&c, xAt(word[2]));
            QTest::mouseRelease(&c, Qt::LeftButton, Qt::ShiftModifier, xAt(word[2]));
        }
        if (&step == &steps.front() && c.cursors().count() > 0)
            firstPlaced = c.cursors().time(c.cursors().active());
    }
    QCOMPARE(c.cursors().count(), cursors);
    if (movedMs != kUnchecked)
        QCOMPARE(c.cursors().time(c.cursors().active()) - firstPlaced, movedMs);

    // Each cursor stands on a sample and reads it; between two, the differences and slopes.
    QStringList expected;
    std::vector<const Sample*> at;
    for (int k = 0; k < c.cursors().count(); ++k) {
        const qint64 t = c.cursors().time(k);
        const auto s = std::find_if(win.given.begin(), win.given.end(),
                                    [t](const Sample& g) { return g.timeMs == t; });
        QVERIFY(s != win.given.end());
        at.push_back(&*s);
        expected << QStringLiteral("Cursor %1 at %2: Internal %3°C, External %4°C")
                        .arg(k + 1)
                        .arg(timeText(t), fixed(s->values[0], 2), fixed(s->values[1], 2));
    }
    if (at.size() == 2) {
        const Sample* a =
            std::min(at[0], at[1], [](auto x, auto y) { return x->timeMs < y->timeMs; });
        const Sample* b = at[0] == a ? at[1] : at[0];
        const double minutes = (b->timeMs - a->timeMs) / 60000.0;
        QString between =
            "Between the cursors: Δt " + fixed((b->timeMs - a->timeMs) / 1000.0, 3) + " s";
        for (int trace = 0; trace < 2; ++trace) {
            const double d = double(b->values[trace]) - double(a->values[trace]);
            between += QStringLiteral("; %1 Δ %2°C, %3°C/min")
                           .arg(c.traceName(trace), fixed(d, 2), fixed(d / minutes, 3));
        }
        expected << between;
    }
    QCOMPARE(win.accessibleItems(), expected);
}

void ChartToolsTest::markersAndNotes()
{
    test::MainWindowBench b;
    b.main->showTempGraph(Chip::A);
    TempGraphWindow* w = b.main->tempGraphWindow(Chip::A);
    chart::StripChart& c = w->chart();
    ScriptedTextPrompt prompt;
    c.setTextPrompt(prompt);
    QSignalSpy added(w, &TempGraphWindow::noteAdded);
    QSignalSpy removed(w, &TempGraphWindow::noteRemoved);
    for (int i = 0; i < 8; ++i) {
        b.clock.time += std::chrono::milliseconds(kTickMs);
        b.tick();
    }
    const qint64 newest = c.newestTime();
    const QImage before = c.grab().toImage();

    // A marker of the program, then the user's note: drawn, listed, and only the note deletable.
    w->addMarker("Offset 5");
    prompt.answer = "  chamber door opened ";
    QTest::keyClick(&c, Qt::Key_N);
    prompt.answer.reset(); // cancelled: no note
    QTest::keyClick(&c, Qt::Key_N);
    QCOMPARE(added.size(), 1);
    QCOMPARE(added[0][0].toString(), "chamber door opened");
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&c);
    QStringList listed;
    for (int i = c.labelCount() + 1; i < iface->childCount(); ++i)
        listed << iface->child(i)->text(QAccessible::Name);
    QCOMPARE(listed, QStringList({"Marker at " + timeText(newest) + ": Offset 5",
                                  "Note at " + timeText(newest) + ": chamber door opened"}));

    const QImage after = c.grab().toImage();
    const QRect line =
        iface->child(c.labelCount() + 1)->rect().translated(-c.mapToGlobal(QPoint()));
    int changed = 0;
    for (int y = line.top(); y <= line.bottom(); ++y)
        changed += before.pixel(line.left(), y) != after.pixel(line.left(), y);
    QVERIFY2(changed > line.height() / 2, qPrintable(QString::number(changed)));

    QTest::keyClick(&c, Qt::Key_Delete, Qt::ShiftModifier);
    QTest::keyClick(&c, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed[0][0].toString(), "chamber door opened");
    QCOMPARE(c.markers().size(), std::size_t{1});

    // The markers belong to the chart's history: a window opened again starts without them.
    closeChildWindow(w);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    b.main->showTempGraph(Chip::A);
    QVERIFY(b.main->tempGraphWindow(Chip::A)->chart().markers().empty());
}

QTEST_MAIN(ChartToolsTest)
#include "test_chart_tools.moc"
