// A register's worker process: `kasd --worker N --baud B` with the service's
// end of a socket on descriptor 3. It owns the driver (which serves one port
// per process), runs the jobs the service sends one at a time, and tells the
// service what it is about to send before it sends it. It ends when the
// service closes the socket or dies.
#pragma once

#include <cstdint>

namespace kasd {

inline constexpr int kWorkerChannelFd = 3;

int runWorker(int port, std::uint32_t baud, int fd);

} // namespace kasd
