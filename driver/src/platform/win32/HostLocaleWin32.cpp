#include "platform/HostLocale.h"

#include <windows.h>

namespace kasdrv::platform {

namespace {

constexpr UINT kCp1251 = 1251;

// The first character of the user's separator as a Windows-1251 text; the
// fallback when the locale has none or it has no Windows-1251 form.
std::string LocaleSeparator(LCTYPE item, const char* fallback) {
    wchar_t wide[8] = {};
    const int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, item, wide, 8);
    if (n <= 1) {
        return fallback;
    }
    char narrow[16] = {};
    BOOL lossy = FALSE;
    const int m =
        ::WideCharToMultiByte(kCp1251, 0, wide, 1, narrow, sizeof narrow, nullptr, &lossy);
    if (m != 1 || lossy != FALSE) {
        return fallback;
    }
    return std::string(1, narrow[0]);
}

} // namespace

std::string HostDateSeparator() {
    return LocaleSeparator(LOCALE_SDATE, ".");
}
std::string HostTimeSeparator() {
    return LocaleSeparator(LOCALE_STIME, ":");
}

int HostCurrentYear() {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    return local.wYear;
}

} // namespace kasdrv::platform
