#include "pages/ProgrammingPage.h"

#include "pages/Widgets.h"
#include "pages/programming/FiscalizationGroup.h"
#include "pages/programming/LogoGroup.h"
#include "pages/programming/MessageLinesGroup.h"
#include "pages/programming/ProgrammingGroup.h"
#include "pages/programming/TaxRatesGroup.h"
#include "pages/programming/TaxpayerGroup.h"

#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kasmon {

ProgrammingPage::ProgrammingPage(TForm1& form, QWidget* parent) : Page(form, parent) {
    setObjectName(QStringLiteral("programming"));
    // The busiest page: its captions in the narrower cut of the window font,
    // as the tabs have it, so that its five groups share the page.
    QFont narrow;
    narrow.setStretch(QFont::SemiCondensed);
    setFont(narrow);
    // Fiscalization and the message lines on top, the receipt header across
    // the page, the logo and the tax rates below: the order of work, fiscal
    // number, taxpayer attributes, tax rates, reads downwards.
    auto* fiscal = new FiscalizationGroup(*this);
    auto* messages = new MessageLinesGroup(*this);
    auto* head = new TaxpayerGroup(*this);
    auto* logo = new LogoGroup(*this);
    auto* taxes = new TaxRatesGroup(*this);
    groups_ = {fiscal, messages, head, logo, taxes};
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(2, 2, 2, 2);
    page->setSpacing(2);
    page->addLayout(kit::row({fiscal->groupBox(), messages->groupBox()}, false));
    page->addWidget(head->groupBox());
    page->addLayout(kit::row({logo->groupBox(), taxes->groupBox()}, false));
    page->addStretch();
}

ProgrammingPage::~ProgrammingPage() = default;

QString ProgrammingPage::caption() const {
    return QStringLiteral("Программирование");
}

std::vector<ControlRow> ProgrammingPage::controlRows() {
    std::vector<ControlRow> rows;
    for (ProgrammingGroup* group : groups_) {
        for (ControlRow& row : group->controlRows()) {
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

void ProgrammingPage::connectionStateApplied(ConnectionState state) {
    for (ProgrammingGroup* group : groups_) {
        group->connectionStateApplied(state);
    }
}

} // namespace kasmon
