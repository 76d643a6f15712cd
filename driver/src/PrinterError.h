// Turns the register's status and result bytes into the driver's error text
// and codes.
#pragma once

#include <cstdint>

namespace kasdrv {

// True when both bytes are 0. Otherwise sets ErrorText (trailer, "\r\n",
// message), LastStatusByte and LastResultByte and returns false. A paper
// error asks the register for its paper sensors to choose the message.
bool DecodeStatus(uint8_t statusByte, uint8_t resultByte);

} // namespace kasdrv
