#pragma once
#include <cstdint>

namespace sim {

// Staff length of a wired staff as its two configuration bytes encode it: the counter's
// prescale range (block field 2) and count (block field 1).
struct StaffCode {
    int lengthMm;
    std::uint8_t range;
    std::uint8_t count;
};

// The code for a staff length, by the staff family (types 3 and 5 vs. 4 and 6); false when the
// family has no such length.
bool staffCodeFor(int unitType, int lengthMm, StaffCode& out);
// The staff length the two bytes stand for; 0 when they stand for none.
int staffLengthFor(int unitType, std::uint8_t range, std::uint8_t count);

}  // namespace sim
