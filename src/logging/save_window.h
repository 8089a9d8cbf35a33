// SPDX-License-Identifier: MIT
#pragma once

// frmSaveA / frmSaveB: choose the readings, choose the file, log one record per timer tick.
// The window only holds the controls and the log's state; the file format and the writing are
// the log writer's (log_format.h, log_file.h).

#include "board/chips.h"
#include "logging/log_progress.h"
#include "logging/log_session.h"
#include "logging/program_event.h"
#include "platform/child_window.h"
#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/prompts.h"
#include "worker/board_worker.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string_view>

class QCheckBox;
class QLabel;
class QPushButton;

namespace zr {

struct SaveWindowServices {
    DeviceState& state;
    BoardWorker& worker; // reads the chip for the extra record of a declined close
    Prompts& prompts;
    FileChooser& files;
    const Clock& clock;
    QString programFolder;
    std::function<void(const QString&)> showStatus; // a short line in the main window's status bar
    // The board's description and port path for a log's events file.
    std::function<logging::LogSource()> boardSource = {};
    // Announces what the window did (a log started or stopped, an option changed during a log);
    // the announcer hands the chip's events back to noteEvent(). Unset: noted here directly.
    std::function<void(const ProgramEvent&)> announce = {};
    // The folder of the last log started, shared by the windows of both chips.
    std::shared_ptr<QString> lastFolder = std::make_shared<QString>();
};

inline const QString kSaveToFile = QStringLiteral("Save To File");
inline const QString kStopWritingToFile = QStringLiteral("Stop Writing To File");
inline const QString kSaveFileFilter = QStringLiteral("Text Files (*.sav)");
inline const QString kSaveLogTitle = QStringLiteral("Save Log");
inline const QString kCloseWhileLoggingQuestion =
    QStringLiteral("If you close this window then writing data to file will stop. Are you sure "
                   "you want to exit?");

class SaveWindow : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    SaveWindow(Chip chip, SaveWindowServices services, QWidget* parent = nullptr);
    ~SaveWindow() override;

    // Called on every tick while LoggingA / LoggingB is True, with the readings the board worker
    // took of the window's chip in that tick: appends a record when a log is open. A failed read
    // throws FailedReadError and writes nothing. A failed write ends the log (the file keeps what
    // was written) and tells the user; it is not thrown.
    void SaveCurrentData(const logging::TakenReadings& taken);

    // The board is gone: stop a running log, keeping what was written, and tell the user.
    void boardLost(const QString& reason);

    // Something the program did that concerns this window's chip: a marker in the running log's
    // events file, before the next record.
    void noteEvent(const ProgramEvent& event);

    bool isLogging() const { return log_ != nullptr; }
    // From the press of "Save To File" until the log stops: the state the close question guards.
    bool isWriting() const;

    // The first half of a close: asks the close question when the window is writing. A No writes
    // one record at once and keeps the window; a file dialog still open refuses without asking.
    // True when the window may close.
    bool askBeforeClose();
    // The second half, once the main window's close has been agreed by every writing window:
    // closes (stopping the log) without asking again.
    void closeWithoutAsking();
    QString logPath() const;
    Chip chip() const { return chip_; }

public slots:
    // Called once the window sits in its frame: sets the flag, the size and the first focus.
    void Form_Load() override;
    void cmdSave_Click();
    void cmdCancel_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void setTabOrderAndFocus();
    Flag& loggingFlag();
    logging::LogOptions options() const;
    // True when the window may close.
    bool Form_QueryUnload();
    void startLog(const QString& path);
    void stopLog();
    // fileKept: the file is still there with every record written before the failure.
    void endLogAfterFailure(QString why, bool fileKept = true);
    void saveOnceNow();
    bool refusedOnLostBoard();
    QString startFolder() const;
    void status(const QString& text);
    void announce(const ProgramEvent& event);
    // A box ticked or cleared while a log runs.
    void optionToggled(std::string_view column, bool ticked);
    // A start that failed, in the window and in the status bar.
    void notStarted(const QString& text);

    Chip chip_;
    SaveWindowServices services_;
    std::unique_ptr<logging::LogSession> log_;
    bool choosingFile_ = false;
    bool closeAgreed_ = false;

    QCheckBox* chkInternal = nullptr;
    QCheckBox* chkExternal = nullptr;
    QCheckBox* chkExternalOffset = nullptr;
    // One per rail (kRails' saveBoxName), for a chip with rails only.
    std::array<QCheckBox*, kRailCount> chkRails{};
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* lblLogStatus = nullptr; // why the last log stopped on its own, or did not start
    LogProgress* progress_ = nullptr;
    long long records_ = 0; // written to the running log
};

} // namespace zr
