#pragma once
#include <string>
#include <vector>

#include "analysis/wave_analysis.h"
#include "chart/chart.h"
#include "chart/chart_state.h"
#include "platform/panel.h"

namespace analysis {

// The title block printed above the chart or the spectrum: station (the file played back, or
// the ports of live data), unit type, devices charted, the time span the chart holds and the
// analysis settings with the last result.
std::vector<std::string> printTitleBlock(const platform::Panel& panel, const chart::Chart& chart,
                                         const chart::ChartCtr& ctr, const WaveAnalysis& analysis);

}  // namespace analysis
