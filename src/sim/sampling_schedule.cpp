#include "sim/sampling_schedule.h"

#include <cmath>

namespace sim {

bool SamplingSchedule::samplingAt(platform::AbsTime unitTime) const {
    if (startTimeOn && unitTime < startTime) return false;
    if (burstLength <= 0 || burstInterval <= 0 || burstLength >= burstInterval) return true;
    const double base = startTimeOn ? startTime : std::floor(unitTime / 86400.0) * 86400.0;
    const auto minute = static_cast<long long>(std::floor((unitTime - base) / 60.0));
    return minute % burstInterval < burstLength;
}

}  // namespace sim
