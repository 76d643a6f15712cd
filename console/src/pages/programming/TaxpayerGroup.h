// " Шапка чека: ": the taxpayer attributes printed at the top of every receipt,
// three lines with their own double width / double height (held here, shown
// through the two boxes for the line chosen) and the tax or identification number.
#pragma once

#include "pages/programming/ProgrammingGroup.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kasmon {

class TaxpayerGroup final : public ProgrammingGroup {
    Q_OBJECT
  public:
    TaxpayerGroup(ProgrammingPage& page);
    std::vector<ControlRow> controlRows() override;

  private:
    struct Attributes {
        bool doubleWidth = false;
        bool doubleHeight = false;
    };
    void lineChosen();
    void layOutLines();
    void numberEdited(const QString& text);
    void write();

    std::array<Attributes, 3> attributes_{};
    std::array<QLabel*, 3> captions_{};
    std::array<QLineEdit*, 3> lines_{};
    QComboBox* line_ = nullptr;
    QCheckBox* doubleWidth_ = nullptr;
    QCheckBox* doubleHeight_ = nullptr;
    QRadioButton* taxNumber_ = nullptr;
    QRadioButton* identificationNumber_ = nullptr;
    QLineEdit* number_ = nullptr;
    QPushButton* write_ = nullptr;
};

} // namespace kasmon
