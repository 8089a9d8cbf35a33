// SPDX-License-Identifier: MIT
#pragma once

// The File menu's logs: "Open Log…" reads a log into a new viewer, "Compare Logs…" lays a second
// run over the active viewer (or asks for both runs when none is active; a viewer that compares
// already gets a new viewer of its run 1 for the new run 2). Files are chosen
// through the injected chooser and read on a worker; a file that cannot be read is told through
// the injected prompts, naming the file and the reason.

#include "viewer/loaded_log.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace zr {
class FileChooser;
class Prompts;
} // namespace zr

namespace zr::viewer {

class LogLoading;
class LogViewerWindow;

class LogViewers : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // Shows a new viewer as a child of the main window.
        std::function<void(LogViewerWindow*)> show;
        // The viewer the user is in, if any.
        std::function<LogViewerWindow*()> active;
    };
    LogViewers(QWidget* window, FileChooser& files, Prompts& prompts, Hooks hooks);

    void openLog();
    void openLog(const QString& path);
    void compareLogs();
    // The reading under way, if any (the latest one asked for).
    LogLoading* loading() const;

signals:
    // A viewer made and about to be shown.
    void opened(zr::viewer::LogViewerWindow* viewer);

private:
    // Asks for a log; empty when the user cancelled.
    QString chooseLog(const QString& title);
    // Reads `path` and hands the log to `then`.
    void load(const QString& path, std::function<void(std::shared_ptr<LoadedLog>)> then);
    LogViewerWindow* showViewer(std::shared_ptr<LoadedLog> log);

    QWidget* window_;
    FileChooser& files_;
    Prompts& prompts_;
    Hooks hooks_;
    QString lastFolder_;
    QPointer<LogLoading> loading_;
};

} // namespace zr::viewer
