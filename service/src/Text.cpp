#include "Text.h"

#include <kashost/Text.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace kasd {

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

std::optional<long long> wholeNumber(std::string_view text, long long low, long long high) {
    const std::string digits(text);
    if (digits.empty() || digits.size() > 19) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(digits.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || v < low || v > high) {
        return std::nullopt;
    }
    return v;
}

std::size_t characterCount(std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U;
    }));
}

std::optional<std::string> toRegisterText(std::string_view utf8, std::string* refused) {
    const auto unprintable = kashost::unprintableCharacters(utf8);
    if (!unprintable.empty()) {
        if (refused != nullptr) {
            *refused = unprintable.front();
        }
        return std::nullopt;
    }
    return kashost::toDriverText(utf8);
}

std::string fromDriverText(std::string_view cp1251) {
    return kashost::fromDriverText(cp1251);
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
