#pragma once
#include <string>

#include "config/config_display.h"
#include "link/link_hooks.h"
#include "link/port_id.h"
#include "link/port_lister.h"
#include "link/receive_paths.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/serial_ports.h"
#include "platform/unit_types.h"

namespace links {

// Port A and port B: the operator opens one by choosing it in its ring and releases it with
// its change button; a unit type change closes every port. The link timers of the unit type's
// kind (radio or wired) run while a port is open.
class PortManager {
  public:
    PortManager(platform::SerialPorts& ports, platform::Panel& panel, platform::Dialogs& dialogs,
                platform::Clock& clock, platform::Session& session, LinkState& links,
                PortLister& lister, ReceivePaths& receive, config::ConfigDisplay& configDisplay,
                const LinkHooks& hooks);

    int GetComPortList() { return lister_.fill(platform::Ctl::PortARing); }
    int GetComPortList_B() { return lister_.fill(platform::Ctl::PortBRing); }
    int GetComPortOutPutList() { return lister_.fill(platform::Ctl::OutputPortRing); }

    void ComPort() { openPort(PortId::A); }
    void ComPort_B() { openPort(PortId::B); }
    void ChangeComport() { releasePort(PortId::A); }
    void ChangeComport_B() { releasePort(PortId::B); }

    // The port-related steps of a unit type change (the unit type ring's commit).
    void SetUnitType();

    // A port that went away while open (already closed by the port layer). True if it was
    // port A or B.
    bool portLost(int number, const std::string& reason);

  private:
    void openPort(PortId p);
    void releasePort(PortId p);
    void setLinkTimers(bool radio, bool wired);
    void portClosed(PortId p);

    platform::SerialPorts& ports_;
    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Clock& clock_;
    platform::Session& session_;
    LinkState& links_;
    PortLister& lister_;
    ReceivePaths& receive_;
    config::ConfigDisplay& configDisplay_;
    const LinkHooks& hooks_;
};

// The message shown when a port cannot be opened: names the port and the cause.
void reportOpenFailure(platform::Dialogs& dialogs, const std::string& name,
                       const platform::PortStatus& status);
// The message shown when an open port went away.
void reportPortLost(platform::Dialogs& dialogs, const std::string& name, const std::string& reason);

// Whether a number is already open as one of the three ports.
bool inUse(const LinkState& links, int number);

}  // namespace links
