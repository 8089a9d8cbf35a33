// SPDX-License-Identifier: MIT
#pragma once

// Where things are in a JSON text that has already parsed: the line of every value by its path
// ("chips[1].address"), and the first key that an object repeats. QJsonDocument keeps no
// positions, yet a message about a scenario file is only useful with its line.

#include <QByteArray>
#include <QHash>
#include <QString>

namespace zr::sim {

class JsonLines {
public:
    explicit JsonLines(const QByteArray& text);

    // The line (from 1) where the value at `path` starts; "" is the whole document. 1 if unknown.
    int lineOf(const QString& path) const;

    bool hasDuplicateKey() const { return duplicateLine_ > 0; }
    QString duplicatePath() const { return duplicatePath_; }
    int duplicateLine() const { return duplicateLine_; }

    // The line holding the byte at `offset`, counting from 1.
    static int lineAtOffset(const QByteArray& text, qsizetype offset);

private:
    void value(const QString& path);
    void object(const QString& path);
    void array(const QString& path);
    QString string();
    void skipScalar();
    void skipSpace();
    bool atEnd() const { return pos_ >= text_.size(); }

    const QByteArray& text_;
    qsizetype pos_ = 0;
    int line_ = 1;
    QHash<QString, int> lines_;
    QString duplicatePath_;
    int duplicateLine_ = 0;
};

} // namespace zr::sim
