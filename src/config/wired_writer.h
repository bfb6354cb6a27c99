#pragma once
#include "config/wired_block.h"
#include "link/link_state.h"
#include "platform/clock.h"
#include "platform/serial_ports.h"
#include "platform/unit_types.h"

namespace config {

// Holds FRAll and writes it to the wired unit being configured as one whole block ("w" and
// the 132 characters on OpenComPortNum). Nothing answers a write: both connect handshakes
// start again, read the block back, and the display shows what the unit really took.
class WiredWriter {
  public:
    WiredWriter(platform::SerialPorts& ports, platform::Clock& clock,
                const platform::Session& session, links::LinkState& links);

    WiredConfig FRAll;
    BlockText FRTx{};
    // The next logger block carries the computer's clock, taken at a second boundary.
    int TCSyncRTC = 0;
    // The next display of a block shows the unit's clock error (set by the clock compare).
    int TCDeltaRTC = 0;
    // The next display checks that the unit took the gain and offset just calibrated.
    std::uint8_t NewCalGainZero = 0;

    void TxFRAllConfig();

  private:
    void takeComputerClock();
    void writeBlock(int port, int length);

    platform::SerialPorts& ports_;
    platform::Clock& clock_;
    const platform::Session& session_;
    links::LinkState& links_;
};

}  // namespace config
