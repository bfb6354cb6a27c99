#include "analysis/statistics.h"

#include <cmath>

namespace analysis {

MeanSdev StdDev(std::span<const double> x) {
    if (x.empty()) return {};
    const auto n = static_cast<double>(x.size());
    double sum = 0;
    for (double v : x) sum += v;
    const double mean = sum / n;
    // Two passes: a water level of 10 m with centimetre waves would lose the waves to
    // cancellation in a sum of squares.
    double squares = 0;
    for (double v : x) squares += (v - mean) * (v - mean);
    return {mean, std::sqrt(squares / n)};
}

}  // namespace analysis
