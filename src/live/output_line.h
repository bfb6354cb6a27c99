#pragma once
#include <array>
#include <cstdint>

namespace live {

inline constexpr int kOutputLineCount = 24;
inline constexpr int kRowsPerPage = 8;

// One reporting unit: everything the display, the recorder and the chart need about its
// latest message. Free when NetAddress or DeviceNum is 0.
struct OutputLine {
    std::uint8_t PowerOn = 0;
    std::uint64_t NetAddress = 0;
    std::array<char, 20> DateTime{};  // "YYYY-MM-DDThh:mm:ss" and a NUL
    char MsgType = 0;                 // 'C', '$', 'A', 'F', 'I', 'i', 'G'
    std::uint8_t DeviceNum = 0;
    std::uint8_t DataKind = 0;        // 0 burst, 1 sample, 4 temperature, 8 date, 9 time
    std::uint8_t SampleRate = 1;      // kept within 1..32
    std::uint8_t SampleCount = 0;
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
    int OffsetTime = 0;               // ms from the time tag to the last sample
    char PowerState = 0;              // '0' good, '2' low, '3' bad battery
    float Value = 0;                  // metres, after the zero offset
    float Offset = 0;
    int ZeroOn = 0;
    std::uint8_t DisplaySlot = 0;     // rank in address order, 0..23
    std::uint16_t SilenceTicks = 0;   // must hold the largest ageing limit, 266
    float Temperature = 0;

    bool inUse() const { return NetAddress != 0 && DeviceNum != 0; }
};

// Data kinds as stored in DataKind.
inline constexpr std::uint8_t kKindBurst = 0;
inline constexpr std::uint8_t kKindSample = 1;
inline constexpr std::uint8_t kKindTemperature = 4;
inline constexpr std::uint8_t kKindDate = 8;
inline constexpr std::uint8_t kKindTime = 9;

}  // namespace live
