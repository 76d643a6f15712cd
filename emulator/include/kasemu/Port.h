// The line the register listens on, as the link sees it. The pty transport is the real one;
// tests may substitute a port with a virtual clock.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

#include "kasemu/Cp866.h"

namespace kasemu {

class Port {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~Port() = default;
    // Waits at most `timeout` for bytes. Empty when none came; nothing when the port is
    // being shut down.
    virtual std::optional<Bytes> read(std::chrono::milliseconds timeout) = 0;
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
    // Sleeps until `t`; false when the port is being shut down.
    virtual bool sleepUntil(TimePoint t) = 0;
    virtual TimePoint now() const = 0;
    // The line speed the host side has set, when the port can tell.
    virtual std::optional<int> hostBaud() const = 0;
    // Drops bytes received but not yet read.
    virtual void flushInput() {}
};

} // namespace kasemu
