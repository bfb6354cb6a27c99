// A recording of the simulated radio network played back through the program: the file's
// units are listed and charted as they were live.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "live/live_rig.h"
#include "sim_host.h"

namespace {

using platform::Ctl;
using platform::Event;
using platform::FileSelection;
using simtest::SimHost;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

struct HostPlayback : SimHost {
    live_test::TempDir dir;

    void commit(Ctl id, double v) {
        panel.setValue(id, v);
        panel.raise(id, Event::Commit);
    }
    // The four radio staffs, one in each data format, their port open.
    void startRadioNetwork() {
        std::vector<std::unique_ptr<sim::SimDevice>> d;
        d.push_back(sim::makeRadioNetwork(kStart, std::vector<int>{0, 0, 0, 0}));
        start(std::move(d));
        chooseUnitType(0);
        open(Ctl::PortARing, 0);
    }
    void startRecording(const std::string& name) {
        dialogs.promptReplies.push_back("1");
        dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file(name)});
        panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
    }
    void openPlayback(const std::string& path) {
        dialogs.fileReplies.push_back({FileSelection::Status::Existing, path});
        panel.raise(Ctl::MenuOpenPlotFile, Event::Commit);
    }
    void playToEnd() {
        for (int i = 0; i < 1000 && host->chartCtr().PlotRun != 0; ++i)
            panel.raise(Ctl::ReadFileTimer, Event::TimerTick);
    }
    // Each traced device's stored values.
    std::map<int, std::vector<float>> traces() {
        std::map<int, std::vector<float>> m;
        for (int t = 0; t < chart::kTraceCount; ++t) {
            const chart::TraceBuffer& b = host->chart().trace(t);
            if (b.DeviceNum == 0) continue;
            m[b.DeviceNum].assign(b.Data.begin(), b.Data.begin() + static_cast<long>(b.NumPoints));
        }
        return m;
    }
    int listedUnits() {
        int n = 0;
        for (int row = 0; row < live::kRowsPerPage; ++row)
            n += panel.value(platform::ctlAt(Ctl::Device1, row)) != 0 ? 1 : 0;
        return n;
    }
};

int stored(const std::vector<float>& data) {
    int n = 0;
    for (float v : data) n += v != chart::kNoData ? 1 : 0;
    return n;
}

// Recording begins while the units are listed, as an operator would start it. The live
// entries left stale time tags behind: a reused entry's tag used to put the chart's start after
// the whole file, so almost nothing was drawn, and at the end of the file the rows aged away
// without a word.
TEST_F(HostPlayback, ARecordingDrawsEveryUnitWhereLivePlottingDrewItAndTheEndIsAnnounced) {
    startRadioNetwork();
    run(10);
    commit(Ctl::RawPlotXAsis, 10);  // 160 s: the minute recorded fits without a restart
    startRecording("run.csv");
    commit(Ctl::RawStartStop, 1);  // no trace chosen: the traces take the units as they report
    run(60);
    panel.raise(Ctl::MenuStopOutputData, Event::Commit);
    const auto live = traces();
    const platform::AbsTime liveStart = host->chartCtr().StartTime;
    ASSERT_EQ(live.size(), 4u);

    commit(Ctl::PlotSourceSelect, 1);
    openPlayback(dir.file("run000.csv"));
    commit(Ctl::RawStartStop, 1);
    playToEnd();
    const auto played = traces();
    ASSERT_EQ(played.size(), 4u);
    // Both charts start at a whole second, at their first charted sample, and may differ by a
    // little: live knew the time of the continuous unit's first samples, which the file tells
    // only with its first time tag of that unit (they come every 32 samples, 8 s), a burst
    // that straddles one chart's start is placed by the other, and a burst's tag is 4 s older
    // than its arrival. From 16 s on the charts agree point for point.
    const double later = host->chartCtr().StartTime - liveStart;
    ASSERT_LT(std::abs(later), 8);
    const double settled = std::max(0.0, later) + 16;
    for (const auto& [device, data] : live) {
        SCOPED_TRACE(device);
        const std::vector<float>& p = played.at(device);
        ASSERT_EQ(p.size(), data.size());
        const int rate = static_cast<int>(data.size()) / 160;
        EXPECT_GE(stored(p), 50 * rate) << "most of the minute of samples is drawn";
        for (auto i = static_cast<long>(settled * rate); i < static_cast<long>(data.size()); ++i) {
            const long j = i - static_cast<long>(later * rate);  // the same time played back
            if (j >= static_cast<long>(p.size())) break;
            ASSERT_NEAR(p[static_cast<std::size_t>(j)], data[static_cast<std::size_t>(i)],
                        0.00006)  // 4 decimals in the file
                << "point " << j;
        }
    }
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().title, "END OF FILE");

    // Stopped at the end, the file's units stay listed while the source is the file.
    ASSERT_EQ(listedUnits(), 4);
    for (int s = 0; s < 300; ++s) panel.raise(Ctl::DeviceDisplayTimer, Event::TimerTick);
    EXPECT_EQ(listedUnits(), 4);
}

// Lines of a recorded file that begin with prefix.
int linesStarting(const std::string& path, std::string_view prefix) {
    std::ifstream in(path, std::ios::binary);
    int n = 0;
    for (std::string line; std::getline(in, line);) n += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

// An operator plays an earlier file while a station records: the live units go on being
// recorded and captured (they used to be dropped for as long as the file played, with the
// recording lamp still lit), and the played file's lines never land in the live recording.
TEST_F(HostPlayback, RecordingAndCaptureOfTheLiveUnitsGoOnWhileAFilePlays) {
    // An earlier file: unit 1 alone, at another rate.
    std::string old;
    for (int b = 0; b < 40; ++b) {
        char head[48];
        std::snprintf(head, sizeof head, "A001,S04,B0,2014-02-10T16:%02d:%02d", b / 7, b * 8 % 60);
        old += head;
        for (int k = 0; k < 32; ++k) old += ",02.5000";
        old += "\r\n";
    }
    const std::string oldPath = dir.file("old.csv");
    std::ofstream(oldPath, std::ios::binary) << old;

    startRadioNetwork();
    run(10);
    startRecording("live.csv");
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir.file("live.DAT")});
    panel.raise(Ctl::MenuSaveApiFrames, Event::Commit);
    run(20);
    const int before = linesStarting(dir.file("live000.csv"), "");
    const auto capturedBefore = std::filesystem::file_size(dir.file("live.DAT"));

    commit(Ctl::PlotSourceSelect, 1);
    openPlayback(oldPath);
    commit(Ctl::RawStartStop, 1);
    for (int s = 0; s < 30; ++s) {
        run(1);
        panel.raise(Ctl::ReadFileTimer, Event::TimerTick);
    }
    EXPECT_TRUE(panel.visible(Ctl::RecordingIndicator));
    // The rows show the file's unit only, keyed by its device number.
    EXPECT_EQ(listedUnits(), 1);
    EXPECT_EQ(panel.u64(Ctl::Address1), 1u);
    panel.raise(Ctl::MenuStopOutputData, Event::Commit);
    panel.raise(Ctl::MenuStopApiFrames, Event::Commit);

    const std::string recorded = dir.file("live000.csv");
    // 30 s more of the four units: the continuous one alone sends 4 samples a second.
    EXPECT_GE(linesStarting(recorded, "") - before, 30 * 4);
    for (const char* unit : {"A001,S08", "C002,D1,S04", "I003,S16", "F004,S08"}) {
        EXPECT_GE(linesStarting(recorded, unit), 10) << unit;
    }
    EXPECT_EQ(linesStarting(recorded, "A001,S04,B0,2014"), 0) << "nothing of the played file";
    EXPECT_GT(std::filesystem::file_size(dir.file("live.DAT")), 2 * capturedBefore);
}

}  // namespace
