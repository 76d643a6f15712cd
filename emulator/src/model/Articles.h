// The article table's bookkeeping, shared by the article commands and the receipts.
#pragma once

#include <cstdint>

#include "kasemu/RegisterState.h"

namespace kasemu::articles {

// A quantity in units of 10^-fromDecimals expressed in units of 10^-toDecimals (rounded).
std::int64_t rescale(std::int64_t quantity, int fromDecimals, int toDecimals);

// Books the item lines of a receipt that has just been closed into the turnover of their
// articles; a line of an article the table does not know yet describes it ("programmed
// during sales").
void bookReceipt(RegisterState& s, const Receipt& r);

} // namespace kasemu::articles
