#include "pages/operations/DiscountGroup.h"

#include "DriverText.h"
#include "LocaleFormat.h"
#include "OperationsRules.h"
#include "RegisterTexts.h"
#include "pages/operations/ReceiptInfoGroup.h"

#include <kasdrv.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace kasmon {

DiscountGroup::DiscountGroup(Page& page, const OperationsDesk& desk)
    : PageGroup(page, "discountGroup", QStringLiteral(" Скидки / наценки: "), {2, 142, 236, 164}),
      desk_(desk) {
    QGroupBox* g = box();
    type_ = labelled(kit::list(g, named("discountType"), kit::editAt(8, 33, 220),
                               factTexts(reg::kDiscountTypesRu), 0),
                     QStringLiteral("Тип скидки / наценки:"), 8, 16, 220);
    type_->setEditable(true);
    type_->setInsertPolicy(QComboBox::NoInsert);
    // A type typed by hand turns the percent off and leaves the sum as it is.
    percent_ = labelled(kit::edit(g, named("percent"), kit::editAt(100, 60, 50)),
                        QStringLiteral("Процент (%):"), 8, 62, 90);
    rows().back().service = Enablement::when([this] {
        return std::optional<bool>(operations::takesPercent(discountType()).value_or(false));
    });
    kind_ = governed(kit::list(g, named("discountKind"), kit::editAt(154, 60, 74),
                               {QStringLiteral("Скидка"), QStringLiteral("Наценка")}, 0),
                     QStringLiteral("вид: Скидка/Наценка"));
    sum_ = labelled(kit::edit(g, named("discountSum"), kit::editAt(100, 84, 50), 0,
                              LocaleFormat::current().zeroSumText()),
                    QStringLiteral("Сумма (грн.):"), 8, 86, 90);
    rows().back().service = Enablement::when([this]() -> std::optional<bool> {
        if (operations::takesPercent(discountType()) == false) {
            return true;
        }
        return std::nullopt;
    });
    text_ = labelled(kit::edit(g, named("discountText"), kit::editAt(8, 128, 112), 25),
                     QStringLiteral("Пояснительная строка: "), 8, 110, 220);
    button_ = governed(kit::button(g, named("discountButton"), QStringLiteral("Скидка/Наценка"),
                                   kit::buttonAt(124, 127, 104)));

    connect(button_, &QPushButton::clicked, this, &DiscountGroup::discountClicked);
    // What the user picks or types in the type list, not what the program sets.
    connect(type_, &QComboBox::activated, this, &DiscountGroup::discountTypeChosen);
    connect(type_->lineEdit(), &QLineEdit::textEdited, this, &DiscountGroup::discountTypeChosen);
}

int DiscountGroup::discountType() const {
    // A text typed by hand that no item carries selects nothing.
    if (type_->currentText() != type_->itemText(type_->currentIndex())) {
        return -1;
    }
    return type_->currentIndex();
}

void DiscountGroup::discountTypeChosen() {
    if (const std::optional<bool> percent = operations::takesPercent(discountType())) {
        percent_->setEnabled(*percent);
        sum_->setEnabled(!*percent);
    }
}

void DiscountGroup::discountClicked() {
    const int type = discountType();
    const auto discount =
        operations::checkDiscount(type, percent_->text(), sum_->text(), LocaleFormat::current());
    if (!discount.value) {
        error(discount.error);
        return;
    }
    const bool isDiscount = kind_->currentIndex() == 0;
    std::int64_t result = 0;
    std::int64_t total = 0;
    if (!call(FPDiscount(&result, &total, static_cast<std::uint8_t>(type), discount.value->percent,
                         discount.value->amount, isDiscount ? -1 : 0,
                         toDriverText(text_->text()).constData()))) {
        return;
    }
    desk_.info->showSum(total);
    desk_.info->showThird(isDiscount ? QStringLiteral("Скидка:") : QStringLiteral("Наценка:"),
                          result);
}

} // namespace kasmon
