#pragma once

namespace links {

// The open ports and the wired connect handshake of each port. Numbers are those of the
// SerialPorts seam; 0 = none.
struct LinkState {
    int OpenComPortNum_A = 0;
    int OpenComPortNum_B = 0;
    // The port radio commands and the exit byte go to; set with OpenComPortNum_A.
    int OpenComPortNum = 0;
    int OpenComPortNumOutput = 0;

    // Wired connect handshake per port: state, ticks since the last change or received byte,
    // and the flag the configuration code sets to force a fresh handshake.
    int FRTCConnectStatus = 0;
    int FRTCConnectStatus_B = 0;
    int FRTCConnectTimer = 0;
    int FRTCConnectTimer_B = 0;
    int FRTCReConnectFlag = 0;
    int FRTCReConnectFlag_B = 0;
};

}  // namespace links
