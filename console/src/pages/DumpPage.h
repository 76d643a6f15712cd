// The " Дамп " page: reading raw memory blocks.
#pragma once

#include "pages/Page.h"

namespace kasmon {

class DumpPage final : public Page {
    Q_OBJECT
  public:
    explicit DumpPage(TForm1& form, QWidget* parent = nullptr);
    QString caption() const override;
};

} // namespace kasmon
