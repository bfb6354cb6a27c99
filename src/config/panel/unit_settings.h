#pragma once
#include <functional>
#include <span>
#include <vector>

#include "config/command_sender.h"
#include "config/config_state.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/unit_types.h"

namespace config {

struct SettingHooks {
    // The wired branch of the settings that radio units and wired units share (burst length,
    // burst interval, file interval, staff type, staff length): for unit types 3 to 7 and 9
    // these change the wired configuration block instead of sending a command.
    std::function<void(platform::Ctl, platform::Event)> wiredSetting;
};

// The setting controls of a radio unit and of a data logger: each writes its setting to the
// unit being configured and stays dimmed until the unit confirms it. Also the data logger's
// group and port settings of the ports tab.
class UnitSettings {
  public:
    UnitSettings(platform::Panel& panel, platform::Dialogs& dialogs, platform::Session& session,
                 ConfigState& state, CommandSender& sender);

    SettingHooks hooks;

    // Every control served here; Host routes their events to event().
    static std::span<const platform::Ctl> controls();
    void event(platform::Ctl c, platform::Event e, const platform::EventData& d);

    // Help that depends on the unit type; false when the control's own help applies.
    bool showHelp(platform::Ctl c);

    // The unit did not confirm these writes: the operator is told which settings, and the
    // controls are released so the value can be sent again.
    void reportUnconfirmed(const std::vector<platform::Ctl>& controls, bool gaveUp);

  private:
    bool radio() const;
    void NewDeviceNum(platform::Event e);
    void SaveSerialNumber();
    void SelSampleRate();
    void SelDataFormat();
    void radioOrWired(platform::Ctl c, platform::Event e, Cmd write, bool logger);
    void SelFileInterval(platform::Event e);
    void SelStaffType(platform::Event e);
    void SelStaffLength(platform::Event e);
    void Link2BlueTooth();
    void Streaming_Data();
    void Com_Power();
    void groupRate(int group);
    void portType(int port);
    void portLength(int port, int row);
    void XBeePower();

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Session& session_;
    ConfigState& s_;
    CommandSender& sender_;
};

// Port n (0-7) of the ports tab is port n % 4 of group n / 4 + 1.
inline int portGroup(int port) { return port / 4 + 1; }

}  // namespace config
