#include "pages/OperationsPage.h"

#include "Dialogs.h"
#include "DriverText.h"
#include "OperationsRules.h"
#include "RegisterTexts.h"
#include "Unit1.h"
#include "pages/Widgets.h"

#include <kashost/Status.h>
#include <kashost/Verified.h>

#include <kasdrv.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <tuple>
#include <type_traits>
#include <utility>

namespace kasmon {

OperationsPage::OperationsPage(TForm1& form, QWidget* parent) : Page(form, parent) {
    setObjectName(QStringLiteral("operations"));
    buildSaleGroup();
    buildDiscountGroup();
    buildOptionsGroup();
    buildOperationsGroup();
    buildCommentsGroup();
    buildReceiptInfoGroup();
    buildServiceGroup();

    connect(sale_, &QPushButton::clicked, this, &OperationsPage::saleClicked);
    connect(return_, &QPushButton::clicked, this, &OperationsPage::returnClicked);
    connect(cancelPosition_, &QPushButton::clicked, this, &OperationsPage::cancelPositionClicked);
    connect(pay_, &QPushButton::clicked, this, &OperationsPage::payClicked);
    connect(closeReceipt_, &QPushButton::clicked, this, &OperationsPage::closeReceiptClicked);
    connect(cancelReceipt_, &QPushButton::clicked, this, &OperationsPage::cancelReceiptClicked);
    connect(zeroReceipt_, &QPushButton::clicked, this, &OperationsPage::zeroReceiptClicked);
    connect(commentButton_, &QPushButton::clicked, this, &OperationsPage::commentClicked);
    connect(discountButton_, &QPushButton::clicked, this, &OperationsPage::discountClicked);
    connect(ean13Button_, &QPushButton::clicked, this, &OperationsPage::ean13Clicked);
    connect(code128Button_, &QPushButton::clicked, this, &OperationsPage::code128Clicked);
    connect(cashInButton_, &QPushButton::clicked, this, &OperationsPage::cashInClicked);
    connect(cashOutButton_, &QPushButton::clicked, this, &OperationsPage::cashOutClicked);
    // What the user picks or types in the discount type list, not what the program sets.
    connect(discountType_, &QComboBox::activated, this, &OperationsPage::discountTypeChosen);
    connect(discountType_->lineEdit(), &QLineEdit::textEdited, this,
            &OperationsPage::discountTypeChosen);
}

QString OperationsPage::caption() const {
    return QStringLiteral("Операции");
}

// ---------------------------------------------------------------------------
// Controls

namespace {

QString named(const char* name) {
    return QStringLiteral("operations.") + QLatin1String(name);
}

} // namespace

template <typename W> W* OperationsPage::governed(W* control, QString caption, bool cashier) {
    if constexpr (std::is_base_of_v<QAbstractButton, W>) {
        if (caption.isEmpty()) {
            caption = control->text();
        }
    }
    const auto* group = static_cast<const QGroupBox*>(control->parentWidget());
    rows_.emplace_back(group->title(), caption, control, Enablement::on(),
                       cashier ? Enablement::on() : Enablement::off());
    return control;
}

template <typename W>
W* OperationsPage::labelled(W* control, const QString& caption, int x, int y, int width) {
    kit::label(control->parentWidget(), caption, x, y, width);
    return governed(control, caption);
}

void OperationsPage::buildSaleGroup() {
    const LocaleFormat& locale = LocaleFormat::current();
    QGroupBox* g = kit::group(this, named("saleGroup"),
                              QStringLiteral(" Регистрация продажи/выплаты: "), {2, 0, 236, 140});
    const auto field = [this, g](const char* name, const char* caption, int y, int width,
                                 int maxLength, const QString& text) {
        return labelled(kit::edit(g, named(name), kit::editAt(100, y - 2, width), maxLength, text),
                        QString::fromUtf8(caption), 8, y, 90);
    };
    code_ = field("code", "Код:", 18, 128, 15, QStringLiteral("1"));
    name_ = field("name", "Наименование:", 42, 128, 50, QStringLiteral("Товар №1"));
    tax_ = labelled(
        kit::list(g, named("tax"), kit::editAt(100, 64, 56), factTexts(reg::kTaxGroupLetters), 0),
        QStringLiteral("Налог:"), 8, 66, 90);
    quantity_ = field("quantity", "Количество:", 90, 90, 10, locale.defaultQuantityText());
    price_ = field("price", "Цена (грн.):", 114, 90, 10, locale.zeroSumText());
}

void OperationsPage::buildDiscountGroup() {
    QGroupBox* g = kit::group(this, named("discountGroup"), QStringLiteral(" Скидки / наценки: "),
                              {2, 142, 236, 164});
    discountType_ = labelled(kit::list(g, named("discountType"), kit::editAt(8, 33, 220),
                                       factTexts(reg::kDiscountTypesRu), 0),
                             QStringLiteral("Тип скидки / наценки:"), 8, 16, 220);
    discountType_->setEditable(true);
    discountType_->setInsertPolicy(QComboBox::NoInsert);
    // A type typed by hand turns the percent off and leaves the sum as it is.
    percent_ = labelled(kit::edit(g, named("percent"), kit::editAt(100, 60, 50)),
                        QStringLiteral("Процент (%):"), 8, 62, 90);
    rows_.back().service = Enablement::when([this] {
        return std::optional<bool>(operations::takesPercent(discountType()).value_or(false));
    });
    discountKind_ = governed(kit::list(g, named("discountKind"), kit::editAt(154, 60, 74),
                                       {QStringLiteral("Скидка"), QStringLiteral("Наценка")}, 0),
                             QStringLiteral("вид: Скидка/Наценка"));
    discountSum_ = labelled(kit::edit(g, named("discountSum"), kit::editAt(100, 84, 50), 0,
                                      LocaleFormat::current().zeroSumText()),
                            QStringLiteral("Сумма (грн.):"), 8, 86, 90);
    rows_.back().service = Enablement::when([this]() -> std::optional<bool> {
        if (operations::takesPercent(discountType()) == false) {
            return true;
        }
        return std::nullopt;
    });
    discountText_ = labelled(kit::edit(g, named("discountText"), kit::editAt(8, 128, 112), 25),
                             QStringLiteral("Пояснительная строка: "), 8, 110, 220);
    discountButton_ =
        governed(kit::button(g, named("discountButton"), QStringLiteral("Скидка/Наценка"),
                             kit::buttonAt(124, 127, 104)));
}

void OperationsPage::buildOptionsGroup() {
    QGroupBox* g = kit::group(this, named("optionsGroup"), QStringLiteral(" Опции печати: "),
                              {2, 308, 236, 116});
    const auto box = [this, g](const char* name, const char* text, int row) {
        return governed(kit::check(g, named(name), QString::fromUtf8(text),
                                   {8, 16 + row * kit::kCheckHeight, 220, kit::kCheckHeight}));
    };
    unitQuantity_ = box("unitQuantity", "Брать единичное количество", 0);
    nameFromRegister_ = box("nameFromRegister", "Наименование брать из ЭККР", 1);
    autoClose_ = box("autoClose", "Автоматически закрыть чек", 2);
    nonFiscalCopy_ = box("nonFiscalCopy", "Печатать не фискальный чек", 3);
    printBarcode_ = box("printBarcode", "Печатать штрих-код товара", 4);
    rows_.back().shownFor(ModelVisibility::only410f(true));
}

void OperationsPage::buildOperationsGroup() {
    QGroupBox* g = kit::group(this, named("operationsGroup"), QStringLiteral(" Операции: "),
                              {242, 0, 263, 176});
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
}

void OperationsPage::buildCommentsGroup() {
    QGroupBox* g = kit::group(this, named("commentsGroup"),
                              QStringLiteral(" Комментарии и штрих-коды: "), {242, 178, 263, 94});
    // A field and its button on one line; the bar codes only on the RX-410F.
    const auto line = [this, g](const char* name, const char* caption, int maxLength,
                                const char* buttonName, const char* text, int y, bool barCode) {
        QLineEdit* edit = governed(kit::edit(g, named(name), kit::editAt(8, y + 1, 150), maxLength),
                                   QString::fromUtf8(caption));
        QPushButton* button = governed(
            kit::button(g, named(buttonName), QString::fromUtf8(text), kit::buttonAt(162, y, 93)));
        if (barCode) {
            rows_.end()[-2].shownFor(ModelVisibility::only410f(false));
            rows_.back().shownFor(ModelVisibility::only410f(false));
        }
        return std::pair{edit, button};
    };
    std::tie(comment_, commentButton_) =
        line("comment", "текст комментария", 27, "commentButton", "Комментарий", 16, false);
    std::tie(ean13_, ean13Button_) =
        line("ean13", "цифры EAN-13", 13, "ean13Button", "EAN 13", 41, true);
    std::tie(code128_, code128Button_) =
        line("code128", "текст CODE 128", 16, "code128Button", "CODE 128", 66, true);
}

void OperationsPage::buildReceiptInfoGroup() {
    QGroupBox* g = kit::group(this, named("infoGroup"), QStringLiteral(" Информация по чеку: "),
                              {242, 274, 263, 76});
    QFont font = this->font();
    font.setPixelSize(13);
    font.setBold(true);
    // A caption and its value, bold; the value labels and the third caption are named.
    const auto label = [g, &font](const QString& text, int x, int y, int width, const char* name) {
        QLabel* l = kit::label(g, text, x, y, width);
        l->setFont(font);
        if (name != nullptr) {
            l->setObjectName(named(name));
        }
        return l;
    };
    label(QStringLiteral("Стоимость:"), 6, 16, 116, nullptr);
    costValue_ = label(QString(), 123, 16, 136, "costValue");
    label(QStringLiteral("Сумма по чеку:"), 6, 34, 116, nullptr);
    sumValue_ = label(QString(), 123, 34, 136, "sumValue");
    thirdCaption_ = label(QString(), 6, 52, 116, "thirdCaption");
    thirdValue_ = label(QString(), 123, 52, 136, "thirdValue");
}

void OperationsPage::buildServiceGroup() {
    const QString zero = LocaleFormat::current().zeroSumText();
    QGroupBox* g = kit::group(this, named("serviceGroup"), QStringLiteral(" Служебные операции: "),
                              {242, 352, 263, 62});
    // The cashier may move cash too.
    const auto side = [&](const char* name, const char* what, const char* text, int x) {
        const QString caption = QStringLiteral("Сумма (грн.):");
        kit::label(g, caption, x, 15, 120);
        QLineEdit* edit = governed(kit::edit(g, named(name), kit::editAt(x, 33, 54), 11, zero),
                                   caption + QLatin1Char(' ') + QString::fromUtf8(what), true);
        QPushButton* button =
            governed(kit::button(g, named(name) + QStringLiteral("Button"), QString::fromUtf8(text),
                                 kit::buttonAt(x + 58, 32, 64)),
                     {}, true);
        return std::pair{edit, button};
    };
    std::tie(cashIn_, cashInButton_) = side("cashIn", "внесения", "Внесение", 8);
    std::tie(cashOut_, cashOutButton_) = side("cashOut", "изъятия", "Изъятие", 135);
}

std::vector<ControlRow> OperationsPage::controlRows() {
    return rows_;
}

int OperationsPage::discountType() const {
    // A text typed by hand that no item carries selects nothing.
    if (discountType_->currentText() != discountType_->itemText(discountType_->currentIndex())) {
        return -1;
    }
    return discountType_->currentIndex();
}

void OperationsPage::discountTypeChosen() {
    if (const std::optional<bool> percent = operations::takesPercent(discountType())) {
        percent_->setEnabled(*percent);
        discountSum_->setEnabled(!*percent);
    }
}

// ---------------------------------------------------------------------------
// The receipt-information box

void OperationsPage::showMoney(QLabel* value, std::int64_t kopecks) {
    value->setText(LocaleFormat::current().formatMoney(kopecks));
}

void OperationsPage::clearReceiptInfo() {
    costValue_->clear();
    sumValue_->clear();
    thirdCaption_->clear();
    thirdValue_->clear();
}

bool OperationsPage::printNonFiscalCopy() const {
    return nonFiscalCopy_->isChecked();
}

// ---------------------------------------------------------------------------
// Sale, return and cancelled position

std::optional<operations::ArticleLine> OperationsPage::readArticleLine(bool cancel) {
    const auto line =
        operations::checkArticle({code_->text(), name_->text(), quantity_->text(), price_->text()},
                                 cancel, LocaleFormat::current());
    if (!line.value) {
        error(line.error);
    }
    return line.value;
}

void OperationsPage::registerLine(LineKind kind, const operations::ArticleLine& line,
                                  std::int32_t price) {
    kashost::SaleLine sale;
    sale.quantity = static_cast<std::uint32_t>(line.quantity.value);
    sale.decimals = line.quantity.decimals;
    sale.unitQuantity = unitQuantity_->isChecked();
    sale.price = price;
    sale.group = static_cast<std::uint8_t>(tax_->currentIndex());
    sale.fromRegister = nameFromRegister_->isChecked();
    sale.printBarcode = printBarcode_->isChecked();
    sale.name = toDriverText(name_->text()).toStdString();
    sale.article = line.code;
    kashost::FiscalSession::LineReply reply;
    kashost::FiscalSession& fiscal = form().fiscal();
    const kashost::FiscalVerdict verdict =
        kind == LineKind::Sale ? fiscal.sale(sale, &reply) : fiscal.payout(sale, &reply);
    if (!call(verdict)) {
        return;
    }
    thirdCaption_->clear();
    thirdValue_->clear();
    showMoney(costValue_, reply.cost);
    showMoney(sumValue_, reply.total);
    // A line that went onto the receipt more than once is settled before the
    // receipt is closed.
    if (autoClose_->isChecked() && verdict.times == 1) {
        closeReceipt();
    }
}

void OperationsPage::saleClicked() {
    if (const auto line = readArticleLine(false)) {
        registerLine(LineKind::Sale, *line, line->price);
    }
}

void OperationsPage::returnClicked() {
    if (const auto line = readArticleLine(false)) {
        registerLine(LineKind::Payout, *line, line->price);
    }
}

void OperationsPage::cancelPositionClicked() {
    // The position is registered again with the price negated, in the kind of
    // receipt that is open.
    const std::optional<kashost::RegisterStatus> status = call(kashost::readStatus());
    if (!status) {
        return;
    }
    if (const auto line = readArticleLine(true)) {
        registerLine(status->payoutReceipt ? LineKind::Payout : LineKind::Sale, *line,
                     -line->price);
    }
}

// ---------------------------------------------------------------------------
// Payment and the end of the receipt

void OperationsPage::pay(std::uint32_t amount, bool top) {
    const auto paymentForm = static_cast<std::uint8_t>(paymentForm_->currentIndex());
    kashost::FiscalSession::PaymentReply reply;
    if (!call(form().fiscal().payment(paymentForm, amount, top, printNonFiscalCopy(), &reply))) {
        return;
    }
    thirdCaption_->setText(reply.change ? QStringLiteral("Сдача:") : QStringLiteral("Остаток:"));
    showMoney(thirdValue_, reply.left);
    checkPaper();
}

void OperationsPage::payClicked() {
    const auto amount = operations::checkPayment(fromClient_->text(), LocaleFormat::current());
    if (!amount.value) {
        error(amount.error);
        return;
    }
    pay(*amount.value, false);
}

void OperationsPage::closeReceipt() {
    pay(0, true);
}

void OperationsPage::closeReceiptClicked() {
    closeReceipt();
}

void OperationsPage::cancelReceiptClicked() {
    if (!call(form().fiscal().annul())) {
        return;
    }
    clearReceiptInfo();
    Dialogs::information(&form(), QStringLiteral("Информация"),
                         QStringLiteral("Фактура чека анулирована!"));
    checkPaper();
}

void OperationsPage::zeroReceiptClicked() {
    if (!call(form().fiscal().zeroReceipt())) {
        return;
    }
    clearReceiptInfo();
    checkPaper();
}

// ---------------------------------------------------------------------------
// Comment lines, discounts and bar codes

void OperationsPage::commentClicked() {
    const std::optional<kashost::RegisterStatus> status = call(kashost::readStatus());
    if (!status) {
        return;
    }
    if (!status->receiptOpen) {
        clearReceiptInfo();
    }
    // An empty comment is sent as it is.
    if (!call(FPComment(toDriverText(comment_->text()).constData(), 0))) {
        return;
    }
    if (autoClose_->isChecked()) {
        closeReceipt();
    }
}

void OperationsPage::discountClicked() {
    const int type = discountType();
    const auto discount = operations::checkDiscount(type, percent_->text(), discountSum_->text(),
                                                    LocaleFormat::current());
    if (!discount.value) {
        error(discount.error);
        return;
    }
    const bool isDiscount = discountKind_->currentIndex() == 0;
    std::int64_t result = 0;
    std::int64_t total = 0;
    if (!call(FPDiscount(&result, &total, static_cast<std::uint8_t>(type), discount.value->percent,
                         discount.value->amount, isDiscount ? -1 : 0,
                         toDriverText(discountText_->text()).constData()))) {
        return;
    }
    showMoney(sumValue_, total);
    thirdCaption_->setText(isDiscount ? QStringLiteral("Скидка:") : QStringLiteral("Наценка:"));
    showMoney(thirdValue_, result);
}

void OperationsPage::ean13Clicked() {
    if (ean13_->text().isEmpty()) {
        return;
    }
    if (!call(FPPrintEAN13(toDriverText(ean13_->text()).constData()))) {
        return;
    }
    checkPaper();
}

void OperationsPage::code128Clicked() {
    call(FPSetBarCode(toDriverText(code128_->text()).constData()));
}

// ---------------------------------------------------------------------------
// Service cash-in and cash-out

void OperationsPage::moveCash(bool deposit) {
    const auto amount = operations::checkCash((deposit ? cashIn_ : cashOut_)->text(), deposit,
                                              LocaleFormat::current());
    if (!amount.value) {
        error(amount.error);
        return;
    }
    const std::uint32_t kopecks = *amount.value;
    kashost::FiscalSession& fiscal = form().fiscal();
    if (!call(deposit ? fiscal.cashIn(kopecks) : fiscal.cashOut(kopecks))) {
        return;
    }
    checkPaper();
}

void OperationsPage::cashInClicked() {
    moveCash(true);
}

void OperationsPage::cashOutClicked() {
    moveCash(false);
}

} // namespace kasmon
