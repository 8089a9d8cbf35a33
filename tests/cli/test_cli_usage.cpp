// SPDX-License-Identifier: MIT
// Usage errors: exit status 1, a message on stderr that names the argument, nothing on stdout,
// and the board left alone unless the refusal needs the scan.

#include "app/command_line.h"
#include "cli/command_table.h"
#include "cli/periodic.h"
#include "cli_in_process.h"

#include <QTest>

using namespace zr;
using namespace zr::test;

Q_DECLARE_METATYPE(std::vector<std::string>)
Q_DECLARE_METATYPE(std::vector<std::uint8_t>)

class TestCliUsage : public QObject {
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
    void schedulesAtTheirBounds_data();
    void schedulesAtTheirBounds();
    void wholeValuesAreSent_data();
    void wholeValuesAreSent();
    void helpAndVersionNeedNoBoard_data();
    void helpAndVersionNeedNoBoard();
    void everyHelpFitsEightyColumns_data();
    void everyHelpFitsEightyColumns();
};

void TestCliUsage::refused_data()
{
    QTest::addColumn<std::vector<std::string>>("args");
    QTest::addColumn<QString>("named");

    using V = std::vector<std::string>;
    QTest::newRow("no command") << V{} << "no command given";
    QTest::newRow("only options") << V{"--board", "sim", "--json"} << "no command given";
    QTest::newRow("unknown command") << V{"frob"} << "'frob'";
    QTest::newRow("unknown option") << V{"scan", "--frob"} << "'--frob'";
    QTest::newRow("unknown short option") << V{"-x", "scan"} << "'-x'";
    QTest::newRow("board without value") << V{"scan", "--board"} << "--board needs a value";
    QTest::newRow("unknown board") << V{"--board=serial", "scan"} << "--board: unknown board";
    QTest::newRow("scenario on usb") << V{"--scenario", "x.json", "scan"} << "--scenario";
    QTest::newRow("usb ids unreadable") << V{"--usb-ids", "zz", "scan"} << "--usb-ids: 'zz'";
    QTest::newRow("usb ids on sim") << V{"scan", "--board=sim", "--usb-ids=1234:0001,1234:00a2"}
                                    << "--usb-ids works only with --board usb";
    QTest::newRow("usb timeout too short") << V{"scan", "--usb-timeout", "5"}
                                           << "--usb-timeout needs a whole number of "
                                              "milliseconds from 10 to 10000, not '5'";
    QTest::newRow("usb timeout in seconds") << V{"scan", "--usb-timeout=1s"} << "not '1s'";
    QTest::newRow("usb timeout on sim") << V{"scan", "--board=sim", "--usb-timeout=100"}
                                        << "--usb-timeout works only with --board usb";
    QTest::newRow("flag with value") << V{"scan", "--json=yes"} << "--json takes no value";
    QTest::newRow("option twice") << V{"watch", "--count", "2", "--count=3"} << "--count";
    QTest::newRow("option of another command") << V{"dib", "A", "--set", "3"} << "--set";
    QTest::newRow("missing chip") << V{"temps"} << "CHIP";
    QTest::newRow("missing file") << V{"log", "A"} << "CHIP FILE";
    QTest::newRow("empty file name") << V{"log", "B", "", "--count", "1"} << "FILE: ''";
    QTest::newRow("extra argument") << V{"ping", "A", "B"} << "'B'";
    QTest::newRow("argument to scan") << V{"scan", "A"} << "'A'";
    QTest::newRow("unknown chip") << V{"dib", "C"} << "'C'";
    QTest::newRow("chip by kind name") << V{"dib", "ZR410A"} << "'ZR410A'";
    QTest::newRow("interval not a number") << V{"watch", "--interval", "fast"} << "--interval";
    QTest::newRow("interval zero") << V{"watch", "--interval=0"} << "--interval";
    QTest::newRow("interval with unit") << V{"watch", "--interval=250ms"} << "--interval";
    QTest::newRow("count negative") << V{"watch", "--count", "-1"} << "--count";
    QTest::newRow("duration not a number")
        << V{"log", "A", "f.sav", "--duration", "1h"} << "--duration";
    QTest::newRow("count and duration")
        << V{"log", "A", "f.sav", "--count", "3", "--duration", "2"} << "--count and --duration";
    QTest::newRow("bench count zero") << V{"bench", "--count", "0"} << "--count";
    QTest::newRow("dec and hex") << V{"xfer", "A", "--dec", "--hex", "F7"} << "--dec and --hex";
    QTest::newRow("no command byte") << V{"xfer", "A", "--write", "1"} << "No command byte set";
    QTest::newRow("byte above 255") << V{"xfer", "A", "100"} << "BYTE 1: '100'";
    QTest::newRow("62 bytes") << V(64, "0") << "at most 61";
    QTest::newRow("write length 256") << V{"xfer", "A", "--write", "256", "F7"} << "--write";
    QTest::newRow("write length negative") << V{"xfer", "A", "--write=-1", "F7"} << "--write";
    QTest::newRow("read length 63") << V{"xfer", "A", "--read", "63", "F7"} << "--read";
    // Offsets that do not fit the register, as the settings window reads its field.
    for (const char* entry : {"1024", "-513", "99999999999"})
        QTest::addRow("offset %s", entry)
            << V{"offset", "B", "--set", entry} << "--set: External Offset";
    // A script's value is read whole or refused, never sent as the number it starts with.
    for (const char* entry : {"five", "", "nan", "-Infinity", "0x10", "&H10", "1e1", "12.5", " 5",
                              "5 ", "--5", "+-5", "99999999999999999999"})
        QTest::addRow("offset '%s'", entry)
            << V{"offset", "A", "--set", entry} << QString("--set: '%1' is not").arg(entry);
    const std::vector<std::pair<V, QString>> bytes = {
        {{"ZZ"}, "BYTE 1: 'ZZ'"},       {{""}, "BYTE 1: ''"},
        {{"F7", "1G"}, "BYTE 2: '1G'"}, {{"F7 01"}, "BYTE 1: 'F7 01'"},
        {{"0x"}, "BYTE 1: '0x'"},       {{"0x100"}, "BYTE 1: '0x100'"},
        {{"&HF7"}, "BYTE 1: '&HF7'"},   {{"--", "-1"}, "BYTE 1: '-1'"},
    };
    for (const auto& [given, named] : bytes) {
        V args{"xfer", "A"};
        args.insert(args.end(), given.begin(), given.end());
        QTest::addRow("byte %s", qPrintable(named)) << args << named;
    }
    for (const char* length : {"", "fast", "1.0", "0x10", "1e1"})
        QTest::addRow("write length '%s'", length) << V{"xfer", "A", "--write", length, "F7"}
                                                   << QString("--write: '%1' is not").arg(length);
    // Bounds that keep the schedule's arithmetic far from overflow.
    QTest::newRow("interval beyond a day") << V{"watch", "--interval", "86400001"} << "--interval";
    QTest::newRow("interval huge")
        << V{"log", "A", "f.sav", "--interval", "9223372036854775807"} << "--interval";
    QTest::newRow("interval beyond 64 bits")
        << V{"log", "A", "f.sav", "--interval", "9223372036854775808"} << "--interval";
    for (const char* seconds : {"1e300", "0.0001", "31622401", "nan", "inf", "-1", "0x10", ""})
        QTest::addRow("duration %s", seconds) << V{"log", "A", "f.sav", "--duration", seconds}
                                              << QString("--duration: '%1'").arg(seconds);
    QTest::newRow("count huge") << V{"watch", "--count", "1000000000001"} << "--count";
    QTest::newRow("bench count huge") << V{"bench", "--count", "1000001"} << "--count";
    // An option given twice is a mistake, whichever kind it is.
    QTest::newRow("board twice") << V{"--board", "usb", "--board", "sim", "scan"}
                                 << "--board is given twice";
    QTest::newRow("scenario twice")
        << V{"--board=sim", "--scenario=a.json", "scan", "--scenario", "b.json"}
        << "--scenario is given twice";
    QTest::newRow("json twice") << V{"scan", "--json", "--json"} << "--json is given twice";
    QTest::newRow("keep-going twice")
        << V{"log", "A", "f.sav", "--keep-going", "--keep-going"} << "--keep-going is given twice";
    QTest::newRow("version with a word") << V{"--version", "frob"} << "--version takes no command";
    QTest::newRow("read length huge") << V{"xfer", "A", "--read", "1e12", "F7"} << "--read";
    QTest::newRow("exit on alarm without rules")
        << V{"watch", "--exit-on-alarm"} << "--exit-on-alarm needs --alarms FILE";
    QTest::newRow("watch, rules unreadable") << V{"watch", "--alarms", "/no/such/alarms.json"}
                                             << "--alarms: /no/such/alarms.json: cannot be read";
    QTest::newRow("serve, rules unreadable")
        << V{"serve", "--listen", ":9410", "--alarms", "/no/such/alarms.json", "--json"}
        << "--alarms: /no/such/alarms.json: cannot be read";
}

void TestCliUsage::refused()
{
    QFETCH(std::vector<std::string>, args);
    QFETCH(QString, named);
    if (QByteArray(QTest::currentDataTag()) == "62 bytes") {
        args[0] = "xfer";
        args[1] = "A";
    }
    const CliRun run = runCliInProcess(args, nullptr);
    QCOMPARE(run.status, 1);
    QVERIFY2(QString::fromStdString(run.err).contains(named), run.err.c_str());
    // With --json the refusal is a JSON object too.
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    QVERIFY(QString::fromStdString(run.err).startsWith(json ? R"({"error":)" : "zr410ab-cli: "));
    QVERIFY(run.out.empty());
    QVERIFY(!run.boardOpened);
}

// The documented bounds are accepted, not only their neighbours refused.
void TestCliUsage::schedulesAtTheirBounds_data()
{
    QTest::addColumn<std::vector<std::string>>("args");
    QTest::addColumn<qint64>("intervalMs");
    QTest::addColumn<qint64>("count");      // -1: none
    QTest::addColumn<qint64>("durationMs"); // -1: none
    using V = std::vector<std::string>;
    QTest::newRow("interval of a day")
        << V{"watch", "--interval", "86400000"} << 86'400'000LL << -1LL << -1LL;
    QTest::newRow("shortest interval") << V{"watch", "--interval=1"} << 1LL << -1LL << -1LL;
    QTest::newRow("most readings")
        << V{"watch", "--count", "1000000000000"} << 250LL << 1'000'000'000'000LL << -1LL;
    QTest::newRow("one reading") << V{"watch", "--count=1"} << 250LL << 1LL << -1LL;
    QTest::newRow("366 days") << V{"log", "A", "f.sav", "--duration", "31622400"} << 250LL << -1LL
                              << 31'622'400'000LL;
    QTest::newRow("a millisecond")
        << V{"log", "A", "f.sav", "--duration", "0.001"} << 250LL << -1LL << 1LL;
}

void TestCliUsage::schedulesAtTheirBounds()
{
    QFETCH(std::vector<std::string>, args);
    QFETCH(qint64, intervalMs);
    QFETCH(qint64, count);
    QFETCH(qint64, durationMs);
    cli::Schedule s;
    try {
        s = cli::scheduleFromOptions(cli::parseArguments(args));
    } catch (const std::exception& refused) {
        QFAIL(refused.what());
    }
    QCOMPARE(qint64(s.interval.count()), intervalMs);
    QCOMPARE(qint64(s.count.value_or(-1)), count);
    QCOMPARE(qint64(s.duration ? s.duration->count() : -1), durationMs);
}

void TestCliUsage::wholeValuesAreSent_data()
{
    QTest::addColumn<std::vector<std::string>>("args");
    QTest::addColumn<std::vector<std::uint8_t>>("frame"); // the last request frame sent
    using V = std::vector<std::string>;
    using F = std::vector<std::uint8_t>;
    QTest::newRow("offset -5") << V{"offset", "A", "--set", "-5"} << F{72, 3, 0, 224, 192, 254};
    QTest::newRow("offset +5") << V{"offset", "A", "--set=+5"} << F{72, 3, 0, 224, 64, 1};
    QTest::newRow("offset 1023") << V{"offset", "B", "--set", "1023"} << F{76, 3, 0, 224, 192, 255};
    QTest::newRow("bytes with and without 0x")
        << V{"xfer", "A", "--write", "4", "--read", "062", "0x1f", "e0", "7", "0XFF"}
        << F{72, 4, 62, 0x1F, 0xE0, 0x07, 0xFF};
    QTest::newRow("lengths missing") << V{"xfer", "B", "00"} << F{76, 0, 0, 0};
}

void TestCliUsage::wholeValuesAreSent()
{
    QFETCH(std::vector<std::string>, args);
    QFETCH(std::vector<std::uint8_t>, frame);
    RecordingBoard board;
    answerScan(board);
    const CliRun run = runCliInProcess(args, &board);
    QVERIFY2(run.status == 0, run.err.c_str());
    const RecordedRequest& sent = board.requests.at(board.requests.size() - 2);
    QCOMPARE(sent.direction, kDirectionToBoard);
    const std::vector<std::uint8_t> start(sent.sent.begin(),
                                          sent.sent.begin() + static_cast<long>(frame.size()));
    QCOMPARE(start, frame);
}

void TestCliUsage::helpAndVersionNeedNoBoard_data()
{
    QTest::addColumn<std::vector<std::string>>("args");
    QTest::addColumn<QString>("starts");
    using V = std::vector<std::string>;
    QTest::newRow("tool help") << V{"--help"} << "Usage: zr410ab-cli [OPTIONS] COMMAND";
    QTest::newRow("short help") << V{"-h"} << "Usage: zr410ab-cli [OPTIONS] COMMAND";
    QTest::newRow("command help after") << V{"xfer", "--help"} << "Usage: zr410ab-cli xfer CHIP";
    QTest::newRow("command help before") << V{"--help", "log"} << "Usage: zr410ab-cli log CHIP";
    QTest::newRow("help wins over a bad chip") << V{"dib", "Q", "-h"} << "Usage: zr410ab-cli dib";
    QTest::newRow("version") << V{"--board", "sim", "--version"} << "zr410ab-cli 1.0.2\n";
}

void TestCliUsage::helpAndVersionNeedNoBoard()
{
    QFETCH(std::vector<std::string>, args);
    QFETCH(QString, starts);
    const CliRun run = runCliInProcess(args, nullptr);
    QCOMPARE(run.status, 0);
    QVERIFY2(QString::fromStdString(run.out).startsWith(starts), run.out.c_str());
    QVERIFY(run.err.empty());
    QVERIFY(!run.boardOpened);
}

// A terminal of 80 columns shows every help whole: no line wider, and every option, value name
// and sentence of the tables there, word for word (moved to the next line, never cut).
void TestCliUsage::everyHelpFitsEightyColumns_data()
{
    QTest::addColumn<QString>("help");
    QTest::addColumn<QStringList>("whole");

    QStringList summaries;
    for (const cli::CommandInfo& c : cli::commandTable()) {
        summaries << QString::fromStdString(c.name + " " + c.summary);
        QStringList whole{QString::fromStdString(c.synopsis), QString::fromStdString(c.summary),
                          QString::fromStdString(c.details)};
        for (const std::string& name : c.options) {
            const cli::OptionInfo* o = cli::findCommandOption(name);
            whole << QString::fromStdString(name + (o->valueName ? " " : "") +
                                            (o->valueName ? o->valueName : "") + " " + o->help);
        }
        const CliRun run = runCliInProcess({c.name, "--help"}, nullptr);
        QTest::addRow("zr410ab-cli %s", c.name.c_str()) << QString::fromStdString(run.out) << whole;
    }
    QTest::newRow("zr410ab-cli") << QString::fromStdString(runCliInProcess({"--help"}, nullptr).out)
                                 << summaries;
    QTest::newRow("zr410ab") << QString::fromStdString(helpText("zr410ab"))
                             << QStringList{"--board sim|usb",   "--usb-timeout MS",
                                            "--device PORTPATH", "--non-interactive",
                                            "--alarms FILE",     "-style NAME",
                                            "-stylesheet FILE",  "-reverse"};
}

void TestCliUsage::everyHelpFitsEightyColumns()
{
    QFETCH(QString, help);
    QFETCH(QStringList, whole);
    QVERIFY(!help.isEmpty());
    for (const QString& line : help.split('\n'))
        QVERIFY2(line.size() <= 80,
                 qPrintable(QString("%1 columns: %2").arg(line.size()).arg(line)));
    const QString flowing = help.simplified();
    for (const QString& part : whole)
        QVERIFY2(flowing.contains(part.simplified()), qPrintable("not whole: " + part));
}

QTEST_GUILESS_MAIN(TestCliUsage)
#include "test_cli_usage.moc"
