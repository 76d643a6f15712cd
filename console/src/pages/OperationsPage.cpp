#include "pages/OperationsPage.h"

#include "Dialogs.h"
#include "DriverText.h"
#include "InputParsing.h"
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

#include <limits>

namespace kasmon {

namespace {

constexpr std::int64_t kMaxAmount = 0xFFFFFFFFLL; // what a 32-bit amount can carry
constexpr std::int64_t kMaxPrice = std::numeric_limits<std::int32_t>::max();

const QString kEmptySaleFields =
    QStringLiteral("Поля \"Код\", \"Наименование\", \"Количество\" и \"Цена\"\r\n"
                   "           не могут быть пустыми!");
const QString kEmptyCancelFields = QStringLiteral("Поля \"Наименование\", \"Количество\" и "
                                                  "\"Цена\"\r\n           не могут быть пустыми!");
const QString kBadAmount = QStringLiteral("Введите сумму в гривнах!");

} // namespace

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

void OperationsPage::buildSaleGroup() {
    const LocaleFormat& locale = LocaleFormat::current();
    saleGroup_ = kit::group(this, QStringLiteral("operations.saleGroup"),
                            QStringLiteral(" Регистрация продажи/выплаты: "), {2, 0, 236, 140});
    constexpr int kLabel = 8;
    constexpr int kField = 100;
    constexpr int kWidth = 128;
    kit::label(saleGroup_, QStringLiteral("Код:"), kLabel, 18, 90);
    code_ = kit::edit(saleGroup_, QStringLiteral("operations.code"),
                      kit::editAt(kField, 16, kWidth), 15, QStringLiteral("1"));
    kit::label(saleGroup_, QStringLiteral("Наименование:"), kLabel, 42, 90);
    name_ = kit::edit(saleGroup_, QStringLiteral("operations.name"),
                      kit::editAt(kField, 40, kWidth), 50, QStringLiteral("Товар №1"));
    kit::label(saleGroup_, QStringLiteral("Налог:"), kLabel, 66, 90);
    tax_ = kit::list(saleGroup_, QStringLiteral("operations.tax"), kit::editAt(kField, 64, 56),
                     {QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В"),
                      QStringLiteral("Г"), QStringLiteral("Д"), QStringLiteral("Е")},
                     0);
    kit::label(saleGroup_, QStringLiteral("Количество:"), kLabel, 90, 90);
    quantity_ = kit::edit(saleGroup_, QStringLiteral("operations.quantity"),
                          kit::editAt(kField, 88, 90), 10, locale.defaultQuantityText());
    kit::label(saleGroup_, QStringLiteral("Цена (грн.):"), kLabel, 114, 90);
    price_ = kit::edit(saleGroup_, QStringLiteral("operations.price"), kit::editAt(kField, 112, 90),
                       10, locale.zeroSumText());
}

void OperationsPage::buildDiscountGroup() {
    discountGroup_ = kit::group(this, QStringLiteral("operations.discountGroup"),
                                QStringLiteral(" Скидки / наценки: "), {2, 142, 236, 164});
    kit::label(discountGroup_, QStringLiteral("Тип скидки / наценки:"), 8, 16, 220);
    discountType_ = kit::list(
        discountGroup_, QStringLiteral("operations.discountType"), kit::editAt(8, 33, 220),
        {QStringLiteral("% на последний товар"), QStringLiteral("абс. на последний товар"),
         QStringLiteral("% на пром. сумму"), QStringLiteral("абс на пром. сумму")},
        0);
    discountType_->setEditable(true);
    discountType_->setInsertPolicy(QComboBox::NoInsert);
    kit::label(discountGroup_, QStringLiteral("Процент (%):"), 8, 62, 90);
    percent_ = kit::edit(discountGroup_, QStringLiteral("operations.percent"),
                         kit::editAt(100, 60, 50), 0, QString());
    discountKind_ = kit::list(discountGroup_, QStringLiteral("operations.discountKind"),
                              kit::editAt(154, 60, 74),
                              {QStringLiteral("Скидка"), QStringLiteral("Наценка")}, 0);
    kit::label(discountGroup_, QStringLiteral("Сумма (грн.):"), 8, 86, 90);
    discountSum_ = kit::edit(discountGroup_, QStringLiteral("operations.discountSum"),
                             kit::editAt(100, 84, 50), 0, LocaleFormat::current().zeroSumText());
    kit::label(discountGroup_, QStringLiteral("Пояснительная строка: "), 8, 110, 220);
    discountText_ = kit::edit(discountGroup_, QStringLiteral("operations.discountText"),
                              kit::editAt(8, 128, 112), 25, QString());
    discountButton_ = kit::button(discountGroup_, QStringLiteral("operations.discountButton"),
                                  QStringLiteral("Скидка/Наценка"), kit::buttonAt(124, 127, 104));
}

void OperationsPage::buildOptionsGroup() {
    optionsGroup_ = kit::group(this, QStringLiteral("operations.optionsGroup"),
                               QStringLiteral(" Опции печати: "), {2, 308, 236, 116});
    const auto box = [this](const char* name, const QString& text, int row) {
        return kit::check(optionsGroup_, QStringLiteral("operations.") + QLatin1String(name), text,
                          {8, 16 + row * kit::kCheckHeight, 220, kit::kCheckHeight});
    };
    unitQuantity_ = box("unitQuantity", QStringLiteral("Брать единичное количество"), 0);
    nameFromRegister_ = box("nameFromRegister", QStringLiteral("Наименование брать из ЭККР"), 1);
    autoClose_ = box("autoClose", QStringLiteral("Автоматически закрыть чек"), 2);
    nonFiscalCopy_ = box("nonFiscalCopy", QStringLiteral("Печатать не фискальный чек"), 3);
    printBarcode_ = box("printBarcode", QStringLiteral("Печатать штрих-код товара"), 4);
}

void OperationsPage::buildOperationsGroup() {
    operationsGroup_ = kit::group(this, QStringLiteral("operations.operationsGroup"),
                                  QStringLiteral(" Операции: "), {242, 0, 263, 176});
    constexpr int kLeft = 8;
    constexpr int kRight = 135;
    constexpr int kWidth = 120;
    sale_ = kit::button(operationsGroup_, QStringLiteral("operations.sale"),
                        QStringLiteral("Продажа"), kit::buttonAt(kLeft, 16, kWidth));
    return_ = kit::button(operationsGroup_, QStringLiteral("operations.return"),
                          QStringLiteral("Возврат"), kit::buttonAt(kRight, 16, kWidth));
    cancelPosition_ = kit::button(operationsGroup_, QStringLiteral("operations.cancelPosition"),
                                  QStringLiteral("Отмена поз."), kit::buttonAt(kLeft, 42, kWidth));
    cancelReceipt_ = kit::button(operationsGroup_, QStringLiteral("operations.cancelReceipt"),
                                 QStringLiteral("Отмена чека"), kit::buttonAt(kRight, 42, kWidth));
    kit::label(operationsGroup_, QStringLiteral("Форма оплаты:"), kLeft, 72, kWidth);
    paymentForm_ = kit::list(operationsGroup_, QStringLiteral("operations.paymentForm"),
                             kit::editAt(kRight, 70, kWidth),
                             {QStringLiteral("карточка"), QStringLiteral("кредит"),
                              QStringLiteral("чек"), QStringLiteral("наличные")},
                             3);
    kit::label(operationsGroup_, QStringLiteral("От клиента (грн.):"), kLeft, 96, kWidth);
    fromClient_ =
        kit::edit(operationsGroup_, QStringLiteral("operations.fromClient"),
                  kit::editAt(kRight, 94, kWidth), 11, LocaleFormat::current().zeroSumText());
    pay_ = kit::button(operationsGroup_, QStringLiteral("operations.pay"),
                       QStringLiteral("Оплатить"), kit::buttonAt(kLeft, 120, kWidth));
    QFont bold = pay_->font();
    bold.setBold(true);
    pay_->setFont(bold);
    closeReceipt_ = kit::button(operationsGroup_, QStringLiteral("operations.closeReceipt"),
                                QStringLiteral("Закрыть чек"), kit::buttonAt(kRight, 120, kWidth));
    zeroReceipt_ = kit::button(operationsGroup_, QStringLiteral("operations.zeroReceipt"),
                               QStringLiteral("Нулевой чек"), kit::buttonAt(kLeft, 146, kWidth));
}

void OperationsPage::buildCommentsGroup() {
    commentsGroup_ = kit::group(this, QStringLiteral("operations.commentsGroup"),
                                QStringLiteral(" Комментарии и штрих-коды: "), {242, 178, 263, 94});
    comment_ = kit::edit(commentsGroup_, QStringLiteral("operations.comment"),
                         kit::editAt(8, 17, 150), 27, QString());
    commentButton_ = kit::button(commentsGroup_, QStringLiteral("operations.commentButton"),
                                 QStringLiteral("Комментарий"), kit::buttonAt(162, 16, 93));
    ean13_ = kit::edit(commentsGroup_, QStringLiteral("operations.ean13"), kit::editAt(8, 42, 150),
                       13, QString());
    ean13Button_ = kit::button(commentsGroup_, QStringLiteral("operations.ean13Button"),
                               QStringLiteral("EAN 13"), kit::buttonAt(162, 41, 93));
    code128_ = kit::edit(commentsGroup_, QStringLiteral("operations.code128"),
                         kit::editAt(8, 67, 150), 16, QString());
    code128Button_ = kit::button(commentsGroup_, QStringLiteral("operations.code128Button"),
                                 QStringLiteral("CODE 128"), kit::buttonAt(162, 66, 93));
}

void OperationsPage::buildReceiptInfoGroup() {
    infoGroup_ = kit::group(this, QStringLiteral("operations.infoGroup"),
                            QStringLiteral(" Информация по чеку: "), {242, 274, 263, 76});
    QFont font = this->font();
    font.setPixelSize(13);
    font.setBold(true);
    const auto line = [this, &font](const QString& text, int row, QLabel*& captionLabel,
                                    QLabel*& value) {
        captionLabel = kit::label(infoGroup_, text, 6, 16 + row * 18, 116);
        captionLabel->setFont(font);
        value = kit::label(infoGroup_, QString(), 123, 16 + row * 18, 136);
        value->setFont(font);
    };
    QLabel* costCaption = nullptr;
    QLabel* sumCaption = nullptr;
    line(QStringLiteral("Стоимость:"), 0, costCaption, costValue_);
    line(QStringLiteral("Сумма по чеку:"), 1, sumCaption, sumValue_);
    line(QString(), 2, thirdCaption_, thirdValue_);
    costValue_->setObjectName(QStringLiteral("operations.costValue"));
    sumValue_->setObjectName(QStringLiteral("operations.sumValue"));
    thirdCaption_->setObjectName(QStringLiteral("operations.thirdCaption"));
    thirdValue_->setObjectName(QStringLiteral("operations.thirdValue"));
}

void OperationsPage::buildServiceGroup() {
    const QString zero = LocaleFormat::current().zeroSumText();
    serviceGroup_ = kit::group(this, QStringLiteral("operations.serviceGroup"),
                               QStringLiteral(" Служебные операции: "), {242, 352, 263, 62});
    kit::label(serviceGroup_, QStringLiteral("Сумма (грн.):"), 8, 15, 120);
    cashIn_ = kit::edit(serviceGroup_, QStringLiteral("operations.cashIn"), kit::editAt(8, 33, 54),
                        11, zero);
    cashInButton_ = kit::button(serviceGroup_, QStringLiteral("operations.cashInButton"),
                                QStringLiteral("Внесение"), kit::buttonAt(66, 32, 64));
    kit::label(serviceGroup_, QStringLiteral("Сумма (грн.):"), 135, 15, 120);
    cashOut_ = kit::edit(serviceGroup_, QStringLiteral("operations.cashOut"),
                         kit::editAt(135, 33, 54), 11, zero);
    cashOutButton_ = kit::button(serviceGroup_, QStringLiteral("operations.cashOutButton"),
                                 QStringLiteral("Изъятие"), kit::buttonAt(193, 32, 64));
}

std::vector<ControlRow> OperationsPage::controlRows() {
    const auto on = Enablement::on;
    const auto off = Enablement::off;
    const QString sale = saleGroup_->title();
    const QString discount = discountGroup_->title();
    const QString options = optionsGroup_->title();
    const QString operations = operationsGroup_->title();
    const QString comments = commentsGroup_->title();
    const QString service = serviceGroup_->title();
    const auto percentType = [this] {
        const int type = discountType();
        return std::optional<bool>(type == 0 || type == 2);
    };
    const auto absoluteType = [this]() -> std::optional<bool> {
        const int type = discountType();
        if (type == 1 || type == 3) {
            return true;
        }
        return std::nullopt;
    };
    const auto only410f = ModelVisibility::only410f;
    return {
        {sale, QStringLiteral("Код:"), code_, on(), off()},
        {sale, QStringLiteral("Наименование:"), name_, on(), off()},
        {sale, QStringLiteral("Количество:"), quantity_, on(), off()},
        {sale, QStringLiteral("Цена (грн.):"), price_, on(), off()},
        {sale, QStringLiteral("Налог:"), tax_, on(), off()},

        {discount, QStringLiteral("Тип скидки / наценки:"), discountType_, on(), off()},
        {discount, QStringLiteral("вид: Скидка/Наценка"), discountKind_, on(), off()},
        {discount, QStringLiteral("Пояснительная строка: "), discountText_, on(), off()},
        {discount, discountButton_->text(), discountButton_, on(), off()},
        {discount, QStringLiteral("Процент (%):"), percent_, Enablement::when(percentType), off()},
        {discount, QStringLiteral("Сумма (грн.):"), discountSum_, Enablement::when(absoluteType),
         off()},

        {options, unitQuantity_->text(), unitQuantity_, on(), off()},
        {options, nameFromRegister_->text(), nameFromRegister_, on(), off()},
        {options, autoClose_->text(), autoClose_, on(), off()},
        {options, nonFiscalCopy_->text(), nonFiscalCopy_, on(), off()},
        ControlRow(options, printBarcode_->text(), printBarcode_, on(), off())
            .shownFor(only410f(true)),

        {operations, pay_->text(), pay_, on(), off()},
        {operations, zeroReceipt_->text(), zeroReceipt_, on(), off()},
        {operations, sale_->text(), sale_, on(), off()},
        {operations, return_->text(), return_, on(), off()},
        {operations, closeReceipt_->text(), closeReceipt_, on(), off()},
        {operations, cancelPosition_->text(), cancelPosition_, on(), off()},
        {operations, cancelReceipt_->text(), cancelReceipt_, on(), off()},
        {operations, QStringLiteral("От клиента (грн.):"), fromClient_, on(), off()},
        {operations, QStringLiteral("Форма оплаты:"), paymentForm_, on(), off()},

        {comments, QStringLiteral("текст комментария"), comment_, on(), off()},
        {comments, commentButton_->text(), commentButton_, on(), off()},
        ControlRow(comments, QStringLiteral("цифры EAN-13"), ean13_, on(), off())
            .shownFor(only410f(false)),
        ControlRow(comments, ean13Button_->text(), ean13Button_, on(), off())
            .shownFor(only410f(false)),
        ControlRow(comments, QStringLiteral("текст CODE 128"), code128_, on(), off())
            .shownFor(only410f(false)),
        ControlRow(comments, code128Button_->text(), code128Button_, on(), off())
            .shownFor(only410f(false)),

        {service, QStringLiteral("Сумма (грн.): внесения"), cashIn_, on(), on()},
        {service, cashInButton_->text(), cashInButton_, on(), on()},
        {service, QStringLiteral("Сумма (грн.): изъятия"), cashOut_, on(), on()},
        {service, cashOutButton_->text(), cashOutButton_, on(), on()},
    };
}

int OperationsPage::discountType() const {
    // A text typed by hand that no item carries selects nothing.
    if (discountType_->currentText() != discountType_->itemText(discountType_->currentIndex())) {
        return -1;
    }
    return discountType_->currentIndex();
}

void OperationsPage::discountTypeChosen() {
    const int type = discountType();
    if (type == 0 || type == 2) {
        percent_->setEnabled(true);
        discountSum_->setEnabled(false);
    } else if (type == 1 || type == 3) {
        percent_->setEnabled(false);
        discountSum_->setEnabled(true);
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

std::optional<OperationsPage::ArticleLine>
OperationsPage::readArticleLine(const QString& emptyFieldsMessage) {
    if (code_->text().isEmpty() || name_->text().isEmpty() || quantity_->text().isEmpty() ||
        price_->text().isEmpty()) {
        error(emptyFieldsMessage);
        return std::nullopt;
    }
    const LocaleFormat& locale = LocaleFormat::current();
    ArticleLine line;
    const std::optional<std::int64_t> code = parseInteger<std::int64_t>(code_->text());
    if (!code) {
        error(QStringLiteral("Код товара задан неверно!"));
        return std::nullopt;
    }
    line.code = *code;
    const std::optional<Quantity> quantity = locale.parseQuantity(quantity_->text());
    if (!quantity) {
        error(QStringLiteral("Неправильный формат количества!"));
        return std::nullopt;
    }
    line.quantity = *quantity;
    // A price travels as a signed 32-bit number, and a cancelled position negates it.
    const std::optional<std::int64_t> price = locale.parsePrice(price_->text());
    if (!price || *price > kMaxPrice || *price < -kMaxPrice) {
        error(QStringLiteral("Введите цену в гривнах!"));
        return std::nullopt;
    }
    line.price = static_cast<std::int32_t>(*price);
    return line;
}

void OperationsPage::registerLine(LineKind kind, const ArticleLine& line, std::int32_t price) {
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
    if (const auto line = readArticleLine(kEmptySaleFields)) {
        registerLine(LineKind::Sale, *line, line->price);
    }
}

void OperationsPage::returnClicked() {
    if (const auto line = readArticleLine(kEmptySaleFields)) {
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
    if (const auto line = readArticleLine(kEmptyCancelFields)) {
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
    if (fromClient_->text().isEmpty()) {
        error(QStringLiteral("Введите сумму принятую от клиента!"));
        return;
    }
    const std::optional<std::int64_t> amount =
        LocaleFormat::current().parsePrice(fromClient_->text());
    if (!amount || *amount < 0 || *amount > kMaxAmount) {
        error(kBadAmount);
        return;
    }
    pay(static_cast<std::uint32_t>(*amount), false);
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
    std::int32_t percent = 0;
    std::int32_t amount = 0;
    if (type == 0 || type == 2) {
        const auto value = parseInteger<std::int32_t>(percent_->text());
        if (!value) {
            error(QStringLiteral("Значение процентной скидки должно от 0%..100%!"));
            return;
        }
        percent = *value;
    } else {
        // A type typed by hand lands here too; the driver refuses it.
        const std::optional<std::int64_t> value =
            LocaleFormat::current().parseHryvnias(discountSum_->text());
        if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
            *value > std::numeric_limits<std::int32_t>::max()) {
            error(QStringLiteral("Введите значение асолютной скидки в гривнах!"));
            return;
        }
        amount = static_cast<std::int32_t>(*value);
    }
    const bool isDiscount = discountKind_->currentIndex() == 0;
    std::int64_t result = 0;
    std::int64_t total = 0;
    if (!call(FPDiscount(&result, &total, static_cast<std::uint8_t>(type), percent, amount,
                         isDiscount ? -1 : 0, toDriverText(discountText_->text()).constData()))) {
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
    const QLineEdit* field = deposit ? cashIn_ : cashOut_;
    if (field->text().isEmpty()) {
        error(deposit ? QStringLiteral("Введите сумму для служебного внесения!")
                      : QStringLiteral("Введите сумму для служебного изъятия!"));
        return;
    }
    // A negative amount is refused here: as a 32-bit amount it would book an
    // enormous deposit or withdrawal.
    const std::optional<std::int64_t> amount = LocaleFormat::current().parseCash(field->text());
    if (!amount || *amount < 0) {
        error(kBadAmount);
        return;
    }
    if (*amount > kMaxAmount) {
        error(deposit ? QStringLiteral("Максимальная сумма служебного внесения составляет "
                                       "42949672.95 грн!")
                      : QStringLiteral("Максимальная сумма служебного изъятия составляет "
                                       "42949672.95 грн!"));
        return;
    }
    const auto kopecks = static_cast<std::uint32_t>(*amount);
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
