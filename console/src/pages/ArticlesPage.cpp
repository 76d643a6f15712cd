#include "pages/ArticlesPage.h"

namespace kasmon {

ArticlesPage::ArticlesPage(TForm1& form, QWidget* parent) : Page(form, parent) {}

QString ArticlesPage::caption() const {
    return QStringLiteral("Артикулы");
}

} // namespace kasmon
