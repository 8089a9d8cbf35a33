// SPDX-License-Identifier: MIT
#pragma once

// Switches the C library's numbers to a decimal comma (a German bench PC), building a small
// locale on the fly where none is installed. Restores "C" when it goes out of scope.

#include <QTemporaryDir>
#include <clocale>
#include <cstdlib>

namespace zr::test {

class CommaDecimalLocale {
public:
    CommaDecimalLocale()
    {
        active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        if (!active_ && dir_.isValid() &&
            std::system(qPrintable("localedef -i de_DE -f ISO-8859-1 " + dir_.path() +
                                   "/de_DE >/dev/null 2>&1")) == 0) {
            qputenv("LOCPATH", dir_.path().toLocal8Bit());
            active_ = std::setlocale(LC_NUMERIC, "de_DE") != nullptr;
        }
    }
    ~CommaDecimalLocale()
    {
        std::setlocale(LC_NUMERIC, "C");
        qunsetenv("LOCPATH");
    }
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    bool active() const { return active_; }

private:
    QTemporaryDir dir_;
    bool active_ = false;
};

} // namespace zr::test
