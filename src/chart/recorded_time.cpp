#include "chart/recorded_time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "live/burst_decoder.h"
#include "live/message_check.h"

namespace chart {

namespace {

constexpr double kDay = 86400;
constexpr double kNone = -std::numeric_limits<double>::infinity();

// Digits at [at, at + n) of text as a number within [lo, hi].
std::optional<int> field(std::string_view text, std::size_t at, std::size_t n, int lo, int hi) {
    if (at + n > text.size()) return std::nullopt;
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        v = v * 10 + (text[i] - '0');
    }
    if (v < lo || v > hi) return std::nullopt;
    return v;
}

bool separatorAt(std::string_view text, std::size_t at, char c) {
    return at < text.size() && text[at] == c;
}

std::uint64_t addressAt(const live::MessageText& f, int at) {
    std::uint64_t a = 0;
    for (int i = 0; i < 8; ++i) a = a << 8 | f.byteAt(at + i);
    return a;
}

std::string_view textAt(const live::MessageText& f, int at, int n) {
    if (at + n > f.length()) return {};
    return {reinterpret_cast<const char*>(f.data()) + at, static_cast<std::size_t>(n)};
}

}  // namespace

std::optional<double> parseDate(std::string_view d) {
    if (d.size() < 10 || !separatorAt(d, 4, '-') || !separatorAt(d, 7, '-')) return std::nullopt;
    const auto y = field(d, 0, 4, 1900, 2200), m = field(d, 5, 2, 1, 12), day = field(d, 8, 2, 1, 31);
    if (!y || !m || !day) return std::nullopt;
    return platform::toAbsTime({*y, *m, *day, 0, 0, 0, 0});
}

std::optional<double> parseTimeOfDay(std::string_view t) {
    if (t.size() < 8 || !separatorAt(t, 2, ':') || !separatorAt(t, 5, ':')) return std::nullopt;
    const auto h = field(t, 0, 2, 0, 23), m = field(t, 3, 2, 0, 59), s = field(t, 6, 2, 0, 59);
    if (!h || !m || !s) return std::nullopt;
    return *h * 3600.0 + *m * 60.0 + *s;
}

std::string timeText(double t) {
    const platform::CalendarTime c = platform::toCalendar(std::floor(t));
    char s[32];
    std::snprintf(s, sizeof s, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                  c.minute, c.second);
    return s;
}

std::string durationText(double seconds) {
    const auto s = static_cast<long long>(std::max(0.0, std::round(seconds)));
    char text[48];
    if (s < 60) {
        std::snprintf(text, sizeof text, "%lld s", s);
    } else if (s < 3600) {
        std::snprintf(text, sizeof text, "%lld min %02lld s", s / 60, s % 60);
    } else if (s < 86400) {
        std::snprintf(text, sizeof text, "%lld h %02lld min", s / 3600, s % 3600 / 60);
    } else {
        std::snprintf(text, sizeof text, "%lld d %lld h", s / 86400, s % 86400 / 3600);
    }
    return text;
}

std::optional<double> parseGoToTime(std::string_view text, double first) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.size() == 19 && (text[10] == 'T' || text[10] == ' ')) {
        const auto d = parseDate(text.substr(0, 10));
        const auto t = parseTimeOfDay(text.substr(11));
        if (d && t) return *d + *t;
        return std::nullopt;
    }
    std::string tod(text);
    if (tod.size() == 5) tod += ":00";  // hh:mm
    if (tod.size() != 8) return std::nullopt;
    const auto t = parseTimeOfDay(tod);
    if (!t) return std::nullopt;
    const double day = std::floor(first / kDay) * kDay;
    return day + *t >= first ? day + *t : day + kDay + *t;
}

void RecordedClock::restart(std::optional<double> from) {
    units_.clear();
    reached_ = from;
    pending_.clear();
}

void RecordedClock::observe(const CsvRecord& r) {
    const auto key = static_cast<std::uint64_t>(r.device);
    if (r.kind != 'C') {
        stamp(key, r.text);
    } else if (r.subType == '8') {
        dateLine(key, r.text);
    } else if (r.subType == '9') {
        timeLine(key, r.text);
    } else if (r.subType == '1') {
        sample(key, r.rate);
    }
}

void RecordedClock::observe(const links::RxFrame& frame) {
    const live::MessageText f(frame.data.data(),
                              std::clamp(frame.length, 0, static_cast<int>(frame.data.size()) - 1));
    if (f.byteAt(0) != live::kReceivePacket || !live::wellFormedUnitMessage(f)) return;
    const char type = f.at(live::kPayloadStart);
    if (type == '$') return;  // a configuration reply carries no sample time
    const std::uint64_t key = addressAt(f, live::kSenderAddress);
    if (type != 'C') {
        stamp(key, textAt(f, live::kBurstTimeTag, live::kBurstTimeTagLength));
        return;
    }
    switch (f.at(live::kTextSubType)) {
        case '8': dateLine(key, textAt(f, live::kTextField, 10)); break;
        case '9': timeLine(key, textAt(f, live::kTextField, 8)); break;
        case '1': sample(key, f.atoiAt(live::kTextSampleRate)); break;
        default: break;
    }
}

void RecordedClock::dateLine(std::uint64_t key, std::string_view date) {
    if (parseDate(date)) units_[key].date.assign(date.substr(0, 10));
}

void RecordedClock::timeLine(std::uint64_t key, std::string_view time) {
    Unit& u = units_[key];
    const auto d = parseDate(u.date);
    const auto t = parseTimeOfDay(time);
    if (!d || !t) return;  // a unit's time before its date means nothing yet
    u.samples = 0;
    u.tag = unitTime(u, *d + *t);
    take(*u.tag);
}

void RecordedClock::sample(std::uint64_t key, int rate) {
    Unit& u = units_[key];
    if (!u.tag) return;
    ++u.samples;
    take(*u.tag + static_cast<double>(u.samples - 1) / std::clamp(rate, 1, 32));
}

void RecordedClock::stamp(std::uint64_t key, std::string_view text) {
    if (text.size() < 19 || (text[10] != 'T' && text[10] != ' ')) return;
    const auto d = parseDate(text.substr(0, 10));
    const auto t = parseTimeOfDay(text.substr(11, 8));
    if (!d || !t) return;
    Unit& u = units_[key];
    u.samples = 0;
    u.tag = unitTime(u, *d + *t);
    take(*u.tag);
}

// A unit's time of day that fell back by more than half a day (and less than a few days)
// crossed midnight without a new date: it is the next day, or the one after.
double RecordedClock::unitTime(Unit& u, double t) {
    if (u.tag && *u.tag - t > kDay / 2 && *u.tag - t < 3 * kDay) {
        t += std::round((*u.tag - t) / kDay) * kDay;
    }
    return t;
}

void RecordedClock::take(double t) {
    if (reached_ && std::fabs(t - *reached_) <= kJump) {
        reached_ = std::max(*reached_, t);
        pending_.clear();  // the outliers held back had no second
        return;
    }
    if (reached_ && t < *reached_) return;
    for (const double p : pending_) {
        if (std::fabs(t - p) > kJump) continue;
        if (!first_) first_ = std::min(p, t);
        reached_ = std::max(p, t);
        pending_.clear();
        return;
    }
    constexpr std::size_t kHeld = 4;
    if (pending_.size() == kHeld) pending_.erase(pending_.begin());
    pending_.push_back(t);
}

void FileTimeIndex::feed(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const auto room = static_cast<std::size_t>(kStep - bytes_ % kStep);
        const std::size_t n = std::min(room, bytes.size());
        consume(bytes.first(n));
        bytes_ += static_cast<std::int64_t>(n);
        bytes = bytes.subspan(n);
        if (bytes_ % kStep == 0) step();
    }
}

void FileTimeIndex::consume(std::span<const std::uint8_t> bytes) {
    if (type_ == PlaybackType::Csv) {
        csv_.feed(bytes, [this](std::string_view line) {
            if (parseCsvLine(line, record_)) clock_.observe(record_);
        });
        return;
    }
    while (!bytes.empty()) {
        bool complete = false;
        bytes = bytes.subspan(frames_.feed(bytes, complete));
        if (complete) clock_.observe(frames_.frame());
    }
}

void FileTimeIndex::step() {
    const double t = clock_.reached().value_or(kNone);
    ends_.push_back(t);
    if (clock_.reached()) {
        if (!first_) first_ = clock_.first();
        last_ = *clock_.reached();
    }
}

void FileTimeIndex::finish() {
    if (complete_) return;
    if (bytes_ % kStep != 0) step();
    // A last record held back for want of a second still counts, and so does the one time
    // of a file that holds a single timed record.
    if (const auto p = clock_.pending(); p && (!last_ || *p > *last_)) {
        if (!first_) first_ = *p;
        last_ = *p;
        if (!ends_.empty()) ends_.back() = *p;
    }
    complete_ = true;
}

std::optional<double> FileTimeIndex::timeAt(std::int64_t offset) const {
    if (offset <= 0) return first_;
    const auto i = static_cast<std::size_t>((offset - 1) / kStep);
    if (i >= ends_.size() || ends_[i] == kNone) return i < ends_.size() ? first_ : std::nullopt;
    return ends_[i];
}

std::optional<std::int64_t> FileTimeIndex::offsetOf(double t) const {
    if (first_ && t <= *first_) return 0;
    const auto at = std::lower_bound(ends_.begin(), ends_.end(), t);
    if (at == ends_.end()) {
        if (complete_) return bytes_;
        return std::nullopt;
    }
    return static_cast<std::int64_t>(at - ends_.begin()) * kStep;
}

}  // namespace chart
