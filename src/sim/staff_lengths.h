#pragma once
#include <cstdint>

namespace sim {

// The two configuration bytes of a wired staff that encode its length: the counter's prescale
// range (block field 2) and count (block field 1).
struct StaffCode {
    std::uint8_t range;
    std::uint8_t count;
};

// The code of a staff length in the program's length table of the staff family (types 3 and 5
// vs. 4 and 6); false when the family has no such length.
bool staffCodeFor(int unitType, int lengthMm, StaffCode& out);

}  // namespace sim
