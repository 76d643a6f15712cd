#include "platform/posix/BaudRate.h"

namespace kasdrv::platform {

bool BaudConstant(uint32_t baud, speed_t& speed) {
    struct Entry {
        uint32_t baud;
        speed_t speed;
    };
    static constexpr Entry kRates[] = {
        {300, B300},     {600, B600},       {1200, B1200},     {2400, B2400},
        {4800, B4800},   {9600, B9600},     {19200, B19200},   {38400, B38400},
        {57600, B57600}, {115200, B115200}, {230400, B230400},
    };
    for (const auto& e : kRates) {
        if (e.baud == baud) {
            speed = e.speed;
            return true;
        }
    }
    return false;
}

} // namespace kasdrv::platform
