// The line speeds a POSIX serial port takes, as termios speed constants.
#pragma once

#include <cstdint>
#include <termios.h>

namespace kasdrv::platform {

// False for a speed termios has no constant for.
bool BaudConstant(uint32_t baud, speed_t& speed);

} // namespace kasdrv::platform
