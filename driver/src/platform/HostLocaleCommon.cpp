#include "platform/HostLocale.h"

namespace kasdrv::platform {

int WidenTwoDigitYear(int twoDigitYear, int currentYear) {
    const int windowStart = currentYear - 50;
    int year = (windowStart / 100) * 100 + twoDigitYear;
    if (year < windowStart) {
        year += 100;
    }
    return year;
}

} // namespace kasdrv::platform
