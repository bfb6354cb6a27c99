#include "analysis/number_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace analysis {

namespace {

constexpr std::array<double, 23> kPow10{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// "00" to "99".
constexpr auto kPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// The eight decimal digits of n (below 10^8), one a byte, the first in the lowest byte:
// four-digit halves, split into pairs, then into digits, every lane at once (a product and a
// shift divide each lane by 100 or 10 exactly for lanes this small).
constexpr std::uint64_t eightDigits(std::uint64_t n) {
    const auto n32 = static_cast<std::uint32_t>(n);  // 32-bit divisions are cheaper
    const std::uint64_t halves = (n32 / 10000) | (std::uint64_t{n32 % 10000} << 32);
    const std::uint64_t hundreds = ((halves * 10486) >> 20) & 0x0000007F0000007FULL;
    const std::uint64_t pairs = ((halves - 100 * hundreds) << 16) + hundreds;
    std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000FULL;
    tens += (pairs - 10 * tens) << 8;
    return tens;
}

// The eight bytes of w at `to`, lowest first.
void storeEight(char* to, std::uint64_t w) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(to, &w, sizeof w);
    } else {
        for (int i = 0; i < 8; ++i) to[i] = static_cast<char>(w >> (8 * i));
    }
}

char* byPrintf(double v, char* out) {
    const int n = std::snprintf(out, kNumberTextSize, "%.10g", v);
    return out + (n > 0 ? n : 0);
}

// a x 10^k with k from 0 to 66: up to three roundings, by powers of ten a double holds
// exactly (a x 10^k, a x 10^22 x 10^(k-22), a x 10^22 x 10^22 x 10^(k-44)). The factors come
// from tables, a factor of one where fewer are needed (a product with one is exact): no branch
// on k, whose changes from one value to the next a processor cannot foretell.
struct ScaleFactors {
    std::array<double, 67> first{}, second{}, third{};
};
constexpr ScaleFactors kScale = [] {
    ScaleFactors f;
    for (std::size_t k = 0; k < 67; ++k) {
        f.first[k] = k <= 22 ? kPow10[k] : 1e22;
        f.second[k] = k <= 22 ? 1.0 : k <= 44 ? kPow10[k - 22] : 1e22;
        f.third[k] = k <= 44 ? 1.0 : kPow10[k - 44];
    }
    return f;
}();

double scaled(double a, int k) {
    const auto i = static_cast<std::size_t>(k);
    return a * kScale.first[i] * kScale.second[i] * kScale.third[i];
}

// The integer nearest a x 10^k (k from 0 to 27) for a normal positive double of these bits,
// ties to even as printf rounds them: exactly, as the mantissa times 5^k (below 2^117) shifted
// by the binary exponent plus k. False where the compiler has no 128-bit integers.
bool nearestExactly(std::uint64_t bits, int k, std::uint64_t& nearest) {
#if defined(__SIZEOF_INT128__)
    if (k > 27) return false;
    __extension__ typedef unsigned __int128 Wide;
    std::uint64_t five = 1;
    for (int i = 0; i < k; ++i) five *= 5;
    const Wide product = Wide{(bits & ((1ULL << 52) - 1)) | (1ULL << 52)} * five;
    const int shift = 1075 - static_cast<int>(bits >> 52) - k;  // value = product / 2^shift
    if (shift <= 0 || shift >= 127) return false;
    const Wide whole = product >> shift;
    const Wide rest = product - (whole << shift);
    const Wide half = Wide{1} << (shift - 1);
    nearest = static_cast<std::uint64_t>(whole) +
              ((rest > half || (rest == half && (whole & 1))) ? 1 : 0);
    return true;
#else
    (void)bits;
    (void)k;
    (void)nearest;
    return false;
#endif
}

// The first step of formatGeneral10.
Decimal10 decimalOf(double v) {
    Decimal10 d;
    if (!std::isfinite(v)) return d;
    d.negative = std::signbit(v);
    const double a = std::fabs(v);
    if (a == 0) {
        d.kind = Decimal10::Zero;
        return d;
    }
    // The decimal exponent x of a (10^x <= a < 10^(x+1)) from its binary one, which may make
    // it one too low or too high, then the ten digits as the integer nearest a x 10^(9 - x).
    std::uint64_t bits = 0;
    std::memcpy(&bits, &a, sizeof bits);
    const int binary = static_cast<int>(bits >> 52) - 1023;  // a = 1.f x 2^binary
    // floor(binary log10(2)), also for a negative binary exponent (the shift of a negative
    // number rounds down)
    int x = (binary * 78913) >> 18;
    d.kind = Decimal10::Printf;
    if (x > 9 || x < -56) return d;
    // The estimate is mostly the exponent or one below it, either about as often: both
    // products are made and one is taken, which costs less than a branch that goes either
    // way at random. An estimate one too high is rare.
    const double atEstimate = scaled(a, 9 - x);
    const double above = scaled(a, std::max(8 - x, 0));
    const bool up = atEstimate >= 1e10;
    double s = up ? above : atEstimate;
    x += up ? 1 : 0;
    if (!up && s < 1e9) {
        if (--x < -56) return d;
        s = scaled(a, 9 - x);
    }
    if (x > 9) return d;
    // s is within 3e-6 of the exact product, so only near halfway must the exact product be
    // looked at.
    auto digits = static_cast<std::uint64_t>(s);  // s is positive: truncation is floor
    const double fraction = s - static_cast<double>(digits);
    if (std::fabs(fraction - 0.5) < 1e-5) {
        if (!nearestExactly(bits, 9 - x, digits)) return d;
    } else {
        digits += fraction > 0.5 ? 1 : 0;
    }
    if (digits == 10000000000ULL) {
        digits = 1000000000ULL;
        if (++x > 9) return d;
    }
    d.kind = Decimal10::Digits;
    d.digits = digits;
    d.exponent = x;
    return d;
}

}  // namespace

char* writeDecimal10(const Decimal10& d, double v, char* out) {
    switch (d.kind) {
        case Decimal10::Digits:
            break;
        case Decimal10::None:
            return out;
        case Decimal10::Zero:
            if (d.negative) *out++ = '-';
            *out++ = '0';
            return out;
        case Decimal10::Printf:
            return byPrintf(v, out);
    }
    const int x = d.exponent;
    if (x < -99 || x > 9) return byPrintf(v, out);  // never from toDecimal10
    if (d.negative) *out++ = '-';
    // The ten digits as the first two (from a table) and a word of eight, one digit a byte,
    // made in a register and stored whole.
    const auto pair = static_cast<std::size_t>(d.digits / 100000000);
    const std::uint64_t eight = eightDigits(d.digits % 100000000);
    // Significant digits left once trailing zeros are dropped (the first is never zero).
    const int count = eight != 0 ? 10 - std::countl_zero(eight) / 8
                                 : (kPairs[2 * pair + 1] != '0' ? 2 : 1);
    const std::uint64_t text = eight | 0x3030303030303030ULL;
    if (x >= 0) {
        // Through a buffer, as the point goes anywhere among the digits.
        char t[32];
        std::memcpy(t, &kPairs[2 * pair], 2);
        storeEight(t + 2, text);
        std::memset(t + 10, '0', sizeof t - 10);
        const int before = x + 1;  // digits before the point
        std::memcpy(out, t, 16);
        if (count <= before) return out + before;
        out[before] = '.';
        std::memcpy(out + before + 1, t + before, 16);
        return out + count + 1;
    }
    if (x >= -4) {
        std::memcpy(out, "0.000000", 8);
        out += 1 - x;  // "0." and a zero for each decimal place before the first digit
        std::memcpy(out, &kPairs[2 * pair], 2);
        storeEight(out + 2, text);
        return out + count;
    }
    out[0] = kPairs[2 * pair];
    out[1] = '.';
    out[2] = kPairs[2 * pair + 1];
    storeEight(out + 3, text);
    out += count > 1 ? count + 1 : 1;
    // "e-" and two digits (an exponent from -5 to -99 here).
    const auto e = static_cast<std::size_t>(-x);
    out[0] = 'e';
    out[1] = '-';
    std::memcpy(out + 2, &kPairs[2 * e], 2);
    return out + 4;
}

void toDecimal10(std::span<const double> values, std::span<Decimal10> out) {
    const std::size_t n = std::min(values.size(), out.size());
    for (std::size_t i = 0; i < n; ++i) out[i] = decimalOf(values[i]);
}

char* formatGeneral10(double v, char* out) { return writeDecimal10(decimalOf(v), v, out); }

}  // namespace analysis
