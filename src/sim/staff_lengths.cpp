#include "sim/staff_lengths.h"

#include "link/wired_record.h"

namespace sim {

bool staffCodeFor(int unitType, int lengthMm, StaffCode& out) {
    for (const links::StaffRow& row : links::staffLengthTable(unitType)) {
        if (static_cast<int>(row.mm) != lengthMm) continue;
        // The shortest ranges take any count; such a unit holds 0 there.
        out = {row.range, static_cast<std::uint8_t>(row.code < 0 ? 0 : row.code)};
        return true;
    }
    return false;
}

}  // namespace sim
