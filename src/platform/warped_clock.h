#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace platform {

// Another calendar than the computer's, for living a station's nights and months in minutes:
// the calendar shows `start` at the real local time `at` and runs on at the real rate; with
// daySeconds set, each calendar day lasts only that many real seconds, from start's time of
// day on, and the rest of the day is jumped over. start = 23:59:50 with daySeconds = 20 lives
// the 20 seconds around every midnight: 30 days in 10 minutes, while instruments, ports and
// timers keep their real pace (every sample still travels).
struct ClockWarp {
    AbsTime start = 0;
    AbsTime at = 0;
    double daySeconds = 0;  // 0: the calendar simply runs on

    // The calendar at a real local time.
    AbsTime map(AbsTime real) const;
};

// Reads a warp from "start=YYYY-MM-DDThh:mm:ss[,day=SECONDS][,at=YYYY-MM-DDThh:mm:ss]"; `at`
// is `now` when not given. Processes given the same text agree on the calendar. nullopt, with
// the reason in error, when the text is not one.
std::optional<ClockWarp> parseClockWarp(std::string_view text, AbsTime now, std::string& error);

// The real clock seen through a warp: its calendar is warped; its processor clock, delays and
// timers are the real clock's.
class WarpedClock : public Clock {
  public:
    WarpedClock(Clock& real, ClockWarp warp) : real_(real), warp_(warp) {}
    CalendarTime now() const override { return toCalendar(warp_.map(real_.absNow())); }
    double processorMs() const override { return real_.processorMs(); }
    void delay(double seconds) override { real_.delay(seconds); }
    void waitNextSecond() override;

  private:
    Clock& real_;
    ClockWarp warp_;
};

}  // namespace platform
