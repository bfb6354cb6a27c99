#include "config/panel/wired_display.h"

#include <cstdio>
#include <string>
#include <utility>

#include "platform/rgb.h"

namespace config {

using platform::Ctl;

namespace {

constexpr platform::Rgb kConfigureMode = 0x3366FF;

struct PartNumber {
    int type;
    const char* text;
};
constexpr PartNumber kPartNumbers[] = {{3, "VELM-204-011E-"}, {4, "VELM-204-017-"},
                                       {5, "VELM-204-013E-"}, {6, "VELM-204-019-"},
                                       {9, "VELM-204-012C-"}, {7, "VELM-206-021"}};

constexpr const char* kCalibrationError =
    "The new calibration values were not set in the unit.\nCheck the values entered.  First set "
    "the Default Values\nand then Calibrate again with the Test Points and Readings\n";

constexpr Ctl kCalibrationControls[] = {Ctl::SelLowCalPt,      Ctl::SetHighCalPt,
                                        Ctl::SetLowReading,    Ctl::SetHighReading,
                                        Ctl::SetDefaultValues, Ctl::FRTCCalibrate};

int bit(std::uint8_t flags, std::uint8_t mask) { return (flags & mask) != 0 ? 1 : 0; }

std::string textOf(const char* chars, std::size_t max) {
    std::size_t n = 0;
    while (n < max && chars[n] != '\0') ++n;
    return std::string(chars, n);
}

}  // namespace

WiredDisplay::WiredDisplay(platform::Panel& panel, platform::Dialogs& dialogs,
                           platform::Clock& clock, const platform::Session& session,
                           ConfigState& state, links::LinkState& links,
                           const links::ReceivePaths& receive, WiredWriter& writer,
                           ConfigScan& scan)
    : panel_(panel),
      dialogs_(dialogs),
      clock_(clock),
      session_(session),
      s_(state),
      links_(links),
      receive_(receive),
      writer_(writer),
      scan_(scan) {}

const char* WiredDisplay::partNumber(int unitType) {
    for (const PartNumber& p : kPartNumbers)
        if (p.type == unitType) return p.text;
    return "";
}

void WiredDisplay::SetFRTCConfigDisplay() {
    const int type = session_.UnitType;
    if (type == 7) {
        synchronizer();
    } else if (hasBlock(type)) {
        staffOrLogger(type);
    }
}

void WiredDisplay::checkCalibration(int gain, int offset) {
    WiredConfig& r = writer_.FRAll;
    if (writer_.NewCalGainZero != 0) {
        // The unit keeps whole numbers: what was sent is the integer part of what was computed.
        if (gain != static_cast<int>(r.gain))
            dialogs_.message("CALIBRATION ERROR", kCalibrationError);
        if (offset != static_cast<int>(r.offset))
            dialogs_.message("CALIBRATION ERROR", kCalibrationError);
    }
    r.gain = static_cast<float>(gain);
    r.offset = static_cast<float>(offset);
    writer_.NewCalGainZero = 0;
}

void WiredDisplay::showCommon(int type) {
    const WiredConfig& r = writer_.FRAll;
    panel_.setDimmed(Ctl::NewDeviceNum, false);
    panel_.setText(Ctl::PartNumber, partNumber(type));
    panel_.setDimmed(Ctl::PartNumber, false);
    auto show = [&](Ctl c, double v) {
        panel_.setReportedValue(c, v);
        panel_.setDimmed(c, false);
    };
    auto showText = [&](Ctl c, const std::string& t) {
        panel_.setText(c, t);
        panel_.setDimmed(c, false);
    };
    showText(Ctl::FirmwareVersion, textOf(r.head.data(), r.head.size()));
    show(Ctl::FRTCGain, r.gain);
    show(Ctl::FRTCOffset, r.offset);
    show(Ctl::FRTCRate, r.sampleRate);
    showText(Ctl::SerialNumber, textOf(r.identification.data(), r.identification.size()));
    show(Ctl::FRTCBinFormat, bit(r.modeFlags, kModeBinary));
    show(Ctl::FRTCSerialOut, bit(r.modeFlags, kModeSerialOut));
    show(Ctl::FRTCAirTempCtrl, bit(r.modeFlags, kModeAirTemperature));
    show(Ctl::SelStaffLength, r.staffLength / 1000.0);
    // A rod up to 5 m on the long-range families, a cable otherwise.
    show(Ctl::SelStaffType, (type == 3 || type == 5) && r.staffLength <= 5000.0f ? 1 : 2);
}

void WiredDisplay::staffOrLogger(int type) {
    const links::PortId port = s_.FRTCConfigMode == 2 ? links::PortId::B : links::PortId::A;
    const links::WiredUnit& unit = receive_.wiredUnit(port);
    const std::span<const std::uint8_t> raw(unit.FRTCRaw);
    // A staff's block with a wrong sum is not shown: its dimmed controls wait for a good one.
    if (hasStaffLayout(type) && !blockChecksumMatches(raw)) return;

    WiredConfig& r = writer_.FRAll;
    r.identification = unit.identification;
    r.staffLength = unit.staffLength;
    decodeBlock(raw, type, r);
    checkCalibration(blockWord(raw, 3), blockWord(raw, 5));
    showCommon(type);
    auto show = [&](Ctl c, double v) {
        panel_.setReportedValue(c, v);
        panel_.setDimmed(c, false);
    };
    if (hasStaffLayout(type)) {
        if (type == 3) {
            show(Ctl::Alarm1Enable, bit(r.alarmFlags, kAlarm1));
            show(Ctl::Alarm2Enable, bit(r.alarmFlags, kAlarm2));
            constexpr Ctl kLevels[] = {Ctl::Alarm1On, Ctl::Alarm1Off, Ctl::Alarm2On,
                                       Ctl::Alarm2Off};
            for (std::size_t i = 0; i < r.alarmLevel.size(); ++i)
                show(kLevels[i], r.alarmLevel[i] / 1000.0);
        }
        show(Ctl::FRTCRunMode, bit(r.modeFlags, kModeSerialSync));
        show(Ctl::FRTTLRunMode, bit(r.modeFlags, kModeTtlSync));
        show(Ctl::FRAnalogOut, bit(r.modeFlags, kModeAnalogOrStart));
    } else {
        if (writer_.TCDeltaRTC == 1) {
            showClockDelta(r.clock());
        } else {
            panel_.defaultCtrl(Ctl::ClockText);
        }
        show(Ctl::SelBurstLength, r.burstLength);
        show(Ctl::SelBurstInterval, r.burstInterval);
        show(Ctl::SelFileInterval, r.fileInterval);
        showClock(r.clock());
        panel_.setDimmed(Ctl::WriteStartTime, false);
        panel_.setDimmed(Ctl::ClockText, false);
        show(Ctl::SelStartMinute, r.startMinute);
        show(Ctl::SelStartHour, r.startHour);
        show(Ctl::SelStartDay, r.startDay);
        show(Ctl::SelStartMonth, r.startMonth);
        // The block keeps two digits; the field shows the year in full, as it does for the
        // radio units, and the write takes the two digits back.
        show(Ctl::SelStartYear, 2000 + r.startYear);
        show(Ctl::EnableStartTime, bit(r.modeFlags, kModeAnalogOrStart));
    }
    finish(type);
}

void WiredDisplay::finish(int type) {
    if (type != 7) {
        for (Ctl c : kCalibrationControls) panel_.setDimmed(c, false);
    }
    // The port being configured says so on the main panel. The synchronizer too: its port
    // would otherwise read "Not Connected" in red beside a configuration tab that shows it
    // connected, since a board being configured does not stream.
    if (s_.FRTCConfigMode == 1 || s_.FRTCConfigMode == 2) {
        const Ctl status = s_.FRTCConfigMode == 1 ? Ctl::PortAStatus : Ctl::PortBStatus;
        panel_.setText(status, "Configure Mode");
        panel_.setTextColor(status, kConfigureMode);
    }
    showConfigConnection(panel_, true);
}

void WiredDisplay::showClock(const platform::CalendarTime& t) {
    const std::pair<Ctl, int> fields[] = {{Ctl::SetYear, t.year},     {Ctl::SetMonth, t.month},
                                          {Ctl::SetDay, t.day},       {Ctl::SetHour, t.hour},
                                          {Ctl::SetMinute, t.minute}, {Ctl::SetSecond, t.second}};
    for (auto [c, v] : fields) {
        panel_.setValue(c, v);
        panel_.setDimmed(c, false);
    }
    for (Ctl c : {Ctl::SetClock, Ctl::ReadClock, Ctl::SyncToPC, Ctl::CompClock})
        panel_.setDimmed(c, false);
}

void WiredDisplay::showClockDelta(const platform::CalendarTime& unit) {
    // The comparison starts at the beginning of a computer second, as the unit's fields do.
    clock_.waitNextSecond();
    const double delta = platform::toAbsTime(unit) - clock_.absNow() + 1.0;
    char text[32];
    std::snprintf(text, sizeof text, "%4.0f", delta);
    panel_.setText(Ctl::ClockText, text);
    panel_.setDimmed(Ctl::ClockText, false);
    writer_.TCDeltaRTC = 0;
}

void WiredDisplay::synchronizer() {
    const links::PortId port = s_.FRTCConfigMode == 2 ? links::PortId::B : links::PortId::A;
    const links::SyncUnitInfo& info = receive_.wiredUnit(port).sync;
    WiredConfig& r = writer_.FRAll;
    r.identification = info.identification;
    r.head = info.head;
    r.sampleRate = static_cast<std::uint8_t>(info.sampleRate);
    r.runMode = info.modeFlag;
    r.timeTagInterval = info.timeTagUnit;
    r.setClock({info.year < 100 ? 2000 + info.year : info.year, info.month, info.day, info.hour,
                info.minute, info.second, 0});

    auto show = [&](Ctl c, double v) {
        panel_.setReportedValue(c, v);
        panel_.setDimmed(c, false);
    };
    panel_.setText(Ctl::SerialNumber, textOf(r.identification.data(), r.identification.size()));
    panel_.setDimmed(Ctl::SerialNumber, false);
    panel_.setText(Ctl::FirmwareVersion, textOf(r.head.data(), r.head.size()));
    panel_.setDimmed(Ctl::FirmwareVersion, false);
    panel_.setText(Ctl::PartNumber, partNumber(7));
    panel_.setDimmed(Ctl::PartNumber, false);
    panel_.setDimmed(Ctl::NewDeviceNum, false);
    show(Ctl::FRTCRate, r.sampleRate);
    show(Ctl::FRTCRunMode, r.runMode);
    show(Ctl::FRSyncTimeTag, r.timeTagInterval);
    // Set Clock sends the fields: they take edits (the board's listing alone would leave them
    // dimmed, and Set Clock could then only send the board's own time back).
    showClock(r.clock());
    if (writer_.TCDeltaRTC == 1) showClockDelta(r.clock());
    finish(7);
}

void WiredDisplay::FRTCConfigRunSelect(platform::Event e) {
    if (e != platform::Event::Commit) return;
    s_.FRTCConfigMode = panel_.intValue(Ctl::FRTCConfigRunSelect);
    switch (s_.FRTCConfigMode) {
        case 1:
            links_.OpenComPortNum = links_.OpenComPortNum_A;
            break;
        case 2:
            links_.OpenComPortNum = links_.OpenComPortNum_B;
            break;
        default:
            // Back to run: the commands and the exit byte go to port A again.
            links_.OpenComPortNum = links_.OpenComPortNum_A;
            showConfigConnection(panel_, false);
            scan_.DimAllConfig();
            scan_.DefaultAllConfig();
            s_.LastConfigStatus = 255;
            s_.ConfigStatus = 0;
            break;
    }
}

}  // namespace config
