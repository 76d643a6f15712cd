#include "platform/HostLocale.h"

#include <ctime>
#include <langinfo.h>
#include <locale.h>

namespace kasdrv::platform {

namespace {

// The first character of a format that is neither a conversion nor a letter,
// read from the user's locale without touching the process-wide locale.
std::string SeparatorOf(nl_item item, const char* fallback) {
    locale_t loc = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) {
        return fallback;
    }
    std::string result = fallback;
    const char* format = ::nl_langinfo_l(item, loc);
    for (const char* p = format; p != nullptr && *p != '\0'; ++p) {
        if (*p == '%') {
            if (p[1] != '\0') {
                ++p;
            }
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x80 && c != ' ' && !((c | 0x20) >= 'a' && (c | 0x20) <= 'z')) {
            result.assign(1, *p);
            break;
        }
    }
    ::freelocale(loc);
    return result;
}

} // namespace

// A process's locale settings come from its environment and stay as they were
// at start, so they are read once.
std::string HostDateSeparator() {
    static const std::string separator = SeparatorOf(D_FMT, ".");
    return separator;
}

std::string HostTimeSeparator() {
    static const std::string separator = SeparatorOf(T_FMT, ":");
    return separator;
}

int HostCurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local.tm_year + 1900;
}

} // namespace kasdrv::platform
