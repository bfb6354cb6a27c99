#pragma once
#include <cstdint>

namespace config {

// State of the configuration protocol that the links and the live display also read.
struct ConfigState {
    std::uint64_t ConfigDeviceAddr = 0;  // address of the unit being configured
    int ConfigStatus = 0;                // scan step; 0 = idle
    int ClearConfig = 0;                 // 1 = the unit's configuration data is stale
    int FRTCConfigMode = 0;              // non-zero while a wired unit is being configured
};

}  // namespace config
