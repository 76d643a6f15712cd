// The body of POST /v1/registers/{n}/receipts decoded into what the register
// is to be sent. Decoding checks everything that can be checked before a
// byte goes to the register: names, types, ranges, texts the register cannot
// print, and that the payments cover the receipt.
//
//     {"kind": "sale",
//      "lines": [{"name": "Хлеб", "quantity": 1500, "decimals": 3, "price": 2500,
//                 "taxGroup": "А", "article": 12, "unit": false, "printBarcode": false}],
//      "payments": [{"form": "cash", "amount": 5000}],
//      "copy": false}
//
// Money is in kopecks; a quantity of 1500 with 3 decimals is 1.5.
#pragma once

#include "Problem.h"

#include <kashost/Verified.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kasd {

inline constexpr std::size_t kMaxBodyBytes = 64 * 1024;
inline constexpr std::size_t kMaxLines = 200;
inline constexpr std::size_t kMaxPayments = 4;
inline constexpr std::size_t kMaxNameCharacters = 50;

struct PlannedPayment {
    std::uint8_t form = 0; // 0..3 in the order of kashost::reg::kPaymentForms
    std::uint32_t amount = 0;
};

struct ReceiptPlan {
    bool payout = false;
    std::vector<kashost::SaleLine> lines; // names in Windows-1251
    std::vector<PlannedPayment> payments;
    bool copy = false;      // print the non-fiscal copy
    std::int64_t total = 0; // the receipt's total as the register reckons it
};

// The plan, or the problem (400) naming the field.
std::variant<ReceiptPlan, Problem> decodeReceipt(std::string_view body);

} // namespace kasd
