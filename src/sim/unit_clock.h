#pragma once
#include <string>

#include "platform/clock.h"

namespace sim {

// A unit's real-time clock: it starts off by some seconds and runs a little fast or slow. The
// calibration value trims its rate: each step is 4/32768 s per minute, and a lower value makes
// the clock run faster (a clock 24 s slow per week at value 7 wants value -12).
class UnitClock {
public:
    UnitClock(platform::AbsTime hostStart, double offsetSeconds, double driftPpm);

    platform::AbsTime read(platform::AbsTime host) const;
    void set(platform::AbsTime host, platform::AbsTime unitTime);
    int calibration() const { return calibration_; }
    void setCalibration(platform::AbsTime host, int value);
    // From host time on, the clock stands `ahead` seconds ahead and runs at driftPpm.
    void reset(platform::AbsTime host, double ahead, double driftPpm);

private:
    double rate() const;
    platform::AbsTime anchorHost_;
    platform::AbsTime anchorUnit_;
    double driftPpm_;
    int calibration_ = 0;
};

// "YYYY-MM-DDThh:mm:ss" and "YYYY-MM-DDThh:mm" as the units write them.
std::string isoSeconds(platform::AbsTime t);
std::string isoMinutes(platform::AbsTime t);

}  // namespace sim
