#include "OperationsRules.h"

#include "InputParsing.h"

#include <limits>

namespace kasmon::operations {

namespace {

constexpr std::int64_t kMaxAmount = 0xFFFFFFFFLL; // what a 32-bit amount can carry
constexpr std::int64_t kMaxPrice = std::numeric_limits<std::int32_t>::max();

const QString kBadAmount = QStringLiteral("Введите сумму в гривнах!");

template <typename T> Checked<T> refused(const QString& error) {
    return {std::nullopt, error};
}

} // namespace

Checked<ArticleLine> checkArticle(const ArticleFields& f, bool cancel, const LocaleFormat& locale) {
    if (f.code.isEmpty() || f.name.isEmpty() || f.quantity.isEmpty() || f.price.isEmpty()) {
        return refused<ArticleLine>(
            cancel ? QStringLiteral("Поля \"Наименование\", \"Количество\" и \"Цена\"\r\n"
                                    "           не могут быть пустыми!")
                   : QStringLiteral("Поля \"Код\", \"Наименование\", \"Количество\" и \"Цена\"\r\n"
                                    "           не могут быть пустыми!"));
    }
    ArticleLine line;
    const std::optional<std::int64_t> code = parseInteger<std::int64_t>(f.code);
    if (!code) {
        return refused<ArticleLine>(QStringLiteral("Код товара задан неверно!"));
    }
    line.code = *code;
    const std::optional<Quantity> quantity = locale.parseQuantity(f.quantity);
    if (!quantity) {
        return refused<ArticleLine>(QStringLiteral("Неправильный формат количества!"));
    }
    line.quantity = *quantity;
    const std::optional<std::int64_t> price = locale.parsePrice(f.price);
    if (!price || *price > kMaxPrice || *price < -kMaxPrice) {
        return refused<ArticleLine>(QStringLiteral("Введите цену в гривнах!"));
    }
    line.price = static_cast<std::int32_t>(*price);
    return {line, {}};
}

Checked<std::uint32_t> checkPayment(const QString& text, const LocaleFormat& locale) {
    if (text.isEmpty()) {
        return refused<std::uint32_t>(QStringLiteral("Введите сумму принятую от клиента!"));
    }
    const std::optional<std::int64_t> amount = locale.parsePrice(text);
    if (!amount || *amount < 0 || *amount > kMaxAmount) {
        return refused<std::uint32_t>(kBadAmount);
    }
    return {static_cast<std::uint32_t>(*amount), {}};
}

Checked<std::uint32_t> checkCash(const QString& text, bool deposit, const LocaleFormat& locale) {
    if (text.isEmpty()) {
        return refused<std::uint32_t>(
            deposit ? QStringLiteral("Введите сумму для служебного внесения!")
                    : QStringLiteral("Введите сумму для служебного изъятия!"));
    }
    const std::optional<std::int64_t> amount = locale.parseCash(text);
    if (!amount || *amount < 0) {
        return refused<std::uint32_t>(kBadAmount);
    }
    if (*amount > kMaxAmount) {
        return refused<std::uint32_t>(
            deposit ? QStringLiteral("Максимальная сумма служебного внесения составляет "
                                     "42949672.95 грн!")
                    : QStringLiteral("Максимальная сумма служебного изъятия составляет "
                                     "42949672.95 грн!"));
    }
    return {static_cast<std::uint32_t>(*amount), {}};
}

std::optional<bool> takesPercent(int type) {
    if (type == 0 || type == 2) {
        return true;
    }
    if (type == 1 || type == 3) {
        return false;
    }
    return std::nullopt;
}

Checked<Discount> checkDiscount(int type, const QString& percent, const QString& amount,
                                const LocaleFormat& locale) {
    Discount d;
    if (takesPercent(type).value_or(false)) {
        const std::optional<std::int32_t> value = parseInteger<std::int32_t>(percent);
        if (!value) {
            return refused<Discount>(
                QStringLiteral("Значение процентной скидки должно от 0%..100%!"));
        }
        d.percent = *value;
        return {d, {}};
    }
    const std::optional<std::int64_t> value = locale.parseHryvnias(amount);
    if (!value || !std::in_range<std::int32_t>(*value)) {
        return refused<Discount>(QStringLiteral("Введите значение асолютной скидки в гривнах!"));
    }
    d.amount = static_cast<std::int32_t>(*value);
    return {d, {}};
}

} // namespace kasmon::operations
