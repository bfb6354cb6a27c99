#include "chart/chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

#include "chart/record_apply.h"
#include "platform/entry_hint.h"
#include "platform/level_unit.h"
#include "platform/output_file.h"

namespace chart {

using platform::Ctl;
using platform::Event;

namespace {

constexpr std::array<platform::Rgb, kTraceCount> kTraceColors{
    0xFF0000, 0x0000FF, 0x009900, 0x000000, 0xFF9900, 0x9966FF, 0x99FF00, 0xB0B0B0};

// The plot area is 16 X-axis units wide and 0 to 1 high; the axis gains turn these into
// seconds and metres.
constexpr double kXUnits = 16.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::string_view kNoStartTime = "YYYY-MM-DDThh:mm:ss.sss";

Ctl traceControl(int t) { return platform::ctlAt(Ctl::TraceSelect1, t); }

int rateOf(const live::OutputLine& e) { return chartRate(e); }

// Seconds or samples from the start time, kept where a trace position can hold them: -1 for
// anything before the start, at most one trace length after it.
double clampedPosition(double v) {
    if (v < 0) return -1.0;
    return std::min(v, static_cast<double>(kTracePoints));
}

}  // namespace

Chart::Chart(platform::Panel& panel, const live::DeviceTable& table, ChartCtr& ctr,
             std::span<const float> workValue)
    : panel_(panel),
      table_(table),
      ChartCtr_(ctr),
      WorkValue_(workValue),
      ChartFifo_(std::make_unique<ChartFifo>()) {
    platform::Graph& g = graph();
    g.setXRange(0, kXUnits);
    g.setYRange(0, 1);
    g.xAxis().name = "Time (s)";
    g.yAxis().name = "Level (m)";
    g.xAxis().unit = "s";
    g.yAxis().unit = "m";
    g.setLegend(true);
    // The trace colours include black: the chart is drawn on white.
    g.setColors({.background = 0xFFFFFF, .grid = 0xD8D8D8, .cursor = 0x404040});
}

platform::Graph& Chart::graph() { return panel_.graph(Ctl::ChartGraph); }

void Chart::Initialize() {
    for (TraceBuffer& b : *ChartFifo_) b.DeviceNum = 0;
    awaited_.fill(0);
    followUnits_ = false;
    ChartReset();
}

int Chart::SetUpTrace(int t) {
    TraceBuffer& b = trace(t);
    if (b.PlotHandle != 0) graph().deletePlot(b.PlotHandle);
    b.PlotHandle = 0;
    b.WriteLoc = 0;
    b.DeviceNum = static_cast<std::uint8_t>(std::clamp(panel_.intValue(traceControl(t)), 0, 255));
    int line = -1;
    for (int i = 0; i < live::kOutputLineCount && b.DeviceNum != 0 && line < 0; ++i) {
        if (table_[i].DeviceNum == b.DeviceNum) line = i;
    }
    if (line < 0 || table_[line].MsgType == 'G') {
        b.DeviceNum = 0;
        b.NumPoints = 0;
        panel_.setValue(traceControl(t), awaited_[static_cast<std::size_t>(t)]);
        return 1;
    }
    awaited_[static_cast<std::size_t>(t)] = 0;
    b.LineLoc = static_cast<std::uint8_t>(line);
    b.Rate = static_cast<std::uint8_t>(rateOf(table_[line]));
    // Single precision, as the positions have always been computed.
    const float n = static_cast<float>(ChartCtr_.XScale) * 16.0f * static_cast<float>(b.Rate);
    b.NumPoints = std::min(n, static_cast<float>(kTracePoints));
    const float dx = 1.0f / (static_cast<float>(b.Rate) * static_cast<float>(ChartCtr_.XScale));
    const auto points = static_cast<std::size_t>(b.NumPoints);
    float x = 0;
    for (std::size_t i = 0; i < points; ++i) {
        b.PlotX[i] = x;
        x += dx;
    }
    markEmpty(b);
    b.PlotHandle =
        graph().plotXY(std::span(b.PlotX.data(), points), std::span(b.PlotY.data(), points),
                       kTraceColors[static_cast<std::size_t>(t)]);
    graph().setPlotLabel(b.PlotHandle, "Device " + std::to_string(b.DeviceNum));
    return 0;
}

void Chart::ChartReset() {
    platform::Graph& g = graph();
    g.setAxisGainOffset(false, ChartCtr_.YRange, ChartCtr_.YOffset);
    g.deleteAll();
    for (TraceBuffer& b : *ChartFifo_) b.PlotHandle = 0;
    // The scale ring offers no 0; a scale below 1 would leave the traces without points.
    ChartCtr_.XScale = std::max(1, panel_.intValue(Ctl::RawPlotXAsis));
    g.setAxisGainOffset(true, ChartCtr_.XScale, 0);
    UpdateCursors();
    panel_.setText(Ctl::ChartStartTime, kNoStartTime);
    ChartCtr_.FirstSample = 1;
    for (int t = 0; t < kTraceCount; ++t) SetUpTrace(t);
}

int Chart::traceFor(const live::OutputLine& e) {
    for (int t = 0; t < kTraceCount; ++t) {
        if (trace(t).DeviceNum == e.DeviceNum) return t;
    }
    for (int t = 0; t < kTraceCount; ++t) {
        if (awaited_[static_cast<std::size_t>(t)] == e.DeviceNum && trace(t).DeviceNum == 0)
            return SetUpTrace(t) == 0 ? t : -1;
    }
    if (!followUnits_ || e.MsgType == 'G') return -1;
    for (int t = 0; t < kTraceCount; ++t) {
        if (trace(t).DeviceNum != 0) continue;
        panel_.setValue(traceControl(t), e.DeviceNum);
        return SetUpTrace(t) == 0 ? t : -1;
    }
    return -1;
}

void Chart::PlotData(int line) {
    if (!live::DeviceTable::valid(line) || table_[line].DeviceNum == 0) return;
    const live::OutputLine& e = table_[line];
    const int t = traceFor(e);
    if (t < 0) return;
    TraceBuffer& b = trace(t);
    if (b.Rate != rateOf(e) && SetUpTrace(t) != 0) return;

    const platform::AbsTime T = blockTime(e);
    if (ChartCtr_.FirstSample != 0) beginRun(T);
    const double seconds = clampedPosition(T - ChartCtr_.StartTime);
    int pos = static_cast<int>(seconds * rateOf(e));
    // Values stamped before the start time have no place on the chart.
    if (pos < 0) return;
    const int count = std::min<int>(e.SampleCount, static_cast<int>(WorkValue_.size()));
    const auto points = static_cast<int>(b.NumPoints);
    if (pos + count > points) {
        if (ChartCtr_.StopIfFull != 0) {
            stopRun();
            return;
        }
        restartRun(T);
        pos = 0;
    }
    // A block longer than the whole trace keeps what fits.
    store(b, pos, WorkValue_.first(static_cast<std::size_t>(std::min(count, points - pos))));
}

void Chart::PlotContData(int line) {
    if (!live::DeviceTable::valid(line) || table_[line].DeviceNum == 0) return;
    const live::OutputLine& e = table_[line];
    // Before its first date message a unit's samples have no time: charting them at the
    // fallback date would restart the chart for every other unit.
    if (e.Year == 0) return;
    const int t = traceFor(e);
    if (t < 0) return;
    TraceBuffer& b = trace(t);
    if (b.Rate != rateOf(e) && SetUpTrace(t) != 0) return;

    const platform::AbsTime T = sampleTime(e);
    if (ChartCtr_.FirstSample != 0) beginRun(T);
    const int rate = rateOf(e);
    auto position = [&] {
        return clampedPosition((T - ChartCtr_.StartTime) * rate + e.SampleCount);
    };
    double pos = position();
    if (pos < 0) return;
    if (pos >= b.NumPoints) {
        if (ChartCtr_.StopIfFull != 0) {
            stopRun();
            return;
        }
        // The new left edge is the whole second of this sample; the sample keeps its place
        // within that second, so the samples after it join on.
        restartRun(T + e.SampleCount / rate);
        pos = position();
    }
    store(b, static_cast<int>(pos), WorkValue_.first(1));
}

void Chart::store(TraceBuffer& b, int pos, std::span<const float> values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto at = static_cast<std::size_t>(pos) + i;
        b.Data[at] = values[i];
        b.PlotY[at] = (values[i] - ChartCtr_.YOffset) / ChartCtr_.YRange;
    }
    b.WriteLoc = pos + static_cast<int>(values.size());
    graph().updatePlotY(b.PlotHandle, static_cast<std::size_t>(pos),
                        std::span(b.PlotY.data() + pos, values.size()));
}

void Chart::beginRun(platform::AbsTime start) {
    ChartCtr_.FirstSample = 0;
    ChartCtr_.StartTime = start;
    showStartTime(start);
}

// A trace overflowed: every trace starts again, empty, at the left edge.
void Chart::restartRun(platform::AbsTime start) {
    ChartCtr_.StartTime = start;
    showStartTime(start);
    for (TraceBuffer& b : *ChartFifo_) {
        if (b.DeviceNum == 0) continue;
        markEmpty(b);
        b.WriteLoc = 0;
    }
}

void Chart::stopRun() {
    ChartCtr_.PlotRun = 0;
    panel_.setValue(Ctl::RawStartStop, 0);
}

void Chart::markEmpty(TraceBuffer& b) {
    const auto points = static_cast<std::size_t>(b.NumPoints);
    std::fill_n(b.Data.begin(), points, kNoData);
    std::fill_n(b.PlotY.begin(), points, kNaN);
    if (b.PlotHandle != 0) graph().fillPlotY(b.PlotHandle, kNaN);
}

// One format for every start time the program shows (the analysis results and the printed
// title block use it too), whether the run began at a whole second or within one.
void Chart::showStartTime(platform::AbsTime t) {
    const platform::CalendarTime c = platform::toCalendar(t);
    char text[40];
    std::snprintf(text, sizeof text, "%04i-%02i-%02iT%02i:%02i:%02i.%03i", c.year, c.month, c.day,
                  c.hour, c.minute, c.second, c.millisecond);
    panel_.setText(Ctl::ChartStartTime, text);
}

void Chart::UpdateCursors() {
    const platform::Graph& g = graph();
    const std::array<std::pair<Ctl, Ctl>, 2> readOuts{
        {{Ctl::LeftXAxis, Ctl::LeftYAxis}, {Ctl::RightXAxis, Ctl::RightYaxis}}};
    for (int i = 0; i < 2; ++i) {
        const auto [x, y] = g.cursor(i);
        panel_.setValue(readOuts[static_cast<std::size_t>(i)].first, x * ChartCtr_.XScale);
        panel_.setValue(readOuts[static_cast<std::size_t>(i)].second,
                        y * ChartCtr_.YRange + ChartCtr_.YOffset);
    }
    panel_.setValue(Ctl::CursorDeltaTime,
                    (g.cursor(1).first - g.cursor(0).first) * ChartCtr_.XScale);
    panel_.setValue(Ctl::CursorDeltaLevel,
                    (g.cursor(1).second - g.cursor(0).second) * ChartCtr_.YRange);
}

void Chart::ChartAutoscaleY() {
    graph().setAutoscale(false, panel_.intValue(Ctl::ChartAutoscaleY) != 0);
}

void Chart::ChartResetView() { graph().resetView(); }

void Chart::setLevelUnit(std::string_view unit) {
    levelUnit_ = unit;
    levelAxis_ = platform::inLevelUnit("Level (m)", unit);
    graph().yAxis().name = levelAxis_;  // the axis keeps a view of it
    graph().yAxis().unit = levelUnit_;
}

void Chart::writeSamples(std::ostream& out) const {
    out << platform::inLevelUnit("device,time,seconds,level_m\n", levelUnit_);
    char text[96];
    for (const TraceBuffer& b : *ChartFifo_) {
        if (b.DeviceNum == 0 || b.Rate == 0) continue;
        const auto points = static_cast<std::size_t>(b.NumPoints);
        for (std::size_t i = 0; i < points; ++i) {
            if (b.Data[i] == kNoData) continue;
            const double seconds = static_cast<double>(i) / b.Rate;
            const platform::CalendarTime c = platform::toCalendar(ChartCtr_.StartTime + seconds);
            std::snprintf(text, sizeof text, "%d,%04d-%02d-%02dT%02d:%02d:%02d.%03d,%.4f,%.6g\n",
                          b.DeviceNum, c.year, c.month, c.day, c.hour, c.minute, c.second,
                          c.millisecond, seconds, b.Data[i]);
            out << text;
        }
    }
}

void Chart::ExportChart(platform::Dialogs& dialogs) {
    const std::string path =
        platform::chooseOutputFile(dialogs, "Export Chart", "*.png", "*.svg;*.csv", "chart.png");
    if (path.empty()) return;
    std::string error;
    if (platform::hasExtension(path, ".csv")) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        writeSamples(out);
        out.close();
        if (!out) error = "The samples could not be written to " + path + ".";
    } else if (platform::hasExtension(path, ".png") || platform::hasExtension(path, ".svg")) {
        error = dialogs.saveGraph(Ctl::ChartGraph, path);
    } else {
        error = "Choose a name ending in .png, .svg or .csv: " + path;
    }
    if (!error.empty()) dialogs.message("EXPORT FAILED", error);
}

// Numeric entries: a key press shows that the value is not yet taken.
void Chart::entryHint(Ctl id, Event e) { platform::followEntryHint(panel_, id, e); }

void Chart::TraceDeviceNumSelect(int t, Event e) {
    entryHint(traceControl(t), e);
    if (e != Event::Commit) return;
    // The operator has chosen: traces no longer take units by themselves.
    followUnits_ = false;
    awaited_[static_cast<std::size_t>(t)] = 0;
    ChartReset();
}

void Chart::awaitUnit(int t, int device) {
    if (t < 0 || t >= kTraceCount || device < 0 || device > 255) return;
    awaited_[static_cast<std::size_t>(t)] = static_cast<std::uint8_t>(device);
    panel_.setValue(traceControl(t), device);
    followUnits_ = false;
    SetUpTrace(t);
}

void Chart::YAxisRange(Event e) {
    entryHint(Ctl::YAxisRange, e);
    if (e != Event::Commit) return;
    const double range = panel_.value(Ctl::YAxisRange);
    // Every plotted value is divided by the range: 0 would leave nothing to draw.
    if (std::isfinite(range) && range > 0) {
        ChartCtr_.YRange = range;
    } else {
        panel_.setValue(Ctl::YAxisRange, ChartCtr_.YRange);
    }
    graph().resetView();
    ChartReset();
}

void Chart::YAxisOffset(Event e) {
    entryHint(Ctl::YAxisOffset, e);
    if (e != Event::Commit) return;
    const double offset = panel_.value(Ctl::YAxisOffset);
    if (std::isfinite(offset)) {
        ChartCtr_.YOffset = offset;
    } else {
        panel_.setValue(Ctl::YAxisOffset, ChartCtr_.YOffset);
    }
    graph().resetView();
    ChartReset();
}

// A scale chosen by the operator is shown whole: a zoomed view of the old one goes.
void Chart::RawPlotXAsis() {
    graph().resetView();
    ChartReset();
}

void Chart::RawStartStop() {
    ChartCtr_.PlotRun = panel_.intValue(Ctl::RawStartStop) != 0 ? 1 : 0;
    followUnits_ = false;
    if (ChartCtr_.PlotRun == 0) return;
    ChartReset();
    followUnits_ = std::all_of(ChartFifo_->begin(), ChartFifo_->end(),
                               [](const TraceBuffer& b) { return b.DeviceNum == 0; });
}

void Chart::StopWhenFull() {
    ChartCtr_.StopIfFull = panel_.intValue(Ctl::StopWhenFull) != 0 ? 1 : 0;
}

void Chart::PlotSourceSelect() {
    ChartCtr_.PlotSource = panel_.intValue(Ctl::PlotSourceSelect) != 0 ? 1 : 0;
    if (clearDeviceEntries) clearDeviceEntries();
    stopRun();
    followUnits_ = false;
    ChartReset();
}

void Chart::GraphOutput(Event e) {
    if (e == Event::Commit || e == Event::ValueChanged) UpdateCursors();
}

}  // namespace chart
