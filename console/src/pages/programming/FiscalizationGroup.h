// " Фискализация: ": the fiscal number checked as it is typed and the fixed
// dialogue that writes it (confirmation, status read, the Z report of a
// register not yet fiscal, the number), which switches the fiscal memory on.
#pragma once

#include "pages/programming/ProgrammingGroup.h"

class QLineEdit;
class QPushButton;

namespace kasmon {

class FiscalizationGroup final : public ProgrammingGroup {
    Q_OBJECT
  public:
    FiscalizationGroup(ProgrammingPage& page);
    std::vector<ControlRow> controlRows() override;
    void connectionStateApplied(ConnectionState state) override;

  private:
    void numberEdited(const QString& text);
    void fiscalize();
    // The warning question of the dialogue: Yes and No, No the default.
    bool warningQuestion(const QString& title, const QString& text) const;
    void interrupted() const;

    QLineEdit* number_ = nullptr;
    QPushButton* fiscalize_ = nullptr;
};

} // namespace kasmon
