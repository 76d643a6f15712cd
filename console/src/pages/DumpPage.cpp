#include "pages/DumpPage.h"

namespace kasmon {

DumpPage::DumpPage(TForm1& form, QWidget* parent) : Page(form, parent) {}

QString DumpPage::caption() const {
    return QStringLiteral(" Дамп ");
}

} // namespace kasmon
