// " Начальное и конечное сообщения в чеке: ": the three lines printed at the
// top and the three at the bottom of every receipt, each written by its "W"
// button with the two shared double width / double height boxes.
#pragma once

#include "pages/programming/ProgrammingGroup.h"

#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kasmon {

class MessageLinesGroup final : public ProgrammingGroup {
    Q_OBJECT
  public:
    MessageLinesGroup(ProgrammingPage& page);
    std::vector<ControlRow> controlRows() override;

  private:
    void write(int line);

    std::array<QLineEdit*, 6> lines_{};
    std::array<QPushButton*, 6> writes_{};
    QCheckBox* doubleWidth_ = nullptr;
    QCheckBox* doubleHeight_ = nullptr;
};

} // namespace kasmon
