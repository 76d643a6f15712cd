// The three things the console's long loops wait on, as small interfaces so
// that tests run the loops without real pauses and press buttons between
// their steps: the window's pending events, the millisecond tick counter and
// the pause between receipts.
#pragma once

#include <cstdint>

namespace kasmon {

// Lets the window handle what is pending (a press on a stop button included).
class EventPump {
  public:
    virtual ~EventPump() = default;
    virtual void processPendingEvents() = 0;
};

// Milliseconds since some fixed moment; wraps around like the system's 32-bit
// tick count, so only differences mean anything.
class TickCounter {
  public:
    virtual ~TickCounter() = default;
    virtual std::uint32_t milliseconds() = 0;
};

// Blocks the calling thread for a while.
class Pause {
  public:
    virtual ~Pause() = default;
    virtual void wait(std::uint32_t milliseconds) = 0;
};

// Nothing to pump: a loop run without a window (the bench).
class NoEventPump final : public EventPump {
  public:
    void processPendingEvents() override {}
};

// The monotonic clock of the system.
class SystemTickCounter final : public TickCounter {
  public:
    std::uint32_t milliseconds() override;
};

// A real sleep.
class SleepPause final : public Pause {
  public:
    void wait(std::uint32_t milliseconds) override;
};

// The seams one loop uses; none is owned.
struct LoopSeams {
    EventPump& pump;
    TickCounter& ticks;
    Pause& pause;
};

// Hands every call on to the seams in use at the moment, so that a loop built
// once can be pointed at other seams later (tests put their doubles in place).
class SeamSwitch final : public EventPump, public TickCounter, public Pause {
  public:
    explicit SeamSwitch(LoopSeams initial)
        : pump_(&initial.pump), ticks_(&initial.ticks), pause_(&initial.pause) {}

    void use(LoopSeams seams) {
        pump_ = &seams.pump;
        ticks_ = &seams.ticks;
        pause_ = &seams.pause;
    }
    LoopSeams seams() { return {*this, *this, *this}; }

    void processPendingEvents() override { pump_->processPendingEvents(); }
    std::uint32_t milliseconds() override { return ticks_->milliseconds(); }
    void wait(std::uint32_t milliseconds) override { pause_->wait(milliseconds); }

  private:
    EventPump* pump_;
    TickCounter* ticks_;
    Pause* pause_;
};

} // namespace kasmon
