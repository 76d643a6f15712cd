// One page of the main window, and the kit every page is built with.
//
// A page builds its controls with the factories of pages/Widgets.h (each gets
// its objectName), declares in controlRows() which of them the connection state
// governs (one ControlRow per control: group, caption, widget, and the Service
// and Cashier columns, Closed being off unless given), and writes each action
// as: read and check the fields (error() and return on a bad one), call the
// driver through call(), show the result with information().
//
//     if (!call(FPLineFeed())) return;   // the driver's error is already shown
//     checkPaper();
//
//     if (const auto sum = call(kashost::readMoneyInBox())) information(...);
//
// Fiscal commands go through the window's FiscalSession, which tells what
// became of a command whose answer was lost:
//
//     if (!call(form().fiscal().zeroReceipt())) return;   // error and verdict shown
//
// A busy page is one class per group box over PageGroup (pages/PageGroup.h),
// which has the same helpers; the page assembles its groups.
#pragma once

#include "ConsoleState.h"
#include "EnabledControls.h"

#include <kashost/Verified.h>

#include <QWidget>

#include <cstdint>
#include <optional>
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

    // A driver result: true on success; on failure the driver's error is shown
    // (the standard failure report) and false returned. Any export but the
    // fiscal session's may change the receipt, so the session forgets it.
    bool call(std::int16_t result) const;
    // A fiscal command's verdict: true when the register answered it. Unless it
    // was answered and carried out once, the driver's error and what became of
    // the command are shown.
    bool call(const kashost::FiscalVerdict& verdict) const;
    // A kashost read: its value, or nothing once the driver's error is shown.
    template <typename T> std::optional<T> call(std::optional<T> read) const {
        if (!read) {
            reportDriverError();
        }
        return read;
    }
    void reportDriverError() const;
    // After a successful printing action: warns when a tape runs low (RX-410F only).
    void checkPaper() const;

    // Boxes owned by the main window, through the Dialogs seam.
    void information(const QString& title, const QString& text) const;
    void error(const QString& text) const; // "Ошибка!"
    void warning(const QString& title, const QString& text) const;
    bool question(const QString& title, const QString& text) const; // Да / Нет
    // A warning that asks to go on: true for OK, false for Cancel.
    bool confirm(const QString& title, const QString& text) const;

  private:
    friend class PageGroup; // a page's group boxes work with its helpers
    TForm1& form_;
};

} // namespace kasmon
