// Pieces shared by the data queries and the tax-rate programming: the
// register's counter encodings, dates in replies, and the check of a
// caller's open array.
#pragma once

#include "CommandExport.h"
#include "WireFormat.h"
#include "platform/HostLocale.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kasdrv {

// Day sums are unsigned 40-bit numbers.
constexpr int kDaySumWidth = 5;

// Two BCD bytes, units and tens first: 0x05 0x12 is 1205.
inline int ReadBcdNumber(ReplyReader& r) {
    const int low = r.Bcd();
    const int high = r.Bcd();
    return high * 100 + low;
}

inline int64_t ReadDaySum(ReplyReader& r) {
    return static_cast<int64_t>(r.UInt(kDaySumWidth));
}

// Day, month and two-digit year as BCD bytes; empty when they are no
// calendar date. Reading one captures the host's date separator.
inline std::optional<double> ReadBcdDate(ReplyReader& r) {
    const int day = r.Bcd();
    const int month = r.Bcd();
    const int year = platform::WidenTwoDigitYear(r.Bcd(), platform::HostCurrentYear());
    Session().DateSeparator = platform::HostDateSeparator();
    if (!r.ok() || !IsValidDate(year, month, day)) {
        return std::nullopt;
    }
    return EncodeDate(year, month, day);
}

// True when the caller's open array (first element, highest index) cannot
// take `needed` elements. A null array is an output the caller skips.
template <typename T> bool ArrayTooSmall(const T* first, int32_t high, int64_t needed) {
    return first != nullptr && static_cast<int64_t>(high) < needed - 1;
}

// "Массив <what> меньше необходимого (элементов: <needed>)!"
inline int16_t RefuseSmallArray(std::string_view what, int64_t needed) {
    const std::string text = "Массив " + std::string(what) +
                             " меньше необходимого (элементов: " + std::to_string(needed) + ")!";
    return Refuse(text);
}

} // namespace kasdrv
