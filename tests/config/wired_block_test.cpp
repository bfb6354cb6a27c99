// The wired configuration block as the units read it: field layout, number encodings, alarm
// scaling and the checksum that the unit checks.
#include "config/wired_block.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using config::BlockText;
using config::WiredConfig;

std::string encode(const WiredConfig& r, int type) {
    BlockText out{};
    const int n = config::encodeBlock(r, type, out);
    return std::string(out.data(), static_cast<std::size_t>(n));
}

std::string field(const std::string& block, int k) {
    return block.substr(static_cast<std::size_t>(3 * k), 2);
}

std::span<const std::uint8_t> bytes(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

WiredConfig staff(float lengthMm) {
    WiredConfig r;
    r.head = {'0', '3', '.', '0', '0', '\0'};
    r.staffLength = lengthMm;
    return r;
}

TEST(WiredBlock, StaffBlockLayoutAndChecksum) {
    const std::string b = encode(staff(1000), 3);
    ASSERT_EQ(b.size(), 132u);
    EXPECT_EQ(b.substr(0, 9), "03,00,00,");
    EXPECT_EQ(b.substr(126), "00,03,");  // mode flags, then the sum of the head's 0x03
    for (int k = 0; k < 44; ++k) EXPECT_EQ(b[static_cast<std::size_t>(3 * k + 2)], ',');
    EXPECT_TRUE(config::blockChecksumMatches(bytes(b)));

    WiredConfig r = staff(1000);
    r.gain = 4096.0f;
    r.offset = -500.0f;
    r.sampleRate = 0x1F;
    r.modeFlags = 0xC2;
    const std::string g = encode(r, 3);
    EXPECT_EQ(g.substr(9, 12), "10,00,FE,0C,");
    EXPECT_EQ(field(g, 7), "1F");
    EXPECT_EQ(field(g, 42), "C2");
    EXPECT_TRUE(config::blockChecksumMatches(bytes(g)));
    // The gain is cut to a whole number, not rounded.
    r.gain = 4096.9f;
    EXPECT_EQ(encode(r, 3).substr(9, 6), "10,00,");
}

TEST(WiredBlock, AlarmLevelsAreCountsOfTheStaffClampedToIt) {
    WiredConfig r = staff(2000);
    for (std::size_t i = 0; i < 4; ++i)
        r.setAlarmLevel(i, std::array{2000.0f, 2500.0f, -10.0f, 1000.0f}[i]);
    r.alarmFlags = config::kAlarm1 | config::kAlarm2 | config::kAlarmAny;
    const std::string b = encode(r, 3);
    EXPECT_EQ(field(b, 16), "07");
    EXPECT_EQ(b.substr(51, 24), "0F,FF,0F,FF,00,00,07,FF,");  // 1000/2000*4095 = 2047.5 -> 2047

    // The short-range staff has no alarms: the enable bits always go cleared.
    EXPECT_EQ(field(encode(r, 4), 16), "01");

    // Levels nobody set go back as the counts the unit sent, whatever they stand for: on a
    // staff without a length (no scale, never a division by zero) as on any other.
    for (float length : {0.0f, 5000.0f}) {
        WiredConfig held = staff(length);
        held.alarmLevel = {500.0f, 0, 0, 0};
        held.alarmCount = {1234, 0, 4095, 7};
        EXPECT_EQ(encode(held, 3).substr(51, 24), "04,D2,00,00,0F,FF,00,07,");
    }
}

TEST(WiredBlock, LoggerLayoutCarriesDecimalClockAndStartFields) {
    WiredConfig r;
    r.head = {'0', '5', '.', '0', '0', '\0'};
    r.burstLength = 10;
    r.burstInterval = 60;
    r.fileInterval = 7;
    r.hour = 7;
    r.minute = 5;
    r.second = 9;
    r.year = 2016;
    r.month = 3;
    r.day = 1;
    r.startMinute = 30;
    r.startHour = 23;
    r.startDay = 31;
    r.startMonth = 12;
    r.startYear = 15;
    r.loggerByte = 0x40;
    r.modeFlags = config::kModeNewClock | config::kModeSerialOut;
    const std::string b = encode(r, 5);
    EXPECT_EQ(b.substr(24, 9), "0A,3C,07,");
    EXPECT_EQ(b.substr(33, 21), "09,05,07,00,01,03,16,");
    EXPECT_EQ(b.substr(54, 15), "30,23,31,12,15,");
    EXPECT_EQ(field(b, 41), "40");
    EXPECT_EQ(field(b, 42), "0A");
    // The decimal fields count by the hexadecimal digit rule in the sum, as the unit adds them.
    int sum = 5 + 10 + 60 + 7 + 0x09 + 0x05 + 0x07 + 0x01 + 0x03 + 0x16 + 0x30 + 0x23 + 0x31 +
              0x12 + 0x15 + 0x40 + 0x0A;
    EXPECT_EQ(config::blockField(bytes(b), 43), sum & 0xFF);

    // Read back, every field comes home; the years as the record keeps them.
    WiredConfig back;
    config::decodeBlock(bytes(b), 5, back);
    EXPECT_EQ(back.year, 2016);
    EXPECT_EQ(back.startYear, 15);
    EXPECT_EQ(back.second, 9);
    EXPECT_EQ(back.startMinute, 30);
    EXPECT_EQ(back.burstInterval, 60);
    EXPECT_EQ(back.loggerByte, 0x40);
    EXPECT_EQ(back.modeFlags, r.modeFlags);
    EXPECT_EQ(std::string(back.head.data()), "05.00");
    // Other unit types have no block.
    BlockText out{};
    EXPECT_EQ(config::encodeBlock(r, 7, out), 0);
    EXPECT_EQ(config::encodeBlock(r, 0, out), 0);
}

TEST(WiredBlock, DecodedAlarmsAndSignedWordsOfAStaff) {
    WiredConfig r = staff(3000);
    r.gain = 4100;
    r.offset = -820;
    r.setAlarmLevel(0, 3000.0f);
    r.setAlarmLevel(1, 1500.0f);
    r.alarmFlags = config::kAlarm1 | config::kAlarmAny;
    const std::string b = encode(r, 3);
    EXPECT_EQ(config::blockWord(bytes(b), 3), 4100);
    EXPECT_EQ(config::blockWord(bytes(b), 5), -820);
    WiredConfig back = staff(3000);
    config::decodeBlock(bytes(b), 3, back);
    EXPECT_EQ(back.alarmFlags, r.alarmFlags);
    EXPECT_FLOAT_EQ(back.alarmLevel[0], 3000.0f);  // a count of 4095 is the staff length
    EXPECT_NEAR(back.alarmLevel[1], 1500.0f, 1.0f);
    EXPECT_EQ(back.alarmCount[0], 4095);
}

}  // namespace
