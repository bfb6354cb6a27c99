#pragma once
#include "platform/clock.h"

namespace testing_support {

// Simulated time: delay() and waitNextSecond() advance it; nothing sleeps.
class FakeClock : public platform::Clock {
public:
    platform::AbsTime t = platform::toAbsTime({2026, 12, 8, 12, 0, 0, 0});
    double totalDelay = 0;
    int delays = 0;

    platform::CalendarTime now() const override { return platform::toCalendar(t); }
    double processorMs() const override { return t * 1000.0; }
    void delay(double seconds) override {
        t += seconds;
        totalDelay += seconds;
        ++delays;
    }
    void waitNextSecond() override { t = static_cast<double>(static_cast<long long>(t) + 1); }
    void set(const platform::CalendarTime& c) { t = platform::toAbsTime(c); }
    void advance(double seconds) { t += seconds; }
};

}  // namespace testing_support
