// SPDX-License-Identifier: MIT
#pragma once

// ZR410A_BParent: the MDI main window. Brings up the board, finds the chips, opens every other
// window as its child, and shows what the board worker reads for the open graph and save-data
// windows every 250 ms. It never calls the board itself (worker/board_worker.h).

#include "board/address_scan.h"
#include "board/board_lost_error.h"
#include "board/chips.h"
#include "board/tick_steps.h"
#include "logging/program_event.h"
#include "platform/notifier.h"
#include "shell/app_services.h"
#include "worker/board_worker.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QAction;
class QLabel;
class QPushButton;

namespace zr {

class SettingsWindow;
class TempGraphWindow;
class VoltGraphWindow;
class SaveWindow;
class AboutWindow;
class ChildWindow;
class ElidingLabel;
class KeyboardConventions;
class AlarmMonitor;
class AlarmListWindow;
namespace viewer {
class LogViewers;
}
namespace alarms {
struct AlarmEvent;
}

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppServices services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Firmware load and address scan. False when the firmware did not load: the user has been
    // told and the program must end without showing this window.
    bool MDIForm_Load();

    // One tick now, as when Timer1 (the worker's timer) fires: the worker reads the polled
    // windows' chips; the readings come back to UpdateTempGraphA/B, UpdateVoltGraph and
    // SaveCurrentData here.
    void Timer1_Timer();

    // Draw one tick's temperatures of chip A or B into its graph window, if it is open.
    void UpdateTempGraphA(const logging::TakenReadings& readings);
    void UpdateTempGraphB(const logging::TakenReadings& readings);

    // After the board was lost or stopped answering: loads the firmware again and rescans, the
    // windows alive meanwhile. True when the board is back, and the status bar says which chips
    // answered; otherwise the reason is shown and the program stays in the lost state.
    bool Reconnect();

    void mTempGraphA_Click();
    void mTempGraphB_Click();
    void mVoltGraphB_Click();
    void mSetA_Click();
    void mSetB_Click();
    void mSaveA_Click();
    void mSaveB_Click();
    void mAbout_Click();
    // File menu: a saved log in a viewer, two runs compared, and the end of the program (as the
    // close box: running logs are asked about and closed).
    void mOpenLog_Click();
    void mCompareLogs_Click();
    void mExit_Click();

    viewer::LogViewers& logViewers() { return *viewers_; }
    // Opens the log at `path` in a viewer without bringing up a board: no firmware, no scan, no
    // device opened, the chip menus off. For a PC without a board.
    void viewWithoutBoard(const QString& path);

    QMdiArea* mdiArea() const { return mdi_; }
    BoardWorker& boardWorker() { return *worker_; }
    bool boardIsLost() const { return boardLost_; }

    // Each chip's windows, opened from its menu; the menu items above are these for each chip.
    void showTempGraph(Chip chip);
    void showVoltGraph(Chip chip);
    void showSettings(Chip chip);
    void showSaveWindow(Chip chip);

    // The child windows while they exist (null otherwise).
    SettingsWindow* settingsWindow(Chip chip) const;
    TempGraphWindow* tempGraphWindow(Chip chip) const;
    VoltGraphWindow* voltGraphWindow(Chip chip = Chip::B) const;
    SaveWindow* saveWindow(Chip chip) const;
    AboutWindow* aboutWindow() const;

    // Alarms on what the open windows read: the rules of this file (none while it is missing),
    // a permanent field in the status bar once there are rules, a marker on the chip's chart and
    // a desktop notification at each change, and the alarm list.
    void useAlarmRules(const QString& path);
    AlarmMonitor& alarmMonitor() { return *alarms_; }
    // Where notifications go; until set, the desktop's notification service.
    void setNotifier(Notifier& notifier) { notifier_ = &notifier; }
    // Opens the list of active and recent alarms (the alarm field's click, Ctrl+Shift+A).
    void showAlarmList();
    AlarmListWindow* alarmListWindow() const;
    QPushButton* alarmField() const { return alarmField_; }

    // A short line in the status bar, for errors that must not stop the program with a box.
    // Lines said while one tick is drawn (two logs that stop together) are shown together. A menu's
    // status tip covers it only while the menu is open; a long line is elided, whole in its
    // tooltip.
    void showStatus(const QString& text);
    QString statusMessage() const;

    // Announces what the program did: programEvent, and a marker in the running log of each chip
    // it concerns.
    void raiseEvent(const ProgramEvent& event);
    // Only the marker in the running logs: for what a chart already shows, such as a user's note.
    void markInLogs(const ProgramEvent& event);

signals:
    // Something the program did to a chip or to the board (an offset written, a raw write, the
    // firmware loaded, a Reconnect, the board lost, a log started or stopped, a save option
    // changed during a log). Raised once, for the chip it concerns or for the board.
    void programEvent(const zr::ProgramEvent& event);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct ChipWindows {
        QMenu* menu = nullptr; // mZR410A, mZR410B
        QPointer<SettingsWindow> settings;
        QPointer<TempGraphWindow> tempGraph;
        QPointer<VoltGraphWindow> voltGraph;
        QPointer<SaveWindow> save;
    };
    ChipWindows& windowsOf(Chip chip) { return chips_[static_cast<std::size_t>(chipIndex(chip))]; }
    const ChipWindows& windowsOf(Chip chip) const
    {
        return chips_[static_cast<std::size_t>(chipIndex(chip))];
    }

    // Each chip's menu handlers and tick drawing, by chip: one row per chip.
    struct ChipHandlers {
        void (MainWindow::*tempGraph)();
        void (MainWindow::*voltGraph)(); // null for a chip without rails
        void (MainWindow::*settings)();
        void (MainWindow::*save)();
        void (MainWindow::*updateTempGraph)(const logging::TakenReadings&);
    };
    static const ChipHandlers& handlersOf(Chip chip);

    void buildMenus();
    void buildFileMenu();
    void buildChipMenu(const ChipDescriptor& chip);
    // A tick's readings, arrived from the worker: drawn and logged step by step.
    void onTick(const TickReadings& tick);
    void drawStep(const StepReadings& step);
    // Tells the worker which tick steps have an open window with its flag set.
    void syncPolledSteps();
    bool hasWindow(const TickStep& step) const;
    void showSkippedTicks(const TickReadings& tick);
    void fillWindowMenu();
    // A child's entry in the Window menu: its caption, with the chip where the caption lacks it.
    QString windowMenuText(QMdiSubWindow* sub) const;
    // Shows `window` as a child in the MDI area (creating its frame on first use) and raises it.
    void showChild(ChildWindow* child);
    // Opens or brings forward a chip's graph window of either kind and sets its open flag.
    template <typename GraphWindow>
    void showGraph(Chip chip, QPointer<GraphWindow>& window, Flag DeviceState::*openFlag);
    // Opens a new child wholly inside the visible client area.
    // Activates and raises `sub`, restoring it when minimised.
    void bringToFront(QMdiSubWindow* sub);
    // Runs one polled call; an error is reported in the status bar and the tick goes on, a lost
    // board stops all device traffic.
    void runPolled(const std::function<void()>& call);
    void onBoardLost(const BoardLostError& fault);
    // The firmware load and the scan, on a worker thread. Empty when the firmware did not load
    // (`failure` says why); a board lost during the scan is reported and gives an empty result.
    std::optional<ScanResult> loadFirmwareAndScan(QString* failure);
    QString reconnectedText(const ScanResult& found) const;
    // Marks every child window's title while the board is lost, and restores it afterwards.
    void markChildTitles(bool lost);
    void buildAlarms();
    void onAlarmChanged(const alarms::AlarmEvent& event);
    // The alarm field, and each open graph window's limits and firing alarms.
    void showAlarms();
    // "Limits..." of a chip's temperature graph (rails false) or voltage graph.
    void editLimits(Chip chip, bool rails);

    AppServices services_;
    DeviceState& state_;
    QMdiArea* mdi_ = nullptr;
    std::unique_ptr<BoardWorker> worker_;
    bool boardLost_ = false;
    std::optional<QStringList> tickMessages_; // while a tick is drawn
    bool bringingUp_ = false; // the worker brings the board up: no tick may be asked for
    ElidingLabel* message_ = nullptr;
    ElidingLabel* connection_ = nullptr; // the board and its chips, or since when it is lost
    QString boardDescription_;           // as the last bring-up found the board
    std::string boardPort_;              // its USB port path, for the events files
    QLabel* skippedTicks_ = nullptr;     // shown while the board is slower than the tick
    int ticksWithoutSkip_ = 0;
    QPushButton* reconnectButton_ = nullptr;
    KeyboardConventions* keys_ = nullptr;
    AlarmMonitor* alarms_ = nullptr;
    QPushButton* alarmField_ = nullptr;
    QPointer<AlarmListWindow> alarmList_;
    std::unique_ptr<Notifier> desktopNotifier_;
    Notifier* notifier_ = nullptr;

    std::array<ChipWindows, kChipCount> chips_;
    viewer::LogViewers* viewers_ = nullptr;
    QMenu* mWindows = nullptr;
    QAction* mAbout = nullptr;
    QPointer<AboutWindow> frmAbout;
    std::shared_ptr<QString> lastLogFolder_ = std::make_shared<QString>(); // of either chip's log
};

} // namespace zr
