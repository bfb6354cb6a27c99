// Link health through the Host: the panel's status-bar figures and the no-data warning as the
// operator sees them, driven by bytes on the fake port and the health timer in simulated time.
#include <gtest/gtest.h>

#include "support/host_rig.h"
#include "support/wire_frames.h"

using platform::Ctl;
using platform::Event;
using testing_support::receivePacket;

namespace {

constexpr std::uint64_t kUnit = 0x0013A20040A10111ull;

struct LinkHealthTest : ::testing::Test, testing_support::HostRig {
    int port = 0;

    void open(int unitType) {
        host.Initialize();
        host.chooseUnitType(unitType);
        ASSERT_TRUE(host.choosePort(Ctl::PortARing, "/dev/ttyUSB0"));
        port = ports.numberForPath("/dev/ttyUSB0");
        second();
    }
    // One second of simulated time, and the health timer's tick at its end.
    void second() {
        clock.advance(1);
        panel.raise(Ctl::LinkHealthTimer, Event::TimerTick);
    }
    void seconds(int n) {
        for (int i = 0; i < n; ++i) second();
    }
    std::string warning() const {
        return panel.visible(Ctl::PortAWarning) ? panel.text(Ctl::PortAWarning) : "";
    }
    void sample(int value = 1234) {
        ports.receive(port, receivePacket(kUnit, "C012,D1,S04,0" + std::to_string(value) + "\r\n"));
    }
};

TEST_F(LinkHealthTest, WarnsAfterTenSilentSecondsAndClearsWhenDataFlows) {
    open(0);
    sample();
    second();
    EXPECT_EQ(warning(), "");
    seconds(9);
    EXPECT_EQ(warning(), "") << "nine seconds of silence are not ten";
    second();
    EXPECT_NE(warning().find("No valid data on port A for 10 s."), std::string::npos) << warning();
    EXPECT_EQ(panel.textColor(Ctl::PortAWarning), platform::kRed);
    seconds(5);
    EXPECT_NE(warning().find("for 15 s."), std::string::npos) << warning();

    sample();
    second();
    EXPECT_EQ(warning(), "");
    EXPECT_FALSE(panel.visible(Ctl::PortAWarning));

    // Releasing the port takes its figures and any warning away.
    seconds(12);
    EXPECT_NE(warning(), "");
    panel.raise(Ctl::ChangePortA, Event::Commit);
    second();
    EXPECT_FALSE(panel.visible(Ctl::PortAWarning));
    EXPECT_FALSE(panel.visible(Ctl::PortAHealth));
}

TEST_F(LinkHealthTest, NoiseAndBrokenFramesAreNotValidData) {
    open(0);
    for (int s = 0; s < 11; ++s) {
        // A frame whose checksum is wrong, one whose length is outside 5-999, and a frame that
        // is whole but carries noise instead of a record.
        std::string bad = receivePacket(kUnit, "C012,D1,S04,01234\r\n");
        bad.back() = static_cast<char>(bad.back() ^ 0x01);
        ports.receive(port, bad);
        ports.receive(port, std::string("\x7E\x04\x00", 3));
        second();
    }
    EXPECT_NE(warning().find("No valid data"), std::string::npos);
    const std::string figures = panel.text(Ctl::PortAHealth);
    EXPECT_NE(figures.find("Port A: "), std::string::npos) << figures;
    EXPECT_NE(figures.find(" 0 frames, 22 rejected (checksum 11, length 11, noise 0)"),
              std::string::npos)
        << figures;
    EXPECT_NE(figures.find("no frame yet"), std::string::npos) << figures;
}

// The data logger streams nothing while its settings are read: the replies that come are the
// unit answering, and silence is counted only once they stop.
TEST_F(LinkHealthTest, ConfigurationRepliesAreValidData) {
    open(8);
    for (int s = 0; s < 30; ++s) {
        if (s % 3 == 0) ports.receive(port, receivePacket(kUnit, "$RB,12.40\r\n"));
        second();
    }
    EXPECT_EQ(warning(), "");
    seconds(11);
    EXPECT_NE(warning().find("No valid data on port A"), std::string::npos) << warning();
}

TEST_F(LinkHealthTest, TheStatusBarCountsSinceThePortOpenedAndGivesTheRecordRate) {
    open(0);
    EXPECT_TRUE(panel.visible(Ctl::PortAHealth));
    for (int s = 0; s < 6; ++s) {
        for (int k = 0; k < 4; ++k) sample(1000 + k);
        second();
    }
    const std::string figures = panel.text(Ctl::PortAHealth);
    const std::size_t frame = receivePacket(kUnit, "C012,D1,S04,01000\r\n").size();
    EXPECT_NE(figures.find(std::to_string(24 * frame) + " bytes, 24 frames, 0 rejected"),
              std::string::npos)
        << figures;
    EXPECT_NE(figures.find("4.0 records/s"), std::string::npos) << figures;
    EXPECT_NE(figures.find("last frame 0 s ago"), std::string::npos) << figures;
    seconds(3);
    EXPECT_NE(panel.text(Ctl::PortAHealth).find("last frame 3 s ago"), std::string::npos);
}

// The hint tells what the bytes of a port without valid data look like.
TEST_F(LinkHealthTest, HintsAtTheUnitTypeTheBytesBelongTo) {
    // A radio adapter's frames on a wired type.
    open(3);
    for (int s = 0; s < 11; ++s) {
        ports.receive(port, receivePacket(kUnit, "C012,D1,S04,01234\r\n"));
        second();
    }
    EXPECT_NE(warning().find("look like a radio adapter's API frames"), std::string::npos)
        << warning();
    EXPECT_NE(warning().find("Radio units are types 0, 1, 2 and 8"), std::string::npos);
}

TEST_F(LinkHealthTest, HintsAtAWiredUnitWhenTextArrivesOnARadioType) {
    open(0);
    for (int s = 0; s < 11; ++s) {
        ports.receive(port, "01234,0215\r\n01235,0215\r\n");
        second();
    }
    EXPECT_NE(warning().find("text records of a wired unit"), std::string::npos) << warning();
}

TEST_F(LinkHealthTest, HintsAtTheBaudRateWhenTheBytesMakeNoSense) {
    open(3);
    // What 38400 baud text looks like read at 9600 baud: bytes, but no lines of letters.
    const std::string garbage("\x80\xF8\x00\xE0\x1E\xFE\x98\x06\x78\x80\xF0\x66", 12);
    for (int s = 0; s < 11; ++s) {
        ports.receive(port, garbage + garbage + garbage);
        second();
    }
    EXPECT_NE(warning().find("make no sense at 9600 baud"), std::string::npos) << warning();
}

TEST_F(LinkHealthTest, ASilentWiredPortAsksAfterPowerAndCable) {
    open(3);
    seconds(10);
    EXPECT_NE(warning().find("Is the unit powered, its cable in"), std::string::npos) << warning();
}

}  // namespace
