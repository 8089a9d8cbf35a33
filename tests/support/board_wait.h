// SPDX-License-Identifier: MIT
#pragma once

// Waiting for the board worker: everything asked of it so far has run, and its results have been
// handed to the user-interface thread and handled there.

#include "shell/main_window.h"
#include "worker/board_worker.h"

#include <QTest>
#include <exception>
#include <memory>

namespace zr::test {

// Generous: a sanitizer build on a loaded machine is slow, a passing test never waits this long.
inline constexpr int kBoardWaitMs = 20000;

inline bool waitForBoard(BoardWorker& worker)
{
    QObject context;
    bool done = false;
    worker.afterPending(&context, [&done] { done = true; });
    return QTest::qWaitFor([&done] { return done; }, kBoardWaitMs);
}

inline bool waitForBoard(MainWindow& main)
{
    return waitForBoard(main.boardWorker());
}

// The reads of one tick step, run on the worker as a tick runs them; rethrows what they threw.
inline logging::TakenReadings readOnWorker(BoardWorker& worker, const TickStep& step)
{
    QObject context;
    auto taken = std::make_shared<logging::TakenReadings>();
    std::exception_ptr failure;
    bool done = false;
    worker.run(
        &context,
        [taken, step](DeviceState& state, BoardLibrary& board) {
            *taken = readStep(state, board, step);
        },
        [&](const RoutineResult& result) {
            failure = result.failure;
            done = true;
        });
    if (!QTest::qWaitFor([&done] { return done; }, kBoardWaitMs))
        qFatal("the board worker did not finish a read within %d ms", kBoardWaitMs);
    if (failure)
        std::rethrow_exception(failure);
    return *taken;
}

} // namespace zr::test
