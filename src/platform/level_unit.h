#pragma once
#include <string>
#include <string_view>

namespace platform {

// The unit of the readings a unit type sends: metres of water level, or bar for a Swellmeter
// that reads in bar (its other choice, metres of sea water, is metres again).
std::string_view levelUnit(int unitType, bool pressureInMetres);

// A caption, a unit label or a CSV header written for metres, rewritten for the readings'
// unit: for "bar", "Data (m)" -> "Data (bar)", "m0 (m²)" -> "m0 (bar²)", "mean_m" ->
// "mean_bar", "dB re 1 m rms" -> "dB re 1 bar rms", and a level becomes a pressure ("Water
// level (m)" -> "Pressure (bar)"). Spectral moments (m0, m1, m2) and words that hold an m stay.
// For "m" the text is returned as it is.
std::string inLevelUnit(std::string_view text, std::string_view unit);

}  // namespace platform
