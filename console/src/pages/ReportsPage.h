// The "Отчеты" page: fiscal-memory and financial reports.
#pragma once

#include "pages/Page.h"

namespace kasmon {

class ReportsPage final : public Page {
    Q_OBJECT
  public:
    explicit ReportsPage(TForm1& form, QWidget* parent = nullptr);
    QString caption() const override;
};

} // namespace kasmon
