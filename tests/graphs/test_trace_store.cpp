// SPDX-License-Identifier: MIT
// The sample store: times come back exactly, searches agree with a linear scan, range extremes
// and statistics agree with a pass over the range, and a day of samples fits in 8 bytes each.

#include "graphs/strip_chart/trace_store.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using zr::chart::TimeIndex;
using zr::chart::TraceStore;

namespace {

enum class Pattern { Regular, Jitter, WildJitter, RateChanges, ClockStepsBack, Bursts, Gaps };

// Sample times as a timer would deliver them, starting at a realistic epoch time.
std::vector<std::int64_t> sampleTimes(Pattern pattern, int count, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::int64_t> times;
    std::int64_t t = 1'796'000'000'000;
    std::int64_t step = 250;
    for (int i = 0; i < count; ++i) {
        switch (pattern) {
        case Pattern::Regular:
            t += step;
            break;
        case Pattern::Jitter:
            t += step + std::uniform_int_distribution<int>(-15, 15)(rng);
            break;
        case Pattern::WildJitter:
            t += std::uniform_int_distribution<int>(0, 900)(rng);
            break;
        case Pattern::RateChanges:
            if (i % 97 == 0)
                step = std::uniform_int_distribution<int>(1, 2000)(rng);
            t += step;
            break;
        case Pattern::ClockStepsBack:
            t += (i % 50 == 49) ? -3000 : step;
            break;
        case Pattern::Bursts:
            t += (i % 5 == 0) ? 250 : 0; // several samples on one millisecond
            break;
        case Pattern::Gaps:
            t += (i % 100 == 99) ? 3'600'000 : step;
            break;
        }
        times.push_back(t);
    }
    return times;
}

} // namespace

class TraceStoreTest : public QObject {
    Q_OBJECT
private slots:
    void timesComeBackExactly_data();
    void timesComeBackExactly();
    void minMaxMatchesAPassOverTheRange();
    void statisticsMatchATwoPassComputation_data();
    void statisticsMatchATwoPassComputation();
    void valuesThatCannotBePlotted();
    void aDayOfSamplesFitsInEightBytesEach_data();
    void aDayOfSamplesFitsInEightBytesEach();
};

void TraceStoreTest::timesComeBackExactly_data()
{
    QTest::addColumn<int>("pattern");
    QTest::newRow("regular 250 ms") << int(Pattern::Regular);
    QTest::newRow("timer jitter") << int(Pattern::Jitter);
    QTest::newRow("irregular beyond corrections") << int(Pattern::WildJitter);
    QTest::newRow("rate changes") << int(Pattern::RateChanges);
    QTest::newRow("clock steps back") << int(Pattern::ClockStepsBack);
    QTest::newRow("several samples per millisecond") << int(Pattern::Bursts);
    QTest::newRow("hour-long gaps") << int(Pattern::Gaps);
}

void TraceStoreTest::timesComeBackExactly()
{
    QFETCH(int, pattern);
    const std::vector<std::int64_t> given = sampleTimes(Pattern(pattern), 5000, 7);
    TimeIndex index;
    std::vector<std::int64_t> expected; // a clock that steps back holds at the last time
    for (std::int64_t t : given) {
        index.append(t);
        expected.push_back(expected.empty() ? t : std::max(t, expected.back()));
    }
    QCOMPARE(index.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        QCOMPARE(index.time(i), expected[i]);

    std::mt19937 rng(11);
    std::uniform_int_distribution<std::int64_t> anyTime(expected.front() - 1000,
                                                        expected.back() + 1000);
    for (int q = 0; q < 1500; ++q) {
        const std::int64_t t = q % 3 == 0 ? expected[q % expected.size()] : anyTime(rng);
        const auto linear =
            std::lower_bound(expected.begin(), expected.end(), t) - expected.begin();
        QCOMPARE(index.lowerBound(t), static_cast<std::size_t>(linear));
    }
}

void TraceStoreTest::minMaxMatchesAPassOverTheRange()
{
    std::mt19937 rng(3);
    std::normal_distribution<float> noise(20.0f, 3.0f);
    TraceStore store;
    std::vector<float> values;
    for (int i = 0; i < 70'000; ++i) {
        float v = noise(rng);
        if (i % 4099 == 17)
            v = (i % 2) ? 500.0f : -500.0f; // lone spikes must survive every level
        store.append(1'000'000 + 250 * i, v);
        values.push_back(v);
    }
    std::uniform_int_distribution<std::size_t> index(0, values.size() - 1);
    for (int q = 0; q < 4000; ++q) {
        std::size_t a = index(rng), b = index(rng);
        if (q % 4 == 0)
            b = std::min(values.size() - 1, a + q % 40); // short ranges too
        if (a > b)
            std::swap(a, b);
        const auto [lo, hi] = std::minmax_element(values.begin() + a, values.begin() + b + 1);
        const zr::chart::MinMax m = store.minMax(a, b + 1);
        QCOMPARE(m.min, *lo);
        QCOMPARE(m.max, *hi);
    }
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    QCOMPARE(store.minMax(0, values.size()).min, *lo);
    QCOMPARE(store.minMax(0, values.size()).max, *hi);
}

void TraceStoreTest::statisticsMatchATwoPassComputation_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("25 +- 0.01, where sums of squares lose their digits") << 0;
    QTest::newRow("wide noise with lone spikes") << 1;
    QTest::newRow("constant stretches between noise") << 2;
}

void TraceStoreTest::statisticsMatchATwoPassComputation()
{
    // Spans chosen by time, as a view chooses them, over a trace with hour-long gaps (missing
    // readings leave no sample); every figure against a plain two-pass computation over the same
    // single-precision samples.
    QFETCH(int, kind);
    std::mt19937 rng(17 + kind);
    std::normal_distribution<double> fine(25.0, 0.01), wide(20.0, 30.0);
    TraceStore store;
    std::vector<float> values;
    std::int64_t t = 1'000'000;
    for (int i = 0; i < 120'000; ++i) {
        t += i % 20'000 == 19'999 ? 3'600'000 : 250;
        double v = kind == 0 ? fine(rng) : wide(rng);
        if (kind == 1 && i % 4099 == 17)
            v = (i % 2) ? 500.0 : -500.0;
        if (kind == 2 && (i / 3000) % 2 == 0)
            v = 21.5; // a constant stretch of 3000 samples, every other one
        QVERIFY(store.append(t, v));
        values.push_back(store.value(store.size() - 1));
    }
    auto close = [](double got, double want) {
        return std::abs(got - want) <= 1e-9 * std::abs(want) + 1e-12;
    };
    std::uniform_int_distribution<std::int64_t> anyTime(store.time(0), store.lastTime());
    for (int q = 0; q < 1500; ++q) {
        std::int64_t from = anyTime(rng), to = anyTime(rng);
        if (q % 3 == 0)
            to = from + 250 * (q % 100); // short spans too, within one block or across two
        if (from > to)
            std::swap(from, to);
        const std::size_t first = store.lowerBound(from), end = store.lowerBound(to + 1);
        const zr::chart::SpanStatistics s = store.statistics(first, end);
        QCOMPARE(s.count, end - first);
        if (first == end)
            continue;
        double mean = 0;
        for (std::size_t i = first; i < end; ++i)
            mean += values[i];
        mean /= double(end - first);
        double squares = 0;
        for (std::size_t i = first; i < end; ++i)
            squares += (values[i] - mean) * (values[i] - mean);
        const auto lo = std::min_element(values.begin() + long(first), values.begin() + long(end));
        const auto hi = std::max_element(values.begin() + long(first), values.begin() + long(end));
        QCOMPARE(s.min, *lo);
        QCOMPARE(s.max, *hi);
        QCOMPARE(s.minIndex, std::size_t(lo - values.begin())); // the first on a tie
        QCOMPARE(s.maxIndex, std::size_t(hi - values.begin()));
        QVERIFY2(close(s.mean, mean), qPrintable(QString::number(s.mean - mean)));
        QVERIFY2(close(s.squaredDeviations, squares),
                 qPrintable(QString("%1 vs %2").arg(s.squaredDeviations).arg(squares)));
        if (*lo == *hi)
            QCOMPARE(s.squaredDeviations, 0.0); // a constant span deviates by exactly nothing
    }
}

void TraceStoreTest::valuesThatCannotBePlotted()
{
    TraceStore store;
    QVERIFY(!store.append(1000, std::nan("")));
    QCOMPARE(store.size(), std::size_t{0});
    QVERIFY(store.append(1000, std::numeric_limits<double>::infinity()));
    QVERIFY(store.append(1250, -1e300));
    QCOMPARE(store.value(0), std::numeric_limits<float>::max());
    QCOMPARE(store.value(1), -std::numeric_limits<float>::max());
}

void TraceStoreTest::aDayOfSamplesFitsInEightBytesEach_data()
{
    QTest::addColumn<int>("pattern");
    QTest::addColumn<int>("count");
    QTest::newRow("1 k regular") << int(Pattern::Regular) << 1000;
    QTest::newRow("24 h at 4/s regular") << int(Pattern::Regular) << 345'600;
    QTest::newRow("24 h at 4/s with timer jitter") << int(Pattern::Jitter) << 345'600;
}

void TraceStoreTest::aDayOfSamplesFitsInEightBytesEach()
{
    QFETCH(int, pattern);
    QFETCH(int, count);
    TraceStore store;
    int i = 0;
    for (std::int64_t t : sampleTimes(Pattern(pattern), count, 5))
        store.append(t, 20.0 + 0.01 * (i++ % 500));
    const double perSample = double(store.bytesUsed()) / count;
    qInfo("%d samples: %.2f bytes per sample", count, perSample);
    QVERIFY2(perSample <= 8.0, qPrintable(QString::number(perSample)));
}

QTEST_APPLESS_MAIN(TraceStoreTest)
#include "test_trace_store.moc"
