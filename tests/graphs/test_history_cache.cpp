// SPDX-License-Identifier: MIT
// Older history in the cache file: a trace whose old samples left memory reads exactly as one
// that kept them all (values, times, searches, extremes, statistics bit for bit), costs a small
// share of the memory, and survives a failing or refused cache file with a word in the chart's
// status line and one message.

#include "graphs/strip_chart/strip_chart.h"
#include "graphs/strip_chart/trace_store.h"
#include "support/fake_services.h"

#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <memory>
#include <random>

using namespace zr::chart;

namespace {

constexpr std::int64_t kStartMs = 1'796'000'000'000;
constexpr std::int64_t kMinuteMs = 60'000;

// A real cache file in a scratch folder that can be made to fail after some writes or reads.
struct FileFaults {
    int writesBeforeFailing = -1; // -1: never
    int readsBeforeFailing = -1;
    int discards = 0;
};

class FaultyFile : public CacheFile {
public:
    FaultyFile(std::unique_ptr<CacheFile> real, FileFaults& faults)
        : real_(std::move(real)), faults_(faults)
    {
    }
    bool writeAt(std::uint64_t offset, const void* data, std::size_t size) override
    {
        return spend(faults_.writesBeforeFailing) && real_->writeAt(offset, data, size);
    }
    bool readAt(std::uint64_t offset, void* data, std::size_t size) override
    {
        return spend(faults_.readsBeforeFailing) && real_->readAt(offset, data, size);
    }
    void discard() override
    {
        ++faults_.discards;
        real_->discard();
    }

private:
    static bool spend(int& left) { return left < 0 || left-- > 0; }
    std::unique_ptr<CacheFile> real_;
    FileFaults& faults_;
};

HistoryPolicy policyIn(const QString& folder, FileFaults& faults, bool memoryFileSystem = false)
{
    HistoryPolicy p;
    p.inMemoryMs = 10 * kMinuteMs;
    const std::string path = folder.toStdString();
    p.openFile = [path, &faults, memoryFileSystem](std::string& why) -> std::unique_ptr<CacheFile> {
        auto real = openCacheFileIn(
            path, [memoryFileSystem](const std::string&) { return memoryFileSystem; }, why);
        if (!real)
            return nullptr;
        return std::make_unique<FaultyFile>(std::move(real), faults);
    };
    return p;
}

// Temperatures at 250 ms with timer jitter, the odd spike, a lost board now and then.
void feed(std::vector<TraceStore*> stores, int count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<float> noise(25.0f, 0.01f);
    std::uniform_int_distribution<int> jitter(-20, 20);
    std::int64_t t = kStartMs;
    for (int i = 0; i < count; ++i) {
        t += i % 20'011 == 20'010 ? 90'000 : 250 + jitter(rng);
        const float v = i % 7'919 == 3 ? 90.0f : noise(rng);
        for (TraceStore* s : stores)
            QVERIFY(s->append(t, v));
    }
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

class HistoryCacheTest : public QObject {
    Q_OBJECT
private slots:
    void oldSamplesReadAsIfKept();
    void aFailingCacheFileLeavesTheRestStanding_data();
    void aFailingCacheFileLeavesTheRestStanding();
    void theChartSaysSoOnce();
};

void HistoryCacheTest::oldSamplesReadAsIfKept()
{
    QTemporaryDir dir;
    FileFaults faults;
    HistoryPolicy everything;
    everything.inMemoryMs = std::numeric_limits<std::int64_t>::max();
    TraceStore kept(everything);
    TraceStore spilled(policyIn(dir.path(), faults));
    spilled.setGapMs(625);
    kept.setGapMs(625);
    feed({&kept, &spilled}, 300'000, 5);
    QVERIFY(spilled.spilled() > 200'000);
    QCOMPARE(spilled.history(), TraceStore::History::Whole);
    // The old part costs a small share of what it did in memory.
    QVERIFY2(spilled.bytesUsed() < kept.bytesUsed() / 4,
             qPrintable(QString("%1 of %2 bytes").arg(spilled.bytesUsed()).arg(kept.bytesUsed())));

    const std::size_t n = kept.size();
    QCOMPARE(spilled.size(), n);
    for (std::size_t i = 0; i < n; i += 97) {
        QCOMPARE(spilled.value(i), kept.value(i));
        QCOMPARE(spilled.time(i), kept.time(i));
        QCOMPARE(spilled.gapBefore(i), kept.gapBefore(i));
    }
    // Spans wholly old, across the memory's edge, wholly new, tiny and huge.
    std::mt19937 rng(9);
    const std::size_t edge = spilled.spilled();
    std::uniform_int_distribution<std::size_t> old(0, edge - 1), recent(edge, n - 1), any(0, n - 1);
    for (int q = 0; q < 400; ++q) {
        std::size_t a = q % 3 == 0 ? old(rng) : any(rng);
        std::size_t b = q % 3 == 1 ? recent(rng) : any(rng);
        if (q % 5 == 0)
            b = a + q % 40;
        if (a > b)
            std::swap(a, b);
        b = std::min(b + 1, n);
        const SpanStatistics s = spilled.statistics(a, b), k = kept.statistics(a, b);
        QCOMPARE(s.count, k.count);
        QVERIFY(sameBits(s.mean, k.mean));
        QVERIFY(sameBits(s.squaredDeviations, k.squaredDeviations));
        QCOMPARE(s.minIndex, k.minIndex);
        QCOMPARE(s.maxIndex, k.maxIndex);
        QCOMPARE(spilled.minMax(a, b).min, kept.minMax(a, b).min);
        QCOMPARE(spilled.minMax(a, b).max, kept.minMax(a, b).max);
        const std::int64_t t = kStartMs + static_cast<std::int64_t>(any(rng)) * 251;
        QCOMPARE(spilled.lowerBound(t), kept.lowerBound(t));
        QCOMPARE(spilled.nextGapAfter(a), kept.nextGapAfter(a));
    }

    // Cleared history leaves the file as well, and a fresh one spills again.
    spilled.clear();
    QCOMPARE(faults.discards, 1);
    QCOMPARE(spilled.spilled(), std::size_t{0});
    kept.clear();
    feed({&kept, &spilled}, 60'000, 6);
    QVERIFY(spilled.spilled() > 0);
    for (std::size_t i = 0; i < kept.size(); i += 101)
        QCOMPARE(spilled.value(i), kept.value(i));
}

void HistoryCacheTest::aFailingCacheFileLeavesTheRestStanding_data()
{
    QTest::addColumn<int>("writes");
    QTest::addColumn<int>("reads");
    QTest::addColumn<bool>("memoryFileSystem");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("reason");
    QTest::newRow("disk full at once")
        << 0 << -1 << false << int(TraceStore::History::Incomplete) << "could not be written";
    QTest::newRow("disk full later")
        << 40 << -1 << false << int(TraceStore::History::Incomplete) << "could not be written";
    QTest::newRow("file unreadable")
        << -1 << 3 << false << int(TraceStore::History::Incomplete) << "could not be read";
    QTest::newRow("folder on tmpfs")
        << -1 << -1 << true << int(TraceStore::History::InMemory) << "tmpfs";
}

void HistoryCacheTest::aFailingCacheFileLeavesTheRestStanding()
{
    QFETCH(int, writes);
    QFETCH(int, reads);
    QFETCH(bool, memoryFileSystem);
    QFETCH(int, expected);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    FileFaults faults{writes, reads};
    HistoryPolicy everything;
    everything.inMemoryMs = std::numeric_limits<std::int64_t>::max();
    TraceStore kept(everything);
    TraceStore store(policyIn(dir.path(), faults, memoryFileSystem));
    feed({&kept, &store}, 200'000, 7); // every sample taken, whatever the file does
    const std::size_t n = kept.size();
    QCOMPARE(store.size(), n);
    for (std::size_t i = 0; i < n; i += 37)
        QVERIFY(std::isfinite(store.value(i))); // read, lost or not
    QCOMPARE(int(store.history()), expected);
    QVERIFY2(QString::fromStdString(store.historyReason()).contains(reason),
             store.historyReason().c_str());
    // What is still in memory reads exactly as ever.
    const std::size_t from = std::max(store.spilled(), n - 20'000);
    const SpanStatistics s = store.statistics(from, n), k = kept.statistics(from, n);
    QVERIFY(sameBits(s.mean, k.mean) && s.count == k.count && s.maxIndex == k.maxIndex);
    for (std::size_t i = from; i < n; i += 13)
        QCOMPARE(store.time(i), kept.time(i));
}

void HistoryCacheTest::theChartSaysSoOnce()
{
    QTemporaryDir dir;
    FileFaults faults{2, -1};
    const HistoryPolicy before = defaultHistoryPolicy();
    defaultHistoryPolicy() = policyIn(dir.path(), faults);
    StripChart chart;
    zr::test::FakeFileChooser files;
    zr::test::FakePrompts prompts;
    chart.setDialogs(files, prompts);
    chart.resize(400, 200);
    const int a = chart.addTrace(Qt::red, "Internal");
    const int b = chart.addTrace(Qt::blue, "External");
    defaultHistoryPolicy() = before;
    QVERIFY(chart.historyStatus().isEmpty());
    std::int64_t t = kStartMs;
    for (int i = 0; i < 120'000; ++i) {
        t += 250;
        QVERIFY(chart.addSample(a, t, 20 + i % 7));
        QVERIFY(chart.addSample(b, t, 30 + i % 5));
        if (i % 10'000 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    QVERIFY(chart.historyStatus().contains("no longer complete"));
    QVERIFY(!chart.historyStatusBox().isEmpty());
    QCOMPARE(prompts.messages.size(), 1);
    QVERIFY(prompts.messages.front().text.contains("no longer complete"));
    chart.renderPlot(); // old history drawn from what is left
}

QTEST_MAIN(HistoryCacheTest)
#include "test_history_cache.moc"
