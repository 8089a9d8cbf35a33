// SPDX-License-Identifier: MIT
#pragma once

// Readings that look alive: each value wanders slowly around its nominal level and carries a
// little noise. Everything comes from a small seeded generator of our own, so a seed and a
// sequence of readings give the same numbers on every platform and standard library.

#include <cstdint>

namespace zr::sim {

class SeededRandom {
public:
    explicit SeededRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    double uniform(); // [0, 1)
    double normal();  // mean 0, standard deviation 1 (sum of uniforms, bounded)

private:
    std::uint64_t state_;
};

// A mean-reverting random walk: every sample moves it one step, pulled back towards the mean.
class DriftingValue {
public:
    // wander: typical distance from the mean; noise: spread of each single sample.
    DriftingValue(double mean, double wander, double noise);
    double sample(SeededRandom& random);

private:
    double mean_;
    double level_;
    double step_;
    double noise_;
};

} // namespace zr::sim
