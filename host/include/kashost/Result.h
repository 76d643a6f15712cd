// The driver's result convention and its last error.
#pragma once

#include <cstdint>
#include <string>

namespace kashost {

// A driver result: -1 for success, 0 for failure; only the low 16 bits count.
constexpr bool succeeded(std::int16_t result) {
    return (static_cast<std::uint16_t>(result) & 0xFFFFU) != 0;
}

// What the driver says about its last call: the text (Windows-1251) and the
// register's result, status and extended status bytes.
struct DriverError {
    std::string text;
    std::uint8_t result = 0;
    std::uint8_t status = 0;
    std::uint8_t extStatus = 0;
};

// Reads the last error; fetch it before the next command, which empties it.
DriverError lastError();

} // namespace kashost
