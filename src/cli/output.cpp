// SPDX-License-Identifier: MIT
#include "cli/output.h"

#include "cli/board_session.h"
#include "console/reading_captions.h"
#include "text/decimal_value.h"
#include "text/text_rules.h"

#include <QJsonDocument>
#include <QStringDecoder>
#include <cstdio>
#include <ostream>

namespace zr::cli {

void printJson(std::ostream& out, const QJsonObject& object)
{
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    out.write(json.constData(), json.size());
    out << '\n';
}

void printFailure(std::ostream& err, bool json, const Failure& failure)
{
    if (!json) {
        err << kToolName << ": " << failure.message << "\n";
        return;
    }
    QJsonObject o{{"error", QString::fromStdString(failure.message)}, {"fault", failure.fault}};
    if (!failure.reason.empty())
        o["reason"] = QString::fromStdString(failure.reason);
    if (failure.status)
        o["status"] = *failure.status;
    printJson(err, o);
}

double jsonNumber(float value)
{
    return text::decimalValue(value);
}

namespace {

// A temperature one way, the whole-degree offset the other.
template <typename Temperature, typename Whole>
auto formatted(const logging::Readings& readings, ChipReading reading, Temperature temperature,
               Whole whole)
{
    const logging::ReadingValue value = logging::valueOf(readings, reading);
    if (const float* degrees = std::get_if<float>(&value))
        return temperature(*degrees);
    return whole(std::get<std::int32_t>(value));
}

} // namespace

QJsonValue readingJson(const logging::Readings& readings, ChipReading reading)
{
    return formatted(
        readings, reading, [](float v) { return QJsonValue(jsonNumber(v)); },
        [](std::int32_t v) { return QJsonValue(v); });
}

std::string readingText(const logging::Readings& readings, ChipReading reading)
{
    return formatted(
        readings, reading, [](float v) { return captions::temperature(v); },
        [](std::int32_t v) { return text::decimalText(std::int64_t{v}); });
}

QJsonObject chipJson(const BoardSession& session, Chip chip)
{
    return QJsonObject{{"chip", chipLetter(chip)}, {"address", session.address(chip)}};
}

void addFileName(QJsonObject& object, const std::string& path)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(QByteArrayView(path.data(), static_cast<qsizetype>(path.size())));
    if (!utf8.hasError()) {
        object["file"] = decoded;
        return;
    }
    std::string escaped;
    for (unsigned char c : path) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c >= 0x80) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            escaped += hex;
        } else {
            escaped += static_cast<char>(c);
        }
    }
    object["file"] = QString::fromLatin1(escaped.data(), static_cast<qsizetype>(escaped.size()));
    object["fileEscaped"] = true;
}

const char* chipLetter(Chip chip)
{
    return chipInfo(chip).letter;
}

std::string padRight(const std::string& text, std::size_t width)
{
    std::size_t characters = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ++characters;
    std::string padded = text;
    if (characters < width)
        padded.append(width - characters, ' ');
    return padded;
}

std::string trimRight(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

} // namespace zr::cli
