// Small pieces shared by the receipt, printing and report exports.
#pragma once

#include "DriverUnit.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kasdrv {

// A caller's Windows-1251 text in the register's code page; null is empty.
// One character of the text is one byte of the result.
inline std::string DeviceTextOf(const char* cp1251) {
    return ToDeviceText(cp1251 != nullptr ? std::string_view(cp1251) : std::string_view());
}

// Article codes travel in six bytes: 0 up to 2^48 - 1; others have no encoding.
inline bool ArticleCodeFits(int64_t code) {
    return code >= 0 && code < (int64_t{1} << 48);
}
inline constexpr std::string_view kBadArticleCodeText = "Недопустимый код артикула!";

// The EAN-13 check digit of the first twelve of thirteen decimal digits:
// three times the digits in even places plus those in odd places, up to the
// next multiple of ten.
inline int Ean13CheckDigit(std::string_view digits) {
    int odd = 0;
    int even = 0;
    for (std::size_t i = 0; i < 12 && i < digits.size(); ++i) {
        const int d = digits[i] - '0';
        (i % 2 == 0 ? odd : even) += d;
    }
    const int c = (3 * even + odd) % 10;
    return c == 0 ? 0 : 10 - c;
}

} // namespace kasdrv
