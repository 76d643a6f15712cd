// " Комментарии и штрих-коды: ": comment lines on the receipt, and on the
// RX-410F an EAN-13 bar code printed and a CODE 128 bar code set.
#pragma once

#include "pages/PageGroup.h"
#include "pages/operations/OperationsDesk.h"

class QLineEdit;
class QPushButton;

namespace kasmon {

class CommentsGroup final : public PageGroup {
    Q_OBJECT
  public:
    CommentsGroup(Page& page, const OperationsDesk& desk);

  private:
    void commentClicked();
    void ean13Clicked();
    void code128Clicked();

    const OperationsDesk& desk_;
    QLineEdit* comment_ = nullptr;
    QPushButton* commentButton_ = nullptr;
    QLineEdit* ean13_ = nullptr;
    QPushButton* ean13Button_ = nullptr;
    QLineEdit* code128_ = nullptr;
    QPushButton* code128Button_ = nullptr;
};

} // namespace kasmon
