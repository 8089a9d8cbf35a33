// SPDX-License-Identifier: MIT
#include "viewer/log_viewer_window.h"

#include "board/tick_steps.h"
#include "graphs/graph_chart_setup.h"
#include "graphs/strip_chart/strip_chart.h"
#include "viewer/run_difference.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

namespace zr::viewer {
namespace {

constexpr int kWindowWidthTwips = 14400;
constexpr int kWindowHeightTwips = 9000;
constexpr double kLegendLeft = 0.85;
constexpr double kLegendTop = 0.16;
constexpr double kLegendStep = 0.07;

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

QString familyTitle(ValueFamily family)
{
    return family == ValueFamily::Voltage ? QStringLiteral("Voltage (V)")
                                          : QStringLiteral("Temperature (°C)");
}

// The same samples on another clock.
std::unique_ptr<chart::TraceStore> shifted(const chart::TraceStore& run, std::int64_t byMs)
{
    auto out = std::make_unique<chart::TraceStore>();
    out->setGapMs(run.gapMs());
    for (std::size_t i = 0; i < run.size(); ++i)
        out->append(run.time(i) + byMs, run.value(i));
    return out;
}

chart::StripChart* newChart(QWidget* parent, const QString& objectName, const QString& title,
                            const QString& unit)
{
    auto* c = new chart::StripChart(parent);
    c->setObjectName(objectName);
    c->setPlotArea(0.06, 0.12, 0.83, 0.88);
    c->setTimeFormats(kGraphTimeFormats);
    c->setValueUnit(unit);
    c->addLabel({title, QColor(0, 0, 0), graphLabelFont(true), {0.06, 0.01}});
    return c;
}

// Every sample of every trace between the axis ends, with a little room around them.
void fitValueRange(chart::StripChart& c)
{
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (int t = 0; t < c.traceCount(); ++t) {
        const chart::TraceStore& store = c.traceStore(t);
        if (store.empty())
            continue;
        const chart::MinMax m = store.minMax(0, store.size());
        low = std::min<double>(low, m.min);
        high = std::max<double>(high, m.max);
    }
    if (!(low <= high))
        return;
    const double room = std::max((high - low) * 0.05, 0.5);
    c.setAxisMin(std::floor(low - room));
    c.setAxisMax(std::ceil(high + room));
}

// The whole run across the plot; a run shorter than a live chart's first span fills it too.
void showWholeRun(chart::StripChart& c)
{
    c.showWholeHistory();
    const std::int64_t run = c.newestTime() - c.oldestTime();
    if (run < chart::TimeView::kDefaultSpanMs)
        c.setVisibleSpan(run + run / 50 + kTickIntervalMs);
}

} // namespace

LogViewerWindow::LogViewerWindow(std::shared_ptr<LoadedLog> log, FileChooser& files,
                                 Prompts& prompts, QWidget* parent)
    : QWidget(parent), files_(files), prompts_(prompts), path_(QString::fromStdString(log->path)),
      startMs_(log->startMs), markers_(std::move(log->markers))
{
    setObjectName("frmLogViewer");
    setWindowTitle(QStringLiteral("Log Viewer - ") + fileName(path_));
    layout_ = new QVBoxLayout(this);
    for (LoadedColumn& column : log->columns) {
        const ColumnLook look = columnLook(column.name);
        chart::StripChart* c = chart(look.family);
        if (!c)
            c = addChart(look.family);
        const int trace = c->addTrace(look.colour, QString::fromStdString(column.name),
                                      std::move(column.samples));
        columns_.push_back({column.name, c, trace, -1});
    }
    for (const auto& [family, c] : charts_) {
        for (const chart::Marker& m : markers_)
            c->addMarker(m.timeMs, QString::fromStdString(m.text), m.note);
        fitValueRange(*c);
    }

    comparison_ = new QWidget(this);
    auto* choice = new QHBoxLayout(comparison_);
    choice->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(QStringLiteral("Difference, run 2 − run 1:"), comparison_);
    cboDifference = new QComboBox(comparison_);
    cboDifference->setObjectName("cboDifference");
    caption->setBuddy(cboDifference);
    choice->addWidget(caption);
    choice->addWidget(cboDifference);
    choice->addStretch(1);
    comparison_->hide();
    layout_->addWidget(comparison_);
    connect(cboDifference, &QComboBox::currentIndexChanged, this, &LogViewerWindow::showDifference);

    lblNotes = new QLabel(this);
    lblNotes->setObjectName("lblNotes");
    lblNotes->setWordWrap(true);
    lblNotes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QStringList notes;
    for (const std::string& note : log->notes)
        notes << QString::fromStdString(note);
    lblNotes->setText(notes.join(' '));
    layout_->addWidget(lblNotes);
    updateLegends();
}

chart::StripChart* LogViewerWindow::addChart(ValueFamily family)
{
    chart::StripChart* c =
        newChart(this, family == ValueFamily::Voltage ? "stpLogVolt" : "stpLogTemp",
                 familyTitle(family), unitOf(family));
    c->setDialogs(files_, prompts_);
    layout_->insertWidget(static_cast<int>(charts_.size()), c, 3);
    charts_.emplace_back(family, c);
    return c;
}

chart::StripChart* LogViewerWindow::chart(ValueFamily family) const
{
    for (const auto& [f, c] : charts_)
        if (f == family)
            return c;
    return nullptr;
}

QString LogViewerWindow::notesText() const
{
    return lblNotes->text();
}

void LogViewerWindow::Form_Load()
{
    setOuterSizeTwips(this, kWindowWidthTwips, kWindowHeightTwips);
}

void LogViewerWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!fitted_) {
        fitted_ = true;
        layout_->activate();
        fitWholeRuns();
    }
}

void LogViewerWindow::fitWholeRuns()
{
    for (const auto& [family, c] : charts_)
        showWholeRun(*c);
    if (difference_)
        showWholeRun(*difference_);
}

void LogViewerWindow::compareWith(std::shared_ptr<LoadedLog> second)
{
    if (comparing())
        return;
    // Run 2 on run 1's clock: both begin at run 1's start.
    const std::int64_t byMs = startMs_ - second->startMs;
    for (Column& column : columns_) {
        const auto theirs =
            std::find_if(second->columns.begin(), second->columns.end(),
                         [&](const LoadedColumn& c) { return c.name == column.name; });
        if (theirs == second->columns.end() || !theirs->samples)
            continue;
        chart::StripChart& c = *column.chart;
        column.secondTrace =
            c.addTrace(c.traceColour(column.trace),
                       QString::fromStdString(column.name) + QStringLiteral(" (run 2)"),
                       shifted(*theirs->samples, byMs));
        c.setTraceDashed(column.secondTrace, true);
    }
    secondPath_ = QString::fromStdString(second->path);
    setWindowTitle(
        QStringLiteral("Log Viewer - %1 vs %2").arg(fileName(path_), fileName(secondPath_)));
    for (const auto& [family, c] : charts_)
        fitValueRange(*c);
    updateLegends();

    const QSignalBlocker quiet(cboDifference);
    cboDifference->clear();
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].secondTrace >= 0)
            cboDifference->addItem(QString::fromStdString(columns_[i].name), static_cast<int>(i));
    comparison_->show();
    showDifference(0);
    fitWholeRuns();
}

void LogViewerWindow::showDifference(int choice)
{
    delete difference_;
    difference_ = nullptr;
    if (choice < 0 || choice >= cboDifference->count())
        return;
    const Column& column =
        columns_[static_cast<std::size_t>(cboDifference->itemData(choice).toInt())];
    const ColumnLook look = columnLook(column.name);
    const QString name = QString::fromStdString(column.name);
    difference_ = newChart(this, "stpDifference", QStringLiteral("%1, run 2 − run 1").arg(name),
                           unitOf(look.family));
    difference_->setDialogs(files_, prompts_);
    // Both runs are on run 1's clock already.
    difference_->addTrace(look.colour, QStringLiteral("Δ ") + name,
                          runDifference(column.chart->traceStore(column.trace), startMs_,
                                        column.chart->traceStore(column.secondTrace), startMs_));
    for (const chart::Marker& m : markers_)
        difference_->addMarker(m.timeMs, QString::fromStdString(m.text), m.note);
    fitValueRange(*difference_);
    layout_->insertWidget(layout_->indexOf(comparison_) + 1, difference_, 2);
    difference_->show();
    layout_->activate();
    showWholeRun(*difference_);
    difference_->setStatisticsShown(true);
}

void LogViewerWindow::updateLegends()
{
    // Which run is which: the file names, solid and dashed.
    const QString runs = secondPath_.isEmpty()
                             ? fileName(path_)
                             : QStringLiteral("Run 1 (solid): %1    Run 2 (dashed): %2")
                                   .arg(fileName(path_), fileName(secondPath_));
    for (const auto& [family, c] : charts_) {
        if (c->labelCount() < 2)
            c->addLabel({runs, QColor(0, 0, 0), graphLabelFont(false), {0.40, 0.04}});
        else
            c->setLabelText(1, runs);
        for (int t = c->labelCount() - 2; t < c->traceCount(); ++t)
            c->addLabel({c->traceName(t) + (c->traceDashed(t) ? QStringLiteral(" - -") : QString()),
                         c->traceColour(t),
                         graphLabelFont(false),
                         {kLegendLeft, kLegendTop + kLegendStep * t}});
    }
}

} // namespace zr::viewer
