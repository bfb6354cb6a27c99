// A recorded file analysed two ways: played back through the window's playback path and
// analysed on the analysis page, and read by the batch analysis of --analyze. Both must give
// the same numbers, and those of the independent reference.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "analysis/batch_analysis.h"
#include "analysis/reference_values.h"
#include "chart/chart_rig.h"

namespace {

using chart_test::ChartRig;
using platform::Ctl;
using platform::Event;
using platform::FileSelection;

struct RecordingAnalysisTest : ChartRig {
    live_test::TempDir dir;

    // Source "file", the recording opened and played to its end at the given X scale, an hour
    // of it a minute.
    void playBack(const std::string& path, int xScale) {
        commit(Ctl::PlotSourceSelect, 1);
        commit(Ctl::RawPlotXAsis, xScale);
        dialogs.fileReplies.push_back({FileSelection::Status::Existing, path});
        panel.raise(Ctl::MenuOpenPlotFile, Event::Commit);
        commit(Ctl::PlotSpeedCtr, 60);
        startPlotting();
        for (int ticks = 0; host->chartCtr().PlotRun != 0 && ticks < 1000; ++ticks) {
            panel.raise(Ctl::ReadFileTimer, Event::TimerTick);
        }
    }
    void analyse(int traceNumber) {
        commit(Ctl::AnalyzeTraceSelect, traceNumber);
        panel.raise(Ctl::AnalyzeButton, Event::Commit);
    }
    // What the analysis page shows, by the reference's names.
    std::map<std::string, double> shown() {
        return {{"mean", panel.value(Ctl::AnalysisMean)},
                {"hmo", panel.value(Ctl::SignifwaveHeight)},
                {"m0", panel.value(Ctl::SpectralM0)},
                {"m1", panel.value(Ctl::SpectralM1)},
                {"m2", panel.value(Ctl::SpectralM2)},
                {"peak_frequency", panel.value(Ctl::PeakFrequency)},
                {"tp", panel.value(Ctl::PeakPeriod)},
                {"tm01", panel.value(Ctl::PeriodTm01)},
                {"tm02", panel.value(Ctl::PeriodTm02)},
                {"waves", panel.value(Ctl::WaveCount)},
                {"hmax", panel.value(Ctl::WaveHmax)},
                {"h13", panel.value(Ctl::WaveH13)},
                {"hrms", panel.value(Ctl::WaveHrms)},
                {"tz", panel.value(Ctl::WaveTz)},
                {"t13", panel.value(Ctl::WaveT13)}};
    }
    // The batch analysis's row for the same file.
    analysis::ResultRow batch(const std::string& path, const analysis::BatchOptions& options) {
        std::ifstream in(path, std::ios::binary);
        const analysis::Recording rec = analysis::readRecording(in);
        analysis::ResultRow row;
        std::vector<double> spectrum;
        EXPECT_EQ(rec.devices.size(), 1u);
        if (rec.devices.empty()) return row;
        EXPECT_EQ(analysis::analyseDevice(rec, rec.devices[0], options, row, spectrum), "");
        return row;
    }
    void expectSame(const std::map<std::string, double>& window, const analysis::ResultRow& row,
                    const std::map<std::string, double>& reference) {
        const auto batchValues = analysis_test::statisticsOf(row);
        for (const auto& [name, v] : window) {
            EXPECT_DOUBLE_EQ(v, batchValues.at(name)) << name;
            EXPECT_NEAR(v, reference.at(name), 1e-7 * std::max(1.0, std::abs(v))) << name;
        }
    }
};

TEST_F(RecordingAnalysisTest, PlaybackInTheWindowAndBatchAnalysisAgree) {
    const auto reference = analysis_test::referenceValues();
    const std::string sea = analysis_test::waveFile("sea.csv");
    // 20 minutes at 8 samples/s fit a trace at 100 s a division (16 x 100 x 8 points).
    playBack(sea, 100);
    ASSERT_EQ(trace(0).DeviceNum, 7);
    analyse(1);
    expectSame(shown(), batch(sea, {}), reference.at("sea"));
    // The 64 samples of the two lost bursts are named.
    EXPECT_NE(panel.text(Ctl::AnalysisWarning).find("64 samples were missing and skipped"),
              std::string::npos)
        << panel.text(Ctl::AnalysisWarning);

    // The section between cursors at 300 s and 900 s, as --section 300,900 chooses it.
    panel.graph(Ctl::ChartGraph).setCursor(0, 900.0 / 100, 0);
    panel.graph(Ctl::ChartGraph).setCursor(1, 300.0 / 100, 0);
    commit(Ctl::XAxisCursor, 1);
    analyse(1);
    expectSame(shown(), batch(sea, {.section = true, .sectionStart = 300, .sectionEnd = 900}),
               reference.at("sea_300_900"));
    EXPECT_NE(panel.text(Ctl::AnalysisWarning).find("Only 93 waves"), std::string::npos);
}

TEST_F(RecordingAnalysisTest, ResultsAreCopiedAndExportedWithTheirSection) {
    panel.raise(Ctl::CopyResults, Event::Commit);
    EXPECT_TRUE(dialogs.copied.empty());  // nothing analysed yet
    EXPECT_EQ(panel.text(Ctl::AnalysisStatus), "Nothing to copy yet: press Analyze first.");

    playBack(analysis_test::waveFile("sine.csv"), 225);
    analyse(1);
    EXPECT_EQ(panel.text(Ctl::AnalysisWarning), "");  // 255 waves, no gap
    panel.raise(Ctl::CopyResults, Event::Commit);
    ASSERT_EQ(dialogs.copied.size(), 1u);
    std::istringstream copied(dialogs.copied[0]);
    std::string header, row;
    std::getline(copied, header);
    std::getline(copied, row);
    EXPECT_TRUE(header.starts_with("file\tdevice\trate_hz\tstart\t")) << header;
    EXPECT_TRUE(
        row.starts_with("\t5\t4\t2014-02-10T16:00:40.000\t0\t1920\t7680\t0\t0\tHann\t1.5\t"))
        << row;

    // Export: the same columns as --analyze; an existing file is replaced only when allowed.
    const std::string path = dir.file("waves.csv");
    std::ofstream(path) << "keep";
    dialogs.fileReplies.push_back({FileSelection::Status::Existing, path});
    dialogs.confirmReplies.push_back(false);
    panel.raise(Ctl::ExportResults, Event::Commit);
    EXPECT_EQ((std::stringstream() << std::ifstream(path).rdbuf()).str(), "keep");
    dialogs.fileReplies.push_back({FileSelection::Status::Existing, path});
    panel.raise(Ctl::ExportResults, Event::Commit);
    EXPECT_EQ((std::stringstream() << std::ifstream(path).rdbuf()).str(),
              analysis::resultsHeader() + analysis::resultsLine(host->waveAnalysis().lastResult()));

    // The spectrum as a table, and as a picture drawn by the window.
    const std::string table = dir.file("spectrum.csv");
    dialogs.fileReplies.push_back({FileSelection::Status::New, table});
    panel.raise(Ctl::ExportSpectrum, Event::Commit);
    std::ifstream in(table);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "frequency_hz,m\u00B2/Hz");
    int lines = 0;
    while (std::getline(in, line)) ++lines;
    EXPECT_EQ(lines, 7680 / 2);
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("spectrum.svg")});
    panel.raise(Ctl::ExportSpectrum, Event::Commit);
    ASSERT_EQ(dialogs.graphOutputs.size(), 1u);
    EXPECT_EQ(dialogs.graphOutputs[0].graph, Ctl::SpectrumGraph05);  // 4/s: up to 0.5 Hz
}

}  // namespace
