// Every driver export that reads an answer, callable with fixed arguments and
// outputs, so that a fuzzer can aim line bytes at each reply decoder.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace kasfuzz {

// Each call returns the export's result.
std::vector<std::function<int16_t()>>& DriverCalls();

} // namespace kasfuzz
