#include "analysis/wave_pipeline.h"

#include <algorithm>
#include <cmath>

#include "analysis/bessel_filter.h"
#include "analysis/statistics.h"

namespace analysis {

namespace {

template <typename T>
int copySamples(std::span<const T> data, int from, int to, double noData, std::span<double> work,
                int* gaps) {
    const int size = static_cast<int>(std::min(data.size(), work.size()));
    from = std::clamp(from, 0, size);
    to = std::clamp(to, from, size);
    int n = 0, first = -1, last = -1;
    for (int i = from; i < to; ++i) {
        const double v = data[static_cast<std::size_t>(i)];
        if (v == noData || !std::isfinite(v)) continue;
        work[static_cast<std::size_t>(n++)] = v;
        if (first < 0) first = i;
        last = i;
    }
    if (gaps != nullptr) *gaps = n == 0 ? 0 : last - first + 1 - n;
    return n;
}

}  // namespace

int copySection(std::span<const double> data, int from, int to, double noData,
                std::span<double> work, int* gaps) {
    return copySamples(data, from, to, noData, work, gaps);
}

int copySection(std::span<const float> data, int from, int to, double noData,
                std::span<double> work, int* gaps) {
    return copySamples(data, from, to, noData, work, gaps);
}

WaveAnalyzer::WaveAnalyzer(int maxPoints) : fft_(maxPoints) {}

WaveResult WaveAnalyzer::run(std::span<double> work, double sampleRate,
                             const WaveSettings& settings) {
    const auto n = static_cast<int>(work.size());
    if (n < 2 || n > fft_.maxPoints() || !(sampleRate > 0)) return {};
    WaveResult r;
    r.points = n;
    MeanSdev s = StdDev(work);
    r.mean = s.mean;
    for (double& v : work) v -= s.mean;
    if (settings.tideFilter && Bssl_HPF(work, sampleRate, kTideCutoffHz)) s = StdDev(work);
    r.hmo = 4 * s.sdev;
    r.waves = crossings_.run(work, sampleRate);
    if (window_.size() != work.size() || windowType_ != settings.window) {
        window_.assign(work.size(), 1.0);
        windowType_ = settings.window;
        windowConstants_ = ScaledWindowEx(window_, settings.window);
    }
    const WindowConstants& w = windowConstants_;
    count_ = work.size() / 2;
    // The power spectrum in the transform's input, which the transform is done with by then;
    // converted where it stands, as the power is not needed once its moments are taken.
    const std::span<double> power = fft_.input().first(count_);
    r.df = fft_.AutoPowerSpectrum(work, 1.0 / sampleRate, power, window_);
    r.spectral = spectralMoments(power, r.df, w.enbw);
    r.unit = SpectrumUnitConversion(power, SpectrumType::Power, settings.scaling, settings.unit,
                                    r.df, w, power);
    return r;
}

}  // namespace analysis
