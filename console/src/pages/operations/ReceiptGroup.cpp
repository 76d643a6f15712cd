#include "pages/operations/ReceiptGroup.h"

#include "DriverText.h"
#include "LocaleFormat.h"
#include "RegisterTexts.h"
#include "Unit1.h"
#include "pages/operations/OptionsGroup.h"
#include "pages/operations/ReceiptInfoGroup.h"
#include "pages/operations/SaleGroup.h"

#include <kashost/Status.h>
#include <kashost/Verified.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace kasmon {

ReceiptGroup::ReceiptGroup(Page& page, const OperationsDesk& desk)
    : PageGroup(page, "operationsGroup", QStringLiteral(" Операции: "), {242, 0, 263, 176}),
      desk_(desk) {
    QGroupBox* g = box();
    constexpr int kLeft = 8;
    constexpr int kRight = 135;
    constexpr int kWidth = 120;
    const auto button = [this, g](const char* name, const char* text, int x, int y) {
        return governed(
            kit::button(g, named(name), QString::fromUtf8(text), kit::buttonAt(x, y, kWidth)));
    };
    sale_ = button("sale", "Продажа", kLeft, 16);
    return_ = button("return", "Возврат", kRight, 16);
    cancelPosition_ = button("cancelPosition", "Отмена поз.", kLeft, 42);
    cancelReceipt_ = button("cancelReceipt", "Отмена чека", kRight, 42);
    paymentForm_ = labelled(kit::list(g, named("paymentForm"), kit::editAt(kRight, 70, kWidth),
                                      factTexts(reg::kPaymentFormsRu), reg::kCashForm),
                            QStringLiteral("Форма оплаты:"), kLeft, 72, kWidth);
    fromClient_ = labelled(kit::edit(g, named("fromClient"), kit::editAt(kRight, 94, kWidth), 11,
                                     LocaleFormat::current().zeroSumText()),
                           QStringLiteral("От клиента (грн.):"), kLeft, 96, kWidth);
    pay_ = button("pay", "Оплатить", kLeft, 120);
    QFont bold = pay_->font();
    bold.setBold(true);
    pay_->setFont(bold);
    closeReceipt_ = button("closeReceipt", "Закрыть чек", kRight, 120);
    zeroReceipt_ = button("zeroReceipt", "Нулевой чек", kLeft, 146);

    connect(sale_, &QPushButton::clicked, this, &ReceiptGroup::saleClicked);
    connect(return_, &QPushButton::clicked, this, &ReceiptGroup::returnClicked);
    connect(cancelPosition_, &QPushButton::clicked, this, &ReceiptGroup::cancelPositionClicked);
    connect(pay_, &QPushButton::clicked, this, &ReceiptGroup::payClicked);
    connect(closeReceipt_, &QPushButton::clicked, this, &ReceiptGroup::closeReceipt);
    connect(cancelReceipt_, &QPushButton::clicked, this, &ReceiptGroup::cancelReceiptClicked);
    connect(zeroReceipt_, &QPushButton::clicked, this, &ReceiptGroup::zeroReceiptClicked);
}

// ---------------------------------------------------------------------------
// Sale, return and cancelled position

void ReceiptGroup::registerLine(LineKind kind, const operations::ArticleLine& line,
                                std::int32_t price) {
    const OptionsGroup& options = *desk_.options;
    kashost::SaleLine sale;
    sale.quantity = static_cast<std::uint32_t>(line.quantity.value);
    sale.decimals = line.quantity.decimals;
    sale.unitQuantity = options.unitQuantity();
    sale.price = price;
    sale.group = desk_.sale->taxGroup();
    sale.fromRegister = options.nameFromRegister();
    sale.printBarcode = options.printBarcode();
    sale.name = toDriverText(desk_.sale->articleName()).toStdString();
    sale.article = line.code;
    kashost::FiscalSession::LineReply reply;
    kashost::FiscalSession& fiscal = form().fiscal();
    const kashost::FiscalVerdict verdict =
        kind == LineKind::Sale ? fiscal.sale(sale, &reply) : fiscal.payout(sale, &reply);
    if (!call(verdict)) {
        return;
    }
    desk_.info->showLine(reply.cost, reply.total);
    // A line that went onto the receipt more than once is settled before the
    // receipt is closed.
    if (options.autoClose() && verdict.times == 1) {
        closeReceipt();
    }
}

void ReceiptGroup::saleClicked() {
    if (const auto line = desk_.sale->readLine(false)) {
        registerLine(LineKind::Sale, *line, line->price);
    }
}

void ReceiptGroup::returnClicked() {
    if (const auto line = desk_.sale->readLine(false)) {
        registerLine(LineKind::Payout, *line, line->price);
    }
}

void ReceiptGroup::cancelPositionClicked() {
    // The position is registered again with the price negated, in the kind of
    // receipt that is open.
    const std::optional<kashost::RegisterStatus> status = call(kashost::readStatus());
    if (!status) {
        return;
    }
    if (const auto line = desk_.sale->readLine(true)) {
        registerLine(status->payoutReceipt ? LineKind::Payout : LineKind::Sale, *line,
                     -line->price);
    }
}

// ---------------------------------------------------------------------------
// Payment and the end of the receipt

void ReceiptGroup::pay(std::uint32_t amount, bool top) {
    const auto paymentForm = static_cast<std::uint8_t>(paymentForm_->currentIndex());
    kashost::FiscalSession::PaymentReply reply;
    if (!call(form().fiscal().payment(paymentForm, amount, top, desk_.options->nonFiscalCopy(),
                                      &reply))) {
        return;
    }
    desk_.info->showThird(reply.change ? QStringLiteral("Сдача:") : QStringLiteral("Остаток:"),
                          reply.left);
    checkPaper();
}

void ReceiptGroup::payClicked() {
    const auto amount = operations::checkPayment(fromClient_->text(), LocaleFormat::current());
    if (!amount.value) {
        error(amount.error);
        return;
    }
    pay(*amount.value, false);
}

void ReceiptGroup::closeReceipt() {
    pay(0, true);
}

void ReceiptGroup::cancelReceiptClicked() {
    if (!call(form().fiscal().annul())) {
        return;
    }
    desk_.info->clear();
    information(QStringLiteral("Информация"), QStringLiteral("Фактура чека анулирована!"));
    checkPaper();
}

void ReceiptGroup::zeroReceiptClicked() {
    if (!call(form().fiscal().zeroReceipt())) {
        return;
    }
    desk_.info->clear();
    checkPaper();
}

} // namespace kasmon
