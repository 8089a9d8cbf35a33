// SPDX-License-Identifier: MIT
#pragma once

// Everything the windows need from outside, handed in by whoever builds the main window: the
// program with its real board and desktop services, or a test with fakes.

#include "board/board_library.h"
#include "board/device_state.h"
#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/prompts.h"
#include "platform/url_opener.h"

#include <QString>

namespace zr {

struct AppServices {
    DeviceState& state;
    BoardLibrary& board;
    Prompts& prompts;
    FileChooser& files;
    UrlOpener& urls;
    const Clock& clock;
    QString programFolder; // the folder that holds the executable
};

} // namespace zr
