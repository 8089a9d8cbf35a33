// SPDX-License-Identifier: MIT
#include "logging/sav_reader.h"

#include "board/rails.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>

namespace zr::logging {
namespace {

constexpr std::array<std::string_view, 3> kTemperatureColumns{"Internal", "External",
                                                              "External Offset"};
constexpr std::string_view kWholeColumn = "External Offset";

// A token as the message shows it: quoted, with bytes that are not printable ASCII escaped.
std::string quoted(std::string_view token)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "'";
    for (const char c : token) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '\'' && c != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out + "'";
}

std::vector<std::string_view> split(std::string_view text)
{
    std::vector<std::string_view> tokens;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        tokens.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos)
            return tokens;
        start = comma + 1;
    }
}

bool digits(std::string_view& text)
{
    const auto end =
        std::find_if(text.begin(), text.end(), [](char c) { return c < '0' || c > '9'; });
    const bool any = end != text.begin();
    text.remove_prefix(static_cast<std::size_t>(end - text.begin()));
    return any;
}

// What logNumberText writes: a space or "-", then "25", "25.25" or ".25"; decimalText switches to
// an exponent ("1.5E-05") for magnitudes a reading never has, accepted all the same.
bool isLogNumber(std::string_view token, bool whole)
{
    if (token.empty() || (token.front() != ' ' && token.front() != '-'))
        return false;
    token.remove_prefix(1);
    if (whole)
        return digits(token) && token.empty();
    const bool before = digits(token);
    if (!token.empty() && token.front() == '.') {
        token.remove_prefix(1);
        if (!digits(token))
            return false;
    } else if (!before) {
        return false;
    }
    if (!token.empty() && token.front() == 'E') {
        token.remove_prefix(1);
        if (!token.empty() && (token.front() == '+' || token.front() == '-'))
            token.remove_prefix(1);
        if (!digits(token))
            return false;
    }
    return token.empty();
}

// Why a line is not what the writer writes; the caller knows which line.
struct Problem {
    std::string reason;
};

// The names of one header group: known, in the writer's order, none twice.
template <typename Names>
std::vector<std::string_view> columnNames(const std::vector<std::string_view>& tokens,
                                          const Names& allowed)
{
    std::size_t next = 0;
    for (const std::string_view token : tokens) {
        const auto at = std::find(allowed.begin(), allowed.end(), token);
        if (at == allowed.end())
            throw Problem{"unknown column " + quoted(token)};
        const auto index = static_cast<std::size_t>(at - allowed.begin());
        if (index + 1 == next)
            throw Problem{"repeated column " + quoted(token)};
        if (index < next)
            throw Problem{"column " + quoted(token) + " out of the writer's order"};
        next = index + 1;
    }
    return tokens;
}

std::vector<std::string_view> railColumnNames()
{
    std::vector<std::string_view> names;
    for (const RailDescriptor& rail : kRails) {
        const std::string_view column = rail.logColumn;
        names.push_back(column.substr(0, column.size() - 1)); // without its ','
    }
    return names;
}

struct Header {
    std::vector<std::string_view> temperatures;
    std::vector<std::string_view> rails;
};

Header header(std::string_view text, Chip chip)
{
    const bool rails = hasRails(chip);
    if (!rails && text.empty())
        return {};
    std::vector<std::string_view> tokens = split(text);
    if (!tokens.back().empty())
        throw Problem{"the column header does not end in ','"};
    tokens.pop_back();
    if (!rails)
        return {columnNames(tokens, kTemperatureColumns), {}};
    const auto gap = std::find(tokens.begin(), tokens.end(), std::string_view{});
    if (gap == tokens.end())
        throw Problem{std::string("the ") + chipName(chip) +
                      " header has no ',' between temperatures and rails"};
    return {columnNames({tokens.begin(), gap}, kTemperatureColumns),
            columnNames({gap + 1, tokens.end()}, railColumnNames())};
}

// A shape's columns as a header: each known, in the writer's order, rails only on a chip with them.
Header headerOf(const std::vector<std::string>& names, Chip chip)
{
    static const std::vector<std::string_view> rails = railColumnNames();
    std::vector<std::string_view> temperatures, railNames;
    for (const std::string& name : names) {
        const bool rail = std::find(rails.begin(), rails.end(), name) != rails.end();
        if (rail && !hasRails(chip))
            throw Problem{quoted(name) + " is no column of " + chipName(chip)};
        (rail ? railNames : temperatures).push_back(name);
    }
    return {columnNames(temperatures, kTemperatureColumns), columnNames(railNames, rails)};
}

// A column's place in the writer's order: the temperature group, then the rails.
std::size_t writerOrder(std::string_view name)
{
    static const std::vector<std::string_view> rails = railColumnNames();
    const auto t = std::find(kTemperatureColumns.begin(), kTemperatureColumns.end(), name);
    if (t != kTemperatureColumns.end())
        return static_cast<std::size_t>(t - kTemperatureColumns.begin());
    return kTemperatureColumns.size() +
           static_cast<std::size_t>(std::find(rails.begin(), rails.end(), name) - rails.begin());
}

// The value tokens of one record, in header order, each as written (sign or space first).
std::vector<std::string_view> recordTokens(std::string_view text, const Header& h, Chip chip)
{
    std::string_view group;
    std::vector<std::string_view> railTokens;
    if (!hasRails(chip)) {
        if (text.empty() || text.back() != ',')
            throw Problem{std::string("a ") + chipName(chip) + " record ends in ','"};
        group = text.substr(0, text.size() - 1);
    } else {
        // One comma inside the temperature group before each column but the internal one, then
        // the lone ",", then ", " and a number per rail.
        const std::size_t commas =
            h.temperatures.size() -
            (!h.temperatures.empty() && h.temperatures.front() == kTemperatureColumns[0] ? 1 : 0);
        const std::vector<std::string_view> tokens = split(text);
        if (tokens.size() < commas + 2 || !tokens[commas + 1].empty())
            throw Problem{"no ',' between the temperatures and the rails"};
        const std::size_t groupEnd = static_cast<std::size_t>(tokens[commas].end() - text.begin());
        group = text.substr(0, groupEnd);
        for (auto t = tokens.begin() + static_cast<std::ptrdiff_t>(commas) + 2; t != tokens.end();
             ++t) {
            if (t->empty() || t->front() != ' ')
                throw Problem{"a rail value is not preceded by ', '"};
            railTokens.push_back(t->substr(1));
        }
    }
    std::vector<std::string_view> values;
    if (!group.empty())
        values = split(group);
    if (!h.temperatures.empty() && h.temperatures.front() != kTemperatureColumns[0]) {
        if (values.empty() || !values.front().empty())
            throw Problem{"the record's first value lacks its ','"};
        values.erase(values.begin());
    }
    if (values.size() != h.temperatures.size() || railTokens.size() != h.rails.size())
        throw Problem{std::to_string(values.size() + railTokens.size()) +
                      " values where the header has " +
                      std::to_string(h.temperatures.size() + h.rails.size()) + " columns"};
    values.insert(values.end(), railTokens.begin(), railTokens.end());
    return values;
}

// Whether `text` is a whole record of `chip` with some set of columns: its groups where the writer
// puts them, every value a number, no more values than the chip has columns.
bool isRecordOfChip(std::string_view text, Chip chip)
{
    const auto numbers = [](std::vector<std::string_view> tokens, std::size_t most) {
        if (tokens.size() > 1 && tokens.front().empty()) // the first column is not Internal
            tokens.erase(tokens.begin());
        if (tokens.size() == 1 && tokens.front().empty())
            tokens.clear();
        return tokens.size() <= most && std::all_of(tokens.begin(), tokens.end(),
                                                    [](auto t) { return isLogNumber(t, false); });
    };
    if (!hasRails(chip))
        return !text.empty() && text.back() == ',' &&
               numbers(split(text.substr(0, text.size() - 1)), kTemperatureColumns.size());
    const std::vector<std::string_view> tokens = split(text);
    const auto gap = std::find(tokens.rbegin(), tokens.rend(), std::string_view{});
    if (gap == tokens.rend())
        return false;
    const auto rails = gap.base(); // the first token after the gap
    if (static_cast<std::size_t>(tokens.end() - rails) > static_cast<std::size_t>(kRailCount) ||
        !std::all_of(rails, tokens.end(), [](std::string_view t) {
            return !t.empty() && t.front() == ' ' && isLogNumber(t.substr(1), false);
        }))
        return false;
    if (rails - 1 == tokens.begin())
        return false; // not even the empty temperature group before the gap
    return numbers({tokens.begin(), rails - 1}, kTemperatureColumns.size());
}

// Splits the text into lines at CR LF, one at a time.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}

    bool atEnd() const { return at_ == text_.size(); }
    double done() const
    {
        return text_.empty() ? 1.0 : static_cast<double>(at_) / static_cast<double>(text_.size());
    }
    std::int64_t number() const { return number_; }

    // The next line without its CR LF; throws Problem for a line that does not end so.
    std::string_view next()
    {
        ++number_;
        if (atEnd()) // only the header asks past the end
            throw Problem{"the log's three header lines are not all there"};
        const std::size_t lf = text_.find('\n', at_);
        if (lf == std::string_view::npos)
            throw Problem{"cut off: the last line has no line end"};
        std::string_view line = text_.substr(at_, lf - at_);
        if (line.empty() || line.back() != '\r')
            throw Problem{"LF line end where the log has CR LF"};
        line.remove_suffix(1);
        if (line.find('\r') != std::string_view::npos)
            throw Problem{"CR without LF inside the line"};
        at_ = lf + 1;
        return line;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    std::int64_t number_ = 0;
};

// Reads one value token into its column's staging slot.
void readValue(std::string_view token, const SavColumn& column, double& real, std::int64_t& whole)
{
    if (!isLogNumber(token, column.whole))
        throw Problem{quoted(token) +
                      (column.whole ? " is not a whole number (" : " is not a number (") +
                      column.name + ")"};
    // The leading space is not part of the number; a "-" is.
    const std::string_view number = token.front() == ' ' ? token.substr(1) : token;
    const auto result = column.whole
                            ? std::from_chars(number.data(), number.data() + number.size(), whole)
                            : std::from_chars(number.data(), number.data() + number.size(), real);
    if (result.ec != std::errc() || result.ptr != number.data() + number.size())
        throw Problem{quoted(token) + " is out of range (" + column.name + ")"};
}

} // namespace

SavFormatError::SavFormatError(const std::string& path, SavProblem problem)
    : std::runtime_error(path + ": line " + std::to_string(problem.line) + ": " + problem.reason),
      path_(path), problem_(std::move(problem))
{
}

SavFileError::SavFileError(const std::string& path, int error, const std::string& reason)
    : std::runtime_error(path + ": " + reason), path_(path), error_(error), reason_(reason)
{
}

namespace {

struct Stopped {};

SavLog readLog(std::string_view text, const SavReading& how, const std::string& path)
{
    const SavMode mode = how.mode;
    const std::vector<SavShape>* shapes = how.shapes;
    const bool skipping = how.skipOtherShapes && !shapes;
    SavLog log;
    Lines lines(text);
    Header h;
    std::vector<Header> shaped;
    try {
        const std::string_view name = lines.next();
        const auto chip = std::find_if(kChips.begin(), kChips.end(),
                                       [&](const ChipDescriptor& c) { return name == c.name; });
        if (chip == kChips.end())
            throw Problem{quoted(name) + " is no chip name"};
        log.chip = chip->chip;

        const std::string_view when = lines.next();
        constexpr std::string_view kDate = "Date:,", kTime = ",Time:,";
        const std::size_t time = when.rfind(kTime);
        if (when.substr(0, kDate.size()) != kDate || time == std::string_view::npos ||
            time < kDate.size())
            throw Problem{"expected 'Date:,<date>,Time:,<time>'"};
        log.date = when.substr(kDate.size(), time - kDate.size());
        log.time = when.substr(time + kTime.size());

        h = header(lines.next(), log.chip);
        // The shapes' names stay the caller's: the headers point into them.
        for (std::size_t i = 0; shapes && i < shapes->size(); ++i)
            shaped.push_back(headerOf((*shapes)[i].columns, log.chip));
    } catch (const Problem& p) {
        throw SavFormatError(path, {lines.number(), p.reason});
    }
    // Every column any shape has, in the writer's order; `at` maps a shape's columns to them.
    std::vector<std::string_view> names;
    std::vector<const Header*> all{&h};
    for (const Header& each : shaped)
        all.push_back(&each);
    for (const Header* each : all)
        for (const auto& group : {each->temperatures, each->rails})
            for (const std::string_view name : group)
                if (std::find(names.begin(), names.end(), name) == names.end())
                    names.push_back(name);
    std::sort(names.begin(), names.end(), [](std::string_view a, std::string_view b) {
        return writerOrder(a) < writerOrder(b);
    });
    for (const std::string_view name : names)
        log.columns.push_back({std::string(name), name == kWholeColumn, {}, {}, {}});
    std::vector<std::size_t> at;
    const auto use = [&](const Header& next) {
        h = next;
        at.clear();
        for (const auto& group : {h.temperatures, h.rails})
            for (const std::string_view name : group)
                at.push_back(static_cast<std::size_t>(std::find(names.begin(), names.end(), name) -
                                                      names.begin()));
    };
    use(h);

    std::vector<double> reals(log.columns.size());
    std::vector<std::int64_t> wholes(log.columns.size());
    std::size_t nextShape = 0;
    // Each value's record is listed once a column may lack some records.
    bool numbered = shapes != nullptr;
    constexpr std::int64_t kProgressEvery = 4096;
    while (!lines.atEnd()) {
        if (how.progress && log.records % kProgressEvery == 0 && !how.progress(lines.done()))
            throw Stopped{};
        while (nextShape < shaped.size() && (*shapes)[nextShape].record <= log.records)
            use(shaped[nextShape++]);
        std::string_view line;
        try {
            line = lines.next();
            const std::vector<std::string_view> tokens = recordTokens(line, h, log.chip);
            for (std::size_t i = 0; i < tokens.size(); ++i)
                readValue(tokens[i], log.columns[at[i]], reals[at[i]], wholes[at[i]]);
        } catch (const Problem& p) {
            if (skipping && line.data() && isRecordOfChip(line, log.chip)) {
                if (!numbered) {
                    for (SavColumn& column : log.columns) {
                        column.records.resize(column.whole ? column.wholes.size()
                                                           : column.reals.size());
                        std::iota(column.records.begin(), column.records.end(), std::int64_t{0});
                    }
                    numbered = true;
                }
                if (log.skipped.empty() || log.skipped.back().end != log.records)
                    log.skipped.push_back({log.records, log.records});
                log.skipped.back().end = ++log.records;
                continue;
            }
            SavProblem problem{lines.number(), p.reason};
            if (mode == SavMode::Strict)
                throw SavFormatError(path, std::move(problem));
            log.problem = std::move(problem);
            break;
        }
        // Only a whole record reaches the columns.
        for (const std::size_t i : at) {
            SavColumn& column = log.columns[i];
            if (column.whole)
                column.wholes.push_back(wholes[i]);
            else
                column.reals.push_back(reals[i]);
            if (numbered)
                column.records.push_back(log.records);
        }
        ++log.records;
    }
    if (how.progress && !how.progress(1.0))
        throw Stopped{};
    return log;
}

} // namespace

SavLog readSav(std::string_view text, SavMode mode, const std::string& path)
{
    return readLog(text, {mode, nullptr, false, {}}, path);
}

SavLog readSavShaped(std::string_view text, SavMode mode, const std::vector<SavShape>& shapes,
                     const std::string& path)
{
    return readLog(text, {mode, &shapes, false, {}}, path);
}

std::optional<SavLog> readSavWith(std::string_view text, const SavReading& how,
                                  const std::string& path)
{
    try {
        return readLog(text, how, path);
    } catch (const Stopped&) {
        return std::nullopt;
    }
}

std::string readLogText(const std::string& path)
{
    // Not blocking on a named pipe's writer, nor taking a terminal: whatever it is, it is
    // refused before anything is read unless it is a plain file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        throw SavFileError(path, error, std::strerror(error));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        throw SavFileError(path, error, std::strerror(error));
    }
    if (!S_ISREG(info.st_mode)) {
        const char* kind = S_ISDIR(info.st_mode)    ? "a folder"
                           : S_ISFIFO(info.st_mode) ? "a named pipe"
                           : S_ISSOCK(info.st_mode) ? "a socket"
                                                    : "a device";
        throw SavFileError(path, 0, std::string("not a log: ") + kind + ", not a plain file");
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            throw SavFileError(path, error, std::strerror(error));
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

SavLog readSavFile(const std::string& path, SavMode mode)
{
    return readSav(readLogText(path), mode, path);
}

} // namespace zr::logging
