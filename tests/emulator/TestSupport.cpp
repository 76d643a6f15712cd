#include "TestSupport.h"

#include <cstdio>
#include <sstream>

namespace kasemu::test {

Bytes hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    std::string tok;
    while (in >> tok) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(tok, nullptr, 16)));
    }
    return out;
}

std::string hex(std::span<const std::uint8_t> bytes) {
    std::string s;
    char buf[4];
    for (const std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        s += buf;
    }
    if (!s.empty()) {
        s.pop_back();
    }
    return s;
}

} // namespace kasemu::test
