// SPDX-License-Identifier: MIT
#pragma once

// The three charts under test behind one interface, so that each gets the same data, the same
// view and the same tick: append one sample to each trace, scroll, repaint.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

inline constexpr int kTraces = 5;
inline constexpr std::int64_t kSampleMs = 250;
inline constexpr double kAxisMin = -1, kAxisMax = 16;

// Samples of every trace at the same times, 250 ms apart from t0.
struct BenchData {
    std::int64_t t0 = 0;
    std::vector<std::vector<float>> values; // [trace][sample]
    std::size_t size() const { return values.empty() ? 0 : values[0].size(); }
    std::int64_t timeOf(std::size_t i) const
    {
        return t0 + static_cast<std::int64_t>(i) * kSampleMs;
    }
};

class BenchChart {
public:
    virtual ~BenchChart() = default;
    virtual QString name() const = 0;
    virtual QWidget* widget() = 0;
    // Loads the first `count` samples; the view shows spanMs up to the newest sample.
    virtual void load(const BenchData& data, std::size_t count, std::int64_t spanMs) = 0;
    // One strip-chart tick: sample `i` appended to every trace, view scrolled to it, repainted.
    virtual void tick(const BenchData& data, std::size_t i) = 0;
    // A change of the vertical range (as "Automatically Adjust Graph Range" makes it), drawn at
    // once: every chart must draw its whole plot again. Alternates between two ranges.
    virtual void fullRedraw() = 0;

protected:
    bool wider_ = false;
};

std::unique_ptr<BenchChart> makeOurChart();
std::unique_ptr<BenchChart> makeQCustomPlot();
std::unique_ptr<BenchChart> makeQtCharts();
