// The "Артикулы" page: the article table and the test functions.
#pragma once

#include "pages/Page.h"

namespace kasmon {

class ArticlesPage final : public Page {
    Q_OBJECT
  public:
    explicit ArticlesPage(TForm1& form, QWidget* parent = nullptr);
    QString caption() const override;
};

} // namespace kasmon
