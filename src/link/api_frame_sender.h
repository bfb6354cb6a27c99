#pragma once
#include "link/api_frame.h"
#include "link/link_state.h"
#include "platform/serial_ports.h"

namespace links {

// Sends the commands of every subsystem to the radio adapter on OpenComPortNum. Nothing is
// sent while no port is open; delivery is not confirmed (transmit-status frames are ignored).
class ApiFrameSender : public ApiFrameWriter {
  public:
    ApiFrameSender(platform::SerialPorts& ports, const LinkState& links)
        : ports_(ports), links_(links) {}

    void ComWrtAPIFrame(std::uint32_t addrLow, std::uint32_t addrHigh, int n) override;
    void ComWrtATCommand(int n) override;
    void ComWrtRemoteATCommand(std::uint32_t addrLow, std::uint32_t addrHigh, int n) override;

  private:
    std::span<const std::uint8_t> text(int n) const;
    void send(std::span<const std::uint8_t> bytes);

    platform::SerialPorts& ports_;
    const LinkState& links_;
};

}  // namespace links
