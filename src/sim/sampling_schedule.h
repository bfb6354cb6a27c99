#pragma once
#include "platform/clock.h"

namespace sim {

// When a unit samples, by its own clock: not before its start time while the start-time switch
// is on, and with a burst length set, for that many minutes out of every burst interval.
// Bursts begin and end on whole minutes, counted from the start time (or from midnight).
struct SamplingSchedule {
    int burstLength = 0;    // minutes; 0 = continuous
    int burstInterval = 0;  // minutes
    bool startTimeOn = false;
    platform::AbsTime startTime = 0;  // whole minute

    bool samplingAt(platform::AbsTime unitTime) const;
};

}  // namespace sim
