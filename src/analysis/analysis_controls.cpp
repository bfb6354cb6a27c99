// Control table rows of the analysis page: the trace and section analysed, the spectrum
// settings, the results and the five spectrum graphs.
#include <array>

#include "analysis/power_units.h"
#include "analysis/results_table.h"
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

constexpr RingItem windowItem(WindowType w) { return {analysis::windowName(w), code(w)}; }
constexpr std::array<RingItem, analysis::kWindowTypeCount> kWindows{{
    windowItem(WindowType::Uniform),
    windowItem(WindowType::Hann),
    windowItem(WindowType::Hamming),
    windowItem(WindowType::Blackman),
    windowItem(WindowType::ExactBlackman),
    windowItem(WindowType::BlackmanHarris3),
    windowItem(WindowType::BlackmanHarris4),
    windowItem(WindowType::FlatTop),
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
                   std::string_view title = {}, std::string_view help = {},
                   std::string_view frame = "Results") {
    return {.id = id, .page = Page::Analysis, .kind = Kind::Numeric, .caption = caption,
            .frame = frame, .precision = precision, .startDimmed = true, .helpTitle = title,
            .helpText = help, .indicator = true};
}

constexpr std::string_view kSpectralFrame = "From the spectrum";
constexpr std::string_view kWavesFrame = "Individual waves (zero-up-crossing)";
constexpr std::string_view kMomentsHelp =
    "Spectral moments m0, m1 and m2 of the variance density spectrum of the section,\n"
    "mn = sum of f^n S(f) df from the first frequency above 0 Hz to the end of the\n"
    "spectrum (just below half the sample rate). They use the section, window and tide\n"
    "filter of the analysis, whatever unit and scaling the graph shows. m0 is the variance:\n"
    "4 sqrt(m0) is Hmo.";
constexpr std::string_view kPeriodsHelp =
    "Tp = 1 / fp, the period of the spectrum's highest bin (not interpolated).\n"
    "Tm01 = m0 / m1, the mean period. Tm02 = sqrt(m0 / m2), the mean zero-crossing\n"
    "period of the spectrum.";
constexpr std::string_view kWavesHelp =
    "Waves counted from one zero-up-crossing of the section (about its mean, tide\n"
    "filtered when the filter is on) to the next; the crossing time is interpolated\n"
    "between the two samples around it. A wave's height is its highest sample minus its\n"
    "lowest. The part before the first and after the last crossing is not a whole wave\n"
    "and is left out. H1/3 and T1/3: mean height and period of the highest third of the\n"
    "waves. Hrms: root mean square height. Tz: mean period.";

ControlSpec button(Ctl id, std::string_view caption, std::string_view frame,
                   std::string_view title, std::string_view help) {
    return {.id = id, .page = Page::Analysis, .kind = Kind::Button, .caption = caption,
            .frame = frame, .helpTitle = title, .helpText = help};
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
         .indicator = true, .wraps = true},
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
        result(Ctl::SpectralM0, "m0 (m\u00B2)", 8, "SPECTRAL MOMENTS", kMomentsHelp,
               kSpectralFrame),
        result(Ctl::SpectralM1, "m1 (m\u00B2 Hz)", 8, "SPECTRAL MOMENTS", kMomentsHelp,
               kSpectralFrame),
        result(Ctl::SpectralM2, "m2 (m\u00B2 Hz\u00B2)", 8, "SPECTRAL MOMENTS", kMomentsHelp,
               kSpectralFrame),
        result(Ctl::PeakFrequency, "Peak frequency fp (Hz)", 4, "PERIODS", kPeriodsHelp,
               kSpectralFrame),
        result(Ctl::PeakPeriod, "Tp (s)", 2, "PERIODS", kPeriodsHelp, kSpectralFrame),
        result(Ctl::PeriodTm01, "Tm01 (s)", 2, "PERIODS", kPeriodsHelp, kSpectralFrame),
        result(Ctl::PeriodTm02, "Tm02 (s)", 2, "PERIODS", kPeriodsHelp, kSpectralFrame),
        result(Ctl::WaveCount, "Waves", 0, "INDIVIDUAL WAVES", kWavesHelp, kWavesFrame),
        result(Ctl::WaveHmax, "Hmax (m)", 3, "INDIVIDUAL WAVES", kWavesHelp, kWavesFrame),
        result(Ctl::WaveH13, "H1/3 (m)", 3, "INDIVIDUAL WAVES", kWavesHelp, kWavesFrame),
        result(Ctl::WaveHrms, "Hrms (m)", 3, "INDIVIDUAL WAVES", kWavesHelp, kWavesFrame),
        result(Ctl::WaveTz, "Tz (s)", 2, "INDIVIDUAL WAVES", kWavesHelp, kWavesFrame),
        result(Ctl::WaveT13, "T1/3 (s)", 2, "INDIVIDUAL WAVES", kWavesHelp, kWavesFrame),
        {.id = Ctl::AnalysisWarning, .page = Page::Analysis, .kind = Kind::TextMsg,
         .frame = kWavesFrame, .indicator = true, .wraps = true},
        button(Ctl::CopyResults, "Copy results", "Results", "COPY RESULTS",
               "Copies the results of the last analysis, with the section and settings they\n"
               "belong to, as a header line and a row separated by tabs, for a spreadsheet."),
        button(Ctl::ExportResults, "Export results...", "Results", "EXPORT RESULTS",
               "Writes the results of the last analysis to a CSV file: a header line and\n"
               "one row, the same columns as fathomhost --analyze writes."),
        button(Ctl::ExportSpectrum, "Export spectrum...", "Results", "EXPORT SPECTRUM",
               "Saves the spectrum graph as a picture (.png or .svg, as the graph shows it)\n"
               "or its values as a table (.csv: frequency and value in the unit shown)."),
        button(Ctl::SpectrumResetView, "Reset view", "Results", "RESET VIEW",
               "Returns the spectrum graph to its full range after zooming or panning.\n"
               "Mouse wheel: zoom the frequency axis (over the level axis, or with Ctrl:\n"
               "zoom the level axis). Drag with the middle button or with Shift: pan. Double-\n"
               "click: reset."),
        spectrumGraph(Ctl::SpectrumGraph025, "Spectrum 0-0.25 Hz"),
        spectrumGraph(Ctl::SpectrumGraph05, "Spectrum 0-0.5 Hz"),
        spectrumGraph(Ctl::SpectrumGraph1, "Spectrum 0-1 Hz"),
        spectrumGraph(Ctl::SpectrumGraph2, "Spectrum 0-2 Hz"),
        spectrumGraph(Ctl::SpectrumGraph4, "Spectrum 0-4 Hz"),
        {.id = Ctl::SpectrumAboveRange, .page = Page::Analysis, .kind = Kind::TextMsg,
         .frame = "Results",
         .defText = "The spectrum reaches above 4 Hz and has no graph.\nSet a maximum "
                    "frequency of 4 Hz or less to see it.",
         .startVisible = false, .indicator = true, .wraps = true},
    };
    return t;
}

}  // namespace

std::span<const ControlSpec> analysis() {
    static const std::vector<ControlSpec> rows = build();
    return rows;
}

}  // namespace platform::fragments
