// Text conversion between the terminal (UTF-8) and the driver (Windows-1251):
// iconv on POSIX, the system's code page services on Windows.
#include "Subcommand.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#endif

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
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string(in);
    }
    std::string out;
    std::string input(in);
    char* inPtr = input.data();
    std::size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            out.push_back('?'); // a character the other side lacks
            ++inPtr;
            --inLeft;
        }
    }
    ::iconv_close(cd);
    return out;
}

} // namespace

std::string FromDriverText(const char* cp1251) {
    return cp1251 == nullptr ? std::string() : Convert(cp1251, "UTF-8", "CP1251");
}

std::string ToDriverText(std::string_view utf8) { return Convert(utf8, "CP1251", "UTF-8"); }

std::vector<std::string> Utf8CommandLine(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

#endif

} // namespace kasctl
