// The rules of the "Пароли" page for what the user types, and the texts the
// page shows, kept apart from the widgets. A check gives either the numbers to
// send or the one message that refuses the input.
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace kasmon::passwords {

// Passwords are 16-bit numbers.
inline constexpr std::int64_t kMaxPassword = 65535;

struct PasswordChange {
    std::uint16_t oldPassword = 0;
    std::uint16_t newPassword = 0;
};

struct ChangeCheck {
    std::optional<PasswordChange> change;
    QString error; // the refusal when there is no change
};

// The password change of both "Установить" buttons: an empty old password is 0;
// the new password and its confirmation are compared as texts before they are
// read as numbers; both numbers must lie in 0..65535.
ChangeCheck checkChange(const QString& oldText, const QString& newText, const QString& confirmText);

struct PasswordCheck {
    std::optional<std::uint16_t> password;
    QString error;
};

// A password typed for a cashier's registration, its unregistration or the
// console's own registration: not empty, a number, and within 0..65535.
PasswordCheck checkPassword(const QString& text);

// The box of "Забыл пароль": the eight cashiers' passwords and the report
// password (element 9); the programming password (element 8) is not shown.
QString forgottenPasswordsText(const std::array<std::uint16_t, 10>& passwords);

} // namespace kasmon::passwords
