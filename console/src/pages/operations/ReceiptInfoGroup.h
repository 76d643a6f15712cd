// " Информация по чеку: ": what the register answered about the open receipt,
// bold: the last line's cost, the receipt's sum, and the change, the rest to
// pay or the discount.
#pragma once

#include "pages/PageGroup.h"

#include <cstdint>

class QLabel;

namespace kasmon {

class ReceiptInfoGroup final : public PageGroup {
    Q_OBJECT
  public:
    explicit ReceiptInfoGroup(Page& page);

    // A line registered: its cost and the sum so far; the third row cleared.
    void showLine(std::int64_t cost, std::int64_t sum);
    void showSum(std::int64_t sum);
    // The third row: "Сдача:", "Остаток:", "Скидка:" or "Наценка:" and its amount.
    void showThird(const QString& caption, std::int64_t kopecks);
    void clear();

  private:
    QLabel* cost_ = nullptr;
    QLabel* sum_ = nullptr;
    QLabel* thirdCaption_ = nullptr;
    QLabel* thirdValue_ = nullptr;
};

} // namespace kasmon
