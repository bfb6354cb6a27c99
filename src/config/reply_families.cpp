// The reply families beyond the plain reads and writes: calibration, flash card, the data
// logger's addressed replies, and the replies that carry dates, the clock or the battery.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/reply_parser.h"

namespace config {

using platform::Ctl;

namespace {

constexpr int kValue = 4;
constexpr int kAddressedValue = 7;
constexpr double kBatteryWattHours = 280.0;  // two 140 Wh packs
constexpr double kFollowUpWait = 0.01;

constexpr Ctl kTwelvePoint[] = {Ctl::CalPointMeters, Ctl::CalSetMeters, Ctl::CalClearPoint,
                                Ctl::CalClearAll, Ctl::CalTable};

struct CalRow {
    char m;
    Ctl c;
    bool integer;
};
constexpr CalRow kCalValues[] = {
    {'T', Ctl::SelStaffType, true}, {'S', Ctl::SelStaffLength, false},
    {'G', Ctl::SelCalGain, false},  {'O', Ctl::SelCalOffset, false},
    {'L', Ctl::SelLowCalPt, false}, {'H', Ctl::SetHighCalPt, false},
};

const CalRow* calRow(char m) {
    for (const CalRow& r : kCalValues)
        if (r.m == m) return &r;
    return nullptr;
}

// Just above a bound, so that a value equal to it keeps the colour below ("up to").
double above(double v) { return std::nextafter(v, 1e9); }

}  // namespace

void ReplyParser::calReadReply(char m) {
    if (m == 'A') {
        // Twelve values 9 characters apart.
        for (int i = 0; i < 12; ++i) {
            const int pos = kValue + 9 * i;
            char text[32] = "";
            if (pos < length_) std::snprintf(text, sizeof text, "%.4f", realAt(pos));
            panel_.setCell(Ctl::CalTable, i, 0, text);
        }
        for (Ctl c : kTwelvePoint) panel_.setDimmed(c, false);
        if (hooks.shown) hooks.shown(Ctl::CalTable);
        sender_.TxWait() = 0;
        return;
    }
    const CalRow* r = calRow(m);
    if (r == nullptr) return;
    show(r->c, r->integer ? intAt(kValue) : realAt(kValue));
    sender_.TxWait() = 0;
}

void ReplyParser::calWriteReply(bool modeOne, char m) {
    int& TxWait = sender_.TxWait();
    const int v = intAt(kValue);
    if (m == 'T' || m == 'S' || m == 'G' || m == 'O') {
        const CalRow* r = calRow(m);
        if (r->integer) {
            confirm(r->c, v);
        } else {
            confirmReal(r->c, realAt(kValue));
        }
        return;
    }
    switch (m) {
        case 'F':
        case '!':
        case 'X':
        case 'Y': {
            if (v != 1) return;
            const Ctl c = m == 'F'   ? Ctl::SelCalFactory
                          : m == '!' ? Ctl::SaveFactoryValue
                          : m == 'X' ? Ctl::SetAutoCalLow
                                     : Ctl::SetAutoCalHigh;
            panel_.setDimmed(c, false);
            TxWait = 0;
            break;
        }
        case 'P':
        case 'N':
            if (realAt(kValue) != static_cast<float>(panel_.value(Ctl::CalPointMeters))) return;
            // The point is stored: the write is confirmed before the re-read that follows
            // looks for writes still unanswered.
            panel_.setDimmed(m == 'P' ? Ctl::CalSetMeters : Ctl::CalClearPoint, false);
            calibrationPoint();
            s_.ConfigType = modeOne && (session_.UnitType == 1 || session_.UnitType == 2) ? 20 : 17;
            break;
        case 'C':
            if (v != 1) return;
            panel_.setDimmed(Ctl::CalClearAll, false);
            calibrationPoint();
            s_.ConfigType = modeOne && (session_.UnitType == 1 || session_.UnitType == 2) ? 20 : 17;
            break;
        default:
            break;
    }
}

// A calibration point was taken: the scan reads the calibration again from the next step.
void ReplyParser::calibrationPoint() {
    sender_.TxWait() = 0;
    s_.LastConfigStatus = 255;
    s_.ConfigStatus = 2;
}

void ReplyParser::flashReply(char m) {
    int& TxWait = sender_.TxWait();
    const int v = intAt(kValue);
    switch (m) {
        case 'I':
            TxWait = 0;
            if (hooks.takeSizeReply && !hooks.takeSizeReply()) return;
            upload_.UpLoadfileSize = v;
            upload_.UpLoadDiv100Size = v / 100;
            if (hooks.OpenUpLoadFile) hooks.OpenUpLoadFile();
            break;
        case 'F':
            show(Ctl::ActiveFile, v);
            if (v != 0) panel_.setDimmed(Ctl::StartNewFile, false);
            if (v > 1) {
                undim({Ctl::UpLoadFileNumber, Ctl::UpLoadFile});
                panel_.setRange(Ctl::UpLoadFileNumber, panel_.minValue(Ctl::UpLoadFileNumber),
                                v - 1);
            }
            TxWait = 0;
            break;
        case 'O':
            TxWait = 0;
            upload_.UpLoadDLFileOpen = 1;
            if (hooks.UpLoadReadFile) hooks.UpLoadReadFile();
            break;
        case 'R':
        case 'A':
            TxWait = 0;
            if (hooks.UpLoadReadFile) hooks.UpLoadReadFile();
            break;
        case 'C':
            TxWait = 0;
            break;
        default:
            break;
    }
}

void ReplyParser::addressedReply() {
    // "$gPpXX,v": group at 1, "P" at 2, port at 3, mnemonic at 4 and 5.
    const int g = at(1) - '0';
    const int p = at(3) - '0';
    if (at(2) != 'P' || p < 0 || p > 3) return;
    const char op = at(4), m = at(5);
    const bool read = op == 'R';
    if (op != 'R' && op != 'W') return;
    int& TxWait = sender_.TxWait();
    const int v = intAt(kAddressedValue);
    auto reply = [&](Ctl c) {
        if (read) {
            show(c, v);
            TxWait = 0;
        } else {
            confirm(c, v);
        }
    };
    const bool sensorPort = g == 1 || g == 2;
    const int port = (g - 1) * 4 + p;  // panel port less one, for groups 1 and 2
    if (m == 'S') {
        reply(platform::ctlAt(Ctl::DLSampleRateG1, g - 1));
    } else if (sensorPort && m == 'D') {
        reply(platform::ctlAt(Ctl::UnitPortType1, port));
        const int type = panel_.intValue(platform::ctlAt(Ctl::UnitPortType1, port));
        panel_.setVisible(platform::ctlAt(Ctl::UnitPortBaud1, port), type == 6);
        panel_.setVisible(platform::ctlAt(Ctl::DLDeviceLength1, port), type == 3);
    } else if (sensorPort && m == 'B') {
        reply(platform::ctlAt(Ctl::UnitPortBaud1, port));
    } else if (sensorPort && m == 'L') {
        const Ctl table = platform::ctlAt(Ctl::DLDeviceLength1, port);
        auto cell = [&](int row, int pos) {
            char text[32];
            std::snprintf(text, sizeof text, "%g", intAt(pos) / 2.0);  // half-metres
            panel_.setCell(table, row, 0, text);
        };
        if (read) {
            for (int i = 0; i < 6; ++i) cell(i, kAddressedValue + 3 * i);
        } else {
            const int index = at(kAddressedValue) - '0';
            if (index < 0 || index > 5) return;
            cell(index, kAddressedValue + 2);
        }
        panel_.setDimmed(table, false);
        if (hooks.shown) hooks.shown(table);
        TxWait = 0;
    } else if (g == 3 && m == 'X') {
        reply(Ctl::XBeePower);
        if (!read && panel_.intValue(Ctl::XBeePower) == 1) {
            // The radio is on again: read its coordinator's PAN ID.
            TxWait = 1;
            sender_.send(Cmd::ReadLoggerPan, Args::at(3, 0), kFollowUpWait);
        }
    } else if (g == 3 && m == 'E') {
        if (read) {
            const std::string hex(from(kAddressedValue));
            const std::uint64_t id = std::strtoull(hex.c_str(), nullptr, 16);
            panel_.setU64(Ctl::DataLogPanId, id);
            panel_.setDimmed(Ctl::DataLogPanId, false);
            s_.LastDLPANID = id;
            if (hooks.shown) hooks.shown(Ctl::DataLogPanId);
            TxWait = 0;
        } else if (at(6) == '0') {
            // The coordinator took the value sent: it is the one to put back from now on.
            panel_.setDimmed(Ctl::DataLogPanId, false);
            panel_.setDimmed(Ctl::SaveXBPanId, false);
            s_.LastDLPANID = panel_.u64(Ctl::DataLogPanId);
            TxWait = 0;
        }
    } else if (g == 3 && m == 'M' && !read) {
        if (at(6) != '0') return;
        panel_.setDimmed(Ctl::SaveXBPanId, false);
        TxWait = 0;
    } else if (g == 4 && m == 'R') {
        reply(platform::ctlAt(Ctl::AdcRangeCh1, p));
    }
}

void ReplyParser::startTime() {
    // "$RQ,YYYY-MM-DDThh:mm": the start shown is one minute after the unit's.
    int year = intAt(4), month = intAt(9), day = intAt(12), hour = intAt(15), minute = intAt(18);
    if (++minute >= 60) {
        minute = 0;
        ++hour;
    }
    if (hour >= 24) {
        hour = 0;
        ++day;
    }
    if (day > DaysInMonth(year, month)) {
        day = 1;
        ++month;
    }
    if (month > 12) {
        month = 1;
        ++year;
    }
    show(Ctl::SelStartYear, year);
    show(Ctl::SelStartMonth, month);
    show(Ctl::SelStartDay, day);
    show(Ctl::SelStartHour, hour);
    show(Ctl::SelStartMinute, minute);
    panel_.setDimmed(Ctl::WriteStartTime, false);
}

void ReplyParser::clockFields() {
    static constexpr std::pair<Ctl, int> kFields[] = {{Ctl::SetYear, 4},    {Ctl::SetMonth, 9},
                                                      {Ctl::SetDay, 12},    {Ctl::SetHour, 15},
                                                      {Ctl::SetMinute, 18}, {Ctl::SetSecond, 21}};
    for (auto [c, pos] : kFields) show(c, intAt(pos));
    if (s_.EnaAutoSync == 0) undim({Ctl::SetClock, Ctl::ReadClock, Ctl::SyncToPC, Ctl::CompClock});
}

void ReplyParser::compareClock() {
    // The comparison starts at the beginning of a computer second; the time spent waiting for
    // it is taken off.
    const double noted = clock_.processorMs();
    clock_.waitNextSecond();
    const double elapsed = (clock_.processorMs() - noted) / 1000.0;
    const platform::CalendarTime now = clock_.now();
    const double pc = now.hour * 3600.0 + now.minute * 60.0 + now.second;
    const double unit = intAt(15) * 3600.0 + intAt(18) * 60.0 + intAt(21);
    double delta = unit - (pc - elapsed);
    // Across midnight one side has wrapped: the difference is taken within half a day.
    if (delta > 43200.0) delta -= 86400.0;
    if (delta < -43200.0) delta += 86400.0;
    char text[32];
    std::snprintf(text, sizeof text, "%4.2f", delta);
    showText(Ctl::ClockText, text);
}

void ReplyParser::batteryMeter(float v) {
    show(Ctl::BatteryVoltage, v);
    panel_.setDimmed(Ctl::ReadBattery, false);
    if (session_.UnitType == 0 || session_.UnitType == 1) {
        // Battery-powered radio units: the bands of the cells' service life.
        panel_.setRange(Ctl::BatteryVoltage, 2.0, 3.3);
        panel_.setColorRamp(Ctl::BatteryVoltage, {{-1e9, 0xCC0000},
                                                  {above(2.62), 0xFF9933},
                                                  {above(2.67), 0xFFFF00},
                                                  {above(2.73), 0x99FF00},
                                                  {above(2.85), 0x009900}});
        panel_.setLabel(Ctl::BatteryVoltage, "Battery Voltage");
    } else {
        panel_.setRange(Ctl::BatteryVoltage, 0.0, 50.0);
        panel_.setColorRamp(Ctl::BatteryVoltage, {{-1e9, 0xCC0000},
                                                  {above(3.8), 0xFF9933},
                                                  {above(3.92), 0x009900},
                                                  {above(45.0), 0xCC0000}});
        panel_.setLabel(Ctl::BatteryVoltage, " Supply Voltage");
        if (session_.UnitType == 8) show(Ctl::SupplyVoltage, v);
    }
}

void ReplyParser::batteryLife() {
    const float amps = realAt(kValue);
    show(Ctl::BatteryCurrent, amps);
    undim({Ctl::BatteryWatts, Ctl::BatteryDays, Ctl::ReadBatteryCurrent});
    const double watts = amps * panel_.value(Ctl::SupplyVoltage);
    panel_.setValue(Ctl::BatteryWatts, watts);
    // No power drawn (or no supply voltage read yet): no life to compute.
    if (watts > 0) {
        panel_.setValue(Ctl::BatteryDays, kBatteryWattHours / watts / 24.0);
    } else {
        panel_.defaultCtrl(Ctl::BatteryDays);
        panel_.setDimmed(Ctl::BatteryDays, true);
    }
    if (hooks.shown) hooks.shown(Ctl::BatteryDays);
    sender_.TxWait() = 0;
}

void ReplyParser::gpsTime(int v) {
    show(Ctl::EnableGPSTime, v);
    constexpr Ctl kClockButtons[] = {Ctl::SetClock, Ctl::ReadClock, Ctl::SyncToPC, Ctl::CompClock,
                                     Ctl::RtcCal};
    if (v == 1) {
        // GPS keeps the logger's time: no clock setting and no automatic sync.
        for (Ctl c : kClockButtons) panel_.setDimmed(c, true);
        panel_.setDimmed(Ctl::AutoTimeSync, true);
        panel_.setValue(Ctl::AutoTimeSync, 0);
        s_.EnaAutoSync = 0;
        panel_.setVisible(Ctl::GPSTimeIndicator, true);
    } else {
        s_.EnaAutoSync = panel_.intValue(Ctl::AutoTimeSync);
        panel_.setVisible(Ctl::GPSTimeIndicator, false);
        panel_.setDimmed(Ctl::AutoTimeSync, false);
        for (Ctl c : kClockButtons) panel_.setDimmed(c, s_.EnaAutoSync != 0);
    }
}

}  // namespace config
