// The register's character set: code page 866, where the places of Ў and ў (0xF6, 0xF7) carry
// the Ukrainian Ґ and ґ on this register's printer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kasemu {

using Bytes = std::vector<std::uint8_t>;

// UTF-8 to the register's code page; characters without a place become '?'.
Bytes utf8ToDevice(std::string_view utf8);
// The register's code page to UTF-8.
std::string deviceToUtf8(const std::uint8_t* data, std::size_t size);
inline std::string deviceToUtf8(const Bytes& b) {
    return deviceToUtf8(b.data(), b.size());
}
inline std::string deviceToUtf8(const std::string& b) {
    return deviceToUtf8(reinterpret_cast<const std::uint8_t*>(b.data()), b.size());
}
// Number of characters (code points) in a UTF-8 text.
std::size_t utf8Length(std::string_view utf8);

} // namespace kasemu
