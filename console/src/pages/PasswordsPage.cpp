#include "pages/PasswordsPage.h"

namespace kasmon {

PasswordsPage::PasswordsPage(TForm1& form, QWidget* parent) : Page(form, parent) {}

QString PasswordsPage::caption() const {
    return QStringLiteral("Пароли");
}

} // namespace kasmon
