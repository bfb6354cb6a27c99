#include "analysis/power_units.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace analysis {

namespace {

struct UnitRule {
    std::string_view linear;
    std::string_view decibel;
    bool amplitude;  // square root of power
    bool peak;       // peak rather than rms: power doubled (except DC, whose peak is its level)
    bool density;    // per hertz of noise bandwidth
};

constexpr std::array<UnitRule, kDisplayUnitCount> kUnits{{
    {"m rms", "dB re 1 m rms", true, false, false},
    {"m peak", "dB re 1 m peak", true, true, false},
    {"m\u00B2 rms", "dB re 1 m\u00B2 rms", false, false, false},
    {"m\u00B2 peak", "dB re 1 m\u00B2 peak", false, true, false},
    {"m rms/\u221AHz", "dB re 1 m rms/\u221AHz", true, false, true},
    {"m peak/\u221AHz", "dB re 1 m peak/\u221AHz", true, true, true},
    {"m\u00B2/Hz", "dB re 1 m\u00B2/Hz", false, false, true},
    {"m\u00B2 peak/Hz", "dB re 1 m\u00B2 peak/Hz", false, true, true},
}};

const UnitRule& ruleOf(DisplayUnit unit) {
    const int i = std::clamp(static_cast<int>(unit), 0, kDisplayUnitCount - 1);
    return kUnits[static_cast<std::size_t>(i)];
}

}  // namespace

std::string_view unitLabel(DisplayUnit unit, Scaling scaling) {
    const UnitRule& r = ruleOf(unit);
    return scaling == Scaling::Decibel ? r.decibel : r.linear;
}

std::string_view SpectrumUnitConversion(std::span<const double> power, SpectrumType /*type*/,
                                        Scaling scaling, DisplayUnit unit, double df,
                                        const WindowConstants& window, std::span<double> out) {
    if (!(df > 0) || out.size() < power.size()) return {};
    const UnitRule& r = ruleOf(unit);
    // The noise bandwidth of a bin: df widened by the window (1.5 bins for Hann).
    const double perHz = r.density ? 1.0 / (std::max(window.enbw, 1e-12) * df) : 1.0;
    const bool dB = scaling == Scaling::Decibel;
    for (std::size_t k = 0; k < power.size(); ++k) {
        double p = std::max(power[k], 0.0) * perHz;
        if (r.peak && k != 0) p *= 2;
        if (dB) {
            // 20 log10 of an amplitude is 10 log10 of its square.
            out[k] = p > 0 ? std::max(10 * std::log10(p), kDecibelFloor) : kDecibelFloor;
        } else {
            out[k] = r.amplitude ? std::sqrt(p) : p;
        }
    }
    return dB ? r.decibel : r.linear;
}

}  // namespace analysis
