// SPDX-License-Identifier: MIT
#pragma once

// Fakes of the desktop services that windows get injected, so tests never block on a modal box.

#include "platform/clock.h"
#include "platform/file_chooser.h"
#include "platform/prompts.h"
#include "platform/url_opener.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

namespace zr::test {

struct ShownMessage {
    MessageIcon icon;
    QString text;
};

class FakePrompts : public Prompts {
public:
    void showMessage(QWidget*, MessageIcon icon, const QString& text) override
    {
        messages.append({icon, text});
    }
    bool askYesNo(QWidget*, const QString& text) override
    {
        questions.append(text);
        if (onQuestion)
            onQuestion();
        if (answers.empty())
            return true;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    QList<ShownMessage> messages;
    QStringList questions;
    std::deque<bool> answers;         // scripted answers, Yes when empty
    std::function<void()> onQuestion; // runs while the question is "open"
};

class FakeFileChooser : public FileChooser {
public:
    QString chooseFile(QWidget*, const QString& initialDir, const QString& filter,
                       const FileChoice& choice) override
    {
        calls.append({initialDir, filter, choice.title, choice.mode});
        if (onChoose)
            onChoose();
        if (paths.empty())
            return {};
        const QString p = paths.front();
        paths.pop_front();
        return p;
    }
    struct Call {
        QString initialDir;
        QString filter;
        QString title;
        ChooserMode mode;
    };
    QList<Call> calls;
    std::deque<QString> paths; // scripted choices; empty text or none left means cancel
    std::function<void()> onChoose;
};

class FakeUrlOpener : public UrlOpener {
public:
    void openUrl(const QString& url) override { opened.append(url); }
    QStringList opened;
};

// Advancing `time` moves both clocks; stepWall() sets the wall clock alone, as NTP or a user
// setting the clock would.
class FakeClock : public Clock {
public:
    std::chrono::system_clock::time_point now() const override { return time; }
    std::chrono::steady_clock::time_point steadyNow() const override
    {
        return std::chrono::steady_clock::time_point(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                time.time_since_epoch() - wallSteps));
    }
    void stepWall(std::chrono::milliseconds by)
    {
        time += by;
        wallSteps += by;
    }
    std::chrono::system_clock::time_point time{std::chrono::seconds(1'796'000'000)};
    std::chrono::milliseconds wallSteps{0};
};

} // namespace zr::test
