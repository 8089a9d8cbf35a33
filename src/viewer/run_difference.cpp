// SPDX-License-Identifier: MIT
#include "viewer/run_difference.h"

#include <algorithm>

namespace zr::viewer {

std::unique_ptr<chart::TraceStore> runDifference(const chart::TraceStore& run1,
                                                 std::int64_t start1Ms,
                                                 const chart::TraceStore& run2,
                                                 std::int64_t start2Ms, std::int64_t toleranceMs)
{
    auto difference = std::make_unique<chart::TraceStore>();
    // Differences come at run 2's pace; without a gap of its own, one past the tolerance on
    // either side of a missing match.
    const std::int64_t gapMs = std::max(run2.gapMs(), run1.gapMs());
    difference->setGapMs(gapMs > 0 ? gapMs : 3 * toleranceMs);
    const std::int64_t shift = start1Ms - start2Ms;
    std::size_t next = 0; // run 1's first sample at or after the previous match's window
    for (std::size_t j = 0; j < run2.size(); ++j) {
        const std::int64_t at = run2.time(j) + shift;
        while (next < run1.size() && run1.time(next) < at - toleranceMs)
            ++next;
        // The nearest run-1 sample within the tolerance, the earlier of two as near.
        std::size_t best = run1.size();
        std::int64_t bestDistance = toleranceMs + 1;
        for (std::size_t i = next; i < run1.size() && run1.time(i) <= at + toleranceMs; ++i) {
            const std::int64_t distance = run1.time(i) > at ? run1.time(i) - at : at - run1.time(i);
            if (distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        if (best < run1.size())
            difference->append(at, static_cast<double>(run2.value(j)) -
                                       static_cast<double>(run1.value(best)));
    }
    return difference;
}

} // namespace zr::viewer
