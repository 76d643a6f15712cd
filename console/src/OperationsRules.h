// The rules of the "Операции" page for what the user types, kept apart from the
// widgets: the article line of a sale, return or cancelled position, the sum
// from the client, the service cash amounts and the discount or mark-up. Each
// check gives the value, or the refusal the page shows.
#pragma once

#include "LocaleFormat.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace kasmon::operations {

template <typename T> struct Checked {
    std::optional<T> value;
    QString error; // the refusal when there is no value
};

// The four fields of the sale group as typed.
struct ArticleFields {
    QString code, name, quantity, price;
};
struct ArticleLine {
    std::int64_t code = 0;
    Quantity quantity;
    std::int32_t price = 0;
    bool operator==(const ArticleLine&) const = default;
};
// Empty fields first (a cancelled position names its fields otherwise), then
// the code, the quantity and the price in turn. A price travels as a signed
// 32-bit number, and a cancelled position negates it.
Checked<ArticleLine> checkArticle(const ArticleFields& fields, bool cancel,
                                  const LocaleFormat& locale);

// The sum taken from the client: a 32-bit amount.
Checked<std::uint32_t> checkPayment(const QString& text, const LocaleFormat& locale);

// A service cash-in (deposit) or cash-out. A negative amount is refused: as a
// 32-bit amount it would book an enormous deposit or withdrawal.
Checked<std::uint32_t> checkCash(const QString& text, bool deposit, const LocaleFormat& locale);

// The discount types 0..3 of the list, -1 for a text typed by hand. True when
// the type takes a percent, false when it takes an amount, nothing for -1.
std::optional<bool> takesPercent(int type);

struct Discount {
    std::int32_t percent = 0;
    std::int32_t amount = 0; // hryvnias as kopecks
    bool operator==(const Discount&) const = default;
};
// A type typed by hand reads the amount; the driver refuses the type.
Checked<Discount> checkDiscount(int type, const QString& percent, const QString& amount,
                                const LocaleFormat& locale);

} // namespace kasmon::operations
