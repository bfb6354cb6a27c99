#include "config/command_set.h"

#include <cstdio>
#include <cstring>

namespace config {

namespace {

constexpr std::array<CommandSpec, static_cast<std::size_t>(Cmd::Count)> kCommands{{
    {Cmd::Connect, "WZ", Value::Int},
    {Cmd::ReadDeviceNum, "RX", Value::None},
    {Cmd::WriteDeviceNum, "WX", Value::Int},
    {Cmd::ReadPartNumber, "RH", Value::None},
    {Cmd::ReadFirmware, "RK", Value::None},
    {Cmd::ReadSerial, "RD", Value::None},
    {Cmd::WriteSerial, "W\xAA", Value::Text},
    {Cmd::ReadSampleRate, "RS", Value::None},
    {Cmd::WriteSampleRate, "WS", Value::Int},
    {Cmd::ReadBurstLength, "RL", Value::None},
    {Cmd::WriteBurstLength, "WL", Value::Int},
    {Cmd::ReadBurstInterval, "RI", Value::None},
    {Cmd::WriteBurstInterval, "WI", Value::Int},
    {Cmd::ReadFileInterval, "RN", Value::None},
    {Cmd::WriteFileInterval, "WN", Value::Int},
    {Cmd::ReadFilter, "RF", Value::None},
    {Cmd::WriteFilter, "WF", Value::Int},
    {Cmd::ReadDataFormat, "RO", Value::None},
    {Cmd::WriteDataFormat, "WO", Value::Int},
    {Cmd::ReadStartSwitch, "RR", Value::None},
    {Cmd::WriteStartSwitch, "WR", Value::Int},
    {Cmd::ReadStartTime, "RQ", Value::None},
    {Cmd::WriteStartTime, "WQ", Value::Minutes},
    {Cmd::ReadClock, "RT", Value::None},
    {Cmd::WriteClock, "WT", Value::Seconds},
    {Cmd::CompareClock, "RZ", Value::None},
    {Cmd::ReadClockCal, "RC", Value::None},
    {Cmd::WriteClockCal, "WC", Value::Int},
    {Cmd::ReadPower, "RP", Value::None},
    {Cmd::WritePower, "WP", Value::Int},
    {Cmd::ReadVoltage, "RV", Value::None},
    {Cmd::ReadCurrentMode, "RW", Value::None},
    {Cmd::WriteCurrentMode, "WW", Value::Int},
    {Cmd::ReadHighTrip, "RG", Value::None},
    {Cmd::WriteHighTrip, "WG", Value::Int},
    {Cmd::ReadLowTrip, "RU", Value::None},
    {Cmd::WriteLowTrip, "WU", Value::Int},
    {Cmd::ReadDeadZone, "RY", Value::None},
    {Cmd::WriteDeadZone, "WY", Value::Int},
    {Cmd::ReadGpsTime, "RJ", Value::None},
    {Cmd::WriteGpsTime, "WJ", Value::Int},
    {Cmd::ReadStreaming, "RB", Value::None},
    {Cmd::WriteStreaming, "WB", Value::Int},
    {Cmd::ReadComPower, "RM", Value::None},
    {Cmd::WriteComPower, "WM", Value::Int},
    {Cmd::ReadBatteryCurrent, "RE", Value::None},
    {Cmd::LinkBluetooth, "LB", Value::None},
    {Cmd::BroadcastPower, "BP", Value::Int},
    {Cmd::TimeSync, "ZS", Value::Sync},
    {Cmd::ReadActiveFile, "OF", Value::None},
    {Cmd::StartNewFile, "ON", Value::None},
    {Cmd::ReadFileSize, "OI", Value::Int4},
    {Cmd::OpenFile, "OO", Value::Int4},
    {Cmd::ReadBlock, "OR", Value::None},
    {Cmd::RepeatBlock, "OA", Value::None},
    {Cmd::CloseFile, "OC", Value::None},
    {Cmd::ReadGroupRate, "RS", Value::None, true},
    {Cmd::WriteGroupRate, "WS", Value::Int, true},
    {Cmd::ReadPortType, "RD", Value::None, true},
    {Cmd::WritePortType, "WD", Value::Int, true},
    {Cmd::ReadPortBaud, "RB", Value::None, true},
    {Cmd::WritePortBaud, "WB", Value::Int, true},
    {Cmd::ReadPortLengths, "RL", Value::None, true},
    {Cmd::WritePortLength, "WL", Value::IntPair, true},
    {Cmd::ReadRadioPower, "RX", Value::None, true},
    {Cmd::WriteRadioPower, "WX", Value::Int, true},
    {Cmd::ReadLoggerPan, "RE", Value::None, true},
    // The one command that ends with line feed first.
    {Cmd::WriteLoggerPan, "WE", Value::Hex16, true, "\n\r"},
    {Cmd::ReadAdcRange, "RR", Value::None, true},
    {Cmd::WriteAdcRange, "WR", Value::Int, true},
}};

constexpr std::array<CalSpec, static_cast<std::size_t>(Cal::Count)> kCal{{
    {Cal::StaffType, "GT", "TT", "FT", "ST", Value::Int},
    {Cal::StaffLength, "GS", "TS", "FS", "SS", Value::Fixed3},
    {Cal::Gain, "GG", "TG", "FG", "SG", Value::Fixed3},
    {Cal::Offset, "GO", "TO", "FO", "SO", Value::Fixed3},
    {Cal::LowPoint, "GL", "TL", "FX", "SX", Value::Fixed3},
    {Cal::HighPoint, "GH", "TH", "FY", "SY", Value::Fixed3},
    {Cal::Table, "GA", "TA", "", "", Value::None},
    {Cal::AddPoint, "", "", "FP", "SP", Value::Fixed4},
    {Cal::ClearPoint, "", "", "FN", "SN", Value::Fixed4},
    {Cal::ClearAll, "", "", "FC", "SC", Value::Int},
    {Cal::Factory, "", "", "FF", "SF", Value::Int},
    {Cal::SaveFactory, "", "", "F!", "S!", Value::Int},
}};

constexpr bool inOrder() {
    for (std::size_t i = 0; i < kCommands.size(); ++i)
        if (static_cast<std::size_t>(kCommands[i].id) != i) return false;
    for (std::size_t i = 0; i < kCal.size(); ++i)
        if (static_cast<std::size_t>(kCal[i].id) != i) return false;
    return true;
}
static_assert(inOrder(), "command rows must follow the order of their ids");

// Settle and closing waits: the synchronizer's menu needs them to take a line.
constexpr std::array<MenuSpec, 4> kMenu{{
    {MenuCmd::Rate, 'f', 0.0, 0.1, 0.6},
    {MenuCmd::RunMode, 'm', 0.0, 0.2, 0.6},
    {MenuCmd::TimeTag, 't', 0.2, 0.2, 0.6},
    {MenuCmd::Clock, 's', 0.0, 0.2, 0.4},
}};

// Appends to buf at *len, never past its end; the result stays NUL-terminated.
void append(TxBuffer& buf, int& len, std::string_view s) {
    for (char c : s) {
        if (len + 1 >= static_cast<int>(buf.size())) break;
        buf[static_cast<std::size_t>(len++)] = c;
    }
    buf[static_cast<std::size_t>(len)] = '\0';
}

// The value part of a command, as printed by its format.
void appendValue(TxBuffer& buf, int& len, Value v, const Args& a) {
    char text[96];
    const auto& n = a.n;
    switch (v) {
        case Value::None:
            return;
        case Value::Int:
            std::snprintf(text, sizeof text, ",%i", n[0]);
            break;
        case Value::Int4:
            std::snprintf(text, sizeof text, ",%04i", n[0]);
            break;
        case Value::IntPair:
            std::snprintf(text, sizeof text, ",%i,%i", n[0], n[1]);
            break;
        case Value::Fixed3:
            std::snprintf(text, sizeof text, ",%.3f", a.x);
            break;
        case Value::Fixed4:
            std::snprintf(text, sizeof text, ",%.4f", a.x);
            break;
        case Value::Text:
            append(buf, len, ",");
            append(buf, len, a.text);
            return;
        case Value::Minutes:
            std::snprintf(text, sizeof text, ",%02i-%02i-%02iT%02i:%02i", n[0], n[1], n[2], n[3],
                          n[4]);
            break;
        case Value::Seconds:
            std::snprintf(text, sizeof text, ",%02i-%02i-%02iT%02i:%02i:%02i", n[0], n[1], n[2],
                          n[3], n[4], n[5]);
            break;
        case Value::Sync:
            std::snprintf(text, sizeof text, ",%02i-%02i-%02iT%02i%c%02i%c%02i.%03i", n[0], n[1],
                          n[2], n[3], a.sep1, n[4], a.sep2, n[5], a.ms);
            break;
        case Value::Hex16:
            std::snprintf(text, sizeof text, ",%016llX", static_cast<unsigned long long>(a.hex));
            break;
    }
    append(buf, len, text);
}

int finish(TxBuffer& buf, std::string_view prefix, std::string_view mnemonic, Value v,
           const Args& a, std::string_view ending) {
    int len = 0;
    buf[0] = '\0';
    append(buf, len, prefix);
    append(buf, len, mnemonic);
    appendValue(buf, len, v, a);
    append(buf, len, ending);
    return len;
}

}  // namespace

const CommandSpec& commandSpec(Cmd c) { return kCommands[static_cast<std::size_t>(c)]; }
const CalSpec& calSpec(Cal c) { return kCal[static_cast<std::size_t>(c)]; }
const MenuSpec& menuSpec(MenuCmd c) { return kMenu[static_cast<std::size_t>(c)]; }

int formatCommand(TxBuffer& buf, Cmd c, const Args& a) {
    const CommandSpec& s = commandSpec(c);
    char prefix[8] = "";
    if (s.addressed) {
        std::snprintf(prefix, sizeof prefix, "#%iP%i", a.group % 10, a.port % 10);
    }
    return finish(buf, prefix, s.mnemonic, s.value, a, s.ending);
}

int formatCalRead(TxBuffer& buf, Cal c, int currentMode) {
    const CalSpec& s = calSpec(c);
    return finish(buf, "", currentMode == 1 ? s.readMode1 : s.readOther, Value::None, {}, "\r\n");
}

int formatCalWrite(TxBuffer& buf, Cal c, int currentMode, const Args& a) {
    const CalSpec& s = calSpec(c);
    return finish(buf, "", currentMode == 1 ? s.writeMode1 : s.writeOther, s.value, a, "\r\n");
}

int formatMenuLine(TxBuffer& buf, MenuCmd c, const std::array<int, 6>& a) {
    char text[64];
    switch (c) {
        case MenuCmd::Rate:
            std::snprintf(text, sizeof text, "%i", a[0]);
            break;
        case MenuCmd::RunMode:
            std::snprintf(text, sizeof text, "%s", a[0] != 0 ? "command" : "freerun");
            break;
        case MenuCmd::TimeTag: {
            static constexpr const char* kTags[] = {"none", "min", "hour", "day"};
            std::snprintf(text, sizeof text, "%s", kTags[a[0] >= 1 && a[0] <= 3 ? a[0] : 0]);
            break;
        }
        case MenuCmd::Clock:
            std::snprintf(text, sizeof text, "%02i-%02i-%02i %02i:%02i:%02i", a[0], a[1], a[2],
                          a[3], a[4], a[5]);
            break;
    }
    return finish(buf, "", text, Value::None, {}, "\n\r");
}

}  // namespace config
