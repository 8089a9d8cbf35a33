// A board read that fails leaves the transfer buffer as it was: stale bytes, often the request
// frame itself. The tool must not print or log those as readings.

#include "cli_in_process.h"

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
    void logLeavesFailedReadingsOut();
    void watchLeavesFailedRowsOut();
};

namespace {

// Chips A at 72 and B at 76 answer the scan; every read reports failure with -7 (a time-out),
// its buffer holding whatever the responder wrote, as a board library may leave it.
void failEveryRead(RecordingBoard& board)
{
    answerScan(board);
    board.requestResult = -7;
}

} // namespace

void TestCliFailedReads::singleReadsExitWithTheReason_data()
{
    QTest::addColumn<std::vector<std::string>>("args");
    QTest::addColumn<QString>("message");
    using V = std::vector<std::string>;
    QTest::newRow("temps") << V{"temps", "A"}
                           << "zr410ab-cli: ZR410A: the temperatures could not be read (board "
                              "result -7); nothing was printed.\n";
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

void TestCliFailedReads::logLeavesFailedReadingsOut()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("gaps.sav").toStdString();
    RecordingBoard board;
    failEveryRead(board);
    const CliRun run =
        runCliInProcess({"log", "A", path, "--count", "2", "--interval", "1"}, &board);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, "0 records written to " + path + "; 2 readings failed and left no record\n");
    QCOMPARE(QString::fromStdString(run.err).count("no record was written."), 2);

    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    QCOMPARE(QString::fromStdString(content.str()).count("\r\n"), 3); // the header alone
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

QTEST_GUILESS_MAIN(TestCliFailedReads)
#include "test_cli_failed_reads.moc"
