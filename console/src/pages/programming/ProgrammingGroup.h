// One group box of the "Программирование" page: it builds its controls in the
// page, declares their enabled-controls rows and carries out its actions with
// the page's driver-call and box helpers.
#pragma once

#include "ConsoleState.h"
#include "EnabledControls.h"
#include "pages/ProgrammingPage.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QGroupBox;
class QLabel;
class QWidget;

namespace kasmon {

class ProgrammingGroup : public QObject {
    Q_OBJECT
  public:
    virtual std::vector<ControlRow> controlRows() = 0;
    virtual void connectionStateApplied(ConnectionState state) { Q_UNUSED(state) }
    // The group box, for the page to lay out.
    QGroupBox* groupBox() const { return box_; }

  protected:
    // The group box "programming.<name>" with its title; the page lays it out.
    ProgrammingGroup(ProgrammingPage& page, const char* name, const QString& title);

    static QString named(const char* name) {
        return QStringLiteral("programming.") + QLatin1String(name);
    }
    static std::int16_t flag(bool on) { return on ? -1 : 0; }

    QGroupBox* box() const { return box_; }
    // The bold "Пароль программирования" at the top of a group whose commands need it.
    QLabel* passwordReminder() const;
    ProgrammingPage& page() const { return page_; }
    // Set by a successful fiscalization, cleared by the next taxpayer attributes written.
    bool& justFiscalized() const { return page_.justFiscalized_; }
    ConsoleState& state() const { return page_.state(); }
    bool call(std::int16_t result) const { return page_.call(result); }
    template <typename T> std::optional<T> call(std::optional<T> read) const {
        return page_.call(std::move(read));
    }
    void reportDriverError() const { page_.reportDriverError(); }
    void information(const QString& title, const QString& text) const {
        page_.information(title, text);
    }
    void error(const QString& text) const { page_.error(text); }
    bool question(const QString& title, const QString& text) const {
        return page_.question(title, text);
    }

  private:
    ProgrammingPage& page_;
    QGroupBox* box_ = nullptr;
};

} // namespace kasmon
