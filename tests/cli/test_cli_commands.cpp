// SPDX-License-Identifier: MIT
// Every command run as a child process on the simulated board with fixed readings: what it
// prints, in text and in JSON, and its exit status. No display is available to the child.

#include "cli_process.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QTest>

using namespace zr::test;

class TestCliCommands : public QObject {
    Q_OBJECT
private slots:
    void golden_data();
    void golden();
    void failures_data();
    void failures();
    void benchReportsBothFigures();
    void watchAppendsRowsWhenNotOnATerminal();
};

namespace {

QStringList on(const QString& scenario, const QStringList& command)
{
    return onSimulatedBoard(scenario) + command;
}

} // namespace

void TestCliCommands::golden_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");

    const QString two = "two-chips";
    QTest::newRow("scan") << on(two, {"scan"}) << "ZR410A 72\nZR410B 76\n";
    QTest::newRow("scan json")
        << on(two, {"scan", "--json"})
        << R"({"board":"sim","chips":[{"address":72,"chip":"A","kind":"ZR410A"},)"
           R"({"address":76,"chip":"B","kind":"ZR410B"}]})"
           "\n";
    QTest::newRow("scan only B at 95 with id 134") << on("only-b", {"scan"}) << "ZR410B 95\n";

    QTest::newRow("dib A") << on(two, {"dib", "A"})
                           << "Device Capability: 0x1\n"
                              "Version/Revision: 0x10\n"
                              "Vendor ID: 0x11D4\n"
                              "Device ID: 0x84\n"
                              "Device Interface: 0x1\n"
                              "Function Interface: 0x2\n"
                              "Silicon Revision ID: 0x1\n"
                              "Client Address: 0x48\n";
    QTest::newRow("dib B json") << on(two, {"--json", "dib", "b"})
                                << R"({"address":76,"chip":"B","clientAddress":76,)"
                                   R"("deviceCapability":1,"deviceId":133,"deviceInterface":1,)"
                                   R"("functionInterface":3,"siliconRevisionId":2,)"
                                   R"("vendorId":4564,"versionRevision":16})"
                                   "\n";

    // 1608/64 = 25.125 rounds to even; A's external reads 31.25 with its offset of -12 added.
    QTest::newRow("temps A") << on(two, {"temps", "A"}) << "Internal: 25.12°C\nExternal: 19.25°C\n";
    QTest::newRow("temps A json") << on(two, {"temps", "A", "--json"})
                                  << R"({"address":72,"chip":"A","external":19.25,)"
                                     R"("internal":25.12})"
                                     "\n";
    // -8 counts: 1023.875 -> 1023.88 -> -0.1199951171875 in single precision.
    QTest::newRow("temps B below zero")
        << on(two, {"temps", "B"}) << "Internal: -.1199951°C\nExternal: 40.25°C\n";
    QTest::newRow("temps B json") << on(two, {"temps", "B", "--json"})
                                  << R"({"address":76,"chip":"B","external":40.25,)"
                                     R"("internal":-0.1199951})"
                                     "\n";

    QTest::newRow("volts") << on(two, {"volts"})
                           << "12V: 12.1 V\n5V: 5.02 V\nVcc: 3.3 V\n2.5V: 2.5 V\nVccp: 1.2 V\n";
    QTest::newRow("volts json") << on(two, {"volts", "--json"})
                                << R"({"12V":12.1,"2.5V":2.5,"5V":5.02,"Vcc":3.3,"Vccp":1.2,)"
                                   R"("address":76,"chip":"B"})"
                                   "\n";
    QTest::newRow("volts whole") << on("only-b", {"volts"})
                                 << "12V: 12 V\n5V: 5 V\nVcc: 3.3 V\n2.5V: 2.5 V\nVccp: 1.2 V\n";

    QTest::newRow("offset A") << on(two, {"offset", "A"}) << "-12\n";
    QTest::newRow("offset B") << on(two, {"offset", "B"}) << "0\n";
    QTest::newRow("offset A json") << on(two, {"offset", "A", "--json"})
                                   << R"({"address":72,"chip":"A","offset":-12})"
                                      "\n";
    QTest::newRow("offset set") << on(two, {"offset", "A", "--set", "-5"}) << "";
    QTest::newRow("offset set with a plus sign") << on(two, {"offset", "A", "--set=+12", "--json"})
                                                 << R"({"address":72,"chip":"A","set":12})"
                                                    "\n";

    QTest::newRow("ping A") << on(two, {"ping", "A"}) << "0xD7\n";
    QTest::newRow("ping B json") << on(two, {"ping", "B", "--json"})
                                 << R"({"address":76,"chip":"B","fcs":124})"
                                    "\n";

    // The identifier block by hand: the write-phase FCS, the 16 bytes, the read-phase FCS. The
    // empty argument and "1G" are read as the panel reads its tokens: 0 and 1.
    QTest::newRow("xfer dib hex") << on(two, {"xfer", "A", "--write", "1", "--read", "16", "F7"})
                                  << "DC 1 10 D4 11 84 0 1 2 0 0 0 0 0 0 1 48 10\n";
    QTest::newRow("xfer dib dec") << on(two, {"xfer", "A", "--write=1", "--read=16", "--dec", "f7"})
                                  << "220 1 16 212 17 132 0 1 2 0 0 0 0 0 0 1 72 16\n";
    QTest::newRow("xfer read length 0 shows two bytes") << on(two, {"xfer", "A", "E0"}) << "D7 0\n";
    QTest::newRow("xfer json")
        << on(two, {"--json", "xfer", "B", "--write", "1", "--read", "2", "e0", "0x00", "1"})
        << R"({"address":76,"chip":"B","read":2,"reply":[156,0,0,0],"sent":[224,0,1],)"
           R"("write":1})"
           "\n";
}

void TestCliCommands::golden()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    const ToolRun run = runTool(args);
    QVERIFY2(run.status == 0, run.err.constData());
    QCOMPARE(QString::fromUtf8(run.out), expected);
    QVERIFY(run.err.isEmpty());
    if (args.contains("--json")) {
        QJsonParseError error;
        QJsonDocument::fromJson(run.out, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
    }
}

void TestCliCommands::failures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");

    QTest::newRow("firmware refused")
        << on("firmware-fails", {"scan"}) << 2
        << "zr410ab-cli: ZR410A/B could not be found. Please check USB connection.\n"
           "the board did not accept the firmware\n";
    QTest::newRow("no chip answers") << on("no-chips", {"scan"}) << 3
                                     << "zr410ab-cli: No chip answered at SST addresses 64 to "
                                        "95.\n";
    QTest::newRow("chip A missing") << on("only-b", {"temps", "A"}) << 3
                                    << "zr410ab-cli: ZR410A did not answer at SST addresses 64 "
                                       "to 95.\n";
    QTest::newRow("volts without chip B") << on("no-chips", {"volts"}) << 3
                                          << "zr410ab-cli: ZR410B did not answer at SST "
                                             "addresses 64 to 95.\n";
    QTest::newRow("board lost while watching")
        << on("pulled-after-scan", {"watch", "--interval", "1", "--count", "5"}) << 2
        << "zr410ab-cli: The evaluation board was lost: the USB cable was pulled\n";
    QTest::newRow("unreadable scenario")
        << QStringList{"--board", "sim", "--scenario", scenarioPath("missing"), "scan"} << 1
        << "--scenario: ";
    QTest::newRow("offset out of range")
        << on("two-chips", {"offset", "B", "--set", "1024"}) << 1 << "--set: ";
    QTest::newRow("log file cannot be created")
        << on("two-chips", {"log", "A", "/nonexistent-folder/x.sav", "--count", "1"}) << 4
        << "zr410ab-cli: cannot write the log /nonexistent-folder/x.sav: ";
}

void TestCliCommands::failures()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    const ToolRun run = runTool(args);
    QCOMPARE(run.status, status);
    QVERIFY2(QString::fromUtf8(run.err).startsWith(message) ||
                 QString::fromUtf8(run.err).contains(message),
             run.err.constData());
    if (message.endsWith('\n'))
        QCOMPARE(QString::fromUtf8(run.err), message);
}

void TestCliCommands::benchReportsBothFigures()
{
    const ToolRun text = runTool(on("two-chips", {"bench", "--count", "20"}));
    QCOMPARE(text.status, 0);
    const QStringList lines = QString::fromUtf8(text.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[0].startsWith("Board: sim, 20 runs each"));
    QVERIFY(lines[1].contains(QRegularExpression(R"(median [0-9.e+-]+ ms, p99 [0-9.e+-]+ ms$)")));
    QVERIFY(lines[2].startsWith("Tick (16 board requests"));

    const ToolRun json = runTool(on("two-chips", {"bench", "--count", "20", "--json"}));
    QCOMPARE(json.status, 0);
    const QJsonObject o = QJsonDocument::fromJson(json.out).object();
    QCOMPARE(o["runs"].toInt(), 20);
    QCOMPARE(o["tick"].toObject()["requests"].toInt(), 16);
    QVERIFY(o["tick"].toObject()["p99Ms"].toDouble() >=
            o["tick"].toObject()["medianMs"].toDouble());
    QCOMPARE(o["usbFullSpeedFloorMs"].toObject()["tick"].toDouble(), 16.0);
}

void TestCliCommands::watchAppendsRowsWhenNotOnATerminal()
{
    const ToolRun run = runTool(on("two-chips", {"watch", "--interval", "1", "--count", "2"}));
    QCOMPARE(run.status, 0);
    const QString row = "ZR410A  72       25.12°C     19.25°C     -12\n"
                        "ZR410B  76       -.1199951°C 40.25°C     0       12.1    5.02    3.3     "
                        "2.5     1.2\n";
    QCOMPARE(QString::fromUtf8(run.out),
             "Chip    Address  Internal    External    Offset  12V     5V      Vcc     2.5V    "
             "Vccp\n" +
                 row + row);

    const ToolRun json = runTool(on("only-b", {"watch", "B", "--count", "2", "--json"}));
    QCOMPARE(json.status, 0);
    const QList<QByteArray> lines = json.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[1], QByteArray(R"({"readings":[{"12V":12,"2.5V":2.5,"5V":5,"Vcc":3.3,)"
                                  R"("Vccp":1.2,"address":95,"chip":"B","external":31,)"
                                  R"("internal":25,"offset":0}],"sample":2})"));
}

QTEST_GUILESS_MAIN(TestCliCommands)
#include "test_cli_commands.moc"
