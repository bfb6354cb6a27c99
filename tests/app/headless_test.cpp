#include "app/headless.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/fake_clock.h"
#include "support/fake_serial_ports.h"
#include "support/wire_frames.h"

using platform::Ctl;

namespace {

using testing_support::receivePacket;

struct HeadlessTest : ::testing::Test {
    std::filesystem::path dir;
    platform::Panel panel;
    testing_support::FakeSerialPorts ports;
    testing_support::FakeClock clock;
    std::vector<std::string> out, err;
    std::unique_ptr<app::Headless> headless;
    // Pop-ups go where the headless runner sends them.
    app::HeadlessDialogs dialogs{[this](const std::string& t, const std::string& x) {
        if (headless) headless->dialogMessage(t, x);
    }};
    int quits = 0;
    app::Host host{panel, dialogs, ports, clock, [this] { ++quits; }};

    HeadlessTest() {
        dir = std::filesystem::temp_directory_path() /
              ("fathom_headless_" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        host.Initialize();
    }
    ~HeadlessTest() override { std::filesystem::remove_all(dir); }

    bool start(app::CliOptions o) {
        headless = std::make_unique<app::Headless>(
            host, clock, dialogs, std::move(o), [this](const std::string& s) { out.push_back(s); },
            [this](const std::string& s) { err.push_back(s); });
        return headless->start();
    }
    app::CliOptions radio() {
        app::CliOptions o;
        o.headless = true;
        o.unitType = 0;
        o.port = "/dev/pts/7";
        return o;
    }
    bool said(const std::vector<std::string>& lines, const std::string& part) const {
        for (const auto& l : lines) {
            if (l.find(part) != std::string::npos) return true;
        }
        return false;
    }
    std::string file(const std::string& name) const {
        std::ifstream in(dir / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(HeadlessTest, OpensThePortAsTheRingDoesAndRecordsWhatArrives) {
    auto o = radio();
    o.record = (dir / "survey.csv").string();
    ASSERT_TRUE(start(o)) << (err.empty() ? "" : err.back());
    const int port = ports.numberForPath("/dev/pts/7");
    EXPECT_TRUE(ports.isOpen(port));
    EXPECT_EQ(ports.ports[port].settings.baud, 115200);
    EXPECT_EQ(host.links().OpenComPortNum_A, port);
    EXPECT_TRUE(said(out, "recording to " + (dir / "survey000.csv").string()));

    ports.receive(port, receivePacket(0x0013A20040A10111ull, "C012,D1,S04,01234\r\n"));
    headless->poll();
    EXPECT_TRUE(said(out, "unit 12 (0013A20040A10111) appeared"));
    EXPECT_NE(headless->statusLine().find("1 unit(s), port A open, recording"), std::string::npos);

    EXPECT_EQ(headless->stop(), 0);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(file("survey000.csv"), "C012,D1,S04,01.2340\r\n");
}

TEST_F(HeadlessTest, ASwellmeterRecordsInTheChosenPressureUnits) {
    app::CliOptions o;
    o.headless = true;
    o.unitType = 9;
    o.port = "/dev/pts/9";
    o.pressureUnits = 1;
    o.record = (dir / "gauge.csv").string();
    ASSERT_TRUE(start(o)) << (err.empty() ? "" : err.back());
    EXPECT_TRUE(said(out, "pressure in metres of sea water"));
    const int port = ports.numberForPath("/dev/pts/9");
    std::string block;
    for (int k = 0; k < 44; ++k) block += k == 7 ? "04," : "00,";
    for (const std::string& reply : {std::string("SOK,"), std::string("IOK,SWELLMETER-009,"),
                                     "ROK," + block, std::string("GOK,")}) {
        panel.raise(Ctl::FRTCDeviceConnectTimer, platform::Event::TimerTick);
        ports.receive(port, reply);
    }
    ports.receive(port, "0.50000\r\n");
    EXPECT_EQ(headless->stop(), 0);
    EXPECT_EQ(file("gauge000.csv"), "C001,D1,S04,04.97423\r\n");
}

TEST_F(HeadlessTest, ARolloverAndAFailedFileAreReported) {
    auto o = radio();
    o.record = (dir / "day.csv").string();
    o.interval = 1;
    clock.set({2026, 12, 8, 23, 59, 0, 0});
    ASSERT_TRUE(start(o));
    clock.set({2026, 12, 9, 0, 0, 30, 0});
    panel.raise(Ctl::SaveNewFileInterval, platform::Event::TimerTick);
    headless->poll();
    EXPECT_TRUE(said(out, "recording rolled over to " + (dir / "day001.csv").string()));
    EXPECT_FALSE(headless->failed());

    // A recording that ends on its own (the last file number used) is reported, and the
    // station goes on: the capture and the output port must not stop with it.
    host.recorder().StopOutputDataToFile();
    headless->poll();
    EXPECT_TRUE(said(err, "recording to " + (dir / "day001.csv").string() + " stopped"));
    EXPECT_FALSE(headless->failed());
    EXPECT_EQ(headless->stop(), 0);
}

// An unplugged adapter overnight: said once with its path, reminded of hourly, tried every few
// seconds without a word, and its return said.
TEST_F(HeadlessTest, ALostPortIsSaidOnceRemindedHourlyAndItsReturnSaid) {
    ASSERT_TRUE(start(radio()));
    const int port = ports.numberForPath("/dev/pts/7");
    ports.loseport(port);
    ports.failOpen.insert(port);  // still unplugged
    for (int s = 0; s < 2 * 3600 + 10; ++s) headless->poll();
    EXPECT_FALSE(ports.isOpen(port));
    ASSERT_EQ(err.size(), 3u);
    EXPECT_NE(err[0].find("port A /dev/pts/7 lost; it will be reopened when the port returns"),
              std::string::npos)
        << err[0];
    EXPECT_NE(err[1].find("port A /dev/pts/7 still lost after 60 min"), std::string::npos) << err[1];
    EXPECT_NE(err[2].find("still lost after 2 h"), std::string::npos) << err[2];
    EXPECT_NE(headless->statusLine().find("port A lost 2 h"), std::string::npos);

    ports.failOpen.clear();  // plugged in again
    for (int i = 0; i < 6; ++i) headless->poll();
    EXPECT_TRUE(ports.isOpen(port));
    EXPECT_TRUE(said(out, "port A /dev/pts/7 reconnected after 2 h"));
    EXPECT_EQ(err.size(), 3u);
    EXPECT_FALSE(headless->failed());
}

TEST_F(HeadlessTest, ASilentInstrumentIsReportedAndSoIsItsReturn) {
    ASSERT_TRUE(start(radio()));
    const int port = ports.numberForPath("/dev/pts/7");
    // One second of the station: the health timer ticks, then the runner polls.
    const auto second = [&] {
        clock.advance(1);
        panel.raise(Ctl::LinkHealthTimer, platform::Event::TimerTick);
        headless->poll();
    };
    ports.receive(port, receivePacket(0x0013A20040A10111ull, "C012,D1,S04,01234\r\n"));
    second();  // the frame came this second
    for (int s = 0; s < 9; ++s) second();
    EXPECT_TRUE(err.empty());
    second();
    ASSERT_EQ(err.size(), 1u);
    EXPECT_NE(err[0].find("port A /dev/pts/7: No valid data on port A for 10 s. Are the units "
                          "powered"),
              std::string::npos)
        << err[0];
    for (int s = 0; s < 21; ++s) second();
    EXPECT_EQ(err.size(), 1u);
    EXPECT_NE(headless->statusLine().find("port A open, no valid data for 31 s, "),
              std::string::npos)
        << headless->statusLine();

    // A frame of noise is data on the line, but not a record: the warning stays.
    ports.receive(port, receivePacket(0x0013A20040A10111ull, "C012,D1,S04,0\x81" "234\r\n"));
    second();
    EXPECT_FALSE(said(out, "valid data again"));
    EXPECT_NE(headless->statusLine().find("1 rejected (checksum 0, length 0, noise 1)"),
              std::string::npos)
        << headless->statusLine();
    ports.receive(port, receivePacket(0x0013A20040A10111ull, "C012,D1,S04,01234\r\n"));
    second();
    EXPECT_TRUE(said(out, "port A /dev/pts/7 gives valid data again after 32 s"));
    EXPECT_NE(headless->statusLine().find("port A open, "), std::string::npos);
    EXPECT_NE(headless->statusLine().find("2 frames"), std::string::npos) << headless->statusLine();
}

TEST_F(HeadlessTest, AStopLeavesABacklogUnreadAndSaysHowMuch) {
    ASSERT_TRUE(start(radio()));
    const int port = ports.numberForPath("/dev/pts/7");
    const std::string backlog = receivePacket(0x0013A20040A10111ull, "C012,D1,S04,01234\r\n");
    for (char c : backlog) ports.ports[port].input.push_back(static_cast<std::uint8_t>(c));
    EXPECT_EQ(headless->stop(), 0);
    EXPECT_TRUE(said(out, "port A /dev/pts/7: " + std::to_string(backlog.size()) +
                              " bytes of input left unread"));
}

TEST_F(HeadlessTest, RefusesWhatItCannotDoAndSaysWhy) {
    ports.failOpen.insert(ports.numberForPath("/dev/pts/7"));
    EXPECT_FALSE(start(radio()));
    EXPECT_TRUE(said(err, "cannot open port A /dev/pts/7"));

    ports.failOpen.clear();
    err.clear();
    auto o = radio();
    o.record = (dir / "no-such-dir" / "survey.csv").string();
    EXPECT_FALSE(start(o));
    EXPECT_TRUE(said(err, "survey000.csv"));
    EXPECT_TRUE(headless->failed());
}

// A restart after a power cut, with the same command line: the files of the first run are
// kept and the new run takes the next free numbers.
TEST_F(HeadlessTest, ARestartKeepsTheFilesThereAndTakesTheNextFreeNumbers) {
    { std::ofstream(dir / "survey000.csv") << "yesterday\r\n"; }
    { std::ofstream(dir / "survey001.csv") << "last night\r\n"; }
    { std::ofstream(dir / "raw.DAT") << "frames"; }
    auto o = radio();
    o.record = (dir / "survey.csv").string();
    o.capture = (dir / "raw").string();
    ASSERT_TRUE(start(o)) << (err.empty() ? "" : err.back());
    EXPECT_TRUE(said(out, "survey000.csv exists already"));
    EXPECT_TRUE(said(out, "recording to " + (dir / "survey002.csv").string()));
    EXPECT_TRUE(said(out, "capturing frames to " + (dir / "raw001.DAT").string()));
    EXPECT_EQ(file("survey000.csv"), "yesterday\r\n");
    EXPECT_EQ(file("survey001.csv"), "last night\r\n");
    EXPECT_EQ(file("raw.DAT"), "frames");
    panel.raise(Ctl::MenuStopOutputData, platform::Event::Commit);
    panel.raise(Ctl::MenuStopApiFrames, platform::Event::Commit);

    o.overwrite = true;
    ASSERT_TRUE(start(o)) << (err.empty() ? "" : err.back());
    EXPECT_EQ(file("survey000.csv"), "");
    EXPECT_EQ(file("raw.DAT"), "");
}

TEST_F(HeadlessTest, AFolderAsTheNameIsRefusedAndARefusedCaptureLeavesNoEmptyRecording) {
    auto o = radio();
    o.record = dir.string() + "/";
    EXPECT_FALSE(start(o));
    EXPECT_TRUE(said(err, "is a folder"));

    o.record = (dir / "survey.csv").string();
    o.capture = dir.string();
    EXPECT_FALSE(start(o));
    EXPECT_TRUE(said(err, "cannot capture to " + dir.string()));
    EXPECT_FALSE(std::filesystem::exists(dir / "survey000.csv"));
    EXPECT_EQ(host.recorder().OutputDataFileOpen, 0);
}

TEST_F(HeadlessTest, WiredUnitsReportTheirConnection) {
    app::CliOptions o;
    o.headless = true;
    o.unitType = 3;
    o.port = "/dev/pts/8";
    ASSERT_TRUE(start(o));
    EXPECT_TRUE(panel.timerEnabled(Ctl::FRTCDeviceConnectTimer));
    panel.setText(Ctl::PortAStatus, "Connected");
    headless->poll();
    EXPECT_TRUE(said(out, "port A Connected"));
}

}  // namespace

namespace {

// A job never waits without end: 120 s on one step, or its time limit in all, then it fails
// naming what it waited on and what it did not do.
TEST_F(HeadlessTest, AJobStepWaitsAtMost120SecondsAndIsNamed) {
    auto o = radio();
    o.showConfig = 5;
    ASSERT_TRUE(start(o));
    for (int s = 0; s < 120 && !headless->failed(); ++s) headless->poll();
    EXPECT_FALSE(headless->failed());
    headless->poll();
    EXPECT_TRUE(headless->failed());
    EXPECT_TRUE(said(err, "no answer for 2 min waiting for unit 5 to report: the settings of "
                          "unit 5 not shown"));
}

TEST_F(HeadlessTest, AJobEndsAtItsTimeLimitWhateverItsSteps) {
    auto o = radio();
    o.showConfig = 5;
    o.timeLimit = 30;
    ASSERT_TRUE(start(o));
    for (int s = 0; s < 29; ++s) headless->poll();
    EXPECT_FALSE(headless->failed());
    headless->poll();
    EXPECT_TRUE(said(err, "gave up after 30 s (the job's time limit) waiting for unit 5"));
    EXPECT_EQ(headless->stop(), 1);
}

}  // namespace

namespace {

// A 25th and 26th unit find no place: they are said once, by name, and the first 24 record.
TEST_F(HeadlessTest, UnitsBeyondTheTwentyFourPlacesAreNamedOnce) {
    auto o = radio();
    o.record = (dir / "net.csv").string();
    ASSERT_TRUE(start(o));
    const int port = ports.numberForPath("/dev/pts/7");
    for (int round = 0; round < 2; ++round) {
        for (int unit = 1; unit <= 26; ++unit) {
            char text[40];
            std::snprintf(text, sizeof text, "C%03d,D1,S04,01234\r\n", unit);
            ports.receive(port, receivePacket(0x0013A20040A10000ull + unit, text));
        }
        headless->poll();
    }
    std::size_t lines = 0;
    for (const auto& l : err) lines += l.find("not shown nor recorded") != std::string::npos;
    EXPECT_EQ(lines, 1u);
    EXPECT_TRUE(said(err, "unit(s) 25 (0013A20040A10019), 26 (0013A20040A1001A) not shown nor "
                          "recorded: all 24 places for units are taken"));
    EXPECT_EQ(headless->stop(), 0);
}

}  // namespace
