#include "kashost/Text.h"

#include "kashost/Register.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <kasiconv/Iconv.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>

namespace kashost {

namespace {

#if defined(_WIN32)

constexpr UINT kCp1251 = 1251;

// Through UTF-16; a character the other side lacks becomes '?'.
std::string convert(std::string_view in, UINT to, UINT from) {
    if (in.empty()) {
        return {};
    }
    const int inLength = static_cast<int>(in.size());
    const int wideLength = ::MultiByteToWideChar(from, 0, in.data(), inLength, nullptr, 0);
    if (wideLength <= 0) {
        return std::string(in);
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(from, 0, in.data(), inLength, wide.data(), wideLength);
    const int outLength =
        ::WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (outLength <= 0) {
        return std::string(in);
    }
    std::string out(static_cast<std::size_t>(outLength), '\0');
    ::WideCharToMultiByte(to, 0, wide.data(), wideLength, out.data(), outLength, nullptr, nullptr);
    return out;
}

// One character (UTF-8) that both the driver's code page and the register's
// 866 hold exactly.
bool inBothCodePages(std::string_view character) {
    wchar_t wide[4] = {};
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, character.data(),
                                        static_cast<int>(character.size()), wide, 4);
    if (n <= 0) {
        return false;
    }
    for (const UINT page : {kCp1251, UINT{866}}) {
        char out[8];
        BOOL usedDefault = FALSE;
        if (::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide, n, out, sizeof out, nullptr,
                                  &usedDefault) <= 0 ||
            usedDefault) {
            return false;
        }
    }
    return true;
}

std::string toUtf8(std::string_view cp1251) {
    return convert(cp1251, CP_UTF8, kCp1251);
}
std::string toCp1251(std::string_view utf8) {
    return convert(utf8, kCp1251, CP_UTF8);
}

#else

bool inBothCodePages(std::string_view character) {
    return kasiconv::convertsExactly(character, "CP1251") &&
           kasiconv::convertsExactly(character, "CP866");
}

std::string toUtf8(std::string_view cp1251) {
    return kasiconv::convert(cp1251, "UTF-8", "CP1251");
}
std::string toCp1251(std::string_view utf8) {
    return kasiconv::convert(utf8, "CP1251", "UTF-8");
}

#endif

// A character for an error message: itself with its code point, or the byte
// value of a control character or of a byte that is not UTF-8.
std::string describeCharacter(const std::string& character) {
    const auto lead = static_cast<unsigned char>(character[0]);
    const std::size_t n = character.size();
    const bool complete = (n == 2 && lead >= 0xC0 && lead < 0xE0) ||
                          (n == 3 && lead >= 0xE0 && lead < 0xF0) || (n == 4 && lead >= 0xF0);
    char buf[16];
    if (lead < 0x80 || !complete) {
        std::snprintf(buf, sizeof buf, "byte 0x%02X", lead);
        return buf;
    }
    std::uint32_t code = lead & (0xFF >> (n + 1));
    for (std::size_t k = 1; k < n; ++k) {
        code = (code << 6) | (static_cast<unsigned char>(character[k]) & 0x3F);
    }
    std::snprintf(buf, sizeof buf, " (U+%04X)", static_cast<unsigned>(code));
    return "\"" + character + "\"" + buf;
}

} // namespace

std::string toDriverText(std::string_view utf8) {
    return toCp1251(utf8);
}

std::string fromDriverText(std::string_view cp1251) {
    return toUtf8(cp1251);
}

std::vector<std::string> unprintableCharacters(std::string_view utf8) {
    // The characters the driver sends as others (І as I, Ґ as Ў ...) print too.
    const auto substituted = [](const std::string& character) {
        const std::string cp1251 = toCp1251(character);
        return cp1251.size() == 1 &&
               std::any_of(
                   reg::kKeptCharacters.begin(), reg::kKeptCharacters.end(),
                   [&](const auto& k) { return k.sent == static_cast<unsigned char>(cp1251[0]); });
    };
    std::vector<std::string> refused;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        length = std::min(length, utf8.size() - i);
        const std::string character(utf8.substr(i, length));
        i += length;
        bool printable = false;
        if (lead >= 0x20 && lead < 0x7F) {
            printable = true;
        } else if (lead >= 0xC0) {
            printable = substituted(character) || inBothCodePages(character);
        }
        if (!printable && std::find(refused.begin(), refused.end(), character) == refused.end()) {
            refused.push_back(character);
        }
    }
    return refused;
}

std::string unprintableError(std::string_view utf8) {
    const std::vector<std::string> refused = unprintableCharacters(utf8);
    if (refused.empty()) {
        return {};
    }
    std::string list;
    for (const std::string& c : refused) {
        list += (list.empty() ? "" : ", ") + describeCharacter(c);
    }
    return "'" + std::string(utf8) + "': the register cannot print " + list;
}

} // namespace kashost
