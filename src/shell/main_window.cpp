// SPDX-License-Identifier: MIT
#include "shell/main_window.h"

#include "board/address_scan.h"
#include "board/board_lost_error.h"
#include "board/usb_stuff.h"
#include "graphs/temp_graph_window.h"
#include "graphs/volt_graph_window.h"
#include "logging/save_window.h"
#include "platform/clock_text.h"
#include "platform/eliding_label.h"
#include "settings/settings_window.h"
#include "shell/about_window.h"
#include "shell/alarm_monitor.h"
#include "shell/app_icon.h"
#include "shell/board_bring_up.h"
#include "shell/connection_text.h"
#include "shell/keyboard_conventions.h"
#include "shell/window_placement.h"
#include "viewer/log_viewer_window.h"
#include "viewer/log_viewers.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>

namespace zr {

namespace {
const QString kFirmwareFailure = QString::fromLatin1(USBStuff::kBoardNotFoundMessage);
constexpr QSize kPreferredSize(1000, 720);
// The skipped-ticks field goes once the board has kept up for this many ticks in a row.
constexpr int kTicksToClearSkipped = 4;
} // namespace

const MainWindow::ChipHandlers& MainWindow::handlersOf(Chip chip)
{
    static const std::array<ChipHandlers, kChipCount> rows{{
        {&MainWindow::mTempGraphA_Click, nullptr, &MainWindow::mSetA_Click,
         &MainWindow::mSaveA_Click, &MainWindow::UpdateTempGraphA},
        {&MainWindow::mTempGraphB_Click, &MainWindow::mVoltGraphB_Click, &MainWindow::mSetB_Click,
         &MainWindow::mSaveB_Click, &MainWindow::UpdateTempGraphB},
    }};
    return rows[static_cast<std::size_t>(chipIndex(chip))];
}

MainWindow::MainWindow(AppServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), state_(services_.state),
      worker_(std::make_unique<BoardWorker>(state_, services_.board))
{
    worker_->onTick(this, [this](const TickReadings& tick) { onTick(tick); });
    setObjectName("ZR410A_BParent");
    setWindowTitle("ZR410A/B");
    setWindowIcon(appIcon());
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("mdiArea");
    setCentralWidget(mdi_);
    // The last short line said; a status tip hides it only for as long as it shows.
    message_ = new ElidingLabel(this);
    message_->setObjectName("lblMessage");
    message_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(message_, 1);
    // Which board and which chips, or since when and why the board is lost, for as long as the
    // program runs: a permanent field, which no status tip or message covers.
    connection_ = new ElidingLabel(this);
    connection_->setObjectName("lblConnection");
    statusBar()->addPermanentWidget(connection_);
    skippedTicks_ = new QLabel(this);
    skippedTicks_->setObjectName("skippedTicks");
    skippedTicks_->hide();
    statusBar()->addPermanentWidget(skippedTicks_);
    reconnectButton_ = new QPushButton("Reconnect", this);
    reconnectButton_->setObjectName("cmdReconnect");
    // Ctrl+R from any window, or F6 to it, for the keyboard; the window the user was in gets the
    // focus back afterwards.
    reconnectButton_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    reconnectButton_->setToolTip("Load the firmware again and look for the chips (Ctrl+R)");
    reconnectButton_->hide();
    connect(reconnectButton_, &QPushButton::clicked, this, [this] {
        const QPointer<QWidget> back = keys_->childFocus();
        Reconnect();
        keys_->returnToChild(back);
    });
    statusBar()->addPermanentWidget(reconnectButton_);
    buildAlarms();
    // The status bar draws a status tip itself; as its name, a screen reader can read it, and the
    // last line said once the tip has gone.
    connect(statusBar(), &QStatusBar::messageChanged, statusBar(), [this](const QString& tip) {
        statusBar()->setAccessibleName(tip.isEmpty() ? message_->fullText() : tip);
    });
    buildMenus();
    keys_ = new KeyboardConventions(this, menuBar());
    // A child that closes hands the front to the one the user was in before it, not to the
    // oldest one.
    mdi_->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    // A window partly outside the client area (dragged there, or larger than it) stays in reach.
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (const QScreen* s = screen())
        setGeometry(initialMainWindowGeometry(s->availableGeometry(), kPreferredSize));
    else
        resize(kPreferredSize);
}

// Every sequence asked for runs before the windows go; what it hands back then is dropped.
MainWindow::~MainWindow()
{
    worker_.reset();
}

void MainWindow::buildMenus()
{
    QMenuBar* bar = menuBar();
    buildFileMenu();
    for (const ChipDescriptor& chip : kChips)
        buildChipMenu(chip);

    mWindows = bar->addMenu("Window");
    mWindows->setObjectName("mWindows");
    connect(mWindows, &QMenu::aboutToShow, this, &MainWindow::fillWindowMenu);

    mAbout = bar->addAction("About...");
    mAbout->setObjectName("mAbout");
    connect(mAbout, &QAction::triggered, this, &MainWindow::mAbout_Click);
}

void MainWindow::buildFileMenu()
{
    viewers_ = new viewer::LogViewers(
        this, services_.files, services_.prompts,
        {[this](viewer::LogViewerWindow* w) { showChild(w); },
         [this]() -> viewer::LogViewerWindow* {
             QMdiSubWindow* sub = mdi_->activeSubWindow();
             return sub ? qobject_cast<viewer::LogViewerWindow*>(sub->widget()) : nullptr;
         }});
    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("mFile");
    file->addAction(QStringLiteral("Open Log…"), this, &MainWindow::mOpenLog_Click)
        ->setObjectName("mOpenLog");
    file->addAction(QStringLiteral("Compare Logs…"), this, &MainWindow::mCompareLogs_Click)
        ->setObjectName("mCompareLogs");
    file->addSeparator();
    file->addAction("Exit", this, &MainWindow::mExit_Click)->setObjectName("mExit");
}

void MainWindow::buildChipMenu(const ChipDescriptor& chip)
{
    // No access keys: a menu caption's "&" would show as an underline the program never had.
    QMenu* menu = menuBar()->addMenu(chip.name);
    menu->setObjectName(QStringLiteral("m") + chip.name);
    const ChipHandlers& handlers = handlersOf(chip.chip);
    const auto addItem = [&](const char* caption, const char* name, void (MainWindow::*click)()) {
        menu->addAction(caption, this, click)
            ->setObjectName(name + QString::fromLatin1(chip.letter));
    };
    addItem("Temperature Graph", "mTempGraph", handlers.tempGraph);
    if (chip.hasRails)
        addItem("Voltage Graph", "mVoltGraph", handlers.voltGraph);
    addItem("Settings", "mSet", handlers.settings);
    addItem("Save Data", "mSave", handlers.save);
    menu->setEnabled(false);
    windowsOf(chip.chip).menu = menu;
}

void MainWindow::fillWindowMenu()
{
    mWindows->clear();
    const QList<QMdiSubWindow*> windows = mdi_->subWindowList(QMdiArea::CreationOrder);
    for (QMdiSubWindow* sub : windows) {
        if (sub->isHidden())
            continue;
        QAction* item = mWindows->addAction(windowMenuText(sub));
        item->setCheckable(true);
        item->setChecked(sub == mdi_->activeSubWindow());
        connect(item, &QAction::triggered, this,
                [this, sub = QPointer<QMdiSubWindow>(sub)] { bringToFront(sub); });
    }
}

QString MainWindow::windowMenuText(QMdiSubWindow* sub) const
{
    // Both chips' graph and save-data windows share their captions; the list tells them apart.
    QString text = sub->windowTitle();
    const QWidget* w = sub->widget();
    for (const ChipDescriptor& chip : kChips) {
        const QString name = QString::fromLatin1(chip.name);
        if ((w == tempGraphWindow(chip.chip) || w == saveWindow(chip.chip)) && !text.contains(name))
            text += QStringLiteral(" \u2014 ") + name;
    }
    return text;
}

std::optional<ScanResult> MainWindow::loadFirmwareAndScan(QString* failure)
{
    // No tick is asked for while the worker brings the board up.
    bringingUp_ = true;
    const BringUp up =
        bringUpBoard(*worker_, services_.programFolder, isVisible() ? this : nullptr);
    bringingUp_ = false;
    boardDescription_ = QString::fromStdString(up.description);
    if (!up.firmwareLoaded) {
        *failure = QString::fromStdString(up.failure);
        return std::nullopt;
    }
    if (up.fault) {
        onBoardLost(*up.fault);
        return ScanResult{};
    }
    boardDescription_ = QString::fromStdString(up.description);
    boardPort_ = up.port;
    for (const ChipDescriptor& chip : kChips)
        windowsOf(chip.chip).menu->setEnabled(up.found->found(chip.chip));
    connection_->setFullText(QString(), connectionText(boardDescription_, *up.found, state_));
    return up.found;
}

// A chip behind a failed probe may have gone unseen: the user must not take "no chip" for it.
static QString scanFailureText(const ScanResult& found)
{
    if (found.failedProbes == 0)
        return {};
    return QString("The board failed %1 of the %2 probes of the scan for chips: %3.")
        .arg(found.failedProbes)
        .arg(kLastScanAddress - kFirstScanAddress + 1)
        .arg(QString::fromStdString(found.failureReason));
}

bool MainWindow::MDIForm_Load()
{
    QString reason;
    const std::optional<ScanResult> found = loadFirmwareAndScan(&reason);
    if (!found) {
        QString text = kFirmwareFailure;
        if (!reason.isEmpty())
            text += "\n\n" + reason;
        services_.prompts.showMessage(nullptr, MessageIcon::Critical, text);
        return false;
    }
    if (found->failedProbes > 0)
        showStatus(scanFailureText(*found));
    raiseEvent(boardEvent(EventKind::FirmwareLoaded));
    worker_->startTimer(kTickIntervalMs);
    return true;
}

bool MainWindow::Reconnect()
{
    // The board stays marked lost until it is back, so that no tick reaches it meanwhile.
    boardLost_ = true;
    QString reason;
    const std::optional<ScanResult> found = loadFirmwareAndScan(&reason);
    if (!found) {
        showStatus("Reconnect failed: " + (reason.isEmpty() ? QString("no board") : reason));
        return false;
    }
    if (worker_->lostFault()) // lost again during the scan; onBoardLost has said so
        return false;
    boardLost_ = false;
    reconnectButton_->hide();
    markChildTitles(false);
    raiseEvent(boardEvent(EventKind::Reconnect));
    const QString failures = scanFailureText(*found);
    showStatus(reconnectedText(*found) + (failures.isEmpty() ? "" : ". " + failures));
    return true;
}

QString MainWindow::reconnectedText(const ScanResult& found) const
{
    QStringList chips;
    for (const ChipDescriptor& chip : kChips)
        if (found.found(chip.chip))
            chips
                << QString("%1 at %2").arg(chipName(chip.chip)).arg(chipAddress(state_, chip.chip));
    if (chips.isEmpty())
        return "Board reconnected, but no chip answered";
    return "Board reconnected: " + chips.join(", ");
}

void MainWindow::showChild(ChildWindow* child)
{
    QWidget* window = child->widget();
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    const bool loading = sub == nullptr;
    if (loading) {
        sub = mdi_->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        // A closed window is no longer polled.
        window->installEventFilter(this);
        // A window that sizes or places itself does so in its Form_Load, now that it has a frame.
        child->Form_Load();
        // The About window places itself; every other child opens in full view.
        if (!qobject_cast<AboutWindow*>(window)) {
            // Sizes made for a narrow bitmap font grow rather than cut off a caption under a
            // wider or larger desktop font.
            placeNewChild(*mdi_, *sub);
        }
    }
    if (boardLost_)
        markChildTitles(true);
    sub->show();
    window->show();
    bringToFront(sub);
}

void MainWindow::bringToFront(QMdiSubWindow* sub)
{
    if (!sub)
        return;
    // A minimised window brought to the front is one the user wants to see.
    if (sub->isMinimized())
        sub->showNormal();
    mdi_->setActiveSubWindow(sub);
    sub->raise();
}

template <typename GraphWindow>
void MainWindow::showGraph(Chip chip, QPointer<GraphWindow>& window, Flag DeviceState::*openFlag)
{
    if (!window) {
        window = new GraphWindow(chip, state_, services_.clock);
        window->chart().setDialogs(services_.files, services_.prompts);
        // What the program did to this chip or the board shows on the chart; the user's own notes
        // are drawn by the chart they were added on and only go on to the logs from here.
        GraphWindow* graph = window.data();
        connect(this, &MainWindow::programEvent, graph, [graph, chip](const ProgramEvent& event) {
            if (event.concerns(chip) && event.kind != EventKind::Note)
                graph->addMarker(QString::fromStdString(event.text));
        });
        connect(graph, &GraphWindow::noteAdded, this, [this, chip](const QString& text) {
            markInLogs(userNote(chip, text.toStdString()));
        });
        connect(window, &GraphWindow::limitsRequested, this,
                [this, chip] { editLimits(chip, std::is_same_v<GraphWindow, VoltGraphWindow>); });
    }
    showChild(window);
    showAlarms();
    state_.*openFlag = True;
    syncPolledSteps();
}

void MainWindow::showTempGraph(Chip chip)
{
    showGraph(chip, windowsOf(chip).tempGraph, chipInfo(chip).tempGraphOpen);
}

void MainWindow::showVoltGraph(Chip chip)
{
    showGraph(chip, windowsOf(chip).voltGraph, chipInfo(chip).voltGraphOpen);
}

void MainWindow::showSettings(Chip chip)
{
    QPointer<SettingsWindow>& window = windowsOf(chip).settings;
    if (!window) {
        window = new SettingsWindow(chip, *worker_, services_.prompts);
        connect(window, &SettingsWindow::programEvent, this, &MainWindow::raiseEvent);
    }
    showChild(window);
}

void MainWindow::showSaveWindow(Chip chip)
{
    QPointer<SaveWindow>& window = windowsOf(chip).save;
    if (!window)
        window = new SaveWindow(
            chip, {state_, *worker_, services_.prompts, services_.files, services_.clock,
                   services_.programFolder, [this](const QString& s) { showStatus(s); },
                   [this] {
                       return logging::LogSource{0, boardDescription_.toStdString(), boardPort_};
                   },
                   [this](const ProgramEvent& event) { raiseEvent(event); }, lastLogFolder_});
    showChild(window);
    syncPolledSteps();
}

void MainWindow::mTempGraphA_Click()
{
    showTempGraph(Chip::A);
}

void MainWindow::mTempGraphB_Click()
{
    showTempGraph(Chip::B);
}

void MainWindow::mVoltGraphB_Click()
{
    showVoltGraph(Chip::B);
}

void MainWindow::mSetA_Click()
{
    showSettings(Chip::A);
}

void MainWindow::mSetB_Click()
{
    showSettings(Chip::B);
}

void MainWindow::mSaveA_Click()
{
    showSaveWindow(Chip::A);
}

void MainWindow::mSaveB_Click()
{
    showSaveWindow(Chip::B);
}

void MainWindow::mOpenLog_Click()
{
    viewers_->openLog();
}

void MainWindow::mCompareLogs_Click()
{
    viewers_->compareLogs();
}

void MainWindow::mExit_Click()
{
    close();
}

void MainWindow::viewWithoutBoard(const QString& path)
{
    showStatus("No board brought up: viewing a log");
    viewers_->openLog(path);
}

void MainWindow::mAbout_Click()
{
    if (!frmAbout)
        frmAbout = new AboutWindow(services_.urls);
    showChild(frmAbout);
}

void MainWindow::Timer1_Timer()
{
    if (bringingUp_)
        return;
    syncPolledSteps();
    worker_->tickNow();
}

void MainWindow::UpdateTempGraphA(const logging::TakenReadings& readings)
{
    if (TempGraphWindow* w = tempGraphWindow(Chip::A))
        w->UpdateTempGraph(readings);
}

void MainWindow::UpdateTempGraphB(const logging::TakenReadings& readings)
{
    if (TempGraphWindow* w = tempGraphWindow(Chip::B))
        w->UpdateTempGraph(readings);
}

bool MainWindow::hasWindow(const TickStep& step) const
{
    switch (step.window) {
    case PolledWindow::TempGraph:
        return tempGraphWindow(step.chip) != nullptr;
    case PolledWindow::VoltGraph:
        return voltGraphWindow(step.chip) != nullptr;
    case PolledWindow::SaveData:
        break;
    }
    return saveWindow(step.chip) != nullptr;
}

void MainWindow::syncPolledSteps()
{
    PolledSteps steps;
    for (std::size_t i = 0; i < kTickSteps.size(); ++i)
        steps[i] = state_.*tickFlag(kTickSteps[i]) == True && hasWindow(kTickSteps[i]);
    worker_->setPolledSteps(steps);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The window's own close handler clears its flag, or refuses; either way after this.
    if (event->type() == QEvent::Close)
        QMetaObject::invokeMethod(this, &MainWindow::syncPolledSteps, Qt::QueuedConnection);
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::onTick(const TickReadings& tick)
{
    showSkippedTicks(tick);
    if (boardLost_)
        return;
    tickMessages_.emplace();
    for (const StepReadings& step : tick.steps) {
        if (!step.error.empty()) {
            showStatus(QString::fromStdString(step.error));
            continue;
        }
        runPolled([&] { drawStep(step); });
    }
    if (!boardLost_)
        alarms_->feed(tick, services_.clock.now());
    const QStringList said = *tickMessages_;
    tickMessages_.reset();
    if (!said.isEmpty())
        showStatus(said.join(QStringLiteral("  ")));
    if (tick.lost)
        onBoardLost(*tick.lost);
}

void MainWindow::drawStep(const StepReadings& step)
{
    // A window closed since the worker read it is not drawn.
    if (state_.*tickFlag(step.step) != True)
        return;
    const Chip chip = step.step.chip;
    switch (step.step.window) {
    case PolledWindow::TempGraph:
        (this->*handlersOf(chip).updateTempGraph)(step.taken);
        return;
    case PolledWindow::VoltGraph:
        if (VoltGraphWindow* w = voltGraphWindow(chip))
            w->UpdateVoltGraph(step.taken);
        return;
    case PolledWindow::SaveData:
        break;
    }
    if (SaveWindow* w = saveWindow(chip))
        w->SaveCurrentData(step.taken);
}

void MainWindow::showSkippedTicks(const TickReadings& tick)
{
    if (tick.skippedBefore > 0) {
        ticksWithoutSkip_ = 0;
        skippedTicks_->setText(
            QString("Board slower than the tick: %1 ticks skipped").arg(tick.skippedTotal));
        skippedTicks_->show();
    } else if (!skippedTicks_->isHidden() && ++ticksWithoutSkip_ >= kTicksToClearSkipped) {
        skippedTicks_->hide();
    }
}

void MainWindow::runPolled(const std::function<void()>& call)
{
    if (boardLost_)
        return;
    try {
        call();
    } catch (const BoardLostError& lost) {
        onBoardLost(lost);
    } catch (const std::exception& error) {
        showStatus(QString::fromUtf8(error.what()));
    }
}

void MainWindow::onBoardLost(const BoardLostError& fault)
{
    const QString reason = QString::fromUtf8(fault.what());
    // Marked in the running logs before they stop.
    raiseEvent(
        boardEvent(fault.notResponding() ? EventKind::BoardNotResponding : EventKind::BoardLost));
    boardLost_ = true;
    connection_->setFullText(QString(), lostBoardText(boardDescription_, fault.notResponding(),
                                                      timeOfDayText(services_.clock.now()),
                                                      QString::fromUtf8(fault.reason())));
    reconnectButton_->show();
    markChildTitles(true);
    // The alarms the loss fires go into the running logs before they stop.
    alarms_->boardLost(services_.clock.now());
    for (const ChipWindows& windows : chips_) {
        if (windows.tempGraph)
            windows.tempGraph->readingsStopped();
        if (windows.voltGraph)
            windows.voltGraph->readingsStopped();
        if (windows.save)
            windows.save->boardLost(reason);
    }
}

void MainWindow::raiseEvent(const ProgramEvent& event)
{
    emit programEvent(event);
    markInLogs(event);
}

void MainWindow::markInLogs(const ProgramEvent& event)
{
    for (const ChipDescriptor& chip : kChips)
        if (SaveWindow* w = saveWindow(chip.chip); w && event.concerns(chip.chip))
            w->noteEvent(event);
}

void MainWindow::markChildTitles(bool lost)
{
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (auto* child = dynamic_cast<ChildWindow*>(sub->widget()))
            child->markBoardLost(lost);
}

void MainWindow::showStatus(const QString& text)
{
    if (tickMessages_) {
        tickMessages_->append(text);
        return;
    }
    message_->setFullText(QString(), text);
    statusBar()->setAccessibleName(text);
}

QString MainWindow::statusMessage() const
{
    return message_->fullText();
}

SettingsWindow* MainWindow::settingsWindow(Chip chip) const
{
    return windowsOf(chip).settings.data();
}

TempGraphWindow* MainWindow::tempGraphWindow(Chip chip) const
{
    return windowsOf(chip).tempGraph.data();
}

VoltGraphWindow* MainWindow::voltGraphWindow(Chip chip) const
{
    return windowsOf(chip).voltGraph.data();
}

AboutWindow* MainWindow::aboutWindow() const
{
    return frmAbout.data();
}

SaveWindow* MainWindow::saveWindow(Chip chip) const
{
    return windowsOf(chip).save.data();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The board is being brought up on a worker: it has to finish first.
    if (bringingUp_) {
        event->ignore();
        return;
    }
    // The writing save-data windows are asked before anything closes, each in front of the others
    // so that the user sees whose log the question is about. One No keeps every window, graphs
    // with their history included, and cancels the whole close.
    QList<SaveWindow*> agreed;
    for (const ChipDescriptor& chip : kChips) {
        SaveWindow* w = saveWindow(chip.chip);
        if (!w)
            continue;
        if (w->isWriting())
            bringToFront(qobject_cast<QMdiSubWindow*>(w->parentWidget()));
        if (!w->askBeforeClose()) {
            event->ignore();
            return;
        }
        agreed.append(w);
    }
    for (SaveWindow* w : agreed)
        w->closeWithoutAsking();
    mdi_->closeAllSubWindows();
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (!sub->isHidden()) {
            event->ignore();
            return;
        }
    }
    worker_->stopTimer();
    event->accept();
}

} // namespace zr
