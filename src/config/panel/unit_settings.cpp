#include "config/panel/unit_settings.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/control_table.h"
#include "platform/entry_hint.h"

namespace config {

using platform::Ctl;
using platform::Event;

namespace {

// The data logger's switches and its radio report 1 for on and 2 for off.
constexpr int kOn = 1;
constexpr int kOff = 2;
constexpr int kAsciiOneSample = 4;  // data format: one "C" text per sample
constexpr int kAsciiOneSampleMaxRate = 8;
constexpr int kSerialSensor = 6;  // a logger port type that uses the port's baud rate
constexpr int kStaffSensor = 3;   // a logger port type with a staff-length table
constexpr platform::Rgb kStaffLengthColor = platform::kGreenConnected;

// Streaming output n (bit n) is sent only while its communication power is on; outputs 1
// and 4 have power of their own. Index: streaming switch, value: its com-power switch.
constexpr Ctl kNoPower = Ctl::StreamingData1;
constexpr std::array<Ctl, 6> kStreamingPower{kNoPower, Ctl::ComPower1, Ctl::ComPower2,
                                             kNoPower, Ctl::ComPower4, Ctl::ComPower5};

constexpr Ctl kSingles[] = {
    Ctl::NewDeviceNum,    Ctl::SaveSerialNumber, Ctl::SelSampleRate,    Ctl::SelDataFormat,
    Ctl::AntiAliasFilter, Ctl::SelBurstLength,   Ctl::SelBurstInterval, Ctl::SelFileInterval,
    Ctl::EnablePower,     Ctl::SelStaffType,     Ctl::SelStaffLength,   Ctl::Link2BlueTooth,
    Ctl::ComPower1,       Ctl::ComPower2,        Ctl::XBeePower,
};
// Numbered families: first member and count.
constexpr std::pair<Ctl, int> kFamilies[] = {
    {Ctl::AdcRangeCh1, 4},   {Ctl::StreamingData1, 6}, {Ctl::DLSampleRateG1, 4},
    {Ctl::UnitPortType1, 8}, {Ctl::UnitPortBaud1, 8},  {Ctl::DLDeviceLength1, 8},
};

// Index of c within the family that starts at first and has n members; -1 outside it.
int member(Ctl c, Ctl first, int n) {
    const int i = platform::ctlIndex(c) - platform::ctlIndex(first);
    return i >= 0 && i < n ? i : -1;
}

// What the operator calls a control in a message: its caption and the frame it stands in.
std::string nameOf(Ctl c) {
    const platform::ControlSpec& spec = platform::controlSpec(c);
    std::string name(spec.caption);
    if (!spec.frame.empty()) name += " (" + std::string(spec.frame) + ")";
    return name;
}

constexpr std::string_view kBurstLengthWired =
    "The time in minutes that samples are collected before the unit sleeps; 0 samples\n"
    "continuously. It must be at least 1 minute less than the burst interval.";
constexpr std::string_view kBurstIntervalWired =
    "The time in minutes from the start of one burst to the start of the next; 1 minute\n"
    "greater than the burst length.";
constexpr std::string_view kStaffLengthWired =
    "Change the staff length, then press Set Default Values.\n"
    "The present calibration values are lost.";
constexpr std::string_view kBluetoothQuestion =
    "The data logger's RS232 port will be linked straight to its Microchip RN4677 Bluetooth\n"
    "module. Afterwards disconnect this program and use a terminal program at 115K baud.\n\n"
    "Are you sure you want to exit this program and Link to the Bluetooth Module?";

}  // namespace

UnitSettings::UnitSettings(platform::Panel& panel, platform::Dialogs& dialogs,
                           platform::Session& session, ConfigState& state, CommandSender& sender)
    : panel_(panel), dialogs_(dialogs), session_(session), s_(state), sender_(sender) {}

std::span<const Ctl> UnitSettings::controls() {
    static const std::vector<Ctl> all = [] {
        std::vector<Ctl> v(std::begin(kSingles), std::end(kSingles));
        for (auto [first, n] : kFamilies)
            for (int i = 0; i < n; ++i) v.push_back(platform::ctlAt(first, i));
        return v;
    }();
    return all;
}

bool UnitSettings::radio() const {
    const int t = session_.UnitType;
    return t == 0 || t == 1 || t == 2;
}

void UnitSettings::event(Ctl c, Event e, const platform::EventData& d) {
    if (int i = member(c, Ctl::UnitPortType1, 8); i >= 0) {
        if (e == Event::Commit) portType(i);
        return;
    }
    if (int i = member(c, Ctl::UnitPortBaud1, 8); i >= 0) {
        if (e == Event::Commit)
            sender_.write(c, Cmd::WritePortBaud, Args::at(portGroup(i), i % 4, panel_.intValue(c)));
        return;
    }
    if (int i = member(c, Ctl::DLDeviceLength1, 8); i >= 0) {
        if (e == Event::Commit) portLength(i, d.data1);
        return;
    }
    if (int g = member(c, Ctl::DLSampleRateG1, 4); g >= 0) {
        if (e == Event::Commit) groupRate(g + 1);
        return;
    }
    if (int ch = member(c, Ctl::AdcRangeCh1, 4); ch >= 0) {
        if (e == Event::Commit)
            sender_.write(c, Cmd::WriteAdcRange, Args::at(4, ch, panel_.intValue(c)));
        return;
    }
    if (member(c, Ctl::StreamingData1, 6) >= 0) {
        if (e == Event::Commit) Streaming_Data();
        return;
    }
    switch (c) {
        case Ctl::NewDeviceNum:
            NewDeviceNum(e);
            break;
        case Ctl::SelBurstLength:
            radioOrWired(c, e, Cmd::WriteBurstLength, true);
            break;
        case Ctl::SelBurstInterval:
            radioOrWired(c, e, Cmd::WriteBurstInterval, true);
            break;
        case Ctl::SelFileInterval:
            SelFileInterval(e);
            break;
        case Ctl::SelStaffType:
            SelStaffType(e);
            break;
        case Ctl::SelStaffLength:
            SelStaffLength(e);
            break;
        default:
            break;
    }
    if (e != Event::Commit) return;
    switch (c) {
        case Ctl::SaveSerialNumber:
            SaveSerialNumber();
            break;
        case Ctl::SelSampleRate:
            SelSampleRate();
            break;
        case Ctl::SelDataFormat:
            SelDataFormat();
            break;
        case Ctl::AntiAliasFilter:
            sender_.write(c, Cmd::WriteFilter, Args::of(panel_.intValue(c)));
            break;
        case Ctl::EnablePower:
            sender_.write(c, Cmd::WritePower, Args::of(panel_.intValue(c)));
            break;
        case Ctl::Link2BlueTooth:
            Link2BlueTooth();
            break;
        case Ctl::ComPower1:
        case Ctl::ComPower2:
            Com_Power();
            break;
        case Ctl::XBeePower:
            XBeePower();
            break;
        default:
            break;
    }
}

void UnitSettings::NewDeviceNum(Event e) {
    platform::followEntryHint(panel_, Ctl::NewDeviceNum, e);
    if (e != Event::Commit) return;
    if (!radio()) {
        // Wired units and the data logger have preset numbers.
        panel_.setValue(Ctl::NewDeviceNum, 1);
        return;
    }
    sender_.write(Ctl::NewDeviceNum, Cmd::WriteDeviceNum,
                  Args::of(panel_.intValue(Ctl::NewDeviceNum)));
}

void UnitSettings::SaveSerialNumber() {
    const std::string serial = panel_.text(Ctl::SaveSerialNumber);
    // A longer one would be cut, and sent without its line end.
    if (static_cast<int>(serial.size()) > kMaxSerialLength) {
        dialogs_.message("SERIAL NUMBER TOO LONG",
                         "A serial number has at most " + std::to_string(kMaxSerialLength) +
                             " characters; this one has " + std::to_string(serial.size()) +
                             ".\nIt was not sent.");
        return;
    }
    Args a;
    a.text = serial;
    sender_.write(Ctl::SaveSerialNumber, Cmd::WriteSerial, a);
}

void UnitSettings::SelSampleRate() {
    sender_.awaitConfirmation(Ctl::SelSampleRate);
    int rate = panel_.intValue(Ctl::SelSampleRate);
    if (panel_.intValue(Ctl::SelDataFormat) == kAsciiOneSample && rate > kAsciiOneSampleMaxRate) {
        rate = kAsciiOneSampleMaxRate;
        panel_.setValue(Ctl::SelSampleRate, rate);
    }
    // Cleared while the unit's answer is awaited: the reply shows the unit's rate.
    panel_.setValue(Ctl::SelSampleRate, 0);
    sender_.send(Cmd::WriteSampleRate, Args::of(rate));
}

void UnitSettings::SelDataFormat() {
    const int format = panel_.intValue(Ctl::SelDataFormat);
    if (format == kAsciiOneSample && panel_.intValue(Ctl::SelSampleRate) > kAsciiOneSampleMaxRate) {
        panel_.setValue(Ctl::SelDataFormat, s_.LastDataFormat);
        dialogs_.message("ASCII 1 SAMPLE RATE LIMIT",
                         "The ASCII  1 Sample Format maximun Sample Rate is 8 Hz.\nLower the "
                         "Sample rate to 8 or less to select this\none sample per RF measage "
                         "mode.");
        return;
    }
    sender_.write(Ctl::SelDataFormat, Cmd::WriteDataFormat, Args::of(format));
}

void UnitSettings::radioOrWired(Ctl c, Event e, Cmd write, bool logger) {
    if (radio() || (logger && session_.UnitType == 8)) {
        platform::followEntryHint(panel_, c, e);
        if (e == Event::Commit) sender_.write(c, write, Args::of(panel_.intValue(c)));
    } else if (platform::isWiredType(session_.UnitType) && hooks.wiredSetting) {
        hooks.wiredSetting(c, e);
    }
}

void UnitSettings::SelFileInterval(Event e) {
    const int t = session_.UnitType;
    if (t == 8) {
        platform::followEntryHint(panel_, Ctl::SelFileInterval, e);
        if (e == Event::Commit)
            sender_.write(Ctl::SelFileInterval, Cmd::WriteFileInterval,
                          Args::of(panel_.intValue(Ctl::SelFileInterval)));
    } else if ((t == 5 || t == 6 || t == 9) && hooks.wiredSetting) {
        hooks.wiredSetting(Ctl::SelFileInterval, e);
    }
}

void UnitSettings::SelStaffType(Event e) {
    if (e != Event::Commit) return;
    switch (session_.UnitType) {
        case 0: {
            const int mode = panel_.intValue(Ctl::SelCurrentMode);
            sender_.writeCal(Ctl::SelStaffType, Cal::StaffType, mode,
                             Args::of(panel_.intValue(Ctl::SelStaffType)));
            break;
        }
        case 1:
        case 2:
            panel_.setValue(Ctl::SelStaffType, 3);  // sonic
            break;
        case 3:
            // Rod or cable follows the staff length of the wired block.
            if (hooks.wiredSetting) hooks.wiredSetting(Ctl::SelStaffType, e);
            break;
        default:
            panel_.setValue(Ctl::SelStaffType, 2);
            break;
    }
}

void UnitSettings::SelStaffLength(Event e) {
    if (!radio()) {
        if (platform::isWiredType(session_.UnitType) && hooks.wiredSetting)
            hooks.wiredSetting(Ctl::SelStaffLength, e);
        return;
    }
    // The staff length shows in green while it is not being edited.
    platform::followEntryHint(panel_, Ctl::SelStaffLength, e);
    if (e == Event::KeyPress) return;
    panel_.setTextColor(Ctl::SelStaffLength, kStaffLengthColor);
    if (e != Event::Commit) return;
    sender_.writeCal(Ctl::SelStaffLength, Cal::StaffLength, panel_.intValue(Ctl::SelCurrentMode),
                     Args::real(panel_.value(Ctl::SelStaffLength)));
}

void UnitSettings::Link2BlueTooth() {
    if (!dialogs_.confirm("LINK TO BLUETOOTH MODULE?", kBluetoothQuestion)) return;
    sender_.send(Cmd::LinkBluetooth);
}

void UnitSettings::Streaming_Data() {
    int value = 0;
    for (int i = 0; i < 6; ++i) {
        const Ctl sw = platform::ctlAt(Ctl::StreamingData1, i);
        sender_.awaitConfirmation(sw);
        if (panel_.intValue(sw) != kOn) continue;
        const Ctl power = kStreamingPower[static_cast<std::size_t>(i)];
        if (power == kNoPower || panel_.intValue(power) == kOn) value += 1 << i;
    }
    sender_.send(Cmd::WriteStreaming, Args::of(value));
}

void UnitSettings::Com_Power() {
    // The write carries only the two switches the operator can change: bits 1 and 2.
    sender_.awaitConfirmation(Ctl::ComPower1);
    sender_.awaitConfirmation(Ctl::ComPower2);
    const int value = (panel_.intValue(Ctl::ComPower1) == kOn ? 2 : 0) +
                      (panel_.intValue(Ctl::ComPower2) == kOn ? 4 : 0);
    sender_.send(Cmd::WriteComPower, Args::of(value));
}

void UnitSettings::groupRate(int group) {
    const Ctl ring = platform::ctlAt(Ctl::DLSampleRateG1, group - 1);
    sender_.awaitConfirmation(ring);
    const int rate = panel_.intValue(ring);
    panel_.setValue(ring, 0);
    sender_.send(Cmd::WriteGroupRate, Args::at(group, 0, rate));
}

void UnitSettings::portType(int port) {
    const Ctl ring = platform::ctlAt(Ctl::UnitPortType1, port);
    sender_.awaitConfirmation(ring);
    const int type = panel_.intValue(ring);
    panel_.setVisible(platform::ctlAt(Ctl::UnitPortBaud1, port), type == kSerialSensor);
    panel_.setVisible(platform::ctlAt(Ctl::DLDeviceLength1, port), type == kStaffSensor);
    sender_.send(Cmd::WritePortType, Args::at(portGroup(port), port % 4, type));
}

namespace {
constexpr double kLongestLoggerStaff = 49.5;  // metres: 99 half-metres
}  // namespace

void UnitSettings::portLength(int port, int row) {
    const Ctl table = platform::ctlAt(Ctl::DLDeviceLength1, port);
    if (row < 0 || row > 5) return;
    // The logger keeps half-metres in two digits: 0 to 49.5 m. Anything else (no number, a
    // negative or huge one) is refused, and the table shows again what the logger holds.
    const std::string text = panel_.cell(table, row, 0);
    char* end = nullptr;
    const double metres = std::strtod(text.c_str(), &end);
    const bool blanksAfter =
        end && std::string_view(end).find_first_not_of(" \t") == std::string_view::npos;
    if (end == text.c_str() || !blanksAfter || !(metres >= 0 && metres <= kLongestLoggerStaff)) {
        dialogs_.message("STAFF LENGTH", "A staff length is a number of metres from 0 to 49.5; \"" +
                                             text + "\" was not sent.");
        sender_.send(Cmd::ReadPortLengths, Args::at(portGroup(port), port % 4), 0);
        return;
    }
    sender_.awaitConfirmation(table);
    // The logger keeps half-metres: the length times 2, truncated.
    Args a = Args::at(portGroup(port), port % 4, row);
    a.n[1] = static_cast<int>(metres * 2);
    sender_.send(Cmd::WritePortLength, a);
}

void UnitSettings::XBeePower() {
    const int power = panel_.intValue(Ctl::XBeePower);
    if (power == kOff) {
        // With its radio off the logger's coordinator has no PAN ID to show or change.
        panel_.setDimmed(Ctl::DataLogPanId, true);
        panel_.defaultCtrl(Ctl::DataLogPanId);
    }
    sender_.write(Ctl::XBeePower, Cmd::WriteRadioPower, Args::at(3, 0, power));
}

bool UnitSettings::showHelp(Ctl c) {
    const int t = session_.UnitType;
    const bool wired = platform::isWiredType(t);
    if (member(c, Ctl::UnitPortType1, 8) >= 0) {
        // The port types are the data logger's business: other types show nothing.
        return !(radio() || t == 8);
    }
    if (!wired) return false;
    switch (c) {
        case Ctl::SelBurstLength:
            dialogs_.message("BURST LENGTH", kBurstLengthWired);
            return true;
        case Ctl::SelBurstInterval:
            dialogs_.message("BURST INTERVAL", kBurstIntervalWired);
            return true;
        case Ctl::SelStaffLength:
            dialogs_.message("STAFF LENGTH", kStaffLengthWired);
            return true;
        default:
            return false;
    }
}

void UnitSettings::reportUnconfirmed(const std::vector<Ctl>& controls, bool gaveUp) {
    std::string names;
    for (Ctl c : controls) {
        names += "\n  " + nameOf(c);
        panel_.setDimmed(c, false);
    }
    dialogs_.message(
        "SETTING NOT CONFIRMED",
        (gaveUp ? "The unit did not answer after " + std::to_string(kMaxSends) + " sends:"
                : std::string("Another command was sent before the unit answered:")) +
            names +
            "\n\nThe unit may not hold the value shown. Send it again, or press "
            "Re-scan to read what the unit holds.");
}

}  // namespace config
