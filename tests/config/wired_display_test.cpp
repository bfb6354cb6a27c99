// What the configuration tab shows of a wired unit's block, fed through the program's own
// handshake on a serial test double: the checksum gate, the configure-mode status, the
// calibration check and the clock comparison.
#include <gtest/gtest.h>

#include "config/wired_block.h"
#include "link/link_fixture.h"

namespace {

using link_test::kPortA;
using link_test::kPortB;
using platform::Ctl;
using platform::Event;

struct WiredDisplay : link_test::LinkFixture {
    config::WiredConfig unit;

    WiredDisplay() {
        unit.head = {'0', '3', '.', '0', '0', '\0'};
        unit.configByte1 = 178;  // a 5 m staff of the long-range family
        unit.configByte2 = 8;
        unit.gain = 4096;
        unit.offset = -500;
        unit.sampleRate = 4;
        unit.modeFlags = config::kModeSerialOut;
        unit.year = 2015;
        unit.month = 6;
        unit.day = 30;
        unit.hour = 12;
        unit.startYear = 15;
    }
    std::string blockOf(int type, int checksumError = 0) {
        config::BlockText t{};
        const int n = config::encodeBlock(unit, type, t);
        std::string b(t.data(), static_cast<std::size_t>(n));
        const int sum = config::blockField(
            {reinterpret_cast<const std::uint8_t*>(b.data()), b.size()}, config::kChecksumField);
        char f[4];
        std::snprintf(f, sizeof f, "%02X", (sum + checksumError) & 0xFF);
        b.replace(129, 2, f);
        return b;
    }
    void configure(int mode) {
        panel.setValue(Ctl::FRTCConfigRunSelect, mode);
        panel.raise(Ctl::FRTCConfigRunSelect, Event::Commit);
    }
    // The handshake of a port reads the unit's identification and block.
    void answerHandshake(int port, const std::string& block) {
        for (const std::string& reply :
             {std::string("STOK,"), std::string("IOK,TESTUNITS-0042,"), "ROK," + block + "\r\n"}) {
            tick();
            ports.receive(port, reply);
        }
        tick();
        for (int i = 0; i < 3; ++i) panel.raise(Ctl::TCFRConfigTimer, Event::TimerTick);
    }
    void start(int type, int mode = 1) {
        chooseUnitType(type);
        open(Ctl::PortARing, kPortA);
        configure(mode);
    }
    bool shown() { return panel.text(Ctl::ConfigConnectionStatus) == "Connected"; }
};

TEST_F(WiredDisplay, AStaffBlockWithAWrongSumIsNotShownALoggerBlockIs) {
    start(3);
    answerHandshake(kPortA, blockOf(3, -1));
    EXPECT_FALSE(shown());
    EXPECT_TRUE(panel.dimmed(Ctl::FRTCRate));

    start(5);
    unit.head = {'0', '5', '.', '0', '0', '\0'};
    answerHandshake(kPortA, blockOf(5, -1));
    EXPECT_TRUE(shown());
    EXPECT_FALSE(panel.dimmed(Ctl::FRTCRate));
    EXPECT_EQ(panel.value(Ctl::SetYear), 2015);
    EXPECT_EQ(panel.value(Ctl::SelStartYear), 2015);
    EXPECT_EQ(panel.text(Ctl::SerialNumber), "TESTUNITS-0042");
    EXPECT_EQ(panel.text(Ctl::FirmwareVersion), "05.00");
}

TEST_F(WiredDisplay, OnlyThePortBeingConfiguredSaysConfigureMode) {
    chooseUnitType(3);
    open(Ctl::PortARing, kPortA);
    open(Ctl::PortBRing, kPortB);
    configure(2);
    answerHandshake(kPortB, blockOf(3));
    ASSERT_TRUE(shown());
    EXPECT_EQ(panel.text(Ctl::PortBStatus), "Configure Mode");
    EXPECT_EQ(panel.textColor(Ctl::PortBStatus), 0x3366FFu);
    EXPECT_NE(panel.text(Ctl::PortAStatus), "Configure Mode");
    // The 5 m staff is a rod; 1 mm more makes it a cable.
    EXPECT_EQ(panel.value(Ctl::SelStaffType), 1);
    EXPECT_DOUBLE_EQ(panel.value(Ctl::SelStaffLength), 5.0);

    // Back to run: the page is cleared and the block commands go to port A again.
    configure(0);
    EXPECT_FALSE(shown());
    EXPECT_EQ(links().OpenComPortNum, kPortA);
}

TEST_F(WiredDisplay, ACalibrationTheUnitDidNotTakeIsReported) {
    start(3);
    answerHandshake(kPortA, blockOf(3));
    ASSERT_TRUE(shown());
    for (auto [c, v] : {std::pair{Ctl::SelLowCalPt, 0.2}, std::pair{Ctl::SetHighCalPt, 0.8},
                        std::pair{Ctl::SetLowReading, 0.25}, std::pair{Ctl::SetHighReading, 0.85}})
        panel.setValue(c, v);
    sent(kPortA);
    panel.raise(Ctl::FRTCCalibrate, Event::Commit);
    const std::string written = sent(kPortA);
    ASSERT_EQ(written.size(), 133u);
    EXPECT_EQ(written[0], 'w');
    // -500 - 0.05 x 4096 / 5 m = -540.96: sent as -540 (FD,E4).
    EXPECT_EQ(written.substr(1 + 15, 6), "FD,E4,");

    // The unit answers with an offset one count off.
    unit.offset = -541;
    answerHandshake(kPortA, blockOf(3));
    EXPECT_EQ(dialogs.count("CALIBRATION ERROR"), 1);
    EXPECT_EQ(panel.value(Ctl::FRTCOffset), -541);
    // A later read makes no comparison.
    unit.offset = -600;
    links().FRTCConnectStatus = 0;
    answerHandshake(kPortA, blockOf(3));
    EXPECT_EQ(dialogs.count("CALIBRATION ERROR"), 1);
}

TEST_F(WiredDisplay, CompareShowsTheLoggerClockErrorInWholeSeconds) {
    unit.head = {'0', '5', '.', '0', '0', '\0'};
    start(5);
    answerHandshake(kPortA, blockOf(5));
    ASSERT_TRUE(shown());
    sent(kPortA);
    panel.raise(Ctl::CompClock, Event::Commit);
    const std::string written = sent(kPortA);
    ASSERT_EQ(written.size(), 133u);
    EXPECT_EQ(
        config::blockField({reinterpret_cast<const std::uint8_t*>(written.data() + 1), 132}, 42) &
            config::kModeNewClock,
        0)
        << "a compare never sets the clock";
    // The unit's block comes back with its clock 10 s ahead of the computer's second.
    const platform::CalendarTime pc = platform::toCalendar(clock.t + 1);
    unit.setClock(platform::toCalendar(platform::toAbsTime(pc) + 10));
    answerHandshake(kPortA, blockOf(5));
    EXPECT_EQ(panel.text(Ctl::ClockText).substr(0, 4).find_first_not_of(' '), 2u);
    const int shownDelta = std::stoi(panel.text(Ctl::ClockText));
    EXPECT_NEAR(shownDelta, 10, 2);
    // The next read shows no comparison.
    links().FRTCConnectStatus = 0;
    answerHandshake(kPortA, blockOf(5));
    EXPECT_EQ(panel.text(Ctl::ClockText), "");
}

}  // namespace
