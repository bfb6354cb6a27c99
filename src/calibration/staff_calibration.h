#pragma once
#include <cstdint>
#include <string>

namespace calibration {

// The staff counter of a wired staff: its prescale code (block field 2) and count (field 1)
// for a staff length.
struct Prescale {
    std::uint8_t code;
    std::uint8_t count;
};

// The counter setting of an exact staff length in whole millimetres; false when the table of
// the unit type's family has no such length (the bytes are then left as they are).
bool prescaleFor(int unitType, int lengthMm, Prescale& out);

// The longest staff a family takes: 15 m for types 4 and 6, 20 m for 3 and 5.
double maxStaffLengthMetres(int unitType);

// Gain and offset of a wired staff corrected from two test points (a low, b high, in metres)
// and the staff's readings there (c, d): the result, or why there is none.
struct TwoPoint {
    bool ok = false;
    float gain = 0;
    float offset = 0;
    std::string refusal;  // for the operator when !ok
};
TwoPoint twoPointCalibration(float gain, float offset, float staffLengthMm, float a, float b,
                             float c, float d);

}  // namespace calibration
