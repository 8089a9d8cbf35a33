// SPDX-License-Identifier: MIT
#pragma once

// The real main window with fake services on a recording board. By default chip ZR410A answers at
// 72 and chip ZR410B at 76, and the window is loaded and shown with its start-up requests
// forgotten; NotLoaded leaves the start-up to the test.

#include "shell/main_window.h"
#include "support/board_wait.h"
#include "support/fake_services.h"
#include "support/recording_board.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QTest>
#include <memory>

namespace zr::test {

inline constexpr int kAddressA = 72;
inline constexpr int kAddressB = 76;

struct MainWindowBench {
    enum class Start { Loaded, NotLoaded };

    DeviceState state;
    RecordingBoard board;
    FakePrompts prompts;
    FakeFileChooser files;
    FakeUrlOpener urls;
    FakeClock clock;
    std::unique_ptr<MainWindow> main;

    explicit MainWindowBench(Start start = Start::Loaded,
                             const QString& programFolder = QStringLiteral("."))
    {
        board.refuseUserInterfaceThread = true;
        main = std::make_unique<MainWindow>(
            AppServices{state, board, prompts, files, urls, clock, programFolder});
        if (start == Start::Loaded)
            loadAndShow();
    }

    void loadAndShow()
    {
        // Identifier blocks for the start-up scan: device id low byte 132 (A) or 133 (B), client
        // address in byte 16.
        board.responder = [](const std::vector<std::uint8_t>& frame) {
            RecordingBoard::Reply r{};
            if (frame.size() == 7 && frame[3] == 247 &&
                (frame[0] == kAddressA || frame[0] == kAddressB)) {
                r[5] = frame[0] == kAddressA ? 132 : 133;
                r[16] = frame[0];
            }
            return r;
        };
        load();
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));
        board.requests.clear();
        board.responder = nullptr;
    }

    // The firmware load and the scan, then the worker's timer stopped: the test makes the ticks.
    bool load()
    {
        const bool loaded = main->MDIForm_Load();
        main->boardWorker().stopTimer();
        return loaded;
    }

    // One tick, drawn and logged.
    void tick()
    {
        main->Timer1_Timer();
        settle();
    }

    // Everything asked of the board so far has run and has been shown.
    void settle() { QVERIFY(waitForBoard(*main)); }

    void trigger(const char* menuItem)
    {
        auto* item = main->findChild<QAction*>(menuItem);
        QVERIFY(item);
        item->trigger();
    }

    // The frames sent to the board (direction 0), oldest first.
    std::vector<std::vector<std::uint8_t>> sentFrames() const
    {
        std::vector<std::vector<std::uint8_t>> frames;
        for (const RecordedRequest& r : board.requests)
            if (r.direction == kDirectionToBoard)
                frames.push_back(r.sent);
        return frames;
    }
};

// Closes a child window as its close box would and lets it be destroyed.
inline void closeAndDestroy(QWidget* window)
{
    qobject_cast<QMdiSubWindow*>(window->parentWidget())->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace zr::test
