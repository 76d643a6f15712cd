#include "platform/PortName.h"

namespace kasdrv::platform {

// The device namespace form works for every port number, COM10 and up too.
std::string PortDevicePath(uint8_t portNumber) {
    if (portNumber == 0) {
        return {};
    }
    return "\\\\.\\COM" + std::to_string(portNumber);
}

} // namespace kasdrv::platform
