// Control table rows of the plot page: the chart, the eight trace device numbers, the scales,
// the run switches, the start-time caption and the cursor read-outs.
#include <array>

#include "platform/control_table.h"

namespace platform::fragments {

namespace {

constexpr std::array<std::string_view, 8> kTraceCaptions{
    "Trace 1 (red)",    "Trace 2 (blue)",   "Trace 3 (green)",        "Trace 4 (black)",
    "Trace 5 (orange)", "Trace 6 (violet)", "Trace 7 (yellow-green)", "Trace 8 (grey)"};
constexpr std::array<std::string_view, 8> kTraceHelpTitles{
    "TRACE 1 DEVICE NUMBER", "TRACE 2 DEVICE NUMBER", "TRACE 3 DEVICE NUMBER",
    "TRACE 4 DEVICE NUMBER", "TRACE 5 DEVICE NUMBER", "TRACE 6 DEVICE NUMBER",
    "TRACE 7 DEVICE NUMBER", "TRACE 8 DEVICE NUMBER"};
constexpr std::string_view kTraceHelp =
    "To Plot enter the device number from the list of connected\nDevices.  Then press the "
    "Start Plotting button. Generic \nDevice data cannot be plotted.";

// Seconds per X-axis unit; the chart spans 16 units, shown in brackets. 0 is not offered: a
// trace would hold no points and every message would overflow it.
constexpr std::array<RingItem, 9> kXScales{{
    {"1 s (16 s)", 1},
    {"2 s (32 s)", 2},
    {"5 s (80 s)", 5},
    {"10 s (160 s)", 10},
    {"20 s (5 min 20 s)", 20},
    {"50 s (13 min 20 s)", 50},
    {"100 s (26 min 40 s)", 100},
    {"200 s (53 min 20 s)", 200},
    {"225 s (1 h)", 225},
}};

// Where the chart's data comes from. Plotting from a file ignores the serial ports.
constexpr std::array<RingItem, 2> kSources{
    {{"Serial port (live units)", 0}, {"File (playback)", 1}}};
constexpr std::string_view kSourceHelp =
    "Choose \"Serial port\" to show and chart the units connected to this computer.\n"
    "Choose \"File\" to play back a saved file: open it with File > Open file to plot\n"
    "(a sample file, a frame capture or a Tidecorder flash-card file converted to Plain60).\n"
    "Switching clears the list of units and the chart.";

constexpr std::string_view kStartHelp =
    "Starts and stops the chart. Each trace follows the device number entered beside it;\n"
    "with no trace chosen, the traces take the units as they report, up to eight.\n"
    "A new chart starts at the time of the first sample after the start.";
constexpr std::string_view kStopHelp =
    "If set \"on\" the output plotting will stop when the data reaches the right end\nof the "
    "graph.  To start a new plot press the Start Plotting Button\n\nNote: You may also analyze "
    "any section of the plot without stopping it";
constexpr std::string_view kXAxisHelp =
    "Seconds per division of the time axis; the chart shows 16 divisions. A trace holds at\n"
    "most 55,296 points: at high sample rates and long scales it fills before the right end.";
constexpr std::string_view kCursorHelp =
    "Select the right and left section of the plot to analyze. On the\nSpectral Analysis Panel "
    "select \"Cursors\" on the X Axis Select switch";

constexpr std::string_view kAutoscaleHelp =
    "On: the level axis follows the data shown. Off: it shows the Y range from the Y offset,\n"
    "as set under Scales. The recorded data and the analysis are not changed either way.";
constexpr std::string_view kViewHelp =
    "Zoom and pan only change what the chart shows:\n"
    "  mouse wheel: zoom the time axis about the pointer;\n"
    "  wheel over the level axis, or Ctrl + wheel: zoom the level axis;\n"
    "  middle-button drag, or Shift + left drag: pan (over an axis: that axis only);\n"
    "  left drag in the chart: move the cursors C1 and C2, which snap to the trace\n"
    "  marked in the legend (click a legend entry to choose another);\n"
    "  double click, or this button: back to the full view.";
constexpr std::string_view kExportHelp =
    "Saves the chart as a picture, as it is shown (.png, or .svg to scale without loss), or\n"
    "the samples of every trace as a table (.csv: device, time, seconds from the start of\n"
    "the chart, level in metres).";

ControlSpec traceSelect(int n) {
    const auto i = static_cast<std::size_t>(n);
    return {.id = ctlAt(Ctl::TraceSelect1, n),
            .page = Page::Plot,
            .kind = Kind::Numeric,
            .caption = kTraceCaptions[i],
            .frame = "Traces",
            .minValue = 0,
            .maxValue = 255,
            .helpTitle = kTraceHelpTitles[i],
            .helpText = kTraceHelp};
}

ControlSpec readOut(Ctl id, std::string_view caption, int precision) {
    return {.id = id, .page = Page::Plot, .kind = Kind::Numeric, .caption = caption,
            .frame = "Cursors", .precision = precision, .helpTitle = "LEFT AND RIGTH CURSORS",
            .helpText = kCursorHelp, .indicator = true};
}

std::vector<ControlSpec> build() {
    std::vector<ControlSpec> t = {
        {.id = Ctl::ChartGraph, .page = Page::Plot, .kind = Kind::Graph,
         .caption = "Water level (m)", .frame = "Chart"},
        {.id = Ctl::PlotSourceSelect, .page = Page::Plot, .kind = Kind::Ring,
         .caption = "Data source", .frame = "Plotting", .items = kSources,
         .helpTitle = "SELECT DATA SOURCE", .helpText = kSourceHelp},
        {.id = Ctl::RawStartStop, .page = Page::Plot, .kind = Kind::Switch,
         .caption = "Start plotting", .frame = "Plotting", .helpTitle = "START PLOTTING",
         .helpText = kStartHelp},
        {.id = Ctl::StopWhenFull, .page = Page::Plot, .kind = Kind::Switch,
         .caption = "Stop when full", .frame = "Plotting",
         .helpTitle = "STOP PLOT IF FULL TO ANALYZE", .helpText = kStopHelp},
        {.id = Ctl::ChartStartTime, .page = Page::Plot, .kind = Kind::TextMsg,
         .caption = "Start time", .frame = "Plotting", .defText = "YYYY-MM-DDThh:mm:ss.sss",
         .indicator = true},
    };
    for (int n = 0; n < 8; ++n) t.push_back(traceSelect(n));
    std::vector<ControlSpec> rest = {
        {.id = Ctl::RawPlotXAsis, .page = Page::Plot, .kind = Kind::Ring,
         .caption = "Time axis (per division)", .frame = "Scales", .defValue = 1,
         .items = kXScales, .helpTitle = "TIME AXIS", .helpText = kXAxisHelp},
        {.id = Ctl::YAxisRange, .page = Page::Plot, .kind = Kind::Numeric,
         .caption = "Y range (m)", .frame = "Scales", .defValue = 6.0, .minValue = 0.01,
         .maxValue = 1000, .precision = 2, .helpTitle = "Y AXIS RANGE",
         .helpText = "This is the range from the minimum to maximun value that the chart will "
                     "display.\n"},
        {.id = Ctl::YAxisOffset, .page = Page::Plot, .kind = Kind::Numeric,
         .caption = "Y offset (m)", .frame = "Scales", .minValue = -1000, .maxValue = 1000,
         .precision = 2, .helpTitle = "Y AXIS OFFSET",
         .helpText = "This is the minimum value in meters that the chart will display.\n"},
        readOut(Ctl::LeftXAxis, "C1 time (s)", 2),
        readOut(Ctl::LeftYAxis, "C1 level (m)", 3),
        readOut(Ctl::RightXAxis, "C2 time (s)", 2),
        readOut(Ctl::RightYaxis, "C2 level (m)", 3),
        readOut(Ctl::CursorDeltaTime, "C2 \u2212 C1 time (s)", 2),
        readOut(Ctl::CursorDeltaLevel, "C2 \u2212 C1 level (m)", 3),
        {.id = Ctl::ChartAutoscaleY, .page = Page::Plot, .kind = Kind::Switch,
         .caption = "Autoscale level axis", .frame = "View", .helpTitle = "AUTOSCALE",
         .helpText = kAutoscaleHelp},
        {.id = Ctl::ChartResetView, .page = Page::Plot, .kind = Kind::Button,
         .caption = "Reset view", .frame = "View", .helpTitle = "RESET VIEW",
         .helpText = kViewHelp},
        {.id = Ctl::ChartExport, .page = Page::Plot, .kind = Kind::Button,
         .caption = "Export chart...", .frame = "View", .helpTitle = "EXPORT CHART",
         .helpText = kExportHelp},
    };
    t.insert(t.end(), rest.begin(), rest.end());
    return t;
}

}  // namespace

std::span<const ControlSpec> chart() {
    static const std::vector<ControlSpec> rows = build();
    return rows;
}

}  // namespace platform::fragments
