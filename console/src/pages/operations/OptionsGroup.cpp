#include "pages/operations/OptionsGroup.h"

#include <QCheckBox>

namespace kasmon {

OptionsGroup::OptionsGroup(Page& page)
    : PageGroup(page, "optionsGroup", QStringLiteral(" Опции печати: "), {2, 308, 236, 116}) {
    QGroupBox* g = box();
    const auto check = [this, g](const char* name, const char* text, int row) {
        return governed(kit::check(g, named(name), QString::fromUtf8(text),
                                   {8, 16 + row * kit::kCheckHeight, 220, kit::kCheckHeight}));
    };
    unitQuantity_ = check("unitQuantity", "Брать единичное количество", 0);
    nameFromRegister_ = check("nameFromRegister", "Наименование брать из ЭККР", 1);
    autoClose_ = check("autoClose", "Автоматически закрыть чек", 2);
    nonFiscalCopy_ = check("nonFiscalCopy", "Печатать не фискальный чек", 3);
    printBarcode_ = check("printBarcode", "Печатать штрих-код товара", 4);
    rows().back().shownFor(ModelVisibility::only410f(true));
}

bool OptionsGroup::unitQuantity() const {
    return unitQuantity_->isChecked();
}

bool OptionsGroup::nameFromRegister() const {
    return nameFromRegister_->isChecked();
}

bool OptionsGroup::autoClose() const {
    return autoClose_->isChecked();
}

bool OptionsGroup::nonFiscalCopy() const {
    return nonFiscalCopy_->isChecked();
}

bool OptionsGroup::printBarcode() const {
    return printBarcode_->isChecked();
}

} // namespace kasmon
