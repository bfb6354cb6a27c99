#pragma once
#include <functional>
#include <initializer_list>
#include <span>

#include "config/config_state.h"
#include "platform/dialogs.h"
#include "platform/panel.h"
#include "platform/unit_types.h"

namespace config {

// The groups of configuration controls that are shown or hidden together.
enum class Group : std::uint8_t {
    XBSmpData,
    FRTCSmpData,
    AnalogSync,
    BurstLengthInterval,
    Power,
    Alarm,
    FRTCCal,
    CalLengthType,
    TwoPointCal,
    TwelvePointCal,
    XBPAN,
    StartTime,
    Clock,
    CalModeFactory,
    Count
};

// Decides which controls the operator sees for the present unit type and factory mode.
class ConfigDisplay {
  public:
    ConfigDisplay(platform::Panel& panel, platform::Dialogs& dialogs, platform::Session& session,
                  ConfigState& state);

    // Called for wired unit types so that both ports' connect handshakes start again.
    void setWiredHandshakeReset(std::function<void()> reset) { resetHandshake_ = std::move(reset); }

    int SetUpConfigDisplay();

    // The group functions; a non-zero flag shows the group.
    void setGroup(Group g, char flag);
    void ConfigXBSmpDataVisible(char f) { setGroup(Group::XBSmpData, f); }
    void ConfigFRTCSmpDataVisible(char f) { setGroup(Group::FRTCSmpData, f); }
    void ConfigAnalogSyncVisible(char f) { setGroup(Group::AnalogSync, f); }
    void ConfigBurstLengthIntervalVisible(char f) { setGroup(Group::BurstLengthInterval, f); }
    void ConfigPowerVisible(char f) { setGroup(Group::Power, f); }
    void ConfigAlarmVisible(char f) { setGroup(Group::Alarm, f); }
    void ConfigFRTCCalVisible(char f) { setGroup(Group::FRTCCal, f); }
    void ConfigCalLengthTypeVisible(char f) { setGroup(Group::CalLengthType, f); }
    void Config2PointCalVisible(char f) { setGroup(Group::TwoPointCal, f); }
    void Config12PointCalVisible(char f) { setGroup(Group::TwelvePointCal, f); }
    void ConfigXBPANVisible(char f) { setGroup(Group::XBPAN, f); }
    void ConfigStartTimeVisible(char f) { setGroup(Group::StartTime, f); }
    void ConfigClockVisible(char f) { setGroup(Group::Clock, f); }
    void ConfigCalModeFactoryVisible(char f) { setGroup(Group::CalModeFactory, f); }

    // Shows a control unless it cannot be operated yet (a button whose action is still to
    // come is never shown).
    void show(platform::Ctl c, bool visible);

  private:
    void mainPanel(int unitType);
    void configPage(int unitType);

    platform::Panel& panel_;
    platform::Dialogs& dialogs_;
    platform::Session& session_;
    ConfigState& state_;
    std::function<void()> resetHandshake_;
};

}  // namespace config
