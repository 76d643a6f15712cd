// One page of the main window. A page builds its controls, declares which of
// them the connection state governs (controlRows) and reaches the console-wide
// state and the shared reports through the main window.
#pragma once

#include "ConsoleState.h"
#include "EnabledControls.h"

#include <QWidget>

#include <vector>

namespace kasmon {

class TForm1;

class Page : public QWidget {
    Q_OBJECT
  public:
    Page(TForm1& form, QWidget* parent = nullptr);

    // The tab caption.
    virtual QString caption() const = 0;
    // The rows of the enabled-controls table for this page's controls.
    virtual std::vector<ControlRow> controlRows() { return {}; }
    // Called after a connection-state column has been applied to every page.
    virtual void connectionStateApplied(ConnectionState state) { Q_UNUSED(state) }

  protected:
    TForm1& form() const { return form_; }
    ConsoleState& state() const;

  private:
    TForm1& form_;
};

} // namespace kasmon
