// SPDX-License-Identifier: MIT
// The temperature and voltage graph windows: what one update reads, plots and writes into the
// legend, the automatic range with its hysteresis, and their life under the main window.

#include "board/board_lost_error.h"
#include "graphs/temp_graph_window.h"
#include "graphs/volt_graph_window.h"
#include "platform/child_window.h"
#include "platform/readable_colour.h"
#include "shell/main_window.h"
#include "simulated_chips.h"
#include "support/board_wait.h"
#include "support/fake_services.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QGroupBox>
#include <QMdiArea>
#include <QScopeGuard>
#include <QTest>
#include <QTime>
#include <cstdlib>
#include <ctime>
#include <optional>

using namespace zr;
using zr::test::ChipReadings;
using zr::test::FakeClock;
using zr::test::RecordingBoard;
using zr::test::SimulatedChips;

namespace {

constexpr int kAddressA = 72;
constexpr int kAddressB = 76;

struct Bench {
    DeviceState state;
    RecordingBoard board;
    SimulatedChips chips{board};
    FakeClock clock;

    Bench()
    {
        board.refuseUserInterfaceThread = true;
        state.AddressA = kAddressA;
        state.AddressB = kAddressB;
        chips.chip(kAddressA).deviceId = 132;
        chips.chip(kAddressB).deviceId = 133;
    }
    void tick() { clock.time += std::chrono::milliseconds(250); }

    // What a tick's step reads for a window standing alone, read on a board worker.
    logging::TakenReadings temps(Chip chip) { return read({PolledWindow::TempGraph, chip}); }
    logging::TakenReadings volts() { return read({PolledWindow::VoltGraph, Chip::B}); }
    logging::TakenReadings read(const TickStep& step)
    {
        if (!worker)
            worker = std::make_unique<BoardWorker>(state, board);
        return test::readOnWorker(*worker, step);
    }
    std::unique_ptr<BoardWorker> worker;
};

// The same bench under the main window, with prompts, files and links that answer nothing.
struct MainBench : Bench {
    test::FakePrompts prompts;
    test::FakeFileChooser files;
    test::FakeUrlOpener urls;
    MainWindow main{{state, board, prompts, files, urls, clock, "/nowhere"}};

    // Finds the chips; the test makes the ticks itself.
    bool load()
    {
        if (!main.MDIForm_Load())
            return false;
        main.boardWorker().stopTimer();
        return true;
    }

    // One tick of the main window, drawn.
    void poll()
    {
        main.Timer1_Timer();
        QVERIFY(test::waitForBoard(main));
    }
};

// The frames sent to the board (direction 0), as address and command.
QList<QPair<int, int>> sentFrames(const RecordingBoard& board)
{
    QList<QPair<int, int>> frames;
    for (const auto& r : board.requests)
        if (r.direction == kDirectionToBoard && r.sent.size() >= 4)
            frames.append({r.sent[0], r.sent[3]});
    return frames;
}

qint64 msSinceEpoch(std::chrono::system_clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class GraphWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void designState();
    void temperatureRange_data();
    void temperatureRange();
    void temperatureLegend_data();
    void temperatureLegend();
    void voltageRange_data();
    void voltageRange();
    void voltageLegend_data();
    void voltageLegend();
    void legendLinesStayPut_data();
    void legendLinesStayPut();
    void updateSetsAddressFirstAndPlotsAtClockTime();
    void lostBoardPlotsNothing();
    void failedReadPlotsNothing();
    void openCloseReopenThroughTheMenus();
    void eachWindowReadsItsOwnChipInTickOrder();
    void minimisedWindowKeepsSamplesWithoutDrawing();
    void chartColoursReadableOnThePalette_data();
    void chartColoursReadableOnThePalette();
    void chartTakesFourFifths_data();
    void chartTakesFourFifths();
    void wallClockStepNeitherFreezesNorTears_data();
    void wallClockStepNeitherFreezesNorTears();
    void plotAndTitleDrawnInPlace();
};

void GraphWindowsTest::initTestCase()
{
    QLocale::setDefault(QLocale::c());
    qputenv("TZ", "UTC");
    tzset();
}

void GraphWindowsTest::designState()
{
    Bench b;
    TempGraphWindow tempA(Chip::A, b.state, b.clock);
    TempGraphWindow tempB(Chip::B, b.state, b.clock);
    VoltGraphWindow volt(Chip::B, b.state, b.clock);
    QCOMPARE(tempA.objectName(), "frmTempGraphA");
    QCOMPARE(tempB.objectName(), "frmTempGraphB");
    QCOMPARE(tempA.windowTitle(), "Temperature Graph");
    QCOMPARE(volt.windowTitle(), "ZR410B Voltage Graph");

    struct Label {
        QString text;
        QColor colour;
        QPointF at;
    };
    const QColor red(255, 0, 0), blue(0, 0, 255), black(0, 0, 0), green(0, 128, 0);
    const QList<Label> tempLabels{{"Remote: ", red, {0.90, 0.14}},
                                  {"External:", blue, {0.90, 0.21}},
                                  {QStringLiteral("Temperature (°C)"), black, {0.90, 0.07}},
                                  {"ZR410B", green, {0.44, 0.12}}};
    const QList<Label> voltLabels{{"12V", red, {0.90, 0.14}},
                                  {"5V", blue, {0.90, 0.21}},
                                  {"Vcc", QColor(0, 0, 128), {0.90, 0.28}},
                                  {"2.5V", QColor(0, 255, 0), {0.90, 0.35}},
                                  {"Vccp", black, {0.90, 0.42}},
                                  {"ZR410B", green, {0.44, 0.12}},
                                  {"Voltage (V)", black, {0.90, 0.07}}};
    QCOMPARE(tempA.chart().label(3).text, "ZR410A");
    for (auto [chart, labels, objectName] : {std::tuple{&tempB.chart(), tempLabels, "stpTemp"},
                                             std::tuple{&volt.chart(), voltLabels, "stpVolt"}}) {
        QCOMPARE(chart->objectName(), objectName);
        QCOMPARE(chart->labelCount(), labels.size());
        for (int i = 0; i < labels.size(); ++i) {
            const chart::TextLabel& l = chart->label(i);
            QCOMPARE(l.text, labels[i].text);
            QCOMPARE(l.colour, labels[i].colour);
            QVERIFY(qFuzzyCompare(l.position.x(), labels[i].at.x()));
            QVERIFY(qFuzzyCompare(l.position.y(), labels[i].at.y()));
            const bool title = l.text == "ZR410B";
            QCOMPARE(l.font.pointSizeF(), title ? 13.5 : 8.25);
            QCOMPARE(l.font.bold(), title);
            QCOMPARE(l.font.underline(), title);
            QVERIFY(QFontMetrics(l.font).inFont(QChar(0xB0))); // the degree sign draws
        }
    }
    QCOMPARE(tempA.chart().traceCount(), 2);
    QCOMPARE(tempA.chart().traceColour(0), red);
    QCOMPARE(tempA.chart().traceColour(1), blue);
    QCOMPARE(volt.chart().traceCount(), 5);
    QCOMPARE(volt.chart().traceColour(2), QColor(0, 0, 128));
    QCOMPARE(volt.chart().traceColour(3), QColor(0, 255, 0));
    QCOMPARE(volt.chart().traceColour(4), black);
    QCOMPARE(tempA.chart().axisMin(), -300.0);
    QCOMPARE(tempA.chart().axisMax(), 300.0);
    QCOMPARE(volt.chart().axisMin(), -1.0);
    QCOMPARE(volt.chart().axisMax(), 16.0);
    for (QWidget* w : {static_cast<QWidget*>(&tempA), static_cast<QWidget*>(&volt)}) {
        auto* frame = w->findChild<QGroupBox*>("Frame1");
        auto* box = w->findChild<QCheckBox*>("chkAutoAdjust");
        QVERIFY(frame && box);
        QCOMPARE(frame->title(), "Graph Options");
        QCOMPARE(box->text(), "Automatically Adjust Graph Range");
        QVERIFY(box->isChecked());
        QCOMPARE(box->parentWidget(), frame);
    }
}

void GraphWindowsTest::temperatureRange_data()
{
    // Per update: internal, external reading, then the axis ends expected after it.
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QList<double>>("steps");
    QTest::newRow("first update pulls -300..300 around the readings")
        << true << QList<double>{24.75, 31.25, 15, 41};
    QTest::newRow("halves to even keep 15..41, reaching the top moves it, a rising low moves")
        << true << QList<double>{24.75, 31.25, 15, 41, 25.5, 32.5, 15, 41,
                                 25.5,  41.0,  15, 51, 36.0, 41.0, 26, 51};
    // On an end the range moves; at the far edge of the slack it stays.
    QTest::newRow("lowest reading exactly on the minimum moves it")
        << true << QList<double>{24.75, 31.25, 15, 41, 15.0, 30.0, 5, 41};
    QTest::newRow("readings exactly at the slack's far edges keep 15..41")
        << true << QList<double>{24.75, 31.25, 15, 41, 35.0, 35.0, 15, 41, 21.0, 21.0, 15, 41};
    QTest::newRow("internal above external") << true << QList<double>{30, 20, 10, 40};
    QTest::newRow("equal readings") << true << QList<double>{25, 25, 15, 35};
    QTest::newRow("22.5 rounds to 22, 23.5 to 24") << true << QList<double>{22.5, 23.5, 12, 34};
    QTest::newRow("below zero, -5.5 rounds to -6") << true << QList<double>{-5.5, -20.25, -30, 4};
    QTest::newRow("falling far below the range")
        << true << QList<double>{24.75, 31.25, 15, 41, 0, 1, -10, 11};
    QTest::newRow("unticked, the range never changes")
        << false << QList<double>{24.75, 31.25, -300, 300, 100, 200, -300, 300};
}

void GraphWindowsTest::temperatureRange()
{
    QFETCH(bool, ticked);
    QFETCH(QList<double>, steps);
    Bench b;
    TempGraphWindow w(Chip::A, b.state, b.clock);
    w.autoAdjustBox()->setChecked(ticked);
    for (int i = 0; i + 3 < steps.size(); i += 4) {
        b.chips.chip(kAddressA).temperatures = {steps[i], steps[i + 1]};
        b.tick();
        w.UpdateTempGraph(b.temps(Chip::A));
        QCOMPARE(w.chart().axisMin(), steps[i + 2]);
        QCOMPARE(w.chart().axisMax(), steps[i + 3]);
    }
}

void GraphWindowsTest::temperatureLegend_data()
{
    QTest::addColumn<double>("internal");
    QTest::addColumn<double>("external");
    QTest::addColumn<QString>("label0");
    QTest::addColumn<QString>("label1");
    QTest::addColumn<QString>("range"); // as a screen reader reads it, after the first update
    QTest::newRow("typical") << 24.5 << 31.25 << QStringLiteral("Internal: 24.50°C")
                             << QStringLiteral("External: 31.25°C") << "14 to 41";
    QTest::newRow("below zero") << -5.5 << 0.0 << QStringLiteral("Internal: -5.50°C")
                                << QStringLiteral("External: 0.00°C") << "-16 to 10";
    QTest::newRow("a count below zero") << -0.125 << 511.0 << QStringLiteral("Internal: -0.12°C")
                                        << QStringLiteral("External: 511.00°C") << "-10 to 521";
    QTest::newRow("ends of the scale") << -512.98 << 100.0 << QStringLiteral("Internal: -512.98°C")
                                       << QStringLiteral("External: 100.00°C") << "-523 to 110";
}

void GraphWindowsTest::temperatureLegend()
{
    QFETCH(double, internal);
    QFETCH(double, external);
    QFETCH(QString, label0);
    QFETCH(QString, label1);
    QFETCH(QString, range);
    Bench b;
    TempGraphWindow w(Chip::B, b.state, b.clock);
    QAccessibleInterface* chart = QAccessible::queryAccessibleInterface(&w.chart());
    QCOMPARE(chart->role(), QAccessible::Chart);
    QCOMPARE(chart->text(QAccessible::Name), "ZR410B"); // the title
    auto readOut = [chart] {
        QStringList texts;
        for (int i = 0; i < chart->childCount(); ++i)
            texts << chart->child(i)->text(QAccessible::Name);
        return texts;
    };
    QCOMPARE(readOut().constLast(), "Vertical range: -300 to 300");

    b.chips.chip(kAddressB).temperatures = {internal, external};
    w.UpdateTempGraph(b.temps(Chip::B));
    QCOMPARE(w.chart().label(0).text, label0);
    QCOMPARE(w.chart().label(1).text, label1);
    QCOMPARE(w.chart().label(2).text, QStringLiteral("Temperature (°C)"));
    QCOMPARE(w.chart().label(3).text, "ZR410B");
    // The same interface, read again, tells the new legend texts and range.
    QCOMPARE(readOut(), (QStringList{label0, label1, QStringLiteral("Temperature (°C)"), "ZR410B",
                                     "Vertical range: " + range}));
}

void GraphWindowsTest::voltageRange_data()
{
    // Per update: the five rails, then the axis ends expected after it.
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QList<double>>("steps");
    QTest::newRow("typical readings keep -1..16")
        << true << QList<double>{12.05, 5.02, 3.31, 2.49, 1.20, -1, 16};
    QTest::newRow("rails unpowered") << true << QList<double>{0, 0, 0, 0, 0, -1, 4};
    QTest::newRow("12V reaching the top moves it")
        << true << QList<double>{16.4, 5.02, 3.31, 2.49, 1.20, -1, 20};
    QTest::newRow("2.5 rounds to 2") << true << QList<double>{2.5, 2.5, 2.5, 2.5, 2.5, -1, 6};
    QTest::newRow("3.5 rounds to 4") << true << QList<double>{3.5, 3.5, 3.5, 3.5, 3.5, -1, 8};
    QTest::newRow("all at 40 or more leave the low end at 40")
        << true << QList<double>{45, 50, 41, 60, 42, 36, 64};
    QTest::newRow("a rising low end moves, then stays within the slack")
        << true
        << QList<double>{12.05, 11.0, 10.0, 9.6, 9.0, 5, 16, 12.05, 11.0, 10.0, 9.6, 12.4, 5, 16};
    QTest::newRow("unticked, the range never changes")
        << false << QList<double>{0, 0, 0, 0, 0, -1, 16, 30, 30, 30, 30, 30, -1, 16};
}

void GraphWindowsTest::voltageRange()
{
    QFETCH(bool, ticked);
    QFETCH(QList<double>, steps);
    Bench b;
    VoltGraphWindow w(Chip::B, b.state, b.clock);
    w.autoAdjustBox()->setChecked(ticked);
    for (int i = 0; i + 6 < steps.size(); i += 7) {
        b.chips.chip(kAddressB).voltages = {steps[i], steps[i + 1], steps[i + 2], steps[i + 3],
                                            steps[i + 4]};
        b.tick();
        w.UpdateVoltGraph(b.volts());
        QCOMPARE(w.chart().axisMin(), steps[i + 5]);
        QCOMPARE(w.chart().axisMax(), steps[i + 6]);
    }
}

void GraphWindowsTest::voltageLegend_data()
{
    QTest::addColumn<QList<double>>("rails");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("typical") << QList<double>{12.063, 5.0, 3.3, 2.5, 1.2}
                             << QStringList{"12V: 12.06V", "5V: 5.00V", "Vcc: 3.30V", "2.5V: 2.50V",
                                            "Vccp: 1.20V"};
    QTest::newRow("unpowered and full scale")
        << QList<double>{0, 63.999, 0.062, 10.0, 0.5}
        << QStringList{"12V: 0.00V", "5V: 64.00V", "Vcc: 0.06V", "2.5V: 10.00V", "Vccp: 0.50V"};
}

void GraphWindowsTest::voltageLegend()
{
    QFETCH(QList<double>, rails);
    QFETCH(QStringList, labels);
    Bench b;
    VoltGraphWindow w(Chip::B, b.state, b.clock);
    b.chips.chip(kAddressB).voltages = {rails[0], rails[1], rails[2], rails[3], rails[4]};
    w.UpdateVoltGraph(b.volts());
    for (int i = 0; i < 5; ++i)
        QCOMPARE(w.chart().label(i).text, labels[i]);
    QCOMPARE(w.chart().label(5).text, "ZR410B");
    QCOMPARE(w.chart().label(6).text, "Voltage (V)");
}

void GraphWindowsTest::legendLinesStayPut_data()
{
    QTest::addColumn<bool>("voltages");
    QTest::addColumn<int>("chartWidth");
    QTest::addColumn<QList<double>>("readings"); // one per update, on every trace
    const QList<double> temperatures{5, 25, -512.98, 100.5, -0.12};
    const QList<double> rails{0, 12.06, 64, 1.2};
    QTest::newRow("temperatures, room to spare") << false << 1280 << temperatures;
    QTest::newRow("temperatures, narrow chart") << false << 200 << temperatures;
    QTest::newRow("voltages, room to spare") << true << 1280 << rails;
    QTest::newRow("voltages, narrow chart") << true << 160 << rails;
}

void GraphWindowsTest::legendLinesStayPut()
{
    QFETCH(bool, voltages);
    QFETCH(int, chartWidth);
    QFETCH(QList<double>, readings);
    Bench b;
    TempGraphWindow temp(Chip::B, b.state, b.clock);
    VoltGraphWindow volt(Chip::B, b.state, b.clock);
    chart::StripChart& chart = voltages ? volt.chart() : temp.chart();
    chart.resize(chartWidth, 300);
    // The heading and every reading's line; the chip's title stands elsewhere.
    const QList<int> legend = voltages ? QList<int>{0, 1, 2, 3, 4, 6} : QList<int>{0, 1, 2};
    std::optional<double> x;
    for (double reading : readings) {
        if (voltages) {
            b.chips.chip(kAddressB).voltages = {reading, reading, reading, reading, reading};
            volt.UpdateVoltGraph(b.volts());
        } else {
            b.chips.chip(kAddressB).temperatures = {reading, reading};
            temp.UpdateTempGraph(b.temps(Chip::B));
        }
        for (int i : legend) {
            const QRectF box = chart.labelBox(i);
            if (!x)
                x = box.x();
            QCOMPARE(box.x(), *x); // aligned, and still as the readings change
            QVERIFY2(box.right() <= chartWidth, qPrintable(chart.label(i).text));
        }
    }
    if (chartWidth == 1280)
        QCOMPARE(*x, 0.90 * chartWidth); // the legend's own place when it fits
}

void GraphWindowsTest::updateSetsAddressFirstAndPlotsAtClockTime()
{
    Bench b;
    TempGraphWindow temp(Chip::A, b.state, b.clock);
    VoltGraphWindow volt(Chip::B, b.state, b.clock);
    b.chips.chip(kAddressA).temperatures = {21.5, -3.25};
    b.chips.chip(kAddressB).voltages = {12.0, 5.0, 3.3, 2.5, 1.2};
    for (int i = 0; i < 3; ++i) {
        b.tick();
        b.state.CurrentAddress = 0;
        temp.UpdateTempGraph(b.temps(Chip::A));
        QCOMPARE(b.state.CurrentAddress, kAddressA);
        volt.UpdateVoltGraph(b.volts());
        QCOMPARE(b.state.CurrentAddress, kAddressB);
    }
    QCOMPARE(sentFrames(b.board),
             (QList<QPair<int, int>>{{72, 0}, {76, 16}, {72, 0}, {76, 16}, {72, 0}, {76, 16}}));
    const qint64 now = msSinceEpoch(b.clock.time);
    for (int trace = 0; trace < 2; ++trace) {
        const chart::TraceStore& s = temp.chart().traceStore(trace);
        QCOMPARE(s.size(), std::size_t{3});
        QCOMPARE(s.time(0), now - 500);
        QCOMPARE(s.time(2), now);
    }
    QCOMPARE(temp.chart().traceStore(0).value(2), 21.5f);
    QCOMPARE(temp.chart().traceStore(1).value(2), -3.25f);
    for (int trace = 0; trace < 5; ++trace)
        QCOMPARE(volt.chart().traceStore(trace).value(0), b.state.Voltage[trace]);
}

void GraphWindowsTest::lostBoardPlotsNothing()
{
    Bench b;
    TempGraphWindow temp(Chip::A, b.state, b.clock);
    VoltGraphWindow volt(Chip::B, b.state, b.clock);
    temp.UpdateTempGraph(b.temps(Chip::A));
    const QString legend = temp.chart().label(0).text;
    b.board.lost = true;
    QVERIFY_THROWS_EXCEPTION(BoardLostError, temp.UpdateTempGraph(b.temps(Chip::A)));
    QVERIFY_THROWS_EXCEPTION(BoardLostError, volt.UpdateVoltGraph(b.volts()));
    QCOMPARE(temp.chart().traceStore(0).size(), std::size_t{1});
    QCOMPARE(temp.chart().traceStore(1).size(), std::size_t{1});
    QCOMPARE(temp.chart().label(0).text, legend);
    QCOMPARE(volt.chart().traceStore(0).size(), std::size_t{0});
    QCOMPARE(volt.chart().label(0).text, "12V");
}

void GraphWindowsTest::failedReadPlotsNothing()
{
    // A failed read leaves the request frame in the buffer; it must not become a reading.
    Bench b;
    TempGraphWindow temp(Chip::A, b.state, b.clock);
    VoltGraphWindow volt(Chip::B, b.state, b.clock);
    b.board.requestResult = -1;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, temp.UpdateTempGraph(b.temps(Chip::A)));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, volt.UpdateVoltGraph(b.volts()));
    QCOMPARE(temp.chart().traceStore(0).size(), std::size_t{0});
    QCOMPARE(volt.chart().traceStore(4).size(), std::size_t{0});
    QCOMPARE(temp.chart().label(0).text, "Remote: ");
    QCOMPARE(temp.chart().axisMin(), -300.0);
    b.board.requestResult = 64;
    temp.UpdateTempGraph(b.temps(Chip::A));
    QCOMPARE(temp.chart().traceStore(0).size(), std::size_t{1});
}

void GraphWindowsTest::openCloseReopenThroughTheMenus()
{
    MainBench b;
    MainWindow& main = b.main;
    QVERIFY(b.load());
    QCOMPARE(b.state.AddressA, kAddressA);
    QCOMPARE(b.state.AddressB, kAddressB);
    b.chips.chip(kAddressB).voltages = {0, 0, 0, 0, 0}; // moves the top of -1..16

    struct Window {
        std::function<void()> open;
        std::function<QWidget*()> get;
        Flag DeviceState::*flag;
        double axisMin, axisMax;
        QString label0;
    };
    const QList<Window> windows{
        {[&] { main.mTempGraphA_Click(); }, [&] { return main.tempGraphWindow(Chip::A); },
         &DeviceState::TempGraphAOpen, -300, 300, "Remote: "},
        {[&] { main.mTempGraphB_Click(); }, [&] { return main.tempGraphWindow(Chip::B); },
         &DeviceState::TempGraphBOpen, -300, 300, "Remote: "},
        {[&] { main.mVoltGraphB_Click(); }, [&] { return main.voltGraphWindow(); },
         &DeviceState::VoltGraphBOpen, -1, 16, "12V"},
    };
    for (const Window& w : windows) {
        w.open();
        QCOMPARE(b.state.*w.flag, True);
        for (int i = 0; i < 3; ++i) {
            b.tick();
            b.poll();
        }
        auto* chart = w.get()->findChild<chart::StripChart*>();
        QCOMPARE(chart->traceStore(0).size(), std::size_t{3});
        QVERIFY(chart->axisMin() != w.axisMin || chart->axisMax() != w.axisMax);

        closeChildWindow(w.get());
        QCOMPARE(b.state.*w.flag, False);
        flushDeletes();
        QVERIFY(!w.get());
        const std::size_t requests = b.board.requests.size();
        b.poll();
        QCOMPARE(b.board.requests.size(), requests); // a closed window is not polled

        w.open();
        QCOMPARE(b.state.*w.flag, True);
        chart = w.get()->findChild<chart::StripChart*>();
        QCOMPARE(chart->traceStore(0).size(), std::size_t{0});
        QCOMPARE(chart->axisMin(), w.axisMin);
        QCOMPARE(chart->axisMax(), w.axisMax);
        QCOMPARE(chart->label(0).text, w.label0);
        QVERIFY(w.get()->findChild<QCheckBox*>("chkAutoAdjust")->isChecked());
        closeChildWindow(w.get());
        flushDeletes();
    }
}

void GraphWindowsTest::eachWindowReadsItsOwnChipInTickOrder()
{
    MainBench b;
    MainWindow& main = b.main;
    QVERIFY(b.load());
    b.chips.chip(kAddressA).temperatures = {20.5, 21.5};
    b.chips.chip(kAddressB).temperatures = {40.25, 41.75};
    b.chips.chip(kAddressB).voltages = {12.5, 5.5, 3.5, 2.25, 1.5};
    main.mTempGraphB_Click();
    main.mVoltGraphB_Click();
    main.mTempGraphA_Click();
    b.board.requests.clear();
    b.tick();
    b.poll();

    QCOMPARE(sentFrames(b.board), (QList<QPair<int, int>>{{72, 0}, {76, 16}, {76, 0}}));
    auto newest = [](chart::StripChart& c, int trace) {
        const chart::TraceStore& s = c.traceStore(trace);
        return s.value(s.size() - 1);
    };
    QCOMPARE(newest(main.tempGraphWindow(Chip::A)->chart(), 0), 20.5f);
    QCOMPARE(newest(main.tempGraphWindow(Chip::A)->chart(), 1), 21.5f);
    QCOMPARE(newest(main.tempGraphWindow(Chip::B)->chart(), 0), 40.25f);
    QCOMPARE(newest(main.tempGraphWindow(Chip::B)->chart(), 1), 41.75f);
    QCOMPARE(newest(main.voltGraphWindow()->chart(), 3), 2.25f);
    QCOMPARE(main.tempGraphWindow(Chip::A)->chart().label(0).text,
             QStringLiteral("Internal: 20.50°C"));
    QCOMPARE(main.tempGraphWindow(Chip::B)->chart().label(0).text,
             QStringLiteral("Internal: 40.25°C"));
}

void GraphWindowsTest::minimisedWindowKeepsSamplesWithoutDrawing()
{
    MainBench b;
    MainWindow& main = b.main;
    QVERIFY(b.load());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.mTempGraphA_Click();
    TempGraphWindow* w = main.tempGraphWindow(Chip::A);
    QTRY_VERIFY(w->chart().paintCount() > 0);

    childFrame(w)->showMinimized();
    QTest::qWait(30);
    const int painted = w->chart().paintCount();
    for (int i = 0; i < 5; ++i) {
        b.tick();
        b.poll();
        QTest::qWait(20);
    }
    QCOMPARE(w->chart().paintCount(), painted);
    QCOMPARE(w->chart().traceStore(0).size(), std::size_t{5});
    childFrame(w)->showNormal();
    QTRY_VERIFY(w->chart().paintCount() > painted);
}

void GraphWindowsTest::chartColoursReadableOnThePalette_data()
{
    QTest::addColumn<QColor>("window"); // background of the margin around the plot
    QTest::addColumn<QColor>("base");   // background of the plot
    QTest::newRow("light") << QColor(240, 240, 240) << QColor(255, 255, 255);
    QTest::newRow("dark, plot darker") << QColor(53, 53, 53) << QColor(45, 45, 45);
    QTest::newRow("darker, plot lighter") << QColor(48, 48, 48) << QColor(78, 78, 78);
    QTest::newRow("black") << QColor(0, 0, 0) << QColor(0, 0, 0);
    QTest::newRow("mid grey") << QColor(100, 100, 100) << QColor(90, 90, 90);
}

void GraphWindowsTest::chartColoursReadableOnThePalette()
{
    // Every trace and label of both kinds of chart at a contrast of at least 3:1 against what it
    // is drawn over (read from the drawn chart), in its given hue; the traces of a chart, and
    // the legend lines in their colours, each far enough from every other to be told apart.
    QFETCH(QColor, window);
    QFETCH(QColor, base);
    Bench b;
    TempGraphWindow temp(Chip::A, b.state, b.clock);
    VoltGraphWindow volt(Chip::B, b.state, b.clock);
    for (QWidget* w : {static_cast<QWidget*>(&temp), static_cast<QWidget*>(&volt)}) {
        w->resize(960, 360);
        QPalette palette = w->palette();
        palette.setColor(QPalette::Window, window);
        palette.setColor(QPalette::Base, base);
        w->setPalette(palette);
    }
    for (chart::StripChart* c : {&temp.chart(), &volt.chart()}) {
        const QImage drawn = c->grab().toImage();
        const double dpr = drawn.devicePixelRatio();
        // The colour most of a label's box shows: the surface behind its text.
        const auto behind = [&](const QRectF& box) {
            QHash<QRgb, int> count;
            const QRect pixels(QPointF(box.topLeft() * dpr).toPoint(),
                               QPointF(box.bottomRight() * dpr).toPoint());
            for (int y = pixels.top(); y <= pixels.bottom(); ++y)
                for (int x = pixels.left(); x <= pixels.right(); ++x)
                    if (drawn.rect().contains(x, y))
                        ++count[drawn.pixel(x, y)];
            QRgb most = 0;
            for (auto it = count.begin(); it != count.end(); ++it)
                if (it.value() > count.value(most))
                    most = it.key();
            return QColor::fromRgb(most);
        };
        const auto readable = [](const QColor& given, const QColor& shown, const QColor& ground) {
            const QString what =
                given.name() + " shown as " + shown.name() + " on " + ground.name();
            QVERIFY2(contrastRatio(shown, ground) >= 3.0, qPrintable(what));
            if (given.hslSaturation() > 0) // the same hue, but for rounding
                QVERIFY2(std::abs(shown.hslHue() - given.hslHue()) <= 2, qPrintable(what));
            if (contrastRatio(given, ground) >= 3.0) // readable as given: left as it is
                QCOMPARE(shown, given);
        };
        QList<QColor> traces, legends;
        for (int i = 0; i < c->traceCount(); ++i) {
            readable(c->traceColour(i), c->shownTraceColour(i), base);
            traces << c->shownTraceColour(i);
        }
        for (int i = 0; i < c->labelCount(); ++i) {
            const QColor given = c->label(i).colour;
            readable(given, c->shownLabelColour(i), behind(c->labelBox(i)));
            if (!c->label(i).widestText.isEmpty()) // a legend line, with a reading
                legends << c->shownLabelColour(i);
        }
        for (const QList<QColor>& set : {traces, legends})
            for (int i = 0; i < set.size(); ++i)
                for (int j = i + 1; j < set.size(); ++j)
                    QVERIFY2(colourDistance(set[i], set[j]) >= kMinimumColourDistance,
                             qPrintable(set[i].name() + " and " + set[j].name()));
    }
}

void GraphWindowsTest::chartTakesFourFifths_data()
{
    // Run at QT_SCALE_FACTOR 1 and 2 (test_graph_windows_2x).
    QTest::addColumn<int>("window"); // 0 temperature A, 1 temperature B, 2 voltage
    QTest::addColumn<int>("extraPoints");
    QTest::addColumn<double>("widthFactor"); // of the opening width
    QTest::newRow("temperature A") << 0 << 0 << 1.0;
    QTest::newRow("temperature B, larger font") << 1 << 2 << 1.0;
    QTest::newRow("voltage") << 2 << 0 << 1.0;
    QTest::newRow("voltage, larger font") << 2 << 2 << 1.0;
    QTest::newRow("temperature, dragged wider") << 0 << 0 << 1.6;
    QTest::newRow("voltage, dragged narrower") << 2 << 0 << 0.8;
}

void GraphWindowsTest::chartTakesFourFifths()
{
    // The chart fills the left four fifths of the window, "Graph Options" the last fifth, and
    // the check box caption wraps there instead of being cut.
    QFETCH(int, window);
    QFETCH(int, extraPoints);
    QFETCH(double, widthFactor);
    const QFont original = QApplication::font();
    QFont font = original;
    font.setPointSizeF(original.pointSizeF() + extraPoints);
    QApplication::setFont(font);
    auto restoreFont = qScopeGuard([&] { QApplication::setFont(original); });

    MainBench b;
    MainWindow& main = b.main;
    QVERIFY(b.load());
    main.resize(1200, 800); // a client area the window opens in at its full width
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QWidget* w = nullptr;
    if (window == 2) {
        main.mVoltGraphB_Click();
        w = main.voltGraphWindow();
    } else {
        const Chip chip = window == 0 ? Chip::A : Chip::B;
        window == 0 ? main.mTempGraphA_Click() : main.mTempGraphB_Click();
        w = main.tempGraphWindow(chip);
    }
    QWidget* frame = childFrame(w);
    frame->resize(static_cast<int>(frame->width() * widthFactor), frame->height());
    QApplication::processEvents();

    auto* chart = w->findChild<chart::StripChart*>();
    auto* options = w->findChild<QGroupBox*>("Frame1");
    auto* box = w->findChild<QCheckBox*>("chkAutoAdjust");
    const QString sizes = QString("window %1, chart %2, options at %3")
                              .arg(w->width())
                              .arg(chart->width())
                              .arg(options->x());
    QCOMPARE(chart->x(), 0);
    QVERIFY2(std::abs(chart->width() - w->width() * 0.8) <= 2, qPrintable(sizes));
    QVERIFY2(options->x() >= chart->width() && options->geometry().right() < w->width(),
             qPrintable(sizes));
    QVERIFY(box->width() >= box->minimumSizeHint().width());
    QVERIFY(box->height() >= box->heightForWidth(box->width()));
    QVERIFY(options->rect().contains(box->geometry()));

    // Still a check box: named by its caption, toggled by Space and by a click on the caption.
    QCOMPARE(QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name),
             "Automatically Adjust Graph Range");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Space);
    QVERIFY(!box->isChecked());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 4, box->height() / 2));
    QVERIFY(box->isChecked());
}

void GraphWindowsTest::wallClockStepNeitherFreezesNorTears_data()
{
    QTest::addColumn<int>("stepMinutes"); // the wall clock set by this much halfway through
    QTest::newRow("steady clock") << 0;
    QTest::newRow("set back 10 minutes") << -10;
    QTest::newRow("set forward 10 minutes") << 10;
}

void GraphWindowsTest::wallClockStepNeitherFreezesNorTears()
{
    // Samples keep their pace whatever the wall clock does, and what the user reads (time
    // labels, copied data) is the wall time each was taken at: the old time before the step, the
    // new one after it.
    QFETCH(int, stepMinutes);
    const qint64 stepMs = stepMinutes * 60'000LL;
    constexpr int kTicksEachSide = 60;
    Bench b;
    TempGraphWindow temp(Chip::A, b.state, b.clock);
    temp.Form_Load();
    temp.show();
    QVERIFY(QTest::qWaitForWindowExposed(&temp));
    std::vector<qint64> walls; // when each reading was taken
    for (int i = 0; i < 2 * kTicksEachSide; ++i) {
        if (i == kTicksEachSide)
            b.clock.stepWall(std::chrono::milliseconds(stepMs));
        b.tick();
        temp.UpdateTempGraph(b.temps(Chip::A));
        walls.push_back(msSinceEpoch(b.clock.time));
    }
    chart::StripChart& c = temp.chart();

    // No freeze, no gap: one sample a tick, and nothing breaks the line.
    const chart::TraceStore& s = c.traceStore(0);
    QCOMPARE(s.size(), walls.size());
    for (std::size_t i = 1; i < s.size(); ++i) {
        QCOMPARE(s.time(i) - s.time(i - 1), qint64{250});
        QVERIFY(!s.gapBefore(i));
    }
    const chart::ColumnGrid grid = c.visibleColumns();
    QVERIFY(grid.columnOf(s.time(0)) >= grid.firstColumn);

    // The copied data: a row per reading, at the wall time it was taken.
    const QStringList rows = c.visibleDataCsv().split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), static_cast<qsizetype>(walls.size()) + 1);
    for (std::size_t i = 0; i < walls.size(); ++i) {
        const QString when =
            QDateTime::fromMSecsSinceEpoch(walls[i], Qt::UTC).toString("yyyy-MM-dd HH:mm:ss.zzz");
        QCOMPARE(rows[static_cast<qsizetype>(i) + 1].section(',', 0, 0), when);
    }

    // The time labels: left of the step, times before it; right of it, times after it.
    const qint64 stepAt = s.time(kTicksEachSide);
    const QRect plot = c.plotRect();
    const double stepX =
        plot.left() + (grid.columnOf(stepAt) - grid.firstColumn) / c.devicePixelRatioF();
    auto timeOfDay = [](qint64 ms) { return ms % (24 * 3600 * 1000); };
    const qint64 lastBefore = walls[kTicksEachSide - 1];
    const qint64 firstAfter = walls[kTicksEachSide];
    int before = 0, after = 0;
    for (const auto& [box, text] : c.timeAxisLabels()) {
        const QTime shown = QTime::fromString(text, "hh:mm:ss AP");
        QVERIFY2(shown.isValid(), qPrintable(text));
        const qint64 ms = shown.msecsSinceStartOfDay();
        if (box.center().x() < stepX) {
            ++before;
            QVERIFY2(ms > timeOfDay(lastBefore) - 60'000 && ms < timeOfDay(lastBefore) + 250,
                     qPrintable(text));
        } else {
            ++after;
            QVERIFY2(ms >= timeOfDay(firstAfter) - 250 && ms <= timeOfDay(walls.back()),
                     qPrintable(text));
        }
    }
    QVERIFY(before > 0 && after > 0);
}

void GraphWindowsTest::plotAndTitleDrawnInPlace()
{
    // What the window shows of its chart (run at scale 1 and 2): the plot exactly as rendered,
    // one pixel of it to one pixel of the screen, and the underlined title with its underline
    // beneath the glyphs.
    Bench b;
    TempGraphWindow temp(Chip::A, b.state, b.clock);
    temp.Form_Load();
    temp.show();
    QVERIFY(QTest::qWaitForWindowExposed(&temp));
    for (int i = 0; i < 40; ++i) {
        b.chips.chip(kAddressA).temperatures = {i / 10 % 2 ? 25.0f : 20.0f, 30.0f};
        b.tick();
        temp.UpdateTempGraph(b.temps(Chip::A));
    }
    chart::StripChart& c = temp.chart();
    const QImage shown = temp.grab().toImage();
    const QImage plot = c.renderPlot();
    const double dpr = shown.devicePixelRatio();
    const QPoint at = c.mapTo(&temp, c.plotRect().topLeft()) * dpr;
    // Rows below the title, which stands inside the plot.
    int differing = 0;
    for (int y = plot.height() / 3; y < plot.height(); ++y)
        for (int x = 0; x < plot.width(); ++x)
            differing += shown.pixel(at.x() + x, at.y() + y) != plot.pixel(x, y);
    QCOMPARE(differing, 0);

    const chart::TextLabel& title = c.label(3);
    const QFontMetrics fm(title.font);
    QRect green; // the title's colour, glyphs and underline alike
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb px = shown.pixel(x, y);
            if (qGreen(px) > 90 && qRed(px) < 60 && qBlue(px) < 60)
                green |= QRect(x, y, 1, 1);
        }
    QVERIFY(!green.isEmpty());
    QVERIFY2(green.width() <= (fm.horizontalAdvance(title.text) + 4) * dpr &&
                 green.height() <= (fm.height() + 4) * dpr,
             qPrintable(QString("%1x%2").arg(green.width()).arg(green.height())));
}

QTEST_MAIN(GraphWindowsTest)
#include "test_graph_windows.moc"
