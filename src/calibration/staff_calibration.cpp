#include "calibration/staff_calibration.h"

#include <cmath>
#include <span>

namespace calibration {

namespace {

struct Row {
    int mm;
    std::uint8_t code, count;
};

// Unit types 3 and 5.
constexpr Row kLongRange[] = {
    {250, 3, 223},  {500, 2, 223},  {1000, 1, 223}, {1500, 1, 148}, {2000, 0, 223}, {2500, 0, 178},
    {3000, 0, 148}, {3500, 8, 254}, {4000, 8, 223}, {4500, 8, 198}, {5000, 8, 178}, {5500, 8, 124},
    {6000, 8, 113}, {6500, 8, 105}, {7000, 8, 97},  {7500, 8, 91},  {8000, 8, 85},  {8500, 8, 80},
    {9000, 8, 76},  {9500, 8, 72},  {10000, 8, 68}, {10500, 8, 65}, {11000, 8, 62}, {11500, 8, 59},
    {12000, 8, 57}, {12500, 8, 54}, {13000, 8, 52}, {13500, 8, 50}, {14000, 8, 49}, {14500, 8, 47},
    {15000, 8, 45}, {15500, 8, 44}, {16000, 8, 43}, {16500, 8, 41}, {17000, 8, 40}, {17500, 8, 39},
    {18000, 8, 38}, {18500, 8, 37}, {19000, 8, 36}, {19500, 8, 35}, {20000, 8, 34},
};

// Unit types 4 and 6.
constexpr Row kShortRange[] = {
    {250, 2, 199},  {500, 1, 199},  {1000, 0, 199}, {1500, 0, 133}, {2000, 8, 199}, {2500, 8, 159},
    {3000, 8, 133}, {3500, 8, 114}, {4000, 8, 100}, {4500, 8, 88},  {5000, 8, 80},  {5500, 8, 72},
    {6000, 8, 66},  {6500, 8, 61},  {7000, 8, 57},  {7500, 8, 53},  {8000, 8, 50},  {8500, 8, 47},
    {9000, 8, 44},  {9500, 8, 42},  {10000, 8, 40}, {10500, 8, 38}, {11000, 8, 36}, {11500, 8, 35},
    {12000, 8, 33}, {12500, 8, 32}, {13000, 8, 31}, {13500, 8, 30}, {14000, 8, 29}, {14500, 8, 28},
    {15000, 8, 27},
};

std::span<const Row> tableFor(int unitType) {
    if (unitType == 3 || unitType == 5) return kLongRange;
    if (unitType == 4 || unitType == 6) return kShortRange;
    return {};
}

// Gain and offset travel as 16-bit integers.
bool fitsBlock(float v) { return std::isfinite(v) && v >= -32768.0f && v <= 65535.0f; }

}  // namespace

bool prescaleFor(int unitType, int lengthMm, Prescale& out) {
    for (const Row& r : tableFor(unitType)) {
        if (r.mm == lengthMm) {
            out = {r.code, r.count};
            return true;
        }
    }
    return false;
}

double maxStaffLengthMetres(int unitType) {
    const auto t = tableFor(unitType);
    return t.empty() ? 0.0 : t.back().mm / 1000.0;
}

TwoPoint twoPointCalibration(float gain, float offset, float staffLengthMm, float a, float b,
                             float c, float d) {
    TwoPoint r;
    if (a == b) {
        r.refusal = "The low and high Test Points are equal.\nEnter two different Test Points.";
        return r;
    }
    if (c == d) {
        r.refusal =
            "The low and high Readings are equal.\nTake the Readings again with the water at the "
            "two Test Points.";
        return r;
    }
    if (!(staffLengthMm > 0)) {
        r.refusal =
            "The Staff Length is 0.\nEnter the Staff Length and Set the Default Values "
            "first.";
        return r;
    }
    // The offset correction is taken with the old gain.
    r.offset = offset + gain * (a * (d - c) / (b - a) - c) / (staffLengthMm / 1000.0f);
    r.gain = gain * (b - a) / (d - c);
    if (!fitsBlock(r.gain) || !fitsBlock(r.offset)) {
        r.refusal =
            "These Test Points and Readings give a gain or offset the unit cannot hold.\n"
            "Check the values entered.";
        return r;
    }
    r.ok = true;
    return r;
}

}  // namespace calibration
