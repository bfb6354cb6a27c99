#pragma once
#include <array>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace sim {

// One set of staff calibration values. A staff unit keeps two: the set of current mode 1 (the
// "F" writes and "G" reads) and the set of the other current mode ("S" writes, "T" reads).
struct Calibration {
    int staffType = 1;  // 1 rod, 2 cable, 3 sonic
    double staffLength = 2.0;
    double gain = 1.0;
    double offset = 0.0;
    double lowPoint = 0.4;
    double highPoint = 1.6;
    std::vector<double> points;  // the multi-point table, ascending, at most 12
};

// Every setting a radio unit keeps, by the name of what it is.
struct RadioSettings {
    int deviceNumber = 1;
    int sampleRate = 4;
    int burstLength = 0;
    int burstInterval = 0;
    int fileInterval = 1;
    int filter = 1;
    int dataFormat = 0;
    int startTimeSwitch = 0;
    platform::AbsTime startTime = 0;
    int power = 1;
    int currentMode = 1;
    int highTrip = 900;
    int lowTrip = 300;
    int deadZone = 250;
    int gpsTime = 0;
    int streaming = 9;
    int comPower = 0x16;  // outputs 1, 2 and 4
    double batteryVoltage = 2.95;
    double batteryCurrent = 0.045;
    std::string partNumber;
    std::string firmware;
    std::string serialNumber;
    std::array<Calibration, 2> calibration{};
    std::array<Calibration, 2> factory{};

    static constexpr std::size_t kMaxPoints = 12;
};

// Data formats a staff can send: the value the host writes with "WO" and the message it then
// sends, in the order the data-format ring lists them (ASCII 32 samples, float 32 samples,
// integer 64 samples, ASCII 1 sample). Value 4 is one "C" text per sample.
struct DataFormat {
    int value;
    char message;
    int samples;
};
inline constexpr std::array<DataFormat, 4> kDataFormats{{
    {0, 'A', 32},
    {1, 'F', 32},
    {2, 'I', 64},
    {4, 'C', 1},
}};
inline constexpr int kAsciiOneSample = 4;
inline constexpr int kAsciiOneSampleMaxRate = 8;

inline const DataFormat* findDataFormat(int value) {
    for (const DataFormat& f : kDataFormats)
        if (f.value == value) return &f;
    return nullptr;
}

}  // namespace sim
