#include "platform/warped_clock.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace platform {

AbsTime ClockWarp::map(AbsTime real) const {
    const double since = real - at;
    if (daySeconds <= 0 || since < 0) return start + since;
    const double days = std::floor(since / daySeconds);
    return start + days * 86400.0 + (since - days * daySeconds);
}

namespace {

std::optional<AbsTime> parseIso(std::string_view s) {
    CalendarTime t;
    char tail = 0;
    const std::string text(s);
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &t.year, &t.month, &t.day, &t.hour,
                    &t.minute, &t.second, &tail) != 6)
        return std::nullopt;
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
        t.second > 59 || t.hour < 0 || t.minute < 0 || t.second < 0)
        return std::nullopt;
    return toAbsTime(t);
}

}  // namespace

std::optional<ClockWarp> parseClockWarp(std::string_view text, AbsTime now, std::string& error) {
    ClockWarp w;
    w.at = now;
    bool haveStart = false;
    while (!text.empty()) {
        const std::string_view item = text.substr(0, text.find(','));
        text.remove_prefix(std::min(text.size(), item.size() + 1));
        const auto eq = item.find('=');
        const std::string_view key = item.substr(0, eq);
        const std::string_view value = eq == std::string_view::npos ? "" : item.substr(eq + 1);
        if (key == "start" || key == "at") {
            const auto t = parseIso(value);
            if (!t) {
                error = std::string(key) + " is not a local time YYYY-MM-DDThh:mm:ss";
                return std::nullopt;
            }
            (key == "start" ? w.start : w.at) = *t;
            haveStart = haveStart || key == "start";
        } else if (key == "day") {
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(),
                                                   w.daySeconds);
            if (ec != std::errc() || end != value.data() + value.size() || !(w.daySeconds >= 1) ||
                w.daySeconds > 86400) {
                error = "day is not a number of seconds from 1 to 86400";
                return std::nullopt;
            }
        } else {
            error = "unknown item \"" + std::string(item) + "\"";
            return std::nullopt;
        }
    }
    if (!haveStart) {
        error = "start=YYYY-MM-DDThh:mm:ss is missing";
        return std::nullopt;
    }
    return w;
}

void WarpedClock::waitNextSecond() {
    const AbsTime t = warp_.map(real_.absNow());
    real_.delay(1.0 - (t - std::floor(t)));
}

}  // namespace platform
