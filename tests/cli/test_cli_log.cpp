// SPDX-License-Identifier: MIT
// The log command as a child process: its file against one written by the save-data window's
// writer for the same readings, Ctrl-C, a lost board, a file that is already a log.

#include "cli_process.h"
#include "logging/log_file.h"
#include "logging/regional_time.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <csignal>

using namespace zr;
using namespace zr::test;
using logging::LogOptions;
using logging::Readings;

Q_DECLARE_METATYPE(zr::Chip)
Q_DECLARE_METATYPE(zr::logging::LogOptions)
Q_DECLARE_METATYPE(zr::logging::Readings)

namespace {

// What the chips of scenarios/two-chips.json read.
const Readings kChipA{25.12f, 19.25f, -12, {}};
const Readings kChipB{1023.88f - 1024.0f, 40.25f, 0, {12.1f, 5.02f, 3.3f, 2.5f, 1.2f}};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

QList<QByteArray> linesOf(const QByteArray& content)
{
    QList<QByteArray> lines = content.split('\n');
    lines.removeLast(); // after the last line end
    return lines;
}

// The file the window's writer makes for `count` records, with the date and time text given.
QByteArray writerFile(const QString& path, Chip chip, const LogOptions& options,
                      const Readings& readings, int count, const logging::DateTimeText& started)
{
    {
        logging::LogFile log(path.toStdString(), chip, options, started);
        for (int i = 0; i < count; ++i)
            log.writeRecord(options, readings);
        log.close();
    }
    return readAll(path);
}

logging::DateTimeText dateTimeOfLine2(const QByteArray& line)
{
    // "Date:,<date>,Time:,<time>\r"
    const QByteArray text = line.chopped(1);
    const qsizetype time = text.indexOf(",Time:,");
    return {text.mid(6, time - 6).toStdString(), text.mid(time + 7).toStdString()};
}

bool everyLineWhole(const QByteArray& content)
{
    if (!content.endsWith("\r\n"))
        return false;
    for (const QByteArray& line : linesOf(content))
        if (!line.endsWith('\r'))
            return false;
    return true;
}

bool waitForLines(const QString& path, int lines, QProcess& process)
{
    for (int i = 0; i < 3000 && process.state() == QProcess::Running; ++i) {
        if (readAll(path).count('\n') >= lines)
            return true;
        QTest::qWait(10);
    }
    return false;
}

} // namespace

class TestCliLog : public QObject {
    Q_OBJECT
private slots:
    void sameFileAsTheWindowWriter_data();
    void sameFileAsTheWindowWriter();
    void ctrlCKeepsEveryLineWhole();
    void lostBoardKeepsTheRecordsWritten();
    void deletedFolderEndsTheRunWithExit4();
    void fileAlreadyLoggedIsRefused();
    void durationShorterThanOneInterval();
    void unusableColumns_data();
    void unusableColumns();
};

void TestCliLog::sameFileAsTheWindowWriter_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<Chip>("chip");
    QTest::addColumn<LogOptions>("options");
    QTest::addColumn<Readings>("readings");

    LogOptions all;
    all.externalOffset = true;
    LogOptions none;
    none.internal = none.external = false;
    none.voltages.fill(false);
    LogOptions twoRails = none;
    twoRails.voltages = {true, false, false, false, true};
    LogOptions externalOnly = none;
    externalOnly.external = true;

    QTest::newRow("A default columns") << QStringList{"A"} << Chip::A << LogOptions{} << kChipA;
    QTest::newRow("A every column")
        << QStringList{"A", "--columns", "offset,internal,external"} << Chip::A << all << kChipA;
    QTest::newRow("A external only")
        << QStringList{"A", "--columns=external"} << Chip::A << externalOnly << kChipA;
    QTest::newRow("A no column") << QStringList{"A", "--columns="} << Chip::A << none << kChipA;
    QTest::newRow("B default columns") << QStringList{"B"} << Chip::B << LogOptions{} << kChipB;
    QTest::newRow("B every column")
        << QStringList{"B", "--columns", "internal,external,offset,12v,5v,vcc,2.5v,vccp"} << Chip::B
        << all << kChipB;
    QTest::newRow("B two rails, any case")
        << QStringList{"B", "--columns", "VCCP,12V"} << Chip::B << twoRails << kChipB;
    QTest::newRow("B no column") << QStringList{"B", "--columns", ""} << Chip::B << none << kChipB;
}

void TestCliLog::sameFileAsTheWindowWriter()
{
    QFETCH(QStringList, extra);
    QFETCH(Chip, chip);
    QFETCH(LogOptions, options);
    QFETCH(Readings, readings);
    QTemporaryDir dir;
    const QString path = dir.filePath("cli.sav");
    QStringList args = onSimulatedBoard("two-chips");
    args << "log" << extra.first() << path << "--count"
         << "3"
         << "--interval"
         << "1";
    args << extra.mid(1);

    const auto before = std::chrono::system_clock::now();
    const ToolRun run = runTool(args);
    const auto after = std::chrono::system_clock::now();
    QVERIFY2(run.status == 0, run.err.constData());
    QCOMPARE(run.out, QByteArray("3 records written to ") + path.toUtf8() + "\n");

    const QByteArray written = readAll(path);
    const QList<QByteArray> lines = linesOf(written);
    QVERIFY(lines.size() >= 2);
    const logging::DateTimeText started = dateTimeOfLine2(lines[1]);
    QCOMPARE(written, writerFile(dir.filePath("writer.sav"), chip, options, readings, 3, started));

    // Line 2 is the start time in the regional format, to the second.
    bool startSeen = false;
    for (auto t = std::chrono::floor<std::chrono::seconds>(before); t <= after;
         t += std::chrono::seconds(1)) {
        const logging::DateTimeText expected = logging::regionalDateTime(t);
        startSeen = startSeen || (expected.date == started.date && expected.time == started.time);
    }
    QVERIFY2(startSeen, lines[1].constData());
}

void TestCliLog::ctrlCKeepsEveryLineWhole()
{
    const QByteArray record = "-.1199951, 40.25,,  12.1,  5.02,  3.3,  2.5,  1.2\r";
    for (int round = 0; round < 3; ++round) {
        QTemporaryDir dir;
        const QString path = dir.filePath("interrupted.sav");
        QProcess process;
        startTool(process,
                  onSimulatedBoard("two-chips") + QStringList{"log", "B", path, "--interval", "5"});
        QVERIFY(process.waitForStarted());
        QVERIFY(waitForLines(path, 3 + 4 + round * 7, process));
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);

        const QByteArray content = readAll(path);
        QVERIFY(everyLineWhole(content));
        const QList<QByteArray> lines = linesOf(content);
        const qsizetype records = lines.size() - 3;
        QVERIFY(records >= 4 + round * 7);
        for (qsizetype i = 3; i < lines.size(); ++i)
            QCOMPARE(lines[i], record);
        QCOMPARE(process.readAllStandardOutput(),
                 QByteArray::number(records) + " records written to " + path.toUtf8() + "\n");
    }
}

void TestCliLog::lostBoardKeepsTheRecordsWritten()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lost.sav");
    const ToolRun run = runTool(onSimulatedBoard("pulled-after-scan") +
                                QStringList{"log", "A", path, "--interval", "1", "--count", "10"});
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains("the USB cable was pulled"), run.err.constData());
    const QByteArray content = readAll(path);
    QVERIFY(everyLineWhole(content));
    // The cable comes out after the scan and three transactions: one record and a half.
    const QList<QByteArray> lines = linesOf(content);
    QCOMPARE(lines.size(), 3 + 1);
    QCOMPARE(lines[3], QByteArray(" 25, 31,\r"));
    QVERIFY2(run.err.contains("; " + path.toUtf8() + " holds 1 record\n"), run.err.constData());
    // Its events file ends with the loss, after the one record, then the stop.
    const QList<QByteArray> events = readAll(path + ".events").split('\n');
    const QByteArray start = R"({"format":1,"kind":"start",)";
    const QList<QByteArray> end{
        R"({"kind":"marker","record":1,"text":"Board lost","event":"lost"})",
        R"({"kind":"marker","record":1,"text":"Log stopped","event":"log-stop"})",
        R"({"kind":"stop","record":1,"time":")"};
    QVERIFY(events.size() >= 5 && events.first().startsWith(start));
    QCOMPARE(events.mid(events.size() - 4, 2), end.mid(0, 2));
    QVERIFY(events[events.size() - 2].startsWith(end[2]));
}

void TestCliLog::deletedFolderEndsTheRunWithExit4()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("removable");
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + "/f.sav";
    QProcess process;
    startTool(process, onSimulatedBoard("two-chips") +
                           QStringList{"log", "B", path, "--interval", "50", "--count", "40"});
    QVERIFY(process.waitForStarted());
    QVERIFY(waitForLines(path, 3 + 2, process));
    QVERIFY(QDir(folder).removeRecursively());
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 4);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    const QByteArray err = process.readAllStandardError();
    QVERIFY2(err.startsWith("zr410ab-cli: cannot write the log " + path.toUtf8() +
                            ": The file is no longer there"),
             err.constData());
    // Found before the next record: the count is what the file had when it went, two or more.
    const QRegularExpressionMatch written =
        QRegularExpression("; (\\d+) records had been written to it\n$").match(err);
    QVERIFY2(written.hasMatch() && written.captured(1).toInt() >= 2, err.constData());
}

void TestCliLog::fileAlreadyLoggedIsRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("busy.sav");
    QProcess first;
    startTool(first,
              onSimulatedBoard("two-chips") + QStringList{"log", "A", path, "--interval", "20"});
    QVERIFY(first.waitForStarted());
    QVERIFY(waitForLines(path, 4, first));

    const ToolRun second =
        runTool(onSimulatedBoard("two-chips") + QStringList{"log", "B", path, "--count", "1"});
    QCOMPARE(second.status, 4);
    QVERIFY2(second.err.startsWith("zr410ab-cli: cannot write the log " + path.toUtf8()),
             second.err.constData());

    ::kill(static_cast<pid_t>(first.processId()), SIGINT);
    QVERIFY(first.waitForFinished(10000));
    QCOMPARE(first.exitCode(), 0);
    const QList<QByteArray> lines = linesOf(readAll(path));
    QCOMPARE(lines[0], QByteArray("ZR410A\r"));
    for (qsizetype i = 3; i < lines.size(); ++i)
        QCOMPARE(lines[i], QByteArray(" 25.12, 19.25,\r"));
}

void TestCliLog::durationShorterThanOneInterval()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("short.sav");
    const ToolRun run =
        runTool(onSimulatedBoard("two-chips") + QStringList{"log", "A", path, "--duration", "0.05",
                                                            "--interval", "1000", "--json"});
    QCOMPARE(run.status, 0);
    QCOMPARE(linesOf(readAll(path)).size(), 3 + 1);
    QCOMPARE(run.out, R"({"address":72,"chip":"A","failedReadings":0,"file":")" + path.toUtf8() +
                          R"(","records":1})"
                          "\n");
}

void TestCliLog::unusableColumns_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("rail on chip A") << QStringList{"A", "--columns", "internal,vcc"}
                                    << QByteArray("--columns: 'vcc' is a rail of ZR410B only");
    QTest::newRow("unknown column") << QStringList{"B", "--columns", "internal,3.3v"}
                                    << QByteArray("--columns: unknown column '3.3v'");
    QTest::newRow("trailing comma")
        << QStringList{"B", "--columns", "internal,"} << QByteArray("--columns: unknown column ''");
}

void TestCliLog::unusableColumns()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, message);
    QTemporaryDir dir;
    const QString path = dir.filePath("never.sav");
    const ToolRun run =
        runTool(onSimulatedBoard("two-chips") + QStringList{"log", args[0], path} + args.mid(1));
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(message), run.err.constData());
    QVERIFY(!QFile::exists(path));
}

QTEST_GUILESS_MAIN(TestCliLog)
#include "test_cli_log.moc"
