// Usage errors: exit status 1, a message on stderr that names the argument, nothing on stdout,
// and the board left alone unless the refusal needs the scan.

#include "cli_in_process.h"

#include <QTest>

using namespace zr;
using namespace zr::test;

Q_DECLARE_METATYPE(std::vector<std::string>)

class TestCliUsage : public QObject {
    Q_OBJECT
private slots:
    void refused_data();
    void refused();
    void helpAndVersionNeedNoBoard_data();
    void helpAndVersionNeedNoBoard();
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
    QTest::newRow("byte above 255") << V{"xfer", "A", "100"} << "(\"100\")";
    QTest::newRow("62 bytes") << V(64, "0") << "at most 61";
    QTest::newRow("write length 256") << V{"xfer", "A", "--write", "256", "F7"} << "--write";
    QTest::newRow("write length negative") << V{"xfer", "A", "--write=-1", "F7"} << "--write";
    QTest::newRow("read length 63") << V{"xfer", "A", "--read", "63", "F7"} << "--read";
    // Offsets that do not fit the register, as the settings window reads its field.
    for (const char* entry : {"1024", "-513", "&H400", "1e10", "1023.5"})
        QTest::addRow("offset %s", entry)
            << V{"offset", "B", "--set", entry} << "--set: External Offset";
    QTest::newRow("read length huge") << V{"xfer", "A", "--read", "1e12", "F7"} << "--read";
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
    QTest::newRow("version") << V{"--version", "scan"} << "zr410ab-cli 1.0.2\n";
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

QTEST_GUILESS_MAIN(TestCliUsage)
#include "test_cli_usage.moc"
