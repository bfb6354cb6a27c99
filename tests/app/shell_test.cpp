#include "app/shell.h"

#include <gtest/gtest.h>

#include "app/conversions.h"
#include "support/host_rig.h"

using namespace platform;

namespace {

struct HostFixture : ::testing::Test, testing_support::HostRig {};

struct FileProbe : app::ClosesOnExit {
    std::vector<std::string>* log;
    std::string name;
    FileProbe(std::vector<std::string>* l, std::string n) : log(l), name(std::move(n)) {}
    void closeOnExit() override { log->push_back(name); }
};

TEST(Geometry, FollowsTheScreenSize) {
    app::Geometry g = app::computeGeometry(1024, 1280);
    EXPECT_EQ(g.height, 972);
    EXPECT_EQ(g.width, 1228);
    EXPECT_EQ(g.top, 29);
    EXPECT_EQ(g.left, 24);
    g = app::computeGeometry(1080, 1920);
    EXPECT_EQ(g.height, 1026);
    EXPECT_EQ(g.width, 1843);
    EXPECT_EQ(g.top, 30);
    EXPECT_EQ(g.left, 36);
}

TEST_F(HostFixture, ClosingTheWindowClosesEveryFileInOrderThenQuits) {
    std::vector<std::string> log;
    FileProbe playback(&log, "playback"), recording(&log, "recording"), capture(&log, "capture");
    host.shell().addFileToClose(&playback);
    host.shell().addFileToClose(&recording);
    host.shell().addFileToClose(&capture);
    panel.raise(Ctl::MainWindow, Event::Close);
    EXPECT_EQ(log, (std::vector<std::string>{"playback", "recording", "capture"}));
    EXPECT_EQ(quits, 1);
    panel.raise(Ctl::MainWindow, Event::RightClick);  // other events are ignored
    EXPECT_EQ(quits, 1);
    panel.raise(Ctl::MenuExit, Event::Commit);
    EXPECT_EQ(quits, 2);
    EXPECT_EQ(log.size(), 6u);
}

// Exit asks only while something runs, and names it; "no" leaves everything running.
TEST_F(HostFixture, ExitAsksFirstWhileRecordingOrCapturing) {
    panel.raise(Ctl::MenuExit, Event::Commit);
    EXPECT_EQ(dialogs.count("EXIT WHILE RUNNING?"), 0);
    EXPECT_EQ(quits, 1);

    const std::string dir = ::testing::TempDir();
    dialogs.promptReplies.push_back("1");
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir + "exit.csv"});
    dialogs.fileReplies.push_back({FileSelection::Status::New, dir + "exit.DAT"});
    panel.raise(Ctl::MenuSaveOutputData, Event::Commit);
    panel.raise(Ctl::MenuSaveApiFrames, Event::Commit);
    ASSERT_EQ(host.recorder().OutputDataFileOpen, 1);

    for (auto [ctl, event] :
         {std::pair{Ctl::MenuExit, Event::Commit}, std::pair{Ctl::MainWindow, Event::Close}}) {
        dialogs.confirmReplies.push_back(false);
        panel.raise(ctl, event);
        EXPECT_EQ(quits, 1);
        EXPECT_EQ(host.recorder().OutputDataFileOpen, 1);
        EXPECT_TRUE(host.frameCapture().APIFrameDataFileOpen());
    }
    ASSERT_EQ(dialogs.count("EXIT WHILE RUNNING?"), 2);
    const std::string& asked = dialogs.shown.back().text;
    EXPECT_NE(asked.find("recording to " + dir + "exit000.csv"), std::string::npos) << asked;
    EXPECT_NE(asked.find("capturing frames to " + dir + "exit.DAT"), std::string::npos) << asked;

    // Only the capture left: it alone is named, and a yes ends the program.
    panel.raise(Ctl::MenuStopOutputData, Event::Commit);
    dialogs.confirmReplies.push_back(true);
    panel.raise(Ctl::MainWindow, Event::Close);
    EXPECT_EQ(dialogs.shown.back().text.find("recording"), std::string::npos);
    EXPECT_EQ(quits, 2);
    EXPECT_FALSE(host.frameCapture().APIFrameDataFileOpen());
    std::remove((dir + "exit000.csv").c_str());
    std::remove((dir + "exit.DAT").c_str());
}

TEST_F(HostFixture, ExitSendsOneGToAWiredUnitOnPortAAndNothingOnRadio) {
    ports.open(3, {});
    host.links().OpenComPortNum_A = 3;
    host.links().OpenComPortNum = 3;
    host.session().UnitType = 5;
    host.exitStep();
    EXPECT_EQ(ports.writtenText(3), "g");

    ports.ports[3].written.clear();
    host.session().UnitType = 0;
    host.exitStep();
    host.session().UnitType = 8;
    host.exitStep();
    EXPECT_EQ(ports.writtenText(3), "");

    host.session().UnitType = 7;  // the synchronizer is wired too
    host.exitStep();
    EXPECT_EQ(ports.writtenText(3), "g");
}

TEST_F(HostFixture, ExitSetsBothWiredUnitsStreamingAgain) {
    // Two staffs on ports A and B, chosen on the panel: each handshake stops its unit, so each
    // must get one "g" at exit, or the unit on port B stays stopped after the program ends.
    host.chooseUnitType(3);
    ASSERT_TRUE(host.choosePort(Ctl::PortARing, "/dev/ttyS0"));
    ASSERT_TRUE(host.choosePort(Ctl::PortBRing, "/dev/ttyS1"));
    const int a = ports.numberForPath("/dev/ttyS0"), b = ports.numberForPath("/dev/ttyS1");
    ports.ports[a].written.clear();
    ports.ports[b].written.clear();
    host.exitStep();
    EXPECT_EQ(ports.writtenText(a), "g");
    EXPECT_EQ(ports.writtenText(b), "g");
    // ... and each "g" has left for its line before the program ends.
    EXPECT_EQ(ports.ports[a].drained, 1u);
    EXPECT_EQ(ports.ports[b].drained, 1u);
}

// Whatever was written to a port has left for the line before the port closes: on a change
// of port, of unit type, and of the output port.
TEST_F(HostFixture, APortIsClosedOnlyAfterWhatWasWrittenToItHasLeft) {
    host.chooseUnitType(3);
    ASSERT_TRUE(host.choosePort(Ctl::PortARing, "/dev/ttyS0"));
    ASSERT_TRUE(host.choosePort(Ctl::PortBRing, "/dev/ttyS1"));
    ASSERT_TRUE(host.choosePort(Ctl::OutputPortRing, "/dev/ttyS2"));
    panel.raise(Ctl::ChangePortA, Event::Commit);
    panel.raise(Ctl::ChangeOutputPort, Event::Commit);
    host.chooseUnitType(4);
    EXPECT_EQ(ports.closed.size(), 3u);
    EXPECT_TRUE(ports.closedUndrained.empty());
}

TEST_F(HostFixture, ExitWithNoPortOpenSendsNothing) {
    host.session().UnitType = 3;
    host.exitStep();
    for (auto& [n, p] : ports.ports) EXPECT_TRUE(p.written.empty()) << n;
}

TEST_F(HostFixture, FactoryKeyMustMatchExactly) {
    dialogs.promptReplies = {std::string("QXVR_Lantern"), std::string("QXVR_Lantern "),
                             std::string("QXVR_Lantern"), std::string("qxvr_lantern"),
                             std::string("QXVR_Lantern"), std::nullopt};
    panel.raise(Ctl::FactoryButton, Event::Commit);
    EXPECT_EQ(host.session().FactoryMode, 1);
    EXPECT_EQ(dialogs.shown.back().title, "This is a Factory Prompt");
    EXPECT_EQ(dialogs.shown.back().text, "Enter Key...");
    EXPECT_EQ(dialogs.lastPromptMax, 20);
    panel.raise(Ctl::FactoryButton, Event::Commit);  // trailing blank
    EXPECT_EQ(host.session().FactoryMode, 0);
    panel.raise(Ctl::FactoryButton, Event::Commit);
    panel.raise(Ctl::FactoryButton, Event::Commit);  // wrong case switches it off again
    EXPECT_EQ(host.session().FactoryMode, 0);
    panel.raise(Ctl::FactoryButton, Event::Commit);
    panel.raise(Ctl::FactoryButton, Event::Commit);  // cancelled
    EXPECT_EQ(host.session().FactoryMode, 0);
    panel.raise(Ctl::FactoryButton, Event::RightClick);  // does nothing
    EXPECT_EQ(dialogs.count("This is a Factory Prompt"), 6);
}

TEST_F(HostFixture, FactoryModeRebuildsTheDisplay) {
    host.session().UnitType = 0;
    dialogs.promptReplies = {std::string("QXVR_Lantern"), std::string("nope")};
    panel.raise(Ctl::FactoryButton, Event::Commit);
    EXPECT_TRUE(panel.visible(Ctl::AutoSyncResult));
    panel.raise(Ctl::FactoryButton, Event::Commit);
    EXPECT_FALSE(panel.visible(Ctl::AutoSyncResult));
}

TEST_F(HostFixture, ScaleMenuTogglesAndAboutShowsTheVersion) {
    panel.raise(Ctl::MenuScaleResize, Event::Commit);
    EXPECT_TRUE(panel.checked(Ctl::MenuScaleResize));
    panel.raise(Ctl::MenuScaleResize, Event::Commit);
    EXPECT_FALSE(panel.checked(Ctl::MenuScaleResize));
    panel.raise(Ctl::MenuAbout, Event::Commit);
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().title, "INTERFACE PROGRAM");
    EXPECT_EQ(dialogs.shown.back().text.rfind("Version 3.01\n", 0), 0u);
}

TEST_F(HostFixture, RightClickShowsTheControlsHelp) {
    panel.raise(Ctl::PortARing, Event::RightClick);
    panel.raise(Ctl::ZeroAbs3, Event::RightClick);
    panel.raise(Ctl::OffsetID, Event::RightClick);
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[0].title, "SELECT SERIAL PORT");
    EXPECT_EQ(dialogs.shown[1].title, "ZeroABS");
    EXPECT_EQ(dialogs.shown[1].text,
              "Toggle between an absolute or Zero display and plot.\nThe zero offset value is set "
              "with the displayed \nvalue when the button is pressed.\n");
    EXPECT_EQ(dialogs.shown[2].title, "OFFSET TIME");
}

TEST_F(HostFixture, PrintCommandsPrintTheirGraphOrPage) {
    panel.raise(Ctl::MenuPrintPlot, Event::Commit);
    panel.raise(Ctl::MenuPrintSpectrum, Event::Commit);
    panel.raise(Ctl::MenuPrintConfig, Event::Commit);
    panel.raise(Ctl::MenuPrintMainPanel, Event::Commit);
    // The chart is printed as a graph under a title block; with no spectrum analysed yet the
    // analysis page is printed as it stands.
    EXPECT_EQ(dialogs.printed, (std::vector<Page>{Page::Analysis, Page::Config, Page::Main}));
    ASSERT_EQ(dialogs.graphOutputs.size(), 1u);
    EXPECT_EQ(dialogs.graphOutputs[0].graph, Ctl::ChartGraph);
    const std::vector<std::string>& block = dialogs.graphOutputs[0].titleBlock;
    ASSERT_GE(block.size(), 5u);
    EXPECT_TRUE(block[0].starts_with("Station: live data")) << block[0];
    EXPECT_TRUE(block[1].starts_with("Unit type: ")) << block[1];
    EXPECT_EQ(block[2], "Devices: none");
    EXPECT_EQ(block[3], "Time span: nothing charted yet");
    EXPECT_TRUE(block[4].starts_with("Analysis: window Hann")) << block[4];
    // A file can be opened for playback; there is none to close yet.
    EXPECT_FALSE(panel.dimmed(Ctl::MenuOpenPlotFile));
    EXPECT_TRUE(panel.dimmed(Ctl::MenuClosePlotFile));
}

TEST_F(HostFixture, TheUnitTypeRingWarnsAboutTheWiredFathomrodsSettings) {
    panel.raise(Ctl::UnitTypeRing, Event::RightClick);
    EXPECT_EQ(dialogs.shown.back().title, "UNIT TYPE");
    host.session().UnitType = 3;
    panel.raise(Ctl::UnitTypeRing, Event::RightClick);
    EXPECT_EQ(dialogs.shown.back().title, "FATHOMROD TYPE");
    EXPECT_EQ(dialogs.shown.back().text,
              "Note to display sample data:\nThe Serial Output must be configured to on.\nThe "
              "Select Com Port Run Mode must be set to Free");
    panel.raise(Ctl::RawStartStop, Event::RightClick);
    EXPECT_EQ(dialogs.shown.back().title, "FATHOMROD TYPE");
    EXPECT_NE(dialogs.shown.back().text.find("Configure Mode must be set to Run"), std::string::npos);
    host.session().UnitType = 0;
    panel.raise(Ctl::RawStartStop, Event::RightClick);
    EXPECT_EQ(dialogs.shown.back().title, "START PLOTTING");
}

TEST_F(HostFixture, InitializeSwitchesBroadcastPowerOff) {
    panel.setValue(Ctl::BroadcastPower, 1);
    host.Initialize();
    EXPECT_EQ(panel.intValue(Ctl::BroadcastPower), 0);
}

TEST(Conversions, TwoCharacterCodes) {
    EXPECT_EQ(app::HexStr2Byte("7E"), 0x7E);
    EXPECT_EQ(app::HexStr2Byte("FF"), 0xFF);
    EXPECT_EQ(app::HexStr2Byte("0a"), static_cast<std::uint8_t>(0 * 16 + ('a' - 0x37)));
    EXPECT_EQ(app::DecStr2Byte("09"), 9);
    EXPECT_EQ(app::DecStr2Byte("12"), 12);
    char out[3] = {'x', 'x', 'x'};
    app::Int2ASCII2Char(7, out);
    EXPECT_EQ(std::string(out, 3), "07x");  // no terminator written
    app::Int2ASCII2Char(99, out);
    EXPECT_EQ(std::string(out, 2), "99");
}

}  // namespace
