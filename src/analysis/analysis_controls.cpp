// Control table rows of the analysis page: the trace and section analysed, the spectrum
// settings, the results and the five spectrum graphs.
#include <array>

#include "analysis/power_units.h"
#include "analysis/window.h"
#include "platform/control_table.h"

namespace platform::fragments {

namespace {

constexpr std::array<RingItem, 9> kTraces{{
    {"None", 0},
    {"Trace 1 (red)", 1},
    {"Trace 2 (blue)", 2},
    {"Trace 3 (green)", 3},
    {"Trace 4 (black)", 4},
    {"Trace 5 (orange)", 5},
    {"Trace 6 (violet)", 6},
    {"Trace 7 (yellow-green)", 7},
    {"Trace 8 (grey)", 8},
}};

using analysis::DisplayUnit;
using analysis::Scaling;
using analysis::WindowType;

constexpr double code(auto e) { return static_cast<double>(static_cast<int>(e)); }

constexpr std::array<RingItem, analysis::kWindowTypeCount> kWindows{{
    {"None (uniform)", code(WindowType::Uniform)},
    {"Hann", code(WindowType::Hann)},
    {"Hamming", code(WindowType::Hamming)},
    {"Blackman", code(WindowType::Blackman)},
    {"Exact Blackman", code(WindowType::ExactBlackman)},
    {"Blackman-Harris, 3-term", code(WindowType::BlackmanHarris3)},
    {"Blackman-Harris, 4-term", code(WindowType::BlackmanHarris4)},
    {"Flat top", code(WindowType::FlatTop)},
}};

constexpr std::array<RingItem, analysis::kDisplayUnitCount> kUnits{{
    {"Amplitude (m rms)", code(DisplayUnit::Rms)},
    {"Amplitude (m peak)", code(DisplayUnit::Peak)},
    {"Power (m\u00B2 rms)", code(DisplayUnit::PowerRms)},
    {"Power (m\u00B2 peak)", code(DisplayUnit::PowerPeak)},
    {"Amplitude density (m rms/\u221AHz)", code(DisplayUnit::RmsDensity)},
    {"Amplitude density (m peak/\u221AHz)", code(DisplayUnit::PeakDensity)},
    {"Variance density (m\u00B2/Hz)", code(DisplayUnit::PowerDensity)},
    {"Power density (m\u00B2 peak/Hz)", code(DisplayUnit::PowerPeakDensity)},
}};

constexpr std::array<RingItem, analysis::kScalingCount> kScalings{{
    {"Linear", code(Scaling::Linear)},
    {"Decibels", code(Scaling::Decibel)},
}};

constexpr std::string_view kSettingsFrame = "Spectrum settings";

constexpr std::string_view kAnalyzeHelp =
    "To plot press this Analyze button \nafter setting up the analysis parameters";
constexpr std::string_view kSectionHelp =
    "Cursor \"on\" selects the Output Plot section between the two cursors\nCursor \"off\" "
    "selects all of the sample points that are plotted.\n\nNote: Any missing sample points "
    "will be skipped";
constexpr std::string_view kHmoHelp =
    "This is the standard deviation of the selected\nsample points times 4, or 4 * sqrt "
    "Variance.";
constexpr std::string_view kTideHelp =
    "If on a 0.01 Hz(100 sec) 5 order Highpass Filter is added\nto the ploted data and the "
    "significate wave height.";
constexpr std::string_view kTraceHelp =
    "Choose the chart trace to analyse. The analysis takes the samples the trace holds on\n"
    "the plot page: all of them, or those between the two cursors.";
constexpr std::string_view kWindowHelp =
    "The window applied to the section before its spectrum is taken. Hann suits most\n"
    "records; flat top reads the height of a single wave frequency most exactly; none\n"
    "suits records that hold whole wave periods only. The Blackman family trades a wider\n"
    "peak for lower leakage: Blackman (side lobes 58 dB down), exact Blackman (68 dB),\n"
    "the 3-term Blackman-Harris (71 dB) and the 4-term Blackman-Harris (92 dB).";
constexpr std::string_view kUnitHelp =
    "The unit of the spectrum. The variance density (m\u00B2/Hz) is the wave spectrum:\n"
    "how the variance of the section is spread over the wave frequencies.";
constexpr std::string_view kScalingHelp =
    "Linear shows the spectrum in its unit; decibels show 10 log10 of power (20 log10 of\n"
    "amplitude) referred to 1 m, so small and large wave components can be seen together.";
constexpr std::string_view kMaxHelp =
    "The highest frequency to show. The spectrum is drawn on the graph of 0.25, 0.5, 1, 2\n"
    "or 4 Hz that covers it. 0 chooses an eighth of the trace's sample rate.";

ControlSpec ring(Ctl id, std::string_view caption, std::span<const RingItem> items, double def,
                 std::string_view title, std::string_view help) {
    return {.id = id, .page = Page::Analysis, .kind = Kind::Ring, .caption = caption,
            .frame = kSettingsFrame, .defValue = def, .items = items, .helpTitle = title,
            .helpText = help};
}

ControlSpec result(Ctl id, std::string_view caption, int precision,
                   std::string_view title = {}, std::string_view help = {}) {
    return {.id = id, .page = Page::Analysis, .kind = Kind::Numeric, .caption = caption,
            .frame = "Results", .precision = precision, .startDimmed = true, .helpTitle = title,
            .helpText = help, .indicator = true};
}

// One frame per graph, so the graph shown takes the whole page. The 1 Hz graph stands empty
// until the first run chooses the graph that fits.
ControlSpec spectrumGraph(Ctl id, std::string_view caption) {
    return {.id = id, .page = Page::Analysis, .kind = Kind::Graph, .caption = caption,
            .frame = caption, .startVisible = id == Ctl::SpectrumGraph1};
}

std::vector<ControlSpec> build() {
    std::vector<ControlSpec> t = {
        {.id = Ctl::AnalyzeTraceSelect, .page = Page::Analysis, .kind = Kind::Ring,
         .caption = "Trace", .frame = "Analysis", .items = kTraces, .helpTitle = "TRACE TO ANALYZE",
         .helpText = kTraceHelp},
        {.id = Ctl::XAxisCursor, .page = Page::Analysis, .kind = Kind::Switch,
         .caption = "Cursors", .frame = "Analysis", .helpTitle = "LEFT AND RIGTH CURSORS",
         .helpText = kSectionHelp},
        {.id = Ctl::TideFilter, .page = Page::Analysis, .kind = Kind::Switch,
         .caption = "Tide filter", .frame = "Analysis", .helpTitle = "TIDE FILTER",
         .helpText = kTideHelp},
        {.id = Ctl::AnalyzeButton, .page = Page::Analysis, .kind = Kind::Button,
         .caption = "Analyze", .frame = "Analysis", .helpTitle = "ANALYZE",
         .helpText = kAnalyzeHelp},
        {.id = Ctl::AnalysisStatus, .page = Page::Analysis, .kind = Kind::TextMsg,
         .frame = "Analysis", .defText = "Choose a trace, then press Analyze.",
         .indicator = true},
        ring(Ctl::WindowRing, "Window", kWindows, code(WindowType::Hann), "WINDOW", kWindowHelp),
        ring(Ctl::DisplayUnitRing, "Unit", kUnits, code(DisplayUnit::PowerDensity),
             "SPECTRUM UNIT", kUnitHelp),
        ring(Ctl::ScalingRing, "Scaling", kScalings, code(Scaling::Linear), "SCALING",
             kScalingHelp),
        {.id = Ctl::AnalyzeMax, .page = Page::Analysis, .kind = Kind::Numeric,
         .caption = "Max frequency (Hz, 0 = auto)", .frame = kSettingsFrame, .minValue = 0,
         .maxValue = 128, .precision = 3, .helpTitle = "MAXIMUM FREQUENCY", .helpText = kMaxHelp},
        result(Ctl::AnalyzedDevice, "Device", 0),
        result(Ctl::AnalysisMean, "Mean (m)", 3),
        result(Ctl::SignifwaveHeight, "Hmo (m)", 3, "SIGNIFICATE WAVE HEIGHT Hmo", kHmoHelp),
        {.id = Ctl::SpectrumUnit, .page = Page::Analysis, .kind = Kind::TextMsg,
         .caption = "Spectrum unit", .frame = "Results", .indicator = true},
        spectrumGraph(Ctl::SpectrumGraph025, "Spectrum 0-0.25 Hz"),
        spectrumGraph(Ctl::SpectrumGraph05, "Spectrum 0-0.5 Hz"),
        spectrumGraph(Ctl::SpectrumGraph1, "Spectrum 0-1 Hz"),
        spectrumGraph(Ctl::SpectrumGraph2, "Spectrum 0-2 Hz"),
        spectrumGraph(Ctl::SpectrumGraph4, "Spectrum 0-4 Hz"),
        {.id = Ctl::SpectrumAboveRange, .page = Page::Analysis, .kind = Kind::TextMsg,
         .frame = "Results",
         .defText = "The spectrum reaches above 4 Hz and has no graph.\nSet a maximum "
                    "frequency of 4 Hz or less to see it.",
         .startVisible = false, .indicator = true},
    };
    return t;
}

}  // namespace

std::span<const ControlSpec> analysis() {
    static const std::vector<ControlSpec> rows = build();
    return rows;
}

}  // namespace platform::fragments
