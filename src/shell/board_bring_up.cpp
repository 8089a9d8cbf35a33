// SPDX-License-Identifier: MIT
#include "shell/board_bring_up.h"

#include "board/usb_stuff.h"
#include "platform/prompts.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <exception>
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

BringUp loadAndScan(DeviceState& state, BoardLibrary& board, const std::string& programFolder)
{
    BringUp result;
    std::string reason;
    if (USBStuff::LoadBoardFirmware(state, board, programFolder, &reason) < 0) {
        result.failure = QString::fromStdString(reason);
        return result;
    }
    result.firmwareLoaded = true;
    try {
        result.found = ScanForChips(state, board);
    } catch (const BoardLostError& fault) {
        result.fault = fault;
    }
    return result;
}

} // namespace

BringUp bringUpBoard(DeviceState& state, BoardLibrary& board, const QString& programFolder,
                     QWidget* dialogParent)
{
    BringUp result;
    std::exception_ptr unexpected;
    const std::string folder = programFolder.toStdString();
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            result = loadAndScan(state, board, folder);
        } catch (...) {
            unexpected = std::current_exception();
        }
    }));

    const BusyCursor busy;
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
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
    worker->start();
    showProgress.start(kBringUpDialogDelayMs);
    // Clicks and keys wait until the board is up: no handler may reach it meanwhile.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    if (unexpected)
        std::rethrow_exception(unexpected);
    return result;
}

} // namespace zr
