#pragma once
#include "config/config_state.h"
#include "link/link_hooks.h"
#include "link/port_id.h"
#include "platform/clock.h"
#include "platform/panel.h"
#include "platform/serial_ports.h"
#include "platform/unit_types.h"

namespace links {

// The wired connect handshake, run on every tick of the connect timer for port A and then
// port B: it stops the unit's stream, reads its identification and configuration block, and
// starts the stream again; a reply missing for a few ticks starts it over, forever.
class WiredHandshake {
  public:
    WiredHandshake(platform::SerialPorts& ports, platform::Panel& panel, platform::Clock& clock,
                   const platform::Session& session, LinkState& links,
                   config::ConfigState& configState, const LinkHooks& hooks);

    void FRTCDeviceConnectTimer();
    void FRTCDeviceConnect_A() { connect(PortId::A); }
    void FRTCDeviceConnect_B() { connect(PortId::B); }

  private:
    void connect(PortId p);
    void staffStep(PortId p);
    void synchronizerStep(PortId p);
    void send(int number, const char* bytes);
    void showConnected(PortId p, bool connected);
    void lostUnit(PortId p);

    platform::SerialPorts& ports_;
    platform::Panel& panel_;
    platform::Clock& clock_;
    const platform::Session& session_;
    LinkState& links_;
    config::ConfigState& configState_;
    const LinkHooks& hooks_;
};

}  // namespace links
