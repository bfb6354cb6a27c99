#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

// The wired units' 44-field configuration block: field k at characters 3k and 3k + 1, a comma
// after each. Fields are one byte in two upper-case hex digits, except the clock and start-time
// fields (11 to 22) of the logger layout, which are two decimal digits. Field 43 is the 8-bit
// sum of fields 0 to 42, each read as a hex byte (so the decimal "59" counts 0x59).
struct WiredBlock {
    static constexpr int kFields = 44;
    static constexpr int kChars = 132;
    static constexpr int kChecksum = 43;

    // Field indices by role.
    enum Field : int {
        Head = 0, Count = 1, Range = 2, GainHigh = 3, GainLow = 4, OffsetHigh = 5, OffsetLow = 6,
        SampleRate = 7, BurstLength = 8, BurstInterval = 9, FileInterval = 10,
        Second = 11, Minute = 12, Hour = 13, Spare = 14, Day = 15, Month = 16, Year = 17,
        StartMinute = 18, StartHour = 19, StartDay = 20, StartMonth = 21, StartYear = 22,
        AlarmFlags = 16, LoggerByte = 41, Mode = 42,
    };
    // Mode flag bits.
    static constexpr int kSerialOut = 0x02, kNewClock = 0x08, kAirTemperature = 0x10,
                         kStartTime = 0x20;

    bool loggerLayout = false;
    std::array<int, kFields> field{};

    int word(int high) const { return field[high] << 8 | field[high + 1]; }
    void setWord(int high, int value);

    std::string encode() const;  // fills in the checksum
    // Reads a block; false when it is malformed or its checksum is wrong.
    bool decode(std::string_view text);
    static int checksumOf(std::string_view text);

private:
    bool decimal(int k) const { return loggerLayout && k >= Second && k <= StartYear; }
};

}  // namespace sim
