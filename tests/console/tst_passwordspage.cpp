// The "Пароли" page against the real driver and an emulated register: the
// passwords and the cashier on duty are read back from the register's state.
#include "LinkedWindow.h"
#include "PasswordRules.h"
#include "Unit1.h"

#include <kasemu/Cp866.h>
#include <kasemu/Model.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using namespace kasmon;
using namespace kasmon::test;

namespace {

const QString kNotANumber = QStringLiteral("В качестве пароля может быть только число!");
const QString kRange = QStringLiteral("Пароль может принимать значения от 0 до 65535!");

} // namespace

class PasswordsTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup();

    void pageAtStart();
    void changeRefusalsInOrder_data();
    void changeRefusalsInOrder();
    void cashierPasswordChangeReadBack();
    void reportAndProgrammingPasswordChange();
    void wrongOldPasswordIsTheRegistersRefusal();

    void cashierRegisteredAndUnregistered();
    void storedNameBoxSwitchesTheNameField();
    void cashierPasswordChecks_data();
    void cashierPasswordChecks();

    void consoleRegistration_data();
    void consoleRegistration();
    void consoleRegistrationKeptAcrossDisconnection();
};

void PasswordsTest::cleanup() {
    closeDriverPort();
}

void PasswordsTest::pageAtStart() {
    RecordingDialogs dialogs;
    TForm1 form;
    const TForm1& page = form;
    QCOMPARE(form.pageControl()->tabText(6), QStringLiteral("Пароли"));
    for (QLineEdit* e : {controlIn<QLineEdit>(page, "passwords.cashierOld"),
                         controlIn<QLineEdit>(page, "passwords.cashierNew"),
                         controlIn<QLineEdit>(page, "passwords.cashierConfirm"),
                         controlIn<QLineEdit>(page, "passwords.registerPassword"),
                         controlIn<QLineEdit>(page, "passwords.consolePassword"),
                         controlIn<QLineEdit>(page, "passwords.specialOld"),
                         controlIn<QLineEdit>(page, "passwords.specialNew"),
                         controlIn<QLineEdit>(page, "passwords.specialConfirm")}) {
        QCOMPARE(e->maxLength(), 5);
        QCOMPARE(e->echoMode(), QLineEdit::Password);
    }
    QCOMPARE(controlIn<QLineEdit>(page, "passwords.cashierName")->maxLength(), 15);
    QCOMPARE(controlIn<QLineEdit>(page, "passwords.registerName")->maxLength(), 15);
    QCOMPARE(controlIn<QComboBox>(page, "passwords.operator")->count(), 8);
    QCOMPARE(controlIn<QComboBox>(page, "passwords.operator")->itemText(7),
             QStringLiteral("Кассир №8"));
    QCOMPARE(controlIn<QComboBox>(page, "passwords.registerNumber")->currentText(),
             QStringLiteral("Кассир №1"));
    QVERIFY(controlIn<QCheckBox>(page, "passwords.storedName")->isChecked());
    QVERIFY(controlIn<QRadioButton>(page, "passwords.consoleReports")->isChecked());
    QVERIFY(controlIn<QRadioButton>(page, "passwords.specialReports")->isChecked());
}

void PasswordsTest::changeRefusalsInOrder_data() {
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<QString>("newText");
    QTest::addColumn<QString>("confirmText");
    QTest::addColumn<QString>("error");
    QTest::newRow("old not a number") << "1a"
                                      << "1"
                                      << "2" << kNotANumber;
    QTest::newRow("123 and 0123")
        << ""
        << "123"
        << "0123"
        << "Значения в полях \"Новый пароль\" и \"Подтверждение\" не совпадают!";
    QTest::newRow("new and confirmation empty")
        << ""
        << ""
        << ""
        << "Пустые значения в полях \"Новый пароль\" и \"Подтверждение\" не допустимы!";
    QTest::newRow("new not a number") << ""
                                      << "1x"
                                      << "1x" << kNotANumber;
    QTest::newRow("old out of range") << "70000"
                                      << "-1"
                                      << "-1"
                                      << "Старый пароль может принимать значения от 0 до 65535!";
    QTest::newRow("new 65536") << "0"
                               << "65536"
                               << "65536"
                               << "Новый пароль может принимать значения от 0 до 65535!";
    QTest::newRow("new minus one") << "0"
                                   << "-1"
                                   << "-1"
                                   << "Новый пароль может принимать значения от 0 до 65535!";
}

void PasswordsTest::changeRefusalsInOrder() {
    QFETCH(QString, oldText);
    QFETCH(QString, newText);
    QFETCH(QString, confirmText);
    QFETCH(QString, error);
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    // Both groups run the same checks, each on its own fields.
    const struct {
        QLineEdit *oldEdit, *newEdit, *confirmEdit;
        QPushButton* button;
    } groups[] = {
        {controlIn<QLineEdit>(page, "passwords.cashierOld"),
         controlIn<QLineEdit>(page, "passwords.cashierNew"),
         controlIn<QLineEdit>(page, "passwords.cashierConfirm"),
         controlIn<QPushButton>(page, "passwords.cashierSet")},
        {controlIn<QLineEdit>(page, "passwords.specialOld"),
         controlIn<QLineEdit>(page, "passwords.specialNew"),
         controlIn<QLineEdit>(page, "passwords.specialConfirm"),
         controlIn<QPushButton>(page, "passwords.specialSet")},
    };
    const std::uint64_t before = link.bytesReceived();
    for (const auto& g : groups) {
        LinkedWindow::type(g.oldEdit, oldText);
        LinkedWindow::type(g.newEdit, newText);
        LinkedWindow::type(g.confirmEdit, confirmText);
        QVERIFY(LinkedWindow::click(g.button));
        const auto shown = link.takeMessages();
        QCOMPARE(shown.size(), std::size_t(1));
        QVERIFY2(isInputError(shown[0], error), qPrintable(shown[0].text));
        QCOMPARE(g.newEdit->text(), newText); // fields stay as they are
    }
    QCOMPARE(link.bytesReceived(), before);
}

void PasswordsTest::cashierPasswordChangeReadBack() {
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    controlIn<QComboBox>(page, "passwords.operator")->setCurrentIndex(2);
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.cashierOld"), QString()); // empty: 0
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.cashierNew"), QStringLiteral("123"));
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.cashierConfirm"),
                       QStringLiteral("123"));
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.cashierName"),
                       QStringLiteral("Петренко"));
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.cashierSet")));
    auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QCOMPARE(shown[0].text, QStringLiteral("Пароль успешно установлен!"));
    QCOMPARE(shown[0].title, QStringLiteral("Установка пароля"));
    QCOMPARE(shown[0].icon, MessageIcon::Information);
    const kasemu::RegisterState state = link.emulator().state();
    QCOMPARE(state.operators[2].password, std::uint16_t(123));
    QCOMPARE(QString::fromStdString(kasemu::deviceToUtf8(state.operators[2].name)),
             QStringLiteral("Петренко"));

    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.forgotten")));
    shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QCOMPARE(shown[0].title, QStringLiteral("Информация о паролях!"));
    QCOMPARE(shown[0].icon, MessageIcon::Information);
    QVERIFY(shown[0].text.contains(QStringLiteral("\r\nКассир3 - пароль: 123\r\n")));
}

void PasswordsTest::reportAndProgrammingPasswordChange() {
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    const auto change = [&](QRadioButton* choice, const QString& from, const QString& to) {
        choice->setChecked(true);
        LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.specialOld"), from);
        LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.specialNew"), to);
        LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.specialConfirm"), to);
        QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.specialSet")));
        const auto shown = link.takeMessages();
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].text, QStringLiteral("Пароль успешно установлен!"));
    };
    change(controlIn<QRadioButton>(page, "passwords.specialReports"), QStringLiteral("0"),
           QStringLiteral("65535"));
    change(controlIn<QRadioButton>(page, "passwords.specialProgramming"), QString(),
           QStringLiteral("4242"));
    const kasemu::RegisterState state = link.emulator().state();
    QCOMPARE(state.operators[kasemu::kReportOperator].password, std::uint16_t(65535));
    QCOMPARE(state.operators[kasemu::kProgrammingOperator].password, std::uint16_t(4242));
    QVERIFY(state.operators[kasemu::kProgrammingOperator].name.empty());

    // Read back: the report password shown, the programming password not.
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.forgotten")));
    const auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    std::array<std::uint16_t, 10> expected{};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        expected[i] = state.operators[i].password;
    }
    QCOMPARE(shown[0].text, passwords::forgottenPasswordsText(expected));
    QVERIFY(shown[0].text.endsWith(QStringLiteral("  Пароль отчетов: 65535")));
    QVERIFY(!shown[0].text.contains(QStringLiteral("4242")));
}

void PasswordsTest::wrongOldPasswordIsTheRegistersRefusal() {
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.cashierOld"), QStringLiteral("9"));
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.cashierNew"), QStringLiteral("1"));
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.cashierConfirm"), QStringLiteral("1"));
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.cashierSet")));
    const auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY2(isDriverError(link.form(), shown[0], kasemu::result::BadPassword),
             qPrintable(shown[0].text));
    QCOMPARE(link.emulator().state().operators[0].password, std::uint16_t(0));
}

void PasswordsTest::cashierRegisteredAndUnregistered() {
    LinkedWindow link;
    QVERIFY(link.open(false)); // cashier mode offers the registration
    link.emulator().withState([](kasemu::RegisterState& s) {
        s.operators[4].password = 44;
        s.operators[4].name = kasemu::utf8ToDevice("Иванова");
    });
    const TForm1& page = link.form();
    controlIn<QComboBox>(page, "passwords.registerNumber")->setCurrentIndex(4);
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.registerPassword"),
                       QStringLiteral("43"));
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.register")));
    auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY(isDriverError(link.form(), shown[0], kasemu::result::BadPassword));
    QCOMPARE(link.emulator().state().cashier, -1);

    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.registerPassword"),
                       QStringLiteral("44"));
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.register")));
    shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QCOMPARE(shown[0].text, QStringLiteral("Кассир зарегистрирован успешно!"));
    QCOMPARE(shown[0].title, QStringLiteral("Регистрация"));
    QCOMPARE(link.emulator().state().cashier, 4);
    // With "Запрограммированное имя" the register's stored name stays.
    QCOMPARE(
        QString::fromStdString(kasemu::deviceToUtf8(link.emulator().state().operators[4].name)),
        QStringLiteral("Иванова"));

    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.unregister")));
    shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QCOMPARE(shown[0].text, QStringLiteral("Кассир разрегистрирован успешно!"));
    QCOMPARE(shown[0].title, QStringLiteral("Разрегистрация"));
    QCOMPARE(link.emulator().state().cashier, -1);

    // A name of its own, typed with the box unchecked.
    controlIn<QCheckBox>(page, "passwords.storedName")->click();
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.registerName"),
                       QStringLiteral("Коваль"));
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.register")));
    QCOMPARE(link.takeMessages().size(), std::size_t(1));
    QCOMPARE(link.emulator().state().cashier, 4);
    QCOMPARE(
        QString::fromStdString(kasemu::deviceToUtf8(link.emulator().state().operators[4].name)),
        QStringLiteral("Коваль"));
}

void PasswordsTest::storedNameBoxSwitchesTheNameField() {
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    // Opening the link enabled the field although the box is checked.
    QVERIFY(controlIn<QCheckBox>(page, "passwords.storedName")->isChecked());
    QVERIFY(controlIn<QLineEdit>(page, "passwords.registerName")->isEnabled());
    controlIn<QCheckBox>(page, "passwords.storedName")->click();
    QVERIFY(!controlIn<QCheckBox>(page, "passwords.storedName")->isChecked());
    QVERIFY(controlIn<QLineEdit>(page, "passwords.registerName")->isEnabled());
    controlIn<QCheckBox>(page, "passwords.storedName")->click();
    QVERIFY(!controlIn<QLineEdit>(page, "passwords.registerName")->isEnabled());
    controlIn<QCheckBox>(page, "passwords.storedName")->click();
    QVERIFY(controlIn<QLineEdit>(page, "passwords.registerName")->isEnabled());
}

void PasswordsTest::cashierPasswordChecks_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("unregister");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty") << "" << false << "Пароль кассира не может быть пустым";
    QTest::newRow("empty, unregistering") << "" << true << "Пароль кассира не может быть пустым";
    QTest::newRow("letters") << "1z" << false << kNotANumber;
    QTest::newRow("70000") << "70000" << false << kRange;
    QTest::newRow("minus one, unregistering") << "-1" << true << kRange;
}

void PasswordsTest::cashierPasswordChecks() {
    QFETCH(QString, password);
    QFETCH(bool, unregister);
    QFETCH(QString, error);
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.registerPassword"), password);
    const std::uint64_t before = link.bytesReceived();
    QVERIFY(LinkedWindow::click(unregister ? controlIn<QPushButton>(page, "passwords.unregister")
                                           : controlIn<QPushButton>(page, "passwords.register")));
    const auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY2(isInputError(shown[0], error), qPrintable(shown[0].text));
    QCOMPARE(link.bytesReceived(), before);
}

void PasswordsTest::consoleRegistration_data() {
    QTest::addColumn<bool>("programming");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("stored");
    QTest::newRow("report password") << false << "321"
                                     << "" << 321;
    QTest::newRow("programming password") << true << "65535"
                                          << "" << 65535;
    QTest::newRow("empty") << false << ""
                           << "Пароль кассира не может быть пустым" << 0;
    QTest::newRow("letters") << true << "x" << kNotANumber << 0;
    QTest::newRow("70000 is not 4464") << false << "70000" << kRange << 0;
    QTest::newRow("minus one") << true << "-1" << kRange << 0;
}

void PasswordsTest::consoleRegistration() {
    QFETCH(bool, programming);
    QFETCH(QString, password);
    QFETCH(QString, error);
    QFETCH(int, stored);
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    (programming ? controlIn<QRadioButton>(page, "passwords.consoleProgramming")
                 : controlIn<QRadioButton>(page, "passwords.consoleReports"))
        ->setChecked(true);
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.consolePassword"), password);
    const std::uint64_t before = link.bytesReceived();
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.consoleRegister")));
    const auto shown = link.takeMessages();
    if (error.isEmpty()) {
        QVERIFY(shown.empty());
    } else {
        QCOMPARE(shown.size(), std::size_t(1));
        QVERIFY2(isInputError(shown[0], error), qPrintable(shown[0].text));
    }
    const ConsoleState& state = link.form().state();
    QCOMPARE(int(programming ? state.ProgPassword : state.ReportPassword), stored);
    QCOMPARE(int(programming ? state.ReportPassword : state.ProgPassword), 0);
    QCOMPARE(link.bytesReceived(), before); // nothing goes to the register
}

void PasswordsTest::consoleRegistrationKeptAcrossDisconnection() {
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    controlIn<QRadioButton>(page, "passwords.consoleProgramming")->setChecked(true);
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.consolePassword"),
                       QStringLiteral("17"));
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.consoleRegister")));
    QVERIFY(link.close());
    QVERIFY(!controlIn<QPushButton>(page, "passwords.consoleRegister")->isEnabled());
    QVERIFY(link.open(false));
    QCOMPARE(link.form().state().ProgPassword, std::uint16_t(17));
    QVERIFY(!controlIn<QPushButton>(page, "passwords.consoleRegister")->isEnabled());
    QVERIFY(controlIn<QPushButton>(page, "passwords.register")->isEnabled());
    QVERIFY(!controlIn<QPushButton>(page, "passwords.cashierSet")->isEnabled());
}

QTEST_MAIN(PasswordsTest)
#include "tst_passwordspage.moc"
