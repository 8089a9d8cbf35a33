// SPDX-License-Identifier: MIT
// zr410ab: the desktop evaluation program.

#include "alarms/rules_file.h"
#include "app/board_factory.h"
#include "app/command_line.h"
#include "graphs/strip_chart/strip_chart.h"
#include "platform/file_dialog_chooser.h"
#include "platform/stderr_prompts.h"
#include "shell/main_window.h"
#include "version.h"
#include "viewer/log_viewer_window.h"
#include "viewer/log_viewers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMdiArea>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

bool haveDisplay(const zr::ProgramOptions& options)
{
    for (const std::string& given : options.qtOptions)
        if (given == "platform")
            return true;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return true;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (display && *display) || (wayland && *wayland);
}

// Reports the time to the main window's first paint, then ends the program.
class FirstPaintProbe : public QObject {
public:
    explicit FirstPaintProbe(const QElapsedTimer& sinceStart) : sinceStart_(sinceStart) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            std::printf("first_paint_ms=%.2f\n", sinceStart_.nsecsElapsed() / 1e6);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& sinceStart_;
    bool seen_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();

    std::vector<std::string> args(argv + 1, argv + argc);
    const zr::ParsedCommandLine parsed = zr::parseCommandLine(args);
    if (!parsed.options) {
        std::cerr << "zr410ab: " << parsed.error << "\n";
        return 2;
    }
    const zr::ProgramOptions& options = *parsed.options;
    if (options.showHelp) {
        std::cout << zr::helpText("zr410ab");
        return 0;
    }
    if (options.showVersion) {
        std::cout << "zr410ab " << zr::version::text << "\n";
        return 0;
    }
    if (!haveDisplay(options)) {
        std::cerr << "zr410ab: no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                     "Start it from a desktop session, under xvfb-run, or with "
                     "QT_QPA_PLATFORM=offscreen.\n";
        return 1;
    }

    std::unique_ptr<zr::BoardLibrary> board;
    try {
        board = zr::makeBoard(options);
    } catch (const std::exception& e) {
        std::cerr << "zr410ab: " << e.what() << "\n";
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("ZR410A_B");
    QApplication::setApplicationVersion(zr::version::text);
    // Ties the windows to the installed desktop entry (its icon and name in the desktop's lists).
    QGuiApplication::setDesktopFileName("zr410ab");

    zr::DeviceState state;
    zr::MessageBoxPrompts boxes;
    zr::StderrPrompts stderrPrompts;
    zr::Prompts& prompts = options.nonInteractive ? static_cast<zr::Prompts&>(stderrPrompts)
                                                  : static_cast<zr::Prompts&>(boxes);
    zr::FileDialogChooser files;
    zr::DesktopUrlOpener urls;
    zr::SystemClock clock;

    zr::MainWindow window(
        {state, *board, prompts, files, urls, clock, QCoreApplication::applicationDirPath()});
    window.useAlarmRules(QString::fromStdString(
        options.alarmsFile.empty() ? zr::alarms::defaultRulesPath() : options.alarmsFile));
    FirstPaintProbe probe(sinceStart);
    if (!options.viewFile.empty()) {
        // The probe times the viewer's chart: the log read and drawn.
        if (options.startupProbe)
            QObject::connect(&window.logViewers(), &zr::viewer::LogViewers::opened, &window,
                             [&probe](zr::viewer::LogViewerWindow* viewer) {
                                 if (QWidget* c =
                                         viewer->chart(zr::viewer::ValueFamily::Temperature))
                                     c->installEventFilter(&probe);
                             });
        window.show();
        window.viewWithoutBoard(QString::fromStdString(options.viewFile));
        return app.exec();
    }
    QElapsedTimer loadTime;
    loadTime.start();
    if (!window.MDIForm_Load())
        return 1;
    if (options.startupProbe) {
        std::printf("load_ms=%.3f\n", loadTime.nsecsElapsed() / 1e6);
        window.mdiArea()->viewport()->installEventFilter(&probe);
    }
    window.show();
    return app.exec();
}
