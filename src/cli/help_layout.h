// SPDX-License-Identifier: MIT
#pragma once

// Help text laid out for an 80-column terminal: words are moved to the next line, never cut.

#include <string>
#include <string_view>

namespace zr::cli {

inline constexpr std::size_t kHelpWidth = 80;

// `text` filled into lines of at most kHelpWidth columns: the first starts with `first`, the
// others with `indent` spaces. A bracketed group ("[--count N | --duration S]") stays on one
// line; a word longer than a line gets a line of its own.
std::string fillLines(std::string_view first, std::string_view text, std::size_t indent);

// An option's line in a list: its name (and value) in a column `column` wide, its help beside
// it, or under it when the name fills the column.
std::string optionLine(std::string_view name, std::string_view help, std::size_t column);

} // namespace zr::cli
