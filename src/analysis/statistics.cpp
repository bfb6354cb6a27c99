#include "analysis/statistics.h"

#include <cmath>

namespace analysis {

namespace {

// The sum of f(v) over x in four interleaved parts: four independent chains of additions run
// side by side, where a single chain waits for each addition before starting the next.
template <typename F>
double sumOf(std::span<const double> x, F f) {
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    std::size_t i = 0;
    for (const std::size_t n = x.size() & ~std::size_t{3}; i < n; i += 4) {
        s0 += f(x[i]);
        s1 += f(x[i + 1]);
        s2 += f(x[i + 2]);
        s3 += f(x[i + 3]);
    }
    for (; i < x.size(); ++i) s0 += f(x[i]);
    return (s0 + s1) + (s2 + s3);
}

}  // namespace

MeanSdev StdDev(std::span<const double> x) {
    if (x.empty()) return {};
    const auto n = static_cast<double>(x.size());
    const double mean = sumOf(x, [](double v) { return v; }) / n;
    // Two passes: a water level of 10 m with centimetre waves would lose the waves to
    // cancellation in a sum of squares.
    const double squares = sumOf(x, [mean](double v) { return (v - mean) * (v - mean); });
    return {mean, std::sqrt(squares / n)};
}

}  // namespace analysis
