#pragma once
#include <array>
#include <cstdint>

#include "link/sync_line_parser.h"

namespace links {

// What the connect handshake learnt of the wired unit on one port. The configuration page
// decodes FRTCRaw; the receive path uses the staff length and the sample rate.
struct WiredUnit {
    std::array<std::uint8_t, 134> FRTCRaw{};  // the block as received after "ROK,"
    std::array<char, 19> identification{};    // the 14 characters of "IOK,", NUL-terminated
    std::uint8_t configByte1 = 0;             // block field 1 (staff code)
    std::uint8_t configByte2 = 0;             // block field 2 (staff range, gauge decimal shift)
    float staffLength = 0;                    // millimetres
    int sampleRate = 0;                       // 0..31, block field 7
    SyncUnitInfo sync;                        // synchronizer board (unit type 7)
};

}  // namespace links
