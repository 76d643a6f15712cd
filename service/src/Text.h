// Texts between the HTTP side (UTF-8) and the driver (Windows-1251).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kasd {

// The text in Windows-1251 when every character of it is one the register can
// print (both its code pages hold it, or the driver substitutes it); nothing
// otherwise, with the first character that cannot be printed in `refused`.
std::optional<std::string> toRegisterText(std::string_view utf8, std::string* refused = nullptr);

// A Windows-1251 text the driver handed out, as UTF-8.
std::string fromDriverText(std::string_view cp1251);

// The driver's error text as UTF-8 without its carriage returns and leading
// line breaks.
std::string driverErrorText(std::string_view cp1251);

// Whether the text is well-formed UTF-8 (no overlong forms, no surrogates).
bool validUtf8(std::string_view text);

// A whole number written in decimal digits (a leading '-' allowed) from `low`
// to `high`; nothing for anything else.
std::optional<long long> wholeNumber(std::string_view text, long long low, long long high);

// The number of characters of a UTF-8 text.
std::size_t characterCount(std::string_view utf8);

} // namespace kasd
