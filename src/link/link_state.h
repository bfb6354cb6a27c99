#pragma once

namespace links {

// The open ports. Numbers are those of the SerialPorts seam; 0 = none.
struct LinkState {
    int OpenComPortNum_A = 0;
    int OpenComPortNum_B = 0;
    // The port radio commands and the exit byte go to; set with OpenComPortNum_A.
    int OpenComPortNum = 0;
    int OpenComPortNumOutput = 0;
};

}  // namespace links
