#include "config/command_set.h"

#include <gtest/gtest.h>

#include "config/command_sender.h"
#include "link/api_frame_sender.h"
#include "platform/panel.h"
#include "sim/api_frames.h"
#include "support/fake_clock.h"
#include "support/fake_serial_ports.h"

using namespace config;

namespace {

std::string text(Cmd c, const Args& a = {}) {
    TxBuffer b{};
    const int n = formatCommand(b, c, a);
    return std::string(b.data(), static_cast<std::size_t>(n));
}

TEST(CommandSet, FormatsEveryKindOfValue) {
    EXPECT_EQ(text(Cmd::ReadDeviceNum), "RX\r\n");
    EXPECT_EQ(text(Cmd::WriteDeviceNum, Args::of(37)), "WX,37\r\n");
    EXPECT_EQ(text(Cmd::ReadFileSize, Args::of(7)), "OI,0007\r\n");
    // The serial-number write's mnemonic is the letter W and the byte 0xAA.
    const std::string serial = text(Cmd::WriteSerial, [] {
        Args a;
        a.text = "XB123";
        return a;
    }());
    EXPECT_EQ(serial, "W\xAA,XB123\r\n");
    EXPECT_EQ(static_cast<unsigned char>(serial[1]), 0xAA);
    // The longest serial number the entry takes still goes with its line end.
    const std::string nines(config::kMaxSerialLength, '9');
    Args longest;
    longest.text = nines;
    EXPECT_EQ(text(Cmd::WriteSerial, longest), "W\xAA," + nines + "\r\n");
    // Clock writes carry the year less 2000.
    Args t;
    t.n = {15, 6, 1, 12, 0, 5};
    EXPECT_EQ(text(Cmd::WriteClock, t), "WT,15-06-01T12:00:05\r\n");
    EXPECT_EQ(text(Cmd::WriteStartTime, t), "WQ,15-06-01T12:00\r\n");
    t.sep1 = 'C';
    t.sep2 = 'D';
    t.ms = 7;
    EXPECT_EQ(text(Cmd::TimeSync, t), "ZS,15-06-01T12C00D05.007\r\n");
}

TEST(CommandSet, AddressedLoggerCommands) {
    Args len = Args::at(1, 1, 2);
    len.n[1] = static_cast<int>(12.5 * 2);  // 12.5 m in half-metres
    EXPECT_EQ(text(Cmd::WritePortLength, len), "#1P1WL,2,25\r\n");
    EXPECT_EQ(text(Cmd::ReadGroupRate, Args::at(4, 0)), "#4P0RS\r\n");
    Args pan = Args::at(3, 0);
    pan.hex = 0xABCD0001;
    // The PAN ID write alone ends with line feed first.
    EXPECT_EQ(text(Cmd::WriteLoggerPan, pan), "#3P0WE,00000000ABCD0001\n\r");
}

TEST(CommandSet, CalibrationFormsFollowTheCurrentMode) {
    TxBuffer b{};
    formatCalRead(b, Cal::Gain, 1);
    EXPECT_STREQ(b.data(), "GG\r\n");
    formatCalRead(b, Cal::Gain, 2);
    EXPECT_STREQ(b.data(), "TG\r\n");
    formatCalWrite(b, Cal::LowPoint, 1, Args::real(0.25));
    EXPECT_STREQ(b.data(), "FX,0.250\r\n");
    formatCalWrite(b, Cal::AddPoint, 0, Args::real(1.5));
    EXPECT_STREQ(b.data(), "SP,1.5000\r\n");
}

TEST(CommandSet, NeverWritesPastTheBuffer) {
    Args a;
    const std::string longText(200, 'x');
    a.text = longText;
    TxBuffer b{};
    EXPECT_EQ(formatCommand(b, Cmd::WriteSerial, a), 51);
    EXPECT_EQ(b[51], '\0');
}

TEST(CommandSet, SynchronizerMenuLines) {
    TxBuffer b{};
    formatMenuLine(b, MenuCmd::TimeTag, {0});
    EXPECT_STREQ(b.data(), "none\n\r");
    formatMenuLine(b, MenuCmd::TimeTag, {4});
    EXPECT_STREQ(b.data(), "none\n\r");
    formatMenuLine(b, MenuCmd::TimeTag, {2});
    EXPECT_STREQ(b.data(), "hour\n\r");
    formatMenuLine(b, MenuCmd::RunMode, {0});
    EXPECT_STREQ(b.data(), "freerun\n\r");
    formatMenuLine(b, MenuCmd::Clock, {12, 31, 15, 23, 59, 58});
    EXPECT_STREQ(b.data(), "12-31-15 23:59:58\n\r");
}

// The send path on a port: what reaches the adapter, where, and what it leaves behind.
struct SenderTest : ::testing::Test {
    platform::Panel panel;
    testing_support::FakeClock clock;
    testing_support::FakeSerialPorts ports;
    links::LinkState links;
    links::ApiFrameSender frames{ports, links};
    ConfigState state;
    CommandSender sender{panel, clock, ports, frames, links, state};
    static constexpr int kPort = 7;
    void SetUp() override {
        ports.open(kPort, {});
        links.OpenComPortNum = kPort;
        state.ConfigDeviceAddr = 0x0013A20040A10001ull;
    }
    std::vector<simtest::Bytes> sent() {
        auto& w = ports.ports[kPort].written;
        return simtest::decodeFrames(simtest::Bytes(w.begin(), w.end()));
    }
};

TEST_F(SenderTest, AWriteDimsWaitsAndGoesToTheConfiguredUnitInOneFrame) {
    sender.write(platform::Ctl::NewDeviceNum, Cmd::WriteDeviceNum, Args::of(37));
    EXPECT_TRUE(panel.dimmed(platform::Ctl::NewDeviceNum));
    EXPECT_NEAR(clock.totalDelay, 0.1, 1e-9);
    EXPECT_EQ(frames.TxWait, 1);
    auto f = sent();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0][0], 0x10);
    EXPECT_EQ(simtest::address(f[0], 2), state.ConfigDeviceAddr);
    EXPECT_EQ(std::string(f[0].begin() + 14, f[0].end()), "WX,37\r\n");
    EXPECT_EQ(f[0].size() - 14, 7u);
}

TEST_F(SenderTest, BroadcastAndLoggerPanSaveTakeTheirOwnPaths) {
    sender.broadcastPower(1);
    sender.saveLoggerPan();
    auto f = sent();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(simtest::address(f[0], 2), 0xFFFFu);
    EXPECT_EQ(std::string(f[0].begin() + 14, f[0].end()), "BP,1\r\n");
    EXPECT_EQ(f[1][0], 0x17);  // remote AT command
    EXPECT_EQ(std::string(f[1].begin() + 13, f[1].end()), std::string("#3P0WM\0", 7));
}

TEST_F(SenderTest, MenuCommandsGoAsAByteThenALine) {
    sender.menu(MenuCmd::TimeTag, {3});
    EXPECT_EQ(ports.writtenText(kPort), "tday\n\r");
    EXPECT_EQ(ports.ports[kPort].flushes, 2);
    EXPECT_NEAR(clock.totalDelay, 0.2 + 0.4 + 0.2 + 0.6, 1e-9);
}

}  // namespace
