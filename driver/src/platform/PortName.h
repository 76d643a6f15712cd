// Maps the driver's port numbers (1 = the first port) onto device names.
#pragma once

#include <cstdint>
#include <string>

namespace kasdrv::platform {

// POSIX: the `comN` entry of $KASDRV_DEVICES (else $HOME/.kasdrv/dosdevices)
// when it exists, else /dev/ttyS<N-1>. Windows: \\.\COMN.
// Returns an empty string for port 0.
std::string PortDevicePath(uint8_t portNumber);

// POSIX: the directory searched for `comN` entries, empty when neither
// $KASDRV_DEVICES nor $HOME is set.
std::string PortDevicesDirectory();

} // namespace kasdrv::platform
