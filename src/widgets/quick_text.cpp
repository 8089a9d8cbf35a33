// SPDX-License-Identifier: MIT
#include "widgets/quick_text.h"

#include <QPainter>
#include <QVector>

namespace zr {
namespace {

// Characters that never need shaping: Latin letters with their accents precomposed, digits,
// punctuation and signs. Combining marks start at U+0300.
bool simpleScript(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() >= 0x300)
            return false;
    return true;
}

} // namespace

void QuickText::setText(const QString& text, const QFont& font)
{
    if (laidOut_ && text == text_ && font == font_)
        return;
    if (!haveRaw_ || !(font == font_)) {
        raw_ = QRawFont::fromFont(font);
        haveRaw_ = true;
    }
    text_ = text;
    font_ = font;
    laidOut_ = true;
    quick_ = layOutQuickly();
    if (quick_) {
        if (!full_.text().isEmpty())
            full_ = QStaticText(); // nothing of an earlier full layout is kept
        return;
    }
    full_ = QStaticText(text);
    full_.setTextFormat(Qt::PlainText);
    full_.prepare(QTransform(), font);
    size_ = full_.size();
}

bool QuickText::layOutQuickly()
{
    if (!raw_.isValid() || !simpleScript(text_) || font_.underline() || font_.strikeOut() ||
        font_.overline() || font_.letterSpacing() != 0 || font_.wordSpacing() != 0)
        return false;
    QVector<quint32> glyphs = raw_.glyphIndexesForString(text_);
    if (glyphs.size() != text_.size() || glyphs.contains(0))
        return false; // the font lacks a character: the full layout finds one that has it
    const QVector<QPointF> advances =
        raw_.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
    QVector<QPointF> positions;
    positions.reserve(glyphs.size());
    qreal x = 0;
    for (const QPointF& a : advances) {
        positions.append(QPointF(x, 0));
        x += a.x();
    }
    run_ = QGlyphRun();
    run_.setRawFont(raw_);
    run_.setGlyphIndexes(glyphs);
    run_.setPositions(positions);
    size_ = QSizeF(x, raw_.ascent() + raw_.descent());
    return true;
}

void QuickText::draw(QPainter& painter, const QPointF& topLeft) const
{
    if (quick_)
        painter.drawGlyphRun(topLeft + QPointF(0, raw_.ascent()), run_);
    else
        painter.drawStaticText(topLeft, full_);
}

} // namespace zr
