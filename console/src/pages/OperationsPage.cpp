#include "pages/OperationsPage.h"

#include "pages/operations/CommentsGroup.h"
#include "pages/operations/DiscountGroup.h"
#include "pages/operations/OptionsGroup.h"
#include "pages/operations/ReceiptGroup.h"
#include "pages/operations/ReceiptInfoGroup.h"
#include "pages/operations/SaleGroup.h"
#include "pages/operations/ServiceGroup.h"

namespace kasmon {

OperationsPage::OperationsPage(TForm1& form, QWidget* parent) : Page(form, parent) {
    setObjectName(QStringLiteral("operations"));
    // The article line and its discount with the print options on the left;
    // the receipt's operations, comments, the receipt box and the service
    // operations on the right.
    desk_.sale = new SaleGroup(*this);
    discount_ = new DiscountGroup(*this, desk_);
    desk_.options = new OptionsGroup(*this);
    desk_.receipt = new ReceiptGroup(*this, desk_);
    auto* comments = new CommentsGroup(*this, desk_);
    desk_.info = new ReceiptInfoGroup(*this);
    groups_ = {desk_.sale, discount_,  desk_.options,          desk_.receipt,
               comments,   desk_.info, new ServiceGroup(*this)};
}

OperationsPage::~OperationsPage() = default;

QString OperationsPage::caption() const {
    return QStringLiteral("Операции");
}

std::vector<ControlRow> OperationsPage::controlRows() {
    std::vector<ControlRow> rows;
    for (PageGroup* group : groups_) {
        for (ControlRow& row : group->controlRows()) {
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

int OperationsPage::discountType() const {
    return discount_->discountType();
}

} // namespace kasmon
