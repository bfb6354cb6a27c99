#include "analysis/print_title.h"

#include <algorithm>

#include "analysis/results_table.h"

namespace analysis {

namespace {

using platform::Ctl;

std::string selectedLabel(const platform::Panel& panel, Ctl ring) {
    const int i = panel.selectedIndex(ring);
    if (i < 0 || i >= panel.itemCount(ring)) return {};
    return panel.items(ring)[static_cast<std::size_t>(i)].label;
}

}  // namespace

std::vector<std::string> printTitleBlock(const platform::Panel& panel, const chart::Chart& chart,
                                         const chart::ChartCtr& ctr, const WaveAnalysis& analysis) {
    std::vector<std::string> lines;
    if (ctr.PlotSource != 0) {
        lines.push_back("Station: file " + panel.text(Ctl::PlotFileName));
    } else {
        std::string ports = selectedLabel(panel, Ctl::PortARing);
        if (const std::string b = selectedLabel(panel, Ctl::PortBRing); !b.empty())
            ports += ", " + b;
        lines.push_back("Station: live data" + (ports.empty() ? std::string() : " on " + ports));
    }
    lines.push_back("Unit type: " + selectedLabel(panel, Ctl::UnitTypeRing));
    std::string devices;
    double seconds = 0;
    for (int t = 0; t < chart::kTraceCount; ++t) {
        const chart::TraceBuffer& b = chart.trace(t);
        if (b.DeviceNum == 0 || b.Rate == 0) continue;
        if (!devices.empty()) devices += ", ";
        devices += std::to_string(b.DeviceNum) + " (trace " + std::to_string(t + 1) + ")";
        for (int i = static_cast<int>(b.NumPoints) - 1; i >= 0; --i) {
            if (b.Data[static_cast<std::size_t>(i)] == chart::kNoData) continue;
            seconds = std::max(seconds, static_cast<double>(i + 1) / b.Rate);
            break;
        }
    }
    lines.push_back("Devices: " + (devices.empty() ? std::string("none") : devices));
    if (ctr.FirstSample == 0) {
        char span[40];
        std::snprintf(span, sizeof span, " (%.0f s)", seconds);
        lines.push_back("Time span: " + timeText(ctr.StartTime) + " to " +
                        timeText(ctr.StartTime + seconds) + span);
    } else {
        lines.push_back("Time span: nothing charted yet");
    }
    for (const std::string& s : analysis.settingsText()) lines.push_back(s);
    return lines;
}

}  // namespace analysis
