// SPDX-License-Identifier: MIT
#include "logging/log_progress.h"

#include "widgets/quick_label.h"

#include <QLocale>
#include <QResizeEvent>
#include <algorithm>
#include <cstdio>

namespace zr {

LogProgress::LogProgress(QWidget* parent) : QWidget(parent)
{
    file_ = new ElidingLabel(this);
    file_->setObjectName("lblLogFile");
    // However long the path, the window keeps its width.
    file_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // The count changes on every tick. Its digits are laid out from the font's character map,
    // without full shaping; opaque, it is repainted alone, without the window and its frame
    // behind it.
    count_ = new QuickLabel(this);
    count_->setObjectName("lblLogCount");
    count_->setTextFormat(Qt::PlainText);
    count_->setAutoFillBackground(true);
    QSizePolicy keep = sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    setSizePolicy(keep);
    hide();
}

QSize LogProgress::sizeHint() const
{
    const QSize file = file_->sizeHint();
    return {std::max(file.width(), count_->sizeHint().width()), file.height() + lineHeight()};
}

QSize LogProgress::minimumSizeHint() const
{
    const QSize file = file_->minimumSizeHint();
    return {std::max(file.width(), count_->minimumSizeHint().width()),
            file.height() + lineHeight()};
}

int LogProgress::lineHeight() const
{
    return count_->fontMetrics().height() + count_->contentsMargins().top() +
           count_->contentsMargins().bottom();
}

void LogProgress::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Placed by hand, not by a layout: a new count then changes no geometry, and lays nothing
    // out again, on every tick. At a fixed size, the count's label does not even post its parent
    // a layout request for each new text, which a label of free size does.
    const int line = lineHeight();
    file_->setGeometry(0, 0, width(), std::max(0, height() - line));
    count_->move(0, std::max(0, height() - line));
    count_->setFixedSize(width(), line);
}

void LogProgress::started(const QString& path, std::chrono::steady_clock::time_point at)
{
    start_ = at;
    path_ = path;
    file_->setFullText(QStringLiteral("Writing to "), path);
    update(0, at);
    show();
}

void LogProgress::update(long long records, std::chrono::steady_clock::time_point now)
{
    const QString text = countText(records, since(now));
    if (text != count_->text())
        count_->setText(text);
}

std::chrono::seconds LogProgress::since(std::chrono::steady_clock::time_point now) const
{
    return std::max(std::chrono::seconds(0),
                    std::chrono::duration_cast<std::chrono::seconds>(now - start_));
}

void LogProgress::stopped(long long records, std::chrono::steady_clock::time_point now)
{
    // One line: the count and the time stay whole, the path gives way in the middle.
    const QString count = countText(records, since(now));
    file_->setFullText(summaryPrefix(records),
                       path_ + count.mid(count.indexOf(QStringLiteral(" in "))));
    count_->clear();
}

QString LogProgress::summaryPrefix(long long records)
{
    return QLocale().toString(records) + (records == 1 ? QStringLiteral(" record written to ")
                                                       : QStringLiteral(" records written to "));
}

QString LogProgress::countText(long long records, std::chrono::seconds elapsed)
{
    // Formatted on every tick of a log: one pass into a buffer, not a chain of string copies.
    const long long s = elapsed.count();
    char text[96];
    const int length =
        std::snprintf(text, sizeof text, "%lld %s in %lld:%02lld:%02lld", records,
                      records == 1 ? "record" : "records", s / 3600, s / 60 % 60, s % 60);
    return QString::fromLatin1(text, std::clamp(length, 0, int(sizeof text) - 1));
}

} // namespace zr
