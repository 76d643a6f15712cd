// " Скидки / наценки: ": a discount or mark-up, by percent or by sum, on the
// last line or on the receipt, with its explanatory line. The type chosen
// decides which of percent and sum can be typed (OperationsRules).
#pragma once

#include "pages/PageGroup.h"
#include "pages/operations/OperationsDesk.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kasmon {

class DiscountGroup final : public PageGroup {
    Q_OBJECT
  public:
    DiscountGroup(Page& page, const OperationsDesk& desk);

    // The kind of discount chosen: 0..3, or -1 when a text was typed into the list.
    int discountType() const;

  private:
    void discountTypeChosen();
    void discountClicked();

    const OperationsDesk& desk_;
    QComboBox* type_ = nullptr;
    QLineEdit* percent_ = nullptr;
    QComboBox* kind_ = nullptr;
    QLineEdit* sum_ = nullptr;
    QLineEdit* text_ = nullptr;
    QPushButton* button_ = nullptr;
};

} // namespace kasmon
