#pragma once
#include <array>
#include <cstdint>

namespace sim {

// The water level a unit sees: a slow tide, a swell and a wind sea (each a few close
// components so the spectrum shows a peak, not a line) and a little sensor noise. Each seed
// gives a different but repeatable sea; the level is a pure function of time, so units that
// are read at different rates still see one continuous surface.
class WaveSignal {
public:
    explicit WaveSignal(std::uint32_t seed, double meanLevel = 1.0, double scale = 1.0);

    // Level in metres at time t (seconds on any continuous time base).
    double level(double t) const;
    double meanLevel() const { return mean_; }

private:
    struct Component {
        double amplitude, omega, phase;
    };
    static constexpr std::size_t kComponents = 8;
    std::array<Component, kComponents> components_{};
    double mean_;
    double noise_;
    std::uint32_t seed_;
};

}  // namespace sim
