#pragma once
#include <span>

#include "config/command_sender.h"
#include "config/config_state.h"
#include "config/wired_writer.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/unit_types.h"

namespace config {

// The setting controls of the wired units: each changes FRAll and writes the whole block
// (staffs, loggers, pressure gauge), or sends a menu command (synchronizer). The control
// stays dimmed until the unit's block or listing has been read back and shown.
class WiredSettings {
  public:
    WiredSettings(platform::Panel& panel, platform::Dialogs& dialogs,
                  const platform::Session& session, ConfigState& state, WiredWriter& writer,
                  CommandSender& sender);

    // The controls served only here; Host routes their events to event().
    static std::span<const platform::Ctl> controls();
    void event(platform::Ctl c, platform::Event e);

    // The wired branch of the settings that radio and wired units share: burst length, burst
    // interval, file interval, staff type and staff length.
    void sharedSetting(platform::Ctl c, platform::Event e);

  private:
    bool logger() const { return hasLoggerLayout(session_.UnitType); }
    // Dims the control and writes FRAll; a logger's block never carries the clock here.
    void write(platform::Ctl c);
    void menu(platform::Ctl c, MenuCmd m, int value);
    void modeBit(platform::Ctl c, std::uint8_t mask);
    void alarmEnable(platform::Ctl c, std::uint8_t mask);
    void alarmLevel(platform::Ctl c, std::size_t index);
    void loggerByteSetting(platform::Ctl c, int WiredConfig::*field);
    void FRTCRate();
    void FRTCRunMode();
    void FRTCBinFormat();

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    const platform::Session& session_;
    ConfigState& s_;
    WiredWriter& writer_;
    CommandSender& sender_;
};

}  // namespace config
