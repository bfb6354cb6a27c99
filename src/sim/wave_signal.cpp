#include "sim/wave_signal.h"

#include <cmath>
#include <numbers>

namespace sim {

namespace {

// A small integer hash; gives repeatable pseudo-random numbers without global state.
std::uint32_t mix(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

double unit(std::uint32_t seed, std::uint32_t k) {
    return (mix(seed * 0x9e3779b9U + k) & 0xFFFFFF) / double(0x1000000);
}

struct Band {
    double period, amplitude;
};
// Tide (about 12.4 h), a swell near 9 s in three components and a wind sea near 3.5 s in four.
constexpr std::array<Band, 8> kBands{{
    {44712.0, 0.15},
    {8.6, 0.10}, {9.4, 0.08}, {10.3, 0.05},
    {3.1, 0.035}, {3.5, 0.04}, {3.9, 0.03}, {4.4, 0.02},
}};

}  // namespace

WaveSignal::WaveSignal(std::uint32_t seed, double meanLevel, double scale)
    : mean_(meanLevel), noise_(0.002 * scale), seed_(seed) {
    for (std::size_t i = 0; i < kComponents; ++i) {
        const Band& b = kBands[i];
        const double jitter = 0.9 + 0.2 * unit(seed, static_cast<std::uint32_t>(i));
        components_[i] = {b.amplitude * scale * jitter,
                          2.0 * std::numbers::pi / (b.period * jitter),
                          2.0 * std::numbers::pi * unit(seed, 100 + static_cast<std::uint32_t>(i))};
    }
}

double WaveSignal::level(double t) const {
    double v = mean_;
    for (const Component& c : components_) v += c.amplitude * std::sin(c.omega * t + c.phase);
    // Noise is tied to the millisecond, so repeated reads of one instant agree.
    const auto ms = static_cast<std::uint32_t>(static_cast<std::int64_t>(std::floor(t * 1000.0)));
    v += noise_ * (2.0 * unit(seed_ ^ 0xA5A5A5A5U, ms) - 1.0);
    return v;
}

}  // namespace sim
