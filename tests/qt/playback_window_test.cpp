// A recording of the simulated radio network played back in the window: what the chart draws.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "app/host.h"
#include "live/live_rig.h"
#include "qt/control_binder.h"
#include "qt/main_window.h"
#include "sim/sim_network.h"
#include "sim/sim_serial_ports.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"

namespace {

using platform::Ctl;
using platform::Event;
using platform::FileSelection;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

struct PlaybackWindow : ::testing::Test {
    platform::Panel panel;
    testing_support::FakeDialogs dialogs;
    testing_support::FakeClock clock;
    sim::SimSerialPorts ports;
    std::unique_ptr<app::Host> host;
    std::unique_ptr<qtui::MainWindow> window;
    live_test::TempDir dir;
    double elapsedMs = 0;

    void SetUp() override {
        const int port = ports.add(sim::makeRadioNetwork(kStart, std::vector<int>{0, 0, 0, 0}));
        host = std::make_unique<app::Host>(panel, dialogs, ports, clock, [] {});
        window = std::make_unique<qtui::MainWindow>(panel);
        host->Initialize();
        host->chooseUnitType(0);
        commit(Ctl::PortARing, port);
    }
    void commit(Ctl id, double v) {
        panel.setValue(id, v);
        panel.raise(id, Event::Commit);
    }
    // The instruments and the program's radio timer, in 50 ms steps.
    void run(double seconds) {
        for (double t = 0; t < seconds * 1000; t += 50) {
            ports.advance(50);
            clock.advance(0.05);
            elapsedMs += 50;
            if (static_cast<long long>(elapsedMs) % panel.timerInterval(Ctl::DeviceDisplayTimer) ==
                0)
                panel.raise(Ctl::DeviceDisplayTimer, Event::TimerTick);
        }
    }
};

int pixelsOf(const QImage& image, QRgb color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == color;
    }
    return n;
}

// Playback passed its core tests once while the window drew almost nothing: the chart's own
// drawing of a played file is checked here, trace by trace, by colour.
TEST_F(PlaybackWindow, APlayedRecordingDrawsAllFourTraces) {
    run(10);
    commit(Ctl::RawPlotXAsis, 5);  // 80 s
    for (int t = 0; t < 4; ++t) commit(platform::ctlAt(Ctl::TraceSelect1, t), t + 1);
    dialogs.promptReplies.push_back("1");
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("run.csv")});
    panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
    run(60);
    panel.raise(Ctl::MenuStopOutputData, Event::Commit);

    commit(Ctl::PlotSourceSelect, 1);
    window->resize(1280, 800);
    window->show();
    window->binder().flushNow();
    QWidget* chart = window->binder().widget(Ctl::ChartGraph);
    ASSERT_NE(chart, nullptr);
    const QImage empty = chart->grab().toImage();  // the same axes and captions, no trace
    dialogs.fileReplies.push_back({FileSelection::Status::Existing, dir.file("run000.csv")});
    panel.raise(Ctl::MenuOpenPlotFile, Event::Commit);
    // Traces chosen while live were let go at the switch to the file (no unit was listed
    // then), so the traces take the file's units as they come.
    commit(Ctl::RawStartStop, 1);
    for (int i = 0; i < 200 && host->chartCtr().PlotRun != 0; ++i)
        panel.raise(Ctl::ReadFileTimer, Event::TimerTick);
    ASSERT_EQ(dialogs.shown.back().title, "END OF FILE");
    for (int t = 0; t < 4; ++t) ASSERT_NE(host->chart().trace(t).DeviceNum, 0);

    window->binder().flushNow();
    const QImage image = chart->grab().toImage();
    if (const char* shots = std::getenv("FATHOM_SCREENSHOTS")) {
        window->grab().save(QString::fromUtf8(shots) + "/playback.png");
    }
    // Red, blue, green and black: the first four traces' colours (black beyond what the axis
    // captions use). A second of one trace draws some tens of pixels; a unit's minute hundreds.
    for (QRgb color : {0xFF0000u, 0x0000FFu, 0x009900u, 0x000000u}) {
        EXPECT_GT(pixelsOf(image, color) - pixelsOf(empty, color), 300) << std::hex << color;
    }
}

}  // namespace
