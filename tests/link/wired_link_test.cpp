#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "link_fixture.h"
#include "live/live_rig.h"

using namespace link_test;
using platform::Ctl;

namespace {

struct WiredLink : LinkFixture {
    // Runs the handshake of a staff on port A to streaming; returns what the host sent.
    std::string connect(int type, int port, Ctl ring, int code, int range, int rate = 4) {
        chooseUnitType(type);
        open(ring, port);
        std::string out;
        tick();
        out += sent(port);
        ports.receive(port, "STOK,");
        tick();
        out += sent(port);
        ports.receive(port, "IOK,FATHOMROD-0042,");
        tick();
        out += sent(port);
        ports.receive(port, "ROK," + block(code, range, rate));
        tick();
        out += sent(port);
        ports.receive(port, "GOK,");
        tick();
        return out;
    }
    // A second gauge joins on port B without a new unit type; port A's keeps streaming.
    void gaugeJoinsOnPortB(int code, int range) {
        open(Ctl::PortBRing, kPortB);
        for (const std::string& reply : {std::string("STOK,"), std::string("IOK,SWELLMETER-001,"),
                                         "ROK," + block(code, range, 4), std::string("GOK,")}) {
            tick();
            ports.receive(kPortA, "\n");
            ports.receive(kPortB, reply);
        }
    }
    // The texts made of one reading of each gauge.
    std::vector<std::string> gaugesRead(const std::string& a, const std::string& b) {
        sink.frames.clear();
        ports.receive(kPortA, a + "\r\n");
        ports.receive(kPortB, b + "\r\n");
        return sink.texts();
    }
};

TEST_F(WiredLink, HandshakeBringsAStaffToStreamingAndShowsWhatItLearnt) {
    EXPECT_EQ(connect(3, kPortA, Ctl::PortARing, 178, 8),
              "stststst"
              "i"
              "r"
              "g");
    EXPECT_EQ(ports.ports[kPortA].settings.baud, 9600);
    EXPECT_EQ(links().FRTCConnectStatus, 8);
    EXPECT_EQ(host->configState().ClearConfig, 1);
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    EXPECT_EQ(panel.textColor(Ctl::PortAStatus), platform::kGreenConnected);
    EXPECT_EQ(panel.text(Ctl::PortAIdent), "FATHOMROD-0042");
    EXPECT_DOUBLE_EQ(panel.value(Ctl::PortAStaffLength), 5.0);
    EXPECT_EQ(host->receivePaths().wiredUnit(links::PortId::A).sampleRate, 4);
    EXPECT_TRUE(panel.timerEnabled(Ctl::FRTCDeviceConnectTimer));
    EXPECT_FALSE(panel.timerEnabled(Ctl::ConfigTimer));

    EXPECT_EQ(panel.intValue(Ctl::PortAData), 0);
    ports.receive(kPortA, "2048\r\n");
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0].text.substr(0, 19), "C001,D1,S04,02500\r\n");
    EXPECT_EQ(sink.frames[0].scale, 0);
    EXPECT_EQ(sink.frames[0].address, 1u);
    // The port's own displays follow the stream: value, last line and the data lamp.
    EXPECT_EQ(panel.text(Ctl::PortAValue), "2.500 m");
    EXPECT_EQ(panel.text(Ctl::PortAText), "2048");
    EXPECT_EQ(panel.intValue(Ctl::PortAData), 1);
    ports.receive(kPortA, "4095,0321\r\n");
    EXPECT_EQ(panel.text(Ctl::PortAText), "4095,0321");
    EXPECT_EQ(panel.text(Ctl::PortAValue), "5.000 m");
    tick(4);  // silence: the link is lost and the lamp goes out
    EXPECT_EQ(panel.intValue(Ctl::PortAData), 0);
}

TEST_F(WiredLink, LongStaffSamplesCarryTenthsOfMillimetres) {
    connect(3, kPortA, Ctl::PortARing, 57, 8, 0x12);  // 12000 mm, rate 18
    ports.receive(kPortA, "2048\r\n4095\r\n");
    ASSERT_EQ(sink.frames.size(), 2u);
    EXPECT_EQ(sink.frames[0].text.substr(0, 19), "C001,D1,S18,60014\r\n");
    EXPECT_EQ(sink.frames[0].scale, 1);
    EXPECT_EQ(sink.frames[1].text.substr(0, 20), "C001,D1,S18,120000\r\n");
}

TEST_F(WiredLink, SixtySamplesGiveOneDateAndOneTimeAndTemperatureIsShown) {
    connect(5, kPortA, Ctl::PortARing, 178, 8);
    clock.set({2026, 12, 8, 14, 30, 15});
    for (int i = 0; i < 59; ++i) ports.receive(kPortA, "1000\r\n");
    EXPECT_EQ(sink.count("C001,D8,"), 0);
    ports.receive(kPortA, "1000 0400\r\n");
    EXPECT_EQ(sink.count("C001,D1,"), 60);
    EXPECT_EQ(sink.count("C001,D8,2026-12-08"), 1);
    EXPECT_EQ(sink.count("C001,D9,14:30:15"), 1);
    EXPECT_EQ(sink.count("C001,D4,25.0"), 1);
    EXPECT_FALSE(panel.dimmed(Ctl::TempPortA));
    ports.receive(kPortA, "1000\r\n");
    EXPECT_TRUE(panel.dimmed(Ctl::TempPortA));
}

TEST_F(WiredLink, TemperatureIsReadOnlyFromTheRecordsOwnDigits) {
    connect(3, kPortA, Ctl::PortARing, 178, 8);
    // A garbled longer line leaves a digit where the next record's temperature ends.
    ports.receive(kPortA, "12345678901\r\n2048,0400\r\n");
    EXPECT_EQ(sink.count("C001,D4,"), 2);
    EXPECT_EQ(sink.texts().back(), "C001,D4,25.0");
    // The gauge's temperature sits three characters later.
    connect(9, kPortA, Ctl::PortARing, 0, 0);
    ports.receive(kPortA, "0.12345678901234\r\n0.50000,0320\r\n");
    EXPECT_EQ(sink.texts().back(), "C001,D4,20.0");
}

TEST_F(WiredLink, PressureGaugeNeverGetsTAndMayAnswerSok) {
    chooseUnitType(9);
    open(Ctl::PortARing, kPortA);
    tick();
    EXPECT_EQ(sent(kPortA), "ssss");
    ports.receive(kPortA, "SOK,");
    EXPECT_EQ(links().FRTCConnectStatus, 2);
    for (int i = 0; i < 10; ++i) tick();  // the handshake starts over and over without replies
    EXPECT_EQ(sent(kPortA).find('t'), std::string::npos);
}

TEST_F(WiredLink, BadAdvancesLikeStok) {
    chooseUnitType(4);
    open(Ctl::PortARing, kPortA);
    tick();
    ports.receive(kPortA, "BAD,");
    EXPECT_EQ(links().FRTCConnectStatus, 2);
    sent(kPortA);
    tick();
    EXPECT_EQ(sent(kPortA), "i");
}

TEST_F(WiredLink, ASilentStreamingUnitIsShownNotConnectedAndTheHandshakeRestarts) {
    int clears = 0, resets = 0;
    host->linkHooks().ClearAllDisplayLines = [&] { ++clears; };
    host->linkHooks().ChartReset = [&] { ++resets; };
    connect(3, kPortA, Ctl::PortARing, 178, 8);
    clears = resets = 0;
    ports.receive(kPortA, "20");  // any byte keeps it alive
    tick(2);
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    EXPECT_EQ(links().FRTCConnectStatus, 8);
    tick();
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Not Connected");
    EXPECT_EQ(panel.textColor(Ctl::PortAStatus), platform::kRed);
    EXPECT_EQ(links().FRTCConnectStatus, 0);
    EXPECT_EQ(clears, 1);
    EXPECT_EQ(resets, 1);
    sent(kPortA);
    tick();
    EXPECT_EQ(sent(kPortA), "stststst");
}

// The handshake as far as `state`, each step answered by the unit; returns with the request
// of that wait state just sent.
struct WiredWaits : WiredLink {
    void reach(int state) {
        chooseUnitType(3);
        open(Ctl::PortARing, kPortA);
        const char* replies[] = {"STOK,", "IOK,FATHOMROD-0042,",
                                 nullptr,  // the block, below
                                 "GOK,"};
        tick();
        for (int s = 1; s < state; s += 2) {
            const char* r = replies[s / 2];
            ports.receive(kPortA, r ? std::string(r) : "ROK," + block(178, 8, 4));
            tick();
        }
        ASSERT_EQ(links().FRTCConnectStatus, state);
        sent(kPortA);
    }
    // Ticks until the handshake starts over with its first request.
    int ticksUntilRestart() {
        for (int n = 1; n <= 20; ++n) {
            tick();
            if (sent(kPortA) == "stststst") return n;
        }
        return -1;
    }
};

TEST_F(WiredWaits, EachWaitStateGivesUpAfterItsTickLimitAndStartsOver) {
    // States 1, 3 and 5 wait while the count is 3 or less, state 7 while it is 2 or less; the
    // tick after the giving up sends "s" and "t" again.
    for (auto [state, limit] : {std::pair{1, 3}, {3, 3}, {5, 3}, {7, 2}}) {
        SCOPED_TRACE(state);
        reach(state);
        EXPECT_EQ(ticksUntilRestart(), limit + 2);
        // A reply on the last tick of the wait still counts.
        reach(state);
        tick(limit);
        ASSERT_EQ(links().FRTCConnectStatus, state);
        ports.receive(kPortA, state == 1   ? "STOK,"
                              : state == 3 ? "IOK,FATHOMROD-0042,"
                              : state == 5 ? "ROK," + block(178, 8, 4)
                                           : "GOK,");
        EXPECT_EQ(links().FRTCConnectStatus, state + 1);
    }
}

TEST_F(WiredWaits, ASilentUnitIsAskedAgainForeverAndNeverShownConnected) {
    reach(1);
    int restarts = 0;
    for (int n = 0; n < 100; ++n) {
        tick();
        restarts += sent(kPortA) == "stststst" ? 1 : 0;
        ASSERT_NE(panel.text(Ctl::PortAStatus), "Connected");
    }
    EXPECT_EQ(restarts, 20);
}

TEST_F(WiredLink, AReleasedOrLostPortIsNotConnectedUntilANewHandshakeCompletes) {
    for (bool lost : {false, true}) {
        SCOPED_TRACE(lost ? "lost" : "released");
        connect(3, kPortA, Ctl::PortARing, 178, 8);
        ASSERT_EQ(panel.text(Ctl::PortAStatus), "Connected");
        if (lost) {
            ports.loseport(kPortA);
        } else {
            panel.raise(Ctl::ChangePortA, platform::Event::Commit);
        }
        for (int t = 0; t < 5; ++t) {
            EXPECT_EQ(panel.text(Ctl::PortAStatus), "Not Connected") << "tick " << t;
            EXPECT_EQ(panel.textColor(Ctl::PortAStatus), platform::kRed);
            tick();
        }
        EXPECT_EQ(links().FRTCConnectStatus, 0);
        // Opened again: the handshake starts from its first step, and only the unit's "GOK"
        // makes the port "Connected" again.
        open(Ctl::PortARing, kPortA);
        sent(kPortA);
        tick();
        EXPECT_EQ(sent(kPortA), "stststst");
        for (const std::string& reply : {std::string("STOK,"), std::string("IOK,FATHOMROD-0042,"),
                                         "ROK," + block(178, 8, 4)}) {
            ports.receive(kPortA, reply);
            tick();
            EXPECT_EQ(panel.text(Ctl::PortAStatus), "Not Connected");
        }
        ports.receive(kPortA, "GOK,");
        tick();
        EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    }
}

TEST_F(WiredLink, ReconnectFlagAndConfigurationModeRestartTheHandshake) {
    connect(3, kPortA, Ctl::PortARing, 178, 8);
    links().FRTCReConnectFlag = 1;
    tick();
    EXPECT_EQ(links().FRTCConnectStatus, 0);
    EXPECT_EQ(links().FRTCReConnectFlag, 0);
    // While configuring, the handshake stops before "g" and waits.
    host->configState().FRTCConfigMode = 1;
    tick();
    ports.receive(kPortA, "STOK,");
    tick();
    ports.receive(kPortA, "IOK,FATHOMROD-0042,");
    tick();
    ports.receive(kPortA, "ROK," + block(178, 8, 4));
    sent(kPortA);
    tick(3);
    EXPECT_EQ(links().FRTCConnectStatus, 6);
    EXPECT_EQ(sent(kPortA), "");
}

TEST_F(WiredLink, PortBSamplesAreDeviceTwoAndItsChangeButtonLeavesPortAAlone) {
    chooseUnitType(3);
    open(Ctl::PortARing, kPortA);
    EXPECT_FALSE(panel.dimmed(Ctl::PortBRing));  // port B can still be chosen
    connect(3, kPortB, Ctl::PortBRing, 223, 0);  // the unit type change closed port A
    open(Ctl::PortARing, kPortA);
    EXPECT_EQ(links().OpenComPortNum_A, kPortA);
    EXPECT_EQ(links().OpenComPortNum_B, kPortB);
    ports.receive(kPortB, "4095\r\n");
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0].text.substr(0, 19), "C002,D1,S04,02000\r\n");
    EXPECT_EQ(sink.frames[0].source, links::FrameSource::PortB);

    panel.raise(Ctl::ChangePortB, platform::Event::Commit);
    EXPECT_EQ(links().OpenComPortNum_B, 0);
    EXPECT_FALSE(ports.isOpen(kPortB));
    EXPECT_TRUE(ports.isOpen(kPortA));
    EXPECT_EQ(links().OpenComPortNum_A, kPortA);
    EXPECT_EQ(links().OpenComPortNum, kPortA);
    EXPECT_FALSE(panel.dimmed(Ctl::PortBRing));
    EXPECT_TRUE(panel.dimmed(Ctl::PortARing));
    EXPECT_EQ(panel.text(Ctl::ConfigConnectionStatus), "Not Connected");
}

TEST_F(WiredLink, TwoPressureGaugesAlsoGiveTheirDifference) {
    connect(9, kPortA, Ctl::PortARing, 0, 0);
    gaugeJoinsOnPortB(0x12, 0x34);
    EXPECT_EQ(panel.text(Ctl::GaugeSettingB), "12 34");
    EXPECT_EQ(gaugesRead("1.50000", "1.25000"),
              (std::vector<std::string>{"C001,D1,S04,1.50000\r\n", "C002,D1,S04,1.25000\r\n",
                                        "C003,D1,S04,0.25000\r\n"}));
}

TEST_F(WiredLink, EachGaugeShiftsByItsOwnSettingAndMetresFollowTheSwitch) {
    // Port A's gauge has the decimal shift in its block (field 2 = 1), port B's has not.
    connect(9, kPortA, Ctl::PortARing, 0, 1);
    gaugeJoinsOnPortB(0, 0);
    EXPECT_EQ(gaugesRead("1.25000", "1.25000"),
              (std::vector<std::string>{"C001,D1,S04,10.25000\r\n", "C002,D1,S04,1.25000\r\n",
                                        "C003,D1,S04,9.00000\r\n"}));
    // Metres of sea water: 10.25 bar x 9.94846 = 101.9717... m, eight characters of it.
    panel.setValue(Ctl::SMI_BarMeters, 1);
    panel.raise(Ctl::SMI_BarMeters, platform::Event::Commit);
    EXPECT_EQ(gaugesRead("1.25000", "1.25000"),
              (std::vector<std::string>{"C001,D1,S04,101.9717\r\n", "C002,D1,S04,12.43558\r\n",
                                        "C003,D1,S04,89.53614\r\n"}));
}

TEST_F(WiredLink, GaugeMetresAreTheSameOnDisplayFileOutputPortAndChartAllSession) {
    live_test::TempDir dir;
    host->receivePaths().setFrameSink(&host->dataService());
    auto commit = [&](Ctl id, double v) {
        panel.setValue(id, v);
        panel.raise(id, platform::Event::Commit);
    };
    EXPECT_EQ(panel.intValue(Ctl::SMI_BarMeters), 0);  // bar until the operator chooses
    commit(Ctl::SMI_BarMeters, 1);
    chooseUnitType(3);  // the choice holds for the session, through unit type changes
    connect(9, kPortA, Ctl::PortARing, 0, 0);
    ASSERT_EQ(panel.intValue(Ctl::SMI_BarMeters), 1);
    open(Ctl::OutputPortRing, kPortOut);
    dialogs.promptReplies.push_back("99");
    dialogs.fileReplies.push_back({platform::FileSelection::Status::New, dir.file("gauge.csv")});
    panel.raise(Ctl::MenuSaveOutputData, platform::Event::Commit);
    commit(platform::ctlAt(Ctl::TraceSelect1, 0), 1);
    commit(Ctl::RawStartStop, 1);
    sent(kPortOut);

    // The chart places samples once the unit's first date and time (after 60 samples) came.
    for (int i = 0; i < 61; ++i) ports.receive(kPortA, "0.50000\r\n");
    const double metres = 0.5 * 9.94846;
    EXPECT_NEAR(panel.value(Ctl::Output1), metres, 1e-5);
    const std::string streamed = sent(kPortOut);
    EXPECT_EQ(streamed.substr(streamed.size() - 22), "C001,D1,S04,04.97423\r\n");
    panel.raise(Ctl::MenuStopOutputData, platform::Event::Commit);
    std::ifstream file(dir.file("gauge000.csv"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), streamed);
    const chart::TraceBuffer& trace = host->chart().trace(0);
    EXPECT_NE(std::find_if(trace.Data.begin(), trace.Data.end(),
                           [&](double v) { return std::abs(v - metres) < 1e-5; }),
              trace.Data.end());
}

TEST_F(WiredLink, SynchronizerListsItsStatusThenStreamsEveryChannel) {
    chooseUnitType(7);
    open(Ctl::PortARing, kPortA);
    EXPECT_EQ(ports.ports[kPortA].settings.baud, 38400);
    for (int row = 0; row < 8; ++row) panel.setCell(Ctl::SyncLengthTable, row, 0, "2");
    panel.setCell(Ctl::SyncLengthTable, 1, 0, "12");
    tick();
    EXPECT_EQ(sent(kPortA), "\r\ngst");
    ports.receive(kPortA, "S/N    N       SYNC-BOARD-000123\r\nFreq    F          08\r\n");
    ports.receive(kPortA, "Select  t to start\r\n");
    EXPECT_EQ(links().FRTCConnectStatus, 2);
    EXPECT_EQ(panel.text(Ctl::PortAIdent), "SYNC-BOARD-000123");
    tick();
    EXPECT_EQ(sent(kPortA), "r");
    ports.receive(kPortA, "03-15-26 12:30:45\r\n");
    EXPECT_EQ(links().FRTCConnectStatus, 4);
    tick();
    EXPECT_EQ(sent(kPortA), "g");
    tick();
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    ports.receive(kPortA, "2048 2048 0003 0004 0005 0006\r\n");
    ASSERT_EQ(sink.frames.size(), 6u);
    EXPECT_EQ(sink.frames[0].text, "C001,D1,S08,01000\r\n");
    EXPECT_EQ(sink.frames[1].text, "C002,D1,S08,60014\r\n");  // a 12 m staff: tenths of mm
    EXPECT_EQ(sink.frames[1].scale, 1);
    EXPECT_EQ(sink.frames[5].address, 6u);
    EXPECT_GT(clock.totalDelay, 2.5);  // the board's menu needs its pauses
}

struct SynchronizerWaits : WiredLink {
    static constexpr const char* kWake = "\r\ngst";
    SynchronizerWaits() {
        chooseUnitType(7);
        open(Ctl::PortARing, kPortA);
        tick();
        sent(kPortA);
    }
    void listing() { ports.receive(kPortA, "Select  t to start\r\n"); }
    void clockLine() { ports.receive(kPortA, "03-15-26 12:30:45\r\n"); }
    int ticksUntilWake() {
        for (int n = 1; n <= 20; ++n) {
            tick();
            if (sent(kPortA) == kWake) return n;
        }
        return -1;
    }
};

TEST_F(SynchronizerWaits, TheListingAndTheClockEachHaveTheirTickLimit) {
    // No listing: given up when the count passes 3, the board woken again on the next tick.
    EXPECT_EQ(ticksUntilWake(), 5);
    // Each listing line starts the count again.
    tick(3);
    ports.receive(kPortA, "*****\r\n");
    EXPECT_EQ(ticksUntilWake(), 5);
    // No clock after "r": given up when the count passes 4.
    listing();
    tick();
    ASSERT_EQ(sent(kPortA), "r");
    EXPECT_EQ(ticksUntilWake(), 6);
    listing();
    tick();
    tick(4);
    clockLine();
    EXPECT_EQ(links().FRTCConnectStatus, 4);
}

TEST_F(SynchronizerWaits, SilenceAfterGoIsNotConnectedCountedFromTheClockRequest) {
    int clears = 0, resets = 0;
    host->linkHooks().ClearAllDisplayLines = [&] { ++clears; };
    host->linkHooks().ChartReset = [&] { ++resets; };
    ports.receive(kPortA, "S/N    N       SYNC-BOARD-000123\r\n");
    listing();
    tick();  // "r"
    clockLine();
    tick();  // "g"
    ASSERT_EQ(sent(kPortA), "rg");
    // Data lines keep the link; each restarts the count.
    for (int i = 0; i < 10; ++i) {
        tick();
        ports.receive(kPortA, "0001 0002 0003 0004 0005 0006\r\n");
    }
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    clears = resets = 0;
    tick(6);
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    tick();
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Not Connected");
    EXPECT_EQ(panel.text(Ctl::PortAIdent), "");
    EXPECT_EQ(clears, 1);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(ticksUntilWake(), 1);
    // Without any data line the count runs on from the clock request: "g" went on its first
    // tick, so five more ticks show "Connected" and the sixth gives up.
    listing();
    tick();
    clockLine();
    tick();
    tick(5);
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    tick();
    EXPECT_EQ(panel.text(Ctl::PortAStatus), "Not Connected");
}

TEST_F(SynchronizerWaits, AReleasedPortStaysNotConnected) {
    listing();
    tick();
    clockLine();
    tick(2);
    ASSERT_EQ(panel.text(Ctl::PortAStatus), "Connected");
    panel.raise(Ctl::ChangePortA, platform::Event::Commit);
    for (int t = 0; t < 10; ++t) {
        EXPECT_EQ(panel.text(Ctl::PortAStatus), "Not Connected") << "tick " << t;
        tick();
    }
    EXPECT_EQ(links().FRTCConnectStatus, 0);
}

TEST_F(WiredLink, SynchronizerOnPortBUsesDevices21To28) {
    chooseUnitType(7);
    open(Ctl::PortBRing, kPortB);
    links().FRTCConnectStatus_B = 5;
    ports.receive(kPortB, "0001 0002 0003 0004 0005 0006 0007 0008\r\n");
    ASSERT_EQ(sink.frames.size(), 8u);
    EXPECT_EQ(sink.frames[0].text.substr(0, 5), "C021,");
    EXPECT_EQ(sink.frames[7].text.substr(0, 5), "C028,");
    EXPECT_EQ(sink.frames[7].address, 0x0208u);
}

// While a file plays, the unit's records still go on to the data service, which records them.
TEST_F(WiredLink, FilePlaybackKeepsTheWiredStreamFlowing) {
    connect(3, kPortA, Ctl::PortARing, 178, 8);
    host->chartCtr().PlotSource = 1;
    ports.receive(kPortA, "2048\r\n");
    ASSERT_EQ(sink.frames.size(), 1u);
    EXPECT_EQ(sink.frames[0].text.substr(0, 5), "C001,");
}

}  // namespace

namespace {

// Line noise: bytes of every value, from a fixed seed so a failure can be replayed.
std::string noise(std::size_t n, unsigned seed) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        s.push_back(static_cast<char>(seed >> 16));
    }
    return s;
}

std::size_t samplesOf(const FrameLog& sink, const std::string& head) {
    std::size_t n = 0;
    for (const auto& f : sink.frames) n += f.text.starts_with(head) ? 1 : 0;
    return n;
}

TEST_F(WiredLink, NoiseOnAStaffLineIsDroppedAndCountedWhileTheUnitsRecordsAllGetThrough) {
    connect(3, kPortA, Ctl::PortARing, 178, 8);
    sink.frames.clear();
    int good = 0;
    for (unsigned burst = 1; burst <= 20; ++burst) {
        ports.receive(kPortA, noise(2000, burst) + "\r\n");
        for (int i = 0; i < 5; ++i, ++good) ports.receive(kPortA, "2048,0256\r\n");
    }
    EXPECT_EQ(samplesOf(sink, "C001,D1,"), static_cast<std::size_t>(good));
    EXPECT_EQ(samplesOf(sink, "C001,D4,"), static_cast<std::size_t>(good));
    for (const auto& f : sink.frames) {
        EXPECT_TRUE(f.text == "C001,D1,S04,02500\r\n" || f.text == "C001,D4,16.0" ||
                    f.text.starts_with("C001,D8,") || f.text.starts_with("C001,D9,"))
            << f.text;
    }
    const long dropped = host->receivePaths().droppedRecords(links::PortId::A);
    EXPECT_GT(dropped, 20);
    EXPECT_EQ(panel.intValue(Ctl::PortADropped), dropped);
}

// A staff may write its reading and temperature without leading zeros, and the temperature
// below zero with a sign: such a record is read whole at its line end, in the order a record
// of four-digit fields gives. A line too short to hold a sample, or one that is no record, is
// noise.
TEST_F(WiredLink, RecordsOfAnyWidthAndSignedTemperaturesAreReadWhole) {
    connect(3, kPortA, Ctl::PortARing, 178, 8);  // a 5 m staff
    sink.frames.clear();
    for (const char* line : {"12,240\r\n", "2048,-16\r\n", "2048 7\r\n", "7\r\n", "12,x\r\n",
                             " 512 ;  -8  \n", "2048,-016\r\n"})
        ports.receive(kPortA, line);
    std::vector<std::string> texts;
    for (const auto& f : sink.frames) texts.push_back(f.text);
    const std::vector<std::string> want = {
        "C001,D1,S04,00014\r\n", "C001,D4,15.0", "C001,D1,S04,02500\r\n", "C001,D4,-1.0",
        "C001,D1,S04,02500\r\n", "C001,D4,00.4", "C001,D1,S04,00625\r\n", "C001,D4,-0.5",
        "C001,D1,S04,02500\r\n", "C001,D4,-1.0"};
    EXPECT_EQ(texts, want);
    EXPECT_EQ(host->receivePaths().droppedRecords(links::PortId::A), 2);
}

struct SyncStreaming : WiredLink {
    void stream(const char* lengths) {
        chooseUnitType(7);
        open(Ctl::PortARing, kPortA);
        for (int row = 0; row < 8 && lengths[row]; ++row) {
            panel.setCell(Ctl::SyncLengthTable, row, 0, std::string(1, lengths[row]));
        }
        tick();
        ports.receive(kPortA, "Select  t to start\r\n");
        tick();
        ports.receive(kPortA, "03-15-26 12:30:45\r\n");
        tick(2);
        sink.frames.clear();
    }
};

TEST_F(SyncStreaming, DamagedLinesAndLinesOfTheOtherWidthAreNoise) {
    stream("22222222");
    const std::string full = "2048 2048 0003 0004 0005 0006 0007 0008\r\n";
    ports.receive(kPortA, full);
    ports.receive(kPortA, "2048 2048 0003 0004 0005 0006\r\n");  // 6 of the board's 8
    ports.receive(kPortA, "2048 2048 00x3 0004 0005 0006 0007 0008\r\n");
    ports.receive(kPortA, "2048 2048 0003 0004 0005 0006 0007 000\r\n");
    ports.receive(kPortA, "2048 20480003 0004 0005 0006 0007 0008 12\r\n");
    ports.receive(kPortA, full);
    EXPECT_EQ(sink.frames.size(), 16u);
    EXPECT_EQ(host->receivePaths().droppedRecords(links::PortId::A), 4);
    // A board's data line may go on after its readings (a time tag): not judged.
    ports.receive(kPortA, "2048 2048 0003 0004 0005 0006 0007 0008 12:00:01\r\n");
    EXPECT_EQ(sink.frames.size(), 24u);
}

// The board's choice of the character between readings is not noise: only a reading that is
// not four digits (blank-padded at most) or a separator that runs two readings together is.
TEST_F(SyncStreaming, ReadingsSeparatedByCommasTabsOrSemicolonsAreData) {
    stream("22222222");
    for (const char* line : {"2048,2048,0003,0004,0005,0006,0007,0008\r\n",
                             "2048\t2048\t0003\t0004\t0005\t0006\t0007\t0008\n",
                             "2048;2048;0003;0004;0005;0006;0007;0008;\r\n",
                             "2048, 204,   3,   4,   5,   6,   7,   8\r\n"})
        ports.receive(kPortA, line);
    EXPECT_EQ(host->receivePaths().droppedRecords(links::PortId::A), 0);
    ASSERT_EQ(sink.frames.size(), 32u);
    EXPECT_EQ(sink.frames[25].text, "C002,D1,S00,00099\r\n");  // 204 of 4095 over 2 m
    ports.receive(kPortA, "2048,2048,0003,0004,0005,0006,0007,00081\r\n");
    // A CR ends a line as an LF does: both halves are noise.
    ports.receive(kPortA, "2048,2048,0003,0004,0005,0006,0007\r0008\n");
    EXPECT_EQ(host->receivePaths().droppedRecords(links::PortId::A), 3);
    // Line ends of every kind, and a six-channel board's blanks before them.
    ports.receive(kPortA, "2048 2048 0003 0004 0005 0006 0007 0008\r");
    ports.receive(kPortA, "2048 2048 0003 0004 0005 0006 0007 0008\n");
    EXPECT_EQ(host->receivePaths().droppedRecords(links::PortId::A), 3);
    EXPECT_EQ(sink.frames.size(), 48u);
}

// A board that writes its readings as bare numbers, one to four digits wide: the readings
// are taken in order whatever their width. The line must still be readings and nothing else,
// apart by one and the same separator; a short reading on a line whose others carry leading
// zeros lost a digit.
TEST_F(SyncStreaming, ReadingsWithoutLeadingZerosAreDataAtAnyWidth) {
    stream("22222222");
    for (const char* line : {"2048 204 3 4 5 6 7 8\r\n", "  12,4095,0,7,1000,99,3,5\r\n",
                             "2048 ; 204 ; 3 ; 4 ; 5 ; 6 ; 7 ; 8 ;\n"})
        ports.receive(kPortA, line);
    EXPECT_EQ(host->receivePaths().droppedRecords(links::PortId::A), 0);
    ASSERT_EQ(sink.frames.size(), 24u);
    EXPECT_EQ(sink.frames[1].text, "C002,D1,S00,00099\r\n");
    EXPECT_EQ(sink.frames[9].text, "C002,D1,S00,02000\r\n");
    EXPECT_EQ(sink.frames[23].text, "C008,D1,S00,00003\r\n");
    for (const char* line : {"2048 204 3 4 5 6 7\r\n", "2048,204;3,4,5,6,7,8\r\n",
                             "0204 20 0003 0004 0005 0006 0007 0008\r\n",
                             "20481 2 3 4 5 6 7 8\r\n", "22222222222222222222222 2 3 4 5 6 7 8\r\n",
                             "12-09-26 10:00:00 1 2\r\n"})
        ports.receive(kPortA, line);
    EXPECT_EQ(host->receivePaths().droppedRecords(links::PortId::A), 6);
    EXPECT_EQ(sink.frames.size(), 24u);
}

TEST_F(SyncStreaming, UnsetStaffLengthsAreToldOnceNamingTheChannels) {
    stream("55");
    // Texts that are no staff length count as unset (and never reach the arithmetic).
    panel.setCell(Ctl::SyncLengthTable, 2, 0, "nan");
    panel.setCell(Ctl::SyncLengthTable, 3, 0, "1e308");
    panel.setCell(Ctl::SyncLengthTable, 4, 0, "-2");
    for (int i = 0; i < 5; ++i) ports.receive(kPortA, "2048 2048 2048 2048 2048 2048\r\n");
    ASSERT_EQ(dialogs.count("STAFF LENGTHS NOT SET"), 1);
    const std::string& text = dialogs.shown.back().text;
    EXPECT_NE(text.find("port A"), std::string::npos) << text;
    EXPECT_NE(text.find("channel(s) 3, 4, 5, 6 "), std::string::npos) << text;
    EXPECT_EQ(sink.frames[2].text, "C003,D1,S00,00000\r\n");
    // Entered: quiet. Cleared again: told again.
    for (int row = 2; row < 6; ++row) panel.setCell(Ctl::SyncLengthTable, row, 0, "3.5");
    ports.receive(kPortA, "2048 2048 2048 2048 2048 2048\r\n");
    panel.setCell(Ctl::SyncLengthTable, 5, 0, "");
    ports.receive(kPortA, "2048 2048 2048 2048 2048 2048\r\n");
    EXPECT_EQ(dialogs.count("STAFF LENGTHS NOT SET"), 2);
}

}  // namespace
