#include "Text.h"

#include <kasiconv/Iconv.h>

#include <algorithm>

namespace kasd {

using kasiconv::convert;
using kasiconv::convertsExactly;

bool validUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            if (t < (k == 1 ? low : 0x80) || t > (k == 1 ? high : 0xBF)) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

std::size_t characterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U;
    }));
}

std::optional<std::string> toRegisterText(std::string_view utf8, std::string* refused) {
    // Printed as I, i, N and the Belarusian ў: the driver's own substitutions.
    static constexpr std::string_view kSubstituted[] = {"І", "і", "№", "Ґ", "ґ"};
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        length = std::min(length, utf8.size() - i);
        const std::string_view character = utf8.substr(i, length);
        i += length;
        bool printable = false;
        if (lead < 0x80) {
            printable = lead >= 0x20 && lead < 0x7F;
        } else if (std::find(std::begin(kSubstituted), std::end(kSubstituted), character) !=
                   std::end(kSubstituted)) {
            printable = true;
        } else {
            printable = convertsExactly(character, "CP1251") && convertsExactly(character, "CP866");
        }
        if (!printable) {
            if (refused != nullptr) {
                *refused = std::string(character);
            }
            return std::nullopt;
        }
    }
    return convert(utf8, "CP1251", "UTF-8", nullptr);
}

std::string fromDriverText(std::string_view cp1251) {
    return convert(cp1251, "UTF-8", "CP1251", nullptr);
}

std::string driverErrorText(std::string_view cp1251) {
    std::string text = fromDriverText(cp1251);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    const auto first = text.find_first_not_of('\n');
    text.erase(0, first == std::string::npos ? text.size() : first);
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

} // namespace kasd
