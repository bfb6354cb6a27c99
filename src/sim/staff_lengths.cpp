#include "sim/staff_lengths.h"

#include <array>
#include <span>

namespace sim {

namespace {

constexpr auto kLongStaffs = std::to_array<StaffCode>({
    {250, 3, 223},   {500, 2, 223},   {1000, 1, 223},  {1500, 1, 148},  {2000, 0, 223},
    {2500, 0, 178},  {3000, 0, 148},  {3500, 8, 254},  {4000, 8, 223},  {4500, 8, 198},
    {5000, 8, 178},  {5500, 8, 124},  {6000, 8, 113},  {6500, 8, 105},  {7000, 8, 97},
    {7500, 8, 91},   {8000, 8, 85},   {8500, 8, 80},   {9000, 8, 76},   {9500, 8, 72},
    {10000, 8, 68},  {10500, 8, 65},  {11000, 8, 62},  {11500, 8, 59},  {12000, 8, 57},
    {12500, 8, 54},  {13000, 8, 52},  {13500, 8, 50},  {14000, 8, 49},  {14500, 8, 47},
    {15000, 8, 45},  {15500, 8, 44},  {16000, 8, 43},  {16500, 8, 41},  {17000, 8, 40},
    {17500, 8, 39},  {18000, 8, 38},  {18500, 8, 37},  {19000, 8, 36},  {19500, 8, 35},
    {20000, 8, 34},
});

constexpr auto kShortStaffs = std::to_array<StaffCode>({
    {250, 2, 199},   {500, 1, 199},   {1000, 0, 199},  {1500, 0, 133},  {2000, 8, 199},
    {2500, 8, 159},  {3000, 8, 133},  {3500, 8, 114},  {4000, 8, 100},  {4500, 8, 88},
    {5000, 8, 80},   {5500, 8, 72},   {6000, 8, 66},   {6500, 8, 61},   {7000, 8, 57},
    {7500, 8, 53},   {8000, 8, 50},   {8500, 8, 47},   {9000, 8, 44},   {9500, 8, 42},
    {10000, 8, 40},  {10500, 8, 38},  {11000, 8, 36},  {11500, 8, 35},  {12000, 8, 33},
    {12500, 8, 32},  {13000, 8, 31},  {13500, 8, 30},  {14000, 8, 29},  {14500, 8, 28},
    {15000, 8, 27},
});

std::span<const StaffCode> family(int unitType) {
    if (unitType == 3 || unitType == 5) return kLongStaffs;
    if (unitType == 4 || unitType == 6) return kShortStaffs;
    return {};
}

}  // namespace

bool staffCodeFor(int unitType, int lengthMm, StaffCode& out) {
    for (const StaffCode& c : family(unitType))
        if (c.lengthMm == lengthMm) {
            out = c;
            return true;
        }
    return false;
}

int staffLengthFor(int unitType, std::uint8_t range, std::uint8_t count) {
    const auto codes = family(unitType);
    int only = 0, matches = 0;
    for (const StaffCode& c : codes) {
        if (c.range != range) continue;
        if (c.count == count) return c.lengthMm;
        only = c.lengthMm;
        ++matches;
    }
    // The shortest ranges hold a single length whatever the count byte says.
    return matches == 1 ? only : 0;
}

}  // namespace sim
