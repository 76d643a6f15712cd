// The rules of the verdict that FiscalSession applies between its reads: what
// the driver's result says, and what a line's or a payment's reply proves.
#pragma once

#include "kashost/Verified.h"

namespace kashost::detail {

inline constexpr const char* kUnreadable = "the register's state could not be read";

std::int64_t sumOf(const ReceiptSums& s);  // over the tax groups
std::int64_t paidOf(const ReceiptSums& s); // over the payment forms

// The verdict as the driver's result leaves it: answered, or failed with the
// driver's error and whether it failed for want of an answer.
FiscalVerdict reported(const FiscalRequest& request, std::int16_t result);

// A command not sent, for the state it is checked against could not be read:
// not carried out, with the read's error.
FiscalVerdict notSent(const FiscalRequest& request);

// An answered line whose reply brings the receipt's total from the total before
// by exactly its cost was carried out once; true when the reply proves it.
bool judgeLineReply(FiscalVerdict& v, const FiscalState& before, std::int64_t cost,
                    std::int64_t total);

// An answered payment judged by its reply (the remainder to pay, or the change
// once the receipt is closed); false when the reply cannot tell, for the
// receipt's total is not known and the receipt is still open.
bool judgePaymentReply(FiscalVerdict& v, const FiscalState& before, std::uint32_t left,
                       bool change);

} // namespace kashost::detail
