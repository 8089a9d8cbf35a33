// SPDX-License-Identifier: MIT
#include "board/sim/drift.h"

#include <cmath>

namespace zr::sim {
namespace {

// Per sample the walk gives back this share of its distance from the mean: at four readings a
// second that is a time constant of about a minute, slow enough to read as temperature.
constexpr double kReversion = 0.004;

} // namespace

std::uint64_t SeededRandom::next()
{
    // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SeededRandom::uniform()
{
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

double SeededRandom::normal()
{
    // Four uniforms have variance 1/3; bounded tails suit a sensor better than a true Gaussian.
    double sum = 0;
    for (int i = 0; i < 4; ++i)
        sum += uniform();
    return (sum - 2.0) * std::sqrt(3.0);
}

DriftingValue::DriftingValue(double mean, double wander, double noise)
    : mean_(mean), level_(mean), step_(wander * std::sqrt(2.0 * kReversion)), noise_(noise)
{
}

double DriftingValue::sample(SeededRandom& random)
{
    level_ = mean_ + (level_ - mean_) * (1.0 - kReversion) + step_ * random.normal();
    return level_ + noise_ * random.normal();
}

} // namespace zr::sim
