// One group box of the "Программирование" page (pages/PageGroup.h): the box
// "programming.<name>", laid out by the page, and what the page's groups share.
#pragma once

#include "pages/PageGroup.h"
#include "pages/ProgrammingPage.h"

#include <QString>

#include <cstdint>

class QLabel;

namespace kasmon {

class ProgrammingGroup : public PageGroup {
    Q_OBJECT
  public:
    std::vector<ControlRow> controlRows() override = 0;

  protected:
    ProgrammingGroup(ProgrammingPage& page, const char* name, const QString& title);

    static std::int16_t flag(bool on) { return on ? -1 : 0; }

    // The bold "Пароль программирования" at the top of a group whose commands need it.
    QLabel* passwordReminder() const;
    ProgrammingPage& page() const { return page_; }
    // Set by a successful fiscalization, cleared by the next taxpayer attributes written.
    bool& justFiscalized() const { return page_.justFiscalized_; }

  private:
    ProgrammingPage& page_;
};

} // namespace kasmon
