#pragma once
#include <span>
#include <string_view>

#include "analysis/window.h"

namespace analysis {

// What the input of the conversion is. Only power spectra are produced here.
enum class SpectrumType : int { Power = 0 };

// Codes of the scaling ring.
enum class Scaling : int { Linear = 0, Decibel = 1 };
inline constexpr int kScalingCount = 2;

// Codes of the display-unit ring. The trace values are metres, so "power" is m^2. The
// density units divide by the window's noise bandwidth, so the area under a density
// spectrum is the variance whatever the window.
enum class DisplayUnit : int {
    Rms = 0,            // m rms
    Peak,               // m peak
    PowerRms,           // m^2 rms
    PowerPeak,          // m^2 peak
    RmsDensity,         // m rms / sqrt(Hz)
    PeakDensity,        // m peak / sqrt(Hz)
    PowerDensity,       // m^2 / Hz: the variance density spectrum of wave analysis
    PowerPeakDensity,   // m^2 peak / Hz
};
inline constexpr int kDisplayUnitCount = 8;

// Label of a unit as shown beside the spectrum and on its Y axis (static storage).
std::string_view unitLabel(DisplayUnit unit, Scaling scaling);

// Converts a one-sided power spectrum (bin 0 = DC) into the display unit and scaling and
// returns the unit label. out may be the same array as power; both hold power.size()
// values. Decibels are 10 log10 of power quantities and 20 log10 of amplitudes, referred to
// 1 m (or 1 m^2, per Hz for densities); a bin without power shows kDecibelFloor rather than
// minus infinity. A df that is not positive leaves out untouched and returns an empty label.
std::string_view SpectrumUnitConversion(std::span<const double> power, SpectrumType type,
                                        Scaling scaling, DisplayUnit unit, double df,
                                        const WindowConstants& window, std::span<double> out);

inline constexpr double kDecibelFloor = -300.0;

}  // namespace analysis
