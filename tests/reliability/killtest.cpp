// SPDX-License-Identifier: MIT
// Kills logging programs with SIGKILL at random moments and checks what their files hold: each
// log must be absent, or hold the whole header and only whole records; each log's events file
// absent, or a start line and only whole JSON lines.
//
//   killtest RUNS CLI_PROGRAM WINDOWS_PROGRAM [SEED]
//
// Half of the kills fall in the first 150 ms after the start (while the log is being opened and
// its header written), the others up to 1.5 s later. Prints the counts; exits 1 if any file was
// broken.

#include "logging/log_format.h"

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace zr;

namespace {

enum class Verdict { Absent, Whole, Broken };

// Only the characters of number texts and their separators.
bool looksLikeRecord(const QByteArray& line, qsizetype commas)
{
    if (line.count(',') != commas)
        return false;
    for (const char c : line)
        if (!(c == ',' || c == ' ' || c == '-' || c == '.' || (c >= '0' && c <= '9')))
            return false;
    return true;
}

Verdict judge(const QString& path, Chip chip, QString* why)
{
    QFile file(path);
    if (!file.exists())
        return Verdict::Absent;
    if (!file.open(QIODevice::ReadOnly)) {
        *why = "unreadable";
        return Verdict::Broken;
    }
    const QByteArray content = file.readAll();
    if (!content.endsWith("\r\n")) {
        *why = content.isEmpty() ? "empty" : "last line cut";
        return Verdict::Broken;
    }
    QList<QByteArray> lines = content.chopped(2).split('\n');
    for (QByteArray& line : lines) {
        if (&line != &lines.back() && !line.endsWith('\r')) {
            *why = "a line without CR";
            return Verdict::Broken;
        }
        if (line.endsWith('\r'))
            line.chop(1);
    }
    const logging::LogOptions options;
    const QByteArray header = QByteArray::fromStdString(logging::headerLine(chip, options));
    if (lines.size() < 3 || lines[0] != chipName(chip) || !lines[1].startsWith("Date:,") ||
        !lines[1].contains(",Time:,") || lines[2] != header) {
        *why = "header incomplete or wrong";
        return Verdict::Broken;
    }
    const qsizetype commas =
        QByteArray::fromStdString(logging::recordLine(chip, options, {})).count(',');
    for (qsizetype i = 3; i < lines.size(); ++i) {
        if (!looksLikeRecord(lines[i], commas)) {
            *why = "record " + QString::number(i - 2) + " broken: " + QString::fromLatin1(lines[i]);
            return Verdict::Broken;
        }
    }
    return Verdict::Whole;
}

Verdict judgeEvents(const QString& path, QString* why)
{
    QFile file(path);
    if (!file.exists())
        return Verdict::Absent;
    if (!file.open(QIODevice::ReadOnly)) {
        *why = "unreadable";
        return Verdict::Broken;
    }
    const QByteArray content = file.readAll();
    if (!content.endsWith('\n')) {
        *why = content.isEmpty() ? "empty" : "last line cut";
        return Verdict::Broken;
    }
    const QList<QByteArray> lines = content.chopped(1).split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QJsonDocument line = QJsonDocument::fromJson(lines[i]);
        if (!line.isObject() || (i == 0 && line.object().value("kind") != "start")) {
            *why = "line " + QString::number(i + 1) + " broken: " + QString::fromUtf8(lines[i]);
            return Verdict::Broken;
        }
    }
    return Verdict::Whole;
}

pid_t launch(const std::vector<std::string>& args)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::freopen("/dev/null", "w", stderr); // the programs' own chatter
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

struct Counts {
    int runs = 0;
    int absent = 0;
    int whole = 0;
    int broken = 0;
    long long records = 0;
    int eventsWhole = 0;
};

void count(Counts& c, const QString& path, Chip chip)
{
    QString why;
    switch (judge(path, chip, &why)) {
    case Verdict::Absent:
        ++c.absent;
        break;
    case Verdict::Whole: {
        ++c.whole;
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            c.records += f.readAll().count('\n') - 3;
        break;
    }
    case Verdict::Broken:
        ++c.broken;
        std::printf("BROKEN %s: %s\n", qPrintable(path), qPrintable(why));
        break;
    }
    const QString events = path + ".events";
    switch (judgeEvents(events, &why)) {
    case Verdict::Absent:
        break;
    case Verdict::Whole:
        ++c.eventsWhole;
        break;
    case Verdict::Broken:
        ++c.broken;
        std::printf("BROKEN %s: %s\n", qPrintable(events), qPrintable(why));
        break;
    }
}

void print(const char* name, const Counts& c)
{
    std::printf("killtest %s: runs=%d files=%d absent=%d whole=%d broken=%d records=%lld "
                "events-files-whole=%d\n",
                name, c.runs, c.absent + c.whole + c.broken, c.absent, c.whole, c.broken, c.records,
                c.eventsWhole);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || std::atoi(argv[1]) <= 0) {
        std::fprintf(stderr, "usage: killtest RUNS CLI_PROGRAM WINDOWS_PROGRAM [SEED]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const unsigned seed = argc > 4 ? static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10))
                                   : std::random_device{}();
    std::printf("killtest: %d runs each, seed %u\n", runs, seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> early(0, 150'000);
    std::uniform_int_distribution<int> later(150'000, 1'500'000);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QTemporaryDir dir;
    Counts tool;
    Counts windows;
    for (int run = 0; run < 2 * runs; ++run) {
        const bool cli = run % 2 == 0;
        const int delayUs = (run / 2) % 2 == 0 ? early(random) : later(random);
        const QString a = dir.filePath(QString("run%1-a.sav").arg(run));
        const QString b = dir.filePath(QString("run%1-b.sav").arg(run));
        const pid_t pid = cli ? launch({argv[2], "--board", "sim", "log", "B", b.toStdString(),
                                        "--interval", "5"})
                              : launch({argv[3], "log", a.toStdString(), b.toStdString()});
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFSIGNALED(status)) // ended on its own before the kill: not a kill test
            std::printf("run %d ended before the kill (status %d)\n", run, status);
        Counts& c = cli ? tool : windows;
        ++c.runs;
        if (!cli)
            count(c, a, Chip::A);
        count(c, b, Chip::B);
    }
    print("tool-log", tool);
    print("windows-log", windows);
    return tool.broken + windows.broken == 0 ? 0 : 1;
}
