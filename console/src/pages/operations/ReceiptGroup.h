// " Операции: ": the receipt itself. Sale and return of the article line,
// a cancelled position, payment in a chosen form, closing, annulling and the
// zero receipt. Lines, payment, annulment and the zero receipt go through the
// window's FiscalSession, so that a lost answer is followed by what became of it.
#pragma once

#include "OperationsRules.h"
#include "pages/PageGroup.h"
#include "pages/operations/OperationsDesk.h"

#include <cstdint>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kasmon {

class ReceiptGroup final : public PageGroup {
    Q_OBJECT
  public:
    ReceiptGroup(Page& page, const OperationsDesk& desk);

    // Pays the rest in the chosen form and closes the receipt.
    void closeReceipt();

  private:
    enum class LineKind { Sale, Payout };

    // Registers the line on the receipt, shows the answer and closes the receipt
    // when the options ask for it.
    void registerLine(LineKind kind, const operations::ArticleLine& line, std::int32_t price);
    void pay(std::uint32_t amount, bool top);

    void saleClicked();
    void returnClicked();
    void cancelPositionClicked();
    void payClicked();
    void cancelReceiptClicked();
    void zeroReceiptClicked();

    const OperationsDesk& desk_;
    QPushButton* sale_ = nullptr;
    QPushButton* return_ = nullptr;
    QPushButton* cancelPosition_ = nullptr;
    QPushButton* cancelReceipt_ = nullptr;
    QComboBox* paymentForm_ = nullptr;
    QLineEdit* fromClient_ = nullptr;
    QPushButton* pay_ = nullptr;
    QPushButton* closeReceipt_ = nullptr;
    QPushButton* zeroReceipt_ = nullptr;
};

} // namespace kasmon
