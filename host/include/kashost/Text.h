// Texts between people (UTF-8) and the driver (Windows-1251): iconv on POSIX,
// the system's code page services on Windows. The register prints what both
// the driver's code page and its own (866) hold, and І, і, №, Ґ, ґ, which the
// driver sends as others.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kashost {

// A UTF-8 text in the driver's code page; a character it lacks becomes '?'.
std::string toDriverText(std::string_view utf8);
// A text the driver handed out (Windows-1251) as UTF-8.
std::string fromDriverText(std::string_view cp1251);
// The characters of a UTF-8 text the register cannot print, each once, in order.
std::vector<std::string> unprintableCharacters(std::string_view utf8);
// Why the register cannot print `utf8` ("'5€': the register cannot print "€"
// (U+20AC)"), or "" when it can.
std::string unprintableError(std::string_view utf8);

} // namespace kashost
