#include "sim/wired_unit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "link/wired_record.h"
#include "sim/sampling_schedule.h"
#include "sim/staff_lengths.h"

namespace sim {

namespace {

struct WiredModel {
    int type;
    const char* identification;  // 12 characters; the serial number's last two digits follow
    const char* description;
    bool logger;
    int lengthMm;
    int offset;  // factory offset of the staff's counter
};

// The wired unit types. Identifications avoid the letter "I", which starts a reply.
constexpr auto kModels = std::to_array<WiredModel>({
    {3, "FATHOMROD-3 ", "simulated wired staff", false, 2000, -500},
    {4, "FATHOMROD-4 ", "simulated wired staff, short range", false, 1000, -820},
    {5, "TC-LOGGER-5 ", "simulated Tidecorder", true, 5000, -500},
    {6, "TC-LOGGER-6 ", "simulated Tidecorder, short range", true, 3000, -820},
    {9, "SWELLMETER-9", "simulated Swellmeter", true, 0, 0},
});

const WiredModel& model(int type) {
    for (const WiredModel& m : kModels)
        if (m.type == type) return m;
    return kModels[0];
}

constexpr double kBarPerMetre = 1.0 / 9.94846;  // sea water
constexpr double kGaugeDepth = 5.0;               // metres of water over the gauge
constexpr double kMaxCatchUp = 600.0;
constexpr double kTemperatureStep = 0.0625;  // degrees per count of the temperature sensor

}  // namespace

WiredUnit::WiredUnit(int unitType, platform::AbsTime start, std::uint32_t seed, int serial)
    : SimDevice(start),
      type_(model(unitType).type),
      clock_(start, -1.7 - 0.3 * (seed % 4), -20.0 + 7.0 * (seed % 5)),
      signal_(seed, model(unitType).logger && unitType == 9 ? kGaugeDepth
                                                            : model(unitType).lengthMm / 2000.0,
              unitType == 9 ? 0.6 : std::min(1.0, model(unitType).lengthMm / 2000.0)),
      gainError_(1.0 + 0.01 * (static_cast<int>(seed % 5) - 2)),
      biasError_(0.008 * (static_cast<int>(seed % 3) - 1)),
      waterTemperature_(14.0 + 1.25 * (seed % 5)),
      nextRecord_(start) {
    const WiredModel& m = model(unitType);
    char id[20];
    std::snprintf(id, sizeof id, "%s%02d", m.identification, serial % 100);
    identification_ = id;
    block_.loggerLayout = m.logger;
    block_.field[WiredBlock::Head] = type_;
    StaffCode code{};
    if (staffCodeFor(type_, m.lengthMm, code)) {
        block_.field[WiredBlock::Count] = code.count;
        block_.field[WiredBlock::Range] = code.range;
    }
    block_.setWord(WiredBlock::GainHigh, 4096);
    block_.setWord(WiredBlock::OffsetHigh, m.offset & 0xFFFF);
    block_.field[WiredBlock::SampleRate] = 4;
    block_.field[WiredBlock::Mode] = WiredBlock::kSerialOut | WiredBlock::kAirTemperature;
    if (m.logger) {
        block_.field[WiredBlock::FileInterval] = 1;
        block_.field[WiredBlock::LoggerByte] = 0x40;
        const platform::CalendarTime s = platform::toCalendar(start + 86400.0);
        block_.field[WiredBlock::StartMinute] = 0;
        block_.field[WiredBlock::StartHour] = s.hour;
        block_.field[WiredBlock::StartDay] = s.day;
        block_.field[WiredBlock::StartMonth] = s.month;
        block_.field[WiredBlock::StartYear] = s.year % 100;
    }
    refreshClockFields();
}

std::string WiredUnit::description() const { return model(type_).description; }

int WiredUnit::staffLengthMm() const {
    return static_cast<int>(
        links::staffLengthFor(type_, static_cast<std::uint8_t>(block_.field[WiredBlock::Range]),
                              static_cast<std::uint8_t>(block_.field[WiredBlock::Count])));
}

void WiredUnit::receive(std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
        if (takingBlock_) {
            incoming_.push_back(static_cast<char>(b));
            if (incoming_.size() == WiredBlock::kChars) takeBlock();
            continue;
        }
        command(static_cast<char>(b));
    }
}

void WiredUnit::command(char c) {
    if (pendingStop_) {
        pendingStop_ = false;
        if (c == 't') {
            send("STOK,");
            return;
        }
    }
    switch (c) {
    case 's':
        streaming_ = false;
        if (type_ == 9) send("SOK,");
        else pendingStop_ = true;
        break;
    case 'i': send("IOK," + identification_ + ","); break;
    case 'r':
        refreshClockFields();
        send("ROK," + block_.encode() + "\r\n");
        break;
    case 'g':
        send("GOK,");
        streaming_ = true;
        nextRecord_ = now() + 1.0 / std::max(1, block_.field[WiredBlock::SampleRate]);
        break;
    case 'w':
        // The block follows some 0.4 s later; a unit gives up on one that never completes.
        takingBlock_ = true;
        incoming_.clear();
        blockDeadline_ = now() + 2.0;
        break;
    case '\r': case '\n': case '\0': case ' ': break;
    default: send("BAD,"); break;
    }
}

void WiredUnit::takeBlock() {
    takingBlock_ = false;
    WiredBlock next;
    next.loggerLayout = block_.loggerLayout;
    if (!next.decode(incoming_)) return;
    if (next.loggerLayout && (next.field[WiredBlock::Mode] & WiredBlock::kNewClock)) {
        const platform::CalendarTime c{2000 + next.field[WiredBlock::Year], next.field[WiredBlock::Month],
                                       next.field[WiredBlock::Day], next.field[WiredBlock::Hour],
                                       next.field[WiredBlock::Minute], next.field[WiredBlock::Second], 0};
        clock_.set(now(), platform::toAbsTime(c));
    }
    next.field[WiredBlock::Mode] &= ~WiredBlock::kNewClock;
    block_ = next;
    refreshClockFields();
}

void WiredUnit::refreshClockFields() {
    if (!block_.loggerLayout) return;
    const platform::CalendarTime c = platform::toCalendar(std::floor(clock_.read(now())));
    block_.field[WiredBlock::Second] = c.second;
    block_.field[WiredBlock::Minute] = c.minute;
    block_.field[WiredBlock::Hour] = c.hour;
    block_.field[WiredBlock::Spare] = 0;
    block_.field[WiredBlock::Day] = c.day;
    block_.field[WiredBlock::Month] = c.month;
    block_.field[WiredBlock::Year] = c.year % 100;
}

double WiredUnit::measured(platform::AbsTime t) const {
    const double level = signal_.level(t);
    return type_ == 9 ? level * kBarPerMetre : level;
}

double WiredUnit::reading(platform::AbsTime t) const {
    if (type_ == 9) return measured(t);
    // The counter reads the staff with the unit's own small gain and zero errors; the block's
    // gain (4096 = 1) and offset (in 4096ths of the staff) correct them.
    const double length = staffLengthMm() / 1000.0;
    const double gain = block_.word(WiredBlock::GainHigh);
    const double offset = static_cast<std::int16_t>(block_.word(WiredBlock::OffsetHigh));
    const double raw = measured(t) * gainError_ + biasError_ - model(type_).offset * length / 4096.0;
    return gain / 4096.0 * (raw + offset * length / 4096.0);
}

double WiredUnit::temperature(platform::AbsTime t) const {
    // Below zero: sea water about to freeze, a degree or so under.
    const double mean = variant().belowZero ? -1.0 - 0.1 * (waterTemperature_ - 14.0) : waterTemperature_;
    return mean + 1.5 * std::sin(t / 86400.0 * 6.283185307);
}

std::string WiredUnit::record(platform::AbsTime t, int k) const {
    std::string r;
    if (type_ == 9) {
        char text[32];
        std::snprintf(text, sizeof text, "%07.5f", std::clamp(reading(t), 0.0, 9.99999));
        r = text;
    } else {
        const double length = staffLengthMm() / 1000.0;
        const long counts = length > 0 ? std::lround(reading(t) / length * 4095.0) : 0;
        r = variant().countText(std::clamp(counts, 0L, 4095L), k);
    }
    if (block_.field[WiredBlock::Mode] & WiredBlock::kAirTemperature) {
        const long counts = std::lround(temperature(t) / kTemperatureStep);
        r += variant().separatorOr(",");
        char text[24];
        std::snprintf(text, sizeof text, variant().bareReadings ? "%ld" : "%04ld", counts);
        r += text;
    }
    return r + std::string(static_cast<std::size_t>(variant().trailingBlanks), ' ') +
           variant().lineEnd;
}

void WiredUnit::setVariant(const Variant& v) {
    SimDevice::setVariant(v);
    if (v.noTemperature) block_.field[WiredBlock::Mode] &= ~WiredBlock::kAirTemperature;
}

void WiredUnit::step() {
    if (takingBlock_ && now() > blockDeadline_) takingBlock_ = false;
    if (now() - nextRecord_ > kMaxCatchUp) nextRecord_ = now();
    const double period = 1.0 / std::max(1, block_.field[WiredBlock::SampleRate]);
    SamplingSchedule schedule;
    if (block_.loggerLayout) {
        schedule.burstLength = block_.field[WiredBlock::BurstLength];
        schedule.burstInterval = block_.field[WiredBlock::BurstInterval];
        schedule.startTimeOn = (block_.field[WiredBlock::Mode] & WiredBlock::kStartTime) != 0;
        schedule.startTime = platform::toAbsTime(
            {2000 + block_.field[WiredBlock::StartYear], block_.field[WiredBlock::StartMonth],
             block_.field[WiredBlock::StartDay], block_.field[WiredBlock::StartHour],
             block_.field[WiredBlock::StartMinute], 0, 0});
    }
    const bool serialOut = (block_.field[WiredBlock::Mode] & WiredBlock::kSerialOut) != 0;
    while (nextRecord_ <= now()) {
        if (streaming_ && serialOut && schedule.samplingAt(clock_.read(nextRecord_))) {
            send(record(nextRecord_, recordsSent_++));
            lastRecord_ = nextRecord_;
        }
        nextRecord_ += period;
    }
}

}  // namespace sim
