// Every driver export that reads an answer, callable with fixed arguments and
// outputs, so that a fuzzer can aim line bytes at each reply decoder.
#pragma once

#include <functional>
#include <vector>

namespace kasfuzz {

std::vector<std::function<void()>>& DriverCalls();

} // namespace kasfuzz
