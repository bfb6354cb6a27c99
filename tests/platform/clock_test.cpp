#include "platform/clock.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(AbsTime, RoundTripsAcrossMonthsLeapDaysAndMidnight) {
    for (CalendarTime c : {CalendarTime{2026, 12, 31, 23, 59, 59, 0}, CalendarTime{2024, 2, 29, 0, 0, 0, 0},
                           CalendarTime{1970, 1, 1, 0, 0, 0, 0}, CalendarTime{2100, 3, 1, 12, 30, 5, 250}}) {
        EXPECT_EQ(toCalendar(toAbsTime(c)), c);
    }
    EXPECT_EQ(toAbsTime({2026, 12, 9, 0, 0, 0, 0}) - toAbsTime({2026, 12, 8, 23, 59, 59, 0}), 1.0);
    EXPECT_EQ(toCalendar(toAbsTime({2026, 12, 31, 23, 59, 59, 0}) + 1.0),
              (CalendarTime{2027, 1, 1, 0, 0, 0, 0}));
}
