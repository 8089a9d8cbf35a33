// SPDX-License-Identifier: MIT
// Takes pictures of the main window with every child window in its main states, on the
// simulated board, for the README and for checking the windows by eye at each scale and palette.
// Usage: zr410ab-screenshots OUTPUT_FOLDER [SUFFIX [dark]]   (SUFFIX: "" at scale 1, "@2x" at
// scale 2; "dark" takes them in a dark palette)

#include "board/sim/simulated_board.h"
#include "logging/save_window.h"
#include "settings/settings_window.h"
#include "shell/main_window.h"
#include "viewer/log_viewer_window.h"
#include "viewer/log_viewers.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPalette>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

namespace {

// Time that moves by one tick per tick, so a minute of graph takes no minute to take.
class SteppedClock : public zr::Clock {
public:
    std::chrono::system_clock::time_point now() const override { return time; }
    std::chrono::steady_clock::time_point steadyNow() const override
    {
        return start + (time - wallStart);
    }
    std::chrono::system_clock::time_point time = std::chrono::system_clock::now();

private:
    std::chrono::system_clock::time_point wallStart = time;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

class NoPrompts : public zr::Prompts {
public:
    void showMessage(QWidget*, zr::MessageIcon, const QString&) override {}
    bool askYesNo(QWidget*, const QString&) override { return true; }
};

class ChosenFile : public zr::FileChooser {
public:
    QString path;
    QString chooseFile(QWidget*, const QString&, const QString&, const zr::FileChoice&) override
    {
        return path;
    }
};

class NoBrowser : public zr::UrlOpener {
public:
    void openUrl(const QString&) override {}
};

// The simulated board behind a cable that can be pulled.
class PullableBoard : public zr::BoardLibrary {
public:
    std::int16_t LoadFirmWare(const char* path) override
    {
        pulled = false;
        return board.LoadFirmWare(path);
    }
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length,
                                 std::uint8_t* buffer) override
    {
        return pulled ? -1
                      : board.VendorIORequest(request, value, index, direction, length, buffer);
    }
    bool boardLost() const override { return pulled || board.boardLost(); }
    std::string failureReason() const override
    {
        return pulled ? "the USB cable was pulled" : board.failureReason();
    }
    std::string description() const override { return board.description(); }

    zr::sim::SimulatedBoard board;
    bool pulled = false;
};

// A dark palette of the kind dark desktop themes give, on the style that follows a palette
// wholly.
void useDarkPalette(QApplication& app)
{
    app.setStyle(QStyleFactory::create("Fusion"));
    QPalette dark;
    const QColor window(45, 45, 48), base(30, 30, 30), text(230, 230, 230), off(128, 128, 128);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    dark.setColor(QPalette::Link, QColor(42, 130, 218));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(QPalette::Disabled, role, off);
    app.setPalette(dark);
}

void settle()
{
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

bool save(QWidget& window, const QDir& folder, const QString& name, const QString& suffix)
{
    settle();
    const QString path = folder.filePath(name + suffix + ".png");
    if (!window.grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void closeChildren(zr::MainWindow& w)
{
    for (QMdiSubWindow* sub : w.mdiArea()->subWindowList())
        sub->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: zr410ab-screenshots OUTPUT_FOLDER [SUFFIX]\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString suffix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (argc > 3 && QString::fromLocal8Bit(argv[3]) == "dark")
        useDarkPalette(app);
    QDir().mkpath(folder.path());
    QTemporaryDir logs;

    zr::DeviceState state;
    PullableBoard board;
    NoPrompts prompts;
    ChosenFile files;
    NoBrowser urls;
    SteppedClock clock;
    zr::MainWindow w({state, board, prompts, files, urls, clock, ZR_FIRMWARE_FOLDER});
    if (!w.MDIForm_Load())
        return 1;
    w.boardWorker().stopTimer(); // ticks are run below, one step of the clock each
    w.show();
    // Until what was asked of the board is done and shown.
    const auto settle = [&] {
        QEventLoop loop;
        w.boardWorker().afterPending(&loop, [&loop] { loop.quit(); });
        loop.exec();
    };
    const auto ticks = [&](int count) {
        for (int i = 0; i < count; ++i) {
            clock.time += std::chrono::milliseconds(250);
            w.Timer1_Timer();
            settle();
        }
    };
    bool ok = save(w, folder, "main-window", suffix);

    w.mSetA_Click();
    for (const char* button : {"cmdGetDIB", "cmdGetAllTemps", "cmdGetOffset", "cmdPing"})
        w.settingsWindow(zr::Chip::A)->findChild<QPushButton*>(button)->click();
    settle();
    ok = save(w, folder, "settings", suffix) && ok;
    closeChildren(w);

    w.mVoltGraphB_Click();
    w.mTempGraphA_Click();
    ticks(4 * 90);
    ok = save(w, folder, "graphs", suffix) && ok;
    closeChildren(w);

    w.mSaveA_Click();
    w.mSaveB_Click();
    files.path = logs.filePath("bench-run.sav");
    w.saveWindow(zr::Chip::B)->findChild<QPushButton*>("cmdSave")->click();
    ticks(4 * 75);
    ok = save(w, folder, "save-data", suffix) && ok;
    w.saveWindow(zr::Chip::B)->findChild<QPushButton*>("cmdSave")->click();
    ok = save(w, folder, "save-data-stopped", suffix) && ok;
    // A second run of the same bench with the external offset written part-way, then both in the
    // viewer, run 2 over run 1, with the difference of the external temperature.
    files.path = logs.filePath("bench-run-2.sav");
    w.saveWindow(zr::Chip::B)->findChild<QPushButton*>("cmdSave")->click();
    ticks(4 * 35);
    const auto writeOffset = [&](const char* degrees) {
        w.mSetB_Click();
        w.settingsWindow(zr::Chip::B)->findChild<QLineEdit*>("txtOffset")->setText(degrees);
        w.settingsWindow(zr::Chip::B)->findChild<QPushButton*>("cmdSetOffset")->click();
        settle();
    };
    writeOffset("3");
    ticks(4 * 40);
    w.saveWindow(zr::Chip::B)->findChild<QPushButton*>("cmdSave")->click();
    writeOffset("0");
    closeChildren(w);
    const auto read = [&] {
        while (w.logViewers().loading())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    };
    files.path = logs.filePath("bench-run.sav");
    w.mOpenLog_Click();
    read();
    files.path = logs.filePath("bench-run-2.sav");
    w.mCompareLogs_Click();
    read();
    if (QMdiSubWindow* sub = w.mdiArea()->activeSubWindow()) {
        sub->showMaximized();
        if (auto* viewer = qobject_cast<zr::viewer::LogViewerWindow*>(sub->widget()))
            viewer->differenceChooser()->setCurrentText("External");
    }
    ok = save(w, folder, "log-viewer-compare", suffix) && ok;
    closeChildren(w);

    w.mAbout_Click();
    ok = save(w, folder, "about", suffix) && ok;
    closeChildren(w);

    // The cable pulled while both graphs run: the status bar says since when, the legends keep
    // their last readings, greyed.
    w.mVoltGraphB_Click();
    w.mTempGraphA_Click();
    ticks(4 * 30);
    board.pulled = true;
    ticks(4 * 5);
    ok = save(w, folder, "board-lost", suffix) && ok;
    closeChildren(w);
    return ok ? 0 : 1;
}
