#pragma once

#include <QIcon>

namespace zr {

// The program's icon: a thermometer on a chip, drawn at run time so that no image file is needed.
QIcon appIcon();

} // namespace zr
