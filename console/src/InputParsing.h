// Whole numbers and passwords as the user types them into the pages' fields.
// No widget: the rules are tested on their own.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <utility>

namespace kasmon {

// A decimal whole number within T's range; blanks around it are allowed.
template <typename T> std::optional<T> parseInteger(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || !std::in_range<T>(value)) {
        return std::nullopt;
    }
    return static_cast<T>(value);
}

// A register password: 0..65535.
inline std::optional<std::uint16_t> parsePassword(const QString& text) {
    return parseInteger<std::uint16_t>(text);
}

} // namespace kasmon
