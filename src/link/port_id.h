#pragma once
#include <array>
#include <cstdint>

#include "link/api_frame.h"
#include "link/link_state.h"
#include "platform/ctl.h"

namespace links {

enum class PortId : std::uint8_t { A, B };

// What differs between port A and port B: their controls and the numbers their wired units'
// samples carry.
struct PortDesc {
    platform::Ctl ring, change, status, ident, staffLength, value, gauge, temperature, syncLengths;
    platform::Ctl received, dataLamp;  // the unit's last record line, and a lamp lit while records flow
    platform::Ctl dropped;             // count of records dropped as noise
    platform::Ctl health, warning;     // link figures (status bar), no-data warning
    FrameSource source;
    int device;            // device number and address of wired samples (1, 2)
    int syncFirstDevice;   // synchronizer channel 1 (1, 21)
    int syncFirstAddress;  // its address (1, 0x0201)
    const char* name;
};

inline constexpr std::array<PortDesc, 2> kPorts{{
    {platform::Ctl::PortARing, platform::Ctl::ChangePortA, platform::Ctl::PortAStatus,
     platform::Ctl::PortAIdent, platform::Ctl::PortAStaffLength, platform::Ctl::PortAValue,
     platform::Ctl::GaugeSettingA, platform::Ctl::TempPortA, platform::Ctl::SyncLengthTable,
     platform::Ctl::PortAText, platform::Ctl::PortAData, platform::Ctl::PortADropped,
     platform::Ctl::PortAHealth, platform::Ctl::PortAWarning, FrameSource::PortA, 1, 1, 0x0001,
     "port A"},
    {platform::Ctl::PortBRing, platform::Ctl::ChangePortB, platform::Ctl::PortBStatus,
     platform::Ctl::PortBIdent, platform::Ctl::PortBStaffLength, platform::Ctl::PortBValue,
     platform::Ctl::GaugeSettingB, platform::Ctl::TempPortB, platform::Ctl::SyncLengthTable_B,
     platform::Ctl::PortBText, platform::Ctl::PortBData, platform::Ctl::PortBDropped,
     platform::Ctl::PortBHealth, platform::Ctl::PortBWarning, FrameSource::PortB, 2, 21, 0x0201,
     "port B"},
}};

inline const PortDesc& desc(PortId p) { return kPorts[static_cast<std::size_t>(p)]; }

// The link state of one port.
struct PortRefs {
    int& number;
    int& FRTCConnectStatus;
    int& FRTCConnectTimer;
    int& FRTCReConnectFlag;
};

inline PortRefs refs(LinkState& s, PortId p) {
    if (p == PortId::A) {
        return {s.OpenComPortNum_A, s.FRTCConnectStatus, s.FRTCConnectTimer, s.FRTCReConnectFlag};
    }
    return {s.OpenComPortNum_B, s.FRTCConnectStatus_B, s.FRTCConnectTimer_B, s.FRTCReConnectFlag_B};
}

}  // namespace links
