// The "Операции" page: the console's cash desk. Sales and returns of single
// articles, cancelled positions, discounts and mark-ups, payment, closing and
// annulling the receipt, zero receipts, comment lines, bar codes and service
// cash-in and cash-out. The receipt lives in the register: the page keeps no
// state of its own and shows only what the register answers. Sale and payout
// lines, payment, annulment, zero receipt and cash go through the window's
// FiscalSession, so that a lost answer is followed by what became of it.
#pragma once

#include "OperationsRules.h"
#include "pages/Page.h"

#include <cstdint>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kasmon {

class OperationsPage final : public Page {
    Q_OBJECT
  public:
    explicit OperationsPage(TForm1& form, QWidget* parent = nullptr);

    QString caption() const override;
    std::vector<ControlRow> controlRows() override;

    // The kind of discount chosen: 0..3, or -1 when a text was typed into the list.
    int discountType() const;

  public slots:
    void saleClicked();
    void returnClicked();
    void cancelPositionClicked();
    void payClicked();
    void closeReceiptClicked();
    void cancelReceiptClicked();
    void zeroReceiptClicked();
    void commentClicked();
    void discountClicked();
    void ean13Clicked();
    void code128Clicked();
    void cashInClicked();
    void cashOutClicked();

  private:
    enum class LineKind { Sale, Payout };

    // Declares the row of a control the connection state governs, under the title
    // of its group: on in Service, off in Cashier unless `cashier`. A button's
    // caption is its text.
    template <typename W> W* governed(W* control, QString caption = {}, bool cashier = false);
    // The same with a caption label at (x, y) before the control.
    template <typename W> W* labelled(W* control, const QString& caption, int x, int y, int width);

    void buildSaleGroup();
    void buildDiscountGroup();
    void buildOperationsGroup();
    void buildCommentsGroup();
    void buildReceiptInfoGroup();
    void buildOptionsGroup();
    void buildServiceGroup();

    // Reads the article fields; shows the first input error and gives nothing.
    std::optional<operations::ArticleLine> readArticleLine(bool cancel);
    // Registers the line on the receipt, shows the answer and closes the receipt
    // when asked to.
    void registerLine(LineKind kind, const operations::ArticleLine& line, std::int32_t price);
    // Pays the rest in the chosen form and closes the receipt.
    void closeReceipt();
    void pay(std::uint32_t amount, bool top);
    // Service cash-in or cash-out.
    void moveCash(bool deposit);

    void discountTypeChosen();
    void clearReceiptInfo();
    void showMoney(QLabel* value, std::int64_t kopecks);
    bool printNonFiscalCopy() const;

    QLineEdit* code_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* tax_ = nullptr;
    QLineEdit* quantity_ = nullptr;
    QLineEdit* price_ = nullptr;

    QComboBox* discountType_ = nullptr;
    QLineEdit* percent_ = nullptr;
    QLineEdit* discountText_ = nullptr;
    QLineEdit* discountSum_ = nullptr;
    QComboBox* discountKind_ = nullptr;
    QPushButton* discountButton_ = nullptr;

    QComboBox* paymentForm_ = nullptr;
    QLineEdit* fromClient_ = nullptr;
    QPushButton* pay_ = nullptr;
    QPushButton* zeroReceipt_ = nullptr;
    QPushButton* sale_ = nullptr;
    QPushButton* return_ = nullptr;
    QPushButton* closeReceipt_ = nullptr;
    QPushButton* cancelPosition_ = nullptr;
    QPushButton* cancelReceipt_ = nullptr;

    QLineEdit* comment_ = nullptr;
    QPushButton* commentButton_ = nullptr;
    QLineEdit* ean13_ = nullptr;
    QPushButton* ean13Button_ = nullptr;
    QLineEdit* code128_ = nullptr;
    QPushButton* code128Button_ = nullptr;

    QLabel* costValue_ = nullptr;
    QLabel* sumValue_ = nullptr;
    QLabel* thirdCaption_ = nullptr;
    QLabel* thirdValue_ = nullptr;

    QCheckBox* unitQuantity_ = nullptr;
    QCheckBox* nameFromRegister_ = nullptr;
    QCheckBox* autoClose_ = nullptr;
    QCheckBox* nonFiscalCopy_ = nullptr;
    QCheckBox* printBarcode_ = nullptr;

    QLineEdit* cashIn_ = nullptr;
    QPushButton* cashInButton_ = nullptr;
    QLineEdit* cashOut_ = nullptr;
    QPushButton* cashOutButton_ = nullptr;

    std::vector<ControlRow> rows_;
};

} // namespace kasmon
