// Text blocks handed to callers, who own and release them: malloc() on POSIX,
// LocalAlloc() on Windows.
#pragma once

#include <string_view>

namespace kasdrv::platform {

constexpr std::size_t kTextBlockSize = 256;

// A fresh 256-byte block holding the text (cut to 255 bytes) and a NUL.
// Returns null when memory runs out.
char* AllocateTextBlock(std::string_view text);
// Releases a block the driver allocated but did not hand out.
void ReleaseTextBlock(char* block);

} // namespace kasdrv::platform
