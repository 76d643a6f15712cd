#include "pages/ReportsPage.h"

namespace kasmon {

ReportsPage::ReportsPage(TForm1& form, QWidget* parent) : Page(form, parent) {}

QString ReportsPage::caption() const {
    return QStringLiteral("Отчеты");
}

} // namespace kasmon
