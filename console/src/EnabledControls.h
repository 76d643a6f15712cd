// Which controls are enabled in which connection state, and which are shown
// for which register model, kept as data. Every page declares one row per
// control it governs; the main window collects the rows of all pages and
// applies a column whenever the connection state or the model changes.
#pragma once

#include "ConsoleState.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace kasmon {

// What a control is in one connection state.
class Enablement {
  public:
    enum class Kind { On, Off, Keep, When };

    static Enablement on() { return Enablement(Kind::On); }
    static Enablement off() { return Enablement(Kind::Off); }
    // Left as it is.
    static Enablement keep() { return Enablement(Kind::Keep); }
    // Decided by the page's own fields when the column is applied: the function
    // answers on, off, or nothing (left as it is).
    static Enablement when(std::function<std::optional<bool>()> decide) {
        Enablement e(Kind::When);
        e.decide_ = std::move(decide);
        return e;
    }

    Kind kind() const { return kind_; }
    // The enabled state to give the control, nothing to leave it.
    std::optional<bool> resolve() const;

  private:
    explicit Enablement(Kind kind) : kind_(kind) {}
    Kind kind_;
    std::function<std::optional<bool>()> decide_;
};

// Shown or hidden per register model; a register whose firmware names neither
// model leaves the control as it is.
struct ModelVisibility {
    bool governed = false;
    bool onRx410f = true;
    bool onRx520l = true;
    // A check box that is hidden is also unchecked.
    bool uncheckWhenHidden = false;

    static ModelVisibility always() { return {}; }
    static ModelVisibility only410f(bool uncheck = false) { return {true, true, false, uncheck}; }
    static ModelVisibility only520l(bool uncheck = false) { return {true, false, true, uncheck}; }
};

struct ControlRow {
    // A control whose Closed column is off (most of them).
    ControlRow(QString groupCaption, QString controlCaption, QWidget* target, Enablement inService,
               Enablement inCashier)
        : group(std::move(groupCaption)), control(std::move(controlCaption)), widget(target),
          service(std::move(inService)), cashier(std::move(inCashier)) {}
    ControlRow(QString groupCaption, QString controlCaption, QWidget* target, Enablement inClosed,
               Enablement inService, Enablement inCashier)
        : group(std::move(groupCaption)), control(std::move(controlCaption)), widget(target),
          closed(std::move(inClosed)), service(std::move(inService)),
          cashier(std::move(inCashier)) {}

    ControlRow& greyedWhenOff() {
        greyWhenOff = true;
        return *this;
    }
    ControlRow& shownFor(ModelVisibility rule) {
        model = rule;
        return *this;
    }

    QString group;   // the group box caption, empty for a control on the page itself
    QString control; // the control's caption as the user sees it
    QPointer<QWidget> widget;
    Enablement closed = Enablement::off();
    Enablement service = Enablement::on();
    Enablement cashier = Enablement::off();
    // An edit whose background is the window colour when enabled and the
    // grey-text colour when disabled.
    bool greyWhenOff = false;
    ModelVisibility model;

    const Enablement& in(ConnectionState state) const;
};

class EnabledControls {
  public:
    // Adds the rows one page declares.
    void addPage(const QString& pageCaption, std::vector<ControlRow> rows);

    // Applies one column to every row (or only to the rows of the widgets given).
    void apply(ConnectionState state) const;
    void apply(ConnectionState state, const std::vector<const QWidget*>& only) const;
    void applyModel(RegisterModel model) const;

    struct Entry {
        QString page;
        ControlRow row;
    };
    const std::vector<Entry>& entries() const { return entries_; }
    // The row of one widget, for tests and for pages that re-evaluate a row.
    const ControlRow* rowOf(const QWidget* widget) const;
    // Re-applies the row of one widget in the given state (a page field changed).
    void reapply(const QWidget* widget, ConnectionState state) const;

  private:
    static void applyRow(const ControlRow& row, ConnectionState state);
    std::vector<Entry> entries_;
};

} // namespace kasmon
