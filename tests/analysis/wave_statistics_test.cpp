// Wave statistics: known answers of synthetic records, and reference values made
// independently with NumPy/SciPy for recorded files read as --analyze reads them.
#include "analysis/wave_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <vector>

#include "analysis/batch_analysis.h"
#include "analysis/reference_values.h"

namespace {

using namespace analysis;
constexpr double kPi = std::numbers::pi;

// n samples of a cosine about zero, `perWave` samples a period, starting at `phase`.
std::vector<double> cosine(int n, double amplitude, int perWave, double phase = 0) {
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        x[static_cast<std::size_t>(i)] = amplitude * std::cos(2 * kPi * i / perWave + phase);
    }
    return x;
}

TEST(ZeroCrossing, PureSineGivesItsHeightAndPeriodAndDropsTheIncompleteEnds) {
    // 0.75 m amplitude, 30 samples a period at 4 samples/s: 7.5 s. 10.5 periods starting on a
    // crest hold 10 up-crossings: 9 whole waves, the half wave at each end left out.
    ZeroCrossing zc;
    const ZeroCrossingStatistics z = zc.run(cosine(315, 0.75, 30), 4);
    EXPECT_EQ(z.waves, 9);
    EXPECT_DOUBLE_EQ(z.hmax, 1.5);
    EXPECT_DOUBLE_EQ(z.h13, 1.5);
    EXPECT_DOUBLE_EQ(z.hrms, 1.5);
    EXPECT_NEAR(z.tz, 7.5, 1e-12);
    EXPECT_NEAR(z.t13, 7.5, 1e-12);

    // A crossing between samples is interpolated: shifting the record by a fraction of a
    // sample leaves the periods exact.
    const ZeroCrossingStatistics shifted = zc.run(cosine(315, 0.75, 30, 0.37), 4);
    EXPECT_NEAR(shifted.tz, 7.5, 1e-9);
}

TEST(ZeroCrossing, HighestThirdAndTooShortRecords) {
    // Waves of 2, 4, ... 12 m, each 8 samples (2 s at 4/s) from +0.5 over the crest to -0.5
    // after the trough, so every up-crossing lies half way between two samples.
    std::vector<double> x{-0.5};
    for (int h = 1; h <= 6; ++h) {
        for (double v : {0.5, 1.0 * h, 1.0 * h, 0.5, -0.5, -1.0 * h, -1.0 * h, -0.5})
            x.push_back(v);
    }
    x.push_back(0.5);
    ZeroCrossing zc;
    const ZeroCrossingStatistics z = zc.run(x, 4);
    ASSERT_EQ(z.waves, 6);
    EXPECT_DOUBLE_EQ(z.hmax, 12);
    // The highest third: the 12 m and 10 m waves.
    EXPECT_DOUBLE_EQ(z.h13, 11);
    EXPECT_DOUBLE_EQ(z.t13, 2);
    EXPECT_DOUBLE_EQ(z.tz, 2);
    EXPECT_NEAR(z.hrms, 2 * std::sqrt(91.0 / 6), 1e-12);

    // Two waves are no third: H1/3 and T1/3 have no value (not a height of 0), the rest is
    // defined.
    const ZeroCrossingStatistics two = zc.run(std::span(x).first(25), 4);
    EXPECT_EQ(two.waves, 2);
    EXPECT_TRUE(std::isnan(two.h13));
    EXPECT_TRUE(std::isnan(two.t13));
    EXPECT_DOUBLE_EQ(two.hmax, 4);
    // A record that never crosses zero upwards holds no wave, and no height or period.
    const ZeroCrossingStatistics none = zc.run(std::vector<double>(100, -1.0), 4);
    EXPECT_EQ(none.waves, 0);
    for (double v : {none.hmax, none.h13, none.hrms, none.tz, none.t13}) EXPECT_TRUE(std::isnan(v));
}

TEST(SpectralMoments, SineOnABinAndAnEmptySpectrum) {
    // Power 0.28125 (A = 0.75 m) on bin 256 of df = 1/1920 Hz, a uniform window.
    std::vector<double> power(3840, 0.0);
    power[0] = 2.25;  // the mean's bin is left out
    power[256] = 0.28125;
    const SpectralStatistics s = spectralMoments(power, 1.0 / 1920, 1.0);
    EXPECT_DOUBLE_EQ(s.m0, 0.28125);
    EXPECT_NEAR(s.peakFrequency, 256.0 / 1920, 1e-15);
    EXPECT_NEAR(s.tp, 7.5, 1e-12);
    EXPECT_NEAR(s.tm01, 7.5, 1e-12);
    EXPECT_NEAR(s.tm02, 7.5, 1e-12);
    // A window's noise bandwidth divides the power, so m0 stays the variance.
    EXPECT_DOUBLE_EQ(spectralMoments(power, 1.0 / 1920, 1.5).m0, 0.1875);

    const SpectralStatistics none = spectralMoments(std::vector<double>(100, 0.0), 0.1, 1.5);
    EXPECT_EQ(none.m0, 0);
    EXPECT_EQ(none.tp, 0);
    EXPECT_EQ(none.tm02, 0);
}

// Each record of tests/data/waves read and analysed as --analyze does it, against the values
// NumPy and SciPy gave for the same samples.
void expectReference(const std::string& record, const std::string& file,
                     const BatchOptions& options) {
    const auto reference = analysis_test::referenceValues();
    ASSERT_TRUE(reference.contains(record));
    std::ifstream in(analysis_test::waveFile(file), std::ios::binary);
    const Recording rec = readRecording(in);
    ASSERT_EQ(rec.devices.size(), 1u);
    ResultRow row;
    std::vector<double> spectrum;
    ASSERT_EQ(analyseDevice(rec, rec.devices[0], options, row, spectrum), "");
    const auto got = analysis_test::statisticsOf(row);
    for (const auto& [name, want] : reference.at(record)) {
        ASSERT_TRUE(got.contains(name)) << name;
        EXPECT_NEAR(got.at(name), want, 1e-7 * std::max(1.0, std::abs(want)))
            << record << " " << name;
    }
    EXPECT_EQ(spectrum.size(), static_cast<std::size_t>(row.result.points / 2));
}

TEST(WaveReference, PureSineMatchesItsKnownAnswers) {
    expectReference("sine", "sine.csv", {});
    // The known answers themselves: Hmax = H1/3 = 2 x amplitude, Tz = period.
    const auto ref = analysis_test::referenceValues().at("sine");
    EXPECT_DOUBLE_EQ(ref.at("hmax"), 1.5);
    EXPECT_DOUBLE_EQ(ref.at("h13"), 1.5);
    EXPECT_NEAR(ref.at("tz"), 7.5, 1e-9);
    EXPECT_NEAR(ref.at("tp"), 7.5, 1e-9);
}

TEST(WaveReference, IrregularSeaWholeAndBetweenTimes) {
    expectReference("sea", "sea.csv", {});
    expectReference("sea_300_900", "sea.csv",
                    {.section = true, .sectionStart = 300, .sectionEnd = 900});
}

}  // namespace
