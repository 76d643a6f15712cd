#include "DriverBlock.h"

#include <cstdlib>

namespace kashost::detail {

void releaseDriverBlock(char* block) {
    std::free(block);
}

} // namespace kashost::detail
