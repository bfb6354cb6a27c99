#include "analysis/wave_statistics.h"

#include <algorithm>
#include <cmath>

namespace analysis {

SpectralStatistics spectralMoments(std::span<const double> power, double df, double enbw) {
    SpectralStatistics s;
    if (!(df > 0) || !(enbw > 0) || power.size() < 2) return s;
    // S(f_k) df = P_k / enbw: the bin width cancels out of every moment.
    double peak = 0;
    std::size_t peakBin = 0;
    for (std::size_t k = 1; k < power.size(); ++k) {
        const double p = power[k];
        if (!(p > 0)) continue;
        const double f = static_cast<double>(k) * df;
        s.m0 += p;
        s.m1 += f * p;
        s.m2 += f * f * p;
        if (p > peak) {
            peak = p;
            peakBin = k;
        }
    }
    s.m0 /= enbw;
    s.m1 /= enbw;
    s.m2 /= enbw;
    if (peakBin == 0) return s;
    s.peakFrequency = static_cast<double>(peakBin) * df;
    s.tp = 1.0 / s.peakFrequency;
    if (s.m1 > 0) s.tm01 = s.m0 / s.m1;
    if (s.m2 > 0) s.tm02 = std::sqrt(s.m0 / s.m2);
    return s;
}

ZeroCrossingStatistics ZeroCrossing::run(std::span<const double> x, double rate) {
    ZeroCrossingStatistics z;
    waves_.clear();
    if (!(rate > 0) || x.size() < 3) return z;
    const std::size_t n = x.size();
    double lastCrossing = -1;  // time of the last up-crossing, in samples; -1 = none yet
    double firstCrossing = -1;
    double lo = 0, hi = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double a = x[i], b = x[i + 1];
        if (lastCrossing >= 0) {
            lo = std::min(lo, a);
            hi = std::max(hi, a);
        }
        if (!(a < 0 && b >= 0)) continue;
        const double t = static_cast<double>(i) + a / (a - b);
        if (lastCrossing >= 0) {
            waves_.push_back({hi - lo, (t - lastCrossing) / rate, static_cast<int>(waves_.size())});
        } else {
            firstCrossing = t;
        }
        lastCrossing = t;
        lo = b;
        hi = b;
    }
    z.waves = static_cast<int>(waves_.size());
    if (z.waves == 0) return z;
    double squares = 0;
    z.hmax = 0;
    for (const Wave& w : waves_) {
        z.hmax = std::max(z.hmax, w.height);
        squares += w.height * w.height;
    }
    z.hrms = std::sqrt(squares / z.waves);
    z.tz = (lastCrossing - firstCrossing) / rate / z.waves;
    const auto third = static_cast<std::size_t>(z.waves / 3);
    if (third == 0) return z;
    // The highest third, equal heights in the order they came: a strict order, so the set
    // chosen is the same as a stable sort's.
    std::nth_element(waves_.begin(), waves_.begin() + static_cast<std::ptrdiff_t>(third - 1),
                     waves_.end(), [](const Wave& p, const Wave& q) {
                         return p.height > q.height || (p.height == q.height && p.order < q.order);
                     });
    double h = 0, t = 0;
    for (std::size_t k = 0; k < third; ++k) {
        h += waves_[k].height;
        t += waves_[k].period;
    }
    z.h13 = h / static_cast<double>(third);
    z.t13 = t / static_cast<double>(third);
    return z;
}

}  // namespace analysis
