// TForm3, "Регистрация": asks for the service password when a link opens.
#pragma once

#include "ConsoleState.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kasmon {

class TForm3 final : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(ConsoleState& state, QWidget* parent = nullptr);

    // The service password, compared exactly with what is typed.
    static QString servicePassword();

    QLineEdit* passwordEdit() const { return password_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

  protected:
    // Every time the dialog comes up: empty field, cashier mode until proven otherwise.
    void showEvent(QShowEvent* event) override;

  private:
    ConsoleState& state_;
    QLineEdit* password_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace kasmon
