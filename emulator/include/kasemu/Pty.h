// A POSIX pseudo-terminal as the register's serial port. The emulator holds the master side;
// the host opens the slave (through a symlink such as comN). The emulator keeps a slave
// descriptor of its own open so that the master never sees a hang-up when the host closes
// the port. On Linux the termios of the pair are shared, so the master can read the line
// speed that the host set on the slave.
#pragma once

#include <string>

#include "kasemu/Port.h"

namespace kasemu {

class PtyPort final : public Port {
  public:
    PtyPort(); // throws std::runtime_error
    ~PtyPort() override;
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    const std::string& slavePath() const { return slavePath_; }
    // Wakes every wait and makes read() report the shutdown. Thread-safe.
    void shutdown();

    std::optional<Bytes> read(std::chrono::milliseconds timeout) override;
    void write(std::span<const std::uint8_t> bytes) override;
    bool sleepUntil(TimePoint t) override;
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    std::optional<int> hostBaud() const override;
    void flushInput() override;

  private:
    int master_ = -1;
    int slave_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::string slavePath_;
};

// Points `link` at `target`, replacing an old symlink there and creating missing directories.
// Throws std::runtime_error when `link` exists and is not a symlink.
void makeSymlink(const std::string& target, const std::string& link);
// Removes `link` if it is a symlink pointing at `target`.
void removeSymlink(const std::string& target, const std::string& link);

} // namespace kasemu
