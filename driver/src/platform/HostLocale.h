// The host's regional settings that the driver reads: date and time
// separators and the current year for widening two-digit years.
#pragma once

#include <string>

namespace kasdrv::platform {

std::string HostDateSeparator();
std::string HostTimeSeparator();
int HostCurrentYear();

// Widens a two-digit year by a window of 50 years around the current year:
// the result lies in [currentYear - 50, currentYear + 49].
int WidenTwoDigitYear(int twoDigitYear, int currentYear);

} // namespace kasdrv::platform
