// " Логотип торговой точки: ": the shop logo, a monochrome .bmp chosen through
// the file dialog and handed to the register as its complete file image.
#pragma once

#include "pages/programming/ProgrammingGroup.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace kasmon {

class LogoGroup final : public ProgrammingGroup {
    Q_OBJECT
  public:
    LogoGroup(ProgrammingPage& page);
    std::vector<ControlRow> controlRows() override;

  private:
    void choose();
    void write();

    QLineEdit* path_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* write_ = nullptr;
    QCheckBox* doubleHeight_ = nullptr;
    QCheckBox* invert_ = nullptr;
};

} // namespace kasmon
