// The "Доп. функции" page: status, date and time, service functions and mode switches.
#pragma once

#include "pages/Page.h"

namespace kasmon {

class ExtraFunctionsPage final : public Page {
    Q_OBJECT
  public:
    explicit ExtraFunctionsPage(TForm1& form, QWidget* parent = nullptr);
    QString caption() const override;
};

} // namespace kasmon
