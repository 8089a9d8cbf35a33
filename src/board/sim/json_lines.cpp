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

void JsonLines::value(const QString& path)
{
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
        const QString key = string();
        const QString keyPath = path.isEmpty() ? key : path + '.' + key;
        if (seen.contains(key) && duplicateLine_ == 0) {
            duplicatePath_ = keyPath;
            duplicateLine_ = keyLine;
        }
        seen.insert(key);
        skipSpace();
        ++pos_; // ':'
        skipSpace();
        value(keyPath);
        skipSpace();
        if (!atEnd() && text_[pos_] == ',') {
            ++pos_;
            skipSpace();
        }
    }
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
        }
    }
    ++pos_; // ']'
}

QString JsonLines::string()
{
    QByteArray raw;
    ++pos_; // opening quote
    while (!atEnd() && text_[pos_] != '"') {
        if (text_[pos_] == '\\' && pos_ + 1 < text_.size()) {
            const char escaped = text_[pos_ + 1];
            if (escaped == 'u' && pos_ + 5 < text_.size()) {
                bool ok = false;
                const ushort unit = text_.mid(pos_ + 2, 4).toUShort(&ok, 16);
                raw += QString(QChar(unit)).toUtf8();
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
        raw += text_[pos_++];
    }
    ++pos_; // closing quote
    return QString::fromUtf8(raw);
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
