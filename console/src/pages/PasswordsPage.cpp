#include "pages/PasswordsPage.h"

#include "DriverText.h"
#include "PasswordRules.h"
#include "pages/Widgets.h"

#include <kasdrv.h>
#include <kashost/Queries.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace kasmon {

namespace {

constexpr std::uint8_t kProgrammingOperator = 8;
constexpr std::uint8_t kReportOperator = 9;

QStringList cashierItems() {
    QStringList items;
    for (int i = 1; i <= 8; ++i) {
        items << QStringLiteral("Кассир №%1").arg(i);
    }
    return items;
}

} // namespace

PasswordsPage::PasswordsPage(TForm1& form, QWidget* parent) : Page(form, parent) {
    setObjectName(QStringLiteral("passwords"));
    buildCashierGroup();
    buildRegistrationGroup();
    buildConsoleGroup();
    buildSpecialGroup();

    connect(cashierSet_, &QPushButton::clicked, this, &PasswordsPage::cashierSetClicked);
    connect(forgotten_, &QPushButton::clicked, this, &PasswordsPage::forgottenClicked);
    connect(register_, &QPushButton::clicked, this, &PasswordsPage::registerClicked);
    connect(unregister_, &QPushButton::clicked, this, &PasswordsPage::unregisterClicked);
    connect(consoleRegister_, &QPushButton::clicked, this, &PasswordsPage::consoleRegisterClicked);
    connect(specialSet_, &QPushButton::clicked, this, &PasswordsPage::specialSetClicked);
    // What the user clicks, not what a connection state sets.
    connect(storedName_, &QCheckBox::clicked, this,
            [this](bool checked) { registerName_->setEnabled(!checked); });
}

QString PasswordsPage::caption() const {
    return QStringLiteral("Пароли");
}

std::vector<ControlRow> PasswordsPage::controlRows() {
    std::vector<ControlRow> rows;
    const auto add = [&rows](QGroupBox* group, const QString& caption, QWidget* w, bool inCashier) {
        rows.emplace_back(group->title(), caption, w, Enablement::on(),
                          inCashier ? Enablement::on() : Enablement::off());
    };
    add(cashierGroup_, QStringLiteral("Старый пароль:"), cashierOld_, false);
    add(cashierGroup_, QStringLiteral("Новый пароль:"), cashierNew_, false);
    add(cashierGroup_, QStringLiteral("Подтверждение:"), cashierConfirm_, false);
    add(cashierGroup_, QStringLiteral("Оператор:"), operator_, false);
    add(cashierGroup_, QStringLiteral("Имя кассира:"), cashierName_, false);
    add(cashierGroup_, cashierSet_->text(), cashierSet_, false);
    add(cashierGroup_, forgotten_->text(), forgotten_, false);

    add(registrationGroup_, QStringLiteral("Номер кассира:"), registerNumber_, true);
    add(registrationGroup_, QStringLiteral("Пароль кассира:"), registerPassword_, true);
    // Opening a link enables the name field whatever the check box shows.
    add(registrationGroup_, QStringLiteral("Имя кассира:"), registerName_, true);
    add(registrationGroup_, storedName_->text(), storedName_, true);
    add(registrationGroup_, register_->text(), register_, true);
    add(registrationGroup_, unregister_->text(), unregister_, true);

    add(consoleGroup_, consoleProgramming_->text(), consoleProgramming_, false);
    add(consoleGroup_, consoleReports_->text(), consoleReports_, false);
    add(consoleGroup_, QStringLiteral("Пароль:"), consolePassword_, false);
    add(consoleGroup_, consoleRegister_->text(), consoleRegister_, false);

    add(specialGroup_, specialProgramming_->text(), specialProgramming_, false);
    add(specialGroup_, specialReports_->text(), specialReports_, false);
    add(specialGroup_, QStringLiteral("Старый пароль:"), specialOld_, false);
    add(specialGroup_, QStringLiteral("Новый пароль:"), specialNew_, false);
    add(specialGroup_, QStringLiteral("Подтверждение:"), specialConfirm_, false);
    add(specialGroup_, specialSet_->text(), specialSet_, false);
    return rows;
}

// ---------------------------------------------------------------------------
// Controls

namespace {

QLineEdit* field(QWidget* group, const QString& caption, const QString& name, int maxLength,
                 bool password, int y) {
    kit::label(group, caption, 8, y + 2, 105);
    QLineEdit* e = kit::edit(group, name, kit::editAt(115, y, 120), maxLength);
    if (password) {
        e->setEchoMode(QLineEdit::Password);
    }
    return e;
}

QComboBox* cashierList(QWidget* group, const QString& caption, const QString& name, int y) {
    kit::label(group, caption, 8, y + 2, 105);
    return kit::list(group, name, kit::editAt(115, y, 120), cashierItems(), 0);
}

// A password field of five characters and its caption in a row of a grid
// laid out by Qt: the caption in column 1, the field in column 2.
QLineEdit* laidField(QGridLayout* grid, const QString& caption, const QString& name, int row) {
    QWidget* group = grid->parentWidget();
    grid->addWidget(kit::label(group, caption, 0, 0), row, 1);
    QLineEdit* e = kit::edit(group, name, {}, 5);
    e->setEchoMode(QLineEdit::Password);
    e->setFixedWidth(120);
    grid->addWidget(e, row, 2);
    return e;
}

// The choice between the programming and the report password; the second is chosen.
std::pair<QRadioButton*, QRadioButton*> passwordChoice(QWidget* group, const QString& prefix,
                                                       int y) {
    QRadioButton* programming =
        kit::radio(group, prefix + QStringLiteral("Programming"),
                   QStringLiteral("Пароль программирования"), QRect(8, y, 230, 17));
    QRadioButton* reports = kit::radio(group, prefix + QStringLiteral("Reports"),
                                       QStringLiteral("Пароль отчетов"), QRect(8, y + 18, 230, 17));
    auto* choice = new QButtonGroup(group);
    choice->addButton(programming);
    choice->addButton(reports);
    reports->setChecked(true);
    return {programming, reports};
}

} // namespace

void PasswordsPage::buildCashierGroup() {
    cashierGroup_ =
        kit::group(this, QStringLiteral("passwords.cashierGroup"),
                   QStringLiteral(" Установка паролей касиров: "), QRect(2, 0, 248, 190));
    QWidget* g = cashierGroup_;
    cashierOld_ = field(g, QStringLiteral("Старый пароль:"), QStringLiteral("passwords.cashierOld"),
                        5, true, 18);
    cashierNew_ = field(g, QStringLiteral("Новый пароль:"), QStringLiteral("passwords.cashierNew"),
                        5, true, 44);
    cashierConfirm_ = field(g, QStringLiteral("Подтверждение:"),
                            QStringLiteral("passwords.cashierConfirm"), 5, true, 70);
    operator_ =
        cashierList(g, QStringLiteral("Оператор:"), QStringLiteral("passwords.operator"), 96);
    cashierName_ = field(g, QStringLiteral("Имя кассира:"), QStringLiteral("passwords.cashierName"),
                         15, false, 122);
    cashierSet_ = kit::button(g, QStringLiteral("passwords.cashierSet"),
                              QStringLiteral("Установить"), kit::buttonAt(8, 156, 110));
    forgotten_ = kit::button(g, QStringLiteral("passwords.forgotten"),
                             QStringLiteral("Забыл пароль"), kit::buttonAt(125, 156, 110));
}

void PasswordsPage::buildRegistrationGroup() {
    registrationGroup_ =
        kit::group(this, QStringLiteral("passwords.registrationGroup"),
                   QStringLiteral(" Регистрация кассира: "), QRect(256, 0, 249, 190));
    QWidget* g = registrationGroup_;
    registerNumber_ = cashierList(g, QStringLiteral("Номер кассира:"),
                                  QStringLiteral("passwords.registerNumber"), 18);
    registerPassword_ = field(g, QStringLiteral("Пароль кассира:"),
                              QStringLiteral("passwords.registerPassword"), 5, true, 44);
    registerName_ = field(g, QStringLiteral("Имя кассира:"),
                          QStringLiteral("passwords.registerName"), 15, false, 70);
    storedName_ = kit::check(g, QStringLiteral("passwords.storedName"),
                             QStringLiteral("Запрограммированное имя"), QRect(8, 98, 230, 17));
    storedName_->setChecked(true);
    register_ = kit::button(g, QStringLiteral("passwords.register"), QStringLiteral("Регистрация"),
                            kit::buttonAt(8, 156, 110));
    unregister_ = kit::button(g, QStringLiteral("passwords.unregister"),
                              QStringLiteral("Разрегистрация"), kit::buttonAt(125, 156, 110));
}

void PasswordsPage::buildConsoleGroup() {
    consoleGroup_ = kit::group(this, QStringLiteral("passwords.consoleGroup"),
                               QStringLiteral(" Регистрация (программирование и  отчеты): "),
                               QRect(2, 194, 503, 76));
    QWidget* g = consoleGroup_;
    // The choice on the left, the password and its button on the right.
    QGridLayout* grid = kit::grid(g);
    std::tie(consoleProgramming_, consoleReports_) =
        passwordChoice(g, QStringLiteral("passwords.console"), 0);
    grid->addWidget(consoleProgramming_, 0, 0);
    grid->addWidget(consoleReports_, 1, 0);
    consolePassword_ =
        laidField(grid, QStringLiteral("Пароль:"), QStringLiteral("passwords.consolePassword"), 0);
    consoleRegister_ = kit::button(g, QStringLiteral("passwords.consoleRegister"),
                                   QStringLiteral("Регистрация"), {});
    grid->addWidget(consoleRegister_, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(2, 1);
}

void PasswordsPage::buildSpecialGroup() {
    specialGroup_ = kit::group(this, QStringLiteral("passwords.specialGroup"),
                               QStringLiteral(" Установка паролей отчетов и прогр.: "),
                               QRect(2, 274, 503, 124));
    QWidget* g = specialGroup_;
    // The choice on the left, the passwords and their button on the right.
    QGridLayout* grid = kit::grid(g);
    std::tie(specialProgramming_, specialReports_) =
        passwordChoice(g, QStringLiteral("passwords.special"), 0);
    grid->addWidget(specialProgramming_, 0, 0);
    grid->addWidget(specialReports_, 1, 0);
    specialOld_ = laidField(grid, QStringLiteral("Старый пароль:"),
                            QStringLiteral("passwords.specialOld"), 0);
    specialNew_ =
        laidField(grid, QStringLiteral("Новый пароль:"), QStringLiteral("passwords.specialNew"), 1);
    specialConfirm_ = laidField(grid, QStringLiteral("Подтверждение:"),
                                QStringLiteral("passwords.specialConfirm"), 2);
    specialSet_ =
        kit::button(g, QStringLiteral("passwords.specialSet"), QStringLiteral("Установить"), {});
    grid->addWidget(specialSet_, 3, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(4, 1);
}

// ---------------------------------------------------------------------------
// Actions

void PasswordsPage::changePassword(QLineEdit* oldEdit, QLineEdit* newEdit, QLineEdit* confirmEdit,
                                   std::uint8_t op, const QString* name) {
    const passwords::ChangeCheck check =
        passwords::checkChange(oldEdit->text(), newEdit->text(), confirmEdit->text());
    if (!check.change) {
        error(check.error);
        return;
    }
    const QByteArray nameBytes = name != nullptr ? toDriverText(*name) : QByteArray();
    if (!call(FPSetPassword(check.change->oldPassword, check.change->newPassword, op,
                            name != nullptr ? nameBytes.constData() : nullptr))) {
        return;
    }
    information(QStringLiteral("Установка пароля"), QStringLiteral("Пароль успешно установлен!"));
}

void PasswordsPage::cashierSetClicked() {
    const QString name = cashierName_->text();
    changePassword(cashierOld_, cashierNew_, cashierConfirm_,
                   static_cast<std::uint8_t>(operator_->currentIndex()), &name);
}

void PasswordsPage::specialSetClicked() {
    changePassword(specialOld_, specialNew_, specialConfirm_,
                   specialProgramming_->isChecked() ? kProgrammingOperator : kReportOperator,
                   nullptr);
}

void PasswordsPage::forgottenClicked() {
    if (const auto read = call(kashost::readPasswords())) {
        information(QStringLiteral("Информация о паролях!"),
                    passwords::forgottenPasswordsText(read->all));
    }
}

void PasswordsPage::signCashier(bool on) {
    const passwords::PasswordCheck check = passwords::checkPassword(registerPassword_->text());
    if (!check.password) {
        error(check.error);
        return;
    }
    const auto cashier = static_cast<std::uint8_t>(registerNumber_->currentIndex());
    const QByteArray name = on ? toDriverText(registerName_->text()) : QByteArray();
    const std::int16_t storedName = on && storedName_->isChecked() ? -1 : 0;
    if (!call(FPSetCashier(cashier, name.constData(), *check.password, storedName))) {
        return;
    }
    if (on) {
        information(QStringLiteral("Регистрация"),
                    QStringLiteral("Кассир зарегистрирован успешно!"));
    } else {
        information(QStringLiteral("Разрегистрация"),
                    QStringLiteral("Кассир разрегистрирован успешно!"));
    }
}

void PasswordsPage::registerClicked() {
    signCashier(true);
}

void PasswordsPage::unregisterClicked() {
    signCashier(false);
}

void PasswordsPage::consoleRegisterClicked() {
    const passwords::PasswordCheck check = passwords::checkPassword(consolePassword_->text());
    if (!check.password) {
        error(check.error);
        return;
    }
    // Kept until the program ends, across disconnection; nothing is sent.
    if (consoleProgramming_->isChecked()) {
        state().ProgPassword = *check.password;
    } else {
        state().ReportPassword = *check.password;
    }
}

} // namespace kasmon
