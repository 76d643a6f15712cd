// Texts between character sets through iconv (POSIX), for the hosts that talk
// to people in UTF-8 and to the driver in Windows-1251.
#pragma once

#include <string>
#include <string_view>

namespace kasiconv {

// `in` from character set `from` into `to`; a character `to` lacks becomes '?'
// and clears *exact (when given).
std::string convert(std::string_view in, const char* to, const char* from, bool* exact = nullptr);

// Whether one UTF-8 character converts into `to` exactly.
bool convertsExactly(std::string_view utf8Character, const char* to);

} // namespace kasiconv
