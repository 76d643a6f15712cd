// One JSON value per line over a socket: how the service and a register's
// worker process speak.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace kasd {

class Channel {
  public:
    explicit Channel(int fd) : fd_(fd) {}
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    int fd() const { return fd_; }
    // False when the other side is gone.
    bool send(const nlohmann::json& value);
    // The next value; nothing at end of file, on a line that is not JSON, or
    // when `timeoutMs` (-1: no limit) passes first.
    std::optional<nlohmann::json> receive(int timeoutMs = -1);
    // Whether the other side has closed its end (without waiting).
    bool closed();

  private:
    int fd_;
    std::string buffer_;
};

} // namespace kasd
