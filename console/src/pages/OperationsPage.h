// The "Операции" page: the receipt workflow.
#pragma once

#include "pages/Page.h"

namespace kasmon {

class OperationsPage final : public Page {
    Q_OBJECT
  public:
    explicit OperationsPage(TForm1& form, QWidget* parent = nullptr);
    QString caption() const override;
};

} // namespace kasmon
