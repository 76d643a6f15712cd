#include "pages/OperationsPage.h"

namespace kasmon {

OperationsPage::OperationsPage(TForm1& form, QWidget* parent) : Page(form, parent) {}

QString OperationsPage::caption() const {
    return QStringLiteral("Операции");
}

} // namespace kasmon
