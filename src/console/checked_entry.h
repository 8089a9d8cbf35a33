// SPDX-License-Identifier: MIT
#pragma once

// What a typed entry turns into: the value, or the words that tell the user why it was refused.
// Refusals happen before anything is sent, so a refused entry never reaches the board.

#include <string>
#include <variant>

namespace zr::entry {

struct Refusal {
    std::string message; // names the field, the value and the allowed range
};

template <typename T> using Checked = std::variant<T, Refusal>;

template <typename T> bool refused(const Checked<T>& c)
{
    return std::holds_alternative<Refusal>(c);
}

} // namespace zr::entry
