#include "PasswordRules.h"

#include "InputParsing.h"

namespace kasmon::passwords {

namespace {

// A whole number as typed, signed: the range is checked on its own.
std::optional<std::int64_t> readNumber(const QString& text) {
    return parseInteger<std::int32_t>(text);
}

const QString kNotANumber = QStringLiteral("В качестве пароля может быть только число!");

bool inRange(std::int64_t value) {
    return value >= 0 && value <= kMaxPassword;
}

} // namespace

ChangeCheck checkChange(const QString& oldText, const QString& newText,
                        const QString& confirmText) {
    std::int64_t oldValue = 0;
    if (!oldText.isEmpty()) {
        const auto number = readNumber(oldText);
        if (!number) {
            return {std::nullopt, kNotANumber};
        }
        oldValue = *number;
    }
    if (newText != confirmText) {
        return {std::nullopt,
                QStringLiteral("Значения в полях \"Новый пароль\" и \"Подтверждение\" не "
                               "совпадают!")};
    }
    if (newText.isEmpty() || confirmText.isEmpty()) {
        return {std::nullopt, QStringLiteral("Пустые значения в полях \"Новый пароль\" и "
                                             "\"Подтверждение\" не допустимы!")};
    }
    const auto newValue = readNumber(newText);
    if (!newValue) {
        return {std::nullopt, kNotANumber};
    }
    if (!inRange(oldValue)) {
        return {std::nullopt,
                QStringLiteral("Старый пароль может принимать значения от 0 до 65535!")};
    }
    if (!inRange(*newValue)) {
        return {std::nullopt,
                QStringLiteral("Новый пароль может принимать значения от 0 до 65535!")};
    }
    return {
        PasswordChange{static_cast<std::uint16_t>(oldValue), static_cast<std::uint16_t>(*newValue)},
        QString()};
}

PasswordCheck checkPassword(const QString& text) {
    if (text.isEmpty()) {
        return {std::nullopt, QStringLiteral("Пароль кассира не может быть пустым")};
    }
    const auto number = readNumber(text);
    if (!number) {
        return {std::nullopt, kNotANumber};
    }
    // A number outside the 16 bits would reach the register, or the console's
    // registration, cut to its low bits and so name another password.
    if (!inRange(*number)) {
        return {std::nullopt, QStringLiteral("Пароль может принимать значения от 0 до 65535!")};
    }
    return {static_cast<std::uint16_t>(*number), QString()};
}

QString forgottenPasswordsText(const std::array<std::uint16_t, 10>& passwords) {
    QString text;
    for (int i = 0; i < 8; ++i) {
        text += QStringLiteral("Кассир%1 - пароль: %2\r\n").arg(i + 1).arg(passwords[i]);
    }
    text += QStringLiteral("  Пароль отчетов: ") + QString::number(passwords[9]);
    return text;
}

} // namespace kasmon::passwords
