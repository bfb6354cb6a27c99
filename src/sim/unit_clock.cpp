#include "sim/unit_clock.h"

#include <cmath>
#include <cstdio>

namespace sim {

namespace {
constexpr double kCalibrationStep = 4.0 / 32768.0 / 60.0;  // fraction of time per value step
}

UnitClock::UnitClock(platform::AbsTime hostStart, double offsetSeconds, double driftPpm)
    : anchorHost_(hostStart), anchorUnit_(hostStart + offsetSeconds), driftPpm_(driftPpm) {}

double UnitClock::rate() const { return 1.0 + driftPpm_ * 1e-6 - calibration_ * kCalibrationStep; }

platform::AbsTime UnitClock::read(platform::AbsTime host) const {
    return anchorUnit_ + (host - anchorHost_) * rate();
}

void UnitClock::set(platform::AbsTime host, platform::AbsTime unitTime) {
    anchorHost_ = host;
    anchorUnit_ = unitTime;
}

void UnitClock::setCalibration(platform::AbsTime host, int value) {
    set(host, read(host));
    calibration_ = value;
}

void UnitClock::reset(platform::AbsTime host, double ahead, double driftPpm) {
    set(host, host + ahead);
    driftPpm_ = driftPpm;
}

std::string isoSeconds(platform::AbsTime t) {
    platform::CalendarTime c = platform::toCalendar(std::floor(t));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                  c.minute, c.second);
    return text;
}

std::string isoMinutes(platform::AbsTime t) { return isoSeconds(t).substr(0, 16); }

}  // namespace sim
