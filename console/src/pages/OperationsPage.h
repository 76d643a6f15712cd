// The "Операции" page: the console's cash desk. Sales and returns of single
// articles, cancelled positions, discounts and mark-ups, payment, closing and
// annulling the receipt, zero receipts, comment lines, bar codes and service
// cash-in and cash-out. The receipt lives in the register: the page keeps no
// state of its own and shows only what the register answers. Each group box
// is its own class (pages/operations/) over the input rules of
// OperationsRules; the page assembles them and hands their rows to the
// enabled-controls table. Controls are found by objectName, "operations.<name>".
#pragma once

#include "pages/Page.h"
#include "pages/operations/OperationsDesk.h"

#include <vector>

namespace kasmon {

class DiscountGroup;
class PageGroup;

class OperationsPage final : public Page {
    Q_OBJECT
  public:
    explicit OperationsPage(TForm1& form, QWidget* parent = nullptr);
    ~OperationsPage() override;

    QString caption() const override;
    std::vector<ControlRow> controlRows() override;

    // The kind of discount chosen: 0..3, or -1 when a text was typed into the list.
    int discountType() const;

  private:
    OperationsDesk desk_;
    DiscountGroup* discount_ = nullptr;
    std::vector<PageGroup*> groups_; // children of the page, in the order they read
};

} // namespace kasmon
