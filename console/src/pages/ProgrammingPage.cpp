#include "pages/ProgrammingPage.h"

namespace kasmon {

ProgrammingPage::ProgrammingPage(TForm1& form, QWidget* parent) : Page(form, parent) {}

QString ProgrammingPage::caption() const {
    return QStringLiteral("Программирование");
}

} // namespace kasmon
