#include "pages/operations/SaleGroup.h"

#include "LocaleFormat.h"
#include "RegisterTexts.h"

#include <QComboBox>
#include <QLineEdit>

namespace kasmon {

SaleGroup::SaleGroup(Page& page)
    : PageGroup(page, "saleGroup", QStringLiteral(" Регистрация продажи/выплаты: "),
                {2, 0, 236, 140}) {
    const LocaleFormat& locale = LocaleFormat::current();
    QGroupBox* g = box();
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

std::optional<operations::ArticleLine> SaleGroup::readLine(bool cancel) const {
    const auto line =
        operations::checkArticle({code_->text(), name_->text(), quantity_->text(), price_->text()},
                                 cancel, LocaleFormat::current());
    if (!line.value) {
        error(line.error);
    }
    return line.value;
}

QString SaleGroup::articleName() const {
    return name_->text();
}

std::uint8_t SaleGroup::taxGroup() const {
    return static_cast<std::uint8_t>(tax_->currentIndex());
}

} // namespace kasmon
