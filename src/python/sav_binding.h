// SPDX-License-Identifier: MIT
#pragma once

#include <pybind11/pybind11.h>

namespace zr::python {

// Adds read_sav(path: bytes, partial: bool) to the extension module: (chip, date, time, columns,
// values, records, problem line, problem), values holding lists (ints for External Offset).
void defineSavReader(pybind11::module_& m);

} // namespace zr::python
