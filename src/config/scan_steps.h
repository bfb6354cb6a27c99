#pragma once
#include "config/command_set.h"

namespace config {

// One read of the configuration scan: a plain or addressed command, or a calibration read
// whose "G"/"T" form follows the current mode.
struct ScanStep {
    enum class Kind : std::uint8_t { None, Command, Calibration, CalibrationMode1 };
    Kind kind = Kind::None;
    Cmd cmd = Cmd::Connect;
    Cal cal = Cal::StaffType;
    Args args;
};

// The read of step n (from 1) for a unit type. Kind::None when the step is beyond the table.
// twelvePoint: the staff keeps a 12-point table (step 20 of type 0 reads it instead of the
// gain); radioOn: the data logger's radio-power control reads 1 (its last step reads the
// coordinator PAN ID instead of the radio power again).
ScanStep scanStep(int unitType, int n, bool twelvePoint, bool radioOn);

// The last step of each radio unit type's read-out.
int lastScanStep(int unitType, bool twelvePoint);

}  // namespace config
