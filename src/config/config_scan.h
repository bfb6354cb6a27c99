#pragma once
#include <functional>
#include <string>
#include <vector>

#include "config/command_sender.h"
#include "config/config_display.h"
#include "config/config_state.h"
#include "link/link_state.h"
#include "live/device_table.h"
#include "platform/panel.h"
#include "platform/unit_types.h"

namespace config {

// Work of other rooms that the scan starts. An unset hook does nothing.
struct ScanHooks {
    // The wired configuration block (or the synchronizer's settings) has arrived: show it.
    std::function<void()> SetFRTCConfigDisplay;
    // A scan started: the clock synchroniser resyncs fast for a while (FastSyncSecTimeout).
    std::function<void()> startFastSync;
    // Writes that the unit did not confirm: their controls are still dimmed. gaveUp: the
    // resends ran out; otherwise a later command took the transmit buffer before the write
    // was answered.
    std::function<void(const std::vector<platform::Ctl>&, bool gaveUp)> writesUnconfirmed;
};

// Reads every setting of the selected unit, one command per reply, and keeps the panels in
// step while nothing is connected: the radio scan (ConfigTimer), the wired read-out
// (TCFRConfigTimer), the unit selection and the re-scan button.
class ConfigScan {
  public:
    ConfigScan(platform::Panel& panel, platform::Session& session, ConfigState& state,
               links::LinkState& links, CommandSender& sender, const live::DeviceTable& table);

    ScanHooks hooks;

    void ConfigTimer();
    void TCFRConfigTimer();
    void ReadAllConfigInfo(int mode);
    void GetRemotePANID();
    void DimAllConfig();
    void DefaultAllConfig();
    void ConfigConnectDefault();

    // Control callbacks.
    void ReScanAll(platform::Event e);
    void SelectDeviceNum(platform::Event e);
    void SelectDeviceNum3(platform::Event e);
    void NetworkAddress(platform::Event e);

    // Why the last scan was abandoned: the step and the command that went unanswered
    // (empty until a scan gives up).
    int gaveUpStep() const { return gaveUpStep_; }
    const std::string& gaveUpCommand() const { return gaveUpCommand_; }

  private:
    void idleReset();
    void giveUp();
    // Abandons the scan when another room asked for it; counts the tick.
    void clearIfAsked();
    void showConnection(bool connected);
    void checkWrites(bool gaveUp);
    void select(int n, bool fromUpload);

    platform::Panel& panel_;
    platform::Session& session_;
    ConfigState& s_;
    links::LinkState& links_;
    CommandSender& sender_;
    const live::DeviceTable& table_;
    int gaveUpStep_ = 0;
    std::string gaveUpCommand_;
};

// Colours the connection read-out of the configuration tab and its lamp.
void showConfigConnection(platform::Panel& panel, bool connected);

}  // namespace config
