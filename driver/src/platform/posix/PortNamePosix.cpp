#include "platform/PortName.h"

#include <cstdlib>
#include <sys/stat.h>

namespace kasdrv::platform {

std::string PortDevicesDirectory() {
    if (const char* dir = std::getenv("KASDRV_DEVICES"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.kasdrv/dosdevices";
    }
    return {};
}

std::string PortDevicePath(uint8_t portNumber) {
    if (portNumber == 0) {
        return {};
    }
    const std::string dir = PortDevicesDirectory();
    if (!dir.empty()) {
        const std::string entry = dir + "/com" + std::to_string(portNumber);
        struct stat st {};
        if (::lstat(entry.c_str(), &st) == 0) {
            return entry;
        }
    }
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

} // namespace kasdrv::platform
