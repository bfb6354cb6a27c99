#pragma once
#include <functional>
#include <ostream>
#include <memory>
#include <span>
#include <string>

#include "chart/chart_state.h"
#include "chart/trace_buffer.h"
#include "live/device_table.h"
#include "platform/dialogs.h"
#include "platform/panel.h"

namespace chart {

// The live chart of the plot page: up to eight traces, each following one device number.
// Every sample message the data service places on a device entry is offered here; a traced
// unit's values are stored in its trace buffer at the position of their time stamp, measured
// from the chart's start time, and drawn there. When a trace reaches the right edge the chart
// either stops or starts again at the left edge. The trace buffers are also the data store of
// the wave analysis.
class Chart {
public:
    // workValue: the values of the message being handled, filled by the data service.
    Chart(platform::Panel& panel, const live::DeviceTable& table, ChartCtr& ctr,
          std::span<const float> workValue);
    Chart(const Chart&) = delete;
    Chart& operator=(const Chart&) = delete;

    // Start values: every trace off, the axes as the scale controls say.
    void Initialize();
    // The unit of the readings charted ("m", or "bar" for a Swellmeter in bar): the level
    // axis and the exported samples' header say it.
    void setLevelUnit(std::string_view unit);

    // Trace t (0-7) follows the device number of its control. 0 when set up, 1 when switched
    // off (no device entry carries the number, or it is a generic device).
    int SetUpTrace(int t);
    // Axes from the scale controls, an empty chart, traces set up anew; the next sample
    // charted sets the start time.
    void ChartReset();
    // A block message (32, 60 or 64 values) or a continuous sample of device entry `line`.
    void PlotData(int line);
    void PlotContData(int line);
    void UpdateCursors();

    // Control callbacks of the plot page.
    void TraceDeviceNumSelect(int t, platform::Event e);
    // Trace t was chosen for a unit that has not reported yet (remembered from the last run):
    // its number stays shown and the trace takes the unit when it reports. A number the
    // operator types ends the wait.
    void awaitUnit(int t, int device);
    void YAxisRange(platform::Event e);
    void YAxisOffset(platform::Event e);
    void RawPlotXAsis();
    void RawStartStop();
    void StopWhenFull();
    // Serial port or file: the units listed so far go, plotting stops and the chart starts
    // empty.
    void PlotSourceSelect();
    void GraphOutput(platform::Event e);
    // The view: the level axis autoscaled or fixed, back to the full view, the chart saved as
    // a picture or its samples as a table. None of it changes a trace's data.
    void ChartAutoscaleY();
    void ChartResetView();
    void ExportChart(platform::Dialogs& dialogs);
    // The samples every trace holds as CSV: device, time, seconds from the start, level.
    void writeSamples(std::ostream& out) const;

    const TraceBuffer& trace(int t) const { return (*ChartFifo_)[static_cast<std::size_t>(t)]; }
    TraceBuffer& trace(int t) { return (*ChartFifo_)[static_cast<std::size_t>(t)]; }
    // True while plotting was started with no trace chosen: free traces take units as they
    // report.
    bool followingUnits() const { return followUnits_; }

    // Frees every device entry and empties the rows (the live data's work).
    std::function<void()> clearDeviceEntries;

private:
    int traceFor(const live::OutputLine& e);
    void beginRun(platform::AbsTime start);
    void restartRun(platform::AbsTime start);
    void stopRun();
    void markEmpty(TraceBuffer& b);
    void store(TraceBuffer& b, int pos, std::span<const float> values);
    void showStartTime(platform::AbsTime t);
    void entryHint(platform::Ctl id, platform::Event e);
    platform::Graph& graph();

    platform::Panel& panel_;
    const live::DeviceTable& table_;
    ChartCtr& ChartCtr_;
    std::span<const float> WorkValue_;
    std::unique_ptr<ChartFifo> ChartFifo_;
    bool followUnits_ = false;
    std::string levelUnit_ = "m";
    std::string levelAxis_;
    std::array<std::uint8_t, kTraceCount> awaited_{};
};

}  // namespace chart
