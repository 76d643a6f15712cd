// " Служебные операции: ": service cash-in and cash-out, which the cashier
// may do too; both go through the window's FiscalSession.
#pragma once

#include "pages/PageGroup.h"

class QLineEdit;
class QPushButton;

namespace kasmon {

class ServiceGroup final : public PageGroup {
    Q_OBJECT
  public:
    explicit ServiceGroup(Page& page);

  private:
    void moveCash(bool deposit);

    QLineEdit* cashIn_ = nullptr;
    QPushButton* cashInButton_ = nullptr;
    QLineEdit* cashOut_ = nullptr;
    QPushButton* cashOutButton_ = nullptr;
};

} // namespace kasmon
