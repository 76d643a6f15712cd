// The "Программирование" page: the register's permanent settings. Each group
// box is its own class (pages/programming/); the page only assembles them and
// hands their rows to the enabled-controls table. Controls are found by
// objectName, "programming.<name>".
#pragma once

#include "pages/Page.h"

#include <memory>
#include <vector>

namespace kasmon {

class ProgrammingGroup;

class ProgrammingPage final : public Page {
    Q_OBJECT
  public:
    explicit ProgrammingPage(TForm1& form, QWidget* parent = nullptr);
    ~ProgrammingPage() override;

    QString caption() const override;
    std::vector<ControlRow> controlRows() override;
    void connectionStateApplied(ConnectionState state) override;

  private:
    friend class ProgrammingGroup;
    std::vector<ProgrammingGroup*> groups_; // children of the page
    bool justFiscalized_ = false;
};

} // namespace kasmon
