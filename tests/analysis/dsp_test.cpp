// The numerical pieces of the wave analysis against published reference values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "analysis/bessel_filter.h"
#include "analysis/power_spectrum.h"
#include "analysis/power_units.h"
#include "analysis/statistics.h"
#include "analysis/wave_pipeline.h"
#include "analysis/window.h"

namespace {

using namespace analysis;
constexpr double kPi = std::numbers::pi;

std::vector<double> sine(int n, double amplitude, double cyclesPerRecord, double phase = 0.3) {
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        x[static_cast<std::size_t>(i)] =
            amplitude * std::cos(2 * kPi * cyclesPerRecord * i / n + phase);
    }
    return x;
}

std::vector<double> spectrumOf(std::vector<double> x, double dt, double* df = nullptr) {
    PowerSpectrum fft(static_cast<int>(x.size()));
    std::vector<double> out(x.size() / 2);
    const double step = fft.AutoPowerSpectrum(x, dt, out);
    if (df != nullptr) *df = step;
    return out;
}

TEST(Statistics, PopulationMeanAndDeviationWithoutCancellation) {
    const std::vector<double> classic{2, 4, 4, 4, 5, 5, 7, 9};
    EXPECT_DOUBLE_EQ(StdDev(classic).mean, 5.0);
    EXPECT_DOUBLE_EQ(StdDev(classic).sdev, 2.0);
    // Millimetre waves on a 10 km level keep their deviation.
    std::vector<double> high;
    for (int i = 0; i < 1000; ++i) high.push_back(1e4 + (i % 2 != 0 ? 1e-3 : -1e-3));
    EXPECT_NEAR(StdDev(high).sdev, 1e-3, 1e-9);
    EXPECT_EQ(StdDev({}).sdev, 0.0);
    EXPECT_EQ(StdDev({}).mean, 0.0);
}

TEST(Window, ConstantsMatchPublishedValuesAndKeepASinesPower) {
    struct Ref {
        WindowType type;
        double coherentGain, enbw;
    };
    // Harris (1978): coherent gain and equivalent noise bandwidth in bins.
    for (const Ref& r :
         {Ref{WindowType::Uniform, 1.0, 1.0}, Ref{WindowType::Hann, 0.5, 1.5},
          Ref{WindowType::Hamming, 0.54, 1.3628}, Ref{WindowType::Blackman, 0.42, 1.7268},
          Ref{WindowType::BlackmanHarris4, 0.35875, 2.0044},
          Ref{WindowType::ExactBlackman, 7938.0 / 18608, 1.6937},
          Ref{WindowType::BlackmanHarris3, 0.42323, 1.7085},
          Ref{WindowType::FlatTop, 0.21557895, 3.7702}}) {
        SCOPED_TRACE(static_cast<int>(r.type));
        std::vector<double> x = sine(4096, 1.5, 64);
        const WindowConstants c = ScaledWindowEx(x, r.type);
        EXPECT_NEAR(c.coherentGain, r.coherentGain, 1e-9);
        EXPECT_NEAR(c.enbw, r.enbw, 1e-4);
        // Scaled by the coherent gain, a sine on a bin keeps A^2 / 2 in that bin.
        EXPECT_NEAR(spectrumOf(x, 1.0)[64], 1.5 * 1.5 / 2, 1e-9);
    }
    // The flat top reads a sine between two bins within 0.01 dB.
    std::vector<double> x = sine(4096, 1.0, 64.5);
    ScaledWindowEx(x, WindowType::FlatTop);
    const auto p = spectrumOf(x, 1.0);
    EXPECT_NEAR(10 * std::log10(std::max(p[64], p[65]) / 0.5), 0.0, 0.01);
}

// The highest side lobe of each window as Harris (1978) tabulates it: a wrong coefficient
// shows here first, and the two Blackman-Harris forms lie over 20 dB apart. The 3-term one is
// tabulated as the "-67 dB" window, but its published coefficients give -70.8 dB.
TEST(Window, HighestSideLobesMatchPublishedLevels) {
    constexpr int n = 256, pad = 16;
    for (auto [type, level] : {std::pair{WindowType::Hann, -31.5},
                               {WindowType::Blackman, -58.1},
                               {WindowType::ExactBlackman, -68.2},
                               {WindowType::BlackmanHarris3, -70.8},
                               {WindowType::BlackmanHarris4, -92.0}}) {
        SCOPED_TRACE(static_cast<int>(type));
        std::vector<double> w(n, 1.0);
        ScaledWindowEx(w, type);
        // The window's spectrum at k / (n * pad) cycles per sample.
        auto magnitude = [&w](int k) {
            double re = 0, im = 0;
            for (int i = 0; i < n; ++i) {
                const double a = 2 * kPi * k * i / (n * pad);
                re += w[static_cast<std::size_t>(i)] * std::cos(a);
                im -= w[static_cast<std::size_t>(i)] * std::sin(a);
            }
            return std::hypot(re, im);
        };
        int k = 1;
        while (magnitude(k + 1) < magnitude(k)) ++k;  // down the main lobe to its first null
        double highest = 0;
        for (; k < n * pad / 4; ++k) highest = std::max(highest, magnitude(k));
        EXPECT_NEAR(20 * std::log10(highest / magnitude(0)), level, 0.5);
    }
}

TEST(PowerSpectrum, OneSidedPowerDcAndParseval) {
    double df = 0;
    std::vector<double> x = sine(1000, 2.0, 50);
    for (double& v : x) v += 0.5;
    const auto p = spectrumOf(x, 0.25, &df);
    ASSERT_EQ(p.size(), 500u);
    EXPECT_DOUBLE_EQ(df, 1.0 / (1000 * 0.25));
    EXPECT_NEAR(p[0], 0.25, 1e-12);  // the squared mean
    EXPECT_NEAR(p[50], 2.0, 1e-12);  // A^2 / 2
    EXPECT_NEAR(p[49] + p[51], 0.0, 1e-12);

    // Parseval: the bins add up to the mean square, but for the one bin that integer halving
    // leaves out.
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 0.3);
    std::vector<double> y(999);
    double meanSquare = 0;
    for (double& v : y) {
        v = noise(rng);
        meanSquare += v * v / 999;
    }
    double total = 0;
    for (double v : spectrumOf(y, 1.0)) total += v;
    EXPECT_NEAR(total, meanSquare, 0.01 * meanSquare);

    PowerSpectrum fft(16);
    std::vector<double> out(16, -1);
    EXPECT_EQ(fft.AutoPowerSpectrum(std::vector<double>(32), 1.0, out), 0.0);  // too long
    EXPECT_EQ(fft.AutoPowerSpectrum(std::vector<double>(8), 0.0, out), 0.0);   // no rate
    EXPECT_EQ(fft.AutoPowerSpectrum(std::vector<double>(1), 1.0, out), 0.0);
    EXPECT_EQ(out[0], -1);
}

TEST(SpectrumUnits, DensitiesIntegrateToTheVarianceAndDecibelsHaveAFloor) {
    const int n = 2048;
    const double dt = 0.125;
    std::vector<double> x = sine(n, 0.8, 100);
    const WindowConstants w = ScaledWindowEx(x, WindowType::Hann);
    double df = 0;
    const auto p = spectrumOf(x, dt, &df);
    std::vector<double> out(p.size());

    EXPECT_EQ(SpectrumUnitConversion(p, SpectrumType::Power, Scaling::Linear,
                                     DisplayUnit::PowerDensity, df, w, out),
              "m\u00B2/Hz");
    double area = 0;
    for (double v : out) area += v * df;
    EXPECT_NEAR(area, 0.8 * 0.8 / 2, 1e-9);  // the sine's variance, whatever the window

    SpectrumUnitConversion(p, SpectrumType::Power, Scaling::Linear, DisplayUnit::Rms, df, w, out);
    EXPECT_NEAR(out[100], 0.8 / std::sqrt(2.0), 1e-9);
    SpectrumUnitConversion(p, SpectrumType::Power, Scaling::Linear, DisplayUnit::Peak, df, w, out);
    EXPECT_NEAR(out[100], 0.8, 1e-9);
    SpectrumUnitConversion(p, SpectrumType::Power, Scaling::Linear, DisplayUnit::PowerPeak, df, w,
                           out);
    EXPECT_NEAR(out[100], 0.64, 1e-9);
    EXPECT_EQ(SpectrumUnitConversion(p, SpectrumType::Power, Scaling::Decibel, DisplayUnit::Peak,
                                     df, w, out),
              "dB re 1 m peak");
    EXPECT_NEAR(out[100], 20 * std::log10(0.8), 1e-9);

    const std::vector<double> silent{0.0, 0.0};
    std::vector<double> db(2);
    SpectrumUnitConversion(silent, SpectrumType::Power, Scaling::Decibel, DisplayUnit::PowerRms,
                           1.0, {}, db);
    EXPECT_EQ(db[1], kDecibelFloor);
    std::vector<double> untouched{7.0, 7.0};
    EXPECT_TRUE(SpectrumUnitConversion(silent, SpectrumType::Power, Scaling::Linear,
                                       DisplayUnit::PowerDensity, 0.0, {}, untouched)
                    .empty());
    EXPECT_EQ(untouched[0], 7.0);
}

TEST(BesselHighPass, PrototypeAndDigitalResponse) {
    // The prototype's poles, times its -3 dB frequency, are the roots of the reverse Bessel
    // polynomial s^5 + 15 s^4 + 105 s^3 + 420 s^2 + 945 s + 945, and it is 3 dB down at 1 rad/s.
    std::complex<double> product = 1;
    for (std::complex<double> p : BesselHighPass::prototypePoles()) {
        product *= -p / (std::complex<double>(0, 1) - p);
    }
    EXPECT_NEAR(std::abs(product), std::sqrt(0.5), 1e-9);
    const double w3 = 2.4274;  // published -3 dB frequency of the delay-normalised 5th order
    for (std::complex<double> p : BesselHighPass::prototypePoles()) {
        const std::complex<double> s = p * w3;
        EXPECT_LT(std::abs(((((s + 15.0) * s + 105.0) * s + 420.0) * s + 945.0) * s + 945.0), 0.2);
    }

    BesselHighPass f;
    ASSERT_TRUE(f.design(32.0, 0.01));
    EXPECT_NEAR(std::abs(f.response(0.01)), std::sqrt(0.5), 1e-9);
    EXPECT_NEAR(std::abs(f.response(16.0)), 1.0, 1e-9);
    EXPECT_GT(std::abs(f.response(0.1)), 0.995);    // a 10 s swell passes
    EXPECT_LT(std::abs(f.response(0.001)), 2e-4);   // the tide does not
    EXPECT_FALSE(f.design(0.01, 0.01));             // cut-off above Nyquist: refused
    std::vector<double> x{1.0, 2.0};
    EXPECT_FALSE(Bssl_HPF(x, 1.0, 0.0));
    EXPECT_EQ(x[1], 2.0);
}

TEST(BesselHighPass, FilteringFollowsTheDesignedResponse) {
    // The filter runs its three sections in one pass with their gains taken together; what it
    // does to an impulse must still be the designed response at every frequency. The impulse
    // response has died away (below 1e-15) well before the record ends, so its transform at a
    // frequency is the sum over the record.
    for (const double rate : {4.0, 32.0}) {
        BesselHighPass f;
        ASSERT_TRUE(f.design(rate, kTideCutoffHz));
        std::vector<double> h(65536, 0.0);
        h[0] = 1;
        f.apply(h);
        for (const double hz : {0.0, 0.002, 0.005, 0.01, 0.02, 0.1, 0.3, 1.0, rate / 2}) {
            std::complex<double> sum = 0;
            for (std::size_t i = 0; i < h.size(); ++i) {
                sum += h[i] * std::polar(1.0, -2 * kPi * hz * static_cast<double>(i) / rate);
            }
            EXPECT_LT(std::abs(sum - f.response(hz)), 1e-9)
                << rate << " samples/s, " << hz << " Hz";
        }
    }
}

TEST(WaveAnalyzer, TheKeptWindowFollowsTheLengthAndTheWindowType) {
    // The analyzer keeps its last window for the next record, and the transform plans of a few
    // lengths; a record of another length or another window must get its own, giving what a
    // fresh analyzer gives, also when more lengths come and go than plans are kept.
    const std::vector<double> record = sine(4096, 0.5, 101.3);
    WaveAnalyzer kept(4096);
    const std::pair<std::size_t, WindowType> runs[] = {
        {4096, WindowType::Hann},    {4096, WindowType::FlatTop}, {3000, WindowType::FlatTop},
        {4096, WindowType::Hann},    {3001, WindowType::Hann},    {2048, WindowType::Hann},
        {1000, WindowType::Hann},    {999, WindowType::Hann},     {3000, WindowType::Hann},
        {4096, WindowType::Hann},    {1000, WindowType::Hann},    {3001, WindowType::Hann},
        {2048, WindowType::Uniform}, {999, WindowType::Hann},     {3000, WindowType::Hann}};
    for (const auto& [n, type] : runs) {
        std::vector<double> a(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(n));
        std::vector<double> b = a;
        WaveAnalyzer fresh(4096);
        const WaveSettings settings{.window = type};
        const WaveResult r = kept.run(a, 4, settings);
        const WaveResult want = fresh.run(b, 4, settings);
        EXPECT_EQ(r.spectral.m0, want.spectral.m0) << n;
        EXPECT_EQ(r.spectral.peakFrequency, want.spectral.peakFrequency) << n;
        ASSERT_EQ(kept.spectrum().size(), n / 2);
        EXPECT_TRUE(
            std::equal(kept.spectrum().begin(), kept.spectrum().end(), fresh.spectrum().begin()))
            << n;
    }
}

TEST(WaveAnalyzer, ARecordInTheTransformsOwnBufferGivesWhatACopyGives) {
    // --analyze puts a day's record straight into the transform's input buffer, where it is
    // windowed in place and the spectrum then takes its place: the same results as a record
    // in an array of its own, for the analyzer and for the bare spectrum (with no window).
    const std::vector<double> record = sine(3000, 0.7, 87.6, 1.1);
    for (const bool tide : {false, true}) {
        WaveAnalyzer own(4096), inPlace(4096);
        std::vector<double> a = record;
        const WaveSettings settings{.window = WindowType::Hann, .tideFilter = tide};
        const WaveResult want = own.run(a, 4, settings);
        const std::span<double> buffer = inPlace.recordBuffer().first(record.size());
        std::copy(record.begin(), record.end(), buffer.begin());
        const WaveResult r = inPlace.run(buffer, 4, settings);
        EXPECT_EQ(r.hmo, want.hmo);
        EXPECT_EQ(r.spectral.m0, want.spectral.m0);
        EXPECT_EQ(r.waves.waves, want.waves.waves);
        ASSERT_EQ(inPlace.spectrum().size(), own.spectrum().size());
        EXPECT_TRUE(std::equal(inPlace.spectrum().begin(), inPlace.spectrum().end(),
                               own.spectrum().begin()));
    }
    PowerSpectrum fft(4096);
    const std::span<double> in = fft.input().first(record.size());
    std::copy(record.begin(), record.end(), in.begin());
    const std::span<double> out = fft.input().first(record.size() / 2);
    EXPECT_EQ(fft.AutoPowerSpectrum(in, 0.25, out), 1.0 / (3000 * 0.25));
    const std::vector<double> want = spectrumOf(record, 0.25);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), want.begin()));
}

TEST(BesselHighPass, TakesOutATideAndKeepsTheWavesInTime) {
    const double rate = 4;
    std::vector<double> x(static_cast<std::size_t>(rate * 3000));
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        x[i] = 0.5 * std::sin(2 * kPi * t / 10) + 1.0 * std::sin(2 * kPi * t / 1000 + 1);
    }
    ASSERT_TRUE(Bssl_HPF(x, rate, kTideCutoffHz));
    // After the start-up transient, only the 10 s wave is left, with its amplitude (shifted
    // in phase, as any causal high-pass shifts it).
    const std::span<const double> tail(x.begin() + static_cast<std::ptrdiff_t>(rate * 1000), x.end());
    const MeanSdev s = StdDev(tail);
    EXPECT_NEAR(s.mean, 0.0, 0.005);
    EXPECT_NEAR(s.sdev, 0.5 / std::sqrt(2.0), 0.005);
    EXPECT_LT(*std::max_element(tail.begin(), tail.end()), 0.51);
}

TEST(Section, SkipsMissingPointsAndClampsItsBounds) {
    const std::vector<double> data{1, -101.0, 2, NAN, 3, 4};
    std::vector<double> work(6);
    EXPECT_EQ(copySection(data, 0, 6, -101.0, work), 4);
    EXPECT_EQ(work[2], 3.0);
    EXPECT_EQ(copySection(data, -50, 1000, -101.0, work), 4);
    EXPECT_EQ(copySection(data, 4, 2, -101.0, work), 0);
}

}  // namespace
