// One group box of a page, written as its own class: a busy page is a few of
// them (the "Программирование" and "Операции" pages are). A group builds its
// controls in its box, declares their enabled-controls rows and carries out
// its actions with its page's helpers, which it reaches through the kit:
//
//     if (!call(form().fiscal().zeroReceipt())) return;   // error and verdict shown
//
// The page makes its groups in the order the user reads them and hands their
// rows on; controls are found by objectName, "<page>.<control>".
#pragma once

#include "ConsoleState.h"
#include "EnabledControls.h"
#include "pages/Page.h"
#include "pages/Widgets.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <type_traits>
#include <vector>

namespace kasmon {

class PageGroup : public QObject {
    Q_OBJECT
  public:
    // The rows declared with governed() and labelled(), unless a group says otherwise.
    virtual std::vector<ControlRow> controlRows() { return rows_; }
    virtual void connectionStateApplied(ConnectionState state) { Q_UNUSED(state) }
    // The group box, for the page to lay out.
    QGroupBox* groupBox() const { return box_; }

  protected:
    // The group box "<page>.<name>" with its title at `place` on the page; an
    // empty place leaves it to the page's layout.
    PageGroup(Page& page, const char* name, const QString& title, const QRect& place = {});

    QGroupBox* box() const { return box_; }
    // "<page>.<name>", the objectName of a control of this page.
    QString named(const char* name) const {
        return page_.objectName() + QLatin1Char('.') + QLatin1String(name);
    }

    // Declares the row of a control the connection state governs, under the
    // group's title: on in Service, off in Cashier unless `cashier`. A button's
    // caption is its text.
    template <typename W> W* governed(W* control, QString caption = {}, bool cashier = false) {
        if constexpr (std::is_base_of_v<QAbstractButton, W>) {
            if (caption.isEmpty()) {
                caption = control->text();
            }
        }
        rows_.emplace_back(box_->title(), caption, control, Enablement::on(),
                           cashier ? Enablement::on() : Enablement::off());
        return control;
    }
    // The same with a caption label at (x, y) in the group before the control.
    template <typename W> W* labelled(W* control, const QString& caption, int x, int y, int width) {
        kit::label(box_, caption, x, y, width);
        return governed(control, caption);
    }
    // The rows declared so far, the last one to refine.
    std::vector<ControlRow>& rows() { return rows_; }

    // The page's helpers (pages/Page.h).
    TForm1& form() const { return page_.form(); }
    ConsoleState& state() const { return page_.state(); }
    bool call(std::int16_t result) const { return page_.call(result); }
    bool call(const kashost::FiscalVerdict& verdict) const { return page_.call(verdict); }
    template <typename T> std::optional<T> call(std::optional<T> read) const {
        return page_.call(std::move(read));
    }
    void reportDriverError() const { page_.reportDriverError(); }
    void checkPaper() const { page_.checkPaper(); }
    void information(const QString& title, const QString& text) const {
        page_.information(title, text);
    }
    void error(const QString& text) const { page_.error(text); }
    void warning(const QString& title, const QString& text) const { page_.warning(title, text); }
    bool question(const QString& title, const QString& text) const {
        return page_.question(title, text);
    }
    bool confirm(const QString& title, const QString& text) const {
        return page_.confirm(title, text);
    }

  private:
    Page& page_;
    QGroupBox* box_ = nullptr;
    std::vector<ControlRow> rows_;
};

} // namespace kasmon
