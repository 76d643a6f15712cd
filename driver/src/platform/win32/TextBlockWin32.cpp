#include "platform/TextBlock.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace kasdrv::platform {

// Callers release the blocks with LocalFree.
char* AllocateTextBlock(std::string_view text) {
    auto* block = static_cast<char*>(::LocalAlloc(LMEM_FIXED, kTextBlockSize));
    if (block == nullptr) {
        return nullptr;
    }
    const std::size_t n = std::min(text.size(), kTextBlockSize - 1);
    std::memcpy(block, text.data(), n);
    std::memset(block + n, 0, kTextBlockSize - n);
    return block;
}

void ReleaseTextBlock(char* block) {
    if (block != nullptr) {
        ::LocalFree(block);
    }
}

} // namespace kasdrv::platform
