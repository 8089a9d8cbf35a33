// SPDX-License-Identifier: MIT
// Logs written by the log writer (and read off the simulated board) come back as the chart's
// traces: on the right clock, with their gaps, markers and notes, and with the very figures the
// tool and Python give for the same records.

#include "board/address_scan.h"
#include "board/sim/simulated_board.h"
#include "board/sst_stuff.h"
#include "logging/log_session.h"
#include "logging/take_readings.h"
#include "viewer/log_figures.h"
#include "viewer/run_difference.h"

#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <fstream>

using namespace zr;
using namespace std::chrono;
namespace lg = zr::logging;

namespace {

// A whole second, so the header's start time (to the second) is the log's exact start.
const system_clock::time_point kStarted = system_clock::time_point{} + seconds{1796745670};
constexpr int kRecords = 40;

struct Written {
    std::vector<std::int64_t> recordMs; // each record's wall time, ms since the epoch
    std::int64_t markerRecord = 0;
};

// kRecords records of made-up readings; the board pauses `pauseMs` before record 20, the offset
// is written before record 10, and External Offset is ticked from `offsetFrom` on (-1: never).
Written writeLog(const std::string& path, Chip chip, int pauseMs, int offsetFrom)
{
    lg::LogOptions options;
    lg::LogSession session(path, chip, options, kStarted, milliseconds{250},
                           {72, "Simulated board", ""}, nullptr);
    Written written;
    const steady_clock::time_point steady0 = steady_clock::now();
    for (int r = 0; r < kRecords; ++r) {
        const milliseconds at{250 * (r + 1) + (r >= 20 ? pauseMs : 0)};
        options.externalOffset = offsetFrom >= 0 && r >= offsetFrom;
        if (r == 10) {
            session.note(offsetWritten(chip, 5));
            written.markerRecord = r;
        }
        lg::Readings readings;
        readings.intTemp = 25.0f + 0.25f * static_cast<float>(r % 7);
        readings.extTemp = 31.5f - 0.125f * static_cast<float>(r % 11);
        readings.extOffset = r / 4;
        for (int i = 0; i < kRailCount; ++i)
            readings.voltages[i] =
                12.0f / static_cast<float>(i + 1) + 0.01f * static_cast<float>(r % 3);
        session.writeRecord(options, readings, steady0 + at, kStarted + at);
        written.recordMs.push_back(
            duration_cast<milliseconds>((kStarted + at).time_since_epoch()).count());
    }
    session.close(kStarted + seconds{60});
    return written;
}

std::int64_t startMs()
{
    return duration_cast<milliseconds>(kStarted.time_since_epoch()).count();
}

void compareFigures(const lg::ColumnStatistics& viewer, const lg::ColumnStatistics& tool)
{
    QCOMPARE(viewer.count, tool.count);
    for (const lg::FigureField& field : lg::kFigureFields) {
        const auto a = lg::figureOf(viewer, field);
        const auto b = lg::figureOf(tool, field);
        if (a != b) // not close: the same doubles
            QFAIL(qPrintable(QStringLiteral("%1 %2: %3 against %4")
                                 .arg(QString::fromStdString(viewer.name), field.name)
                                 .arg(a.value_or(NAN), 0, 'g', 17)
                                 .arg(b.value_or(NAN), 0, 'g', 17)));
    }
}

} // namespace

class TestViewerCore : public QObject {
    Q_OBJECT

private slots:
    void loadsWhatTheWriterWrote_data();
    void loadsWhatTheWriterWrote();
    void differenceOfTwoRunsShowsTheOffsetWritten();
};

void TestViewerCore::loadsWhatTheWriterWrote_data()
{
    QTest::addColumn<Chip>("chip");
    QTest::addColumn<bool>("events");    // the events file stays beside the log
    QTest::addColumn<int>("offsetFrom"); // External Offset ticked from this record on
    QTest::addColumn<QString>("damage"); // "cut": the last line's end gone; "garbled": record 20
    QTest::addColumn<bool>("cancel");    // the progress callback says stop half-way
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<int>("records");
    QTest::addColumn<QList<int>>("skipped"); // first, end
    QTest::addColumn<int>("columns");

    const QString events = "Times from the events file.";
    const QString header = "Times from the start time in the header, 250 ms per record.";
    const QString blind = "Without its events file, a change between two option sets with the "
                          "same number of columns cannot be seen.";
    // The 1 s pause before record 20 shows only in the events file's times.
    QTest::newRow("A, events: anchored") << Chip::A << true << -1 << QString() << false
                                         << QStringList{events} << 40 << QList<int>{} << 2;
    QTest::newRow("A, no events: nominal") << Chip::A << false << -1 << QString() << false
                                           << QStringList{header, blind} << 40 << QList<int>{} << 2;
    QTest::newRow("B, events, a column added part-way")
        << Chip::B << true << 30 << QString() << false << QStringList{events} << 40 << QList<int>{}
        << 8;
    QTest::newRow("B, no events, a column added part-way")
        << Chip::B << false << 30 << QString() << false
        << QStringList{header,
                       "10 records (lines 34\u201343, 00:00:07.750\u201300:00:10.000) do not match "
                       "the header's columns and are left out.",
                       blind}
        << 40 << QList<int>{30, 40} << 7;
    QTest::newRow("B, no events, one record of another shape")
        << Chip::B << false << 39 << QString() << false
        << QStringList{header,
                       "1 record (line 43, 00:00:10.000) does not match the header's columns and "
                       "is left out.",
                       blind}
        << 40 << QList<int>{39, 40} << 7;
    QTest::newRow("A, cut off, events")
        << Chip::A << true << -1 << QString("cut") << false
        << QStringList{events,
                       "Reading stopped at line 43: cut off: the last line has no line end."}
        << 39 << QList<int>{} << 2;
    QTest::newRow("B, no events, a line that is no record")
        << Chip::B << false << -1 << QString("garbled") << false
        << QStringList{header,
                       "Reading stopped at line 24: no ',' between the temperatures and the rails.",
                       blind}
        << 20 << QList<int>{} << 7;
    QTest::newRow("A, cancelled") << Chip::A << true << -1 << QString() << true << QStringList{}
                                  << 0 << QList<int>{} << 0;
}

void TestViewerCore::loadsWhatTheWriterWrote()
{
    QFETCH(Chip, chip);
    QFETCH(bool, events);
    QFETCH(int, offsetFrom);
    QFETCH(QString, damage);
    QFETCH(bool, cancel);
    QFETCH(QStringList, notes);
    QFETCH(int, records);
    QFETCH(QList<int>, skipped);
    QFETCH(int, columns);

    QTemporaryDir dir;
    const std::string path = dir.filePath("run.sav").toStdString();
    const Written written = writeLog(path, chip, 1000, offsetFrom);
    if (!events)
        std::filesystem::remove(path + ".events");
    if (damage == "cut") {
        std::filesystem::resize_file(path, std::filesystem::file_size(path) - 3);
    } else if (damage == "garbled") {
        std::string text = lg::readLogText(path);
        std::size_t at = 0;
        for (int line = 0; line < 3 + 20; ++line)
            at = text.find('\n', at) + 1;
        text.replace(at, text.find('\r', at) - at, "25.5;31");
        std::ofstream(path, std::ios::binary) << text;
    }

    std::vector<double> shares;
    const auto loaded = viewer::loadLog(path, [&](double done) {
        shares.push_back(done);
        return !cancel || done < 0.5;
    });
    QVERIFY(std::is_sorted(shares.begin(), shares.end()));
    if (cancel) {
        QVERIFY(!loaded);
        return;
    }
    QVERIFY(loaded);
    QCOMPARE(shares.back(), 1.0);
    QStringList got;
    for (const std::string& note : loaded->notes)
        got << QString::fromStdString(note);
    QCOMPARE(got, notes);
    QCOMPARE(loaded->records, records);
    QCOMPARE(loaded->hasEvents, events);
    QCOMPARE(loaded->timing,
             events ? viewer::RecordTiming::Anchored : viewer::RecordTiming::Nominal);
    QCOMPARE(loaded->startMs, startMs());
    QList<int> gotSkipped;
    for (const viewer::SkippedRecords& s : loaded->skipped)
        gotSkipped << int(s.first) << int(s.end);
    QCOMPARE(gotSkipped, skipped);
    QCOMPARE(int(loaded->columns.size()), columns);

    // Every record at its time: the wall clock it was taken at, or 250 ms apart.
    const auto recordMs = [&](int r) {
        return events ? written.recordMs[r] : startMs() + 250 * (r + 1);
    };
    const chart::TraceStore& internal = *loaded->columns.front().samples;
    QCOMPARE(int(internal.size()), records - (skipped.isEmpty() ? 0 : skipped[1] - skipped[0]));
    for (std::size_t i = 0; i < internal.size(); ++i) {
        const int r =
            int(i) + (!skipped.isEmpty() && int(i) >= skipped[0] ? skipped[1] - skipped[0] : 0);
        QCOMPARE(internal.time(i), recordMs(r));
        // The line breaks only where records are missing in time.
        QCOMPARE(internal.gapBefore(i), i > 0 && internal.time(i) - internal.time(i - 1) > 250);
    }
    QCOMPARE(int(loaded->markers.size()), events ? 1 : 0);
    if (events)
        QCOMPARE(loaded->markers.front().timeMs, recordMs(int(written.markerRecord)));

    // The same figures as the tool's and Python's reading of the same records (which stops at
    // the first record of another shape where the viewer leaves it out), whole and in part.
    const lg::LogWithEvents tool = lg::readLogWithEvents(path, lg::SavMode::Partial);
    const std::vector<double> times = tool.events
                                          ? lg::anchoredRecordTimes(*tool.events, tool.log.records)
                                          : lg::nominalRecordTimes(tool.log.records);
    for (const auto& [from, to] : {std::pair{0.0, times.back()}, std::pair{2.0, 6.25}}) {
        const auto figures = lg::logStatistics(tool.log, times, lg::recordSpan(times, from, to));
        for (const lg::ColumnStatistics& expected : *figures) {
            const auto column =
                std::find_if(loaded->columns.begin(), loaded->columns.end(),
                             [&](const auto& c) { return c.name == expected.name; });
            QVERIFY(column != loaded->columns.end());
            compareFigures(viewer::columnFigures(*loaded, *column,
                                                 startMs() + std::llround(from * 1000),
                                                 startMs() + std::llround(to * 1000)),
                           expected);
            if (QTest::currentTestFailed())
                return;
        }
    }
}

// Two runs of the same board, the second writing an external offset of 3 part-way and started
// an hour later; the first paused a second before record 25, so four of the second run's records
// have nothing to be compared with.
void TestViewerCore::differenceOfTwoRunsShowsTheOffsetWritten()
{
    QTemporaryDir dir;
    std::vector<viewer::LoadedLog> runs;
    for (int run = 0; run < 2; ++run) {
        sim::Scenario scenario;
        sim::ChipConfig chip;
        chip.address = 76;
        chip.kind = Chip::B;
        chip.tempRaw = std::array<std::uint16_t, 2>{1600, 1984};
        chip.voltRaw = std::array<std::uint16_t, 5>{12288, 5120, 3379, 2560, 1229};
        scenario.chips = {chip};
        sim::SimulatedBoard board(scenario);
        DeviceState state;
        QVERIFY(ScanForChips(state, board).found(Chip::B));
        const std::string path = dir.filePath(QString("run%1.sav").arg(run)).toStdString();
        const system_clock::time_point started = kStarted + hours{run};
        const steady_clock::time_point steady0 = steady_clock::now();
        lg::LogOptions options;
        lg::LogSession session(path, Chip::B, options, started, milliseconds{250}, {76, "", ""},
                               nullptr);
        for (int r = 0; r < kRecords; ++r) {
            if (run == 1 && r == 20) {
                QVERIFY(SSTStuff::SSTSetExtOffset(state, board, 3) >= 0);
                session.note(offsetWritten(Chip::B, 3));
            }
            const milliseconds at{250 * (r + 1) + (run == 0 && r >= 25 ? 1000 : 0)};
            session.writeRecord(options, lg::takeReadings(state, board, Chip::B).values,
                                steady0 + at, started + at);
        }
        session.close(started + seconds{60});
        runs.push_back(std::move(*viewer::loadLog(path)));
    }
    const auto external = [](const viewer::LoadedLog& log) -> const chart::TraceStore& {
        return *log.columns.at(1).samples;
    };
    QCOMPARE(runs[0].columns.at(1).name, std::string("External"));
    const auto difference = viewer::runDifference(external(runs[0]), runs[0].startMs,
                                                  external(runs[1]), runs[1].startMs);
    QCOMPARE(int(difference->size()), kRecords - 4);
    for (std::size_t i = 0; i < difference->size(); ++i) {
        const std::int64_t ms = difference->time(i) - runs[0].startMs;
        QCOMPARE(difference->value(i), ms < 250 * 21 ? 0.0f : 3.0f);
        QCOMPARE(difference->gapBefore(i), ms == 250 * 30);
    }
    const chart::SpanStatistics s = difference->statistics(0, difference->size());
    QCOMPARE(std::pair(s.min, s.max), std::pair(0.0f, 3.0f));
}

QTEST_GUILESS_MAIN(TestViewerCore)
#include "test_viewer_core.moc"
