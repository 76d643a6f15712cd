// The body of POST /v1/registers/{n}/receipts decoded into what the register
// is to be sent. Decoding checks everything that can be checked before a
// byte goes to the register: names, types, ranges, texts the register cannot
// print, and that the payments cover the receipt.
//
//     {"kind": "sale",
//      "lines": [{"name": "Хлеб", "quantity": 1500, "decimals": 3, "price": 2500,
//                 "taxGroup": "А", "article": 12, "unit": false, "printBarcode": false}],
//      "adjustment": {"type": "discount", "percent": 5, "text": "Картка клієнта"},
//      "comments": ["Дякуємо за покупку"], "barcodes": ["ORDER-1234"],
//      "payments": [{"form": "cash", "amount": 5000}],
//      "copy": false}
//
// Money is in kopecks; a quantity of 1500 with 3 decimals is 1.5. A line may
// carry an "adjustment" of its own (on that line); the receipt's adjustment
// applies to the subtotal after the lines, then the comments and bar codes
// are printed, then the payments taken.
#pragma once

#include "Problem.h"

#include <kashost/Verified.h>

#include <cstdint>
#include <optional>
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

inline constexpr std::size_t kMaxComments = 10;
inline constexpr std::size_t kMaxCommentCharacters = 27;
inline constexpr std::size_t kMaxAdjustmentTextCharacters = 25;
inline constexpr std::size_t kMaxBarcodeCharacters = 16;

// A discount or surcharge, in whole percents or in kopecks.
struct PlannedAdjustment {
    bool discount = true;
    bool percent = true;
    std::int32_t value = 0;
    std::string text; // Windows-1251, may be empty
};

struct ReceiptPlan {
    bool payout = false;
    std::vector<kashost::SaleLine> lines;                          // names in Windows-1251
    std::vector<std::optional<PlannedAdjustment>> lineAdjustments; // one per line
    std::optional<PlannedAdjustment> subtotalAdjustment;
    std::vector<std::string> comments; // Windows-1251
    std::vector<std::string> barcodes; // Code-128, ASCII
    std::vector<PlannedPayment> payments;
    bool copy = false;      // print the non-fiscal copy
    std::int64_t total = 0; // the lines' total as the register reckons it
    bool adjusted() const;  // some adjustment: the register tells the total
};

// Whether the payments fit a receipt of `total`: they cover it, a payment
// that is not cash does not exceed it, and none follows a covered total. The
// problem names the payment (400 when decoding; the caller sets its own).
std::optional<Problem> checkPayments(const std::vector<PlannedPayment>& payments,
                                     std::int64_t total);

// The plan, or the problem (400) naming the field.
std::variant<ReceiptPlan, Problem> decodeReceipt(std::string_view body);

} // namespace kasd
