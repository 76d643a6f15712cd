// What kasctl says when the driver cannot open the port.
#pragma once

#include <cstdint>

namespace kasctl {

// Prints to stderr the port, its device, the system's reason and what to do.
void ReportPortFailure(uint8_t port, uint32_t baud);

} // namespace kasctl
