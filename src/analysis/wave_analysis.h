#pragma once
#include <cstdint>
#include <string>

#include "analysis/results_table.h"
#include "analysis/wave_pipeline.h"
#include "chart/chart.h"
#include "chart/chart_state.h"
#include "platform/dialogs.h"
#include "platform/panel.h"

namespace analysis {

// The trace chosen on the analysis page and the unit it followed when last analysed.
struct AnalyzeCtr {
    int Trace = -1;              // 0-7, -1 = none chosen
    std::uint8_t DeviceNum = 0;  // 0 = nothing selected
};

// The analysis page: mean, significant wave height and spectrum of what one chart trace
// holds, all of it or the part between the chart's cursors. A run works on a snapshot copied
// into the trace's work array; the chart keeps running meanwhile.
class WaveAnalysis {
  public:
    WaveAnalysis(platform::Panel& panel, platform::Dialogs& dialogs, chart::Chart& chart,
                 const chart::ChartCtr& chartCtr);

    void Initialize();

    // Control callbacks.
    void SelectTraceAnalyze(platform::Event e);
    void StartAnalysis(platform::Event e);
    // A spectrum setting or the section switch changed: the result shown is stale until the
    // next run (window, unit, scaling, maximum frequency, section).
    void settingChanged(platform::Ctl id, platform::Event e);
    // The last result: to the clipboard, to a CSV file; the spectrum as a picture or a table.
    void CopyResults();
    void ExportResults();
    void ExportSpectrum();
    void SpectrumResetView();

    const AnalyzeCtr& analyzeCtr() const { return AnalyzeCtr_; }
    // The graph the last run chose, or Ctl::Count when the spectrum reaches past 4 Hz.
    platform::Ctl shownGraph() const { return shown_; }
    // The last run's results with their section; device 0 before the first run.
    const ResultRow& lastResult() const { return last_; }
    // Lines describing the analysis settings, for a printed title block.
    std::vector<std::string> settingsText() const;
    // The unit of the readings analysed ("m", or "bar" for a Swellmeter in bar): every result,
    // unit and header shown or written says it. Nothing is converted.
    void setLevelUnit(std::string_view unit) { levelUnit_ = unit; }

  private:
    // Empty when the run succeeded, else why it was refused.
    std::string run();
    WaveSettings settings() const;
    void show(platform::Ctl graph, const WaveResult& r, std::span<const double> spectrum);
    void showStatistics(const WaveResult& r, int gaps);
    void clearSpectra();

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    chart::Chart& chart_;
    const chart::ChartCtr& chartCtr_;
    AnalyzeCtr AnalyzeCtr_;
    WaveAnalyzer analyzer_;
    platform::Ctl shown_ = platform::Ctl::Count;
    ResultRow last_;
    std::string levelUnit_ = "m";
    std::string spectrumAxis_;  // the shown spectrum's unit, in the readings' unit
};

}  // namespace analysis
