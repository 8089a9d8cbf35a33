// SPDX-License-Identifier: MIT
#include "board/sim/json_lines.h"
#include "board/sim/simulated_board.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace zr::sim {
namespace {

const QStringList kScenarioKeys{"chips",        "firmwareLoads", "unplugAfterRequests",
                                "replugOnLoad", "seed",          "description"};
const QStringList kChipKeys{"address", "kind",      "deviceId", "tempRaw",
                            "voltRaw", "offsetRaw", "silent",   "clientAddress"};

QString describe(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool() ? "true" : "false";
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', 17);
    case QJsonValue::String:
        return "text \"" + value.toString() + "\"";
    case QJsonValue::Array:
        return "a list";
    case QJsonValue::Object:
        return "an object";
    default:
        return "null";
    }
}

// A chip's "kind" is its letter in the chip table.
const ChipDescriptor* chipOfKind(const QJsonValue& kind)
{
    for (const ChipDescriptor& chip : kChips)
        if (kind == QJsonValue(QString::fromLatin1(chip.letter)))
            return &chip;
    return nullptr;
}

// The kinds the table holds that pass `which`, quoted: "A" or "B".
QString kindsWhere(bool (*which)(const ChipDescriptor&))
{
    QStringList kinds;
    for (const ChipDescriptor& chip : kChips)
        if (which(chip))
            kinds << '"' + QString::fromLatin1(chip.letter) + '"';
    if (kinds.size() < 2)
        return kinds.join(QString());
    const QString last = kinds.takeLast();
    return kinds.join(", ") + " or " + last;
}

bool anyKind(const ChipDescriptor&)
{
    return true;
}

bool withRails(const ChipDescriptor& chip)
{
    return chip.hasRails;
}

// Checks one scenario document, naming the file and line of the first problem it meets.
class ScenarioReader {
public:
    ScenarioReader(const QString& file, const JsonLines& lines) : file_(file), lines_(lines) {}

    Scenario read(const QJsonValue& root)
    {
        if (!root.isObject())
            fail("", "the top level must be an object holding \"chips\"");
        const QJsonObject top = root.toObject();
        rejectUnknownKeys(top, "", kScenarioKeys);

        Scenario scenario;
        if (!top.contains("chips"))
            fail("", "\"chips\" is missing: a scenario needs a list of chips");
        const QJsonArray chips = list(top["chips"], "chips");
        QHash<int, QString> taken;
        for (qsizetype i = 0; i < chips.size(); ++i) {
            const QString at = "chips[" + QString::number(i) + "]";
            ChipConfig chip = readChip(chips[i], at);
            if (taken.contains(chip.address))
                fail(at + ".address", "address " + QString::number(chip.address) +
                                          " is already taken by " + taken[chip.address]);
            taken.insert(chip.address, at);
            scenario.chips.push_back(chip);
        }
        if (top.contains("firmwareLoads"))
            scenario.firmwareLoads = flag(top["firmwareLoads"], "firmwareLoads");
        if (top.contains("unplugAfterRequests"))
            scenario.unplugAfterRequests =
                number(top["unplugAfterRequests"], "unplugAfterRequests", 0, 1LL << 53);
        if (top.contains("replugOnLoad"))
            scenario.replugOnLoad = flag(top["replugOnLoad"], "replugOnLoad");
        if (top.contains("seed"))
            scenario.seed =
                static_cast<std::uint32_t>(number(top["seed"], "seed", 0, 0xFFFFFFFFLL));
        if (top.contains("description") && !top["description"].isString())
            fail("description", "expected text, found " + describe(top["description"]));
        return scenario;
    }

private:
    [[noreturn]] void fail(const QString& path, const QString& problem) const
    {
        const QString where = path.isEmpty() ? QString() : path + ": ";
        throw ScenarioError(
            (file_ + ':' + QString::number(lines_.lineOf(path)) + ": " + where + problem)
                .toStdString());
    }

    void rejectUnknownKeys(const QJsonObject& object, const QString& path,
                           const QStringList& known) const
    {
        for (auto it = object.begin(); it != object.end(); ++it)
            if (!known.contains(it.key()))
                fail(path.isEmpty() ? it.key() : path + '.' + it.key(),
                     "unknown key \"" + it.key() + "\" (known: " + known.join(", ") + ")");
    }

    ChipConfig readChip(const QJsonValue& value, const QString& at) const
    {
        if (!value.isObject())
            fail(at, "expected an object describing a chip, found " + describe(value));
        const QJsonObject o = value.toObject();
        rejectUnknownKeys(o, at, kChipKeys);
        for (const char* required : {"address", "kind"})
            if (!o.contains(required))
                fail(at, "\"" + QString(required) + "\" is missing");

        ChipConfig chip;
        chip.address = static_cast<int>(number(o["address"], at + ".address", 0, 127));
        const QJsonValue kind = o["kind"];
        const ChipDescriptor* descriptor = chipOfKind(kind);
        if (!descriptor)
            fail(at + ".kind", "expected " + kindsWhere(anyKind) + ", found " + describe(kind));
        chip.kind = descriptor->chip;
        if (o.contains("deviceId"))
            chip.deviceId = static_cast<int>(number(o["deviceId"], at + ".deviceId", 0, 65535));
        if (o.contains("tempRaw"))
            chip.tempRaw = words<2>(o["tempRaw"], at + ".tempRaw");
        if (o.contains("voltRaw")) {
            if (!hasRails(chip.kind))
                fail(at + ".voltRaw",
                     "only a chip of kind " + kindsWhere(withRails) + " monitors rails");
            chip.voltRaw = words<5>(o["voltRaw"], at + ".voltRaw");
        }
        if (o.contains("offsetRaw"))
            chip.offsetRaw =
                static_cast<std::uint16_t>(number(o["offsetRaw"], at + ".offsetRaw", 0, 65535));
        if (o.contains("clientAddress"))
            chip.clientAddress =
                static_cast<int>(number(o["clientAddress"], at + ".clientAddress", 0, 255));
        if (o.contains("silent"))
            chip.silent = flag(o["silent"], at + ".silent");
        return chip;
    }

    template <std::size_t N>
    std::array<std::uint16_t, N> words(const QJsonValue& value, const QString& at) const
    {
        const QJsonArray values = list(value, at);
        if (values.size() != static_cast<qsizetype>(N))
            fail(at, "expected " + QString::number(N) + " raw values, found " +
                         QString::number(values.size()));
        std::array<std::uint16_t, N> out{};
        for (std::size_t i = 0; i < N; ++i)
            out[i] = static_cast<std::uint16_t>(number(
                values[static_cast<qsizetype>(i)], at + '[' + QString::number(i) + ']', 0, 65535));
        return out;
    }

    QJsonArray list(const QJsonValue& value, const QString& at) const
    {
        if (!value.isArray())
            fail(at, "expected a list, found " + describe(value));
        return value.toArray();
    }

    bool flag(const QJsonValue& value, const QString& at) const
    {
        if (!value.isBool())
            fail(at, "expected true or false, found " + describe(value));
        return value.toBool();
    }

    std::int64_t number(const QJsonValue& value, const QString& at, std::int64_t lowest,
                        std::int64_t highest) const
    {
        const double d = value.toDouble(std::numeric_limits<double>::quiet_NaN());
        if (!value.isDouble() || !std::isfinite(d) || d != std::floor(d))
            fail(at, "expected a whole number, found " + describe(value));
        if (d < static_cast<double>(lowest) || d > static_cast<double>(highest))
            fail(at, describe(value) + " is out of range (" + QString::number(lowest) + " to " +
                         QString::number(highest) + ")");
        return static_cast<std::int64_t>(d);
    }

    QString file_;
    const JsonLines& lines_;
};

} // namespace

Scenario loadScenarioFile(const QString& path)
{
    return readScenario(path, readScenarioText(path));
}

QByteArray readScenarioText(const QString& path)
{
    auto refuse = [&path](const QString& why) {
        return ScenarioError((path + ": cannot read the scenario: " + why).toStdString());
    };
    // Opened without blocking, so that a FIFO is refused instead of waiting for a writer, and
    // checked on the open file, so that what is read is what was checked.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw refuse(QString::fromLocal8Bit(std::strerror(errno)));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw refuse(QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(info.st_mode))
        throw refuse("it is not a regular file");
    QByteArray text;
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw refuse(QString::fromLocal8Bit(std::strerror(errno)));
        if (got == 0)
            return text;
        text.append(chunk, got);
        // Checked while reading: a file can grow after fstat.
        if (text.size() > kMaxScenarioBytes)
            throw refuse("it is larger than " + QString::number(kMaxScenarioBytes / 1024) + " KiB");
    }
}

Scenario readScenario(const QString& path, const QByteArray& text)
{
    // The JSON reader takes a raw NUL inside a string, which would cut the text short wherever
    // it is passed on as a C string; JSON has it only as the escape \u0000.
    if (const qsizetype nul = text.indexOf('\0'); nul >= 0)
        throw ScenarioError((path + ':' + QString::number(JsonLines::lineAtOffset(text, nul)) +
                             ": not valid JSON: a raw NUL byte")
                                .toStdString());
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        throw ScenarioError((path + ':' +
                             QString::number(JsonLines::lineAtOffset(text, parseError.offset)) +
                             ": not valid JSON: " + parseError.errorString())
                                .toStdString());

    const JsonLines lines(text);
    if (lines.hasDuplicateKey())
        throw ScenarioError((path + ':' + QString::number(lines.duplicateLine()) + ": " +
                             lines.duplicatePath() + ": the key appears twice")
                                .toStdString());
    const QJsonValue root =
        document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    return ScenarioReader(path, lines).read(root);
}

} // namespace zr::sim
