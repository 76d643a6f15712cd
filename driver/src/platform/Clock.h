// Time as the link layer needs it: a clock in fractional days for the answer
// deadline, and sleep. Tests install a manual clock to run time-outs without
// waiting.
#pragma once

#include <cstdint>

namespace kasdrv::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Current time in days (the fraction is the time of day). Only
    // differences are used, so a monotonic source serves.
    virtual double NowDays() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
};

Clock& CurrentClock();
// Installs a clock for tests; null restores the system clock.
void SetClockForTesting(Clock* clock);

constexpr double kMsPerDay = 86400000.0;

} // namespace kasdrv::platform
