// The analysis page on the whole program: a trace filled with a synthetic sea, analysed the
// way an operator does it.
#include "analysis/wave_analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>

#include "chart/chart_rig.h"

namespace {

using chart_test::ChartRig;
using platform::Ctl;
constexpr double kPi = std::numbers::pi;

struct WaveAnalysisTest : ChartRig {
    // Trace t follows `device` at `rate` samples/s over `scale` seconds per division, and
    // holds the first `n` samples of level(time in seconds).
    void fill(int t, int device, int rate, int scale, int n, const std::function<double(double)>& level) {
        aBurst(device, rate, "2014-02-10T16:00:40");
        commit(Ctl::RawPlotXAsis, scale);
        selectTrace(t, device);
        chart::TraceBuffer& b = chart().trace(t);
        ASSERT_LE(n, static_cast<int>(b.NumPoints));
        for (int i = 0; i < n; ++i) b.Data[static_cast<std::size_t>(i)] = level(double(i) / rate);
        b.WriteLoc = n;
    }
    void analyse(int traceNumber) {
        commit(Ctl::AnalyzeTraceSelect, traceNumber);
        panel.raise(Ctl::AnalyzeButton, platform::Event::Commit);
    }
    const platform::Graph& spectrumGraph(Ctl id) { return panel.graph(id); }
    double hmo() { return panel.value(Ctl::SignifwaveHeight); }
    std::string status() { return panel.text(Ctl::AnalysisStatus); }
};

TEST_F(WaveAnalysisTest, SyntheticSeaGivesMeanHmoAndSpectralPeaks) {
    // One hour at 8 samples/s: swell of 0.5 m at 0.1 Hz, wind sea of 0.2 m at 0.25 Hz and
    // noise of 0.05 m on a 2 m level. Both waves lie on spectrum bins (df = 1/3600 Hz).
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 0.05);
    fill(1, 4, 8, 225, 28800, [&](double t) {
        return 2.0 + 0.5 * std::sin(2 * kPi * 0.1 * t) + 0.2 * std::cos(2 * kPi * 0.25 * t) +
               noise(rng);
    });
    commit(Ctl::DisplayUnitRing, static_cast<int>(analysis::DisplayUnit::PowerRms));
    analyse(2);

    EXPECT_EQ(panel.intValue(Ctl::AnalyzedDevice), 4);
    EXPECT_NEAR(panel.value(Ctl::AnalysisMean), 2.0, 0.002);
    EXPECT_NEAR(hmo(), 4 * std::sqrt(0.125 + 0.02 + 0.0025), 0.01);
    EXPECT_EQ(panel.text(Ctl::SpectrumUnit), "m\u00B2 rms");
    EXPECT_EQ(panel.textColor(Ctl::AnalyzeButton), platform::kBlack);

    // fmax = 8 / 8 = 1 Hz: the 1 Hz graph alone, a quarter of the record drawn in blue.
    EXPECT_EQ(host->waveAnalysis().shownGraph(), Ctl::SpectrumGraph1);
    for (Ctl g : {Ctl::SpectrumGraph025, Ctl::SpectrumGraph05, Ctl::SpectrumGraph2,
                  Ctl::SpectrumGraph4}) {
        EXPECT_FALSE(panel.visible(g));
    }
    ASSERT_TRUE(panel.visible(Ctl::SpectrumGraph1));
    ASSERT_EQ(spectrumGraph(Ctl::SpectrumGraph1).plots().size(), 1u);
    const auto& plot = spectrumGraph(Ctl::SpectrumGraph1).plots()[0];
    EXPECT_EQ(plot.y.size(), 7200u);
    EXPECT_EQ(plot.color, 0x0000FFu);
    EXPECT_DOUBLE_EQ(plot.dx, 1.0 / 3600);
    EXPECT_NEAR(plot.y[360], 0.125, 0.003);  // A^2 / 2 at 0.1 Hz
    EXPECT_NEAR(plot.y[900], 0.02, 0.002);   // and at 0.25 Hz
    // Everywhere else only noise.
    for (std::size_t k = 0; k < plot.y.size(); ++k) {
        if (k < 358 || (k > 362 && k < 898) || k > 902) {
            ASSERT_LT(plot.y[k], 1e-4) << k;
        }
    }

    // The variance density's area is the variance: Hmo again.
    commit(Ctl::DisplayUnitRing, static_cast<int>(analysis::DisplayUnit::PowerDensity));
    EXPECT_EQ(panel.textColor(Ctl::AnalyzeButton), platform::kRed);  // result now stale
    analyse(2);
    double area = 0;
    for (double v : spectrumGraph(Ctl::SpectrumGraph1).plots()[0].y) area += v / 3600;
    EXPECT_NEAR(4 * std::sqrt(area), hmo(), 0.02);
}

TEST_F(WaveAnalysisTest, TideFilterRemovesTheTideAndKeepsTheWaves) {
    // An hour of a 12.42 h tide of 2 m amplitude under a 0.5 m swell.
    fill(0, 7, 8, 225, 28800, [](double t) {
        return 3.0 + 2 * std::sin(2 * kPi * t / 44712.0) + 0.5 * std::sin(2 * kPi * 0.1 * t);
    });
    analyse(1);
    EXPECT_GT(hmo(), 1.7);  // the tide's rise counts as waves
    commit(Ctl::TideFilter, 1);
    analyse(1);
    EXPECT_NEAR(hmo(), 4 * 0.5 / std::sqrt(2.0), 0.03);
    EXPECT_NE(status().find("tide filtered"), std::string::npos);
}

TEST_F(WaveAnalysisTest, SectionBetweenCursorsSwapsThemAndSkipsGaps) {
    // 4 samples/s: cursors at 10.7 s and 3.2 s take samples 12 to 39; 20 and 21 are missing
    // and 50 (outside) would spoil the mean.
    fill(2, 5, 4, 1, 64, [](double t) { return t * 4; });
    chart::TraceBuffer& b = chart().trace(2);
    b.Data[20] = b.Data[21] = chart::kNoData;
    b.Data[50] = 1e6;
    panel.graph(Ctl::ChartGraph).setCursor(0, 10.7, 0);
    panel.graph(Ctl::ChartGraph).setCursor(1, 3.2, 0);
    commit(Ctl::XAxisCursor, 1);
    analyse(3);
    EXPECT_NEAR(panel.value(Ctl::AnalysisMean), (714.0 - 41.0) / 26, 1e-9);
    EXPECT_NE(status().find("26 samples"), std::string::npos) << status();
    EXPECT_EQ(host->waveAnalysis().shownGraph(), Ctl::SpectrumGraph05);  // 4 / 8 Hz
    EXPECT_EQ(spectrumGraph(Ctl::SpectrumGraph05).plots()[0].y.size(), 6u);
    EXPECT_EQ(spectrumGraph(Ctl::SpectrumGraph05).plots()[0].color, 0x00FF00u);

    // Both cursors in the same second select nothing: refused, the result stays.
    panel.graph(Ctl::ChartGraph).setCursor(1, 10.2, 0);
    analyse(3);
    EXPECT_NE(status().find("No samples of trace 3 between the cursors"), std::string::npos);
    EXPECT_NEAR(panel.value(Ctl::AnalysisMean), (714.0 - 41.0) / 26, 1e-9);
}

TEST_F(WaveAnalysisTest, EmptyOrShortTracesAreRefusedAndLeaveTheLastResult) {
    panel.raise(Ctl::AnalyzeButton, platform::Event::Commit);
    EXPECT_EQ(status(), "Choose a trace to analyse.");
    analyse(6);  // trace 6 follows no unit
    EXPECT_EQ(status(), "Trace 6 follows no unit: enter a device number for it on the plot page.");

    fill(0, 4, 8, 1, 100, [](double t) { return std::sin(t); });
    analyse(1);
    const double shown = hmo();
    EXPECT_GT(shown, 0);
    ASSERT_EQ(spectrumGraph(Ctl::SpectrumGraph1).plots().size(), 1u);

    fill(1, 9, 8, 1, 0, [](double) { return 0.0; });
    analyse(2);
    EXPECT_EQ(status(), "Trace 2 holds no samples yet.");
    // Choosing another trace cleared the spectrum; the read-outs keep the last run's values.
    EXPECT_TRUE(spectrumGraph(Ctl::SpectrumGraph1).plots().empty());
    EXPECT_EQ(hmo(), shown);
    EXPECT_EQ(panel.intValue(Ctl::AnalyzedDevice), 4);

    // Ten samples among gaps.
    chart::TraceBuffer& b = chart().trace(1);
    for (int i = 0; i < 30; ++i) b.Data[static_cast<std::size_t>(i)] = i % 3 == 0 ? 1.0 : chart::kNoData;
    b.WriteLoc = 30;
    analyse(2);
    EXPECT_EQ(status(), "Only 10 samples in the section: an analysis needs at least 16.");
    EXPECT_EQ(hmo(), shown);
    EXPECT_FALSE(std::isnan(panel.value(Ctl::AnalysisMean)));
    EXPECT_EQ(panel.textColor(Ctl::AnalyzeButton), platform::kBlack);
}

TEST_F(WaveAnalysisTest, MaximumFrequencyChoosesTheGraph) {
    fill(0, 4, 32, 1, 512, [](double t) { return std::sin(t); });
    analyse(1);
    EXPECT_EQ(host->waveAnalysis().shownGraph(), Ctl::SpectrumGraph4);  // 32 / 8 = 4 Hz
    commit(Ctl::AnalyzeMax, 0.2);
    analyse(1);
    EXPECT_EQ(host->waveAnalysis().shownGraph(), Ctl::SpectrumGraph025);
    EXPECT_FALSE(panel.visible(Ctl::SpectrumAboveRange));

    commit(Ctl::AnalyzeMax, 5);
    fill(1, 6, 32, 2, 1024, [](double t) { return 1.0 + 0.1 * std::sin(t); });
    analyse(2);  // above 4 Hz: no graph, but the read-outs are updated
    EXPECT_EQ(host->waveAnalysis().shownGraph(), Ctl::Count);
    EXPECT_TRUE(panel.visible(Ctl::SpectrumAboveRange));
    EXPECT_NEAR(panel.value(Ctl::AnalysisMean), 1.0, 0.01);
    EXPECT_EQ(panel.intValue(Ctl::AnalyzedDevice), 6);

    // A maximum above a quarter of the rate draws on to the graph's end.
    commit(Ctl::AnalyzeMax, 3);
    fill(2, 3, 8, 2, 256, [](double t) { return std::sin(t); });
    analyse(3);
    EXPECT_EQ(host->waveAnalysis().shownGraph(), Ctl::SpectrumGraph4);
    EXPECT_EQ(spectrumGraph(Ctl::SpectrumGraph4).plots()[0].y.size(), 128u);  // up to 4 Hz
}

}  // namespace
