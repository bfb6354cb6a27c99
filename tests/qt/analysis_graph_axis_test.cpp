// The analysis page's spectrum as the window draws it, from samples that reached the chart the
// way a unit sends them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>

#include "analysis/power_units.h"
#include "chart/chart_rig.h"
#include "qt/plot_painter.h"

namespace {

using chart_test::ChartRig;
using platform::Ctl;
using platform::Event;

struct SpectrumAxis : ChartRig {
    // "A" bursts of device 4 at 8 samples/s: a 0.25 Hz wave of 0.5 m on a 2 m mean.
    void sendWave(int bursts) {
        for (int b = 0; b < bursts; ++b) {
            char time[32];
            std::snprintf(time, sizeof time, "2014-02-10T16:%02d:%02d", b * 4 / 60, b * 4 % 60);
            std::string s = live_test::burstHead('A', 4, 8, '0', time);
            for (int i = 0; i < 32; ++i) {
                const double t = b * 4 + i / 8.0;
                char v[8];
                std::snprintf(
                    v, sizeof v, "%06d",
                    static_cast<int>(std::lround(2000 + 500 * std::sin(std::numbers::pi / 2 * t))));
                s += v;
            }
            rx(4, s);
        }
    }
    const platform::Graph* shownSpectrum() {
        for (Ctl id : {Ctl::SpectrumGraph025, Ctl::SpectrumGraph05, Ctl::SpectrumGraph1,
                       Ctl::SpectrumGraph2, Ctl::SpectrumGraph4}) {
            if (panel.visible(id) && !panel.graph(id).plots().empty()) return &panel.graph(id);
        }
        return nullptr;
    }
};

// With no window, the mean-removed DC bin has no power and shows the decibel floor: the
// autoscaled axis used to reach down to it, squashing the spectrum into the top of the graph.
TEST_F(SpectrumAxis, BinsAtTheDecibelFloorDoNotSetTheAutoscaledAxis) {
    sendWave(1);
    commit(Ctl::RawPlotXAsis, 10);
    selectTrace(0, 4);
    startPlotting();
    sendWave(30);
    commit(Ctl::WindowRing, 0);   // uniform
    commit(Ctl::ScalingRing, 1);  // decibels
    commit(Ctl::AnalyzeTraceSelect, 1);
    panel.raise(Ctl::AnalyzeButton, Event::Commit);
    const platform::Graph* g = shownSpectrum();
    ASSERT_NE(g, nullptr);
    const std::vector<double>& y = g->plots().front().y;
    ASSERT_LE(y.front(), analysis::kDecibelFloor) << "the DC bin is at the floor";
    const qtui::PlotPainter::Range r = qtui::PlotPainter::yRange(*g);
    double lowest = 0;
    for (double v : y) lowest = v > analysis::kDecibelFloor ? std::min(lowest, v) : lowest;
    EXPECT_GT(r.lo, analysis::kDecibelFloor / 2);
    EXPECT_LE(r.lo, lowest) << "every bin with power stays in view";

    // The help of Hmo says what it is, for every window.
    panel.raise(Ctl::SignifwaveHeight, Event::RightClick);
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().title, "SIGNIFICATE WAVE HEIGHT Hmo");
    EXPECT_EQ(dialogs.shown.back().text,
              "This is the standard deviation of the selected\nsample points times 4, or 4 * "
              "sqrt Variance.");
    panel.raise(Ctl::DisplayUnitRing, Event::RightClick);
    EXPECT_EQ(dialogs.shown.back().text.find("Hmo"), std::string::npos)
        << "no other help gives another rule for Hmo";
}

}  // namespace
