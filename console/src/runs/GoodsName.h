// Names of the generated articles, in the driver's code page (Windows-1251).
#pragma once

#include <cstdint>
#include <string>

namespace kasmon {

// "Товар " followed by the number in decimal.
std::string generatedGoodsName(std::int64_t number);

} // namespace kasmon
