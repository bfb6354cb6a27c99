#include "link/port_manager.h"

#include "platform/rgb.h"

namespace links {

using platform::Ctl;

namespace {

constexpr double kReleaseWait = 0.5;  // after closing, before the port may be opened again

// Indicators that show what the handshake learnt of the unit on a port.
void defaultPortIndicators(platform::Panel& panel, PortId p) {
    const PortDesc& d = desc(p);
    for (Ctl c : {d.ident, d.staffLength, d.value, d.gauge, d.received, d.dataLamp})
        panel.defaultCtrl(c);
}

void showNotConnected(platform::Panel& panel, Ctl text) {
    panel.setText(text, "Not Connected");
    panel.setTextColor(text, platform::kRed);
}

}  // namespace

void reportOpenFailure(platform::Dialogs& dialogs, const std::string& name,
                       const platform::PortStatus& status) {
    dialogs.message("SERIAL PORT NOT OPENED",
                    name + " could not be opened: " +
                        (status.message.empty() ? "the port did not answer" : status.message) +
                        "\nChoose the port again, or another port.");
}

void reportPortLost(platform::Dialogs& dialogs, const std::string& name,
                    const std::string& reason) {
    dialogs.message("SERIAL PORT LOST",
                    name + " went away while it was open (" + reason +
                        ").\nIt has been closed; recording files are kept as they are.\n"
                        "Plug the adapter in again and choose the port.");
}

bool inUse(const LinkState& links, int number) {
    return number != 0 && (number == links.OpenComPortNum_A || number == links.OpenComPortNum_B ||
                           number == links.OpenComPortNumOutput);
}

PortManager::PortManager(platform::SerialPorts& ports, platform::Panel& panel,
                         platform::Dialogs& dialogs, platform::Clock& clock,
                         platform::Session& session, LinkState& links, PortLister& lister,
                         ReceivePaths& receive, config::ConfigDisplay& configDisplay,
                         const LinkHooks& hooks)
    : ports_(ports),
      panel_(panel),
      dialogs_(dialogs),
      clock_(clock),
      session_(session),
      links_(links),
      lister_(lister),
      receive_(receive),
      configDisplay_(configDisplay),
      hooks_(hooks) {}

void PortManager::setLinkTimers(bool radio, bool wired) {
    panel_.setTimerEnabled(Ctl::DeviceDisplayTimer, radio);
    panel_.setTimerEnabled(Ctl::ConfigTimer, radio);
    panel_.setTimerEnabled(Ctl::FRTCDeviceConnectTimer, wired);
    panel_.setTimerEnabled(Ctl::TCFRConfigTimer, wired);
}

void PortManager::openPort(PortId p) {
    const PortDesc& d = desc(p);
    PortRefs s = refs(links_, p);
    callHook(hooks_.ClearAllDisplayLines);
    const int number = panel_.intValue(d.ring);
    if (number == 0) return;
    const int baud = platform::baudFor(session_.UnitType);
    if (baud == 0) return;
    platform::PortStatus status = inUse(links_, number)
                                      ? platform::PortStatus{-1, "it is already open here"}
                                      : ports_.open(number, {.baud = baud});
    if (!status.ok()) {
        // The ring goes back to "Select a serial port" so it does not show a port that is not open.
        panel_.setValue(d.ring, 0);
        reportOpenFailure(dialogs_, lister_.nameOf(number), status);
        return;
    }
    const bool radio = platform::isRadioType(session_.UnitType);
    setLinkTimers(radio, !radio);
    // The automatic clock sync runs on the radio link's display timer: it can be switched on
    // once that link is open.
    if (radio) panel_.setDimmed(Ctl::AutoTimeSync, false);
    if (!radio) s.FRTCConnectStatus = 0;
    ports_.flushOutput(number);
    s.number = number;
    if (p == PortId::A) links_.OpenComPortNum = number;
    // Only this port's ring is dimmed: the other port and the output port stay free to open.
    panel_.setDimmed(d.ring, true);
    panel_.setVisible(d.change, true);
    ports_.onReceive(number, [this, p](int n) {
        if (p == PortId::A) {
            receive_.ComCallback(n);
        } else {
            receive_.ComCallback_B(n);
        }
    });
    s.FRTCConnectTimer = 0;
    receive_.portOpened(p);
    if (radio) callHook(hooks_.GetLocalPANID);
    if (hooks_.ConfigXBPANVisible) hooks_.ConfigXBPANVisible(0);
}

void PortManager::releasePort(PortId p) {
    PortRefs s = refs(links_, p);
    if (s.number != 0) {
        platform::drainAndClose(ports_, s.number);
        clock_.delay(kReleaseWait);
    }
    portClosed(p);
}

void PortManager::portClosed(PortId p) {
    const PortDesc& d = desc(p);
    PortRefs s = refs(links_, p);
    // Radio commands and the exit "g" go to OpenComPortNum. A number this program no longer
    // holds may be opened next as port B or the output port, or by another program: nothing
    // more goes to it.
    if (s.number != 0 && links_.OpenComPortNum == s.number) links_.OpenComPortNum = 0;
    s.number = 0;
    // The handshake goes idle and starts from its first step when a port opens again; until
    // a unit answers there, the port shows "Not Connected".
    s.FRTCConnectStatus = 0;
    s.FRTCConnectTimer = 0;
    showNotConnected(panel_, d.status);
    panel_.setDimmed(d.ring, false);
    panel_.setVisible(d.change, false);
    showNotConnected(panel_, Ctl::ConfigConnectionStatus);
    panel_.setDimmed(Ctl::AdapterPanId, true);
    defaultPortIndicators(panel_, p);
    lister_.fill(d.ring);
}

bool PortManager::portLost(int number, const std::string& reason) {
    for (PortId p : {PortId::A, PortId::B}) {
        PortRefs s = refs(links_, p);
        if (number == 0 || s.number != number) continue;
        portClosed(p);
        reportPortLost(dialogs_, lister_.nameOf(number), reason);
        return true;
    }
    return false;
}

void PortManager::SetUnitType() {
    callHook(hooks_.clearDeviceTable);
    callHook(hooks_.ClearAllDisplayLines);
    callHook(hooks_.ChartReset);
    callHook(hooks_.resetConfigPage);
    setLinkTimers(false, false);
    panel_.setDimmed(Ctl::AutoTimeSync, true);
    session_.UnitType = panel_.intValue(Ctl::UnitTypeRing);
    configDisplay_.SetUpConfigDisplay();

    for (int* number : {&links_.OpenComPortNum, &links_.OpenComPortNum_A, &links_.OpenComPortNum_B,
                        &links_.OpenComPortNumOutput}) {
        if (*number != 0) platform::drainAndClose(ports_, *number);
    }
    clock_.delay(kReleaseWait);
    links_.OpenComPortNum = links_.OpenComPortNum_A = links_.OpenComPortNum_B =
        links_.OpenComPortNumOutput = 0;

    // The rings stay usable: a port must be chosen again for the new unit type.
    for (Ctl ring : {Ctl::PortARing, Ctl::PortBRing, Ctl::OutputPortRing}) {
        panel_.setDimmed(ring, false);
    }
    for (Ctl change : {Ctl::ChangePortA, Ctl::ChangePortB, Ctl::ChangeOutputPort}) {
        panel_.setVisible(change, false);
    }
    showNotConnected(panel_, Ctl::PortAStatus);
    showNotConnected(panel_, Ctl::PortBStatus);
    panel_.setDimmed(Ctl::AdapterPanId, true);
    defaultPortIndicators(panel_, PortId::A);
    defaultPortIndicators(panel_, PortId::B);
    GetComPortList();
    GetComPortList_B();
    GetComPortOutPutList();
}

}  // namespace links
