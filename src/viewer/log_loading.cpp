// SPDX-License-Identifier: MIT
#include "viewer/log_loading.h"

#include "logging/sav_reader.h"

#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>

namespace zr::viewer {
namespace {

// A file that reads faster than this shows no bar at all.
constexpr int kBarDelayMs = 400;
constexpr int kBarSteps = 1000;
constexpr int kBarRefreshMs = 50;

QString failureText(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot open the log %1:\n%2").arg(path, reason);
}

} // namespace

struct LogLoading::Outcome {
    std::shared_ptr<LoadedLog> log; // none when cancelled or failed
    QString error;
};

LogLoading::LogLoading(const QString& path, QWidget* parent, Loaded loaded, Failed failed)
    : QObject(parent), path_(path), loaded_(std::move(loaded)), failed_(std::move(failed))
{
    bar_ = new QProgressDialog(QStringLiteral("Reading %1…").arg(QFileInfo(path).fileName()),
                               QStringLiteral("Cancel"), 0, kBarSteps, parent);
    bar_->setObjectName("dlgLogLoading");
    bar_->setWindowTitle(QStringLiteral("Open Log"));
    // The rest of the program goes on while a long log is read; other logs may be opened.
    bar_->setWindowModality(Qt::NonModal);
    bar_->setMinimumDuration(kBarDelayMs);
    bar_->setAutoClose(false);
    bar_->setAutoReset(false);
    bar_->setValue(0);
    connect(bar_, &QProgressDialog::canceled, this, &LogLoading::cancel);

    // The worker only writes a number; the bar reads it at its own pace.
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, [this] {
        if (bar_)
            bar_->setValue(permille_->load());
    });
    refresh->start(kBarRefreshMs);

    connect(&watcher_, &QFutureWatcher<std::shared_ptr<Outcome>>::finished, this,
            &LogLoading::finish);
    const std::string file = path.toStdString();
    watcher_.setFuture(QtConcurrent::run(
        [file, cancelled = cancelled_, permille = permille_]() -> std::shared_ptr<Outcome> {
            auto outcome = std::make_shared<Outcome>();
            const LoadProgress progress = [&](double done) {
                permille->store(static_cast<int>(done * kBarSteps));
                return !cancelled->load();
            };
            try {
                if (std::optional<LoadedLog> log = loadLog(file, progress))
                    outcome->log = std::make_shared<LoadedLog>(std::move(*log));
            } catch (const logging::SavFileError& e) {
                outcome->error = QString::fromStdString(e.reason());
            } catch (const logging::SavFormatError& e) {
                outcome->error = QStringLiteral("line %1: %2")
                                     .arg(e.problem().line)
                                     .arg(QString::fromStdString(e.problem().reason));
            } catch (const std::exception& e) {
                outcome->error = QString::fromUtf8(e.what());
            }
            return outcome;
        }));
}

LogLoading::~LogLoading()
{
    cancelled_->store(true);
    watcher_.disconnect(this);
    watcher_.waitForFinished();
    delete bar_;
}

void LogLoading::cancel()
{
    cancelled_->store(true);
}

void LogLoading::finish()
{
    const std::shared_ptr<Outcome> outcome = watcher_.result();
    if (bar_)
        bar_->hide();
    // A log that was read whole before the cancel came through is still not wanted.
    if (!cancelled_->load()) {
        if (outcome->log)
            loaded_(outcome->log);
        else if (!outcome->error.isEmpty())
            failed_(failureText(path_, outcome->error));
    }
    deleteLater();
}

} // namespace zr::viewer
