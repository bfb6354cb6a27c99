#pragma once
#include <cstddef>

namespace analysis {

// The room formatGeneral10 needs after `out`: it may write past the end of its text, never past
// this.
inline constexpr std::size_t kNumberTextSize = 32;

// Writes v as printf's "%.10g" writes it (ten significant digits, trailing zeros dropped,
// an exponent below 1e-4 and from 1e10 on) and returns the end of the text; nothing for a
// value that is not finite. Spectra are hundreds of thousands of these: the common case is
// done with integer digits, and printf is asked only where that could not be sure of the
// last digit (a value within a hair of halfway between two ten-digit numbers) or where the
// value is outside the usual range.
char* formatGeneral10(double v, char* out);

}  // namespace analysis
