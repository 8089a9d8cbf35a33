// SPDX-License-Identifier: MIT
#include "cli/help_layout.h"

#include <vector>

namespace zr::cli {
namespace {

// Columns a UTF-8 text takes: one per character ("°C" is two).
std::size_t columns(std::string_view text)
{
    std::size_t n = 0;
    for (const char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

std::vector<std::string> words(std::string_view text)
{
    std::vector<std::string> out;
    int depth = 0;
    std::string word;
    for (const char c : text) {
        if (c == '[')
            ++depth;
        if (c == ']' && depth > 0)
            --depth;
        if ((c == ' ' || c == '\n') && depth == 0) {
            if (!word.empty())
                out.push_back(std::move(word));
            word.clear();
            continue;
        }
        word += c == '\n' ? ' ' : c;
    }
    if (!word.empty())
        out.push_back(std::move(word));
    return out;
}

} // namespace

std::string fillLines(std::string_view first, std::string_view text, std::size_t indent)
{
    std::string out(first);
    std::size_t used = columns(first);
    bool lineHasWord = false;
    for (const std::string& word : words(text)) {
        const std::size_t width = columns(word);
        if (lineHasWord && used + 1 + width > kHelpWidth) {
            out += "\n" + std::string(indent, ' ');
            used = indent;
            lineHasWord = false;
        }
        if (lineHasWord) {
            out += ' ';
            ++used;
        }
        out += word;
        used += width;
        lineHasWord = true;
    }
    return out + "\n";
}

std::string optionLine(std::string_view name, std::string_view help, std::size_t column)
{
    std::string head = "  " + std::string(name);
    if (columns(head) + 1 > column)
        return head + "\n" + fillLines(std::string(column, ' '), help, column);
    head.resize(column, ' ');
    return fillLines(head, help, column);
}

} // namespace zr::cli
