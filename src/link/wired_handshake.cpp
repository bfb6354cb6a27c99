#include "link/wired_handshake.h"

#include <cstring>

#include "platform/rgb.h"

namespace links {

WiredHandshake::WiredHandshake(platform::SerialPorts& ports, platform::Panel& panel,
                               platform::Clock& clock, const platform::Session& session,
                               LinkState& links, config::ConfigState& configState,
                               const LinkHooks& hooks)
    : ports_(ports),
      panel_(panel),
      clock_(clock),
      session_(session),
      links_(links),
      configState_(configState),
      hooks_(hooks) {}

void WiredHandshake::FRTCDeviceConnectTimer() {
    FRTCDeviceConnect_A();
    FRTCDeviceConnect_B();
}

void WiredHandshake::send(int number, const char* bytes) {
    ports_.write(number, {reinterpret_cast<const std::uint8_t*>(bytes), std::strlen(bytes)});
}

void WiredHandshake::showConnected(PortId p, bool connected) {
    panel_.setText(desc(p).status, connected ? "Connected" : "Not Connected");
    panel_.setTextColor(desc(p).status, connected ? platform::kGreenConnected : platform::kRed);
}

void WiredHandshake::lostUnit(PortId p) {
    panel_.setValue(desc(p).dataLamp, 0);
    callHook(hooks_.ClearAllDisplayLines);
    callHook(hooks_.ChartReset);
    showConnected(p, false);
}

void WiredHandshake::connect(PortId p) {
    PortRefs s = refs(links_, p);
    if (s.number == 0) {
        // No port, no unit: the handshake waits idle for the port to open.
        s.FRTCConnectStatus = 0;
        s.FRTCConnectTimer = 0;
        return;
    }
    switch (platform::linkKind(session_.UnitType)) {
        case platform::LinkKind::Wired:
            ++s.FRTCConnectTimer;
            staffStep(p);
            break;
        case platform::LinkKind::Synchronizer:
            ++s.FRTCConnectTimer;
            synchronizerStep(p);
            break;
        default:
            break;
    }
}

// Staffs, loggers and the pressure gauge at 9600 baud. Odd states wait for the reply the
// receive path recognises; even states send the next request.
void WiredHandshake::staffStep(PortId p) {
    PortRefs s = refs(links_, p);
    int& state = s.FRTCConnectStatus;
    int& ticks = s.FRTCConnectTimer;
    switch (state) {
        case 0:
            configState_.ClearConfig = 1;
            // "s" stops the stream, "t" stops a self-recording logger's run; the pressure
            // gauge knows no "t". Sent four times: a streaming unit may miss the first.
            for (int i = 0; i < 4; ++i) {
                send(s.number, session_.UnitType == 9 ? "s" : "st");
                clock_.delay(0.01);
            }
            ticks = 0;
            state = 1;
            break;
        case 2:
        case 4:
            send(s.number, state == 2 ? "i" : "r");
            ticks = 0;
            ++state;
            break;
        case 6:
            if (configState_.FRTCConfigMode != 0) return;
            send(s.number, "g");
            ticks = 0;
            state = 7;
            break;
        case 1:
        case 3:
        case 5:
            if (ticks > 3) state = 0;
            break;
        case 7:
            if (ticks > 2) state = 0;
            break;
        case 8:
            showConnected(p, true);
            if (ticks > 2 || s.FRTCReConnectFlag != 0 || configState_.FRTCConfigMode != 0) {
                s.FRTCReConnectFlag = 0;
                state = 0;
                lostUnit(p);
            }
            break;
        default:
            state = 0;
            break;
    }
}

// The synchronizer board at 38400 baud: wake its menu, list its status, read its clock, then
// let it stream.
void WiredHandshake::synchronizerStep(PortId p) {
    PortRefs s = refs(links_, p);
    int& state = s.FRTCConnectStatus;
    int& ticks = s.FRTCConnectTimer;
    switch (state) {
        case 0:
            clock_.delay(0.2);
            ports_.flushOutput(s.number);
            clock_.delay(0.2);
            send(s.number, "\r");
            clock_.delay(0.1);
            send(s.number, "\n");
            clock_.delay(0.2);
            send(s.number, "g");
            clock_.delay(0.5);
            send(s.number, "st");
            ticks = 0;
            state = 1;
            break;
        case 1:
            if (ticks > 3) state = 0;
            break;
        case 2:
            clock_.delay(0.4);
            ports_.flushOutput(s.number);
            clock_.delay(0.1);
            send(s.number, "r");
            ticks = 0;
            state = 3;
            break;
        case 3:
            if (ticks > 4) {
                state = 0;
                ticks = 0;
            }
            break;
        case 4:
            if (configState_.FRTCConfigMode != 0) return;
            clock_.delay(0.4);
            ports_.flushOutput(s.number);
            send(s.number, "g");
            state = 5;  // the tick count goes on from the clock request
            break;
        case 5:
            showConnected(p, true);
            if (ticks > 6 || configState_.FRTCConfigMode != 0) {
                panel_.defaultCtrl(desc(p).ident);
                state = 0;
                ticks = 0;
                lostUnit(p);
            }
            break;
        default:
            state = 0;
            break;
    }
}

}  // namespace links
