#pragma once
#include <span>

namespace analysis {

struct MeanSdev {
    double mean = 0;
    double sdev = 0;
};

// Mean and standard deviation of the values. The deviation is the population one (divided by
// n, not n - 1): Hmo = 4 sdev is defined on the variance of the record itself. No values give
// zeros, never NaN.
MeanSdev StdDev(std::span<const double> x);

}  // namespace analysis
