// Text conversion between the terminal (UTF-8) and the driver (Windows-1251):
// iconv on POSIX, the system's code page services on Windows.
#include "Subcommand.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <kasiconv/Iconv.h>
#endif

#include <algorithm>
#include <iterator>

namespace kasctl {

namespace {

#if defined(_WIN32)

constexpr UINT kCp1251 = 1251;

// Through UTF-16; a character the other side lacks becomes '?'.
std::string Convert(std::string_view in, UINT to, UINT from) {
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
bool InBothCodePages(std::string_view character) {
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

} // namespace

std::string FromDriverText(const char* cp1251) {
    return cp1251 == nullptr ? std::string() : Convert(cp1251, CP_UTF8, kCp1251);
}

std::string ToDriverText(std::string_view utf8) {
    return Convert(utf8, kCp1251, CP_UTF8);
}

std::vector<std::string> Utf8CommandLine(int argc, char** argv) {
    // The words as typed, whatever the console's code page; output in UTF-8.
    ::SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> words;
    for (int i = 0; i < count; ++i) {
        const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string word(n > 0 ? static_cast<std::size_t>(n) : 1, '\0');
        if (n > 0) {
            ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, word.data(), n, nullptr, nullptr);
        }
        word.resize(word.size() - 1);
        words.push_back(std::move(word));
    }
    ::LocalFree(wide);
    return words;
}

#else

std::string Convert(std::string_view in, const char* to, const char* from) {
    return kasiconv::convert(in, to, from);
}

// One character (UTF-8) that both the driver's code page and the register's
// 866 hold exactly.
bool InBothCodePages(std::string_view character) {
    return kasiconv::convertsExactly(character, "CP1251") &&
           kasiconv::convertsExactly(character, "CP866");
}

} // namespace

std::string FromDriverText(const char* cp1251) {
    return cp1251 == nullptr ? std::string() : Convert(cp1251, "UTF-8", "CP1251");
}

std::string ToDriverText(std::string_view utf8) {
    return Convert(utf8, "CP1251", "UTF-8");
}

std::vector<std::string> Utf8CommandLine(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

#endif

std::vector<std::string> UnprintableCharacters(std::string_view utf8) {
    // Printed as I, i, N and the Belarusian ў: the driver's own substitutions.
    static constexpr std::string_view kSubstituted[] = {"І", "і", "№", "Ґ", "ґ"};
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
            printable = std::find(std::begin(kSubstituted), std::end(kSubstituted), character) !=
                            std::end(kSubstituted) ||
                        InBothCodePages(character);
        }
        if (!printable && std::find(refused.begin(), refused.end(), character) == refused.end()) {
            refused.push_back(character);
        }
    }
    return refused;
}

} // namespace kasctl
