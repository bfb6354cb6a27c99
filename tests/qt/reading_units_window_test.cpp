// A Swellmeter reading in bar, seen through the whole window: every caption, axis, result and
// exported header that names the readings' unit says bar, and says metres again once the gauge
// reads in metres of sea water.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "qt/control_binder.h"
#include "qt/main_window.h"
#include "sim/sim_host.h"

namespace {

using platform::Ctl;
using platform::Event;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

std::string firstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

struct ReadingUnits : simtest::SimHost {
    std::unique_ptr<qtui::MainWindow> window;
    std::string dir;

    void SetUp() override {
        dir = freshFolder("reading_units");
    }
    void TearDown() override {
        window.reset();
        SimHost::TearDown();
        std::filesystem::remove_all(dir);
    }
    QString shown(Ctl id) {
        window->binder().flushNow();
        if (QLabel* l = window->binder().label(id)) return l->text();
        return qobject_cast<QLabel*>(window->binder().widget(id))->text();
    }
    void shot(int tab, const char* name) {
        window->tabs()->setCurrentIndex(tab);
        window->binder().flushNow();
        for (int pass = 0; pass < 4; ++pass) QApplication::processEvents();
        if (const char* shots = std::getenv("FATHOM_SCREENSHOTS"))
            window->grab().save(QString::fromUtf8(shots) + '/' + name);
    }
};

TEST_F(ReadingUnits, ASwellmeterInBarIsLabelledInBarFromTheLiveColumnToTheExportedResults) {
    std::vector<std::unique_ptr<sim::SimDevice>> d;
    d.push_back(sim::makeScenario(sim::scenarioForType(9), kStart));
    start(std::move(d));
    window = std::make_unique<qtui::MainWindow>(*&panel);
    window->resize(1280, 740);
    window->show();
    chooseUnitType(9);
    open(Ctl::PortARing, 0);
    run(6);
    ASSERT_EQ(panel.intValue(Ctl::SMI_BarMeters), 0) << "a gauge reads in bar at first";
    EXPECT_EQ(shown(Ctl::OutputDataID), "Data (bar)");
    EXPECT_EQ(shown(Ctl::YAxisRange), "Y range (bar)");
    EXPECT_EQ(shown(Ctl::LeftYAxis), "C1 pressure (bar)");
    EXPECT_EQ(panel.graph(Ctl::ChartGraph).yAxis().name, "Pressure (bar)");

    // The gauge's readings charted and analysed.
    int device = 0;
    for (int i = 0; i < live::kOutputLineCount && device == 0; ++i)
        device = host->deviceTable()[i].DeviceNum;
    ASSERT_GT(device, 0);
    panel.setValue(Ctl::TraceSelect1, device);
    panel.raise(Ctl::TraceSelect1, Event::Commit);
    panel.setValue(Ctl::RawStartStop, 1);
    panel.raise(Ctl::RawStartStop, Event::Commit);
    run(40);
    panel.setValue(Ctl::AnalyzeTraceSelect, 1);
    panel.raise(Ctl::AnalyzeTraceSelect, Event::Commit);
    panel.raise(Ctl::AnalyzeButton, Event::Commit);
    ASSERT_FALSE(panel.dimmed(Ctl::SignifwaveHeight)) << panel.text(Ctl::AnalysisStatus);
    EXPECT_EQ(shown(Ctl::AnalysisMean), "Mean (bar)");
    EXPECT_EQ(shown(Ctl::SignifwaveHeight), "Hmo (bar)");
    EXPECT_EQ(shown(Ctl::SpectralM0), "m0 (bar\u00B2)");
    EXPECT_EQ(panel.text(Ctl::SpectrumUnit), "bar\u00B2/Hz");
    EXPECT_EQ(panel.graph(host->waveAnalysis().shownGraph()).yAxis().name, "bar\u00B2/Hz");
    EXPECT_EQ(panel.items(Ctl::DisplayUnitRing)[6].label, "Variance density (bar\u00B2/Hz)");
    dialogs.fileReplies.push_back({platform::FileSelection::Status::New, dir + "results.csv"});
    panel.raise(Ctl::ExportResults, Event::Commit);
    const std::string header = firstLine(dir + "results.csv");
    EXPECT_NE(header.find(",mean_bar,hmo_bar,m0_bar2,m1_bar2hz,"), std::string::npos) << header;
    EXPECT_EQ(header.find("_m,"), std::string::npos) << header;
    shot(0, "swellmeter-bar-plot.png");
    shot(1, "swellmeter-bar-analysis.png");
    // The status written while the page was not shown has all of its lines once it is.
    auto* status = qobject_cast<QLabel*>(window->binder().widget(Ctl::AnalysisStatus));
    EXPECT_GE(status->height(), status->heightForWidth(status->width()));

    // In metres of sea water the same captions say metres again.
    panel.setValue(Ctl::SMI_BarMeters, 1);
    panel.raise(Ctl::SMI_BarMeters, Event::Commit);
    EXPECT_EQ(shown(Ctl::OutputDataID), "Data (m)");
    EXPECT_EQ(shown(Ctl::SignifwaveHeight), "Hmo (m)");
    EXPECT_EQ(panel.graph(Ctl::ChartGraph).yAxis().name, "Level (m)");
    EXPECT_EQ(panel.items(Ctl::DisplayUnitRing)[6].label, "Variance density (m\u00B2/Hz)");
}

}  // namespace
