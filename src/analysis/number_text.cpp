#include "analysis/number_text.h"

#include <array>
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

char* byPrintf(double v, char* out) {
    const int n = std::snprintf(out, kNumberTextSize, "%.10g", v);
    return out + (n > 0 ? n : 0);
}

// a x 10^k with k from 0 to 66: up to three roundings, by powers of ten a double holds
// exactly.
double scaled(double a, int k) {
    if (k <= 22) return a * kPow10[static_cast<std::size_t>(k)];
    if (k <= 44) return a * 1e22 * kPow10[static_cast<std::size_t>(k - 22)];
    return a * 1e22 * 1e22 * kPow10[static_cast<std::size_t>(k - 44)];
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

}  // namespace

char* formatGeneral10(double v, char* out) {
    if (!std::isfinite(v)) return out;
    char* const start = out;
    if (std::signbit(v)) *out++ = '-';
    const double a = std::fabs(v);
    if (a == 0) {
        *out++ = '0';
        return out;
    }
    // The decimal exponent x of a (10^x <= a < 10^(x+1)) from its binary one, which may make
    // it one too low or too high, then the ten digits as the integer nearest a x 10^(9 - x).
    std::uint64_t bits = 0;
    std::memcpy(&bits, &a, sizeof bits);
    const int binary = static_cast<int>(bits >> 52) - 1023;  // a = 1.f x 2^binary
    // floor(binary log10(2)), also for a negative binary exponent
    int x = (binary * 78913 - (binary < 0 ? 262143 : 0)) / 262144;
    if (x > 9 || x < -56) return byPrintf(v, start);
    double s = scaled(a, 9 - x);
    if (s < 1e9 || s >= 1e10) {
        x += s < 1e9 ? -1 : 1;
        if (x > 9 || x < -56) return byPrintf(v, start);
        s = scaled(a, 9 - x);
    }
    // s is within 3e-6 of the exact product, so only near halfway must the exact product be
    // looked at.
    auto digits = static_cast<std::uint64_t>(s);  // s is positive: truncation is floor
    const double fraction = s - static_cast<double>(digits);
    if (std::fabs(fraction - 0.5) < 1e-5) {
        if (!nearestExactly(bits, 9 - x, digits)) return byPrintf(v, start);
    } else if (fraction > 0.5) {
        ++digits;
    }
    if (digits == 10000000000ULL) {
        digits = 1000000000ULL;
        if (++x > 9) return byPrintf(v, start);
    }
    // The ten digits, then zeros: every copy below is of a fixed size (no library call for a
    // few bytes), and the text is then cut to its length.
    char d[32];
    std::memset(d + 10, '0', sizeof d - 10);
    // Two halves of five digits in 32-bit arithmetic, two digits at a time from a table.
    auto five = [](std::uint32_t half, char* to) {
        const std::uint32_t top = half / 1000, rest = half % 1000;
        std::memcpy(to, &kPairs[2 * top], 2);
        std::memcpy(to + 2, &kPairs[2 * (rest / 10)], 2);
        to[4] = static_cast<char>('0' + rest % 10);
    };
    five(static_cast<std::uint32_t>(digits / 100000), d);
    five(static_cast<std::uint32_t>(digits % 100000), d + 5);
    int count = 10;  // significant digits left once trailing zeros are dropped
    while (count > 1 && d[count - 1] == '0') --count;
    if (x >= 0) {
        const int before = x + 1;  // digits before the point
        std::memcpy(out, d, 16);
        if (count <= before) return out + before;
        out[before] = '.';
        std::memcpy(out + before + 1, d + before, 16);
        return out + count + 1;
    }
    if (x >= -4) {
        std::memcpy(out, "0.000000", 8);
        out += 1 - x;  // "0." and a zero for each decimal place before the first digit
        std::memcpy(out, d, 16);
        return out + count;
    }
    out[0] = d[0];
    out[1] = '.';
    std::memcpy(out + 2, d + 1, 16);
    out += count > 1 ? count + 1 : 1;
    const int e = -x;
    out[0] = 'e';
    out[1] = '-';
    out += 2;
    if (e >= 100) *out++ = static_cast<char>('0' + e / 100);
    out[0] = static_cast<char>('0' + e / 10 % 10);
    out[1] = static_cast<char>('0' + e % 10);
    return out + 2;
}

}  // namespace analysis
