// SPDX-License-Identifier: MIT
// The strip chart as the user meets it: following, scrolling and zooming through the history,
// the time axis labels, copying and saving, repaint coalescing, the palette; and the control
// the graph windows drive it through.

#include "graphs/strip_chart/strip_chart.h"
#include "graphs/strip_chart/time_axis.h"
#include "graphs/strip_chart/value_axis.h"
#include "graphs/strip_chart_control.h"
#include "support/comma_locale.h"
#include "support/fake_services.h"
#include "widgets/quick_text.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <clocale>
#include <ctime>

using namespace zr::chart;

namespace {

constexpr std::int64_t kStart = 1'796'000'000'000; // 2026-11-30 00:53:20 UTC
constexpr std::int64_t kSecond = 1000, kMinute = 60 * kSecond, kHour = 60 * kMinute;

// A chart of two traces fed with `count` samples 250 ms apart.
void feed(StripChart& chart, int count, std::int64_t& t)
{
    for (int i = 0; i < count; ++i) {
        t += 250;
        chart.addSample(0, t, 20 + (i % 40) * 0.1);
        chart.addSample(1, t, 30 - (i % 40) * 0.1);
    }
}

void setUpChart(StripChart& chart)
{
    chart.resize(800, 300);
    chart.addTrace(Qt::red, "Internal");
    chart.addTrace(Qt::blue, "External");
    chart.setAxisMin(0);
    chart.setAxisMax(50);
}

} // namespace

class StripChartTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void followsTheNewestSample();
    void scrollsBackAndReturnsWithOneAction();
    void wheelZoomsAndShiftWheelScrolls();
    void wholeHistoryStaysReachable();
    void timeAxisFormatByVisibleSpan_data();
    void timeAxisFormatByVisibleSpan();
    void ticksFallOnRoundLocalTimes();
    void twelveHourTimesAlwaysSayAmOrPm();
    void valueAxisLabels_data();
    void valueAxisLabels();
    void copiesTheVisibleSamplesAsCsv();
    void axisLabelsNeverOverlap_data();
    void axisLabelsNeverOverlap();
    void freshChartFitsItsHistory_data();
    void freshChartFitsItsHistory();
    void offScaleReadingsLeaveAMark();
    void missingReadingsBreakTheLine();
    void aReadingIsMissingPastTwoAndAHalfIntervals_data();
    void aReadingIsMissingPastTwoAndAHalfIntervals();
    void savesThePicture();
    void hiddenChartDoesNotPaint();
    void repaintsAreCoalesced();
    void followsTheSystemPalette();
    void controlTimesAndChecks();
    void quickTextDrawsAsTheFullLayout_data();
    void quickTextDrawsAsTheFullLayout();
};

void StripChartTest::initTestCase()
{
    qputenv("TZ", "UTC");
    tzset();
}

void StripChartTest::followsTheNewestSample()
{
    StripChart chart;
    setUpChart(chart);
    std::int64_t t = kStart;
    feed(chart, 2000, t);
    ColumnGrid grid = chart.visibleColumns();
    QVERIFY(chart.timeView().following());
    QCOMPARE(grid.lastColumn(), grid.columnOf(t));
    QVERIFY(std::abs(grid.width * grid.columnMs - 2 * kMinute) <= grid.width); // two minutes
    feed(chart, 40, t);
    grid = chart.visibleColumns();
    QCOMPARE(grid.lastColumn(), grid.columnOf(t));
}

void StripChartTest::scrollsBackAndReturnsWithOneAction()
{
    StripChart chart;
    setUpChart(chart);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    std::int64_t t = kStart;
    feed(chart, 4000, t);
    const QRect plot = chart.plotRect();

    // Dragging the plot to the right shows earlier samples and stops following.
    const ColumnGrid before = chart.visibleColumns();
    QTest::mousePress(&chart, Qt::LeftButton, {}, plot.center());
    QTest::mouseMove(&chart, plot.center() + QPoint(200, 0));
    QTest::mouseRelease(&chart, Qt::LeftButton, {}, plot.center() + QPoint(200, 0));
    QVERIFY(!chart.timeView().following());
    QCOMPARE(chart.visibleColumns().firstColumn, before.firstColumn - 200);

    // New samples arrive without moving the view.
    const ColumnGrid paused = chart.visibleColumns();
    feed(chart, 100, t);
    QCOMPARE(chart.visibleColumns(), paused);

    // A double click follows again, onto the newest sample.
    QTest::mouseDClick(&chart, Qt::LeftButton, {}, plot.center());
    QVERIFY(chart.timeView().following());
    QCOMPARE(chart.visibleColumns().lastColumn(), chart.visibleColumns().columnOf(t));

    // So do the End key and the context menu's action, and scrolling forward past the end.
    chart.panColumns(-50);
    QTest::keyClick(&chart, Qt::Key_End);
    QVERIFY(chart.timeView().following());
    chart.panColumns(-50);
    chart.findChild<QAction*>("actFollowNewest")->trigger();
    QVERIFY(chart.timeView().following());
    chart.panColumns(-50);
    chart.panColumns(1000);
    QVERIFY(chart.timeView().following());
}

void StripChartTest::wheelZoomsAndShiftWheelScrolls()
{
    StripChart chart;
    setUpChart(chart);
    std::int64_t t = kStart;
    feed(chart, 4000, t);
    const QPointF inPlot = chart.plotRect().center();
    auto wheel = [&](int delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent e(inPlot, chart.mapToGlobal(inPlot), {}, {0, delta}, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(&chart, &e);
    };
    const std::int64_t span = chart.timeView().spanMs();
    wheel(-120, Qt::NoModifier); // away: a longer span, still following
    QVERIFY(chart.timeView().spanMs() > span);
    QVERIFY(chart.timeView().following());
    wheel(240, Qt::NoModifier);
    QVERIFY(chart.timeView().spanMs() < span);

    wheel(3 * 120, Qt::ShiftModifier); // scroll back
    QVERIFY(!chart.timeView().following());
    // Zooming a paused view keeps the time under the mouse where it was.
    const ColumnGrid before = chart.visibleColumns();
    const int x =
        static_cast<int>((inPlot.x() - chart.plotRect().left()) * chart.devicePixelRatioF());
    const std::int64_t under = before.startOf(before.firstColumn + x);
    wheel(120, Qt::NoModifier);
    const ColumnGrid after = chart.visibleColumns();
    QVERIFY(std::abs(after.startOf(after.firstColumn + x) - under) <= 2 * after.columnMs);
}

void StripChartTest::wholeHistoryStaysReachable()
{
    StripChart chart;
    setUpChart(chart);
    std::int64_t t = kStart;
    feed(chart, 30'000, t); // over two hours
    chart.findChild<QAction*>("actWholeHistory")->trigger();
    ColumnGrid grid = chart.visibleColumns();
    QVERIFY(grid.columnOf(kStart + 250) >= grid.firstColumn);
    QCOMPARE(grid.lastColumn(), grid.columnOf(t));
    QVERIFY(chart.timeView().following());

    // Back to two minutes, then as far back as the view goes: it stops at the oldest sample.
    chart.setVisibleSpan(2 * kMinute);
    chart.panColumns(-10'000'000);
    grid = chart.visibleColumns();
    QCOMPARE(grid.lastColumn(), grid.columnOf(kStart + 250));
    QVERIFY(chart.visibleDataCsv().count('\n') > 1);
    // From there the newest sample is one action away, and the plot can be drawn on the way.
    for (int i = 0; i < 5; ++i) {
        chart.panColumns(grid.width * 50);
        QVERIFY(!chart.renderPlot().isNull());
    }
    QTest::keyClick(&chart, Qt::Key_End);
    QCOMPARE(chart.visibleColumns().lastColumn(), chart.visibleColumns().columnOf(t));
}

void StripChartTest::timeAxisFormatByVisibleSpan_data()
{
    QTest::addColumn<qint64>("spanMs");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("firstLabel");
    QTest::newRow("two minutes: seconds") << qint64(2 * kMinute) << 0 << "12:51:30 AM";
    QTest::newRow("half an hour: minutes") << qint64(30 * kMinute) << 1 << "12:25 AM";
    QTest::newRow("a day: hours") << qint64(24 * kHour) << 2 << "03:00 AM";
    QTest::newRow("a month: days") << qint64(30 * 24 * kHour) << 3 << "11/05/26";
    QTest::newRow("a year: months") << qint64(365 * 24 * kHour) << 4 << "Jan, 26";
    QTest::newRow("decades: years") << qint64(20 * 365 * 24 * kHour) << 5 << "2010";
}

void StripChartTest::timeAxisFormatByVisibleSpan()
{
    QFETCH(qint64, spanMs);
    QFETCH(int, format);
    QFETCH(QString, firstLabel);
    const QStringList formats{"%I:%M:%S %p", "%I:%M %p", "%I:%M %p", "%m/%d/%y",
                              "%b, %y",      "%Y",       "%m/%d/%y"};
    // 800 pixels, labels about 70 pixels wide.
    const TimeStep step = chooseTimeStep(spanMs, 800, [](int) { return 70; });
    QCOMPARE(step.formatIndex(), format);
    const std::vector<std::int64_t> ticks = timeTicks(step, kStart - spanMs, kStart);
    QVERIFY(ticks.size() >= 2 && ticks.size() <= 9);
    QCOMPARE(QString::fromStdString(formatLocalTime(ticks.front(), formats[format].toStdString())),
             firstLabel);
}

void StripChartTest::ticksFallOnRoundLocalTimes()
{
    const TimeStep halfMinute{TimeStep::Unit::Second, 30};
    for (std::int64_t t : timeTicks(halfMinute, kStart, kStart + 10 * kMinute))
        QCOMPARE(t % (30 * kSecond), 0);
    // Where the day changes among time-of-day labels, the label is the date.
    const std::vector<std::string> formats{"%I:%M:%S %p", "%I:%M %p", "%I:%M %p", "%m/%d/%y",
                                           "%b, %y",      "%Y",       "%d.%m."};
    const TimeStep twoHours{TimeStep::Unit::Hour, 2};
    std::vector<std::string> labels;
    for (std::int64_t t : timeTicks(twoHours, kStart, kStart + 6 * kHour))
        labels.push_back(timeLabel(twoHours, t, formats));
    QCOMPARE(labels, (std::vector<std::string>{"02:00 AM", "04:00 AM", "06:00 AM"}));
    labels.clear();
    for (std::int64_t t : timeTicks(twoHours, kStart + 20 * kHour, kStart + 26 * kHour))
        labels.push_back(timeLabel(twoHours, t, formats));
    QCOMPARE(labels, (std::vector<std::string>{"10:00 PM", "01.12.", "02:00 AM"}));
    const TimeStep day{TimeStep::Unit::Day, 1};
    const std::vector<std::int64_t> midnights = timeTicks(day, kStart, kStart + 72 * kHour);
    QCOMPARE(midnights.size(), std::size_t{3});
    for (std::int64_t t : midnights)
        QVERIFY(isLocalMidnight(t));
    // In a zone ahead of UTC the ticks follow local time, not UTC.
    qputenv("TZ", "UTC-5:30");
    tzset();
    for (std::int64_t t : timeTicks({TimeStep::Unit::Hour, 1}, kStart, kStart + 5 * kHour))
        QCOMPARE((t + 5 * kHour + 30 * kMinute) % kHour, 0);
    qputenv("TZ", "UTC");
    tzset();
}

void StripChartTest::twelveHourTimesAlwaysSayAmOrPm()
{
    // German has no AM/PM designators: strftime's %p alone would print nothing there.
    // tools/install-deps.sh generates the locale; elsewhere it is built here from its source.
    const std::string before = std::setlocale(LC_TIME, nullptr);
    QTemporaryDir locales;
    if (!std::setlocale(LC_TIME, "de_DE.UTF-8")) {
        const QString built = locales.filePath("de_DE.UTF-8");
        QProcess localedef;
        localedef.start("localedef", {"-i", "de_DE", "-f", "UTF-8", built});
        localedef.waitForFinished(60000);
        qputenv("LOCPATH", locales.path().toLocal8Bit());
        if (!std::setlocale(LC_TIME, "de_DE.UTF-8")) {
            qunsetenv("LOCPATH");
            QSKIP(
                "no de_DE.UTF-8 locale, and no source to build it from: run tools/install-deps.sh");
        }
    }
    const std::int64_t evening = kStart - 53 * kMinute - 20 * kSecond + 18 * kHour + 20 * kMinute;
    const QString pm = QString::fromStdString(formatLocalTime(evening, "%I:%M:%S %p"));
    const QString am = QString::fromStdString(formatLocalTime(evening - 12 * kHour, "%I:%M %p"));
    const QString percent = QString::fromStdString(formatLocalTime(evening, "%%p %b"));
    std::setlocale(LC_TIME, before.c_str());
    qunsetenv("LOCPATH");
    QCOMPARE(pm, QString("06:20:00 PM"));
    QCOMPARE(am, QString("06:20 AM"));
    QCOMPARE(percent, QString("%p Nov")); // the rest still follows the locale
}

void StripChartTest::valueAxisLabels_data()
{
    QTest::addColumn<double>("end1");
    QTest::addColumn<double>("end2");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("temperatures") << -300.0 << 300.0
                                  << QStringList{"-300", "-200", "-100", "0", "100", "200", "300"};
    QTest::newRow("volts, half steps")
        << 1.0 << 3.0 << QStringList{"1.0", "1.5", "2.0", "2.5", "3.0"};
    QTest::newRow("ends the wrong way round")
        << 0.2 << -0.2 << QStringList{"-0.2", "-0.1", "0.0", "0.1", "0.2"};
}

void StripChartTest::valueAxisLabels()
{
    QFETCH(double, end1);
    QFETCH(double, end2);
    QFETCH(QStringList, labels);
    zr::test::CommaDecimalLocale comma; // a German bench PC still reads "2.5"
    const ValueTicks ticks = valueTicks(end1, end2, 6);
    QStringList texts;
    for (double v : ticks.values)
        texts.append(QString::fromStdString(valueLabel(v, ticks.step)));
    QCOMPARE(texts, labels);
}

void StripChartTest::copiesTheVisibleSamplesAsCsv()
{
    zr::test::CommaDecimalLocale comma;
    StripChart chart;
    setUpChart(chart);
    const std::int64_t t0 = kStart;
    chart.addSample(0, t0, 24.75);
    chart.addSample(1, t0, -3.1);
    chart.addSample(0, t0 + 250, 25.12f);
    chart.addSample(1, t0 + 251, 1e-3); // a trace without a sample at some time
    QCOMPARE(chart.visibleDataCsv(), "Time,Internal,External\n"
                                     "2026-11-30 00:53:20.000,24.75,-3.1\n"
                                     "2026-11-30 00:53:20.250,25.12,\n"
                                     "2026-11-30 00:53:20.251,,0.001\n");
    chart.findChild<QAction*>("actCopyData")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), chart.visibleDataCsv());

    // Scrolled back, only what is in view is copied.
    std::int64_t t = t0 + 251;
    feed(chart, 10'000, t);
    chart.panColumns(-5000);
    const ColumnGrid grid = chart.visibleColumns();
    const QStringList rows = chart.visibleDataCsv().split('\n', Qt::SkipEmptyParts);
    QVERIFY(std::abs((rows.size() - 1) - (grid.endMs() - grid.startMs()) / 250) <= 1);
}

void StripChartTest::savesThePicture()
{
    StripChart chart;
    setUpChart(chart);
    std::int64_t t = kStart;
    feed(chart, 100, t);
    QTemporaryDir dir;
    const QString path = dir.filePath("chart.png");
    QVERIFY(chart.saveImage(path));
    QImage saved(path);
    QCOMPARE(saved.size(), chart.size() * chart.devicePixelRatioF());
    // The menu asks for a file and adds the extension when it is missing; a cancel does nothing
    // and a file that cannot be written is told in a box, not silently dropped.
    zr::test::FakeFileChooser files;
    zr::test::FakePrompts prompts;
    chart.setDialogs(files, prompts);
    files.paths = {dir.filePath("picked"), QString(), dir.filePath("missing/folder/chart")};
    QAction* save = chart.findChild<QAction*>("actSaveImage");
    save->trigger();
    QVERIFY(QFile::exists(dir.filePath("picked.png")));
    save->trigger();
    QVERIFY(prompts.messages.isEmpty());
    save->trigger();
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].icon, zr::MessageIcon::Warning);
    QCOMPARE(prompts.messages[0].text,
             "The image could not be saved to " +
                 QDir::toNativeSeparators(dir.filePath("missing/folder/chart.png")) + ".");
    QCOMPARE(files.calls.size(), 3);
    QCOMPARE(files.calls[0].filter, QString("PNG image (*.png)"));
}

void StripChartTest::hiddenChartDoesNotPaint()
{
    StripChart chart;
    setUpChart(chart);
    std::int64_t t = kStart;
    feed(chart, 1000, t);
    QTest::qWait(30);
    QCOMPARE(chart.paintCount(), 0);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QTRY_VERIFY(chart.paintCount() > 0);
    chart.hide();
    const int painted = chart.paintCount();
    feed(chart, 1000, t);
    QTest::qWait(30);
    QCOMPARE(chart.paintCount(), painted);
}

void StripChartTest::repaintsAreCoalesced()
{
    StripChart chart;
    setUpChart(chart);
    chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chart));
    QTest::qWait(40);
    const int before = chart.paintCount();
    std::int64_t t = kStart;
    feed(chart, 300, t); // 600 samples in one event-loop turn
    chart.setAxisMax(60);
    QTRY_VERIFY(chart.paintCount() > before);
    QTest::qWait(40);
    QCOMPARE(chart.paintCount(), before + 1);
}

void StripChartTest::followsTheSystemPalette()
{
    StripChart chart;
    setUpChart(chart);
    std::int64_t t = kStart;
    feed(chart, 10, t);
    QPalette dark = chart.palette();
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(220, 220, 220));
    chart.setPalette(dark);
    const QImage& plot = chart.renderPlot();
    QCOMPARE(plot.pixelColor(2, 3), QColor(30, 30, 30));
    chart.setAxisMin(20);
    chart.setAxisMax(21);
    // The traces keep their fixed colours (drawn once, then searched).
    const QImage redrawn = chart.renderPlot();
    bool red = false;
    for (int x = 0; x < redrawn.width() && !red; ++x)
        for (int y = 0; y < redrawn.height() && !red; ++y)
            red = redrawn.pixelColor(x, y) == QColor(Qt::red);
    QVERIFY(red);
}

void StripChartTest::controlTimesAndChecks()
{
    zr::test::FakeClock clock;
    StripChart chart;
    setUpChart(chart);
    chart.addLabel({"a", Qt::black, {}, {0.9, 0.1}});
    zr::StripChartControl control(chart, clock);
    const qint64 now =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock.time.time_since_epoch())
            .count();

    // The traces of one reading share its time, even when the clock moves on meanwhile.
    control.AddSample(0, 1.5);
    clock.time += std::chrono::milliseconds(3);
    control.AddSample(1, 2.5);
    QCOMPARE(chart.traceStore(0).time(0), now);
    QCOMPARE(chart.traceStore(1).time(0), now);
    // The next reading of trace 0 takes a new time.
    control.AddSample(0, 1.75);
    QCOMPARE(chart.traceStore(0).time(1), now + 3);

    QVERIFY_THROWS_EXCEPTION(std::out_of_range, control.AddSample(2, 1));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, control.AddSample(-1, 1));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, control.setLabelIndex(1));
    control.setLabelIndex(0);
    control.setCaption("b");
    QCOMPARE(chart.label(0).text, "b");
    control.setAxisMin(-7);
    control.setAxisMax(300);
    QCOMPARE(control.AxisMin(), -7.0);
    QCOMPARE(control.AxisMax(), 300.0);
    // An empty chart's time axis runs on the same clock.
    StripChart empty;
    empty.resize(400, 200);
    zr::StripChartControl emptyControl(empty, clock);
    QCOMPARE(empty.newestTime(), now + 3);
}

void StripChartTest::axisLabelsNeverOverlap_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("extraPoints"); // a larger font than the default
    QTest::addColumn<int>("axisEnd");     // the value axis runs from -axisEnd to axisEnd
    QTest::newRow("smallest") << QSize(160, 120) << 0 << 300;
    QTest::newRow("smallest, larger font") << QSize(160, 120) << 2 << 300;
    QTest::newRow("narrow and tall") << QSize(180, 700) << 0 << 5;
    QTest::newRow("wide and flat") << QSize(1500, 125) << 2 << 300;
    QTest::newRow("window size") << QSize(768, 330) << 0 << 300;
    QTest::newRow("maximised") << QSize(1900, 1000) << 2 << 16;
}

void StripChartTest::axisLabelsNeverOverlap()
{
    QFETCH(QSize, size);
    QFETCH(int, extraPoints);
    QFETCH(int, axisEnd);
    StripChart chart;
    setUpChart(chart);
    chart.resize(size);
    QFont font = chart.font();
    font.setPointSizeF(font.pointSizeF() + extraPoints);
    chart.setFont(font);
    chart.setAxisMin(-axisEnd);
    chart.setAxisMax(axisEnd);
    std::int64_t t = kStart;
    feed(chart, 400, t);
    // Every span moves the time labels against the value labels in another way.
    for (std::int64_t span = 2 * kSecond; span <= 3 * 24 * kHour; span = span * 3 / 2) {
        chart.setVisibleSpan(span);
        const std::vector<QRectF> boxes = chart.axisLabelBoxes();
        QVERIFY(!boxes.empty());
        for (std::size_t i = 0; i < boxes.size(); ++i)
            for (std::size_t j = i + 1; j < boxes.size(); ++j)
                QVERIFY2(
                    !boxes[i].intersects(boxes[j]),
                    qPrintable(
                        QString("span %1 ms: labels %2 and %3 overlap").arg(span).arg(i).arg(j)));
    }
}

void StripChartTest::freshChartFitsItsHistory_data()
{
    QTest::addColumn<int>("samples"); // 250 ms apart
    QTest::addColumn<qint64>("spanMs");
    QTest::newRow("empty") << 0 << qint64(10 * kSecond);
    QTest::newRow("five seconds") << 20 << qint64(10 * kSecond);
    QTest::newRow("25 seconds") << 100 << qint64(30 * kSecond);
    QTest::newRow("75 seconds") << 300 << qint64(2 * kMinute);
    QTest::newRow("an hour") << 14'400 << qint64(2 * kMinute);
}

void StripChartTest::freshChartFitsItsHistory()
{
    QFETCH(int, samples);
    QFETCH(qint64, spanMs);
    StripChart chart;
    setUpChart(chart);
    std::int64_t t = kStart;
    chart.setClock([&] { return t; });
    feed(chart, samples, t);
    QCOMPARE(chart.timeView().spanMs(), spanMs);
    QVERIFY(chart.pausedTagBox().isEmpty());
    // Scrolled back: the tag says so, inside the plot; a double click follows again.
    chart.panColumns(-5);
    if (samples > 0) {
        QVERIFY(!chart.timeView().following());
        QVERIFY(QRectF(chart.plotRect()).contains(chart.pausedTagBox()));
        QVERIFY(!chart.pausedTagBox().isEmpty());
    }
    QTest::mouseDClick(&chart, Qt::LeftButton, {}, chart.plotRect().center());
    QVERIFY(chart.pausedTagBox().isEmpty());
    // Once the user zooms, the span is theirs.
    chart.zoomBy(0.5, 10);
    const std::int64_t chosen = chart.timeView().spanMs();
    feed(chart, 400, t);
    QCOMPARE(chart.timeView().spanMs(), chosen);
}

void StripChartTest::offScaleReadingsLeaveAMark()
{
    // With the range frozen at 0..50, readings above and below it mark the top and bottom edge
    // in their trace's colour instead of vanishing.
    StripChart chart;
    setUpChart(chart);
    std::int64_t t = kStart;
    feed(chart, 40, t);
    for (int i = 0; i < 20; ++i) {
        t += 250;
        chart.addSample(0, t, 80);
        chart.addSample(1, t, -10);
    }
    const QImage plot = chart.renderPlot();
    const int x = plot.width() - 2;
    QCOMPARE(plot.pixelColor(x, 0), QColor(Qt::red));
    QCOMPARE(plot.pixelColor(x, plot.height() - 1), QColor(Qt::blue));
    QVERIFY(plot.pixelColor(x, plot.height() / 2) != QColor(Qt::red));
}

void StripChartTest::missingReadingsBreakTheLine()
{
    // Ten seconds without readings (a lost board) between two stretches at 250 ms: nothing is
    // drawn across them, and the copied data has an empty row where they are missing.
    StripChart chart;
    setUpChart(chart);
    chart.setSampleInterval(250);
    chart.setVisibleSpan(60 * kSecond);
    std::int64_t t = kStart;
    feed(chart, 40, t);
    const std::int64_t lastBefore = t;
    t += 10 * kSecond;
    feed(chart, 40, t);
    const QImage plot = chart.renderPlot();
    const ColumnGrid grid = chart.visibleColumns();
    for (std::int64_t c = grid.columnOf(lastBefore) + 2; c < grid.columnOf(lastBefore + 9750); ++c)
        for (int y = 0; y < plot.height(); ++y) {
            const QColor pixel = plot.pixelColor(static_cast<int>(c - grid.firstColumn), y);
            QVERIFY2(pixel != QColor(Qt::red) && pixel != QColor(Qt::blue),
                     qPrintable(QString("trace drawn at column %1, row %2").arg(c).arg(y)));
        }
    const QStringList rows = chart.visibleDataCsv().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 1 + 80 + 1);
    QVERIFY(rows[41].endsWith(".250,,"));
    QVERIFY(!rows[40].endsWith(",,"));
    QVERIFY(!rows[42].endsWith(",,"));
}

// A late reading is a missing one only past two and a half intervals; the rule holds whether the
// interval was set before the trace was added or after its samples came (breaks worked out again).
void StripChartTest::aReadingIsMissingPastTwoAndAHalfIntervals_data()
{
    QTest::addColumn<qint64>("spacingMs");
    QTest::addColumn<bool>("intervalFirst");
    QTest::addColumn<bool>("breaks");
    for (const bool first : {true, false}) {
        const char* when = first ? "interval first" : "interval after";
        QTest::addRow("625 ms, %s", when) << qint64(625) << first << false;
        QTest::addRow("626 ms, %s", when) << qint64(626) << first << true;
    }
}

void StripChartTest::aReadingIsMissingPastTwoAndAHalfIntervals()
{
    QFETCH(qint64, spacingMs);
    QFETCH(bool, intervalFirst);
    QFETCH(bool, breaks);
    StripChart chart;
    if (intervalFirst)
        chart.setSampleInterval(250);
    chart.addTrace(Qt::red, "a");
    chart.addSample(0, kStart, 20);
    chart.addSample(0, kStart + 250, 21);
    chart.addSample(0, kStart + 250 + spacingMs, 22);
    if (!intervalFirst)
        chart.setSampleInterval(250);
    QVERIFY(!chart.traceStore(0).gapBefore(1));
    QCOMPARE(chart.traceStore(0).gapBefore(2), breaks);
}

void StripChartTest::quickTextDrawsAsTheFullLayout_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("quick");
    QTest::newRow("temperature") << QStringLiteral("External: -512.98°C") << true;
    QTest::newRow("rail") << QStringLiteral("2.5V: 10.00V") << true;
    QTest::newRow("accented") << QStringLiteral("Température: 25,00°C") << true;
    QTest::newRow("combining accent") << QStringLiteral("Tempe\u0301rature") << false;
    QTest::newRow("another script") << QStringLiteral("Температура: 25.00°C") << false;
    QTest::newRow("empty") << QString() << true;
}

void StripChartTest::quickTextDrawsAsTheFullLayout()
{
    QFETCH(QString, text);
    QFETCH(bool, quick);
    QFont font;
    font.setFamilies({"DejaVu Sans"});
    font.setPointSizeF(8.25);
    zr::QuickText laidOut;
    laidOut.setText(text, font);
    QCOMPARE(laidOut.isQuick(), quick);
    const QFontMetricsF metrics(font);
    QVERIFY(std::abs(laidOut.size().width() - metrics.horizontalAdvance(text)) < 1);
    QVERIFY(std::abs(laidOut.size().height() - (metrics.ascent() + metrics.descent())) < 1);

    // Pixel for pixel what the painter draws of the same text.
    auto picture = [&](auto draw) {
        QImage image(240, 24, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setFont(font);
        p.setPen(Qt::black);
        draw(p);
        return image;
    };
    const QImage ours = picture([&](QPainter& p) { laidOut.draw(p, QPointF(3, 2)); });
    const QImage theirs = picture([&](QPainter& p) {
        p.drawText(QRectF(3, 2, 237, 22), Qt::AlignLeft | Qt::AlignTop, text);
    });
    QCOMPARE(ours, theirs);
}

QTEST_MAIN(StripChartTest)
#include "test_strip_chart.moc"
