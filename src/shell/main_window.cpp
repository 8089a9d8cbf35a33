#include "shell/main_window.h"

#include "board/address_scan.h"
#include "board/board_lost_error.h"
#include "board/usb_stuff.h"
#include "graphs/temp_graph_window.h"
#include "graphs/volt_graph_window.h"
#include "logging/save_window.h"
#include "platform/eliding_label.h"
#include "settings/settings_window.h"
#include "shell/about_window.h"
#include "shell/app_icon.h"
#include "shell/connection_text.h"
#include "shell/keyboard_conventions.h"
#include "shell/window_placement.h"

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
constexpr int kTimerIntervalMs = 250;
constexpr QSize kPreferredSize(1000, 720);
} // namespace

MainWindow::MainWindow(AppServices services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), state_(services_.state)
{
    setObjectName("ZR410A_BParent");
    setWindowTitle("ZR410A/B");
    setWindowIcon(appIcon());
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName("mdiArea");
    setCentralWidget(mdi_);
    // Which board and which chips, for as long as the program runs.
    connection_ = new ElidingLabel(this);
    connection_->setObjectName("lblConnection");
    statusBar()->addPermanentWidget(connection_);
    boardStatus_ = new QLabel(this);
    boardStatus_->setObjectName("boardStatus");
    statusBar()->addPermanentWidget(boardStatus_);
    reconnectButton_ = new QPushButton("Reconnect", this);
    reconnectButton_->setObjectName("cmdReconnect");
    reconnectButton_->setToolTip("Load the firmware again and look for the chips");
    reconnectButton_->hide();
    connect(reconnectButton_, &QPushButton::clicked, this, &MainWindow::Reconnect);
    statusBar()->addPermanentWidget(reconnectButton_);
    buildMenus();
    new KeyboardConventions(this, menuBar());
    // A window partly outside the client area (dragged there, or larger than it) stays in reach.
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    if (const QScreen* s = screen())
        setGeometry(initialMainWindowGeometry(s->availableGeometry(), kPreferredSize));
    else
        resize(kPreferredSize);

    Timer1.setObjectName("Timer1");
    Timer1.setInterval(kTimerIntervalMs);
    connect(&Timer1, &QTimer::timeout, this, &MainWindow::Timer1_Timer);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus()
{
    QMenuBar* bar = menuBar();
    // No access keys: a menu caption's "&" would show as an underline the program never had.
    mZR410A = bar->addMenu("ZR410A");
    mZR410A->setObjectName("mZR410A");
    mZR410A->addAction("Temperature Graph", this, &MainWindow::mTempGraphA_Click)
        ->setObjectName("mTempGraphA");
    mZR410A->addAction("Settings", this, &MainWindow::mSetA_Click)->setObjectName("mSetA");
    mZR410A->addAction("Save Data", this, &MainWindow::mSaveA_Click)->setObjectName("mSaveA");
    mZR410A->setEnabled(false);

    mZR410B = bar->addMenu("ZR410B");
    mZR410B->setObjectName("mZR410B");
    mZR410B->addAction("Temperature Graph", this, &MainWindow::mTempGraphB_Click)
        ->setObjectName("mTempGraphB");
    mZR410B->addAction("Voltage Graph", this, &MainWindow::mVoltGraphB_Click)
        ->setObjectName("mVoltGraphB");
    mZR410B->addAction("Settings", this, &MainWindow::mSetB_Click)->setObjectName("mSetB");
    mZR410B->addAction("Save Data", this, &MainWindow::mSaveB_Click)->setObjectName("mSaveB");
    mZR410B->setEnabled(false);

    mWindows = bar->addMenu("Window");
    mWindows->setObjectName("mWindows");
    connect(mWindows, &QMenu::aboutToShow, this, &MainWindow::fillWindowMenu);

    mAbout = bar->addAction("About...");
    mAbout->setObjectName("mAbout");
    connect(mAbout, &QAction::triggered, this, &MainWindow::mAbout_Click);
}

void MainWindow::fillWindowMenu()
{
    mWindows->clear();
    const QList<QMdiSubWindow*> windows = mdi_->subWindowList();
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
    for (Chip chip : {Chip::A, Chip::B}) {
        const QString name = QString::fromLatin1(chipName(chip));
        if ((w == tempGraphWindow(chip) || w == saveWindow(chip)) && !text.contains(name))
            text += QStringLiteral(" \u2014 ") + name;
    }
    return text;
}

bool MainWindow::loadFirmwareAndScan(QString* failure)
{
    std::string reason;
    if (USBStuff::LoadBoardFirmware(state_, services_.board, services_.programFolder.toStdString(),
                                    &reason) < 0) {
        *failure = QString::fromStdString(reason);
        return false;
    }
    try {
        const ScanResult found = ScanForChips(state_, services_.board);
        mZR410A->setEnabled(found.foundA);
        mZR410B->setEnabled(found.foundB);
        connection_->setFullText(
            QString(),
            connectionText(QString::fromStdString(services_.board.description()), found, state_));
    } catch (const BoardLostError& lost) {
        onBoardLost(QString::fromUtf8(lost.what()));
    }
    return true;
}

bool MainWindow::MDIForm_Load()
{
    QString reason;
    if (!loadFirmwareAndScan(&reason)) {
        QString text = kFirmwareFailure;
        if (!reason.isEmpty())
            text += "\n\n" + reason;
        services_.prompts.showMessage(nullptr, MessageIcon::Critical, text);
        return false;
    }
    Timer1.start();
    return true;
}

bool MainWindow::Reconnect()
{
    boardLost_ = false;
    QString reason;
    if (!loadFirmwareAndScan(&reason)) {
        boardLost_ = true;
        showStatus("Reconnect failed: " + (reason.isEmpty() ? QString("no board") : reason));
        return false;
    }
    if (boardLost_) // lost again during the scan; onBoardLost has said so
        return false;
    boardStatus_->clear();
    reconnectButton_->hide();
    markChildTitles(false);
    showStatus("Board reconnected.");
    return true;
}

void MainWindow::showChild(QWidget* window)
{
    auto* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    const bool loading = sub == nullptr;
    if (loading) {
        sub = mdi_->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        // A window that sizes or places itself does so in its Form_Load, now that it has a frame.
        QMetaObject::invokeMethod(window, "Form_Load", Qt::DirectConnection);
        // The About window places itself; every other child opens in full view.
        if (!qobject_cast<AboutWindow*>(window)) {
            // Sizes made for a narrow bitmap font grow rather than cut off a caption under a
            // wider or larger desktop font.
            sub->resize(sub->size().expandedTo(sub->minimumSizeHint()));
            placeInView(sub);
        }
    }
    if (boardLost_)
        markChildTitles(true);
    sub->show();
    window->show();
    bringToFront(sub);
}

void MainWindow::placeInView(QMdiSubWindow* sub)
{
    QList<QPoint> taken;
    for (QMdiSubWindow* other : mdi_->subWindowList())
        if (other != sub && other->isVisible())
            taken.append(other->pos());
    const int step = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
    sub->move(cascadePosition(mdi_->viewport()->size(), sub->size(), step, taken));
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

void MainWindow::mTempGraphA_Click()
{
    if (!frmTempGraphA)
        frmTempGraphA = new TempGraphWindow(Chip::A, state_, services_.board, services_.clock);
    showChild(frmTempGraphA);
    state_.TempGraphAOpen = True;
}

void MainWindow::mTempGraphB_Click()
{
    if (!frmTempGraphB)
        frmTempGraphB = new TempGraphWindow(Chip::B, state_, services_.board, services_.clock);
    showChild(frmTempGraphB);
    state_.TempGraphBOpen = True;
}

void MainWindow::mVoltGraphB_Click()
{
    if (!frmVoltGraphB)
        frmVoltGraphB = new VoltGraphWindow(state_, services_.board, services_.clock);
    showChild(frmVoltGraphB);
    state_.VoltGraphBOpen = True;
}

void MainWindow::mSetA_Click()
{
    if (!frmSettingsA)
        frmSettingsA = new SettingsWindow(Chip::A, state_, services_.board, services_.prompts);
    showChild(frmSettingsA);
}

void MainWindow::mSetB_Click()
{
    if (!frmSettingsB)
        frmSettingsB = new SettingsWindow(Chip::B, state_, services_.board, services_.prompts);
    showChild(frmSettingsB);
}

void MainWindow::mSaveA_Click()
{
    showSaveWindow(frmSaveA, Chip::A);
}

void MainWindow::mSaveB_Click()
{
    showSaveWindow(frmSaveB, Chip::B);
}

void MainWindow::showSaveWindow(QPointer<SaveWindow>& window, Chip chip)
{
    if (!window)
        window = new SaveWindow(chip, {state_, services_.board, services_.prompts, services_.files,
                                       services_.clock, services_.programFolder,
                                       [this](const QString& s) { showStatus(s); }});
    showChild(window);
}

void MainWindow::mAbout_Click()
{
    if (!frmAbout)
        frmAbout = new AboutWindow(services_.urls);
    showChild(frmAbout);
}

void MainWindow::Timer1_Timer()
{
    // A button handler may have met the loss first; say so within this tick.
    if (!boardLost_ && services_.board.boardLost())
        onBoardLost(QString::fromStdString(BoardLostError(services_.board.failureReason()).what()));
    if (state_.TempGraphAOpen == True && frmTempGraphA)
        runPolled([this] { frmTempGraphA->UpdateTempGraphA(); });
    if (state_.VoltGraphBOpen == True && frmVoltGraphB)
        runPolled([this] { frmVoltGraphB->UpdateVoltGraph(); });
    if (state_.TempGraphBOpen == True && frmTempGraphB)
        runPolled([this] { frmTempGraphB->UpdateTempGraphB(); });
    if (state_.LoggingA == True && frmSaveA)
        runPolled([this] { frmSaveA->SaveCurrentData(); });
    if (state_.LoggingB == True && frmSaveB)
        runPolled([this] { frmSaveB->SaveCurrentData(); });
}

void MainWindow::runPolled(const std::function<void()>& call)
{
    if (boardLost_)
        return;
    try {
        call();
    } catch (const BoardLostError& lost) {
        onBoardLost(QString::fromUtf8(lost.what()));
    } catch (const std::exception& error) {
        showStatus(QString::fromUtf8(error.what()));
    }
}

void MainWindow::onBoardLost(const QString& reason)
{
    boardLost_ = true;
    boardStatus_->setText("Board lost");
    reconnectButton_->show();
    showStatus(reason);
    markChildTitles(true);
    for (SaveWindow* w : {frmSaveA.data(), frmSaveB.data()})
        if (w)
            w->boardLost(reason);
}

void MainWindow::markChildTitles(bool lost)
{
    static const char* const kTitleKey = "titleBeforeBoardLoss";
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        QWidget* w = sub->widget();
        if (!w || qobject_cast<AboutWindow*>(w)) // the About window talks to no chip
            continue;
        const QVariant kept = w->property(kTitleKey);
        if (lost && !kept.isValid()) {
            w->setProperty(kTitleKey, w->windowTitle());
            w->setWindowTitle(w->windowTitle() + " - board lost");
        } else if (!lost && kept.isValid()) {
            w->setWindowTitle(kept.toString());
            w->setProperty(kTitleKey, QVariant());
        }
    }
}

void MainWindow::showStatus(const QString& text)
{
    statusBar()->showMessage(text);
}

SettingsWindow* MainWindow::settingsWindow(Chip chip) const
{
    return chip == Chip::A ? frmSettingsA.data() : frmSettingsB.data();
}

TempGraphWindow* MainWindow::tempGraphWindow(Chip chip) const
{
    return chip == Chip::A ? frmTempGraphA.data() : frmTempGraphB.data();
}

VoltGraphWindow* MainWindow::voltGraphWindow() const
{
    return frmVoltGraphB.data();
}

AboutWindow* MainWindow::aboutWindow() const
{
    return frmAbout.data();
}

SaveWindow* MainWindow::saveWindow(Chip chip) const
{
    return chip == Chip::A ? frmSaveA.data() : frmSaveB.data();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // The writing save-data windows are asked before anything closes, each in front of the others
    // so that the user sees whose log the question is about. One No keeps every window, graphs
    // with their history included, and cancels the whole close.
    QList<SaveWindow*> agreed;
    for (SaveWindow* w : {frmSaveA.data(), frmSaveB.data()}) {
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
    Timer1.stop();
    event->accept();
}

} // namespace zr
