// " Опции печати: ": how lines are registered and receipts end (the bar code
// of an article only on the RX-410F).
#pragma once

#include "pages/PageGroup.h"

class QCheckBox;

namespace kasmon {

class OptionsGroup final : public PageGroup {
    Q_OBJECT
  public:
    explicit OptionsGroup(Page& page);

    bool unitQuantity() const;
    bool nameFromRegister() const;
    // The receipt is closed after each line or comment.
    bool autoClose() const;
    bool nonFiscalCopy() const;
    bool printBarcode() const;

  private:
    QCheckBox* unitQuantity_ = nullptr;
    QCheckBox* nameFromRegister_ = nullptr;
    QCheckBox* autoClose_ = nullptr;
    QCheckBox* nonFiscalCopy_ = nullptr;
    QCheckBox* printBarcode_ = nullptr;
};

} // namespace kasmon
