// The "Пароли" page: the passwords of the eight cashiers and of programming and
// reports, read back when forgotten; a cashier's registration on the register;
// and the programming or report password the console sends with every
// programming or report command from then on.
#pragma once

#include "pages/Page.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kasmon {

class PasswordsPage final : public Page {
    Q_OBJECT
  public:
    explicit PasswordsPage(TForm1& form, QWidget* parent = nullptr);
    QString caption() const override;
    std::vector<ControlRow> controlRows() override;

  public slots:
    void cashierSetClicked();
    void forgottenClicked();
    void registerClicked();
    void unregisterClicked();
    void consoleRegisterClicked();
    void specialSetClicked();

  private:
    void buildCashierGroup();
    void buildRegistrationGroup();
    void buildConsoleGroup();
    void buildSpecialGroup();

    // Checks the three fields of a password change and sends it for one operator.
    void changePassword(QLineEdit* oldEdit, QLineEdit* newEdit, QLineEdit* confirmEdit,
                        std::uint8_t op, const QString* name);
    void signCashier(bool on);

    QGroupBox* cashierGroup_ = nullptr;
    QLineEdit* cashierOld_ = nullptr;
    QLineEdit* cashierNew_ = nullptr;
    QLineEdit* cashierConfirm_ = nullptr;
    QComboBox* operator_ = nullptr;
    QLineEdit* cashierName_ = nullptr;
    QPushButton* cashierSet_ = nullptr;
    QPushButton* forgotten_ = nullptr;

    QGroupBox* registrationGroup_ = nullptr;
    QComboBox* registerNumber_ = nullptr;
    QLineEdit* registerPassword_ = nullptr;
    QLineEdit* registerName_ = nullptr;
    QCheckBox* storedName_ = nullptr;
    QPushButton* register_ = nullptr;
    QPushButton* unregister_ = nullptr;

    QGroupBox* consoleGroup_ = nullptr;
    QRadioButton* consoleProgramming_ = nullptr;
    QRadioButton* consoleReports_ = nullptr;
    QLineEdit* consolePassword_ = nullptr;
    QPushButton* consoleRegister_ = nullptr;

    QGroupBox* specialGroup_ = nullptr;
    QRadioButton* specialProgramming_ = nullptr;
    QRadioButton* specialReports_ = nullptr;
    QLineEdit* specialOld_ = nullptr;
    QLineEdit* specialNew_ = nullptr;
    QLineEdit* specialConfirm_ = nullptr;
    QPushButton* specialSet_ = nullptr;
};

} // namespace kasmon
