#include "pages/ExtraFunctionsPage.h"

namespace kasmon {

ExtraFunctionsPage::ExtraFunctionsPage(TForm1& form, QWidget* parent) : Page(form, parent) {}

QString ExtraFunctionsPage::caption() const {
    return QStringLiteral("Доп. функции");
}

} // namespace kasmon
