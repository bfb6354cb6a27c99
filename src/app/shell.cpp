#include "app/shell.h"

#include "config/config_display.h"

namespace app {

using platform::Ctl;
using platform::Event;

Geometry computeGeometry(int screenHeight, int screenWidth) {
    Geometry g{};
    g.height = static_cast<int>(screenHeight * 0.95);
    g.width = static_cast<int>(screenWidth * 0.96);
    g.top = static_cast<int>(g.height * 0.03);
    g.left = static_cast<int>(g.width * 0.02);
    return g;
}

Shell::Shell(platform::Panel& panel, platform::Dialogs& dialogs, platform::SerialPorts& ports,
             platform::Session& session, links::LinkState& links,
             config::ConfigDisplay& configDisplay, std::function<void()> quitUserInterface)
    : panel_(panel),
      dialogs_(dialogs),
      ports_(ports),
      session_(session),
      links_(links),
      configDisplay_(configDisplay),
      quit_(std::move(quitUserInterface)) {}

void Shell::panelCB(Event event) {
    if (event == Event::Close) closeAndQuit();
}

void Shell::ExitFathomrodXB() { closeAndQuit(); }

// Closing the window by mistake in the field ends a night's recording: ask, naming what runs.
bool Shell::exitConfirmed() {
    if (!askBeforeExit || !runningWork) return true;
    const std::vector<std::string> running = runningWork();
    if (running.empty()) return true;
    std::string text = "Still running:\n";
    for (const std::string& r : running) text += "  - " + r + "\n";
    text += "\nExit anyway? Every file is closed on its last complete record.";
    return dialogs_.confirm("EXIT WHILE RUNNING?", text);
}

void Shell::closeAndQuit() {
    if (!exitConfirmed()) return;
    for (ClosesOnExit* f : filesToClose_) f->closeOnExit();
    if (quit_) quit_();
}

void Shell::exitStep() {
    // "g" ends the wired connect handshake and sets the unit streaming, so a unit left stopped
    // by the handshake or by configuration streams again after the program has gone. A second
    // unit on port B is stopped by its own handshake just the same, so it gets its "g" too.
    if (platform::isWiredType(session_.UnitType)) {
        const int first = links_.OpenComPortNum;
        if (first != 0) ports_.writeByte(first, 'g');
        for (int port : {links_.OpenComPortNum_A, links_.OpenComPortNum_B}) {
            if (port != 0 && port != first) ports_.writeByte(port, 'g');
        }
    }
    // The program ends next, and the ports with it: what is still on its way to a unit (this
    // "g", a logger's "OC", a setting just written) goes out first.
    for (int port :
         {links_.OpenComPortNum_A, links_.OpenComPortNum_B, links_.OpenComPortNumOutput}) {
        if (port != 0) ports_.drainOutput(port, platform::kDrainMs);
    }
}

void Shell::ScaleResizeMenu() {
    panel_.setChecked(Ctl::MenuScaleResize, !panel_.checked(Ctl::MenuScaleResize));
}

void Shell::AboutFRXB_Interface() {
    dialogs_.message("INTERFACE PROGRAM",
                     "Version " FATHOM_VERSION "\n"
                     "fathomhost: live data, configuration, recording and analysis for\n"
                     "Fathomrod, Echorod, Tidecorder, Swellmeter, synchronizer and data-logger "
                     "units.\n"
                     "This program is provided to owners of these instruments for use with them.");
}

void Shell::FACTCTR(Event event) {
    if (event != Event::Commit) return;
    // A cancelled prompt counts as an empty, wrong key.
    auto reply = dialogs_.prompt("This is a Factory Prompt", "Enter Key...", 20);
    session_.FactoryMode = (reply && *reply == kFactoryKey) ? 1 : 0;
    configDisplay_.SetUpConfigDisplay();
}

}  // namespace app
