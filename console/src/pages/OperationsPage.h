// The "Операции" page: the console's cash desk. Sales and returns of single
// articles, cancelled positions, discounts and mark-ups, payment, closing and
// annulling the receipt, zero receipts, comment lines, bar codes and service
// cash-in and cash-out. The receipt lives in the register: the page keeps no
// state of its own and shows only what the register answers. Sale and payout
// lines, payment, annulment, zero receipt and cash go through the window's
// FiscalSession, so that a lost answer is followed by what became of it.
#pragma once

#include "LocaleFormat.h"
#include "pages/Page.h"

#include <cstdint>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
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

    // " Регистрация продажи/выплаты: "
    QGroupBox* saleGroup() const { return saleGroup_; }
    QLineEdit* codeEdit() const { return code_; }
    QLineEdit* nameEdit() const { return name_; }
    QComboBox* taxBox() const { return tax_; }
    QLineEdit* quantityEdit() const { return quantity_; }
    QLineEdit* priceEdit() const { return price_; }
    // " Скидки / наценки: "
    QGroupBox* discountGroup() const { return discountGroup_; }
    QComboBox* discountTypeBox() const { return discountType_; }
    QLineEdit* percentEdit() const { return percent_; }
    QLineEdit* discountTextEdit() const { return discountText_; }
    QLineEdit* discountSumEdit() const { return discountSum_; }
    QComboBox* discountKindBox() const { return discountKind_; }
    QPushButton* discountButton() const { return discountButton_; }
    // " Операции: "
    QGroupBox* operationsGroup() const { return operationsGroup_; }
    QComboBox* paymentFormBox() const { return paymentForm_; }
    QLineEdit* fromClientEdit() const { return fromClient_; }
    QPushButton* payButton() const { return pay_; }
    QPushButton* zeroReceiptButton() const { return zeroReceipt_; }
    QPushButton* saleButton() const { return sale_; }
    QPushButton* returnButton() const { return return_; }
    QPushButton* closeReceiptButton() const { return closeReceipt_; }
    QPushButton* cancelPositionButton() const { return cancelPosition_; }
    QPushButton* cancelReceiptButton() const { return cancelReceipt_; }
    // " Комментарии и штрих-коды: "
    QGroupBox* commentsGroup() const { return commentsGroup_; }
    QLineEdit* commentEdit() const { return comment_; }
    QPushButton* commentButton() const { return commentButton_; }
    QLineEdit* ean13Edit() const { return ean13_; }
    QPushButton* ean13Button() const { return ean13Button_; }
    QLineEdit* code128Edit() const { return code128_; }
    QPushButton* code128Button() const { return code128Button_; }
    // " Информация по чеку: "
    QGroupBox* receiptInfoGroup() const { return infoGroup_; }
    QLabel* costValue() const { return costValue_; }
    QLabel* sumValue() const { return sumValue_; }
    QLabel* thirdCaption() const { return thirdCaption_; }
    QLabel* thirdValue() const { return thirdValue_; }
    // " Опции печати: "
    QGroupBox* optionsGroup() const { return optionsGroup_; }
    QCheckBox* unitQuantityBox() const { return unitQuantity_; }
    QCheckBox* nameFromRegisterBox() const { return nameFromRegister_; }
    QCheckBox* autoCloseBox() const { return autoClose_; }
    QCheckBox* nonFiscalCopyBox() const { return nonFiscalCopy_; }
    QCheckBox* printBarcodeBox() const { return printBarcode_; }
    // " Служебные операции: "
    QGroupBox* serviceGroup() const { return serviceGroup_; }
    QLineEdit* cashInEdit() const { return cashIn_; }
    QPushButton* cashInButton() const { return cashInButton_; }
    QLineEdit* cashOutEdit() const { return cashOut_; }
    QPushButton* cashOutButton() const { return cashOutButton_; }

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
    // One article line as the four fields of the sale group give it.
    struct ArticleLine {
        std::int64_t code = 0;
        Quantity quantity;
        std::int32_t price = 0;
    };
    enum class LineKind { Sale, Payout };

    void buildSaleGroup();
    void buildDiscountGroup();
    void buildOperationsGroup();
    void buildCommentsGroup();
    void buildReceiptInfoGroup();
    void buildOptionsGroup();
    void buildServiceGroup();

    // Reads the article fields; shows the first input error and gives nothing.
    std::optional<ArticleLine> readArticleLine(const QString& emptyFieldsMessage);
    // Registers the line on the receipt, shows the answer and closes the receipt
    // when asked to.
    void registerLine(LineKind kind, const ArticleLine& line, std::int32_t price);
    // Pays the rest in the chosen form and closes the receipt.
    void closeReceipt();
    void pay(std::uint32_t amount, bool top);
    // Service cash-in or cash-out.
    void moveCash(bool deposit);

    void discountTypeChosen();
    void clearReceiptInfo();
    void showMoney(QLabel* value, std::int64_t kopecks);
    bool printNonFiscalCopy() const;

    QGroupBox* saleGroup_ = nullptr;
    QLineEdit* code_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* tax_ = nullptr;
    QLineEdit* quantity_ = nullptr;
    QLineEdit* price_ = nullptr;

    QGroupBox* discountGroup_ = nullptr;
    QComboBox* discountType_ = nullptr;
    QLineEdit* percent_ = nullptr;
    QLineEdit* discountText_ = nullptr;
    QLineEdit* discountSum_ = nullptr;
    QComboBox* discountKind_ = nullptr;
    QPushButton* discountButton_ = nullptr;

    QGroupBox* operationsGroup_ = nullptr;
    QComboBox* paymentForm_ = nullptr;
    QLineEdit* fromClient_ = nullptr;
    QPushButton* pay_ = nullptr;
    QPushButton* zeroReceipt_ = nullptr;
    QPushButton* sale_ = nullptr;
    QPushButton* return_ = nullptr;
    QPushButton* closeReceipt_ = nullptr;
    QPushButton* cancelPosition_ = nullptr;
    QPushButton* cancelReceipt_ = nullptr;

    QGroupBox* commentsGroup_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QPushButton* commentButton_ = nullptr;
    QLineEdit* ean13_ = nullptr;
    QPushButton* ean13Button_ = nullptr;
    QLineEdit* code128_ = nullptr;
    QPushButton* code128Button_ = nullptr;

    QGroupBox* infoGroup_ = nullptr;
    QLabel* costValue_ = nullptr;
    QLabel* sumValue_ = nullptr;
    QLabel* thirdCaption_ = nullptr;
    QLabel* thirdValue_ = nullptr;

    QGroupBox* optionsGroup_ = nullptr;
    QCheckBox* unitQuantity_ = nullptr;
    QCheckBox* nameFromRegister_ = nullptr;
    QCheckBox* autoClose_ = nullptr;
    QCheckBox* nonFiscalCopy_ = nullptr;
    QCheckBox* printBarcode_ = nullptr;

    QGroupBox* serviceGroup_ = nullptr;
    QLineEdit* cashIn_ = nullptr;
    QPushButton* cashInButton_ = nullptr;
    QLineEdit* cashOut_ = nullptr;
    QPushButton* cashOutButton_ = nullptr;
};

} // namespace kasmon
