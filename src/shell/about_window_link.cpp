#include "shell/about_window_link.h"

#include "platform/readable_colour.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace zr {

LinkLabel::LinkLabel(const QString& objectName, const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setObjectName(objectName);
    QFont f = font();
    f.setFamilies({QStringLiteral("MS Sans Serif"), f.family()});
    f.setPointSizeF(8.25);
    f.setBold(true);
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setVisited(false);
}

void LinkLabel::setVisited(bool visited)
{
    visited_ = visited;
    applyColour();
}

void LinkLabel::applyColour()
{
    const QColor colour =
        readableOn(visited_ ? kVisited : kUnvisited, palette().color(backgroundRole()));
    if (palette().color(QPalette::WindowText) == colour)
        return; // also ends the palette change that setting it causes
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void LinkLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColour();
}

QColor LinkLabel::textColor() const
{
    return palette().color(QPalette::WindowText);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

} // namespace zr
