#include "DriverBlock.h"

#include <windows.h>

namespace kashost::detail {

void releaseDriverBlock(char* block) {
    if (block != nullptr) {
        LocalFree(block);
    }
}

} // namespace kashost::detail
