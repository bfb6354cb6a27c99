#include "analysis/power_spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <new>

namespace analysis {

PowerSpectrum::PowerSpectrum(int maxPoints)
    : max_(std::max(2, maxPoints)),
      in_(fftw_alloc_real(static_cast<std::size_t>(max_))),
      out_(fftw_alloc_complex(static_cast<std::size_t>(max_ / 2 + 1))) {
    if (in_ == nullptr || out_ == nullptr) throw std::bad_alloc();
}

PowerSpectrum::~PowerSpectrum() {
    for (const Plan& p : plans_) {
        if (p.plan != nullptr) fftw_destroy_plan(static_cast<fftw_plan>(p.plan));
    }
    fftw_free(in_);
    fftw_free(out_);
}

void* PowerSpectrum::planFor(int n) {
    // A day's plan costs about as much as its transform (twiddle factors by the million,
    // and their memory faulted in afresh): planning again for every other device of a batch
    // whose lengths alternate would double the work.
    auto at = std::find_if(plans_.begin(), plans_.end(), [n](const Plan& p) { return p.n == n; });
    if (at == plans_.end()) {
        at = plans_.end() - 1;  // the one used longest ago, or an empty place
        if (at->plan != nullptr) fftw_destroy_plan(static_cast<fftw_plan>(at->plan));
        // Estimated, not measured: measuring would cost far more than the transforms it saves
        // for section lengths the operator changes with every cursor move.
        at->plan = fftw_plan_dft_r2c_1d(n, in_, static_cast<fftw_complex*>(out_), FFTW_ESTIMATE);
        at->n = n;
    }
    std::rotate(plans_.begin(), at, at + 1);
    return plans_.front().plan;
}

double PowerSpectrum::AutoPowerSpectrum(std::span<const double> x, double dt, std::span<double> out,
                                        std::span<const double> window) {
    const auto n = static_cast<int>(x.size());
    const std::size_t half = x.size() / 2;
    if (n < 2 || n > max_ || !(dt > 0) || out.size() < half) return 0;
    if (!window.empty() && window.size() != x.size()) return 0;
    const auto plan = static_cast<fftw_plan>(planFor(n));
    if (window.empty()) {
        if (x.data() != in_) std::copy(x.begin(), x.end(), in_);
    } else {
        for (std::size_t i = 0; i < x.size(); ++i) in_[i] = x[i] * window[i];
    }
    fftw_execute(plan);
    const auto* X = static_cast<const fftw_complex*>(out_);
    const double scale = 1.0 / (static_cast<double>(n) * static_cast<double>(n));
    out[0] = (X[0][0] * X[0][0] + X[0][1] * X[0][1]) * scale;
    for (std::size_t k = 1; k < half; ++k) {
        out[k] = 2 * (X[k][0] * X[k][0] + X[k][1] * X[k][1]) * scale;
    }
    return 1.0 / (static_cast<double>(n) * dt);
}

}  // namespace analysis
