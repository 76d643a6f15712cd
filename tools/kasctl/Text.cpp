// Text conversion between the terminal (UTF-8) and the driver (Windows-1251).
#include "Subcommand.h"

#include <cerrno>
#include <iconv.h>

namespace kasctl {

namespace {

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

} // namespace kasctl
