#include "kasiconv/Iconv.h"

#include <cerrno>
#include <iconv.h>

namespace kasiconv {

std::string convert(std::string_view in, const char* to, const char* from, bool* exact) {
    bool whole = true;
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        if (exact != nullptr) {
            *exact = false;
        }
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
            whole = false;
            out.push_back('?'); // a character the other side lacks
            ++inPtr;
            --inLeft;
        }
    }
    ::iconv_close(cd);
    if (exact != nullptr) {
        *exact = whole;
    }
    return out;
}

bool convertsExactly(std::string_view utf8Character, const char* to) {
    bool exact = false;
    convert(utf8Character, to, "UTF-8", &exact);
    return exact;
}

} // namespace kasiconv
