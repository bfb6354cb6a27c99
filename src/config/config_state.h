#pragma once
#include <cstdint>

namespace config {

// State of the configuration protocol that the links, the live display and the setting rooms
// also read.
struct ConfigState {
    std::uint64_t ConfigDeviceAddr = 0;  // address of the unit being configured; 0 = none
    int ConfigStatus = 0;                // 0 idle, 1 start requested, 2 reading, 3 read complete
    int LastConfigStatus = 0;   // the idle state already shown; 255 forces the idle reset again
    int ClearConfig = 0;        // 1 = abandon the scan at the next tick
    int FRTCConfigMode = 0;     // wired: 0 run, 1 configuring port A, 2 port B
    int ConfigTimeCounter = 0;  // timer ticks since the last send or state change
    int ConfigType = 0;         // step of the read-out, from 1
    int TxRetries = 0;          // resends made
    std::uint8_t PANReadPending = 0;  // the remote PAN ID is still to be asked for
    int ConfigCurrentMode = 1;        // staff current mode: 1 takes the "G"/"F" calibration forms
    int Version12CalPts = 1;          // 1 = the unit keeps a 12-point calibration table
    int LastDataFormat = 0;           // data format the unit last reported
    std::uint64_t LastDLPANID = 0;    // the data logger coordinator's PAN ID as last read
    int EnaAutoSync = 0;              // automatic time sync switched on
};

// What the flash-card replies leave for the upload.
struct UploadState {
    int UpLoadfileSize = 0;
    int UpLoadDiv100Size = 0;
    int UpLoadDLFileOpen = 0;
};

}  // namespace config
