#include "config/panel/wired_settings.h"

#include <cmath>
#include <cstdio>

#include "platform/control_table.h"
#include "platform/entry_hint.h"
#include "platform/rgb.h"

namespace config {

using platform::Ctl;
using platform::Event;

namespace {

constexpr Ctl kControls[] = {Ctl::FRTCRate,        Ctl::FRTCRunMode,   Ctl::FRTTLRunMode,
                             Ctl::FRSyncTimeTag,   Ctl::FRAnalogOut,   Ctl::FRTCSerialOut,
                             Ctl::FRTCAirTempCtrl, Ctl::FRTCBinFormat, Ctl::Alarm1Enable,
                             Ctl::Alarm2Enable,    Ctl::Alarm1On,      Ctl::Alarm1Off,
                             Ctl::Alarm2On,        Ctl::Alarm2Off};

constexpr Ctl kAlarmLevels[] = {Ctl::Alarm1On, Ctl::Alarm1Off, Ctl::Alarm2On, Ctl::Alarm2Off};

// A logger block carries each of these in one byte.
constexpr int kByteMax = 255;

}  // namespace

WiredSettings::WiredSettings(platform::Panel& panel, platform::Dialogs& dialogs,
                             const platform::Session& session, ConfigState& state,
                             WiredWriter& writer, CommandSender& sender)
    : panel_(panel),
      dialogs_(dialogs),
      session_(session),
      s_(state),
      writer_(writer),
      sender_(sender) {}

std::span<const Ctl> WiredSettings::controls() { return kControls; }

void WiredSettings::write(Ctl c) {
    panel_.setDimmed(c, true);
    if (logger()) writer_.FRAll.modeFlags &= static_cast<std::uint8_t>(~kModeNewClock);
    writer_.TxFRAllConfig();
}

void WiredSettings::menu(Ctl c, MenuCmd m, int value) {
    panel_.setDimmed(c, true);
    sender_.menu(m, {value});
    // The wired timer reconnects and reads the synchronizer's listing again.
    s_.ConfigStatus = 0;
}

void WiredSettings::modeBit(Ctl c, std::uint8_t mask) {
    std::uint8_t& flags = writer_.FRAll.modeFlags;
    flags = panel_.intValue(c) != 0 ? flags | mask : flags & static_cast<std::uint8_t>(~mask);
    write(c);
}

void WiredSettings::alarmEnable(Ctl c, std::uint8_t mask) {
    std::uint8_t& flags = writer_.FRAll.alarmFlags;
    flags = panel_.intValue(c) != 0 ? flags | mask : flags & static_cast<std::uint8_t>(~mask);
    flags = (flags & (kAlarm1 | kAlarm2)) != 0 ? flags | kAlarmAny
                                               : flags & static_cast<std::uint8_t>(~kAlarmAny);
    write(c);
}

void WiredSettings::alarmLevel(Ctl c, std::size_t index) {
    WiredConfig& r = writer_.FRAll;
    if (!(r.staffLength > 0)) {
        // Levels are sent as parts of the staff length; without a length there is no scale.
        panel_.setValue(c, r.alarmLevel[index] / 1000.0);
        dialogs_.message("ALARM LEVEL",
                         "The staff length of this unit is not known, so its alarm levels\n"
                         "cannot be set. Set the Staff Length and the Default Values first.");
        return;
    }
    r.setAlarmLevel(index, static_cast<float>(panel_.value(c) * 1000.0));
    write(c);
}

void WiredSettings::loggerByteSetting(Ctl c, int WiredConfig::*field) {
    const double v = panel_.value(c);
    if (v < 0 || v > kByteMax) {
        panel_.setValue(c, writer_.FRAll.*field);
        char text[160];
        std::snprintf(text, sizeof text,
                      "A wired unit keeps this setting from 0 to %d.\nThe value %.0f was not sent.",
                      kByteMax, v);
        dialogs_.message(platform::controlSpec(c).helpTitle, text);
        return;
    }
    writer_.FRAll.*field = static_cast<int>(v);
    write(c);
}

void WiredSettings::FRTCRate() {
    const int rate = panel_.intValue(Ctl::FRTCRate);
    if (session_.UnitType == 7) {
        menu(Ctl::FRTCRate, MenuCmd::Rate, rate);
        return;
    }
    writer_.FRAll.sampleRate = static_cast<std::uint8_t>(rate);
    write(Ctl::FRTCRate);
}

void WiredSettings::FRTCRunMode() {
    if (session_.UnitType == 7) {
        menu(Ctl::FRTCRunMode, MenuCmd::RunMode, panel_.intValue(Ctl::FRTCRunMode));
        return;
    }
    modeBit(Ctl::FRTCRunMode, kModeSerialSync);
}

void WiredSettings::FRTCBinFormat() {
    // This program reads ASCII records only: the format is always sent as ASCII.
    panel_.setDimmed(Ctl::FRTCBinFormat, true);
    panel_.setValue(Ctl::FRTCBinFormat, 0);
    writer_.FRAll.modeFlags &= static_cast<std::uint8_t>(~kModeBinary);
    write(Ctl::FRTCBinFormat);
}

void WiredSettings::event(Ctl c, Event e) {
    for (std::size_t i = 0; i < std::size(kAlarmLevels); ++i) {
        if (c != kAlarmLevels[i]) continue;
        platform::followEntryHint(panel_, c, e);
        if (e == Event::Commit) alarmLevel(c, i);
        return;
    }
    if (e != Event::Commit) return;
    switch (c) {
        case Ctl::FRTCRate:
            FRTCRate();
            break;
        case Ctl::FRTCRunMode:
            FRTCRunMode();
            break;
        case Ctl::FRTTLRunMode:
            if (session_.UnitType != 7) modeBit(c, kModeTtlSync);
            break;
        case Ctl::FRSyncTimeTag:
            writer_.FRAll.timeTagInterval = panel_.intValue(c);
            menu(c, MenuCmd::TimeTag, writer_.FRAll.timeTagInterval);
            break;
        case Ctl::FRAnalogOut:
            modeBit(c, kModeAnalogOrStart);
            break;
        case Ctl::FRTCSerialOut:
            modeBit(c, kModeSerialOut);
            break;
        case Ctl::FRTCAirTempCtrl:
            modeBit(c, kModeAirTemperature);
            break;
        case Ctl::FRTCBinFormat:
            FRTCBinFormat();
            break;
        case Ctl::Alarm1Enable:
            alarmEnable(c, kAlarm1);
            break;
        case Ctl::Alarm2Enable:
            alarmEnable(c, kAlarm2);
            break;
        default:
            break;
    }
}

void WiredSettings::sharedSetting(Ctl c, Event e) {
    const int type = session_.UnitType;
    if (c == Ctl::SelStaffType) {
        if (e != Event::Commit) return;
        // A wired unit's staff type follows from its length; the operator cannot change it.
        const bool rod = type == 3 && writer_.FRAll.staffLength <= 5000.0f;
        panel_.setValue(c, rod ? 1 : 2);
        return;
    }
    if (c == Ctl::SelStaffLength) {
        // A new length takes effect with Set Default Values: both are marked until then.
        if (e == Event::KeyPress) panel_.setVisible(Ctl::EntryHint, true);
        if (e == Event::LostFocus) panel_.setVisible(Ctl::EntryHint, false);
        if (e == Event::KeyPress || e == Event::Commit) {
            panel_.setTextColor(c, platform::kRed);
            panel_.setColor(Ctl::SetDefaultValues, platform::kRed);
        }
        return;
    }
    if (e != Event::Commit) return;
    if (c == Ctl::SelFileInterval && !logger()) return;
    if (type == 7) return;
    if (c == Ctl::SelBurstLength) loggerByteSetting(c, &WiredConfig::burstLength);
    if (c == Ctl::SelBurstInterval) loggerByteSetting(c, &WiredConfig::burstInterval);
    if (c == Ctl::SelFileInterval) loggerByteSetting(c, &WiredConfig::fileInterval);
}

}  // namespace config
