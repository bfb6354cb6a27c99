#include "chart/chart.h"

#include <gtest/gtest.h>

#include "chart_rig.h"

namespace {

using chart::kNoData;
using chart::kTracePoints;
using chart_test::ChartRig;
using platform::Ctl;
using platform::Event;

constexpr const char* kT0 = "2014-02-10T16:00:40";

struct ChartTest : ChartRig {};

TEST_F(ChartTest, TracesAreSizedByScaleAndRateAndRefuseUnknownAndGenericDevices) {
    aBurst(4, 32, kT0);
    commit(Ctl::RawPlotXAsis, 10);
    selectTrace(0, 4);
    EXPECT_EQ(trace(0).DeviceNum, 4);
    EXPECT_EQ(trace(0).Rate, 32);
    EXPECT_EQ(trace(0).NumPoints, 5120.0f);  // 16 x 10 x 32
    EXPECT_EQ(trace(0).PlotX[1], static_cast<double>(1.0f / 320.0f));
    EXPECT_EQ(graph().xAxis().gain, 10);
    EXPECT_EQ(drawn(0).size(), 5120u);
    EXPECT_EQ(drawnPoints(0), 0);  // nothing drawn before plotting

    commit(Ctl::RawPlotXAsis, 200);  // 102,400 points would not fit
    EXPECT_EQ(trace(0).NumPoints, static_cast<float>(kTracePoints));

    selectTrace(1, 99);  // no unit carries 99
    EXPECT_EQ(trace(1).DeviceNum, 0);
    EXPECT_EQ(panel.intValue(Ctl::TraceSelect2), 0);

    std::string g = live_test::burstHead('G', 9, 1);
    for (int i = 0; i < 128; ++i) g += static_cast<char>(i);
    rx(9, g);
    selectTrace(2, 9);
    EXPECT_EQ(trace(2).DeviceNum, 0);
    EXPECT_EQ(panel.intValue(Ctl::TraceSelect3), 0);
    EXPECT_EQ(graph().plots().size(), 1u);  // only trace 1 has a plot
}

TEST_F(ChartTest, BlocksLandAtTheirTimeJoinWhenContiguousAndLeaveGapsOtherwise) {
    aBurst(4, 8, kT0);
    selectTrace(0, 4);
    commit(Ctl::YAxisOffset, 1.0);
    commit(Ctl::YAxisRange, 2.0);
    startPlotting();
    EXPECT_EQ(panel.text(Ctl::ChartStartTime), "YYYY-MM-DDThh:mm:ss.sss");

    aBurst(4, 8, kT0, 2000);  // the first block sets the start time: X = 0
    EXPECT_EQ(panel.text(Ctl::ChartStartTime), std::string(kT0) + ".000");
    EXPECT_EQ(trace(0).Data[0], 2.0);
    EXPECT_EQ(trace(0).PlotY[31], 0.5);  // (2.0 - 1.0) / 2.0
    EXPECT_EQ(trace(0).WriteLoc, 32);

    aBurst(4, 8, "2014-02-10T16:00:44");  // 4 s later at 8 Hz: position 32, contiguous
    aBurst(4, 8, "2014-02-10T16:00:52");  // a gap of 4 s: position 96
    EXPECT_EQ(stored(0), 96);
    EXPECT_EQ(trace(0).Data[64], kNoData);
    EXPECT_EQ(trace(0).Data[96], 1.5);
    // The graph draws the same points, with no line across the gap, in one plot.
    EXPECT_EQ(drawnPoints(0), 96);
    EXPECT_TRUE(std::isnan(drawn(0)[64]));
    EXPECT_DOUBLE_EQ(drawn(0)[96], 0.25);
    EXPECT_EQ(graph().plots().size(), 1u);
    EXPECT_EQ(graph().yAxis().gain, 2.0);
    EXPECT_EQ(graph().yAxis().offset, 1.0);

    aBurst(4, 8, "2014-02-10T16:00:37", 3000);  // before the start time: not stored, not drawn
    EXPECT_EQ(stored(0), 96);
    EXPECT_EQ(trace(0).Data[0], 2.0);
}

TEST_F(ChartTest, AFullTraceRestartsTheChartOrStopsPlotting) {
    aBurst(4, 8, kT0);
    aBurst(5, 8, kT0);
    selectTrace(0, 4);
    selectTrace(1, 5);
    startPlotting();
    aBurst(4, 8, kT0);
    aBurst(5, 8, kT0);
    // 16 s at 8 Hz = 128 points: the block at 14 s (position 112) does not fit.
    aBurst(4, 8, "2014-02-10T16:00:54");
    EXPECT_EQ(panel.text(Ctl::ChartStartTime), "2014-02-10T16:00:54.000");
    EXPECT_EQ(stored(0), 32);
    EXPECT_EQ(trace(0).Data[0], 1.5);
    EXPECT_EQ(stored(1), 0);  // every trace starts again empty
    EXPECT_EQ(drawnPoints(1), 0);
    EXPECT_EQ(panel.intValue(Ctl::RawStartStop), 1);

    commit(Ctl::StopWhenFull, 1);
    aBurst(4, 8, "2014-02-10T16:01:20");
    EXPECT_EQ(host->chartCtr().PlotRun, 0);
    EXPECT_EQ(panel.intValue(Ctl::RawStartStop), 0);
    EXPECT_EQ(stored(0), 32);  // kept for the analysis
    aBurst(4, 8, "2014-02-10T16:00:58");
    EXPECT_EQ(stored(0), 32);  // plotting is off
}

TEST_F(ChartTest, ContinuousSamplesTakeTheirPlaceFromTimeTagAndCount) {
    timeTag(3, "2014-02-10", "16:00:40");
    samples(3, 4, 1);
    selectTrace(0, 3);
    startPlotting();
    samples(3, 4, 3);  // counts 2, 3, 4
    EXPECT_EQ(panel.text(Ctl::ChartStartTime), std::string(kT0) + ".000");
    EXPECT_EQ(stored(0), 3);
    EXPECT_EQ(trace(0).Data[4], 1.0);
    EXPECT_EQ(trace(0).WriteLoc, 5);  // one past the last sample, so the analysis takes it

    timeTag(3, "2014-02-10", "16:00:42");  // 2 s later, count from 0
    samples(3, 4, 1);
    EXPECT_EQ(trace(0).Data[9], 1.0);  // 2 s x 4 Hz + 1

    // 16 s at 4 Hz = 64 points: the first sample after 16:00:58 overflows. The chart starts
    // again at the sample's whole second, where it keeps its place (sample 1).
    timeTag(3, "2014-02-10", "16:00:58");
    samples(3, 4, 1, 2500);
    EXPECT_EQ(panel.text(Ctl::ChartStartTime), "2014-02-10T16:00:58.000");
    EXPECT_EQ(stored(0), 1);
    EXPECT_EQ(trace(0).Data[1], 2.5);
    samples(3, 4, 1, 2500);
    EXPECT_EQ(drawnPoints(0), 2);  // the next sample joins on
    EXPECT_TRUE(std::isfinite(drawn(0)[2]));
}

TEST_F(ChartTest, ContinuousTimeTagsOutOfRangeAreForcedInAndUndatedSamplesWait) {
    samples(3, 4, 1);
    selectTrace(0, 3);
    startPlotting();
    samples(3, 4, 2);  // no date yet: no place on the chart
    EXPECT_EQ(stored(0), 0);
    EXPECT_EQ(host->chartCtr().FirstSample, 1);

    timeTag(3, "1999-13-10", "16:00:40");
    samples(3, 4, 1);
    EXPECT_EQ(panel.text(Ctl::ChartStartTime), "2000-01-10T16:00:40.000");
    EXPECT_EQ(stored(0), 1);
}

TEST_F(ChartTest, FirstTraceOfADeviceWinsAndARateChangeSetsOnlyThatTraceUpAgain) {
    aBurst(4, 8, kT0);
    aBurst(5, 8, kT0);
    selectTrace(1, 4);
    selectTrace(2, 4);
    selectTrace(3, 5);
    startPlotting();
    aBurst(4, 8, kT0);
    aBurst(5, 8, kT0);
    EXPECT_EQ(stored(1), 32);
    EXPECT_EQ(stored(2), 0);

    aBurst(4, 16, "2014-02-10T16:00:42");  // now 16 Hz: position 32 of a 256-point trace
    EXPECT_EQ(trace(1).Rate, 16);
    EXPECT_EQ(trace(1).NumPoints, 256.0f);
    EXPECT_EQ(stored(1), 32);
    EXPECT_EQ(trace(1).Data[32], 1.5);
    EXPECT_EQ(stored(3), 32);  // the other unit's samples stay
    EXPECT_EQ(drawnPoints(3), 32);
}

TEST_F(ChartTest, StartingWithNoTraceChosenTracesUnitsAsTheyReport) {
    aBurst(4, 8, kT0);
    startPlotting();
    EXPECT_TRUE(chart().followingUnits());
    aBurst(4, 8, kT0);
    aBurst(6, 8, kT0);  // a unit that appears while plotting
    EXPECT_EQ(panel.intValue(Ctl::TraceSelect1), 4);
    EXPECT_EQ(panel.intValue(Ctl::TraceSelect2), 6);
    EXPECT_EQ(stored(0), 32);
    EXPECT_EQ(stored(1), 32);

    selectTrace(1, 0);  // the operator's choice ends it
    EXPECT_FALSE(chart().followingUnits());
    aBurst(7, 8, kT0);
    EXPECT_EQ(panel.intValue(Ctl::TraceSelect2), 0);

    commit(Ctl::RawStartStop, 0);
    startPlotting();  // trace 1 is chosen: no following
    EXPECT_FALSE(chart().followingUnits());
}

TEST_F(ChartTest, ScalesRefuseDivisionByZeroAndAUnitTypeChangeClearsTheTraces) {
    for (const auto& item : panel.items(Ctl::RawPlotXAsis)) EXPECT_GT(item.value, 0);
    commit(Ctl::YAxisRange, 0);
    EXPECT_EQ(host->chartCtr().YRange, 6.0);
    EXPECT_EQ(panel.value(Ctl::YAxisRange), 6.0);
    commit(Ctl::RawPlotXAsis, 0);  // only reachable from code: taken as 1
    EXPECT_EQ(host->chartCtr().XScale, 1);

    aBurst(4, 8, kT0);
    selectTrace(0, 4);
    commit(Ctl::UnitTypeRing, 3);
    EXPECT_EQ(trace(0).DeviceNum, 0);
    EXPECT_EQ(panel.intValue(Ctl::TraceSelect1), 0);
    EXPECT_TRUE(graph().plots().empty());
}

TEST_F(ChartTest, EntriesShowTheHintWhileEditedAndCursorsReadInSecondsAndMetres) {
    panel.raise(Ctl::TraceSelect4, Event::KeyPress);
    EXPECT_TRUE(panel.visible(Ctl::EntryHint));
    EXPECT_EQ(panel.textColor(Ctl::TraceSelect4), platform::kRed);
    panel.raise(Ctl::TraceSelect4, Event::LostFocus);
    EXPECT_FALSE(panel.visible(Ctl::EntryHint));
    EXPECT_EQ(panel.textColor(Ctl::TraceSelect4), platform::kBlack);

    commit(Ctl::RawPlotXAsis, 5);
    commit(Ctl::YAxisOffset, -1);
    panel.graph(Ctl::ChartGraph).setCursor(1, 8.0, 0.25);
    panel.raise(Ctl::ChartGraph, Event::ValueChanged);
    EXPECT_EQ(panel.value(Ctl::RightXAxis), 40.0);
    EXPECT_EQ(panel.value(Ctl::RightYaxis), 0.5);  // 0.25 x 6 - 1
}

}  // namespace
