// SPDX-License-Identifier: MIT
// Decimated drawing against a drawing of every sample: identical pixels, on random data with
// spikes, at every zoom, scrolled or not, drawn at once or column by column as samples arrive
// (through the ring image, across its seam), with or without breaks where readings are missing.

#include "brute_force_plot.h"
#include "graphs/strip_chart/plot_layer.h"
#include "graphs/strip_chart/strip_chart.h"

#include <QApplication>
#include <QTest>
#include <random>

using namespace zr::chart;
using zr::test::paintEverySample;

namespace {

constexpr std::int64_t kStart = 1'796'000'000'000;
constexpr QRgb kRed = 0xffff0000, kBlue = 0xff0000ff;

// Noise around a slow drift, with lone spikes far beyond the axis, short gaps and bursts of
// samples on one millisecond.
void fillRandom(TraceStore& store, int count, unsigned seed, std::int64_t& t)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, 4);
    std::uniform_int_distribution<int> chance(0, 999);
    double level = 25;
    for (int i = 0; i < count; ++i) {
        const int c = chance(rng);
        t += c < 5 ? 0 : c < 8 ? 60'000 : 250 + (c % 7) - 3;
        level += noise(rng) * 0.2;
        double v = level + noise(rng);
        if (c > 990)
            v = (c % 2) ? 1e6 : -400;
        store.append(t, v);
    }
}

PlotLook lookFor(QSize size, int lineWidth, std::int64_t spanMs)
{
    PlotLook look;
    look.size = size;
    look.topValue = 40;
    look.bottomValue = 10;
    look.valueGrid = {15, 20, 25, 30, 35};
    look.timeGrid = chooseTimeStep(spanMs, size.width(), [](int) { return 60; });
    look.lineWidth = lineWidth;
    return look;
}

QImage reference(const PlotLook& look, const ColumnGrid& grid, const std::vector<PlotTrace>& traces,
                 std::int64_t gapMs = 0)
{
    PlotLayer empty;
    empty.render(grid, look, {});
    QImage image = empty.straightImage();
    const ValueMap rows(look.topValue, look.bottomValue, look.size.height());
    for (const PlotTrace& t : traces)
        paintEverySample(image, *t.store, grid, rows, look.lineWidth, t.colour, gapMs);
    return image;
}

// The first column where two images differ, for a readable failure.
QString firstDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return "sizes differ";
    if (a == b)
        return {};
    for (int x = 0; x < a.width(); ++x)
        for (int y = 0; y < a.height(); ++y)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QString("pixel %1,%2: %3 instead of %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixel(x, y), 8, 16)
                    .arg(b.pixel(x, y), 8, 16);
    return {};
}

} // namespace

class DecimationTest : public QObject {
    Q_OBJECT
private slots:
    void wholePlotMatchesEverySample_data();
    void wholePlotMatchesEverySample();
    void liveScrollingMatchesEverySample_data();
    void liveScrollingMatchesEverySample();
    void summariesFollowTheStore_data();
    void summariesFollowTheStore();
    void chartWidgetMatchesEverySample();
    void repaintCostDoesNotGrowWithHistory();
};

void DecimationTest::wholePlotMatchesEverySample_data()
{
    QTest::addColumn<qint64>("columnMs");
    QTest::addColumn<int>("lineWidth");
    QTest::addColumn<int>("columnsBeforeNewest"); // 0: following; more: scrolled back
    QTest::addColumn<qint64>("gapMs");            // 0: the line never breaks
    QTest::newRow("1 ms columns, scrolled back") << qint64(1) << 1 << 2000 << qint64(0);
    QTest::newRow("40 ms columns, following") << qint64(40) << 1 << 0 << qint64(0);
    QTest::newRow("one sample per column") << qint64(250) << 1 << 0 << qint64(0);
    QTest::newRow("few samples per column, scrolled") << qint64(1000) << 1 << 300 << qint64(0);
    QTest::newRow("whole day, thin") << qint64(150'000) << 1 << 0 << qint64(0);
    QTest::newRow("whole day, 2 px line") << qint64(150'000) << 2 << 0 << qint64(0);
    QTest::newRow("hour view, 3 px line, scrolled") << qint64(6'000) << 3 << 150 << qint64(0);
    QTest::newRow("everything in a few columns") << qint64(40'000'000) << 1 << 0 << qint64(0);
    QTest::newRow("gaps, 40 ms columns") << qint64(40) << 1 << 0 << qint64(625);
    QTest::newRow("gaps, few samples per column") << qint64(1000) << 2 << 300 << qint64(625);
    QTest::newRow("gaps inside columns, whole day") << qint64(150'000) << 1 << 0 << qint64(625);
}

void DecimationTest::wholePlotMatchesEverySample()
{
    QFETCH(qint64, columnMs);
    QFETCH(int, lineWidth);
    QFETCH(int, columnsBeforeNewest);
    QFETCH(qint64, gapMs);
    TraceStore a, b;
    a.setGapMs(gapMs);
    b.setGapMs(gapMs);
    std::int64_t ta = kStart, tb = kStart + 90;
    fillRandom(a, 60'000, 1, ta);
    fillRandom(b, 60'000, 2, tb);
    const std::vector<PlotTrace> traces{{&a, kRed}, {&b, kBlue}};

    ColumnGrid grid;
    grid.columnMs = columnMs;
    grid.width = 640;
    grid.firstColumn = grid.columnOf(std::max(ta, tb)) - grid.width + 1 - columnsBeforeNewest;
    const PlotLook look = lookFor(QSize(640, 300), lineWidth, columnMs * 640);

    PlotLayer layer;
    layer.render(grid, look, traces);
    const QString diff =
        firstDifference(layer.straightImage(), reference(look, grid, traces, gapMs));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void DecimationTest::liveScrollingMatchesEverySample_data()
{
    QTest::addColumn<qint64>("columnMs");
    QTest::addColumn<int>("lineWidth");
    QTest::addColumn<qint64>("gapMs");
    QTest::newRow("two minutes, thin") << qint64(200) << 1 << qint64(0);
    QTest::newRow("two minutes, 2 px") << qint64(200) << 2 << qint64(0);
    QTest::newRow("ten seconds, 3 px") << qint64(16) << 3 << qint64(0);
    QTest::newRow("one sample per column, 3 px") << qint64(250) << 3 << qint64(0);
    QTest::newRow("a day") << qint64(135'000) << 1 << qint64(0);
    QTest::newRow("two minutes, gaps") << qint64(200) << 2 << qint64(625);
    QTest::newRow("ten seconds, gaps, 3 px") << qint64(16) << 3 << qint64(625);
}

void DecimationTest::liveScrollingMatchesEverySample()
{
    QFETCH(qint64, columnMs);
    QFETCH(int, lineWidth);
    QFETCH(qint64, gapMs);
    // A following view draws only what each new sample changes, scrolls, is dragged back and
    // forth, and now and then draws everything again for a new vertical range (from the column
    // summaries kept so far); after every step the image must equal a fresh drawing of every
    // sample.
    TraceStore a, b;
    a.setGapMs(gapMs);
    b.setGapMs(gapMs);
    std::int64_t ta = kStart, tb = kStart;
    fillRandom(a, 3'000, 3, ta);
    fillRandom(b, 3'000, 4, tb);
    const std::vector<PlotTrace> traces{{&a, kRed}, {&b, kBlue}};
    ColumnGrid grid;
    grid.columnMs = columnMs;
    grid.width = 480;
    PlotLook look = lookFor(QSize(480, 200), lineWidth, columnMs * 480);
    PlotLayer layer;

    std::mt19937 rng(9);
    std::uniform_int_distribution<int> chance(0, 99);
    int wraps = 0; // times the ring's start passed its end: new columns split across the seam
    for (int step = 0; step < 300; ++step) {
        const int ringBefore = layer.ringStart();
        const std::int64_t before = std::min(a.lastTime(), b.lastTime());
        std::int64_t t = std::max(ta, tb);
        fillRandom(a, 1 + chance(rng) % 3, 100 + step, t);
        ta = t;
        fillRandom(b, 1, 500 + step, tb);
        layer.dataChangedFrom(before);
        grid.firstColumn = grid.columnOf(std::max(ta, tb)) - grid.width + 1;
        if (step % 50 == 25)
            grid.firstColumn -= chance(rng) * 7; // scrolled back
        if (step % 20 == 10)
            look.topValue += 0.5;
        layer.render(grid, look, traces);
        const QString diff =
            firstDifference(layer.straightImage(), reference(look, grid, traces, gapMs));
        QVERIFY2(diff.isEmpty(), qPrintable(QString("step %1: %2").arg(step).arg(diff)));
        wraps += layer.ringStart() < ringBefore && step % 50 != 25 ? 1 : 0;
    }
    if (columnMs <= 250)
        QVERIFY(wraps > 0);
}

// Summaries kept between drawings must not outlive what they summarise: after breaks are drawn
// in, or the history is cleared and filled again, the next drawing reads the store afresh.
void DecimationTest::summariesFollowTheStore_data()
{
    QTest::addColumn<bool>("refill"); // false: the same samples, now with breaks
    QTest::newRow("breaks drawn in later") << false;
    QTest::newRow("cleared and filled again") << true;
}

void DecimationTest::summariesFollowTheStore()
{
    QFETCH(bool, refill);
    TraceStore a;
    std::int64_t t = kStart;
    fillRandom(a, 20'000, 6, t);
    const std::vector<PlotTrace> traces{{&a, kRed}};
    ColumnGrid grid;
    grid.columnMs = 1000;
    grid.width = 640;
    grid.firstColumn = grid.columnOf(t) - grid.width + 1;
    const PlotLook look = lookFor(QSize(640, 300), 1, grid.columnMs * grid.width);
    PlotLayer layer;
    layer.render(grid, look, traces);

    std::int64_t gapMs = 625;
    if (refill) {
        gapMs = 0;
        // The same times, other values: only the store's word tells the columns changed.
        std::vector<std::int64_t> times;
        for (std::size_t i = 0; i < a.size(); ++i)
            times.push_back(a.time(i));
        a.clear();
        for (std::size_t i = 0; i < times.size(); ++i)
            a.append(times[i], 12.0 + double(i % 23));
    } else {
        a.setGapMs(gapMs);
    }
    layer.invalidate();
    layer.render(grid, look, traces);
    const QString diff =
        firstDifference(layer.straightImage(), reference(look, grid, traces, gapMs));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void DecimationTest::chartWidgetMatchesEverySample()
{
    // The chart as the program shows it (this test runs at a device pixel ratio of 2).
    StripChart chart;
    chart.resize(700, 300);
    chart.addTrace(Qt::red, "a");
    chart.addTrace(Qt::blue, "b");
    chart.setAxisMin(10);
    chart.setAxisMax(40);
    chart.setVisibleSpan(10 * 60 * 1000);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QCOMPARE(chart.devicePixelRatioF(), 2.0);

    std::mt19937 rng(5);
    std::normal_distribution<double> noise(25, 3);
    for (int i = 0; i < 6000; ++i) {
        const std::int64_t t = kStart + 250 * i;
        chart.addSample(0, t, i % 997 == 0 ? 1e5 : noise(rng));
        chart.addSample(1, t, noise(rng) - 5);
        if (i % 500 == 0)
            chart.repaint();
    }
    chart.panColumns(-333);
    chart.repaint();
    for (int i = 6000; i < 6100; ++i)
        chart.addSample(0, kStart + 250 * i, noise(rng));
    chart.repaint();

    const ColumnGrid grid = chart.visibleColumns();
    StripChart empty;
    empty.resize(chart.size());
    empty.addTrace(Qt::red, "a");
    empty.setAxisMin(10);
    empty.setAxisMax(40);
    empty.setVisibleSpan(10 * 60 * 1000);
    empty.setClock([&] { return grid.startOf(grid.lastColumn()); });
    empty.panColumns(0);
    QImage expected = empty.renderPlot().copy();
    QCOMPARE(empty.visibleColumns(), grid);
    const ValueMap rows(40, 10, expected.height());
    paintEverySample(expected, chart.traceStore(0), grid, rows, 2, QColor(Qt::red).rgb());
    paintEverySample(expected, chart.traceStore(1), grid, rows, 2, QColor(Qt::blue).rgb());
    const QString diff = firstDifference(chart.plotImage(), expected);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void DecimationTest::repaintCostDoesNotGrowWithHistory()
{
    // Work, not time: a following view draws the same few columns per new sample whether the
    // history is a minute or a day long.
    for (int history : {1'000, 345'600}) {
        TraceStore a;
        std::int64_t t = kStart;
        for (int i = 0; i < history; ++i)
            a.append(t += 250, 20 + (i % 17));
        ColumnGrid grid;
        grid.width = 1000;
        grid.columnMs = (history * 250 + 999) / 999;
        const PlotLook look = lookFor(QSize(1000, 300), 1, grid.columnMs * 1000);
        PlotLayer layer;
        grid.firstColumn = grid.columnOf(t) - grid.width + 1;
        layer.render(grid, look, {{&a, kRed}});
        QCOMPARE(layer.lastDrawnColumns(), std::int64_t{1000});
        std::int64_t most = 0;
        for (int i = 0; i < 100; ++i) {
            layer.dataChangedFrom(a.lastTime());
            a.append(t += 250, 20);
            grid.firstColumn = grid.columnOf(t) - grid.width + 1;
            layer.render(grid, look, {{&a, kRed}});
            most = std::max(most, layer.lastDrawnColumns());
        }
        QVERIFY2(most <= 4, qPrintable(QString("%1 columns").arg(most)));
    }
}

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    DecimationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_decimation.moc"
