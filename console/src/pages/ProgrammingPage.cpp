#include "pages/ProgrammingPage.h"

#include "pages/programming/FiscalizationGroup.h"
#include "pages/programming/LogoGroup.h"
#include "pages/programming/MessageLinesGroup.h"
#include "pages/programming/ProgrammingGroup.h"
#include "pages/programming/TaxRatesGroup.h"
#include "pages/programming/TaxpayerGroup.h"

namespace kasmon {

ProgrammingPage::ProgrammingPage(TForm1& form, QWidget* parent) : Page(form, parent) {
    setObjectName(QStringLiteral("programming"));
    groups_.push_back(new FiscalizationGroup(*this, {4, 2, 330, 84}));
    groups_.push_back(new MessageLinesGroup(*this, {4, 88, 330, 200}));
    groups_.push_back(new TaxpayerGroup(*this, {338, 2, 330, 240}));
    groups_.push_back(new LogoGroup(*this, {338, 246, 330, 86}));
    groups_.push_back(new TaxRatesGroup(*this, {4, 292, 330, 238}));
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
