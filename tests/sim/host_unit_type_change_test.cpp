// Changing the unit type under a running station: the operator is asked first, and no file
// of the recording or the capture holds two unit types' records.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim_host.h"

namespace {

using platform::Ctl;
using simtest::SimHost;

const platform::AbsTime kStart = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct UnitTypeChange : SimHost {
    std::string dir;
    void SetUp() override {
        dir = freshFolder("unit_type_change");
        std::vector<std::unique_ptr<sim::SimDevice>> d;
        d.push_back(sim::makeScenario(sim::scenarioForType(0), kStart));
        d.push_back(sim::makeScenario(sim::scenarioForType(3), kStart));
        start(std::move(d));
    }
};

TEST_F(UnitTypeChange, AsksWhileRecordingAndGoesOnInTheNextFileWithOnlyTheNewType) {
    chooseUnitType(0);
    EXPECT_TRUE(dialogs.shown.empty()) << "nothing open: nothing to ask";
    open(Ctl::PortARing, 0);
    dialogs.promptReplies.push_back("1");
    dialogs.fileReplies.push_back({platform::FileSelection::Status::New, dir + "station.csv"});
    panel.raise(Ctl::MenuSaveOutputData, platform::Event::Commit);
    ASSERT_EQ(host->recorder().OutputDataFileOpen, 1);
    run(3);

    dialogs.confirmReplies.push_back(false);
    chooseUnitType(3);
    ASSERT_EQ(dialogs.count("CHANGE THE UNIT TYPE?"), 1);
    const std::string asked = dialogs.shown.back().text;
    EXPECT_NE(asked.find("from Fathomrod XB radio staff to "), std::string::npos) << asked;
    EXPECT_NE(asked.find("port A"), std::string::npos) << asked;
    EXPECT_NE(asked.find("station000.csv"), std::string::npos) << asked;
    // "No" leaves the station as it was.
    EXPECT_EQ(panel.intValue(Ctl::UnitTypeRing), 0);
    EXPECT_EQ(host->session().UnitType, 0);
    EXPECT_TRUE(host->portOpen(Ctl::PortARing));
    run(2);

    dialogs.confirmReplies.push_back(true);
    chooseUnitType(3);
    EXPECT_EQ(host->session().UnitType, 3);
    EXPECT_FALSE(host->portOpen(Ctl::PortARing));
    EXPECT_EQ(host->recorder().SaveOutputDataFileName, dir + "station001.csv");
    EXPECT_TRUE(panel.visible(Ctl::RecordingWarning));
    EXPECT_NE(panel.text(Ctl::RecordingWarning).find("Unit type changed"), std::string::npos);
    const std::string radio = slurp(dir + "station000.csv");
    open(Ctl::PortARing, 1);
    run(6);

    // The radio units' file ends at the change; the next holds the wired staff alone (device
    // 1 on port A), though the radio network went on sending.
    EXPECT_EQ(slurp(dir + "station000.csv"), radio);
    EXPECT_NE(radio.find("C002,D1,"), std::string::npos);
    const std::string wired = slurp(dir + "station001.csv");
    ASSERT_FALSE(wired.empty());
    std::istringstream lines(wired);
    for (std::string line; std::getline(lines, line);) EXPECT_EQ(line.rfind("C001,", 0), 0u) << line;
}

TEST_F(UnitTypeChange, AFrameCaptureGoesOnInItsNextFileAndNothingOpenMeansNoQuestion) {
    chooseUnitType(0);
    open(Ctl::PortARing, 0);
    dialogs.fileReplies.push_back({platform::FileSelection::Status::New, dir + "frames.DAT"});
    panel.raise(Ctl::MenuSaveApiFrames, platform::Event::Commit);
    ASSERT_TRUE(host->frameCapture().APIFrameDataFileOpen());
    run(2);
    chooseUnitType(8);
    ASSERT_EQ(dialogs.count("CHANGE THE UNIT TYPE?"), 1);
    EXPECT_NE(dialogs.shown.back().text.find("frames.DAT"), std::string::npos);
    EXPECT_EQ(host->frameCapture().SaveAPIFrameDataFileName(), dir + "frames001.DAT");
    const std::string before = slurp(dir + "frames.DAT");
    EXPECT_FALSE(before.empty());
    open(Ctl::PortARing, 0);
    run(2);
    EXPECT_EQ(slurp(dir + "frames.DAT"), before);
    EXPECT_FALSE(slurp(dir + "frames001.DAT").empty());

    // With the capture stopped and the port released, the type changes without a word.
    panel.raise(Ctl::MenuStopApiFrames, platform::Event::Commit);
    panel.raise(Ctl::ChangePortA, platform::Event::Commit);
    chooseUnitType(3);
    EXPECT_EQ(dialogs.count("CHANGE THE UNIT TYPE?"), 1);
    EXPECT_EQ(host->session().UnitType, 3);
}

}  // namespace
