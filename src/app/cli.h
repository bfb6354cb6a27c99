#pragma once
#include <string>

namespace app {

// What the command line asks for. Parsed before any window system is touched, so that
// --version and --help work on a machine without a display.
struct CliOptions {
    bool version = false;
    bool help = false;
    std::string screenshot;    // --screenshot FILE.png: render the window to FILE and exit
    int tab = 0;               // --tab N: the tab page shown (0-4)
    bool startupTime = false;  // --startup-time: print the time to the first paint and exit
    bool simulate = false;     // --simulate: offer simulated instruments beside the real ports
    double screenshotAfter = 0;  // --screenshot-after S: run S seconds before the screenshot
    std::string error;         // non-empty when the command line is wrong
};

// Arguments the window system consumes itself (-platform, -style ...) are left alone; every
// argument that starts with "--" must be one of ours.
CliOptions parseCommandLine(int argc, const char* const* argv);

// The --help text.
std::string cliUsage();

}  // namespace app
