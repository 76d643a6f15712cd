// Which commands the link may send again on its own.
#pragma once

#include <cstdint>

namespace kasdrv {

// True when carrying the command out twice leaves the register as carrying it
// out once and prints nothing more of fiscal meaning (queries, settings,
// programming that overwrites a value, a line feed). Everything else, and any
// command byte the driver does not know, is sent again only when the register
// plainly did not take it (NAK, or not one byte within the answer window).
bool IsRepeatable(uint8_t commandByte);

} // namespace kasdrv
