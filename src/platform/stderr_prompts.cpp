// SPDX-License-Identifier: MIT
#include "platform/stderr_prompts.h"

#include <cstdio>

namespace zr {

void StderrPrompts::showMessage(QWidget*, MessageIcon, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(kProgramTitle), qPrintable(text));
}

bool StderrPrompts::askYesNo(QWidget*, const QString& text)
{
    std::fprintf(stderr, "%s: %s [answered Yes]\n", qPrintable(kProgramTitle), qPrintable(text));
    return true;
}

} // namespace zr
