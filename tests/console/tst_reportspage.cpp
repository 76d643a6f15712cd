// The "Отчеты" page against the real driver and an emulated register: what the
// register printed is read from its paper tape, what reached it from its state.
#include "LinkedWindow.h"
#include "Unit1.h"

#include <kasemu/Clock.h>
#include <kasemu/Model.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

using namespace kasmon;
using namespace kasmon::test;

namespace {

// Registers the report password in the console as the user does.
void registerReportPassword(LinkedWindow& link, const QString& password) {
    const TForm1& page = link.form();
    controlIn<QRadioButton>(page, "passwords.consoleReports")->setChecked(true);
    LinkedWindow::type(controlIn<QLineEdit>(page, "passwords.consolePassword"), password);
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "passwords.consoleRegister")));
}

void setReportPassword(LinkedWindow& link, std::uint16_t password) {
    link.emulator().withState([password](kasemu::RegisterState& s) {
        s.operators[kasemu::kReportOperator].password = password;
    });
}

} // namespace

class ReportsTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup();

    void pageAtStart();
    void xAndZReportsCarryTheReportPassword();
    void wrongReportPasswordIsRefused();
    void cashierUsesThePasswordOfAnEarlierServiceLink();
    void paperWarningAfterAReport();

    void articleReportConfirmation_data();
    void articleReportConfirmation();
    void articleReportRange();
    void articleCodesRefuseNonDigitsAsTyped();
    void articleCodesOutOfRange_data();
    void articleCodesOutOfRange();

    void periodicReportsByDates();
    void periodicReportByNumbers();
    void reportNumberChecks_data();
    void reportNumberChecks();
};

void ReportsTest::cleanup() {
    closeDriverPort();
}

void ReportsTest::pageAtStart() {
    RecordingDialogs dialogs;
    TForm1 form;
    const TForm1& page = form;
    QCOMPARE(form.pageControl()->tabText(5), QStringLiteral("Отчеты"));
    QCOMPARE(controlIn<QLineEdit>(page, "reports.firstCode")->text(), QStringLiteral("0"));
    QCOMPARE(controlIn<QLineEdit>(page, "reports.lastCode")->text(), QStringLiteral("0"));
    QCOMPARE(controlIn<QLineEdit>(page, "reports.firstCode")->maxLength(), 14);
    QCOMPARE(controlIn<QLineEdit>(page, "reports.lastNumber")->maxLength(), 5);
    QVERIFY(controlIn<QCheckBox>(page, "reports.wholeRange")->isChecked());
    QVERIFY(controlIn<QPushButton>(page, "reports.articleZ")->isHidden());
    QCOMPARE(controlIn<QDateEdit>(page, "reports.from")->date(), QDate::currentDate());
    QCOMPARE(controlIn<QDateEdit>(page, "reports.to")->date(), QDate::currentDate());
    QCOMPARE(form.state().ReportPassword, std::uint16_t(0));
}

void ReportsTest::xAndZReportsCarryTheReportPassword() {
    LinkedWindow link;
    QVERIFY(link.open());
    setReportPassword(link, 4321);
    registerReportPassword(link, QStringLiteral("4321"));
    QCOMPARE(link.form().state().ReportPassword, std::uint16_t(4321));
    QVERIFY(link.takeMessages().empty()); // the registration confirms nothing

    const TForm1& page = link.form();
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.xReport")));
    QVERIFY(link.tape().contains(QStringLiteral("X-ОТЧЕТ")));
    QVERIFY(link.emulator().state().fiscalMemory.empty());
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.zReport")));
    QVERIFY(link.tape().contains(QStringLiteral("Z-ОТЧЕТ № 1")));
    QCOMPARE(link.emulator().state().fiscalMemory.size(), std::size_t(1));
    QVERIFY(link.takeMessages().empty());
}

void ReportsTest::wrongReportPasswordIsRefused() {
    LinkedWindow link;
    QVERIFY(link.open());
    setReportPassword(link, 7);
    const TForm1& page = link.form();
    for (QPushButton* button : {controlIn<QPushButton>(page, "reports.xReport"),
                                controlIn<QPushButton>(page, "reports.zReport")}) {
        QVERIFY(LinkedWindow::click(button));
        const auto shown = link.takeMessages();
        QCOMPARE(shown.size(), std::size_t(1));
        QVERIFY2(isDriverError(link.form(), shown[0], kasemu::result::BadPassword),
                 qPrintable(shown[0].text));
    }
    QVERIFY(link.tape().isEmpty());
    QVERIFY(link.emulator().state().fiscalMemory.empty());
}

void ReportsTest::cashierUsesThePasswordOfAnEarlierServiceLink() {
    LinkedWindow link;
    QVERIFY(link.open(true));
    setReportPassword(link, 555);
    registerReportPassword(link, QStringLiteral("555"));
    QVERIFY(link.close());
    QVERIFY(link.open(false));
    const TForm1& page = link.form();
    // In cashier mode the reports run, the registration of their password does not.
    QVERIFY(!link.control("passwords.consoleRegister")->isEnabled());
    QVERIFY(!controlIn<QLineEdit>(page, "reports.firstCode")
                 ->isEnabled()); // the whole range is still chosen
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.xReport")));
    QVERIFY(link.takeMessages().empty());
    QVERIFY(link.tape().contains(QStringLiteral("X-ОТЧЕТ")));
}

void ReportsTest::paperWarningAfterAReport() {
    LinkedWindow link;
    QVERIFY(link.open());
    link.emulator().setPaperSensors(kasemu::paper::ReceiptLow);
    QVERIFY(LinkedWindow::click(link.control<QPushButton>("reports.xReport")));
    const auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QCOMPARE(shown[0].text, QStringLiteral("Заканчивается чековая лента!"));
    QCOMPARE(shown[0].icon, MessageIcon::Warning);
}

void ReportsTest::articleReportConfirmation_data() {
    QTest::addColumn<bool>("wholeRange");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<bool>("confirm"); // the answer when asked
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("printed");
    QTest::newRow("0 and 0, OK") << false << "0"
                                 << "0" << true << true << true;
    QTest::newRow("0 and 0, Cancel") << false << "0"
                                     << "0" << false << true << false;
    QTest::newRow("5 and 0") << false << "5"
                             << "0" << false << false << true;
    QTest::newRow("whole range, OK") << true << "5"
                                     << "7" << true << true << true;
    QTest::newRow("whole range, Cancel") << true << "5"
                                         << "7" << false << true << false;
}

void ReportsTest::articleReportConfirmation() {
    QFETCH(bool, wholeRange);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(bool, confirm);
    QFETCH(bool, asked);
    QFETCH(bool, printed);
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    controlIn<QCheckBox>(page, "reports.wholeRange")->setChecked(false);
    QVERIFY(controlIn<QLineEdit>(page, "reports.firstCode")->isEnabled());
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.firstCode"), first);
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.lastCode"), last);
    controlIn<QCheckBox>(page, "reports.wholeRange")->setChecked(wholeRange);
    QCOMPARE(controlIn<QLineEdit>(page, "reports.firstCode")->isEnabled(), !wholeRange);
    link.dialogs().answers.push_back(confirm ? MessageButton::Ok : MessageButton::Cancel);

    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.articleX")));
    const auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(asked ? 1 : 0));
    if (asked) {
        QCOMPARE(shown[0].title, QStringLiteral("Внимание!"));
        QCOMPARE(shown[0].icon, MessageIcon::Warning);
        QCOMPARE(shown[0].buttons, MessageButton::Ok | MessageButton::Cancel);
        QCOMPARE(shown[0].text, QStringLiteral("Отчет будет сформирован по всем артикулам!\r\n"
                                               "Если Вы согласны, тогда нажмите кнопку \"ОК\"."));
    }
    QCOMPARE(link.tape().contains(QStringLiteral("ОТЧЕТ ПО АРТИКУЛАМ")), printed);
}

void ReportsTest::articleReportRange() {
    LinkedWindow link;
    QVERIFY(link.open());
    link.emulator().withState([](kasemu::RegisterState& s) {
        s.articles[3].name = kasemu::utf8ToDevice("Чай");
        s.articles[9].name = kasemu::utf8ToDevice("Кава");
    });
    const TForm1& page = link.form();
    controlIn<QCheckBox>(page, "reports.wholeRange")->setChecked(false);
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.firstCode"), QStringLiteral("5"));
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.lastCode"), QStringLiteral("0"));
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.articleX")));
    QVERIFY(link.takeMessages().empty());
    QVERIFY(link.tape().contains(QStringLiteral("КОД 3")));
    QVERIFY(!link.tape().contains(QStringLiteral("КОД 9")));

    // Confirmed, the whole range reports every article whatever the fields hold.
    link.emulator().clearTape();
    controlIn<QCheckBox>(page, "reports.wholeRange")->setChecked(true);
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.articleX")));
    QCOMPARE(link.takeMessages().size(), std::size_t(1));
    QVERIFY(link.tape().contains(QStringLiteral("КОД 3")));
    QVERIFY(link.tape().contains(QStringLiteral("КОД 9")));
}

void ReportsTest::articleCodesRefuseNonDigitsAsTyped() {
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    controlIn<QCheckBox>(page, "reports.wholeRange")->setChecked(false);
    const struct {
        QLineEdit* edit;
        QString text;
    } fields[] = {
        {controlIn<QLineEdit>(page, "reports.firstCode"),
         QStringLiteral("Начальный код артикула задан неверно!\r\nВ качестве кода артикула может "
                        "быть только число!")},
        {controlIn<QLineEdit>(page, "reports.lastCode"),
         QStringLiteral("Конечный код артикула задан неверно!\r\nВ качестве кода артикула может "
                        "быть только число!")},
    };
    for (const auto& f : fields) {
        LinkedWindow::type(f.edit, QStringLiteral("12"));
        QVERIFY(link.takeMessages().empty());
        LinkedWindow::type(f.edit, QStringLiteral("12x"));
        const auto shown = link.takeMessages();
        QCOMPARE(shown.size(), std::size_t(1));
        QVERIFY(isInputError(shown[0], f.text));
        QCOMPARE(f.edit->text(), QStringLiteral("0"));
        f.edit->clear(); // emptying a field is no typing error
        QVERIFY(link.takeMessages().empty());
    }
}

void ReportsTest::articleCodesOutOfRange_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("field"); // the field the refusal names
    QTest::newRow("first empty") << ""
                                 << "5"
                                 << "Начальный код артикула";
    QTest::newRow("last empty") << "5"
                                << ""
                                << "Конечный код артикула";
    QTest::newRow("first above 2147483647") << "2147483648"
                                            << "5"
                                            << "Начальный код артикула";
    QTest::newRow("last of 14 digits") << "5"
                                       << "99999999999999"
                                       << "Конечный код артикула";
}

void ReportsTest::articleCodesOutOfRange() {
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, field);
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    controlIn<QCheckBox>(page, "reports.wholeRange")->setChecked(false);
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.firstCode"), first);
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.lastCode"), last);
    const std::uint64_t before = link.bytesReceived();
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.articleX")));
    const auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QCOMPARE(shown[0].title, QStringLiteral("Ошибка!"));
    QCOMPARE(shown[0].icon, MessageIcon::Error);
    QVERIFY2(shown[0].text.startsWith(field + QStringLiteral(" задан неверно!")),
             qPrintable(shown[0].text));
    QCOMPARE(link.bytesReceived(), before);
}

void ReportsTest::periodicReportsByDates() {
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.zReport")));
    // The register's own day of the Z report, whatever the host's clock says.
    const kasemu::CivilTime at = kasemu::fromSeconds(link.emulator().state().fiscalMemory.at(0).at);
    const QDate zDay(at.year, at.month, at.day);
    controlIn<QDateEdit>(page, "reports.from")->setDate(zDay.addDays(-3));
    controlIn<QDateEdit>(page, "reports.to")->setDate(zDay.addDays(2));
    link.emulator().clearTape();
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.periodicFull")));
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.periodicShort")));
    QVERIFY(link.takeMessages().empty());
    const QString range = QStringLiteral("С %1 ПО %2")
                              .arg(zDay.addDays(-3).toString(QStringLiteral("dd.MM.yyyy")),
                                   zDay.addDays(2).toString(QStringLiteral("dd.MM.yyyy")));
    const QString tape = link.tape();
    QCOMPARE(tape.count(QStringLiteral("СОКРАЩЕННЫЙ ПЕРИОДИЧЕСКИЙ ОТЧЕТ")), 1);
    QCOMPARE(tape.count(QStringLiteral("ПЕРИОДИЧЕСКИЙ ОТЧЕТ")), 2);
    QCOMPARE(tape.count(range), 2);
    QCOMPARE(tape.count(QStringLiteral("Z-ОТЧЕТОВ 1")), 2);
}

void ReportsTest::periodicReportByNumbers() {
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.zReport")));
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.zReport")));
    link.emulator().clearTape();
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.firstNumber"), QStringLiteral("1"));
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.lastNumber"), QStringLiteral("2"));
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.numbers")));
    QVERIFY(link.takeMessages().empty());
    QVERIFY(link.tape().contains(QStringLiteral("С № 1 ПО № 2")));
    QVERIFY(link.tape().contains(QStringLiteral("Z-ОТЧЕТОВ 2")));

    // A reversed range is the driver's refusal.
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.firstNumber"), QStringLiteral("2"));
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.lastNumber"), QStringLiteral("1"));
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.numbers")));
    const auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY(isDriverError(link.form(), shown[0]));
    QCOMPARE(shown[0].text, QStringLiteral("Начальный номер отчета больше конечного!"));
}

void ReportsTest::reportNumberChecks_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("error");
    const QString check = QStringLiteral("Проверьте правильность ввода номеров отчетов!");
    QTest::newRow("first not a number")
        << "1-"
        << "2"
        << "Начальный номер отчета должен быть целым неотрицательным числом!";
    QTest::newRow("last not a number")
        << "1"
        << "-2"
        << "Конечный номер отчета должен быть целым неотрицательным числом!";
    QTest::newRow("first empty") << ""
                                 << "2" << check;
    QTest::newRow("last empty") << "1"
                                << "" << check;
    QTest::newRow("above 65535") << "1"
                                 << "65536" << check;
}

void ReportsTest::reportNumberChecks() {
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, error);
    LinkedWindow link;
    QVERIFY(link.open());
    const TForm1& page = link.form();
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.firstNumber"), first);
    LinkedWindow::type(controlIn<QLineEdit>(page, "reports.lastNumber"), last);
    const std::uint64_t before = link.bytesReceived();
    QVERIFY(LinkedWindow::click(controlIn<QPushButton>(page, "reports.numbers")));
    const auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY2(isInputError(shown[0], error), qPrintable(shown[0].text));
    QCOMPARE(link.bytesReceived(), before);
}

QTEST_MAIN(ReportsTest)
#include "tst_reportspage.moc"
