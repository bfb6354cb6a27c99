#pragma once
#include <string>

#include "analysis/wave_analysis.h"
#include "chart/chart.h"
#include "platform/panel.h"
#include "platform/unit_types.h"

namespace app {

// Captions that name the unit of the readings follow it: the live data column, the chart's
// scales, cursors and level axis, the analysis results, spectrum units and exported headers
// read bar while a Swellmeter reads in bar, and metres otherwise.
class LevelLabels {
  public:
    LevelLabels(platform::Panel& panel, const platform::Session& session, chart::Chart& chart,
                analysis::WaveAnalysis& analysis)
        : panel_(panel), session_(session), chart_(chart), analysis_(analysis) {}

    // The unit type or the Swellmeter's pressure units changed.
    void update();

  private:
    platform::Panel& panel_;
    const platform::Session& session_;
    chart::Chart& chart_;
    analysis::WaveAnalysis& analysis_;
    std::string unit_ = "m";
};

}  // namespace app
