// The "Программирование" page: header and trailer lines, fiscalization, tax rates and logo.
#pragma once

#include "pages/Page.h"

namespace kasmon {

class ProgrammingPage final : public Page {
    Q_OBJECT
  public:
    explicit ProgrammingPage(TForm1& form, QWidget* parent = nullptr);
    QString caption() const override;
};

} // namespace kasmon
