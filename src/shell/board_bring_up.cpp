// SPDX-License-Identifier: MIT
#include "shell/board_bring_up.h"

#include "platform/prompts.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QTimer>
#include <memory>

namespace zr {
namespace {

// The busy cursor for as long as the work runs.
struct BusyCursor {
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

BringUp bringUpBoard(BoardWorker& worker, const QString& programFolder, QWidget* dialogParent)
{
    BringUp result;
    const BusyCursor busy;
    QEventLoop loop;
    bool done = false;
    worker.bringUp(&loop, programFolder.toStdString(), [&](const BringUp& up) {
        result = up;
        done = true;
        loop.quit();
    });
    std::unique_ptr<QProgressDialog> progress;
    QTimer showProgress;
    showProgress.setSingleShot(true);
    QObject::connect(&showProgress, &QTimer::timeout, [&] {
        progress = std::make_unique<QProgressDialog>(QString::fromUtf8("Loading firmware\u2026"),
                                                     QString(), 0, 0, dialogParent);
        progress->setObjectName("firmwareProgress");
        progress->setWindowTitle(kProgramTitle);
        progress->setMinimumDuration(0);
        progress->show();
    });
    showProgress.start(kBringUpDialogDelayMs);
    // Clicks and keys wait until the board is up: no handler may reach it meanwhile.
    if (!done)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return result;
}

} // namespace zr
