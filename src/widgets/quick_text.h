// SPDX-License-Identifier: MIT
#pragma once

// One line of plain text, laid out from the font's character map and advances alone. Full
// shaping (script runs, font fallback, ligatures) costs far more than drawing, and a chart
// legend's reading or a log's record count changes on every tick, while its characters (Latin
// letters, digits, signs, the degree sign) need none of it. A text with a character beyond those
// scripts, or one the font lacks, is laid out in full, as any other text.

#include <QFont>
#include <QGlyphRun>
#include <QRawFont>
#include <QSizeF>
#include <QStaticText>
#include <QString>

class QPainter;

namespace zr {

class QuickText {
public:
    void setText(const QString& text, const QFont& font);
    const QString& text() const { return text_; }
    // The advance of the whole text, and the height of a line of the font.
    QSizeF size() const { return size_; }
    void draw(QPainter& painter, const QPointF& topLeft) const;
    bool isQuick() const { return quick_; }

private:
    bool layOutQuickly();

    QString text_;
    QFont font_;
    QRawFont raw_;
    bool haveRaw_ = false;
    bool laidOut_ = false;
    bool quick_ = false;
    QGlyphRun run_;
    QStaticText full_;
    QSizeF size_;
};

} // namespace zr
