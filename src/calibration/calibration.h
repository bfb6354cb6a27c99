#pragma once
#include <span>

#include "config/command_sender.h"
#include "config/config_state.h"
#include "config/wired_writer.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/unit_types.h"

namespace calibration {

// The calibration controls of the configuration tab: a wired staff's default values and
// two-point correction (kept in FRAll and written as a block), the radio staffs' calibration
// commands, and the sonic units' trip points and dead zone.
class Calibration {
  public:
    Calibration(platform::Panel& panel, platform::Dialogs& dialogs,
                const platform::Session& session, config::ConfigState& state,
                config::CommandSender& sender, config::WiredWriter& writer);

    // Every control served here; Host routes their events to event().
    static std::span<const platform::Ctl> controls();
    void event(platform::Ctl c, platform::Event e);
    // Help that depends on the unit type and firmware; false when the control's own applies.
    bool showHelp(platform::Ctl c);

  private:
    bool radio() const { return platform::isRadioType(session_.UnitType); }
    int currentMode() const;
    void SetDefaultValues();
    void FRTCCalibrate();
    void resetStaffLengthMarks();
    void resetCalibrateMarks();
    void radioCommand(platform::Ctl c);
    void gainOrOffset(platform::Ctl c, platform::Event e);
    void sonic(platform::Ctl c, platform::Event e);
    // The unit's calibration is read again after a change that moves it.
    void reRead();

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    const platform::Session& session_;
    config::ConfigState& s_;
    config::CommandSender& sender_;
    config::WiredWriter& writer_;
};

}  // namespace calibration
