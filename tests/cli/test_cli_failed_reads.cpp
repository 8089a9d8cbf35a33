// SPDX-License-Identifier: MIT
// A board read that fails leaves the transfer buffer as it was: stale bytes, often the request
// frame itself. The tool must not print or log those as readings.

#include "cli_in_process.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

using namespace zr;
using namespace zr::test;

Q_DECLARE_METATYPE(std::vector<std::string>)

class TestCliFailedReads : public QObject {
    Q_OBJECT
private slots:
    void singleReadsExitWithTheReason_data();
    void singleReadsExitWithTheReason();
    void logCountsRecordsAndFailsOnGaps_data();
    void logCountsRecordsAndFailsOnGaps();
    void jsonNamesAnyFileReversibly();
    void watchLeavesFailedRowsOut();
    void boardFaultsAreNotChipFaults_data();
    void boardFaultsAreNotChipFaults();
};

namespace {

const char* const kStall = "the board refused the request (stall)";

// Chips A at 72 and B at 76 answer the scan; every later request is refused (a stall), its
// buffer holding whatever the responder wrote, as a board library may leave it.
void failEveryRead(RecordingBoard& board)
{
    answerScan(board);
    board.goodRequests = 64;
    board.requestResult = -7;
    board.reason = kStall;
}

} // namespace

void TestCliFailedReads::singleReadsExitWithTheReason_data()
{
    QTest::addColumn<std::vector<std::string>>("args");
    QTest::addColumn<QString>("message");
    using V = std::vector<std::string>;
    QTest::newRow("temps") << V{"temps", "A"}
                           << "zr410ab-cli: ZR410A: the temperatures could not be read: the "
                              "board refused the request (stall); nothing was printed.\n";
    QTest::newRow("dib") << V{"dib", "B", "--json"} << "ZR410B: the identifier block could";
    QTest::newRow("volts") << V{"volts"} << "ZR410B: the voltages could";
    QTest::newRow("offset") << V{"offset", "A"} << "ZR410A: the external offset could";
    QTest::newRow("offset write") << V{"offset", "A", "--set", "5"}
                                  << "the offset may not have been written.";
    QTest::newRow("ping") << V{"ping", "B"} << "ZR410B: the ping reply could";
    QTest::newRow("xfer") << V{"xfer", "A", "--read", "2", "E0"} << "ZR410A: the reply could";
    QTest::newRow("bench") << V{"bench", "--count", "3"} << "the benchmark stopped.";
}

void TestCliFailedReads::singleReadsExitWithTheReason()
{
    QFETCH(std::vector<std::string>, args);
    QFETCH(QString, message);
    RecordingBoard board;
    failEveryRead(board);
    const CliRun run = runCliInProcess(args, &board);
    QCOMPARE(run.status, 2);
    QVERIFY2(QString::fromStdString(run.err).contains(message), run.err.c_str());
    QCOMPARE(run.out, std::string());
}

namespace {

// Every `period`-th temperature read fails (0: none, 1: all), starting with the first.
void failTemperatureReads(RecordingBoard& board, int period)
{
    answerScan(board);
    board.onlyReadsFail = true;
    auto scan = board.responder;
    board.responder = [&board, scan, period,
                       reads = 0](const std::vector<std::uint8_t>& frame) mutable {
        board.requestResult = 64;
        if (frame.size() >= 4 && frame[3] == 0 && frame[2] == 4 && period > 0 &&
            reads++ % period == 0)
            board.requestResult = -7;
        return scan(frame);
    };
}

std::string fileContent(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace

void TestCliFailedReads::logCountsRecordsAndFailsOnGaps_data()
{
    QTest::addColumn<int>("failPeriod");
    QTest::addColumn<std::vector<std::string>>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("failed");
    using V = std::vector<std::string>;
    QTest::newRow("no failure") << 0 << V{"--count", "3"} << 0 << 3 << 0;
    QTest::newRow("every second reading fails") << 2 << V{"--count", "3"} << 2 << 3 << 3;
    QTest::newRow("gaps kept going") << 2 << V{"--count", "3", "--keep-going"} << 0 << 3 << 3;
    // A chip that never answers ends the log rather than waiting for records that never come.
    QTest::newRow("every reading fails") << 1 << V{"--count", "2"} << 2 << 0 << 20;
    QTest::newRow("every reading fails, kept going")
        << 1 << V{"--duration", "0.1", "--keep-going"} << 0 << 0 << -1;
}

void TestCliFailedReads::logCountsRecordsAndFailsOnGaps()
{
    QFETCH(int, failPeriod);
    QFETCH(std::vector<std::string>, options);
    QFETCH(int, status);
    QFETCH(int, records);
    QFETCH(int, failed);
    QTemporaryDir dir;
    const std::string path = dir.filePath("gaps.sav").toStdString();
    RecordingBoard board;
    failTemperatureReads(board, failPeriod);
    std::vector<std::string> args{"log", "A", path, "--interval", "1", "--json"};
    args.insert(args.end(), options.begin(), options.end());
    const CliRun run = runCliInProcess(args, &board);
    QCOMPARE(run.status, status);
    const QJsonObject closing =
        QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    QCOMPARE(closing["records"].toInt(), records);
    const int failedReadings = closing["failedReadings"].toInt();
    QCOMPARE(QString::fromStdString(run.err).count("no record was written."), failedReadings);
    if (failed >= 0)
        QCOMPARE(failedReadings, failed);
    else
        QVERIFY(failedReadings > 0);
    QCOMPARE(QString::fromStdString(fileContent(path)).count("\r\n"), 3 + records);
}

// A file name that is not UTF-8 cannot be a JSON string: it is escaped so that printf '%b' gives
// the bytes back, instead of being replaced by U+FFFD.
void TestCliFailedReads::jsonNamesAnyFileReversibly()
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string path = folder + "/r\xFCn\\1.sav";
    RecordingBoard board;
    failTemperatureReads(board, 0);
    const CliRun run = runCliInProcess({"log", "A", path, "--count", "1", "--json"}, &board);
    QCOMPARE(run.status, 0);
    const QJsonObject closing =
        QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    QCOMPARE(closing["file"].toString().toStdString(), folder + "/r\\xFCn\\\\1.sav");
    QCOMPARE(closing["fileEscaped"].toBool(), true);
    QVERIFY(!fileContent(path).empty());
}

void TestCliFailedReads::watchLeavesFailedRowsOut()
{
    RecordingBoard board;
    failEveryRead(board);
    const CliRun run = runCliInProcess({"watch", "--count", "2", "--interval", "1"}, &board);
    QCOMPARE(run.status, 0);
    QVERIFY2(QString::fromStdString(run.out).startsWith("Chip "), run.out.c_str());
    QCOMPARE(QString::fromStdString(run.out).count('\n'), 1); // no row, only the header
    QCOMPARE(QString::fromStdString(run.err).count("its row was left out."), 4);
}

// Exit 3 means the scan ran cleanly and the chip was not there; anything the board failed is a
// board fault (exit 2) and says the board's words, also in --json.
void TestCliFailedReads::boardFaultsAreNotChipFaults_data()
{
    QTest::addColumn<std::vector<std::string>>("args");
    QTest::addColumn<QString>("board"); // how it fails
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    using V = std::vector<std::string>;
    const QString failedScan = "the board failed 32 of the 32 probes of the scan for chips (the "
                               "board refused the request (stall)).";
    QTest::newRow("refuses the scan")
        << V{"temps", "B"} << "stalls" << 2 << "zr410ab-cli: ZR410B was not found: " + failedScan;
    QTest::newRow("refuses the scan, scan")
        << V{"scan"} << "stalls" << 2 << "zr410ab-cli: No chip was found: " + failedScan;
    QTest::newRow("stops answering in the scan")
        << V{"ping", "A"} << "hangs" << 2
        << "zr410ab-cli: The evaluation board is not responding: the board did not answer "
           "within 250 ms\n";
    QTest::newRow("in JSON")
        << V{"temps", "B", "--json"} << "stalls" << 2
        << R"j({"error":"ZR410B was not found: )j" + failedScan +
               R"j(","fault":"board","reason":"the board refused the request (stall)","status":2})j";
    QTest::newRow("read fails, in JSON")
        << V{"--json", "volts"} << "stalls after the scan" << 2
        << R"j({"error":"ZR410B: the voltages could not be read: the board refused the request )j"
           R"j((stall); nothing was printed.","fault":"board","reason":"the board refused the )j"
           R"j(request (stall)","status":2})j";
    QTest::newRow("chip really missing") << V{"temps", "B"} << "answers" << 3
                                         << "zr410ab-cli: ZR410B did not answer at SST addresses "
                                            "64 to 95.\n";
    QTest::newRow("chip really missing, in JSON")
        << V{"temps", "B", "--json"} << "answers" << 3
        << R"j({"error":"ZR410B did not answer at SST addresses 64 to 95.","fault":"chip",)j"
           R"j("status":3})j";
}

void TestCliFailedReads::boardFaultsAreNotChipFaults()
{
    QFETCH(std::vector<std::string>, args);
    QFETCH(QString, board);
    QFETCH(int, status);
    QFETCH(QString, message);
    RecordingBoard b;
    answerScan(b, 72, board == "answers" ? 0 : 76);
    b.reason = kStall;
    if (board == "stalls") {
        b.requestResult = -1;
    } else if (board == "stalls after the scan") {
        failEveryRead(b);
    } else if (board == "hangs") {
        b.loseAfterRequests = 10;
        b.notResponding = true;
        b.reason = "the board did not answer within 250 ms";
    }
    const CliRun run = runCliInProcess(args, &b);
    QCOMPARE(run.status, status);
    QVERIFY2(QString::fromStdString(run.err).contains(message), run.err.c_str());
    QCOMPARE(run.out, std::string());
}

QTEST_GUILESS_MAIN(TestCliFailedReads)
#include "test_cli_failed_reads.moc"
