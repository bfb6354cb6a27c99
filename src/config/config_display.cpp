#include "config/config_display.h"

#include <array>
#include <string_view>

#include "platform/control_table.h"

namespace config {

using platform::Ctl;

namespace {

// Main-panel controls and the unit types that show them (bit n = unit type n). 'F' rows are
// shown only in factory mode.
struct MainRow {
    std::initializer_list<Ctl> controls;
    unsigned types;
    bool factoryOnly;
};

constexpr unsigned bits(std::initializer_list<int> types) {
    unsigned b = 0;
    for (int t : types) b |= 1u << t;
    return b;
}

const std::array<MainRow, 7> kMainRows{{
    {{Ctl::AdapterPanId, Ctl::AutoTimeSync, Ctl::BroadcastPower}, bits({0, 1, 2, 8}), false},
    {{Ctl::PortBRing, Ctl::ChangePortB, Ctl::PortAStatus, Ctl::PortBStatus, Ctl::PortAText,
      Ctl::PortBText, Ctl::PortAIdent, Ctl::PortBIdent, Ctl::PortBDropped},
     bits({3, 4, 5, 6, 7, 9}),
     false},
    {{Ctl::PortAValue, Ctl::PortBValue, Ctl::PortAStaffLength, Ctl::PortBStaffLength},
     bits({3, 4, 5, 6}),
     false},
    {{Ctl::GaugeSettingA, Ctl::GaugeSettingB, Ctl::SMI_BarMeters}, bits({9}), false},
    {{Ctl::SyncLengthTable, Ctl::SyncLengthTable_B}, bits({7}), false},
    {{Ctl::PortAData, Ctl::PortBData}, bits({3, 4, 5, 6, 9}), false},
    {{Ctl::AutoSyncResult}, bits({0, 1, 2}), true},
}};

const std::array<std::initializer_list<Ctl>, static_cast<std::size_t>(Group::Count)> kGroups{{
    {Ctl::NetworkAddress, Ctl::SelDataFormat, Ctl::SelSampleRate, Ctl::AntiAliasFilter},
    {Ctl::FRTCBinFormat, Ctl::FRTCRate, Ctl::FRTCSerialOut, Ctl::FRTCAirTempCtrl},
    {Ctl::FRTCRunMode, Ctl::FRAnalogOut},
    {Ctl::SelBurstLength, Ctl::SelBurstInterval},
    {Ctl::EnablePower, Ctl::BatteryVoltage, Ctl::ReadBattery},
    {Ctl::Alarm1Enable, Ctl::Alarm2Enable, Ctl::Alarm1On, Ctl::Alarm1Off, Ctl::Alarm2On,
     Ctl::Alarm2Off},
    {Ctl::SetLowReading, Ctl::SetHighReading, Ctl::SelLowCalPt, Ctl::SetHighCalPt,
     Ctl::SetDefaultValues, Ctl::FRTCCalibrate, Ctl::FRTCGain, Ctl::FRTCOffset},
    {Ctl::SelStaffLength, Ctl::SelStaffType},
    {Ctl::SelLowCalPt, Ctl::SetHighCalPt, Ctl::SetAutoCalLow, Ctl::SetAutoCalHigh, Ctl::SelCalGain,
     Ctl::SelCalOffset},
    {Ctl::CalPointMeters, Ctl::CalSetMeters, Ctl::CalClearPoint, Ctl::CalClearAll, Ctl::CalTable},
    {Ctl::RemotePanID, Ctl::SaveRemotePanID},
    {Ctl::EnableStartTime, Ctl::SelStartYear, Ctl::SelStartMonth, Ctl::SelStartDay,
     Ctl::SelStartHour, Ctl::SelStartMinute, Ctl::WriteStartTime},
    {Ctl::SetYear, Ctl::SetMonth, Ctl::SetDay, Ctl::SetHour, Ctl::SetMinute, Ctl::SetSecond,
     Ctl::ClockText, Ctl::SetClock, Ctl::ReadClock, Ctl::SyncToPC, Ctl::CompClock},
    {Ctl::SelCurrentMode, Ctl::SelCalFactory},
}};

// What each unit type shows, one character per type 0 to 9: S shown, - hidden, F shown in
// factory mode only, P shown when the adapter has reported a PAN ID, g left as its group set
// it. Rows apply in order, so a single control after its group wins.
struct VisRow {
    std::initializer_list<Ctl> controls;  // empty: the group
    Group group;
    std::string_view types;
};

const VisRow kConfigRows[] = {
    {{}, Group::XBSmpData, "SSS-------"},
    {{}, Group::FRTCSmpData, "---SSSS--S"},
    {{}, Group::AnalogSync, "---SS-----"},
    {{Ctl::FRTCRate, Ctl::FRTCRunMode}, Group::Count, "gggggggSgg"},
    {{}, Group::BurstLengthInterval, "SSS--SS-SS"},
    {{Ctl::SelFileInterval}, Group::Count, "-----SS-SS"},
    {{Ctl::FRSyncTimeTag}, Group::Count, "-------S--"},
    {{Ctl::FRTTLRunMode}, Group::Count, "---SS-----"},
    {{}, Group::Power, "SSS-----S-"},
    {{Ctl::EnablePower}, Group::Count, "SS--------"},
    {{}, Group::Alarm, "---S------"},
    {{}, Group::CalLengthType, "SSSSSSS---"},
    {{Ctl::SelCurrentMode}, Group::Count, "S---------"},
    {{Ctl::SelCalFactory}, Group::Count, "SSS-------"},
    {{Ctl::SaveFactoryValue, Ctl::SaveSerialNumber}, Group::Count, "FFF-------"},
    {{Ctl::HighTrip_mV, Ctl::LowTrip_mV, Ctl::DeadZone_mm}, Group::Count, "-FF-------"},
    {{}, Group::XBPAN, "SS------P-"},
    {{}, Group::StartTime, "SSS--SS-SS"},
    {{}, Group::Clock, "SSS--SSSSS"},
    {{Ctl::RtcCal}, Group::Count, "SSS-------"},
    {{Ctl::SelectDeviceNum}, Group::Count, "SSS-----S-"},
    {{Ctl::FRTCConfigRunSelect}, Group::Count, "---SSSSS-S"},
    {{Ctl::SamplingNoteRadio}, Group::Count, "SSS-----S-"},
    {{Ctl::SamplingNoteLogger1, Ctl::SamplingNoteLogger2}, Group::Count, "-----SS--S"},
    {{Ctl::PlotNoteConfig, Ctl::PlotNotePlot}, Group::Count, "--------S-"},
};

}  // namespace

ConfigDisplay::ConfigDisplay(platform::Panel& panel, platform::Dialogs& dialogs,
                             platform::Session& session, ConfigState& state)
    : panel_(panel), dialogs_(dialogs), session_(session), state_(state) {}

void ConfigDisplay::show(Ctl c, bool visible) {
    const platform::ControlSpec& spec = platform::controlSpec(c);
    if (spec.kind == platform::Kind::Button && spec.indicator) visible = false;
    panel_.setVisible(c, visible);
}

void ConfigDisplay::setGroup(Group g, char flag) {
    for (Ctl c : kGroups[static_cast<std::size_t>(g)]) show(c, flag != 0);
    switch (g) {
        case Group::TwoPointCal:
            state_.Version12CalPts = 0;
            break;
        case Group::TwelvePointCal:
            state_.Version12CalPts = 1;
            break;
        case Group::Clock:
            // The logger keeps its clock calibrated itself.
            show(Ctl::RtcCal, flag != 0 && session_.UnitType != 8);
            break;
        default:
            break;
    }
}

void ConfigDisplay::mainPanel(int unitType) {
    for (const MainRow& row : kMainRows) {
        bool show = (row.types >> unitType) & 1u;
        if (row.factoryOnly && session_.FactoryMode == 0) show = false;
        for (Ctl c : row.controls) panel_.setVisible(c, show);
    }
}

void ConfigDisplay::configPage(int type) {
    for (const VisRow& row : kConfigRows) {
        bool on = false;
        switch (row.types[static_cast<std::size_t>(type)]) {
            case 'S':
                on = true;
                break;
            case 'F':
                on = session_.FactoryMode != 0;
                break;
            case 'P':
                on = panel_.u64(Ctl::AdapterPanId) != 0;
                break;
            case 'g':
                continue;
            default:
                break;
        }
        if (row.group != Group::Count) {
            setGroup(row.group, on ? 1 : 0);
        } else {
            for (Ctl c : row.controls) show(c, on);
        }
    }
    // The calibration layouts: only the radio units show the multiple-point group. The
    // synchronizer ends with the two-point flag, every other type with the 12-point one; the
    // wired calibration shares the test points and comes last.
    const bool radio = type == 0 || type == 1 || type == 2;
    if (type == 7) {
        Config12PointCalVisible(0);
        Config2PointCalVisible(0);
    } else {
        Config2PointCalVisible(0);
        Config12PointCalVisible(radio ? 1 : 0);
    }
    ConfigFRTCCalVisible(type >= 3 && type <= 6 ? 1 : 0);
}

int ConfigDisplay::SetUpConfigDisplay() {
    const int type = session_.UnitType;
    panel_.setVisible(Ctl::PlotNoteConfig, false);
    panel_.setVisible(Ctl::PlotNotePlot, false);
    if (type < 0 || type > 9) return 0;
    if (type == 7) {
        dialogs_.message("POWER UP SYNCHRONIZER FIRST",
                         "The Synchronizer must be powered up 6 seconds prior to connecting to it");
    }
    mainPanel(type);
    if (platform::isWiredType(type) && resetHandshake_) resetHandshake_();
    configPage(type);
    return 0;
}

}  // namespace config
