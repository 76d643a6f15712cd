// Stand-ins for the seams of the console's long loops: a pump that lets the
// test act between a loop's steps, a tick counter that reads from a script and
// a pause that only records what it was asked to wait.
#pragma once

#include "runs/LoopSeams.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace kasmon::test {

// Counts the calls and runs the test's action on each (the call number from 1).
class ScriptedPump final : public EventPump {
  public:
    void processPendingEvents() override {
        ++calls;
        if (onPump) {
            onPump(calls);
        }
    }
    int calls = 0;
    std::function<void(int)> onPump;
};

// Hands out the scripted readings in turn; once they run out, the last one
// again plus `step` each time.
class ScriptedTicks final : public TickCounter {
  public:
    std::uint32_t milliseconds() override {
        if (!readings.empty()) {
            last = readings.front();
            readings.pop_front();
        } else {
            last += step;
        }
        ++reads;
        return last;
    }
    std::deque<std::uint32_t> readings;
    std::uint32_t step = 1;
    std::uint32_t last = 0;
    int reads = 0;
};

// Records the waits without waiting.
class RecordingPause final : public Pause {
  public:
    void wait(std::uint32_t milliseconds) override {
        waits.push_back(milliseconds);
        if (onWait) {
            onWait(static_cast<int>(waits.size()));
        }
    }
    std::vector<std::uint32_t> waits;
    std::function<void(int)> onWait;
};

} // namespace kasmon::test
