#pragma once
#include <functional>
#include <string>
#include <vector>

#include "link/link_state.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/serial_ports.h"
#include "platform/unit_types.h"

namespace config {
class ConfigDisplay;
}

namespace app {

struct Geometry {
    int height, width, top, left;
};

// Main window size and place from the screen size (height x width): 95 % high, 96 % wide,
// top at 3 % of that height and left at 2 % of that width, each truncated toward zero.
Geometry computeGeometry(int screenHeight, int screenWidth);

inline constexpr const char* kFactoryKey = "QXVR_Lantern";

// A file the program must close before it ends (playback, recording, frame capture).
class ClosesOnExit {
public:
    virtual ~ClosesOnExit() = default;
    virtual void closeOnExit() = 0;
};

// The application shell: close and exit, the scale-on-resize menu item, the about box and the
// factory prompt.
class Shell {
public:
    Shell(platform::Panel& panel, platform::Dialogs& dialogs, platform::SerialPorts& ports,
          platform::Session& session, links::LinkState& links,
          config::ConfigDisplay& configDisplay, std::function<void()> quitUserInterface);

    // Files closed by the close path, in the order registered (playback, recording, capture).
    void addFileToClose(ClosesOnExit* file) { filesToClose_.push_back(file); }

    // What would end with the program (a recording, a capture, an upload), named as the
    // operator knows it. While anything runs, exit asks first; Host sets it.
    std::function<std::vector<std::string>()> runningWork;
    // Unattended runs (headless) end when told to, without a question.
    bool askBeforeExit = true;

    void panelCB(platform::Event event);
    void ExitFathomrodXB();
    void ScaleResizeMenu();
    void AboutFRXB_Interface();
    void FACTCTR(platform::Event event);

    // The last step before the program ends: a wired unit on port A is told to stream again.
    void exitStep();

private:
    void closeAndQuit();
    bool exitConfirmed();

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::SerialPorts& ports_;
    platform::Session& session_;
    links::LinkState& links_;
    config::ConfigDisplay& configDisplay_;
    std::function<void()> quit_;
    std::vector<ClosesOnExit*> filesToClose_;
};

}  // namespace app
