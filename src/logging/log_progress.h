// SPDX-License-Identifier: MIT
#pragma once

// The lines under a save-data window's controls while it writes: which file (elided in the
// middle, the full path as tooltip), how many records so far and for how long; once the log has
// stopped, how many records it holds, until the next start. The space is kept while the window is
// idle, so that starting and stopping a log does not shift the window's controls.

#include "platform/eliding_label.h"

#include <QLabel>
#include <QWidget>
#include <chrono>

namespace zr {

class LogProgress : public QWidget {
    Q_OBJECT
public:
    explicit LogProgress(QWidget* parent = nullptr);

    // Times from the steady clock: setting the wall clock back or forward mid-log does not change
    // how long the log has been running.
    void started(const QString& path, std::chrono::steady_clock::time_point at);
    // After every tick of a running log: the records written so far and the time now.
    void update(long long records, std::chrono::steady_clock::time_point now);
    // The log has ended (stopped, or on a failure) with `records` written to the file.
    void stopped(long long records, std::chrono::steady_clock::time_point now);

    // "1 record in 0:00:00", "1234 records in 1:02:03".
    static QString countText(long long records, std::chrono::seconds elapsed);
    // "1,234 records written to " (the count in the user's locale), "1 record written to ".
    static QString summaryPrefix(long long records);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int lineHeight() const;
    std::chrono::seconds since(std::chrono::steady_clock::time_point now) const;

    ElidingLabel* file_ = nullptr;
    QLabel* count_ = nullptr;
    std::chrono::steady_clock::time_point start_{};
    QString path_;
};

} // namespace zr
