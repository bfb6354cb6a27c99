#include "analysis/window.h"

#include <cmath>
#include <numbers>

namespace analysis {

namespace {

// Every offered window is a sum of cosines: w(i) = a0 - a1 cos(t) + a2 cos(2t) - ..., t = 2 pi
// i / n. Coefficients as published (Harris 1978; the flat top is the five-term one whose
// amplitude error is below 0.01 dB).
struct CosineTerms {
    std::array<double, 5> a{};
    int terms = 1;
};

CosineTerms termsOf(WindowType type) {
    switch (type) {
        case WindowType::Hann: return {{0.5, 0.5}, 2};
        case WindowType::Hamming: return {{0.54, 0.46}, 2};
        case WindowType::Blackman: return {{0.42, 0.5, 0.08}, 3};
        // The exact Blackman's coefficients put zeros on its third and fourth side lobes.
        case WindowType::ExactBlackman:
            return {{7938.0 / 18608, 9240.0 / 18608, 1430.0 / 18608}, 3};
        case WindowType::BlackmanHarris3:
            return {{0.42323, 0.49755, 0.07922}, 3};
        case WindowType::BlackmanHarris4:
            return {{0.35875, 0.48829, 0.14128, 0.01168}, 4};
        case WindowType::FlatTop:
            return {{0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368}, 5};
        case WindowType::Uniform: break;
    }
    return {{1.0}, 1};
}

}  // namespace

WindowConstants ScaledWindowEx(std::span<double> x, WindowType type, double /*parameter*/) {
    const CosineTerms c = termsOf(type);
    const std::size_t n = x.size();
    if (n == 0) return {};
    double sum = 0, squares = 0;
    // cos(k t) from cos(t) by the Chebyshev recurrence, and cos(t), sin(t) by rotation, so a
    // full trace costs one sine and cosine per 1024 points instead of up to four cosines per
    // point. The rotation is re-anchored before its rounding error can grow past 1e-13.
    const double step = 2 * std::numbers::pi / static_cast<double>(n);
    const double cs = std::cos(step), ss = std::sin(step);
    double co = 1, si = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (i % 1024 == 0) {
            co = std::cos(step * static_cast<double>(i));
            si = std::sin(step * static_cast<double>(i));
        }
        double w = c.a[0], prev = 1, cur = co, sign = -1;
        for (int k = 1; k < c.terms; ++k) {
            w += sign * c.a[static_cast<std::size_t>(k)] * cur;
            const double next = 2 * co * cur - prev;
            prev = cur;
            cur = next;
            sign = -sign;
        }
        x[i] *= w;
        sum += w;
        squares += w * w;
        const double co2 = co * cs - si * ss;
        si = si * cs + co * ss;
        co = co2;
    }
    const double cg = sum / static_cast<double>(n);
    const double inv = 1.0 / cg;  // every offered window has a positive mean
    for (double& v : x) v *= inv;
    return {static_cast<double>(n) * squares / (sum * sum), cg};
}

}  // namespace analysis
