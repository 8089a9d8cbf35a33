// SPDX-License-Identifier: MIT
#pragma once

// Runs a piece of a test in a forked child, for faults that must not touch the test process
// itself: a file-size limit, another user, a private mount, a kill.

#include <QByteArray>
#include <functional>
#include <optional>
#include <string>

namespace zr::test {

struct ChildResult {
    bool skipped = false; // the body could not set up its fault here
    bool killed = false;  // ended by a signal
    int status = 0;       // exit code, or the signal
    QByteArray output;    // what the body returned
};

// `body` runs in the child; its text comes back as `output`. Returning nothing means the fault
// cannot be set up on this system (the test should skip). The child never returns into the test.
ChildResult runInChild(const std::function<std::optional<std::string>()>& body);

// As runInChild, with the child running as user and group "nobody" when the test runs as root,
// so that file permissions apply to it.
ChildResult runUnprivileged(const std::function<std::optional<std::string>()>& body);

} // namespace zr::test
