#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace kasdrv::platform {

namespace {

// Monotonic, so that a clock set back or forward (or a daylight-saving
// change) never stretches or cuts the answer deadline.
class SteadyClock final : public Clock {
public:
    double NowDays() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<double>(
                   std::chrono::duration_cast<std::chrono::microseconds>(now).count()) /
               (kMsPerDay * 1000.0);
    }
    void SleepMs(uint32_t ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
};

SteadyClock g_steady;
Clock* g_current = &g_steady;

} // namespace

Clock& CurrentClock() { return *g_current; }

void SetClockForTesting(Clock* clock) { g_current = clock != nullptr ? clock : &g_steady; }

} // namespace kasdrv::platform
