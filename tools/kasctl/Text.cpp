// The command line in UTF-8: on Windows the words as typed, whatever the
// console's code page. The texts themselves are converted by kashost.
#include "Subcommand.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace kasctl {

#if defined(_WIN32)

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

std::vector<std::string> Utf8CommandLine(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

#endif

} // namespace kasctl
