// What the program remembers between runs, and what it does with a store it cannot trust.
#include "app/remembered_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "app/folder_memory.h"
#include "app/host.h"
#include "support/fake_clock.h"
#include "support/fake_dialogs.h"
#include "support/fake_serial_ports.h"
#include "support/memory_settings_store.h"
#include "support/wire_frames.h"

using namespace platform;
using testing_support::FakeClock;
using testing_support::FakeDialogs;
using testing_support::FakeSerialPorts;
using testing_support::MemorySettingsStore;

namespace {

// One run of the program: its own panel, dialogs, ports and Host, on a store that outlives it.
struct ProgramRun {
    Panel panel;
    FakeDialogs shownDialogs;
    app::FolderMemory dialogs{shownDialogs};
    FakeSerialPorts ports;
    FakeClock clock;
    app::Host host{panel, dialogs, ports, clock, [] {}};
    app::RememberedSettings settings;

    explicit ProgramRun(SettingsStore* store,
                        std::vector<std::string> present = {"/dev/ttyUSB0", "/dev/ttyUSB1"})
        : settings(host, store, dialogs, ports) {
        int n = 1;
        for (const std::string& path : present) {
            ports.available.push_back({path, n, path});
            ports.paths[path] = n++;
        }
        host.Initialize();
        dialogs.remember(&settings);
    }
    void set(Ctl id, double v) {
        panel.setValue(id, v);
        panel.raise(id, Event::Commit);
    }
};

// The next run reads only what the last one flushed.
std::unique_ptr<MemorySettingsStore> nextRunOf(const MemorySettingsStore& last) {
    auto next = std::make_unique<MemorySettingsStore>();
    next->values = last.flushed;
    return next;
}

std::string tempFile(const std::string& name, const std::string& content) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

// Unit 12 of a radio network, reporting on the adapter at /dev/ttyUSB0.
void unit12Reports(ProgramRun& run) {
    run.ports.receive(
        run.ports.numberForPath("/dev/ttyUSB0"),
        testing_support::receivePacket(0x0013A20040A1B2C3ULL, "C012,D1,S04,01234\r\n"));
}

TEST(RememberedSettings, AStationComesBackAsItWasLeft) {
    MemorySettingsStore first;
    {
        ProgramRun run(&first);
        run.settings.restore({});  // a first run: nothing remembered yet
        run.host.chooseUnitType(0);
        ASSERT_TRUE(run.host.choosePort(Ctl::PortARing, "/dev/ttyUSB0"));
        unit12Reports(run);
        run.set(Ctl::TraceSelect2, 12);
        ASSERT_EQ(run.panel.intValue(Ctl::TraceSelect2), 12);
        run.set(Ctl::YAxisRange, 4);
        run.set(Ctl::YAxisOffset, -1.5);
        run.set(Ctl::WindowRing, run.panel.items(Ctl::WindowRing).at(2).value);
        run.set(Ctl::TideFilter, 1);
        run.settings.save();
    }
    auto second = nextRunOf(first);
    ProgramRun run(second.get());
    run.shownDialogs.confirmReplies.push_back(true);
    EXPECT_TRUE(run.settings.restore({}));

    EXPECT_EQ(run.host.session().UnitType, 0);
    ASSERT_EQ(run.shownDialogs.count("OPEN THE PORTS OF LAST TIME?"), 1);
    const std::string& offer = run.shownDialogs.shown.back().text;
    EXPECT_NE(offer.find("port A: /dev/ttyUSB0"), std::string::npos) << offer;
    EXPECT_TRUE(run.host.portOpen(Ctl::PortARing));
    EXPECT_EQ(run.panel.value(Ctl::YAxisRange), 4);
    EXPECT_EQ(run.panel.value(Ctl::YAxisOffset), -1.5);
    EXPECT_EQ(run.panel.value(Ctl::WindowRing), run.panel.items(Ctl::WindowRing).at(2).value);
    EXPECT_EQ(run.panel.intValue(Ctl::TideFilter), 1);

    // Unit 12 has not reported in this run yet: its trace shows it and waits for it, through
    // a chart reset too, and takes it once it has reported.
    EXPECT_EQ(run.panel.intValue(Ctl::TraceSelect2), 12);
    run.set(Ctl::RawPlotXAsis, run.panel.value(Ctl::RawPlotXAsis));
    EXPECT_EQ(run.panel.intValue(Ctl::TraceSelect2), 12);
    EXPECT_EQ(run.host.chart().trace(1).DeviceNum, 0);
    unit12Reports(run);
    run.set(Ctl::RawStartStop, 1);
    EXPECT_EQ(run.host.chart().trace(1).DeviceNum, 12);
    EXPECT_EQ(run.host.chart().trace(0).DeviceNum, 0);
}

TEST(RememberedSettings, ATraceTheOperatorRetypesNoLongerWaits) {
    MemorySettingsStore store;
    store.values = {{"format", "fathomhost settings 1"}, {"controls/TraceSelect1", "12"}};
    ProgramRun run(&store);
    run.settings.restore({});
    ASSERT_EQ(run.panel.intValue(Ctl::TraceSelect1), 12);
    run.set(Ctl::TraceSelect1, 7);  // unit 7 has not reported either: the trace is off
    EXPECT_EQ(run.panel.intValue(Ctl::TraceSelect1), 0);
}

TEST(RememberedSettings, PortsAreOfferedOnlyWhenPresentAndOpenedOnlyWhenTheOperatorAgrees) {
    MemorySettingsStore first;
    {
        ProgramRun run(&first);
        run.settings.restore({});  // a first run: nothing remembered yet
        run.host.chooseUnitType(3);
        run.host.choosePort(Ctl::PortARing, "/dev/ttyUSB0");
        run.host.choosePort(Ctl::PortBRing, "/dev/ttyUSB1");
        run.settings.save();
    }
    {  // a no leaves every port closed, and does not forget them for the next run
        auto store = nextRunOf(first);
        ProgramRun run(store.get());
        run.shownDialogs.confirmReplies.push_back(false);
        run.settings.restore({});
        EXPECT_EQ(run.host.session().UnitType, 3);
        EXPECT_FALSE(run.host.portOpen(Ctl::PortARing));
        EXPECT_FALSE(run.host.portOpen(Ctl::PortBRing));
        run.settings.save();
        auto next = nextRunOf(*store);
        ProgramRun again(next.get());
        again.settings.restore({});
        EXPECT_EQ(again.shownDialogs.count("OPEN THE PORTS OF LAST TIME?"), 1);
        EXPECT_TRUE(again.host.portOpen(Ctl::PortBRing));
    }
    {  // another unit type chosen and left with no port open forgets the ports
        auto store = nextRunOf(first);
        ProgramRun run(store.get());
        run.shownDialogs.confirmReplies.push_back(false);
        run.settings.restore({});
        run.host.chooseUnitType(0);
        run.settings.save();
        auto next = nextRunOf(*store);
        ProgramRun again(next.get());
        again.settings.restore({});
        EXPECT_EQ(again.host.session().UnitType, 0);
        EXPECT_EQ(again.shownDialogs.count("OPEN THE PORTS OF LAST TIME?"), 0);
    }
    {  // port B's adapter is not plugged in: it is named as absent and not opened
        auto store = nextRunOf(first);
        ProgramRun run(store.get(), {"/dev/ttyUSB0"});
        run.settings.restore({});
        const std::string& offer = run.shownDialogs.shown.back().text;
        EXPECT_NE(offer.find("not present now,\n  port B: /dev/ttyUSB1"), std::string::npos)
            << offer;
        EXPECT_TRUE(run.host.portOpen(Ctl::PortARing));
        EXPECT_FALSE(run.host.portOpen(Ctl::PortBRing));
    }
    {  // none present: nothing to ask
        auto store = nextRunOf(first);
        ProgramRun run(store.get(), {});
        run.settings.restore({});
        EXPECT_EQ(run.shownDialogs.count("OPEN THE PORTS OF LAST TIME?"), 0);
    }
    {  // --reopen-ports: opened without a question
        auto store = nextRunOf(first);
        ProgramRun run(store.get());
        run.settings.restore({.reopenPorts = true});
        EXPECT_EQ(run.shownDialogs.count("OPEN THE PORTS OF LAST TIME?"), 0);
        EXPECT_TRUE(run.host.portOpen(Ctl::PortARing));
        EXPECT_TRUE(run.host.portOpen(Ctl::PortBRing));
    }
    {  // a unit type given on the command line wins, and last time's ports are not offered
        auto store = nextRunOf(first);
        ProgramRun run(store.get());
        run.host.chooseUnitType(0);
        run.settings.restore({.unitTypeGiven = true});
        EXPECT_EQ(run.host.session().UnitType, 0);
        EXPECT_EQ(run.shownDialogs.count("OPEN THE PORTS OF LAST TIME?"), 0);
        EXPECT_FALSE(run.host.portOpen(Ctl::PortARing));
    }
}

TEST(RememberedSettings, ADamagedOrForeignStoreIsIgnoredWithAMessageAndLeftAsItIs) {
    MemorySettingsStore damaged;
    damaged.values = {{"format", "fathomhost settings 1"}, {"unitType", "3"}};
    damaged.damaged = "the file is damaged";
    MemorySettingsStore foreign;
    foreign.values = {{"General/colour", "blue"}, {"unitType", "3"}};
    for (MemorySettingsStore* store : {&damaged, &foreign}) {
        ProgramRun run(store);
        EXPECT_FALSE(run.settings.restore({}));
        EXPECT_EQ(run.shownDialogs.count("REMEMBERED SETTINGS IGNORED"), 1);
        EXPECT_NE(run.shownDialogs.shown.back().text.find(store->where()), std::string::npos);
        EXPECT_NE(run.host.session().UnitType, 3);
        run.host.chooseUnitType(4);
        run.settings.save();
        EXPECT_EQ(store->flushes, 0) << "a store the program cannot trust is never written over";
        EXPECT_EQ(store->values.at("unitType"), "3");
    }
}

TEST(RememberedSettings, ValuesNoControlCouldHoldAreSkippedOneByOne) {
    MemorySettingsStore store;
    store.values = {{"format", "fathomhost settings 1"},
                    {"unitType", "12"},
                    {"controls/YAxisRange", "banana"},
                    {"controls/YAxisOffset", "2.5"},
                    {"controls/WindowRing", "777"},
                    {"controls/TraceSelect1", "1e400"},
                    {"controls/TraceSelect2", "9.5"},
                    {"controls/TraceSelect3", "9"},
                    {"ports/A", ""},
                    {"recent/1", ""}};
    ProgramRun run(&store);
    const double range = run.panel.value(Ctl::YAxisRange);
    const double window = run.panel.value(Ctl::WindowRing);
    const int type = run.host.session().UnitType;
    EXPECT_TRUE(run.settings.restore({}));
    EXPECT_EQ(run.host.session().UnitType, type);
    EXPECT_EQ(run.panel.value(Ctl::YAxisRange), range);
    EXPECT_EQ(run.panel.value(Ctl::WindowRing), window);
    EXPECT_EQ(run.panel.value(Ctl::YAxisOffset), 2.5);
    EXPECT_EQ(run.panel.intValue(Ctl::TraceSelect1), 0);
    EXPECT_EQ(run.panel.intValue(Ctl::TraceSelect2), 0);
    EXPECT_EQ(run.panel.intValue(Ctl::TraceSelect3), 9);
    EXPECT_EQ(run.shownDialogs.count("OPEN THE PORTS OF LAST TIME?"), 0);
    EXPECT_FALSE(run.panel.visible(Ctl::MenuRecent1));
}

TEST(RememberedSettings, AStoreThatCannotBeWrittenSaysSoAtSave) {
    MemorySettingsStore store;
    store.unwritable = true;
    ProgramRun run(&store);
    run.settings.restore({});
    run.settings.save();
    EXPECT_EQ(run.shownDialogs.count("SETTINGS NOT SAVED"), 1);
}

TEST(RememberedSettings, WithoutAStoreNothingIsReadOrAskedAndRecentFilesLastTheRun) {
    ProgramRun run(nullptr);
    EXPECT_FALSE(run.settings.restore({.reopenPorts = true}));
    run.settings.save();
    EXPECT_TRUE(run.shownDialogs.shown.empty());
    run.settings.addRecentFile("/data/a.csv");
    EXPECT_TRUE(run.panel.visible(Ctl::MenuRecent1));
}

TEST(RememberedSettings, RecentFilesAreNewestFirstWithoutRepeatsAndReopenFromTheMenu) {
    const std::string a = tempFile("recent_a.csv", " header\n"), b = tempFile("recent_b.DAT", "");
    MemorySettingsStore first;
    {
        ProgramRun run(&first);
        run.settings.restore({});
        for (int i = 0; i < 6; ++i)
            run.settings.addRecentFile("/old/f" + std::to_string(i) + ".csv");
        // Files opened for playback join the list, the newest first, each once.
        for (const std::string& f : {a, b, a}) {
            run.shownDialogs.fileReplies.push_back({FileSelection::Status::Existing, f});
            run.panel.raise(Ctl::MenuOpenPlotFile, Event::Commit);
        }
        EXPECT_EQ(run.shownDialogs.fileRequests.back().pattern, "*.csv *.DAT");
        EXPECT_EQ(run.shownDialogs.fileRequests.back().patternName, "Recordings");
        run.settings.save();
    }
    auto store = nextRunOf(first);
    ProgramRun run(store.get());
    run.settings.restore({});
    ASSERT_EQ(run.settings.recentFiles().size(),
              static_cast<std::size_t>(app::RememberedSettings::kRecentFiles));
    EXPECT_EQ(run.settings.recentFiles()[0], a);
    EXPECT_EQ(run.settings.recentFiles()[1], b);
    EXPECT_EQ(run.panel.label(Ctl::MenuRecent1), "1 recent_a.csv");
    EXPECT_EQ(run.panel.label(Ctl::MenuRecent2), "2 recent_b.DAT");
    EXPECT_TRUE(run.panel.visible(Ctl::MenuRecent5));

    run.panel.raise(Ctl::MenuRecent2, Event::Commit);
    EXPECT_EQ(run.panel.text(Ctl::PlotFileName), b);
    EXPECT_EQ(run.settings.recentFiles()[0], b);
    // A recent file gone since: told so, nothing plays.
    run.panel.raise(Ctl::MenuRecent3, Event::Commit);
    EXPECT_EQ(run.shownDialogs.count("OPEN DATA FILE"), 1);
    std::filesystem::remove(a);
    std::filesystem::remove(b);
}

TEST(RememberedSettings, FileDialogsOpenWhereTheirKindOfFileWasLastChosen) {
    const std::string recordings = ::testing::TempDir() + "remembered_recordings";
    std::filesystem::create_directories(recordings);
    MemorySettingsStore first;
    {
        ProgramRun run(&first);
        run.settings.restore({});
        run.shownDialogs.promptReplies.push_back("99");
        run.shownDialogs.fileReplies.push_back(
            {FileSelection::Status::New, recordings + "/survey.csv"});
        run.panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
        run.panel.raise(Ctl::MenuStopOutputData, Event::Commit);
        run.settings.save();
    }
    auto store = nextRunOf(first);
    ProgramRun run(store.get());
    run.settings.restore({});
    run.panel.raise(Ctl::MenuOpenPlotFile, Event::Commit);  // another kind: no folder of its own
    run.shownDialogs.promptReplies.push_back("99");
    run.panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
    ASSERT_EQ(run.shownDialogs.fileRequests.size(), 2u);
    EXPECT_EQ(run.shownDialogs.fileRequests[0].directory, "");
    EXPECT_EQ(run.shownDialogs.fileRequests[1].directory, recordings);

    // The folder removed since (a stick taken out): the dialog opens where it would anyway.
    std::filesystem::remove_all(recordings);
    run.shownDialogs.promptReplies.push_back("99");
    run.panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
    EXPECT_EQ(run.shownDialogs.fileRequests.back().directory, "");
    std::filesystem::remove(recordings + "/survey000.csv");
}

TEST(Keyboard, StartStopPlottingFlipsTheSwitchOnlyWhereAClickCould) {
    ProgramRun run(nullptr);
    run.host.chooseUnitType(0);
    ASSERT_FALSE(run.panel.dimmed(Ctl::RawStartStop));
    run.panel.raise(Ctl::MenuPlotStartStop, Event::Commit);
    EXPECT_EQ(run.panel.intValue(Ctl::RawStartStop), 1);
    EXPECT_EQ(run.host.chartCtr().PlotRun, 1);
    run.panel.raise(Ctl::MenuPlotStartStop, Event::Commit);
    EXPECT_EQ(run.panel.intValue(Ctl::RawStartStop), 0);
    EXPECT_EQ(run.host.chartCtr().PlotRun, 0);
    run.panel.setDimmed(Ctl::RawStartStop, true);
    run.panel.raise(Ctl::MenuPlotStartStop, Event::Commit);
    EXPECT_EQ(run.panel.intValue(Ctl::RawStartStop), 0);
}

}  // namespace
