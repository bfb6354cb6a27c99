#include "sim/radio_commands.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/radio_unit.h"

namespace sim {

namespace {

// Unit types that take a command, one bit per type.
using TypeMask = unsigned;
constexpr TypeMask bit(int type) { return 1u << type; }
constexpr TypeMask kStaff = bit(0);
constexpr TypeMask kSonic = bit(1) | bit(2);
constexpr TypeMask kStaffs = kStaff | kSonic;
constexpr TypeMask kLogger = bit(8);
constexpr TypeMask kAll = kStaffs | kLogger;

enum class Op {
    Connect, ReadInt, WriteInt, ReadText, ReadReal, WriteSerial, WriteRate, WriteFormat,
    WritePower, WriteComPower, ReadClock, WriteClock, ReadStart, WriteStart, ReadClockCal,
    WriteClockCal, Sync, Broadcast, Silent,
    CalReadInt, CalWriteInt, CalReadReal, CalWriteReal, CalWriteLow, CalWriteHigh, CalTable,
    CalAddPoint, CalClearPoint, CalClearAll, CalFactory, CalSaveFactory,
};

struct Row {
    std::string_view mnemonic;
    TypeMask types;
    Op op;
    int RadioSettings::*intField = nullptr;
    std::string RadioSettings::*textField = nullptr;
    double RadioSettings::*realField = nullptr;
    int Calibration::*calInt = nullptr;
    double Calibration::*calReal = nullptr;
    int set = 0;  // calibration set: 0 current mode 1 ("F"/"G"), 1 the other mode ("S"/"T")
    int min = 0;
    int max = 0;
    int decimals = 3;
};

using S = RadioSettings;
using C = Calibration;

constexpr Row plain(std::string_view m, TypeMask t, Op op) { return Row{m, t, op}; }
Row ints(std::string_view m, TypeMask t, Op op, int S::*f, int min = 0, int max = 0) {
    Row r{m, t, op};
    r.intField = f;
    r.min = min;
    r.max = max;
    return r;
}
Row text(std::string_view m, std::string S::*f) {
    Row r{m, kAll, Op::ReadText};
    r.textField = f;
    return r;
}
Row real(std::string_view m, TypeMask t, double S::*f, int decimals) {
    Row r{m, t, Op::ReadReal};
    r.realField = f;
    r.decimals = decimals;
    return r;
}
Row limits(Row r, int min, int max) {
    r.min = min;
    r.max = max;
    return r;
}
Row cal(std::string_view m, Op op, int set, int C::*i = nullptr, double C::*d = nullptr) {
    Row r{m, kStaffs, op};
    r.calInt = i;
    r.calReal = d;
    r.set = set;
    r.min = 1;
    r.max = 3;
    return r;
}

// The calibration commands of one current mode: reads start with letter r, writes with w.
#define FATHOM_CAL_ROWS(r, w, s)                                                             \
    cal(r "T", Op::CalReadInt, s, &C::staffType), cal(w "T", Op::CalWriteInt, s, &C::staffType), \
        cal(r "S", Op::CalReadReal, s, nullptr, &C::staffLength),                            \
        cal(w "S", Op::CalWriteReal, s, nullptr, &C::staffLength),                           \
        cal(r "G", Op::CalReadReal, s, nullptr, &C::gain),                                   \
        cal(w "G", Op::CalWriteReal, s, nullptr, &C::gain),                                  \
        cal(r "O", Op::CalReadReal, s, nullptr, &C::offset),                                 \
        cal(w "O", Op::CalWriteReal, s, nullptr, &C::offset),                                \
        cal(r "L", Op::CalReadReal, s, nullptr, &C::lowPoint), cal(w "X", Op::CalWriteLow, s), \
        cal(r "H", Op::CalReadReal, s, nullptr, &C::highPoint), cal(w "Y", Op::CalWriteHigh, s), \
        cal(r "A", Op::CalTable, s), cal(w "P", Op::CalAddPoint, s),                         \
        cal(w "N", Op::CalClearPoint, s), cal(w "C", Op::CalClearAll, s),                    \
        cal(w "F", Op::CalFactory, s), cal(w "!", Op::CalSaveFactory, s)

// The command set the radio units answer.
const auto kCommands = std::to_array<Row>({
    plain("WZ", kStaffs, Op::Connect),
    ints("RX", kAll, Op::ReadInt, &S::deviceNumber),
    ints("WX", kStaffs, Op::WriteInt, &S::deviceNumber, 1, 255),
    text("RH", &S::partNumber),
    text("RK", &S::firmware),
    text("RD", &S::serialNumber),
    plain("W\xAA", kStaffs, Op::WriteSerial),
    ints("RS", kStaffs, Op::ReadInt, &S::sampleRate),
    limits(plain("WS", kStaffs, Op::WriteRate), 1, 32),
    ints("RL", kAll, Op::ReadInt, &S::burstLength),
    ints("WL", kAll, Op::WriteInt, &S::burstLength, 0, 1440),
    ints("RI", kAll, Op::ReadInt, &S::burstInterval),
    ints("WI", kAll, Op::WriteInt, &S::burstInterval, 0, 1440),
    ints("RN", kLogger, Op::ReadInt, &S::fileInterval),
    ints("WN", kLogger, Op::WriteInt, &S::fileInterval, 1, 99),
    ints("RF", kStaffs, Op::ReadInt, &S::filter),
    ints("WF", kStaffs, Op::WriteInt, &S::filter, 0, 1),
    ints("RO", kStaffs, Op::ReadInt, &S::dataFormat),
    plain("WO", kStaffs, Op::WriteFormat),
    ints("RR", kAll, Op::ReadInt, &S::startTimeSwitch),
    ints("WR", kAll, Op::WriteInt, &S::startTimeSwitch, 0, 1),
    plain("RQ", kAll, Op::ReadStart),
    plain("WQ", kAll, Op::WriteStart),
    plain("RT", kAll, Op::ReadClock),
    plain("WT", kAll, Op::WriteClock),
    plain("RZ", kAll, Op::ReadClock),
    plain("RC", kStaffs, Op::ReadClockCal),
    limits(plain("WC", kStaffs, Op::WriteClockCal), -512, 511),
    ints("RP", kStaffs, Op::ReadInt, &S::power),
    plain("WP", kStaffs, Op::WritePower),
    real("RV", kAll, &S::batteryVoltage, 2),
    ints("RW", kStaff, Op::ReadInt, &S::currentMode),
    ints("WW", kStaff, Op::WriteInt, &S::currentMode, 1, 2),
    ints("RG", kSonic, Op::ReadInt, &S::highTrip),
    ints("WG", kSonic, Op::WriteInt, &S::highTrip, 0, 5000),
    ints("RU", kSonic, Op::ReadInt, &S::lowTrip),
    ints("WU", kSonic, Op::WriteInt, &S::lowTrip, 0, 5000),
    ints("RY", kSonic, Op::ReadInt, &S::deadZone),
    ints("WY", kSonic, Op::WriteInt, &S::deadZone, 0, 3000),
    ints("RJ", kLogger, Op::ReadInt, &S::gpsTime),
    ints("WJ", kLogger, Op::WriteInt, &S::gpsTime, 0, 1),
    ints("RB", kLogger, Op::ReadInt, &S::streaming),
    ints("WB", kLogger, Op::WriteInt, &S::streaming, 0, 63),
    ints("RM", kLogger, Op::ReadInt, &S::comPower),
    plain("WM", kLogger, Op::WriteComPower),
    real("RE", kLogger, &S::batteryCurrent, 3),
    plain("LB", kLogger, Op::Silent),
    plain("ZS", kAll, Op::Sync),
    plain("BP", kAll, Op::Broadcast),
    FATHOM_CAL_ROWS("G", "F", 0),
    FATHOM_CAL_ROWS("T", "S", 1),
});
#undef FATHOM_CAL_ROWS

std::string fixed(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

int toInt(std::string_view v) { return std::atoi(std::string(v).c_str()); }
double toReal(std::string_view v) { return std::atof(std::string(v).c_str()); }

bool samePoint(double a, double b) { return std::fabs(a - b) < 0.00005; }

// Parses "yy-mm-ddThh?mm?ss.ttt": the separators carry the host's burst phase and are not
// checked; ttt is the time, in 1/128 s, until the named second begins.
bool parseSync(std::string_view v, platform::AbsTime& second, int& ticks) {
    if (v.size() < 21 || v[8] != 'T' || v[17] != '.') return false;
    std::string normal(v.substr(0, 17));
    normal[11] = ':';
    normal[14] = ':';
    if (!parseShortDateTime(normal, true, second)) return false;
    ticks = toInt(v.substr(18));
    return true;
}

}  // namespace

CommandText splitCommand(std::string_view text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == '\0'))
        text.remove_suffix(1);
    CommandText c;
    c.mnemonic = text.substr(0, std::min<std::size_t>(2, text.size()));
    if (text.size() > 2 && text[2] == ',') {
        c.value = text.substr(3);
        c.hasValue = true;
    }
    return c;
}

std::string replyText(std::string_view mnemonic, std::string_view value) {
    std::string r = "$";
    r += mnemonic;
    r += ',';
    r += value;
    r += "\r\n";
    return r;
}

bool parseShortDateTime(std::string_view t, bool withSeconds, platform::AbsTime& out) {
    const std::size_t need = withSeconds ? 17 : 14;
    if (t.size() < need || t[2] != '-' || t[5] != '-' || t[8] != 'T' || t[11] != ':' ||
        (withSeconds && t[14] != ':'))
        return false;
    auto two = [&](std::size_t at) -> int {
        if (!std::isdigit(static_cast<unsigned char>(t[at])) ||
            !std::isdigit(static_cast<unsigned char>(t[at + 1])))
            return -1;
        return (t[at] - '0') * 10 + (t[at + 1] - '0');
    };
    platform::CalendarTime c{2000 + two(0), two(3), two(6), two(9), two(12),
                             withSeconds ? two(15) : 0, 0};
    if (c.year < 2000 || c.month < 1 || c.month > 12 || c.day < 1 || c.day > 31 || c.hour < 0 ||
        c.hour > 23 || c.minute < 0 || c.minute > 59 || c.second < 0 || c.second > 59)
        return false;
    out = platform::toAbsTime(c);
    return true;
}

bool answerRadioCommand(RadioUnit& unit, platform::AbsTime host, std::string_view text,
                        std::vector<std::string>& out) {
    const CommandText cmd = splitCommand(text);
    const auto row = std::find_if(kCommands.begin(), kCommands.end(),
                                  [&](const Row& r) { return r.mnemonic == cmd.mnemonic; });
    if (row == kCommands.end() || !(row->types & bit(unit.unitType()))) return false;

    RadioSettings& s = unit.settings();
    // Sonic units keep one calibration and take both the "F" and the "S" writes for it.
    Calibration& cal = s.calibration[unit.unitType() == 0 ? row->set : 0];
    auto reply = [&](std::string value) { out.push_back(replyText(cmd.mnemonic, value)); };
    auto clampInt = [&](int v) { return std::clamp(v, row->min, row->max); };
    const int value = toInt(cmd.value);

    switch (row->op) {
    case Op::Connect: reply(std::string(cmd.value)); break;
    case Op::ReadInt: reply(std::to_string(s.*(row->intField))); break;
    case Op::WriteInt:
        // Some units keep what they hold and say so in their answer.
        if (cmd.hasValue && !unit.variant().keepsOldValues) s.*(row->intField) = clampInt(value);
        unit.restartSampling(host);
        reply(std::to_string(s.*(row->intField)));
        break;
    case Op::ReadText: reply(s.*(row->textField)); break;
    case Op::ReadReal: reply(fixed(s.*(row->realField), row->decimals)); break;
    case Op::WriteSerial:
        s.serialNumber = std::string(cmd.value);
        reply(s.serialNumber);
        break;
    case Op::WriteRate:
        s.sampleRate = clampInt(value);
        if (s.dataFormat == kAsciiOneSample)
            s.sampleRate = std::min(s.sampleRate, kAsciiOneSampleMaxRate);
        unit.restartSampling(host);
        reply(std::to_string(s.sampleRate));
        break;
    case Op::WriteFormat:
        if (findDataFormat(value)) {
            s.dataFormat = value;
            if (value == kAsciiOneSample)
                s.sampleRate = std::min(s.sampleRate, kAsciiOneSampleMaxRate);
            unit.restartSampling(host);
        }
        reply(std::to_string(s.dataFormat));
        break;
    case Op::WritePower:
        s.power = value != 0 ? 1 : 0;
        if (s.power == 0) unit.powerDownLater(host);
        else unit.powerDownLater(-1e18);
        reply(std::to_string(s.power));
        break;
    case Op::WriteComPower:
        // The host's two switches carry bits 1 and 2; the other outputs keep their state.
        s.comPower = (s.comPower & ~0x06) | (value & 0x06);
        reply(std::to_string(s.comPower));
        break;
    case Op::ReadClock: reply(isoSeconds(unit.clock().read(host))); break;
    case Op::WriteClock: {
        platform::AbsTime t = 0;
        const bool ok = parseShortDateTime(cmd.value, true, t);
        if (ok) unit.clock().set(host, t);
        unit.restartSampling(host);
        reply(ok ? "1" : "0");
        break;
    }
    case Op::ReadStart: reply(isoMinutes(s.startTime)); break;
    case Op::WriteStart: {
        platform::AbsTime t = 0;
        const bool ok = parseShortDateTime(cmd.value, false, t);
        if (ok) s.startTime = t;
        unit.restartSampling(host);
        reply(ok ? "1" : "0");
        break;
    }
    case Op::ReadClockCal: reply(std::to_string(unit.clock().calibration())); break;
    case Op::WriteClockCal:
        unit.clock().setCalibration(host, clampInt(value));
        reply(std::to_string(unit.clock().calibration()));
        break;
    case Op::Sync: {
        platform::AbsTime second = 0;
        int ticks = 0;
        if (parseSync(cmd.value, second, ticks)) unit.clock().set(host, second - ticks / 128.0);
        break;
    }
    case Op::Broadcast: unit.broadcastPower(host, value); break;
    case Op::Silent: break;
    case Op::CalReadInt: reply(std::to_string(cal.*(row->calInt))); break;
    case Op::CalWriteInt:
        cal.*(row->calInt) = clampInt(value);
        reply(std::to_string(cal.*(row->calInt)));
        break;
    case Op::CalReadReal: reply(fixed(cal.*(row->calReal), 3)); break;
    case Op::CalWriteReal:
        cal.*(row->calReal) = toReal(cmd.value);
        reply(fixed(cal.*(row->calReal), 3));
        break;
    case Op::CalWriteLow:
        cal.lowPoint = toReal(cmd.value);
        reply("1");
        break;
    case Op::CalWriteHigh:
        cal.highPoint = toReal(cmd.value);
        reply("1");
        break;
    case Op::CalTable: {
        std::string table;
        for (std::size_t i = 0; i < RadioSettings::kMaxPoints; ++i)
            {
                char entry[24];
                std::snprintf(entry, sizeof entry, "%8.4f,", i < cal.points.size() ? cal.points[i] : 0.0);
                table += entry;
            }
        reply(table);
        break;
    }
    case Op::CalAddPoint: {
        const double level = toReal(cmd.value);
        auto& p = cal.points;
        const bool known = std::any_of(p.begin(), p.end(), [&](double x) { return samePoint(x, level); });
        if (!known && p.size() >= RadioSettings::kMaxPoints) {
            reply("FULL");  // the table holds twelve points; the host's entry stays unconfirmed
            break;
        }
        if (!known) {
            p.push_back(level);
            std::sort(p.begin(), p.end());
        }
        reply(fixed(level, 4));
        break;
    }
    case Op::CalClearPoint: {
        const double level = toReal(cmd.value);
        std::erase_if(cal.points, [&](double x) { return samePoint(x, level); });
        reply(fixed(level, 4));
        break;
    }
    case Op::CalClearAll:
        if (value == 1) cal.points.clear();
        reply(value == 1 ? "1" : "0");
        break;
    case Op::CalFactory:
        if (value == 1) cal = s.factory[unit.unitType() == 0 ? row->set : 0];
        reply(value == 1 ? "1" : "0");
        break;
    case Op::CalSaveFactory:
        if (value == 1) s.factory[unit.unitType() == 0 ? row->set : 0] = cal;
        reply(value == 1 ? "1" : "0");
        break;
    }
    return true;
}

}  // namespace sim
