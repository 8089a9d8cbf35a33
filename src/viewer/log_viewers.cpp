// SPDX-License-Identifier: MIT
#include "viewer/log_viewers.h"

#include "platform/file_chooser.h"
#include "platform/prompts.h"
#include "viewer/log_loading.h"
#include "viewer/log_viewer_window.h"

#include <QFileInfo>

namespace zr::viewer {
namespace {
const QString kLogFilter = QStringLiteral("Logs (*.sav);;All files (*)");
}

LogViewers::LogViewers(QWidget* window, FileChooser& files, Prompts& prompts, Hooks hooks)
    : QObject(window), window_(window), files_(files), prompts_(prompts), hooks_(std::move(hooks))
{
}

QString LogViewers::chooseLog(const QString& title)
{
    const QString path = files_.chooseFile(window_, lastFolder_, kLogFilter, {title});
    if (!path.isEmpty())
        lastFolder_ = QFileInfo(path).absolutePath();
    return path;
}

void LogViewers::openLog()
{
    const QString path = chooseLog(QStringLiteral("Open Log"));
    if (!path.isEmpty())
        openLog(path);
}

void LogViewers::openLog(const QString& path)
{
    load(path, [this](std::shared_ptr<LoadedLog> log) { showViewer(std::move(log)); });
}

void LogViewers::compareLogs()
{
    QPointer<LogViewerWindow> first = hooks_.active ? hooks_.active() : nullptr;
    QString firstPath;
    // A viewer shows one comparison: another one gets a viewer of run 1 of its own.
    if (first && first->comparing()) {
        firstPath = first->path();
        first = nullptr;
    } else if (!first) {
        firstPath = chooseLog(QStringLiteral("Compare Logs: Run 1"));
        if (firstPath.isEmpty())
            return;
    }
    const QString secondPath = chooseLog(QStringLiteral("Compare Logs: Run 2"));
    if (secondPath.isEmpty())
        return;
    auto compare = [this, secondPath](QPointer<LogViewerWindow> viewer) {
        load(secondPath, [viewer](std::shared_ptr<LoadedLog> second) {
            if (viewer) // closed while run 2 was read
                viewer->compareWith(std::move(second));
        });
    };
    if (first) {
        compare(first);
        return;
    }
    load(firstPath,
         [this, compare](std::shared_ptr<LoadedLog> log) { compare(showViewer(std::move(log))); });
}

void LogViewers::load(const QString& path, std::function<void(std::shared_ptr<LoadedLog>)> then)
{
    loading_ = new LogLoading(path, window_, std::move(then), [this](const QString& text) {
        prompts_.showMessage(window_, MessageIcon::Critical, text);
    });
}

LogLoading* LogViewers::loading() const
{
    return loading_.data();
}

LogViewerWindow* LogViewers::showViewer(std::shared_ptr<LoadedLog> log)
{
    auto* viewer = new LogViewerWindow(std::move(log), files_, prompts_);
    emit opened(viewer);
    if (hooks_.show)
        hooks_.show(viewer);
    return viewer;
}

} // namespace zr::viewer
