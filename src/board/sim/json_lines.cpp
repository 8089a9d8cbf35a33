// SPDX-License-Identifier: MIT
#include "board/sim/json_lines.h"

#include <QSet>
#include <algorithm>
#include <cstring>

namespace zr::sim {

JsonLines::JsonLines(const QByteArray& text) : text_(text)
{
    skipSpace();
    if (!atEnd())
        value(QString());
}

int JsonLines::lineOf(const QString& path) const
{
    return lines_.value(path, 1);
}

int JsonLines::lineAtOffset(const QByteArray& text, qsizetype offset)
{
    const qsizetype end = std::clamp<qsizetype>(offset, 0, text.size());
    return 1 + static_cast<int>(QByteArrayView(text.constData(), end).count('\n'));
}

void JsonLines::skipSpace()
{
    while (!atEnd()) {
        const char c = text_[pos_];
        if (c == '\n')
            ++line_;
        else if (c != ' ' && c != '\t' && c != '\r')
            return;
        ++pos_;
    }
}

// Every step below checks for the end first: the text is valid JSON when a scenario is read, but
// the locator must not read past the end of any text it is given.
void JsonLines::value(const QString& path)
{
    if (atEnd())
        return;
    lines_.insert(path, line_);
    const char c = text_[pos_];
    if (c == '{')
        object(path);
    else if (c == '[')
        array(path);
    else if (c == '"')
        string();
    else
        skipScalar();
}

void JsonLines::object(const QString& path)
{
    QSet<QString> seen;
    ++pos_; // '{'
    skipSpace();
    while (!atEnd() && text_[pos_] != '}') {
        const int keyLine = line_;
        if (text_[pos_] != '"')
            return; // not a key: the text is not JSON
        const QString key = string();
        const QString keyPath = path.isEmpty() ? key : path + '.' + key;
        if (seen.contains(key) && duplicateLine_ == 0) {
            duplicatePath_ = keyPath;
            duplicateLine_ = keyLine;
        }
        seen.insert(key);
        skipSpace();
        if (atEnd() || text_[pos_] != ':')
            return;
        ++pos_;
        skipSpace();
        value(keyPath);
        skipSpace();
        if (!atEnd() && text_[pos_] == ',') {
            ++pos_;
            skipSpace();
        }
    }
    if (!atEnd())
        ++pos_; // '}'
}

void JsonLines::array(const QString& path)
{
    ++pos_; // '['
    skipSpace();
    for (int index = 0; !atEnd() && text_[pos_] != ']'; ++index) {
        value(path + '[' + QString::number(index) + ']');
        skipSpace();
        if (!atEnd() && text_[pos_] == ',') {
            ++pos_;
            skipSpace();
        } else if (!atEnd() && text_[pos_] != ']') {
            return; // not a list: the text is not JSON
        }
    }
    if (!atEnd())
        ++pos_; // ']'
}

QString JsonLines::string()
{
    // Collected as UTF-16, as the JSON reader keys its objects: a character beyond U+FFFF comes as
    // two escapes (a surrogate pair) that must make one character, the reader's key.
    QString text;
    QByteArray raw; // UTF-8 bytes not yet added to `text`
    ++pos_;         // opening quote
    while (!atEnd() && text_[pos_] != '"') {
        if (text_[pos_] == '\\' && pos_ + 1 < text_.size()) {
            const char escaped = text_[pos_ + 1];
            if (escaped == 'u' && pos_ + 5 < text_.size()) {
                bool ok = false;
                const ushort unit = text_.mid(pos_ + 2, 4).toUShort(&ok, 16);
                text += QString::fromUtf8(raw);
                raw.clear();
                text += QChar(unit);
                pos_ += 6;
                continue;
            }
            const char* from = "bfnrt";
            const char* to = "\b\f\n\r\t";
            const char* hit = std::strchr(from, escaped);
            raw += hit && escaped ? to[hit - from] : escaped;
            pos_ += 2;
            continue;
        }
        if (text_[pos_] == '\n')
            ++line_; // only in text that is not JSON, but the count stays true
        raw += text_[pos_++];
    }
    if (!atEnd())
        ++pos_; // closing quote
    return text + QString::fromUtf8(raw);
}

void JsonLines::skipScalar()
{
    while (!atEnd()) {
        const char c = text_[pos_];
        if (c == ',' || c == '}' || c == ']' || c == ' ' || c == '\t' || c == '\r' || c == '\n')
            return;
        ++pos_;
    }
}

} // namespace zr::sim
