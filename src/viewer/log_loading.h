// SPDX-License-Identifier: MIT
#pragma once

// One log being read on a worker thread, with a progress bar the user can cancel. The window
// stays live meanwhile; the bar shows only for a file that takes a while. Exactly one of the
// outcomes is reported, on the user-interface thread, and the object then deletes itself.

#include "viewer/loaded_log.h"

#include <QFutureWatcher>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

namespace zr::viewer {

class LogLoading : public QObject {
    Q_OBJECT
public:
    using Loaded = std::function<void(std::shared_ptr<LoadedLog>)>;
    // `failed` gets the file and the reason, as the user is to read them.
    using Failed = std::function<void(const QString& text)>;

    // Starts reading `path`; `parent` carries the progress bar.
    LogLoading(const QString& path, QWidget* parent, Loaded loaded, Failed failed);
    // Cancels the reading and waits for the worker to stop.
    ~LogLoading() override;

    const QString& path() const { return path_; }
    // As the bar's Cancel button: the reading stops, and nothing is reported.
    void cancel();
    QProgressDialog* progressBar() const { return bar_; }

private:
    struct Outcome;
    void finish();

    QString path_;
    Loaded loaded_;
    Failed failed_;
    QPointer<QProgressDialog> bar_;
    // Read by the worker's progress calls; shared so that it outlives neither side's use.
    std::shared_ptr<std::atomic<bool>> cancelled_ = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<int>> permille_ = std::make_shared<std::atomic<int>>(0);
    QFutureWatcher<std::shared_ptr<Outcome>> watcher_;
};

} // namespace zr::viewer
