// SPDX-License-Identifier: MIT
// The chart's measuring tools: the two cursors and their readouts, markers and notes, the
// statistics panel, and the keys and menu entries that reach them.

#include "graphs/strip_chart/chart_accessible.h"
#include "graphs/strip_chart/statistics_panel.h"
#include "graphs/strip_chart/strip_chart.h"
#include "graphs/strip_chart/time_axis.h"
#include "text/text_rules.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace zr::chart {
namespace {

constexpr int kNoteLength = 200;          // a note is a short text; longer input is cut
constexpr double kMarkerLabelWidth = 160; // pixels, before a marker's label is elided

QString valueText(float value, const QString& unit)
{
    return QString::fromStdString(text::fixedTwoDecimals(value)) + unit;
}

} // namespace

void StripChart::makeToolActions()
{
    statisticsAction_ = new QAction(tr("Statistics"), this);
    statisticsAction_->setObjectName("actStatistics");
    statisticsAction_->setCheckable(true);
    statisticsAction_->setShortcut(Qt::Key_S);
    connect(statisticsAction_, &QAction::triggered, this, &StripChart::setStatisticsShown);
    addNoteAction_ = new QAction(tr("Add Note..."), this);
    addNoteAction_->setObjectName("actAddNote");
    addNoteAction_->setShortcut(Qt::Key_N);
    connect(addNoteAction_, &QAction::triggered, this, &StripChart::addNoteInteractively);
    deleteNoteAction_ = new QAction(tr("Delete Note"), this);
    deleteNoteAction_->setObjectName("actDeleteNote");
    deleteNoteAction_->setShortcut(Qt::SHIFT | Qt::Key_Delete);
    connect(deleteNoteAction_, &QAction::triggered, this, &StripChart::deleteNote);
    clearCursorsAction_ = new QAction(tr("Remove Cursors"), this);
    clearCursorsAction_->setObjectName("actRemoveCursors");
    connect(clearCursorsAction_, &QAction::triggered, this, &StripChart::clearCursors);
    for (QAction* a : {statisticsAction_, addNoteAction_, deleteNoteAction_})
        a->setShortcutVisibleInContextMenu(true);
}

void StripChart::addToolActions(QMenu& menu, const QPoint& at)
{
    if (plotRect().contains(at))
        menuTimeMs_ = timeAtX(at.x());
    statisticsAction_->setChecked(statisticsShown());
    bool anyNote = false;
    for (const Marker& m : markers_)
        anyNote = anyNote || m.note;
    deleteNoteAction_->setEnabled(anyNote);
    clearCursorsAction_->setEnabled(cursors_.count() > 0);
    menu.addSeparator();
    menu.addAction(statisticsAction_);
    menu.addAction(addNoteAction_);
    menu.addAction(deleteNoteAction_);
    menu.addAction(clearCursorsAction_);
}

bool StripChart::toolKeyPressed(QKeyEvent* event)
{
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const bool shift = mods & Qt::ShiftModifier;
    const int key = event->key();
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right;
    if (arrow && (mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)) {
        const int direction = key == Qt::Key_Left ? -1 : 1;
        shift ? moveCursorByColumns(direction) : moveCursor(direction);
        return true;
    }
    if (mods & (Qt::ControlModifier | Qt::AltModifier))
        return false;
    switch (key) {
    case Qt::Key_BracketLeft:
        moveCursor(-1);
        return true;
    case Qt::Key_BracketRight:
        moveCursor(1);
        return true;
    case Qt::Key_BraceLeft: // Shift+[ on most layouts
        moveCursorByColumns(-1);
        return true;
    case Qt::Key_BraceRight:
        moveCursorByColumns(1);
        return true;
    case Qt::Key_C:
        if (!shift)
            addCursor();
        return !shift;
    case Qt::Key_Delete:
        shift ? deleteNote() : removeCursor();
        return true;
    case Qt::Key_S:
        if (!shift)
            setStatisticsShown(!statisticsShown());
        return !shift;
    case Qt::Key_N:
        if (!shift)
            addNoteInteractively();
        return !shift;
    default:
        return false;
    }
}

void StripChart::setTextPrompt(TextPrompt& prompt)
{
    textPrompt_ = &prompt;
}

QString StripChart::title() const
{
    int best = -1;
    for (int i = 0; i < labelCount(); ++i)
        if (best < 0 || label(i).font.pointSizeF() > label(best).font.pointSizeF())
            best = i;
    return best < 0 ? QString() : label(best).text.trimmed();
}

void StripChart::setValueUnit(const QString& unit)
{
    unit_ = unit;
}

const QString& StripChart::traceName(int trace) const
{
    return traces_.at(static_cast<std::size_t>(trace))->name;
}

QString StripChart::wallTimeText(std::int64_t timeMs, bool withDate) const
{
    const std::int64_t wall = wall_.wallTime(timeMs);
    const std::int64_t millis = wall - floorDiv(wall, 1000) * 1000;
    return QString::fromLocal8Bit(
               formatLocalTime(wall, withDate ? "%Y-%m-%d %H:%M:%S" : "%H:%M:%S")) +
           QStringLiteral(".%1").arg(millis, 3, 10, QLatin1Char('0'));
}

std::vector<const TraceStore*> StripChart::stores() const
{
    std::vector<const TraceStore*> out;
    for (const auto& t : traces_)
        out.push_back(&t->store);
    return out;
}

std::int64_t StripChart::timeAtX(double x) const
{
    const ColumnGrid grid = visibleColumns();
    const auto column =
        static_cast<std::int64_t>(std::floor((x - plotRect().left()) * devicePixelRatioF()));
    return grid.startOf(grid.firstColumn + std::clamp<std::int64_t>(column, 0, grid.width - 1)) +
           grid.columnMs / 2;
}

double StripChart::xOfTime(std::int64_t timeMs, const ColumnGrid& grid) const
{
    const std::int64_t column = grid.columnOf(timeMs) - grid.firstColumn;
    if (column < 0 || column >= grid.width)
        return std::numeric_limits<double>::quiet_NaN();
    return plotRect().left() + (static_cast<double>(column) + 0.5) / devicePixelRatioF();
}

void StripChart::cursorsChanged()
{
    requestRepaint(plotRect(), false);
    if (panel_)
        panel_->scheduleRefresh();
    chartItemsChanged(this);
}

void StripChart::markersChanged()
{
    requestRepaint(plotRect(), false);
    chartItemsChanged(this);
}

void StripChart::addCursor()
{
    if (cursors_.count() == ChartCursors::kMax) {
        cursors_.switchActive();
        cursorsChanged();
        return;
    }
    const QRect plot = plotRect();
    const double x = plot.left() + plot.width() * (cursors_.count() + 1) / 3.0;
    if (const auto t = nearestSampleTime(stores(), timeAtX(x))) {
        cursors_.add(*t);
        cursorsChanged();
    }
}

void StripChart::placeCursorAt(std::int64_t timeMs)
{
    const auto t = nearestSampleTime(stores(), timeMs);
    if (!t)
        return;
    if (!cursors_.add(*t)) {
        // Both placed: the nearer one moves.
        const auto distance = [&](int c) { return std::llabs(cursors_.time(c) - *t); };
        cursors_.setActive(distance(1) < distance(0) ? 1 : 0);
        cursors_.move(*t);
    }
    cursorsChanged();
}

void StripChart::moveCursor(int samples)
{
    if (cursors_.active() < 0)
        return;
    cursors_.move(stepSampleTime(stores(), cursors_.time(cursors_.active()), samples));
    keepCursorInView();
    cursorsChanged();
}

void StripChart::moveCursorByColumns(int columns)
{
    if (cursors_.active() < 0 || columns == 0)
        return;
    const std::int64_t from = cursors_.time(cursors_.active());
    const std::int64_t target = from + columns * visibleColumns().columnMs;
    std::int64_t t = nearestSampleTime(stores(), target).value_or(from);
    // Where samples are sparser than columns, the nearest one may be where the cursor stands.
    if ((columns > 0 && t <= from) || (columns < 0 && t >= from))
        t = stepSampleTime(stores(), from, columns > 0 ? 1 : -1);
    cursors_.move(t);
    keepCursorInView();
    cursorsChanged();
}

void StripChart::keepCursorInView()
{
    const ColumnGrid grid = visibleColumns();
    const std::int64_t column = grid.columnOf(cursors_.time(cursors_.active()));
    if (column < grid.firstColumn)
        panColumns(column - grid.firstColumn);
    else if (column > grid.lastColumn())
        panColumns(column - grid.lastColumn());
}

void StripChart::removeCursor()
{
    if (cursors_.count() == 0)
        return;
    cursors_.removeActive();
    cursorsChanged();
}

void StripChart::clearCursors()
{
    cursors_.clear();
    cursorsChanged();
}

QStringList StripChart::cursorLines(int cursor) const
{
    const std::int64_t t = cursors_.time(cursor);
    QStringList lines{tr("Cursor %1 at %2").arg(cursor + 1).arg(wallTimeText(t))};
    for (const auto& trace : traces_) {
        const std::optional<float> v = readingAt(trace->store, t);
        lines << trace->name + ' ' + (v ? valueText(*v, unit_) : tr("no reading"));
    }
    return lines;
}

QString StripChart::cursorReadout(int cursor) const
{
    QStringList lines = cursorLines(cursor);
    const QString head = lines.takeFirst();
    return head + QStringLiteral(": ") + lines.join(QStringLiteral(", "));
}

QStringList StripChart::betweenLines() const
{
    const auto span = cursors_.span();
    if (!span)
        return {};
    const auto [from, to] = *span;
    const double minutes = static_cast<double>(to - from) / 60'000.0;
    QStringList lines{QStringLiteral("Δt %1 s").arg(
        QString::fromStdString(text::fixedDecimals(static_cast<double>(to - from) / 1000.0, 3)))};
    for (const auto& trace : traces_) {
        const std::optional<float> a = readingAt(trace->store, from);
        const std::optional<float> b = readingAt(trace->store, to);
        if (!a || !b) {
            lines << trace->name + ' ' + tr("no reading");
            continue;
        }
        const double delta = static_cast<double>(*b) - static_cast<double>(*a);
        QString line = trace->name + QStringLiteral(" Δ ") +
                       QString::fromStdString(text::fixedTwoDecimals(delta)) + unit_;
        if (minutes > 0)
            line += QStringLiteral(", ") +
                    QString::fromStdString(text::fixedDecimals(delta / minutes, 3)) + unit_ +
                    tr("/min");
        lines << line;
    }
    return lines;
}

QString StripChart::betweenReadout() const
{
    QStringList lines = betweenLines();
    if (lines.isEmpty())
        return {};
    return tr("Between the cursors: ") + lines.join(QStringLiteral("; "));
}

std::pair<std::int64_t, std::int64_t> StripChart::statisticsSpan() const
{
    if (const auto span = cursors_.span())
        return {span->first, span->second + 1};
    const ColumnGrid grid = visibleColumns();
    return {grid.startMs(), grid.endMs()};
}

void StripChart::setStatisticsShown(bool shown)
{
    if (shown && !panel_)
        panel_ = new StatisticsPanel(*this);
    if (panel_) {
        panel_->setVisible(shown);
        if (shown)
            panel_->refresh();
    }
    statisticsAction_->setChecked(shown);
}

bool StripChart::statisticsShown() const
{
    return panel_ && panel_->isVisible();
}

void StripChart::addMarker(std::int64_t timeMs, const QString& text, bool note)
{
    markers_.add(timeMs, text.toStdString(), note);
    markersChanged();
}

void StripChart::addNoteInteractively()
{
    const std::int64_t at =
        cursors_.active() >= 0 ? cursors_.time(cursors_.active()) : newestTime();
    const std::optional<QString> text =
        textPrompt_->askText(this, tr("Add Note"), tr("Note at %1:").arg(wallTimeText(at)));
    if (!text || text->trimmed().isEmpty())
        return;
    const QString note = text->trimmed().left(kNoteLength);
    addMarker(at, note, true);
    emit noteAdded(note);
}

void StripChart::deleteNote()
{
    const std::int64_t near = menuTimeMs_              ? *menuTimeMs_
                              : cursors_.active() >= 0 ? cursors_.time(cursors_.active())
                                                       : newestTime();
    const std::size_t index = markers_.nearestNote(near);
    if (index < markers_.size())
        deleteNoteAt(index);
}

void StripChart::deleteNoteAt(std::size_t index)
{
    const QString text = QString::fromStdString(markers_[index].text);
    markers_.remove(index);
    markersChanged();
    emit noteRemoved(text);
}

int StripChart::firstMarkerItem() const
{
    return cursors_.count() + (hasSelection() ? 1 : 0);
}

int StripChart::accessibleItemCount() const
{
    return firstMarkerItem() + static_cast<int>(markers_.size());
}

QString StripChart::accessibleItemText(int item) const
{
    if (item < 0 || item >= accessibleItemCount())
        return {};
    if (item < cursors_.count())
        return cursorReadout(item);
    if (hasSelection() && item == cursors_.count())
        return betweenReadout();
    const Marker& m = markers_[static_cast<std::size_t>(item - firstMarkerItem())];
    return (m.note ? tr("Note at %1: %2") : tr("Marker at %1: %2"))
        .arg(wallTimeText(m.timeMs), QString::fromStdString(m.text));
}

QRect StripChart::accessibleItemRect(int item) const
{
    const ColumnGrid grid = visibleColumns();
    const QRect plot = plotRect();
    auto lineAt = [&](std::int64_t t) {
        const double x = xOfTime(t, grid);
        return std::isnan(x) ? QRect() : QRect(static_cast<int>(x), plot.top(), 1, plot.height());
    };
    if (item < 0 || item >= accessibleItemCount())
        return {};
    if (item < cursors_.count())
        return lineAt(cursors_.time(item));
    if (hasSelection() && item == cursors_.count())
        return lineAt(cursors_.time(0)).united(lineAt(cursors_.time(1)));
    return lineAt(markers_[static_cast<std::size_t>(item - firstMarkerItem())].timeMs);
}

void StripChart::drawTools(QPainter& p, const ColumnGrid& grid) const
{
    if (cursors_.count() == 0 && markers_.empty())
        return;
    const QRect plot = plotRect();
    const double dpr = devicePixelRatioF();
    const QColor text = palette().color(QPalette::Text);
    const QColor base = palette().color(QPalette::Base);
    // A time's x, held to the plot's edges for a time out of view.
    auto clampedX = [&](std::int64_t t) {
        const double column = static_cast<double>(grid.columnOf(t) - grid.firstColumn) + 0.5;
        return std::clamp(plot.left() + column / dpr, double(plot.left()), double(plot.right()));
    };
    p.save();
    if (const auto span = cursors_.span()) {
        QColor band = palette().color(QPalette::Highlight);
        band.setAlpha(48);
        const double left = clampedX(span->first), right = clampedX(span->second);
        p.fillRect(QRectF(left, plot.top(), std::max(1.0, right - left), plot.height()), band);
    }

    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.85);
    p.setFont(small);
    const QFontMetricsF fm(small);
    const QColor markerColour = QColor::fromRgb(look_.gridColour).darker(160);
    const QColor noteColour = palette().color(QPalette::Link);
    std::array<double, 3> rowRight{-1e9, -1e9, -1e9}; // labels stagger over three rows
    for (std::size_t i = markers_.lowerBound(grid.startMs());
         i < markers_.size() && markers_[i].timeMs < grid.endMs(); ++i) {
        const Marker& m = markers_[i];
        const double x = xOfTime(m.timeMs, grid);
        p.setPen(QPen(m.note ? noteColour : markerColour, 1));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        const QString label =
            fm.elidedText(QString::fromStdString(m.text), Qt::ElideRight, kMarkerLabelWidth);
        const QRectF box(x + 2, 0, fm.horizontalAdvance(label) + 4, fm.height());
        std::size_t row = 0;
        while (row + 1 < rowRight.size() && box.left() < rowRight[row] + 2)
            ++row;
        rowRight[row] = box.right();
        const QRectF placed = box.translated(0, plot.top() + 1 + row * fm.height());
        QColor behind = base;
        behind.setAlpha(200);
        p.fillRect(placed, behind);
        p.setPen(m.note ? noteColour : text);
        p.drawText(placed, Qt::AlignCenter, label);
    }

    p.setFont(font());
    const double boxHeight = (traceCount() + 1) * QFontMetricsF(font()).height() + 6;
    for (int c = 0; c < cursors_.count(); ++c) {
        const double x = xOfTime(cursors_.time(c), grid);
        if (std::isnan(x))
            continue;
        QPen pen(text, c == cursors_.active() ? 2 : 1);
        if (c != cursors_.active())
            pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        const double bottom = plot.bottom() - 4 - c * (boxHeight + 4);
        drawReadoutBox(p, QRectF(x, bottom - boxHeight, 0, boxHeight), true, cursorLines(c));
    }
    if (const auto span = cursors_.span()) {
        const double middle = (clampedX(span->first) + clampedX(span->second)) / 2;
        drawReadoutBox(p, QRectF(middle, plot.center().y() - boxHeight / 2, 0, boxHeight), false,
                       betweenLines());
    }
    p.restore();
}

void StripChart::drawReadoutBox(QPainter& p, const QRectF& anchor, bool rightOf,
                                const QStringList& lines) const
{
    // Beside the anchor's x (or centred on it), kept inside the plot.
    const QFontMetricsF fm(font());
    double width = 0;
    for (const QString& line : lines)
        width = std::max(width, fm.horizontalAdvance(line));
    width += 8;
    const QRectF plot(plotRect());
    double left = rightOf ? anchor.x() + 4 : anchor.x() - width / 2;
    if (rightOf && left + width > plot.right())
        left = anchor.x() - 4 - width;
    left = std::clamp(left, plot.left(), std::max(plot.left(), plot.right() - width));
    const QRectF box(left, std::max(plot.top(), anchor.top()), width, anchor.height());
    QColor behind = palette().color(QPalette::Base);
    behind.setAlpha(225);
    p.setPen(palette().color(QPalette::Text));
    p.setBrush(behind);
    p.drawRect(box);
    for (int i = 0; i < lines.size(); ++i) {
        // The first line says what the box is; the others are the traces', in their colours.
        p.setPen(i == 0 ? palette().color(QPalette::Text) : shownTraceColour(i - 1));
        p.drawText(QPointF(box.left() + 4, box.top() + 3 + fm.ascent() + i * fm.height()),
                   lines[i]);
    }
}

} // namespace zr::chart
