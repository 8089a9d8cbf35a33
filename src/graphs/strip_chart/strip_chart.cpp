// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/strip_chart.h"

#include "graphs/strip_chart/chart_accessible.h"
#include "graphs/strip_chart/csv_export.h"
#include "graphs/strip_chart/statistics_panel.h"
#include "graphs/strip_chart/value_axis.h"
#include "platform/file_dialog_chooser.h"
#include "platform/readable_colour.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <type_traits>

namespace zr::chart {
namespace {

constexpr qint64 kMinFrameMs = 15; // at most about 60 repaints a second
constexpr double kZoomStep = 0.8;  // span factor of one wheel notch towards the data
constexpr int kPanDivisions = 10;  // one wheel notch or arrow key scrolls a tenth of the plot
constexpr int kValueLabelGap = 4;  // between a value label and the plot
constexpr int kTimeLabelGap = 3;   // between the plot and the time labels under it
constexpr int kLegendGap = 6;      // between the plot (or its title) and the legend column
constexpr int kLeastPlotWidth = 120;
// Spans of a fresh chart, up to the default one: each leaves room for a tenth more history.
constexpr std::int64_t kFreshSpansMs[] = {10'000, 20'000, 30'000, 60'000};
const QString kPausedTag = QStringLiteral("Paused — double-click to follow");

// A reading is missing when the next comes more than two and a half intervals after the last:
// timer jitter and one late tick never break the line, a failed or skipped reading does.
qint64 gapAfter(qint64 sampleIntervalMs)
{
    return sampleIntervalMs * 5 / 2;
}

// Until the owner sets its own: 24-hour times and ISO dates.
const QStringList kDefaultTimeFormats{"%H:%M:%S", "%H:%M", "%H:%M",   "%Y-%m-%d",
                                      "%Y-%m",    "%Y",    "%Y-%m-%d"};

QRgb blend(const QColor& a, const QColor& b, double share)
{
    return qRgb(static_cast<int>(a.red() * (1 - share) + b.red() * share),
                static_cast<int>(a.green() * (1 - share) + b.green() * share),
                static_cast<int>(a.blue() * (1 - share) + b.blue() * share));
}

// A time whose labels are as wide as labels get: two-digit fields, a long month name.
std::int64_t widestLabelTime()
{
    std::tm tm{};
    tm.tm_year = 2000 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 28;
    tm.tm_hour = 22;
    tm.tm_min = 58;
    tm.tm_sec = 58;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm)) * 1000;
}

// The painter shares a copy of more than about 95 rows out among a pool of threads. For the few
// hundred rows of a chart, waking the threads costs more than the copy, on every tick: the
// copies go in bands below that.
template <typename Picture>
void drawInBands(QPainter& p, const QRectF& target, const Picture& picture, const QRectF& source)
{
    constexpr double kBandRows = 64;
    const double scale = target.height() / std::max(1.0, source.height());
    for (double y = 0; y < source.height(); y += kBandRows) {
        const double rows = std::min(kBandRows, source.height() - y);
        const QRectF to(target.x(), target.y() + y * scale, target.width(), rows * scale);
        const QRectF from(source.x(), source.y() + y, source.width(), rows);
        if constexpr (std::is_same_v<Picture, QImage>)
            p.drawImage(to, picture, from);
        else
            p.drawPixmap(to, picture, from);
    }
}

FileChooser& desktopFileChooser()
{
    static FileDialogChooser chooser;
    return chooser;
}

Prompts& desktopPrompts()
{
    static MessageBoxPrompts prompts;
    return prompts;
}

TextPrompt& desktopTextPrompt()
{
    static InputDialogTextPrompt prompt;
    return prompt;
}

} // namespace

StripChart::StripChart(QWidget* parent)
    : QWidget(parent), timeFormats_(kDefaultTimeFormats),
      now_([] { return QDateTime::currentMSecsSinceEpoch(); }), files_(&desktopFileChooser()),
      prompts_(&desktopPrompts()), textPrompt_(&desktopTextPrompt())
{
    for (const QString& f : timeFormats_)
        timeFormatStrings_.push_back(f.toStdString());
    installChartAccessibility();
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Reached by Tab as by a click, so that its keys serve the keyboard as well.
    setFocusPolicy(Qt::StrongFocus);
    frameTimer_.setSingleShot(true);
    connect(&frameTimer_, &QTimer::timeout, this, &StripChart::flushRepaint);

    followAction_ = new QAction(tr("Follow Newest Sample"), this);
    followAction_->setObjectName("actFollowNewest");
    followAction_->setCheckable(true);
    followAction_->setChecked(true);
    connect(followAction_, &QAction::triggered, this, &StripChart::followNewest);
    wholeHistoryAction_ = new QAction(tr("Show Whole History"), this);
    wholeHistoryAction_->setObjectName("actWholeHistory");
    connect(wholeHistoryAction_, &QAction::triggered, this, &StripChart::showWholeHistory);
    saveImageAction_ = new QAction(tr("Save Image as PNG..."), this);
    saveImageAction_->setObjectName("actSaveImage");
    connect(saveImageAction_, &QAction::triggered, this, &StripChart::saveImageInteractively);
    copyDataAction_ = new QAction(tr("Copy Visible Data as CSV"), this);
    copyDataAction_->setObjectName("actCopyData");
    connect(copyDataAction_, &QAction::triggered, this, &StripChart::copyVisibleData);
    makeToolActions();
    fitFreshSpan();
}

StripChart::~StripChart() = default;

int StripChart::addTrace(const QColor& colour, const QString& name)
{
    auto trace = std::make_unique<Trace>();
    trace->colour = colour;
    trace->name = name;
    trace->store.setGapMs(gapAfter(sampleIntervalMs_));
    traces_.push_back(std::move(trace));
    layer_.invalidate();
    requestRepaint();
    // The panel has a row per trace, made with it: a new trace needs a new panel.
    if (panel_) {
        const bool shown = statisticsShown();
        delete panel_;
        panel_ = nullptr;
        if (shown)
            setStatisticsShown(true);
    }
    return traceCount() - 1;
}

int StripChart::addTrace(const QColor& colour, const QString& name,
                         std::unique_ptr<TraceStore> samples)
{
    const int trace = addTrace(colour, name);
    traces_.back()->store = std::move(*samples);
    if (panel_)
        panel_->scheduleRefresh();
    return trace;
}

void StripChart::setTraceDashed(int trace, bool dashed)
{
    traces_.at(static_cast<std::size_t>(trace))->dashed = dashed;
    layer_.invalidate();
    requestRepaint(plotRect(), false);
}

bool StripChart::traceDashed(int trace) const
{
    return traces_.at(static_cast<std::size_t>(trace))->dashed;
}

QColor StripChart::shownTraceColour(int trace) const
{
    refreshLook();
    return QColor::fromRgb(shownColours_.at(static_cast<std::size_t>(trace)));
}

QColor StripChart::shownLabelColour(int index) const
{
    refreshLook();
    return labelColours_.at(static_cast<std::size_t>(index));
}

void StripChart::setSampleInterval(qint64 intervalMs)
{
    sampleIntervalMs_ = std::max<qint64>(0, intervalMs);
    for (const auto& t : traces_)
        t->store.setGapMs(gapAfter(sampleIntervalMs_));
    layer_.invalidate();
    requestRepaint(plotRect(), false);
}

const TraceStore& StripChart::traceStore(int trace) const
{
    return traces_.at(static_cast<std::size_t>(trace))->store;
}

QColor StripChart::traceColour(int trace) const
{
    return traces_.at(static_cast<std::size_t>(trace))->colour;
}

bool StripChart::addSample(int trace, qint64 timeMs, double value)
{
    TraceStore& store = traces_.at(static_cast<std::size_t>(trace))->store;
    const qint64 previous = store.empty() ? timeMs : store.lastTime();
    if (!store.append(timeMs, value))
        return false;
    checkHistory(store);
    fitFreshSpan();
    if (panel_)
        panel_->scheduleRefresh();
    // The line from the previous sample to this one is what changed.
    const std::int64_t changedFrom = std::min<std::int64_t>(previous, store.lastTime());
    layer_.dataChangedFrom(changedFrom);
    if (view_.following())
        requestScroll();
    else {
        const ColumnGrid grid = visibleColumns();
        if (grid.columnOf(changedFrom) <= grid.lastColumn() + 2)
            requestRepaint(plotRect(), false);
    }
    return true;
}

void StripChart::noteWallClock(qint64 timeMs, qint64 wallMs)
{
    if (wall_.note(timeMs, wallMs))
        requestRepaint(timeStrip(), false); // the labels from here on read the new time
}

int StripChart::addLabel(const TextLabel& label)
{
    labels_.push_back(label);
    labelTexts_.emplace_back();
    reservedWidths_.push_back(-1);
    // A label with a widest text puts every label at its x, earlier ones too, in the legend.
    legendColumn_.assign(labels_.size(), false);
    for (const TextLabel& reserved : labels_)
        if (!reserved.widestText.isEmpty())
            for (std::size_t i = 0; i < labels_.size(); ++i)
                if (labels_[i].position.x() == reserved.position.x())
                    legendColumn_[i] = true;
    legendShift_ = -1;
    requestRepaint();
    return labelCount() - 1;
}

const TextLabel& StripChart::label(int index) const
{
    return labels_.at(static_cast<std::size_t>(index));
}

void StripChart::setLabelText(int index, const QString& text)
{
    TextLabel& label = labels_.at(static_cast<std::size_t>(index));
    if (label.text == text)
        return;
    const QRect before = labelBox(index).toAlignedRect();
    label.text = text;
    if (label.widestText.isEmpty())
        legendShift_ = -1; // a fixed text of the legend column may be the widest line
    const QRect after = labelBox(index).toAlignedRect();
    // A legend line longer than its widest reading (an alarm after it) moves the legend left as
    // far as it needs, and back when it is short again.
    const double reserved = reservedWidth(index) + 2;
    if (!label.widestText.isEmpty() &&
        (before.width() > reserved + 1 || after.width() > reserved + 1)) {
        legendShift_ = -1;
        requestRepaint(QRegion(), false);
        chartLabelChanged(this, index);
        return;
    }
    // A legend line keeps the box of its widest text: mostly, the box is the same.
    requestRepaint(after == before ? QRegion(after) : QRegion(before) + after, false);
    chartLabelChanged(this, index);
}

void StripChart::setLabelGreyed(int index, bool greyed, const QString& toolTip)
{
    TextLabel& label = labels_.at(static_cast<std::size_t>(index));
    label.toolTip = toolTip;
    if (label.greyed == greyed)
        return;
    label.greyed = greyed;
    requestRepaint(labelBox(index).toAlignedRect(), false);
}

bool StripChart::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    for (int i = 0; i < labelCount(); ++i) {
        const QRect box = labelBox(i).toAlignedRect();
        if (!label(i).toolTip.isEmpty() && box.contains(help->pos())) {
            QToolTip::showText(help->globalPos(), label(i).toolTip, this, box);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

void StripChart::setAxisMin(double value)
{
    if (value == axisMin_)
        return;
    axisMin_ = value;
    valueRangeChanged();
}

void StripChart::setAxisMax(double value)
{
    if (value == axisMax_)
        return;
    axisMax_ = value;
    valueRangeChanged();
}

void StripChart::valueRangeChanged()
{
    // Other labels may need other room, and so a narrow chart another minimum.
    const int before = valueLabelRoom();
    valueLabelRoom_ = -1;
    if (valueLabelRoom() != before)
        updateGeometry();
    requestRepaint();
    chartRangeChanged(this);
}

int StripChart::valueLabelRoom() const
{
    // Asked for by the layout before the chart has its size, too (a hidden chart gets its resize
    // event only when shown): worked out for the height it has.
    if (valueLabelRoom_ >= 0 && valueLabelRoomHeight_ == height())
        return valueLabelRoom_;
    valueLabelRoomHeight_ = height();
    // The ticks refreshLook() draws: they depend on the range and the plot's height alone.
    const auto [top, bottom] = plotRows();
    const int maxTicks = std::max(2, std::max(1, bottom - top) / (fontMetrics().height() * 5 / 2));
    const ValueTicks ticks = valueTicks(axisMin_, axisMax_, maxTicks);
    int widest = 0;
    for (double v : ticks.values)
        widest = std::max(widest, fontMetrics().horizontalAdvance(
                                      QString::fromStdString(valueLabel(v, ticks.step))));
    valueLabelRoom_ = widest + kValueLabelGap + 2;
    return valueLabelRoom_;
}

std::pair<int, int> StripChart::plotRows() const
{
    // A low chart keeps the top value label and the time labels whole above and below the plot.
    const int line = fontMetrics().height();
    const int top =
        std::max(static_cast<int>(std::lround(plotArea_.top() * height())), line / 2 + 1);
    const int bottom = std::min(static_cast<int>(std::lround(plotArea_.bottom() * height())),
                                height() - line - kTimeLabelGap - 1);
    return {top, bottom};
}

QSize StripChart::minimumSizeHint() const
{
    // Solved for the width at which the plot, between the value labels (at least its left
    // fraction) and the legend column (at most at its own place, else against the right edge,
    // with the plot at most its right fraction), is still `plot` wide.
    double title = 0;
    double anchor = 1;
    for (int i = 0; i < labelCount(); ++i) {
        if (legendColumn_[static_cast<std::size_t>(i)])
            anchor = std::min(anchor, label(i).position.x());
        else
            title = std::max(title, labelBox(i).width());
    }
    const double plot = std::max<double>(kLeastPlotWidth, title + 2 * kLegendGap);
    const double values = valueLabelRoom();
    const double legend = legendWidth();
    const double gap = legend > 0 ? kLegendGap : 0;
    const double left = plotArea_.left();
    const double right = plotArea_.right();
    const double least = std::max({values + plot + gap + legend, (values + plot) / right,
                                   (plot + gap + legend) / (1 - left), plot / (right - left),
                                   (values + plot + gap) / anchor, (plot + gap) / (anchor - left)});
    return {static_cast<int>(std::ceil(least)) + 2, 120};
}

void StripChart::setPlotArea(double left, double top, double right, double bottom)
{
    plotArea_ = QRectF(QPointF(left, top), QPointF(right, bottom));
    syncViewWidth();
    requestRepaint();
}

QRect StripChart::plotRect() const
{
    const int left =
        std::max(static_cast<int>(std::lround(plotArea_.left() * width())), valueLabelRoom());
    const int right = std::min(static_cast<int>(std::lround(plotArea_.right() * width())),
                               static_cast<int>(std::floor(legendLeft())) - kLegendGap);
    const auto [top, bottom] = plotRows();
    return QRect(QPoint(left, top), QSize(std::max(1, right - left), std::max(1, bottom - top)));
}

QSize StripChart::plotDeviceSize() const
{
    const QSizeF logical = plotRect().size();
    const double dpr = devicePixelRatioF();
    return QSize(static_cast<int>(std::lround(logical.width() * dpr)),
                 static_cast<int>(std::lround(logical.height() * dpr)));
}

void StripChart::setTimeFormats(const QStringList& formats)
{
    timeFormats_ = formats;
    while (timeFormats_.size() < kTimeFormatCount)
        timeFormats_.append(kDefaultTimeFormats.at(timeFormats_.size()));
    timeFormatStrings_.clear();
    for (const QString& f : timeFormats_)
        timeFormatStrings_.push_back(f.toStdString());
    timeLabelTexts_.clear();
    labelWidths_.fill(0);
    requestRepaint();
}

void StripChart::setClock(std::function<qint64()> nowMs)
{
    now_ = std::move(nowMs);
}

std::int64_t StripChart::newestTime() const
{
    bool any = false;
    std::int64_t newest = std::numeric_limits<std::int64_t>::min();
    for (const auto& t : traces_)
        if (!t->store.empty()) {
            newest = std::max(newest, t->store.lastTime());
            any = true;
        }
    return any ? newest : now_();
}

std::int64_t StripChart::oldestTime() const
{
    bool any = false;
    std::int64_t oldest = std::numeric_limits<std::int64_t>::max();
    for (const auto& t : traces_)
        if (!t->store.empty()) {
            oldest = std::min(oldest, t->store.time(0));
            any = true;
        }
    return any ? oldest : newestTime();
}

void StripChart::syncViewWidth()
{
    view_.setWidth(plotDeviceSize().width());
}

ColumnGrid StripChart::visibleColumns() const
{
    TimeView view = view_;
    view.setWidth(plotDeviceSize().width());
    return view.grid(newestTime());
}

void StripChart::fitFreshSpan()
{
    if (spanChosen_ || !view_.following())
        return;
    const std::int64_t history = newestTime() - oldestTime();
    std::int64_t span = TimeView::kDefaultSpanMs;
    for (std::int64_t fresh : kFreshSpansMs)
        if (fresh >= history + history / 10) {
            span = fresh;
            break;
        }
    if (span != view_.spanMs()) {
        view_.setSpanMs(span);
        requestRepaint(QRegion(plotRect()) + timeStrip(), false);
    }
}

void StripChart::setVisibleSpan(qint64 spanMs)
{
    spanChosen_ = true;
    view_.setSpanMs(spanMs);
    viewChanged();
}

void StripChart::followNewest()
{
    view_.follow();
    viewChanged();
}

void StripChart::showWholeHistory()
{
    spanChosen_ = true;
    syncViewWidth();
    view_.showAll(oldestTime(), newestTime());
    viewChanged();
}

void StripChart::panColumns(qint64 columns)
{
    syncViewWidth();
    view_.pan(columns, oldestTime(), newestTime());
    viewChanged();
}

void StripChart::zoomBy(double factor, int column)
{
    spanChosen_ = true;
    syncViewWidth();
    view_.zoom(factor, column, oldestTime(), newestTime());
    viewChanged();
}

void StripChart::viewChanged()
{
    followAction_->setChecked(view_.following());
    requestScroll();
    if (panel_)
        panel_->scheduleRefresh();
}

void StripChart::requestScroll()
{
    if (scrollRequested_)
        return;
    requestRepaint(QRegion(plotRect()) + timeStrip(), false);
    scrollRequested_ = isVisible(); // a hidden chart asks for nothing; shown, it paints all
}

void StripChart::requestRepaint(const QRegion& area, bool frameChanged)
{
    // update() already merges every request of one event-loop turn into one repaint; the frame
    // timer also spaces repaints out when requests come faster than the screen can show them.
    if (frameChanged) {
        frameValid_ = false;
        lookValid_ = false;
    }
    if (!isVisible())
        return;
    const QRegion wanted = area.isEmpty() ? QRegion(rect()) : area;
    if (frameTimer_.isActive()) {
        pending_ += wanted;
        return;
    }
    const qint64 since = sincePaint_.isValid() ? sincePaint_.elapsed() : kMinFrameMs;
    if (since >= kMinFrameMs) {
        update(wanted); // nothing is pending while the frame timer is idle
        return;
    }
    pending_ += wanted;
    frameTimer_.start(static_cast<int>(kMinFrameMs - since));
}

void StripChart::flushRepaint()
{
    update(pending_);
    pending_ = QRegion();
}

std::vector<PlotTrace> StripChart::plotTraces() const
{
    refreshLook();
    std::vector<PlotTrace> traces;
    traces.reserve(traces_.size());
    for (std::size_t i = 0; i < traces_.size(); ++i)
        traces.push_back({&traces_[i]->store, shownColours_[i], traces_[i]->dashed});
    return traces;
}

int StripChart::timeLabelWidth(int formatIndex) const
{
    int& width = labelWidths_.at(static_cast<std::size_t>(formatIndex));
    if (width == 0) {
        const std::string text =
            formatLocalTime(widestLabelTime(), timeFormats_.at(formatIndex).toStdString());
        width = std::max(1, fontMetrics().horizontalAdvance(QString::fromLocal8Bit(text)));
    }
    return width;
}

TimeStep StripChart::currentTimeStep(const ColumnGrid& grid) const
{
    return chooseTimeStep(grid.width * grid.columnMs, plotRect().width(),
                          [this](int format) { return timeLabelWidth(format); });
}

void StripChart::refreshLook() const
{
    // All but the time grid changes only with the size, the range, the palette or the font:
    // worked out again only then, not on every repaint.
    if (lookValid_ && look_.size == plotDeviceSize())
        return;
    look_.size = plotDeviceSize();
    look_.topValue = axisMax_;
    look_.bottomValue = axisMin_;
    const int maxTicks = std::max(2, plotRect().height() / (fontMetrics().height() * 5 / 2));
    ValueTicks ticks = valueTicks(axisMin_, axisMax_, maxTicks);
    look_.valueGrid = std::move(ticks.values);
    look_.valueStep = ticks.step;
    look_.lineWidth = std::max(1, static_cast<int>(std::lround(devicePixelRatioF())));
    const QColor base = palette().color(QPalette::Base);
    look_.background = base.rgb();
    look_.gridColour = blend(base, palette().color(QPalette::Text), 0.15);
    QList<QColor> given;
    for (const auto& t : traces_)
        given.append(t->colour);
    const QList<QColor> onPlot = readableAndApart(given, base);
    shownColours_.clear();
    for (const QColor& c : onPlot)
        shownColours_.push_back(c.rgb());
    // A label is readable on what it is drawn over, the plot or the margin around it; a legend
    // line in a trace's colour is told apart from the other legend lines as the traces are.
    const QColor margin = palette().color(QPalette::Window);
    const QList<QColor> onMargin = readableAndApart(given, margin);
    const QRectF plot(plotRect());
    labelColours_.clear();
    for (int i = 0; i < labelCount(); ++i) {
        const QRectF box = labelBox(i);
        const bool overPlot = box.intersects(plot);
        const bool overMargin = !plot.contains(box);
        const qsizetype trace = given.indexOf(label(i).colour);
        QColor c = trace < 0 ? label(i).colour : (overPlot ? onPlot : onMargin).at(trace);
        if (overPlot)
            c = readableOn(c, base);
        if (overMargin)
            c = readableOn(c, margin);
        labelColours_.push_back(c);
    }
    lookValid_ = true;
}

PlotLook StripChart::currentLook(const ColumnGrid& grid) const
{
    refreshLook();
    PlotLook look = look_;
    look.timeGrid = currentTimeStep(grid);
    return look;
}

QImage StripChart::renderPlot()
{
    syncViewWidth();
    const ColumnGrid grid = view_.grid(newestTime());
    layer_.render(grid, currentLook(grid), plotTraces());
    return layer_.straightImage();
}

void StripChart::paintEvent(QPaintEvent* event)
{
    ++paintCount_;
    sincePaint_.restart();
    scrollRequested_ = false;
    syncViewWidth();
    const ColumnGrid grid = view_.grid(newestTime());
    const PlotLook look = currentLook(grid);
    layer_.render(grid, look, plotTraces());
    const double dpr = devicePixelRatioF();
    if (!frameValid_ || frame_.size() != size() * dpr || frame_.devicePixelRatio() != dpr)
        drawFrame(look);

    QPainter p(this);
    const QRegion region = event->region();
    const QRect plot = plotRect();
    for (const QRect& r : region.subtracted(plot))
        drawInBands(p, QRectF(r), frame_,
                    QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr));
    const QRect plotPart = region.intersected(plot).boundingRect();
    if (!plotPart.isEmpty()) {
        // A plain rectangle clip lets the painter copy the image rows straight through.
        p.setClipRect(plotPart);
        drawPlot(p, plotPart);
        drawTools(p, grid);
        drawLimits(p);
        const QRectF tag = pausedTagBox();
        if (!tag.isEmpty()) {
            p.setPen(palette().color(QPalette::Text));
            p.setBrush(palette().color(QPalette::Base));
            p.drawRect(tag);
            p.setFont(font());
            p.drawText(tag, Qt::AlignCenter, kPausedTag);
        }
        drawHistoryStatus(p);
        p.setClipping(false);
    }
    if (region.intersects(timeStrip())) {
        p.setPen(palette().color(QPalette::WindowText));
        p.setFont(font());
        for (const AxisText& t : timeLabels(grid, look.timeGrid))
            p.drawStaticText(t.box.topLeft(), staticTimeText(t.text));
    }
    drawTextLabels(p, region);
    if (hasFocus()) {
        // Where the keys go, as on any focused control: a focus frame just around the plot.
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = plot.adjusted(-3, -3, 3, 3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

void StripChart::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void StripChart::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void StripChart::drawFrame(const PlotLook& look)
{
    const double dpr = devicePixelRatioF();
    frame_ = QPixmap(size() * dpr);
    frame_.setDevicePixelRatio(dpr);
    frame_.fill(palette().color(QPalette::Window));
    QPainter p(&frame_);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(plotRect().adjusted(-1, -1, 0, 0));
    for (const AxisText& t : valueLabels(look))
        p.drawText(t.box, t.flags, t.text);
    frameValid_ = true;
}

void StripChart::drawPlot(QPainter& p, const QRect& area) const
{
    // Only the columns under `area`, straight from the ring: nothing is moved or copied whole.
    const QRect plot = plotRect();
    const QImage& image = layer_.image();
    if (image.isNull())
        return;
    const double scale = static_cast<double>(plot.width()) / image.width();
    const int from = static_cast<int>(std::floor((area.left() - plot.left()) / scale));
    const int to = static_cast<int>(std::ceil((area.right() + 1 - plot.left()) / scale));
    for (const PlotLayer::Piece& piece : layer_.pieces(from, to)) {
        // The image holds device pixels: each maps to one of the screen, also at scale 2.
        drawInBands(p,
                    QRectF(plot.left() + piece.viewX * scale, plot.top(), piece.count * scale,
                           plot.height()),
                    image, QRectF(piece.imageX, 0, piece.count, image.height()));
    }
}

QRectF StripChart::pausedTagBox() const
{
    if (view_.following())
        return {};
    const QRect plot = plotRect();
    const QFontMetrics fm = fontMetrics();
    const QRectF box(plot.left() + 4, plot.top() + 4, fm.horizontalAdvance(kPausedTag) + 8,
                     fm.height() + 4);
    return box.intersected(QRectF(plot));
}

QRect StripChart::timeStrip() const
{
    const QRect plot = plotRect();
    return QRect(0, plot.bottom() + 1, width(), std::max(0, height() - plot.bottom() - 1));
}

std::vector<StripChart::AxisText> StripChart::valueLabels(const PlotLook& look) const
{
    std::vector<AxisText> out;
    const QRect plot = plotRect();
    const QFontMetrics fm = fontMetrics();
    const ValueMap rows(look.topValue, look.bottomValue, look.size.height());
    const double dpr = devicePixelRatioF();
    for (double v : look.valueGrid) {
        const double y = plot.top() + (rows.row(static_cast<float>(v)) + 0.5) / dpr;
        const QString text = QString::fromStdString(valueLabel(v, look.valueStep));
        const int w = fm.horizontalAdvance(text);
        const double right = plot.left() - 4;
        out.push_back({QRectF(right - w, y - fm.height() / 2.0, w, fm.height()), text,
                       Qt::AlignRight | Qt::AlignVCenter});
    }
    return out;
}

std::vector<StripChart::AxisText> StripChart::timeLabels(const ColumnGrid& grid,
                                                         const TimeStep& step) const
{
    std::vector<AxisText> out;
    const QRect plot = plotRect();
    const QFontMetrics fm = fontMetrics();
    const double dpr = devicePixelRatioF();
    const double top = plot.bottom() + kTimeLabelGap;
    // A label never reaches left of the plot, where the value axis labels stand.
    const double leftmost = plot.left();
    double lastRight = -1e9;
    // Ticks fall on round wall times; where the wall clock stepped, they follow its new reading.
    for (const WallClockMap::Piece& piece : wall_.pieces(grid.startMs(), grid.endMs() - 1)) {
        const std::int64_t offset = piece.offsetMs;
        for (std::int64_t wall : timeTicks(step, piece.fromMs + offset, piece.toMs + offset)) {
            const std::int64_t t = wall - offset;
            const double x = plot.left() + (grid.columnOf(t) - grid.firstColumn + 0.5) / dpr;
            const QString text = timeLabelText(step, wall);
            const double w = staticTimeText(text).size().width();
            const double left =
                std::clamp(x - w / 2.0, leftmost, std::max(leftmost, width() - w - 1.0));
            if (left < lastRight + 4)
                continue;
            out.push_back({QRectF(left, top, w, fm.height()), text, Qt::AlignLeft | Qt::AlignTop});
            lastRight = left + w;
        }
    }
    return out;
}

std::vector<QRectF> StripChart::axisLabelBoxes() const
{
    const ColumnGrid grid = visibleColumns();
    const PlotLook look = currentLook(grid);
    std::vector<QRectF> boxes;
    for (const AxisText& t : valueLabels(look))
        boxes.push_back(t.box);
    for (const AxisText& t : timeLabels(grid, look.timeGrid))
        boxes.push_back(t.box);
    return boxes;
}

std::vector<std::pair<QRectF, QString>> StripChart::timeAxisLabels() const
{
    const ColumnGrid grid = visibleColumns();
    std::vector<std::pair<QRectF, QString>> labels;
    for (const AxisText& t : timeLabels(grid, currentTimeStep(grid)))
        labels.emplace_back(t.box, t.text);
    return labels;
}

QString StripChart::timeLabelText(const TimeStep& step, std::int64_t wallMs) const
{
    // A following chart shows the same ticks paint after paint, only moved.
    if (!(step == timeLabelStep_) || timeLabelTexts_.size() > 256) {
        timeLabelTexts_.clear();
        timeLabelStep_ = step;
    }
    auto found = timeLabelTexts_.find(wallMs);
    if (found == timeLabelTexts_.end())
        found = timeLabelTexts_.insert(
            wallMs, QString::fromLocal8Bit(timeLabel(step, wallMs, timeFormatStrings_)));
    return *found;
}

const QStaticText& StripChart::staticTimeText(const QString& text) const
{
    auto found = timeTexts_.find(text);
    if (found != timeTexts_.end())
        return *found;
    if (timeTexts_.size() > 256) // a long session shows ever new dates
        timeTexts_.clear();
    QStaticText laidOut(text);
    laidOut.setTextFormat(Qt::PlainText);
    laidOut.prepare(QTransform(), font());
    return *timeTexts_.insert(text, laidOut);
}

QRectF StripChart::labelBox(int index) const
{
    const TextLabel& label = labels_.at(static_cast<std::size_t>(index));
    QuickText& laidOut = labelTexts_.at(static_cast<std::size_t>(index));
    laidOut.setText(label.text, label.font);
    const QSizeF size = laidOut.size();
    const double w = std::max(size.width(), reservedWidth(index));
    const double anchor = label.position.x() * width();
    // The legend lines move left together, by an amount that depends on the size alone; any
    // other text that would run off a narrow chart moves left just enough to stay readable.
    const double x = legendColumn_[static_cast<std::size_t>(index)]
                         ? anchor - legendShift()
                         : std::min(anchor, legendLeft() - kLegendGap - size.width() - 2);
    return QRectF(std::max(0.0, x), label.position.y() * height(), w + 2, size.height() + 1);
}

double StripChart::reservedWidth(int index) const
{
    double& width = reservedWidths_.at(static_cast<std::size_t>(index));
    if (width < 0) {
        const TextLabel& l = label(index);
        const QFontMetricsF metrics(l.font, this);
        // After the widest reading, room for a mark as high as the line (an alarm, say).
        width = l.widestText.isEmpty()
                    ? 0.0
                    : metrics.horizontalAdvance(l.widestText + QLatin1Char(' ')) + metrics.height();
    }
    return width;
}

double StripChart::legendShift() const
{
    if (legendShift_ >= 0 && legendShiftWidth_ == width())
        return legendShift_;
    legendShiftWidth_ = width();
    legendShift_ = 0; // what the boxes' widths below are measured with; they do not depend on it
    double shift = 0;
    for (int i = 0; i < labelCount(); ++i) {
        if (!legendColumn_[static_cast<std::size_t>(i)])
            continue;
        const QRectF box = labelBox(i);
        shift = std::max(shift, label(i).position.x() * width() + box.width() - width());
    }
    legendShift_ = shift;
    legendLeft_ = width();
    for (int i = 0; i < labelCount(); ++i)
        if (legendColumn_[static_cast<std::size_t>(i)])
            legendLeft_ =
                std::min(legendLeft_, std::max(0.0, label(i).position.x() * width() - shift));
    return shift;
}

double StripChart::legendLeft() const
{
    const bool any =
        std::find(legendColumn_.begin(), legendColumn_.end(), true) != legendColumn_.end();
    if (!any)
        return width() + kLegendGap; // the plot and the titles may reach the right edge
    legendShift();
    return legendLeft_;
}

double StripChart::legendWidth() const
{
    double widest = 0;
    for (int i = 0; i < labelCount(); ++i)
        if (legendColumn_[static_cast<std::size_t>(i)])
            widest = std::max(widest, labelBox(i).width());
    return widest;
}

void StripChart::drawTextLabels(QPainter& p, const QRegion& region) const
{
    for (int i = 0; i < labelCount(); ++i) {
        const QRectF box = labelBox(i);
        if (!region.intersects(box.toAlignedRect()))
            continue;
        const TextLabel& label = labels_[static_cast<std::size_t>(i)];
        p.setFont(label.font);
        p.setPen(label.greyed ? greyedLabelColour() : shownLabelColour(i));
        // A laid-out text draws its underline away from the glyphs once the chart is not at its
        // window's origin or the scale is not 1; an underlined title is drawn plainly.
        if (label.font.underline())
            p.drawText(box, Qt::AlignLeft | Qt::AlignTop, label.text);
        else
            labelTexts_[static_cast<std::size_t>(i)].draw(p, box.topLeft());
    }
}

QColor StripChart::greyedLabelColour() const
{
    // The desktop's colour for disabled text, still readable on the margin the legend stands on.
    return readableOn(palette().color(QPalette::Disabled, QPalette::WindowText),
                      palette().color(QPalette::Window));
}

void StripChart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    frameValid_ = false;
    lookValid_ = false;
    legendShift_ = -1;
    valueLabelRoom_ = -1;
    syncViewWidth();
}

void StripChart::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    syncViewWidth();
    pending_ = QRegion();
    update();
}

void StripChart::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        labelWidths_.fill(0);
        legendShift_ = -1;
        valueLabelRoom_ = -1;
        std::fill(reservedWidths_.begin(), reservedWidths_.end(), -1.0);
        updateGeometry();
        timeTexts_.clear();
    }
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::StyleChange)
        requestRepaint();
}

void StripChart::wheelEvent(QWheelEvent* event)
{
    const QPoint angle = event->angleDelta();
    const double dpr = devicePixelRatioF();
    if (angle.x() != 0 || (event->modifiers() & Qt::ShiftModifier)) {
        const double notches = (angle.x() != 0 ? angle.x() : angle.y()) / 120.0;
        panColumns(std::llround(-notches * view_.width() / kPanDivisions));
    } else {
        const double notches = angle.y() / 120.0;
        const int column = static_cast<int>((event->position().x() - plotRect().left()) * dpr);
        zoomBy(std::pow(kZoomStep, notches), column);
    }
    event->accept();
}

void StripChart::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && plotRect().contains(event->position().toPoint()) &&
        (event->modifiers() & Qt::ShiftModifier)) {
        // A selection: both cursors, the second one following the mouse.
        selecting_ = true;
        cursors_.clear();
        placeCursorAt(timeAtX(event->position().x()));
        if (cursors_.count() == 1)
            placeCursorAt(cursors_.time(0));
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && plotRect().contains(event->position().toPoint())) {
        dragging_ = true;
        dragStartX_ = event->position().x();
        dragAppliedColumns_ = 0;
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void StripChart::mouseMoveEvent(QMouseEvent* event)
{
    if (selecting_) {
        if (const auto t = nearestSampleTime(stores(), timeAtX(event->position().x()))) {
            cursors_.move(*t);
            cursorsChanged();
        }
        return;
    }
    if (!dragging_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    // Dragging the plot to the right brings earlier samples into view.
    const qint64 total = std::llround(-(event->position().x() - dragStartX_) * devicePixelRatioF());
    if (total != dragAppliedColumns_) {
        panColumns(total - dragAppliedColumns_);
        dragAppliedColumns_ = total;
    }
}

void StripChart::mouseReleaseEvent(QMouseEvent* event)
{
    if (selecting_ && event->button() == Qt::LeftButton) {
        selecting_ = false;
        if (cursors_.count() == ChartCursors::kMax && cursors_.time(0) == cursors_.time(1))
            removeCursor(); // a Shift-click: one cursor, no selection
        return;
    }
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        unsetCursor();
        // A press and release without a drag is a click: it places a cursor.
        if (dragAppliedColumns_ == 0 && std::abs(event->position().x() - dragStartX_) < 3) {
            cursorsBeforeClick_ = cursors_;
            placeCursorAt(timeAtX(event->position().x()));
        }
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void StripChart::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (cursorsBeforeClick_) {
        cursors_ = *cursorsBeforeClick_;
        cursorsBeforeClick_.reset();
        cursorsChanged();
    }
    followNewest();
}

void StripChart::keyPressEvent(QKeyEvent* event)
{
    if (toolKeyPressed(event))
        return;
    const qint64 page = std::max<qint64>(1, view_.width() / kPanDivisions);
    switch (event->key()) {
    case Qt::Key_End:
        followNewest();
        break;
    case Qt::Key_Home:
        showWholeHistory();
        break;
    case Qt::Key_Left:
        panColumns(-page);
        break;
    case Qt::Key_Right:
        panColumns(page);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomBy(kZoomStep, view_.width() - 1);
        break;
    case Qt::Key_Minus:
        zoomBy(1 / kZoomStep, view_.width() - 1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void StripChart::contextMenuEvent(QContextMenuEvent* event)
{
    followAction_->setChecked(view_.following());
    QMenu menu(this);
    menu.addAction(followAction_);
    menu.addAction(wholeHistoryAction_);
    menu.addSeparator();
    menu.addAction(saveImageAction_);
    menu.addAction(copyDataAction_);
    addToolActions(menu,
                   event->reason() == QContextMenuEvent::Mouse ? event->pos() : QPoint(-1, -1));
    if (!ownerActions_.empty())
        menu.addSeparator();
    for (QAction* a : ownerActions_)
        menu.addAction(a);
    menu.exec(event->globalPos());
    menuTimeMs_.reset();
}

bool StripChart::saveImage(const QString& path)
{
    return grab().toImage().save(path, "PNG");
}

void StripChart::saveImageInteractively()
{
    QString path = files_->chooseFile(this, QString(), tr("PNG image (*.png)"),
                                      {tr("Save Image"), ChooserMode::Save});
    if (path.isEmpty())
        return;
    if (!path.endsWith(".png", Qt::CaseInsensitive))
        path += ".png";
    if (!saveImage(path))
        prompts_->showMessage(
            this, MessageIcon::Warning,
            tr("The image could not be saved to %1.").arg(QDir::toNativeSeparators(path)));
}

void StripChart::setDialogs(FileChooser& files, Prompts& prompts)
{
    files_ = &files;
    prompts_ = &prompts;
}

QString StripChart::visibleDataCsv() const
{
    const ColumnGrid grid = visibleColumns();
    std::vector<NamedTrace> named;
    for (const auto& t : traces_)
        named.push_back({&t->store, t->name.toStdString()});
    return QString::fromStdString(
        samplesAsCsv(named, grid.startMs(), grid.endMs(), sampleIntervalMs_, wall_));
}

void StripChart::copyVisibleData() const
{
    QGuiApplication::clipboard()->setText(visibleDataCsv());
}

} // namespace zr::chart
