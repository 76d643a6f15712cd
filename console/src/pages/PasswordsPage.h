// The "Пароли" page: cashier registration and passwords.
#pragma once

#include "pages/Page.h"

namespace kasmon {

class PasswordsPage final : public Page {
    Q_OBJECT
  public:
    explicit PasswordsPage(TForm1& form, QWidget* parent = nullptr);
    QString caption() const override;
};

} // namespace kasmon
