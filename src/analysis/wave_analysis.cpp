#include "analysis/wave_analysis.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <limits>

#include "platform/entry_hint.h"
#include "platform/level_unit.h"
#include "platform/output_file.h"

namespace analysis {

using platform::Ctl;
using platform::Event;

namespace {

// Spectrum colours of traces 1-8; 3 and 7 are brighter than their chart colours.
constexpr std::array<platform::Rgb, chart::kTraceCount> kSpectrumColors{
    0xFF0000, 0x0000FF, 0x00FF00, 0x000000, 0xFF9900, 0x9966FF, 0xCCFF00, 0xB0B0B0};

struct SpectrumGraph {
    double maxHz;
    Ctl id;
};
constexpr std::array<SpectrumGraph, 5> kGraphs{{
    {0.25, Ctl::SpectrumGraph025},
    {0.5, Ctl::SpectrumGraph05},
    {1.0, Ctl::SpectrumGraph1},
    {2.0, Ctl::SpectrumGraph2},
    {4.0, Ctl::SpectrumGraph4},
}};

// The narrowest graph that reaches fmax; none above 4 Hz.
const SpectrumGraph* graphFor(double fmax) {
    for (const SpectrumGraph& g : kGraphs) {
        if (fmax <= g.maxHz) return &g;
    }
    return nullptr;
}

// Whole seconds of a cursor time, as a sample position at `rate`. Truncated toward zero; a
// cursor far outside any trace is held where the cast cannot overflow.
int cursorPosition(double seconds, int rate) {
    const double s = std::trunc(std::clamp(seconds, -1e6, 1e6));
    return static_cast<int>(s) * rate;
}

[[gnu::format(printf, 1, 2)]] std::string format(const char* f, ...) {
    char text[200];
    va_list args;
    va_start(args, f);
    std::vsnprintf(text, sizeof text, f, args);
    va_end(args);
    return text;
}

// A statistic with its decimals, or "-" where the record gives none.
std::string orDash(double v, int decimals) {
    return std::isfinite(v) ? format("%.*f", decimals, v) : std::string("-");
}

}  // namespace

WaveAnalysis::WaveAnalysis(platform::Panel& panel, platform::Dialogs& dialogs, chart::Chart& chart,
                           const chart::ChartCtr& chartCtr)
    : panel_(panel),
      dialogs_(dialogs),
      chart_(chart),
      chartCtr_(chartCtr),
      analyzer_(chart::kTracePoints) {
    for (const SpectrumGraph& g : kGraphs) {
        platform::Graph& graph = panel_.graph(g.id);
        graph.setXRange(0, g.maxHz);
        graph.xAxis().name = "Frequency (Hz)";
        graph.xAxis().unit = "Hz";
        graph.setLegend(true);
        // Trace 4's spectrum is black: the spectra are drawn on white.
        graph.setColors({.background = 0xFFFFFF, .grid = 0xD8D8D8, .cursor = 0x404040});
    }
}

void WaveAnalysis::Initialize() {
    AnalyzeCtr_ = {};
    panel_.setValue(Ctl::AnalyzeTraceSelect, 0);
}

void WaveAnalysis::clearSpectra() {
    for (const SpectrumGraph& g : kGraphs) panel_.graph(g.id).deleteAll();
}

void WaveAnalysis::SelectTraceAnalyze(Event e) {
    if (e != Event::Commit) return;
    panel_.setTextColor(Ctl::AnalyzeButton, platform::kRed);
    AnalyzeCtr_.Trace = std::clamp(panel_.intValue(Ctl::AnalyzeTraceSelect), 0, 8) - 1;
    AnalyzeCtr_.DeviceNum =
        AnalyzeCtr_.Trace >= 0
            ? static_cast<std::uint8_t>(std::clamp(
                  panel_.intValue(platform::ctlAt(Ctl::TraceSelect1, AnalyzeCtr_.Trace)), 0, 255))
            : 0;
    clearSpectra();
}

void WaveAnalysis::settingChanged(Ctl id, Event e) {
    if (id == Ctl::AnalyzeMax) platform::followEntryHint(panel_, id, e);
    if (e != Event::Commit) return;
    panel_.setTextColor(Ctl::AnalyzeButton, platform::kRed);
}

void WaveAnalysis::StartAnalysis(Event e) {
    if (e != Event::Commit) return;
    const std::string refused = run();
    if (!refused.empty()) panel_.setText(Ctl::AnalysisStatus, refused);
    panel_.setTextColor(Ctl::AnalyzeButton, platform::kBlack);
}

WaveSettings WaveAnalysis::settings() const {
    return {.window = static_cast<WindowType>(panel_.intValue(Ctl::WindowRing)),
            .scaling = static_cast<Scaling>(panel_.intValue(Ctl::ScalingRing)),
            .unit = static_cast<DisplayUnit>(panel_.intValue(Ctl::DisplayUnitRing)),
            .tideFilter = panel_.intValue(Ctl::TideFilter) != 0};
}

// A refused run changes no result: device, mean, Hmo, unit and spectrum shown always belong
// to one run.
std::string WaveAnalysis::run() {
    const int t = AnalyzeCtr_.Trace;
    if (t < 0) return "Choose a trace to analyse.";
    chart::TraceBuffer& b = chart_.trace(t);
    // The trace may have taken another unit since it was chosen here; its samples are that
    // unit's.
    AnalyzeCtr_.DeviceNum = b.DeviceNum;
    if (b.DeviceNum == 0 || b.Rate == 0) {
        return format("Trace %d follows no unit: enter a device number for it on the plot page.",
                      t + 1);
    }
    const int rate = b.Rate;
    const auto held = static_cast<int>(b.NumPoints);
    const std::span<const double> data(b.Data.data(), static_cast<std::size_t>(held));
    int n = 0, gaps = 0, from = 0, to = b.WriteLoc;
    const bool cursors = panel_.intValue(Ctl::XAxisCursor) != 0;
    if (cursors) {
        const platform::Graph& g = panel_.graph(Ctl::ChartGraph);
        double t1 = g.cursor(0).first * chartCtr_.XScale;
        double t2 = g.cursor(1).first * chartCtr_.XScale;
        if (t1 > t2) std::swap(t1, t2);
        from = cursorPosition(t1, rate);
        to = cursorPosition(t2, rate);
        n = copySection(data, from, to, chart::kNoData, b.WorkData, &gaps);
        if (n == 0) {
            return format("No samples of trace %d between the cursors (%.0f s to %.0f s).", t + 1,
                          std::trunc(t1), std::trunc(t2));
        }
    } else {
        n = copySection(data, from, to, chart::kNoData, b.WorkData, &gaps);
        if (n == 0) return format("Trace %d holds no samples yet.", t + 1);
    }
    if (n < kMinAnalysisPoints) {
        return format("Only %d samples in the section: an analysis needs at least %d.", n,
                      kMinAnalysisPoints);
    }
    double fmax = panel_.value(Ctl::AnalyzeMax);
    if (!(fmax > 0)) fmax = rate / 8.0;
    const SpectrumGraph* graph = graphFor(fmax);
    const WaveResult r =
        analyzer_.run(std::span(b.WorkData.data(), static_cast<std::size_t>(n)), rate, settings());
    const WaveSettings used = settings();
    last_ = {.device = b.DeviceNum,
             .rate = rate,
             .start = timeText(chartCtr_.StartTime + static_cast<double>(from) / rate),
             .sectionStart = static_cast<double>(from) / rate,
             .sectionEnd = static_cast<double>(std::max(from, to)) / rate,
             .gaps = gaps,
             .tideFilter = used.tideFilter,
             .window = windowName(used.window),
             .result = r,
             .warning = sectionWarning(r, gaps)};
    show(graph != nullptr ? graph->id : Ctl::Count, r, analyzer_.spectrum());
    showStatistics(r, gaps);
    panel_.setText(
        Ctl::AnalysisStatus,
        format("Trace %d, device %d: %d samples at %d/s (%.0f s)%s%s.", t + 1, b.DeviceNum, n, rate,
               static_cast<double>(n) / rate, cursors ? " between the cursors" : "",
               settings().tideFilter ? ", tide filtered" : ""));
    return {};
}

void WaveAnalysis::showStatistics(const WaveResult& r, int gaps) {
    const std::array<std::pair<Ctl, double>, 13> values{{
        {Ctl::SpectralM0, r.spectral.m0},
        {Ctl::SpectralM1, r.spectral.m1},
        {Ctl::SpectralM2, r.spectral.m2},
        {Ctl::PeakFrequency, r.spectral.peakFrequency},
        {Ctl::PeakPeriod, r.spectral.tp},
        {Ctl::PeriodTm01, r.spectral.tm01},
        {Ctl::PeriodTm02, r.spectral.tm02},
        {Ctl::WaveCount, r.waves.waves},
        {Ctl::WaveHmax, r.waves.hmax},
        {Ctl::WaveH13, r.waves.h13},
        {Ctl::WaveHrms, r.waves.hrms},
        {Ctl::WaveTz, r.waves.tz},
        {Ctl::WaveT13, r.waves.t13},
    }};
    for (auto [id, v] : values) {
        panel_.setDimmed(id, false);
        panel_.setValue(id, v);
    }
    panel_.setText(Ctl::AnalysisWarning, sectionWarning(r, gaps));
}

void WaveAnalysis::show(Ctl graphId, const WaveResult& r, std::span<const double> spectrum) {
    for (Ctl id : {Ctl::AnalyzedDevice, Ctl::AnalysisMean, Ctl::SignifwaveHeight}) {
        panel_.setDimmed(id, false);
    }
    panel_.setValue(Ctl::AnalyzedDevice, AnalyzeCtr_.DeviceNum);
    panel_.setValue(Ctl::AnalysisMean, r.mean);
    panel_.setValue(Ctl::SignifwaveHeight, r.hmo);
    panel_.setText(Ctl::SpectrumUnit, platform::inLevelUnit(r.unit, levelUnit_));
    for (const SpectrumGraph& g : kGraphs) panel_.setVisible(g.id, g.id == graphId);
    panel_.setVisible(Ctl::SpectrumAboveRange, graphId == Ctl::Count);
    clearSpectra();
    shown_ = graphId;
    if (graphId == Ctl::Count || !(r.df > 0)) return;
    // A quarter of the record's values reach a quarter of the sampling rate, which covers
    // the automatic maximum (an eighth). A maximum set higher draws as far as its graph
    // reaches, up to the Nyquist frequency.
    platform::Graph& g = panel_.graph(graphId);
    const auto toGraphEnd = static_cast<std::size_t>(std::ceil(g.xAxis().max / r.df)) + 1;
    const std::size_t count =
        std::max(static_cast<std::size_t>(r.points / 4), std::min(spectrum.size(), toGraphEnd));
    spectrumAxis_ = platform::inLevelUnit(r.unit, levelUnit_);
    g.yAxis().name = spectrumAxis_;  // the axis keeps a view of it
    // A bin without power (the DC bin after the mean is removed, say) shows the decibel floor;
    // scaling the axis down to it would squash every real bin into the top of the graph.
    g.yAxis().floor = settings().scaling == Scaling::Decibel
                          ? kDecibelFloor
                          : -std::numeric_limits<double>::infinity();
    g.yAxis().unit = g.yAxis().name;
    const int handle = g.plotWaveform(spectrum.first(std::min(count, spectrum.size())), 0.0, r.df,
                                      kSpectrumColors[static_cast<std::size_t>(AnalyzeCtr_.Trace)]);
    g.setPlotLabel(handle, "Device " + std::to_string(AnalyzeCtr_.DeviceNum));
}

void WaveAnalysis::CopyResults() {
    if (last_.device == 0) {
        panel_.setText(Ctl::AnalysisStatus, "Nothing to copy yet: press Analyze first.");
        return;
    }
    if (!dialogs_.copyText(platform::inLevelUnit(resultsForClipboard(last_), levelUnit_))) {
        panel_.setText(Ctl::AnalysisStatus, "The results could not be copied: no clipboard.");
        return;
    }
    panel_.setText(Ctl::AnalysisStatus, "Results copied.");
}

void WaveAnalysis::ExportResults() {
    if (last_.device == 0) {
        panel_.setText(Ctl::AnalysisStatus, "Nothing to export yet: press Analyze first.");
        return;
    }
    const std::string path = platform::chooseOutputFile(
        dialogs_, "Export Results", "*.csv", "", "waves" + std::to_string(last_.device) + ".csv");
    if (path.empty()) return;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << platform::inLevelUnit(resultsHeader(), levelUnit_) << resultsLine(last_);
    out.close();
    if (!out) {
        dialogs_.message("EXPORT FAILED", "The results could not be written to " + path + ".");
        return;
    }
    panel_.setText(Ctl::AnalysisStatus, "Results written to " + path + ".");
}

void WaveAnalysis::ExportSpectrum() {
    if (last_.device == 0) {
        panel_.setText(Ctl::AnalysisStatus, "No spectrum to export: press Analyze first.");
        return;
    }
    const std::string path =
        platform::chooseOutputFile(dialogs_, "Export Spectrum", "*.png", "*.svg;*.csv",
                                   "spectrum" + std::to_string(last_.device) + ".png");
    if (path.empty()) return;
    std::string error;
    if (platform::hasExtension(path, ".csv")) {
        // The whole spectrum of the run, up to half the sample rate, in the unit shown.
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        writeSpectrumCsv(out, analyzer_.spectrum(), last_.result.df,
                         platform::inLevelUnit(last_.result.unit, levelUnit_));
        out.close();
        if (!out) error = "The spectrum could not be written to " + path + ".";
    } else if (platform::hasExtension(path, ".png") || platform::hasExtension(path, ".svg")) {
        error = shown_ == Ctl::Count ? "The spectrum reaches above 4 Hz and has no graph to draw."
                                     : dialogs_.saveGraph(shown_, path);
    } else {
        error = "Choose a name ending in .png, .svg or .csv: " + path;
    }
    if (!error.empty()) {
        dialogs_.message("EXPORT FAILED", error);
        return;
    }
    panel_.setText(Ctl::AnalysisStatus, "Spectrum written to " + path + ".");
}

void WaveAnalysis::SpectrumResetView() {
    for (const SpectrumGraph& g : kGraphs) panel_.graph(g.id).resetView();
}

std::vector<std::string> WaveAnalysis::settingsText() const {
    const WaveSettings s = settings();
    std::vector<std::string> lines;
    lines.push_back(platform::inLevelUnit(
        format("Analysis: window %s, %s, tide filter %s, section %s",
               std::string(windowName(s.window)).c_str(),
               std::string(unitLabel(s.unit, s.scaling)).c_str(), s.tideFilter ? "on" : "off",
               panel_.intValue(Ctl::XAxisCursor) != 0 ? "between the cursors" : "the whole trace"),
        levelUnit_));
    if (last_.device != 0) {
        const WaveResult& r = last_.result;
        lines.push_back(platform::inLevelUnit(format(
            "Device %d, %d samples from %s: mean %.3f m, Hmo %.3f m, Tp %.2f s, Tm01 %.2f s, "
            "Tm02 %.2f s, %d waves, Hmax %s m, H1/3 %s m, Tz %s s",
            last_.device, r.points, last_.start.c_str(), r.mean, r.hmo, r.spectral.tp,
            r.spectral.tm01, r.spectral.tm02, r.waves.waves, orDash(r.waves.hmax, 3).c_str(),
            orDash(r.waves.h13, 3).c_str(), orDash(r.waves.tz, 2).c_str()), levelUnit_));
    }
    return lines;
}

}  // namespace analysis
