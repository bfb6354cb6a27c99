#pragma once
#include <cstdint>

namespace platform {

// A local calendar time.
struct CalendarTime {
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    int millisecond = 0;
    bool operator==(const CalendarTime&) const = default;
};

// Absolute time: seconds since 1970-01-01 00:00:00 in local calendar terms (no time zone
// arithmetic is needed by the program: it only compares and offsets local times).
using AbsTime = double;

AbsTime toAbsTime(const CalendarTime& t);
CalendarTime toCalendar(AbsTime t);
int daysFromCivil(int year, int month, int day);

// Time as the program sees it. The real clock blocks in delay(); the test clock advances.
class Clock {
public:
    virtual ~Clock() = default;
    virtual CalendarTime now() const = 0;
    AbsTime absNow() const { return toAbsTime(now()); }
    // Milliseconds of a monotonic processor clock.
    virtual double processorMs() const = 0;
    virtual void delay(double seconds) = 0;
    // Returns at the start of the next whole second.
    virtual void waitNextSecond() = 0;
};

}  // namespace platform
