#include "platform/TextBlock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kasdrv::platform {

char* AllocateTextBlock(std::string_view text) {
    auto* block = static_cast<char*>(std::malloc(kTextBlockSize));
    if (block == nullptr) {
        return nullptr;
    }
    const std::size_t n = std::min(text.size(), kTextBlockSize - 1);
    std::memcpy(block, text.data(), n);
    std::memset(block + n, 0, kTextBlockSize - n);
    return block;
}

void ReleaseTextBlock(char* block) { std::free(block); }

} // namespace kasdrv::platform
