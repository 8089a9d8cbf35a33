#include "cli/output.h"

#include "cli/board_session.h"
#include "text/text_rules.h"

#include <QJsonDocument>
#include <charconv>
#include <ostream>

namespace zr::cli {

void printJson(std::ostream& out, const QJsonObject& object)
{
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    out.write(json.constData(), json.size());
    out << '\n';
}

double jsonNumber(float value)
{
    const std::string text = text::decimalText(value);
    double number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

QJsonObject chipJson(const BoardSession& session, Chip chip)
{
    return QJsonObject{{"chip", chipLetter(chip)}, {"address", session.address(chip)}};
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
