// SPDX-License-Identifier: MIT
#pragma once

// A strip chart that keeps the whole session. Each trace holds every sample it was given, in
// about 6 bytes per sample for the last day and a tenth of a byte for older ones, whose samples
// live in a cache file (trace_store.h); the plot draws any span at the cost of its pixel columns,
// not of its samples. The view follows the newest sample by default; the mouse wheel zooms the time
// axis, dragging or Shift+wheel scrolls back through the history, and a double click (or End,
// or the context menu) returns to following; while it does not follow, a tag in the plot says so.
// A fresh chart starts with a short span that grows with its history up to the default span, so
// the first samples are not squeezed against the right edge. The context menu also saves the
// chart as a PNG image and copies the visible samples as CSV text.
//
// Repaints are coalesced: adding samples only marks columns, and at most one repaint per event
// loop turn (and at most one per frame interval) draws them. A hidden chart draws nothing.
// A repaint covers only what changed: the plot and the time axis when the view scrolls, a legend
// when its text changes. The frame, the margins and the value axis come from a cached picture
// that is drawn again only when the size, the range, the palette or the font change.

#include "graphs/strip_chart/cursors.h"
#include "graphs/strip_chart/markers.h"
#include "graphs/strip_chart/plot_layer.h"
#include "graphs/strip_chart/time_view.h"
#include "graphs/strip_chart/trace_store.h"
#include "graphs/strip_chart/wall_clock_map.h"
#include "platform/file_chooser.h"
#include "platform/prompts.h"
#include "platform/text_prompt.h"
#include "widgets/quick_text.h"

#include <QElapsedTimer>
#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QRegion>
#include <QStaticText>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QMenu;

namespace zr::chart {

class StatisticsPanel;

struct TextLabel {
    QString text;
    QColor colour;
    QFont font;
    QPointF position; // top left of the text, as fractions of the chart's width and height
    // The widest text the label will ever show (a legend's widest reading), empty for a fixed
    // text. Room for it is kept, so that a legend stays where it is as its reading changes.
    QString widestText = {};
    // Drawn in grey, the text unchanged: what it shows is no longer current.
    bool greyed = false;
    QString toolTip = {}; // shown over the label
};

class StripChart : public QWidget {
    Q_OBJECT
public:
    explicit StripChart(QWidget* parent = nullptr);
    ~StripChart() override;

    // Traces, drawn in the order added (later ones on top).
    int addTrace(const QColor& colour, const QString& name);
    // A trace whose samples were gathered elsewhere (a log read from a file), taken over whole,
    // with the gaps it was given: those who gathered it know where readings are missing.
    int addTrace(const QColor& colour, const QString& name, std::unique_ptr<TraceStore> samples);
    // A dashed trace tells a second run apart from the first in the same colour.
    void setTraceDashed(int trace, bool dashed);
    bool traceDashed(int trace) const;
    int traceCount() const { return static_cast<int>(traces_.size()); }
    const TraceStore& traceStore(int trace) const;
    QColor traceColour(int trace) const;
    // The colours as drawn: the given ones, made readable on the palette's plot or margin colour
    // they are drawn over and kept apart from each other (platform/readable_colour.h).
    QColor shownTraceColour(int trace) const;
    QColor shownLabelColour(int index) const;
    // The time between samples when none is missing. A sample that comes more than two and a
    // half intervals after the one before it breaks the line (the board was lost, reads failed):
    // nothing stale is drawn across the time without readings. 0 (the default) never breaks it.
    void setSampleInterval(qint64 intervalMs);
    // Appends a sample to a trace; false when the value cannot be plotted (NaN). timeMs places it
    // on the chart's steady timeline, which is also its wall time until noteWallClock says else.
    bool addSample(int trace, qint64 timeMs, double value);
    // The wall clock read wallMs at timeline time timeMs: time labels, copied data and the like
    // show wall times, so after the clock was set back or forward they show the new time.
    void noteWallClock(qint64 timeMs, qint64 wallMs);
    const WallClockMap& wallClock() const { return wall_; }

    int addLabel(const TextLabel& label);
    int labelCount() const { return static_cast<int>(labels_.size()); }
    const TextLabel& label(int index) const;
    void setLabelText(int index, const QString& text);
    void setLabelGreyed(int index, bool greyed, const QString& toolTip = {});
    // Where label `index` is drawn, in widget pixels. Legend lines (a label with a widest text,
    // and the labels above or below it) keep their place whatever their readings.
    QRectF labelBox(int index) const;

    // The vertical axis; the ends may cross for a moment while both are being moved.
    double axisMin() const { return axisMin_; }
    double axisMax() const { return axisMax_; }
    void setAxisMin(double value);
    void setAxisMax(double value);

    // The plot area as fractions of the chart (left, top, right, bottom), and its pixels. On a
    // narrow chart the plot gives way: it starts right of the widest value label and ends left of
    // the legend column, so that neither is cut or drawn over the newest samples.
    void setPlotArea(double left, double top, double right, double bottom);
    QRect plotRect() const;
    // The least width at which the value labels, a plot with room for its title, and the legend
    // lines with their widest readings (and an alarm mark after each) stand side by side.
    QSize minimumSizeHint() const override;
    // Time label formats, strftime conversions, by the index described in time_axis.h.
    void setTimeFormats(const QStringList& formats);
    // The current timeline time, for the time axis of a chart without samples.
    void setClock(std::function<qint64()> nowMs);

    const TimeView& timeView() const { return view_; }
    ColumnGrid visibleColumns() const;
    void setVisibleSpan(qint64 spanMs);
    void followNewest();
    void showWholeHistory();
    void panColumns(qint64 columns);
    void zoomBy(double factor, int column);

    bool saveImage(const QString& path);
    QString visibleDataCsv() const;
    void copyVisibleData() const;
    // What "Save Image" asks for the file with, and tells a failure through. Until set, the
    // desktop's own file dialog and message boxes.
    void setDialogs(FileChooser& files, Prompts& prompts);
    // What "Add Note..." asks for the note's text with; until set, the desktop's input dialog.
    void setTextPrompt(TextPrompt& prompt);

    // The label in the largest type.
    QString title() const;
    // Shown after every value of a readout or of the statistics ("°C").
    void setValueUnit(const QString& unit);
    const QString& valueUnit() const { return unit_; }
    const QString& traceName(int trace) const;
    // A wall time as readouts show it, local time to the millisecond ("14:03:07.250"), or with
    // the date in front ("2026-12-08 14:03:07.250").
    QString wallTimeText(std::int64_t timeMs, bool withDate = false) const;

    // Cursors, on sample times: added at a third and two thirds of the plot, moved by samples or
    // by columns (the view scrolls to keep the active one in sight), removed one by one.
    const ChartCursors& cursors() const { return cursors_; }
    void addCursor();
    void placeCursorAt(std::int64_t timeMs);
    void moveCursor(int samples);
    void moveCursorByColumns(int columns);
    void removeCursor();
    void clearCursors();
    // "Cursor 1 at 14:03:07.250: Internal 24.50°C, External 23.75°C"
    QString cursorReadout(int cursor) const;
    // "Between the cursors: Δt 600.000 s; Internal Δ 0.25°C, 0.025°C/min; ..."; empty below two.
    QString betweenReadout() const;

    // What the statistics cover: [from, to) of the timeline, the span between the two cursors
    // (both samples included) when there are two, else the visible span.
    std::pair<std::int64_t, std::int64_t> statisticsSpan() const;
    bool hasSelection() const { return cursors_.count() == ChartCursors::kMax; }
    void setStatisticsShown(bool shown);
    bool statisticsShown() const;
    StatisticsPanel* statisticsPanel() const { return panel_; } // made when first shown

    // Markers and notes on the timeline; a note can be deleted by the user.
    void addMarker(std::int64_t timeMs, const QString& text, bool note = false);
    const MarkerList& markers() const { return markers_; }
    // A note at the active cursor, or at the newest sample without cursors, asked for.
    void addNoteInteractively();
    // Deletes the note nearest the active cursor (the newest sample without cursors).
    void deleteNote();

    // What assistive technology reads beyond the labels and the range: the cursors' readouts,
    // the readout between them, then the markers.
    int accessibleItemCount() const;
    QString accessibleItemText(int item) const;
    QRect accessibleItemRect(int item) const;

    // Limits across the plot as dashed lines in their trace's colour, and an alarm that fires:
    // the plot's edge shaded.
    struct LimitLine {
        int trace;
        double value;
    };
    void setLimitLines(std::vector<LimitLine> lines);
    const std::vector<LimitLine>& limitLines() const { return limitLines_; }
    void setAlarmShade(bool shaded);
    bool alarmShade() const { return alarmShade_; }
    // Where a limit line is drawn, in widget pixels; none when it is off the plot.
    std::optional<double> limitLineY(double value) const;
    // The owner's actions, at the end of the context menu; their keys work while the chart has
    // the focus.
    void addMenuAction(QAction* action);

signals:
    void noteAdded(const QString& text);
    void noteRemoved(const QString& text);

public:
    std::int64_t newestTime() const;
    std::int64_t oldestTime() const;
    // The plot area as last drawn, one pixel per column, and how many repaints ran.
    QImage plotImage() const { return layer_.straightImage(); }
    int paintCount() const { return paintCount_; }
    // The plot area drawn for the current view, without painting the widget.
    QImage renderPlot();
    // Where the value and time axis labels are drawn for the current view, in widget pixels.
    std::vector<QRectF> axisLabelBoxes() const;
    // The time axis labels for the current view, left to right: where each stands, its text.
    std::vector<std::pair<QRectF, QString>> timeAxisLabels() const;
    // Where the "Paused" tag is drawn; empty while the view follows the newest sample.
    QRectF pausedTagBox() const;
    // What the status line at the plot's foot says about older history: empty while it is whole;
    // else that it stays in memory (no cache file could be had) or is no longer complete (the
    // cache file failed). The first time it says so, the user is also told in a message box.
    const QString& historyStatus() const { return historyStatus_; }
    QRectF historyStatusBox() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct Trace {
        TraceStore store;
        QColor colour;
        QString name;
        bool dashed = false;
    };
    // Asks for a repaint of `area` (of everything when empty); `frameChanged` also redraws the
    // cached frame.
    void requestRepaint(const QRegion& area = {}, bool frameChanged = true);
    void flushRepaint();
    // Asks for a repaint of the plot and the time axis, once until the next repaint: every
    // sample of a tick scrolls the same view.
    void requestScroll();
    void viewChanged();
    void syncViewWidth();
    void refreshLook() const;
    PlotLook currentLook(const ColumnGrid& grid) const;
    TimeStep currentTimeStep(const ColumnGrid& grid) const;
    int timeLabelWidth(int formatIndex) const;
    struct AxisText {
        QRectF box;
        QString text;
        int flags;
    };
    std::vector<AxisText> valueLabels(const PlotLook& look) const;
    std::vector<AxisText> timeLabels(const ColumnGrid& grid, const TimeStep& step) const;
    QRect timeStrip() const;
    double reservedWidth(int index) const;
    double legendShift() const;
    // Where the legend column begins and how wide its widest box is; width() and 0 without one.
    double legendLeft() const;
    double legendWidth() const;
    // From the chart's left edge to the plot: the widest value label and its gap.
    int valueLabelRoom() const;
    // The plot's top and bottom rows.
    std::pair<int, int> plotRows() const;
    void valueRangeChanged();
    const QStaticText& staticTimeText(const QString& text) const;
    // The label of a tick at wall time `wallMs`, formatted once while the step and formats stay.
    QString timeLabelText(const TimeStep& step, std::int64_t wallMs) const;
    void drawFrame(const PlotLook& look);
    void drawPlot(QPainter& p, const QRect& area) const;
    void drawTextLabels(QPainter& p, const QRegion& region) const;
    QColor greyedLabelColour() const;
    void saveImageInteractively();
    void fitFreshSpan();
    QSize plotDeviceSize() const;
    std::vector<PlotTrace> plotTraces() const;
    std::vector<const TraceStore*> stores() const;
    // The timeline time under widget x, and the widget x of a time (NaN when not in view).
    std::int64_t timeAtX(double x) const;
    double xOfTime(std::int64_t timeMs, const ColumnGrid& grid) const;
    // Readouts as drawn: one line each.
    QStringList cursorLines(int cursor) const;
    QStringList betweenLines() const;
    void cursorsChanged();
    void markersChanged();
    void keepCursorInView();
    void deleteNoteAt(std::size_t index);
    int firstMarkerItem() const;
    void drawTools(QPainter& p, const ColumnGrid& grid) const;
    void drawLimits(QPainter& p) const;
    void drawReadoutBox(QPainter& p, const QRectF& anchor, bool rightOf,
                        const QStringList& lines) const;
    bool toolKeyPressed(QKeyEvent* event);
    void addToolActions(QMenu& menu, const QPoint& at);
    void makeToolActions();
    void checkHistory(const TraceStore& store);
    void drawHistoryStatus(QPainter& p) const;

    std::vector<std::unique_ptr<Trace>> traces_;
    std::vector<TextLabel> labels_;
    qint64 sampleIntervalMs_ = 0;
    double axisMin_ = 0;
    double axisMax_ = 100;
    QRectF plotArea_{0.05, 0.05, 0.78, 0.88};
    QStringList timeFormats_;
    std::vector<std::string> timeFormatStrings_; // the same, as the time axis formats them
    mutable std::array<int, 7> labelWidths_{};
    std::function<qint64()> now_;
    WallClockMap wall_;
    FileChooser* files_;
    Prompts* prompts_;

    TimeView view_;
    PlotLayer layer_;
    int paintCount_ = 0;
    QElapsedTimer sincePaint_;
    QTimer frameTimer_;
    // Laid-out texts: shaping a text costs more than drawing it, and these rarely change.
    mutable std::vector<QuickText> labelTexts_; // by label; laid out when the text changes
    mutable QHash<QString, QStaticText> timeTexts_;
    mutable QHash<std::int64_t, QString> timeLabelTexts_; // by wall time, for timeLabelStep_
    mutable TimeStep timeLabelStep_;
    // How far the legend lines are moved left to fit, the same for all of them; < 0 until
    // worked out for the current size and font.
    mutable double legendShift_ = -1;
    mutable double legendLeft_ = 0; // worked out with legendShift_
    mutable int legendShiftWidth_ = -1;
    mutable int valueLabelRoom_ = -1; // < 0 until worked out for the range, height and font
    mutable int valueLabelRoomHeight_ = -1;
    std::vector<bool> legendColumn_; // by label: one of the legend's lines, moved together
    mutable std::vector<double> reservedWidths_; // by label: of its widest text; < 0 until known
    QRegion pending_;                            // what the next repaint must cover
    bool scrollRequested_ = false; // the plot and the time axis are due for a repaint already
    QPixmap frame_; // margins, frame and value axis, without the plot and the time axis
    bool frameValid_ = false;
    mutable PlotLook look_;                    // without its time grid; see refreshLook()
    mutable std::vector<QRgb> shownColours_;   // by trace
    mutable std::vector<QColor> labelColours_; // by label, as drawn
    mutable bool lookValid_ = false;
    bool spanChosen_ = false; // by the owner or the user; until then the span fits the history

    QString unit_;
    ChartCursors cursors_;
    std::optional<ChartCursors> cursorsBeforeClick_; // a double click undoes its first click
    bool selecting_ = false;                         // a Shift-drag places both cursors
    std::optional<std::int64_t> menuTimeMs_;         // under the mouse that opened the menu
    MarkerList markers_;
    TextPrompt* textPrompt_;
    StatisticsPanel* panel_ = nullptr;
    std::vector<LimitLine> limitLines_;
    bool alarmShade_ = false;
    std::vector<QAction*> ownerActions_;

    QString historyStatus_;
    bool historyIncomplete_ = false;

    bool dragging_ = false;
    double dragStartX_ = 0;
    qint64 dragAppliedColumns_ = 0;

    QAction* followAction_ = nullptr;
    QAction* wholeHistoryAction_ = nullptr;
    QAction* saveImageAction_ = nullptr;
    QAction* copyDataAction_ = nullptr;
    QAction* statisticsAction_ = nullptr;
    QAction* addNoteAction_ = nullptr;
    QAction* deleteNoteAction_ = nullptr;
    QAction* clearCursorsAction_ = nullptr;
};

} // namespace zr::chart
