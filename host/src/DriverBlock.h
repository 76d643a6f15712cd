// Text blocks the driver hands out belong to the caller; this gives them back
// the way the driver's platform allocates them.
#pragma once

namespace kashost::detail {

void releaseDriverBlock(char* block);

} // namespace kashost::detail
