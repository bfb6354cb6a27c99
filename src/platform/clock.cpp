#include "platform/clock.h"

#include <cmath>

namespace platform {

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
int daysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

AbsTime toAbsTime(const CalendarTime& t) {
    double days = daysFromCivil(t.year, t.month, t.day);
    return days * 86400.0 + t.hour * 3600.0 + t.minute * 60.0 + t.second + t.millisecond / 1000.0;
}

CalendarTime toCalendar(AbsTime t) {
    double whole = std::floor(t);
    auto secs = static_cast<long long>(whole);
    int ms = static_cast<int>(std::lround((t - whole) * 1000.0));
    if (ms >= 1000) {
        ms -= 1000;
        ++secs;
    }
    long long z = (secs >= 0 ? secs : secs - 86399) / 86400;
    long long sod = secs - z * 86400;
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    CalendarTime c;
    c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = static_cast<int>(yoe + era * 400 + (c.month <= 2 ? 1 : 0));
    c.hour = static_cast<int>(sod / 3600);
    c.minute = static_cast<int>(sod % 3600 / 60);
    c.second = static_cast<int>(sod % 60);
    c.millisecond = ms;
    return c;
}

}  // namespace platform
