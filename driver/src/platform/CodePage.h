// Code page conversions: Windows-1251 at the library's interface, code page
// 866 on the wire, UTF-8 in the driver's own source texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kasdrv::platform {

// A character that the target code page lacks becomes '?'.
std::string Cp1251ToCp866(std::string_view cp1251);
std::string Cp866ToCp1251(std::string_view cp866);
std::string Utf8ToCp1251(std::string_view utf8);
std::string Cp1251ToUtf8(std::string_view cp1251);

} // namespace kasdrv::platform
