// The register's time base. The model never reads the host clock directly: it asks a Clock,
// so tests can run the register at any date and move it forward at will.
#pragma once

#include <atomic>
#include <cstdint>

namespace kasemu {

// A civil (wall-clock) date and time, no time zone attached.
struct CivilTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Seconds since 1970-01-01 00:00:00 of the civil calendar (no time zone, no leap seconds).
std::int64_t toSeconds(const CivilTime& t);
CivilTime fromSeconds(std::int64_t seconds);
bool isValidDate(int year, int month, int day);

class Clock {
  public:
    virtual ~Clock() = default;
    // Current local civil time in seconds since 1970-01-01 00:00:00.
    virtual std::int64_t now() const = 0;
};

// The host's local time.
class SystemClock final : public Clock {
  public:
    std::int64_t now() const override;
};

// A clock that stands still until told otherwise; thread-safe.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(std::int64_t start) : now_(start) {}
    explicit ManualClock(const CivilTime& start) : now_(toSeconds(start)) {}
    std::int64_t now() const override { return now_.load(); }
    void set(std::int64_t seconds) { now_.store(seconds); }
    void advance(std::int64_t seconds) { now_.fetch_add(seconds); }

  private:
    std::atomic<std::int64_t> now_;
};

} // namespace kasemu
