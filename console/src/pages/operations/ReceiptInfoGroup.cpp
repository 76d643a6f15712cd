#include "pages/operations/ReceiptInfoGroup.h"

#include "LocaleFormat.h"

#include <QLabel>

namespace kasmon {

namespace {

void showMoney(QLabel* value, std::int64_t kopecks) {
    value->setText(LocaleFormat::current().formatMoney(kopecks));
}

} // namespace

ReceiptInfoGroup::ReceiptInfoGroup(Page& page)
    : PageGroup(page, "infoGroup", QStringLiteral(" Информация по чеку: "), {242, 274, 263, 76}) {
    QGroupBox* g = box();
    QFont font = page.font();
    font.setPixelSize(13);
    font.setBold(true);
    // A caption and its value, bold; the value labels and the third caption are named.
    const auto label = [this, g, &font](const QString& text, int x, int y, int width,
                                        const char* name) {
        QLabel* l = kit::label(g, text, x, y, width);
        l->setFont(font);
        if (name != nullptr) {
            l->setObjectName(named(name));
        }
        return l;
    };
    label(QStringLiteral("Стоимость:"), 6, 16, 116, nullptr);
    cost_ = label(QString(), 123, 16, 136, "costValue");
    label(QStringLiteral("Сумма по чеку:"), 6, 34, 116, nullptr);
    sum_ = label(QString(), 123, 34, 136, "sumValue");
    thirdCaption_ = label(QString(), 6, 52, 116, "thirdCaption");
    thirdValue_ = label(QString(), 123, 52, 136, "thirdValue");
}

void ReceiptInfoGroup::showLine(std::int64_t cost, std::int64_t sum) {
    thirdCaption_->clear();
    thirdValue_->clear();
    showMoney(cost_, cost);
    showMoney(sum_, sum);
}

void ReceiptInfoGroup::showSum(std::int64_t sum) {
    showMoney(sum_, sum);
}

void ReceiptInfoGroup::showThird(const QString& caption, std::int64_t kopecks) {
    thirdCaption_->setText(caption);
    showMoney(thirdValue_, kopecks);
}

void ReceiptInfoGroup::clear() {
    cost_->clear();
    sum_->clear();
    thirdCaption_->clear();
    thirdValue_->clear();
}

} // namespace kasmon
