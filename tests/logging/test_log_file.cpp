// SPDX-License-Identifier: MIT
// The log writer: whole files compared byte for byte, and real faults of the file system.

#include "logging/child_process.h"
#include "logging/log_file.h"
#include "logging/regional_time.h"
#include "logging/regional_time_format.h"
#include "support/comma_locale.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zr;
using namespace zr::logging;

Q_DECLARE_METATYPE(zr::Chip)
Q_DECLARE_METATYPE(zr::logging::LogOptions)
Q_DECLARE_METATYPE(std::vector<zr::logging::Readings>)

namespace {

const DateTimeText kStarted{"30 Nov 2026", "00:53:20"};
constexpr uid_t kNobody = 65534;

// "int ext off 12V 5V Vcc 2.5V Vccp": the ticked options, in any order.
LogOptions ticked(const QString& names)
{
    const QStringList list = names.split(' ', Qt::SkipEmptyParts);
    LogOptions o;
    o.internal = list.contains("int");
    o.external = list.contains("ext");
    o.externalOffset = list.contains("off");
    const QStringList rails{"12V", "5V", "Vcc", "2.5V", "Vccp"};
    for (int i = 0; i < kRailCount; ++i)
        o.voltages[i] = list.contains(rails[i]);
    return o;
}

const QString kAll = "int ext off 12V 5V Vcc 2.5V Vccp";

// Lines as the examples write them: "␣" for a space; each line gets its CR LF.
QByteArray fileOf(const QStringList& lines)
{
    QByteArray bytes;
    for (QString line : lines)
        bytes += line.replace(QStringLiteral("␣"), QStringLiteral(" ")).toUtf8() + "\r\n";
    return bytes;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

std::string native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

Readings numbered(int i)
{
    return {static_cast<float>(i) + 0.25f, -static_cast<float>(i), i, {12.1f, 5, 3.3f, 2.5f, 1.2f}};
}

// The bytes a log holds after `count` numbered records, through the writer's own line rules: for
// fault tests, where only the cut matters.
QByteArray numberedLog(Chip chip, const LogOptions& o, int count)
{
    std::string s = std::string(chipName(chip)) + "\r\n" +
                    dateTimeLine(kStarted.date, kStarted.time) + "\r\n" + headerLine(chip, o) +
                    "\r\n";
    for (int i = 0; i < count; ++i)
        s += recordLine(chip, o, numbered(i)) + "\r\n";
    return QByteArray::fromStdString(s);
}

// Child output "count|reason\n" followed by the file's bytes.
struct FaultRun {
    int records = -1;
    QString reason;
    QByteArray file;
};

FaultRun parseFaultRun(const QByteArray& output)
{
    const qsizetype newline = output.indexOf('\n');
    const QList<QByteArray> head = output.left(newline).split('|');
    if (newline < 0 || head.size() != 2)
        return {};
    return {head[0].toInt(), QString::fromUtf8(head[1]), output.mid(newline + 1)};
}

// Writes numbered records until the log fails (at most `limit`), then reports the run.
std::string writeUntilFailure(LogFile& log, const LogOptions& o, int limit, const char* path)
{
    int written = 0;
    std::string reason = "none";
    try {
        for (; written < limit; ++written)
            log.writeRecord(o, numbered(written));
    } catch (const LogError& e) {
        reason = e.reason();
    }
    if (log.isOpen())
        reason += " (still open)";
    std::string out = std::to_string(written) + "|" + reason + "\n";
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return out;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.append(chunk, n);
    std::fclose(f);
    return out;
}

bool writeProcFile(const char* path, const std::string& text)
{
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

// A private mount namespace with a tiny tmpfs at `dir`: a file system that really fills up.
bool mountTinyFileSystem(const char* dir, const char* size = "size=8k")
{
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return false;
    writeProcFile("/proc/self/setgroups", "deny");
    if (!writeProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !writeProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
        return false;
    ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
    return ::mount("tmpfs", dir, "tmpfs", 0, size) == 0;
}

// How a log's file loses its name under the running log.
enum class Vanishing { FileUnlinked, FolderRemoved, FileReplaced, MediumUnmountedLazily };

} // namespace

Q_DECLARE_METATYPE(Vanishing)

namespace {

} // namespace

class TestLogFile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void wholeFile_data();
    void wholeFile();
    void optionsChangedDuringLogKeepLine3();
    void restartWritesFreshFile();
    void existingFileIsReplaced();
    void numbersKeepTheirPointInACommaLocale();
    void regionalDateAndTime();
    void timeFormatGetsSeconds_data();
    void timeFormatGetsSeconds();

    void sameFileTwiceIsRefused_data();
    void sameFileTwiceIsRefused();
    void fileLockedByAnotherProgramIsNotTouched();
    void notAPlainFileIsRefused_data();
    void notAPlainFileIsRefused();
    void missingFolderIsRefused();
    void unwritableFolderIsRefused();
    void readOnlyFileIsRefused();
    void fileSizeLimitStopsLogKeepingWholeRecords();
    void headerThatCannotBeWrittenLeavesNothing_data();
    void headerThatCannotBeWrittenLeavesNothing();
    void vanishedFileStopsTheLog_data();
    void vanishedFileStopsTheLog();
    void fullFileSystemStopsLogKeepingWholeRecords();
    void killedProgramKeepsEveryRecord();

private:
    QString pathIn(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

void TestLogFile::initTestCase()
{
    QVERIFY(dir_.isValid());
    qputenv("TZ", "UTC");
    tzset();
}

void TestLogFile::wholeFile_data()
{
    QTest::addColumn<Chip>("chip");
    QTest::addColumn<LogOptions>("options");
    QTest::addColumn<std::vector<Readings>>("readings");
    QTest::addColumn<QStringList>("lines");

    const Readings example{25.25f, 31.5f, 0, {12.1f, 5.02f, 3.3f, 2.5f, 1.2f}};
    const QString date = "Date:,30 Nov 2026,Time:,00:53:20";

    QTest::newRow("A worked example")
        << Chip::A << ticked("int ext off") << std::vector{example}
        << QStringList{"ZR410A", date, "Internal,External,External␣Offset,", "␣25.25,␣31.5,␣0,"};
    QTest::newRow("B worked example")
        << Chip::B << ticked(kAll) << std::vector{example}
        << QStringList{"ZR410B", date, "Internal,External,External␣Offset,,12V,5V,Vcc,2.5V,Vccp,",
                       "␣25.25,␣31.5,␣0,,␣␣12.1,␣␣5.02,␣␣3.3,␣␣2.5,␣␣1.2"};
    QTest::newRow("A as the window opens")
        << Chip::A << LogOptions{} << std::vector{example}
        << QStringList{"ZR410A", date, "Internal,External,", "␣25.25,␣31.5,"};
    QTest::newRow("B as the window opens")
        << Chip::B << LogOptions{} << std::vector{example}
        << QStringList{"ZR410B", date, "Internal,External,,12V,5V,Vcc,2.5V,Vccp,",
                       "␣25.25,␣31.5,,␣␣12.1,␣␣5.02,␣␣3.3,␣␣2.5,␣␣1.2"};
    QTest::newRow("A nothing ticked") << Chip::A << ticked("") << std::vector{example, example}
                                      << QStringList{"ZR410A", date, "", ",", ","};
    QTest::newRow("B nothing ticked") << Chip::B << ticked("") << std::vector{example, example}
                                      << QStringList{"ZR410B", date, ",", ",", ","};
    QTest::newRow("A external only") << Chip::A << ticked("ext") << std::vector{example}
                                     << QStringList{"ZR410A", date, "External,", ",␣31.5,"};
    QTest::newRow("B 12V only") << Chip::B << ticked("12V") << std::vector{example}
                                << QStringList{"ZR410B", date, ",12V,", ",,␣␣12.1"};
    QTest::newRow("B offset only") << Chip::B << ticked("off") << std::vector{example}
                                   << QStringList{"ZR410B", date, "External␣Offset,,", ",␣0,"};
    QTest::newRow("B temperatures without rails")
        << Chip::B << ticked("int ext") << std::vector{example}
        << QStringList{"ZR410B", date, "Internal,External,,", "␣25.25,␣31.5,"};
    QTest::newRow("A negative external")
        << Chip::A << ticked("int ext") << std::vector{Readings{25.25f, -3.5f, 0, {}}}
        << QStringList{"ZR410A", date, "Internal,External,", "␣25.25,-3.5,"};
    QTest::newRow("A negative first column")
        << Chip::A << ticked("int") << std::vector{Readings{-7.5f, 0, 0, {}}}
        << QStringList{"ZR410A", date, "Internal,", "-7.5,"};
    QTest::newRow("A small, negative and whole values")
        << Chip::A << ticked("int ext off")
        << std::vector{Readings{-0.1199951171875f, 0.5f, -512, {}},
                       Readings{-0.25f, 25.0f, 511, {}}, Readings{0.0f, -0.0f, -1, {}}}
        << QStringList{"ZR410A",
                       date,
                       "Internal,External,External␣Offset,",
                       "-.1199951,␣.5,-512,",
                       "-.25,␣25,␣511,",
                       "␣0,␣0,-1,"};
    QTest::newRow("B rail values")
        << Chip::B << ticked("12V 5V Vcc 2.5V Vccp")
        << std::vector{Readings{0, 0, 0, {63.999f, 0.062f, 0.0f, 12.0f, 3.301f}}}
        << QStringList{"ZR410B", date, ",12V,5V,Vcc,2.5V,Vccp,",
                       ",,␣␣63.999,␣␣.062,␣␣0,␣␣12,␣␣3.301"};
    QTest::newRow("B negative temperatures and offset")
        << Chip::B << ticked("int ext off 5V")
        << std::vector{Readings{-512.98f, -40.25f, -5, {0, 5.0f, 0, 0, 0}}}
        << QStringList{"ZR410B", date, "Internal,External,External␣Offset,,5V,",
                       "-512.98,-40.25,-5,,␣␣5"};
}

void TestLogFile::wholeFile()
{
    QFETCH(Chip, chip);
    QFETCH(LogOptions, options);
    QFETCH(std::vector<Readings>, readings);
    QFETCH(QStringList, lines);

    const QString path = pathIn(QString("whole-%1.sav").arg(QTest::currentDataTag()));
    {
        LogFile log(native(path), chip, options, kStarted);
        for (const Readings& r : readings)
            log.writeRecord(options, r);
        log.close();
    }
    QCOMPARE(readFile(path), fileOf(lines));
}

void TestLogFile::optionsChangedDuringLogKeepLine3()
{
    const QString path = pathIn("changed.sav");
    LogOptions o = ticked("int ext");
    const Readings r{25.25f, 31.5f, -3, {}};
    LogFile log(native(path), Chip::A, o, kStarted);
    log.writeRecord(o, r);
    o.externalOffset = true;
    log.writeRecord(o, r);
    o.internal = false;
    log.writeRecord(o, r);
    log.close();
    QCOMPARE(readFile(path),
             fileOf({"ZR410A", "Date:,30 Nov 2026,Time:,00:53:20", "Internal,External,",
                     "␣25.25,␣31.5,", "␣25.25,␣31.5,-3,", ",␣31.5,-3,"}));
}

void TestLogFile::restartWritesFreshFile()
{
    const QString path = pathIn("restart.sav");
    const Readings r{20.5f, 21.0f, 0, {1, 2, 3, 4, 5}};
    {
        LogFile first(native(path), Chip::B, ticked(kAll), kStarted);
        first.writeRecord(ticked(kAll), r);
        first.writeRecord(ticked(kAll), r);
        first.close();
        QVERIFY(!first.isOpen());
    }
    LogFile second(native(path), Chip::B, ticked("int"), {"1 Dec 2026", "08:00:01"});
    second.writeRecord(ticked("int"), r);
    second.close();
    QCOMPARE(readFile(path),
             fileOf({"ZR410B", "Date:,1 Dec 2026,Time:,08:00:01", "Internal,,", "␣20.5,"}));
}

void TestLogFile::existingFileIsReplaced()
{
    const QString path = pathIn("existing.sav");
    writeFile(path, QByteArray(10000, 'x'));
    LogFile log(native(path), Chip::A, ticked("int"), kStarted);
    log.close();
    QCOMPARE(readFile(path), fileOf({"ZR410A", "Date:,30 Nov 2026,Time:,00:53:20", "Internal,"}));
}

void TestLogFile::numbersKeepTheirPointInACommaLocale()
{
    // A German bench PC: the C library's numbers use a decimal comma there.
    std::optional<zr::test::CommaDecimalLocale> comma;
    comma.emplace();
    if (!comma->active())
        QSKIP("no comma-decimal locale here");
    QCOMPARE(std::localeconv()->decimal_point, std::string(","));

    const QString path = pathIn("comma-locale.sav");
    const LogOptions o = ticked("int ext off 12V");
    {
        LogFile log(native(path), Chip::B, o, kStarted);
        log.writeRecord(o, {25.25f, -0.5f, -5, {3.301f}});
    }
    comma.reset();
    QCOMPARE(readFile(path),
             fileOf({"ZR410B", "Date:,30 Nov 2026,Time:,00:53:20",
                     "Internal,External,External␣Offset,,12V,", "␣25.25,-.5,-5,,␣␣3.301"}));
}

void TestLogFile::regionalDateAndTime()
{
    // The tests run in the C locale and, from initTestCase, in UTC.
    const DateTimeText t = regionalDateTime(std::chrono::system_clock::time_point(
        std::chrono::seconds(1'796'000'000) + std::chrono::milliseconds(999)));
    QCOMPARE(QString::fromStdString(t.date),
             QLocale::c().toString(QDate(2026, 11, 30), QLocale::ShortFormat));
    QCOMPARE(t.time, std::string("00:53:20"));
}

void TestLogFile::timeFormatGetsSeconds_data()
{
    QTest::addColumn<QString>("shortFormat");
    QTest::addColumn<QString>("expected");
    QTest::newRow("24 hours") << "HH:mm"
                              << "HH:mm:ss";
    QTest::newRow("12 hours") << "h:mm AP"
                              << "h:mm:ss AP";
    QTest::newRow("dot separator") << "H.mm"
                                   << "H.mm.ss";
    QTest::newRow("has seconds") << "HH:mm:ss"
                                 << "HH:mm:ss";
    QTest::newRow("no minutes") << "HH"
                                << "HH";
}

void TestLogFile::timeFormatGetsSeconds()
{
    QFETCH(QString, shortFormat);
    QFETCH(QString, expected);
    QCOMPARE(timeFormatWithSeconds(shortFormat), expected);
}

void TestLogFile::sameFileTwiceIsRefused_data()
{
    QTest::addColumn<QString>("alias");
    QTest::newRow("same path") << "same.sav";
    QTest::newRow("dot segments") << "sub/../././same.sav";
    QTest::newRow("symbolic link") << "link.sav";
    QTest::newRow("hard link") << "hard.sav";
}

void TestLogFile::sameFileTwiceIsRefused()
{
    QFETCH(QString, alias);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("sub"));
    const QString path = dir.filePath("same.sav");
    const LogOptions o = ticked("int");
    LogFile first(native(path), Chip::A, o, kStarted);
    first.writeRecord(o, {1, 0, 0, {}});
    QVERIFY(::symlink("same.sav", native(dir.filePath("link.sav")).c_str()) == 0);
    QVERIFY(::link(native(path).c_str(), native(dir.filePath("hard.sav")).c_str()) == 0);

    try {
        LogFile second(native(dir.filePath(alias)), Chip::B, ticked(kAll), kStarted);
        QFAIL("a second log on the same file started");
    } catch (const LogError& e) {
        QCOMPARE(e.reason(), std::string("Another log is already writing to this file"));
    }

    first.writeRecord(o, {2, 0, 0, {}});
    first.close();
    const QByteArray expected =
        fileOf({"ZR410A", "Date:,30 Nov 2026,Time:,00:53:20", "Internal,", "␣1,", "␣2,"});
    QCOMPARE(readFile(path), expected);

    // Once the first log is closed the file is free again.
    LogFile third(native(dir.filePath(alias)), Chip::A, o, kStarted);
    QVERIFY(third.isOpen());
}

void TestLogFile::fileLockedByAnotherProgramIsNotTouched()
{
    const QString path = pathIn("locked.sav");
    writeFile(path, "another program's log\r\n");
    // Another program's log: its own open file with its lock (a separate open file description,
    // exactly as a second process has).
    const int other = ::open(native(path).c_str(), O_WRONLY);
    QVERIFY(other >= 0);
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);

    QVERIFY_THROWS_EXCEPTION(LogError, LogFile(native(path), Chip::A, LogOptions{}, kStarted));
    QCOMPARE(readFile(path), QByteArray("another program's log\r\n"));
    ::close(other);
}

void TestLogFile::notAPlainFileIsRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("folder") << QDir::tempPath();
    QTest::newRow("named pipe") << QString("fifo");
    QTest::newRow("device") << "/dev/null";
}

void TestLogFile::notAPlainFileIsRefused()
{
    QFETCH(QString, path);
    if (path == "fifo") {
        path = pathIn("log.fifo");
        QVERIFY(::mkfifo(native(path).c_str(), 0600) == 0 || errno == EEXIST);
    }
    // A pipe without a reader would block the program for good; it must fail at once.
    QVERIFY_THROWS_EXCEPTION(LogError, LogFile(native(path), Chip::A, LogOptions{}, kStarted));
}

void TestLogFile::missingFolderIsRefused()
{
    const QString path = pathIn("no-such-folder/log.sav");
    try {
        LogFile log(native(path), Chip::A, LogOptions{}, kStarted);
        QFAIL("started in a missing folder");
    } catch (const LogError& e) {
        QCOMPARE(e.path(), native(path));
        QCOMPARE(e.reason(), std::generic_category().message(ENOENT));
    }
    QVERIFY(!QFile::exists(path));
}

void TestLogFile::unwritableFolderIsRefused()
{
    const QString folder = pathIn("unwritable");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(::chmod(native(dir_.path()).c_str(), 0755) == 0);
    if (::geteuid() == 0)
        QVERIFY(::chown(native(folder).c_str(), kNobody, kNobody) == 0);
    QVERIFY(::chmod(native(folder).c_str(), 0555) == 0);
    const std::string path = native(folder + "/log.sav");

    const test::ChildResult run = test::runUnprivileged([&]() -> std::optional<std::string> {
        try {
            LogFile log(path, Chip::A, LogOptions{}, kStarted);
            return "started";
        } catch (const LogError& e) {
            return e.reason();
        }
    });
    if (run.skipped)
        QSKIP("cannot run as another user here");
    QCOMPARE(run.output.toStdString(), std::generic_category().message(EACCES));
    QVERIFY(!QFile::exists(QString::fromStdString(path)));
}

void TestLogFile::readOnlyFileIsRefused()
{
    const QString path = pathIn("read-only.sav");
    writeFile(path, "kept\r\n");
    QVERIFY(::chmod(native(dir_.path()).c_str(), 0755) == 0);
    if (::geteuid() == 0)
        QVERIFY(::chown(native(path).c_str(), kNobody, kNobody) == 0);
    QVERIFY(::chmod(native(path).c_str(), 0444) == 0);

    const test::ChildResult run = test::runUnprivileged([&]() -> std::optional<std::string> {
        try {
            LogFile log(native(path), Chip::A, LogOptions{}, kStarted);
            return "started";
        } catch (const LogError& e) {
            return e.reason();
        }
    });
    if (run.skipped)
        QSKIP("cannot run as another user here");
    QCOMPARE(run.output.toStdString(), std::generic_category().message(EACCES));
    QCOMPARE(readFile(path), QByteArray("kept\r\n"));
}

void TestLogFile::fileSizeLimitStopsLogKeepingWholeRecords()
{
    const std::string path = native(pathIn("size-limit.sav"));
    const LogOptions o = ticked(kAll);
    constexpr int kRoomForRecords = 150; // ends inside a record
    const test::ChildResult run = test::runInChild([&]() -> std::optional<std::string> {
        // SIGXFSZ is left as the system has it: the writer must keep the program alive itself.
        LogFile log(path, Chip::B, o, kStarted);
        const rlimit limit{static_cast<rlim_t>(log.size() + kRoomForRecords), RLIM_INFINITY};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::nullopt;
        return writeUntilFailure(log, o, 1000, path.c_str());
    });
    if (run.skipped)
        QSKIP("cannot set a file-size limit here");
    QVERIFY2(!run.killed, "the file-size limit ended the program");
    const FaultRun result = parseFaultRun(run.output);
    QCOMPARE(result.reason, QString::fromStdString(std::generic_category().message(EFBIG)));
    QVERIFY(result.records > 0);
    const QByteArray header = numberedLog(Chip::B, o, 0);
    QVERIFY(numberedLog(Chip::B, o, result.records + 1).size() > header.size() + kRoomForRecords);
    QCOMPARE(result.file, numberedLog(Chip::B, o, result.records));
}

void TestLogFile::headerThatCannotBeWrittenLeavesNothing_data()
{
    QTest::addColumn<QByteArray>("before"); // "<missing>": no such file
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("limit"); // the file-size limit, inside the header
    QTest::newRow("new file, limit in line 2: removed")
        << QByteArray("<missing>") << QByteArray("<missing>") << 20;
    QTest::newRow("new file, limit in line 3: removed")
        << QByteArray("<missing>") << QByteArray("<missing>") << 50;
    QTest::newRow("file that was there: emptied") << QByteArray("old\r\n") << QByteArray() << 20;
}

void TestLogFile::headerThatCannotBeWrittenLeavesNothing()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(int, limit);
    const QString path = pathIn("no-header.sav");
    QFile::remove(path);
    if (before != "<missing>")
        writeFile(path, before);
    const test::ChildResult run = test::runInChild([&]() -> std::optional<std::string> {
        const rlimit fileSize{static_cast<rlim_t>(limit), RLIM_INFINITY};
        if (::setrlimit(RLIMIT_FSIZE, &fileSize) != 0)
            return std::nullopt;
        try {
            LogFile log(native(path), Chip::B, ticked(kAll), kStarted);
            return "started";
        } catch (const LogError& e) {
            return e.reason();
        }
    });
    if (run.skipped)
        QSKIP("cannot set a file-size limit here");
    QCOMPARE(run.output.toStdString(), std::generic_category().message(EFBIG));
    QCOMPARE(readFile(path), after);
}

// Records after the file lost its name are refused at the latest one commit later (a record,
// or the close), and the failure says the file is gone. A deleted file refuses the very next
// record, committed or not.
void TestLogFile::vanishedFileStopsTheLog_data()
{
    QTest::addColumn<Vanishing>("how");
    QTest::addColumn<bool>("closeAtOnce"); // no record after the fault: close() must tell
    QTest::addColumn<bool>("nextRecordRefused");
    QTest::newRow("file unlinked") << Vanishing::FileUnlinked << false << true;
    QTest::newRow("folder removed") << Vanishing::FolderRemoved << false << true;
    QTest::newRow("folder removed, then closed") << Vanishing::FolderRemoved << true << true;
    QTest::newRow("another file put at its path") << Vanishing::FileReplaced << false << false;
    QTest::newRow("medium unmounted lazily") << Vanishing::MediumUnmountedLazily << false << false;
}

void TestLogFile::vanishedFileStopsTheLog()
{
    QFETCH(Vanishing, how);
    QFETCH(bool, closeAtOnce);
    QFETCH(bool, nextRecordRefused);
    const QString folder = pathIn("vanishing");
    QVERIFY(QDir(folder).removeRecursively() && QDir().mkpath(folder));
    const std::string path = native(folder + "/log.sav");
    const LogOptions o = ticked("int ext");
    const test::ChildResult run = test::runInChild([&]() -> std::optional<std::string> {
        if (how == Vanishing::MediumUnmountedLazily &&
            !mountTinyFileSystem(native(folder).c_str(), "size=64k"))
            return std::nullopt;
        LogFile log(path, Chip::A, o, kStarted);
        for (int i = 0; i < 3; ++i)
            log.writeRecord(o, numbered(i));
        switch (how) {
        case Vanishing::FileUnlinked:
            ::unlink(path.c_str());
            break;
        case Vanishing::FolderRemoved:
            QDir(folder).removeRecursively();
            break;
        case Vanishing::FileReplaced:
            writeFile(QString::fromStdString(path + ".new"), "other\r\n");
            ::rename((path + ".new").c_str(), path.c_str());
            break;
        case Vanishing::MediumUnmountedLazily:
            if (::umount2(native(folder).c_str(), MNT_DETACH) != 0)
                return std::nullopt;
            break;
        }
        std::string told = "never told";
        int records = 0; // written after the fault
        try {
            if (closeAtOnce)
                log.close();
            for (; records < 500; ++records, ::usleep(10000))
                log.writeRecord(o, numbered(records));
        } catch (const LogError& e) {
            told = e.reason() + (e.fileGone() ? "|gone" : "|not gone");
        }
        return told + (log.isOpen() ? "|open" : "|closed") + (records == 0 ? "|at once" : "");
    });
    if (run.skipped)
        QSKIP("cannot mount a file system here");
    QVERIFY(!run.killed);
    QByteArray expected("The file is no longer there (deleted, or its folder or medium "
                        "removed)|gone|closed");
    if (nextRecordRefused)
        expected += "|at once";
    QCOMPARE(run.output.left(expected.size()), expected);
}

void TestLogFile::fullFileSystemStopsLogKeepingWholeRecords()
{
    const QString mountPoint = pathIn("tiny");
    QVERIFY(QDir().mkpath(mountPoint));
    const std::string path = native(mountPoint + "/full.sav");
    const LogOptions o = ticked(kAll);
    const test::ChildResult run = test::runInChild([&]() -> std::optional<std::string> {
        if (!mountTinyFileSystem(native(mountPoint).c_str()))
            return std::nullopt;
        LogFile log(path, Chip::B, o, kStarted);
        return writeUntilFailure(log, o, 100000, path.c_str());
    });
    if (run.skipped)
        QSKIP("cannot mount a small file system here");
    QVERIFY(!run.killed);
    const FaultRun result = parseFaultRun(run.output);
    QCOMPARE(result.reason, QString::fromStdString(std::generic_category().message(ENOSPC)));
    QVERIFY(result.records > 10);
    QCOMPARE(result.file, numberedLog(Chip::B, o, result.records));
}

void TestLogFile::killedProgramKeepsEveryRecord()
{
    const QString path = pathIn("killed.sav");
    const LogOptions o = ticked("int ext off");
    const test::ChildResult run = test::runInChild([&]() -> std::optional<std::string> {
        LogFile log(native(path), Chip::A, o, kStarted);
        for (int i = 0; i < 3; ++i)
            log.writeRecord(o, numbered(i));
        ::raise(SIGKILL);
        return "not killed";
    });
    QVERIFY(run.killed);
    QCOMPARE(readFile(path), numberedLog(Chip::A, o, 3));
}

QTEST_APPLESS_MAIN(TestLogFile)
#include "test_log_file.moc"
