// A pseudo-terminal as the register's serial port: the emulator serves the master side and
// the host opens the slave (through a symlink such as comN).
#pragma once

#include <string>

#include "kasemu/Port.h"
#include "kaspty/Pty.h"

namespace kasemu {

class PtyPort final : public Port {
  public:
    PtyPort(); // throws std::system_error
    ~PtyPort() override;
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    const std::string& slavePath() const { return pty_.slavePath(); }
    // Wakes every wait and makes read() report the shutdown. Thread-safe.
    void shutdown();

    std::optional<Bytes> read(std::chrono::milliseconds timeout) override;
    void write(std::span<const std::uint8_t> bytes) override;
    bool sleepUntil(TimePoint t) override;
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    std::optional<int> hostBaud() const override;
    void flushInput() override;

  private:
    kaspty::PseudoTerminal pty_;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
};

} // namespace kasemu
