#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "platform/clock.h"

namespace config {

// The wired units' configuration block: 44 fields, field k at characters 3k and 3k + 1 and a
// comma at 3k + 2. A field is one byte in two upper-case hexadecimal digits, except the clock
// and start-time fields of the logger layout (11 to 22), which are two decimal digits. Field 43
// is the 8-bit sum of fields 0 to 42, every field read with the hexadecimal digit rule (so the
// decimal "59" counts 0x59).
inline constexpr int kBlockFields = 44;
inline constexpr int kBlockChars = 132;
inline constexpr int kChecksumField = 43;
// FRTx: the 132 characters, a NUL and a spare byte.
using BlockText = std::array<char, 134>;

// Mode flags (block field 42).
inline constexpr std::uint8_t kModeBinary = 0x01;
inline constexpr std::uint8_t kModeSerialOut = 0x02;
inline constexpr std::uint8_t kModeNewClock = 0x08;  // loggers take the block's clock fields
inline constexpr std::uint8_t kModeAirTemperature = 0x10;
inline constexpr std::uint8_t kModeAnalogOrStart = 0x20;  // staff: analog out; logger: start time
inline constexpr std::uint8_t kModeSerialSync = 0x40;
inline constexpr std::uint8_t kModeTtlSync = 0x80;
// Alarm flags (block field 16 of the staff layout); bit 0 is the OR of the other two.
inline constexpr std::uint8_t kAlarmAny = 0x01;
inline constexpr std::uint8_t kAlarm1 = 0x02;
inline constexpr std::uint8_t kAlarm2 = 0x04;

// Alarm levels reach the block as counts of 4095 over the staff length.
inline constexpr int kAlarmFullScale = 4095;

// FRAll: the decoded block of the wired unit being configured.
struct WiredConfig {
    std::array<char, 6> head{};             // field 0's two characters and ".00"
    std::array<char, 19> identification{};  // from the handshake's "IOK," reply
    std::uint8_t configByte1 = 0;           // field 1: the staff counter's count
    std::uint8_t configByte2 = 0;           // field 2: the staff counter's prescale code
    std::uint8_t sampleRate = 0;
    float gain = 0;
    float offset = 0;
    float staffLength = 0;  // millimetres
    std::uint8_t alarmFlags = 0;
    // Alarm 1 on, alarm 1 off, alarm 2 on, alarm 2 off: the counts the block carries (of 4095
    // over the staff), which go back to the unit exactly as it sent them unless the operator
    // sets a level, and the levels they stand for, in millimetres, for the display.
    std::array<float, 4> alarmLevel{};
    std::array<int, 4> alarmCount{};
    // The operator's level i: its count is the level's share of the staff, cut.
    void setAlarmLevel(std::size_t i, float levelMm);
    int burstLength = 0, burstInterval = 0, fileInterval = 0;
    int second = 0, minute = 0, hour = 0, spare = 0, day = 0, month = 0, year = 0;  // year in full
    int startMinute = 0, startHour = 0, startDay = 0, startMonth = 0, startYear = 0;  // 2 digits
    void setClock(const platform::CalendarTime& t) {
        year = t.year;
        month = t.month;
        day = t.day;
        hour = t.hour;
        minute = t.minute;
        second = t.second;
    }
    platform::CalendarTime clock() const { return {year, month, day, hour, minute, second, 0}; }

    int runMode = 0;          // synchronizer
    int timeTagInterval = 0;  // synchronizer
    int loggerByte = 0;
    std::uint8_t modeFlags = 0;
};

constexpr bool hasStaffLayout(int unitType) { return unitType == 3 || unitType == 4; }
constexpr bool hasLoggerLayout(int unitType) {
    return unitType == 5 || unitType == 6 || unitType == 9;
}
constexpr bool hasBlock(int unitType) {
    return hasStaffLayout(unitType) || hasLoggerLayout(unitType);
}

// Field k of a block as a byte, by the unit's digit rule; characters past the text count 0.
int blockField(std::span<const std::uint8_t> text, int k);
// The sum of fields 0 to 42, kept to 8 bits.
int blockChecksum(std::span<const std::uint8_t> text);
bool blockChecksumMatches(std::span<const std::uint8_t> text);

// An alarm level as a count of the staff (0 to 4095); the staff length must not be 0.
int alarmCountOf(float level, float staffLength);

// Encodes FRAll in the layout of the unit type into out (NUL-terminated) and returns the
// number of characters to send: 132, or 0 for a type without a block.
int encodeBlock(const WiredConfig& r, int unitType, BlockText& out);

// Decodes a received block into FRAll: the fields the layout of the unit type carries. The
// identification and the staff length (known from the handshake) are left as they are; the
// gain and offset are left to the caller, which checks a calibration against them.
void decodeBlock(std::span<const std::uint8_t> raw, int unitType, WiredConfig& r);
// The signed 16-bit value of fields k (high byte) and k + 1.
int blockWord(std::span<const std::uint8_t> raw, int k);

}  // namespace config
