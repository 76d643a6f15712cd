// " Регистрация продажи/выплаты: ": the article line of a sale, a return or a
// cancelled position (code, name, tax group, quantity, price).
#pragma once

#include "OperationsRules.h"
#include "pages/PageGroup.h"

#include <cstdint>
#include <optional>

class QComboBox;
class QLineEdit;

namespace kasmon {

class SaleGroup final : public PageGroup {
    Q_OBJECT
  public:
    explicit SaleGroup(Page& page);

    // The line as typed and checked; the first input error is shown and nothing given.
    std::optional<operations::ArticleLine> readLine(bool cancel) const;
    QString articleName() const;
    std::uint8_t taxGroup() const;

  private:
    QLineEdit* code_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* tax_ = nullptr;
    QLineEdit* quantity_ = nullptr;
    QLineEdit* price_ = nullptr;
};

} // namespace kasmon
