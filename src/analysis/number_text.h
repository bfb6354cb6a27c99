#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

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

// formatGeneral10 in two steps, for many values: first the digits of each (independent of
// each other, so that the processor works on several values at once), then their text.
struct Decimal10 {
    enum Kind : std::uint8_t { None, Zero, Digits, Printf };
    Kind kind = None;       // None: not finite; Printf: only printf can be sure of its digits
    bool negative = false;  // the sign bit, as printf shows it (also "-0")
    int exponent = 0;       // of the first digit
    std::uint64_t digits = 0;  // Digits: ten of them, from 10^9 to 10^10 - 1
};
void toDecimal10(std::span<const double> values, std::span<Decimal10> out);
// The text of d, which toDecimal10 made of v; returns its end (kNumberTextSize room needed).
char* writeDecimal10(const Decimal10& d, double v, char* out);

}  // namespace analysis
