// The "Доп. функции" page against the real driver and a register emulator on a
// pseudo-terminal; controls are found by their names.
#include "ConsoleTestSupport.h"
#include "LinkedWindow.h"
#include "Unit1.h"
#include "pages/ConnectionPage.h"

#include <kasdrv.h>
#include <kasemu/Emulator.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimeEdit>

#include <memory>

using namespace kasmon;
using namespace kasmon::test;

class ExtraFunctionsTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void deviceInfoWithOneQueryFailing();
    void dateAndTimeSetAndReadBack();
    void togglesSayWhatTheySet_data();
    void togglesSayWhatTheySet();
    void serviceTextOnTheTape();
    void modelGroups_data();
    void modelGroups();

  private:
    void open(kasemu::ModelKind model = kasemu::ModelKind::Rx410f);
    template <typename T = QPushButton> T* control(const char* name) {
        return link_->control<T>(name);
    }
    void click(const char* name) { QVERIFY2(link_->click(name), name); }
    MessageRequest takeMessage() { return link_->takeMessage(); }

    std::unique_ptr<LinkedWindow> link_;
    TForm1* form_ = nullptr;
    kasemu::Emulator* emulator_ = nullptr;
};

void ExtraFunctionsTest::init() {}

void ExtraFunctionsTest::cleanup() {
    link_.reset();
}

void ExtraFunctionsTest::open(kasemu::ModelKind model) {
    kasemu::EmulatorOptions options;
    options.model = model;
    options.clock = std::make_shared<kasemu::ManualClock>(kasemu::CivilTime{2026, 12, 7, 10, 0, 0});
    link_ = std::make_unique<LinkedWindow>(options);
    QVERIFY(link_->openOn("extra"));
    form_ = &link_->form();
    emulator_ = &link_->emulator();
}

void ExtraFunctionsTest::deviceInfoWithOneQueryFailing() {
    open();
    // Two sale receipts and the Z report of the day.
    for (const std::int32_t price : {1250, 990}) {
        QCOMPARE(FPSale(nullptr, nullptr, 1, 0, price, 0, 0, 0, "x", 0), -1);
        QCOMPARE(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1);
    }
    QCOMPARE(FPDayClrReport(0), -1);
    // The fourth memory read of the click falls within the day's sales sum: refused.
    emulator_->inject(*kasemu::parseFault("result:1@0x1C+3"));
    click("extra.deviceInfo");
    const MessageRequest box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Информация"));
    QCOMPARE(box.icon, MessageIcon::Information);
    const QString& text = box.text;
    QVERIFY2(text.startsWith(QStringLiteral("Номер последнего чека продаж:                  "
                                            "            2\r\n")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral(
                 "Общая сумма дневных оборотов продаж:               не удалось получить\r\n")),
             qPrintable(text));
    QCOMPARE(text.count(QStringLiteral("не удалось получить")), 1);
    QVERIFY(text.contains(QStringLiteral("Общая сумма дневных оборотов возвратов:          ") +
                          LocaleFormat::current().formatMoney(0)));
    QVERIFY(text.contains(
        QStringLiteral("Номер последнего Z-отчета:                                    ")));
    QVERIFY(text.endsWith(QStringLiteral("Группа Е: Непрограммируемая необлагаемая группа\r\n")));
    QCOMPARE(emulator_->armedFaults(), std::size_t(0));
}

void ExtraFunctionsTest::dateAndTimeSetAndReadBack() {
    open();
    const LocaleFormat& locale = LocaleFormat::current();
    control<QDateEdit>("extra.date")->setDate(QDate(2027, 3, 14));
    control<QTimeEdit>("extra.time")->setTime(QTime(15, 9, 26));
    click("extra.setDate");
    QCOMPARE(takeMessage().text, QStringLiteral("Дата была успешно установлена!"));
    click("extra.setTime");
    QCOMPARE(takeMessage().text, QStringLiteral("Время было успешно установлено!"));
    click("extra.getDate");
    QCOMPARE(takeMessage().text,
             QStringLiteral("Установленная дата: ") + locale.formatDate(QDate(2027, 3, 14)));
    click("extra.getTime");
    QCOMPARE(takeMessage().text,
             QStringLiteral("Установленное время: ") + locale.formatTime(QTime(15, 9, 26)));
    // The read buttons leave the pickers alone.
    QCOMPARE(control<QDateEdit>("extra.date")->date(), QDate(2027, 3, 14));
}

void ExtraFunctionsTest::togglesSayWhatTheySet_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("online") << QStringLiteral("extra.online")
                            << QStringLiteral("Режим печати чеков")
                            << QStringLiteral("Режим печати чеков \"On-Line\" успешно установлен!")
                            << QStringLiteral(
                                   "Режим печати чеков \"Off-Line\" успешно установлен!");
    QTest::newRow("display")
        << QStringLiteral("extra.display") << QStringLiteral("Вывод сумм на дисплей")
        << QStringLiteral("Режим вывода суммы чека на дисплей успешно отключен!")
        << QStringLiteral("Режим вывода суммы чека на дисплей успешно включен!");
    QTest::newRow("cutter") << QStringLiteral("extra.cutterMode")
                            << QStringLiteral("Режим автообрезки")
                            << QStringLiteral("Режим автообрезки успешно отключен!")
                            << QStringLiteral("Режим автообрезки успешно включен!");
}

void ExtraFunctionsTest::togglesSayWhatTheySet() {
    QFETCH(QString, button);
    QFETCH(QString, title);
    QFETCH(QString, first);
    QFETCH(QString, second);
    open();
    const auto flags = [this] {
        const kasemu::RegisterState s = emulator_->state();
        const kasemu::Programming& p = s.programming;
        return std::tuple(p.onlineMode, p.displaySumsForbidden, p.autoCut);
    };
    const auto before = flags();
    for (const QString& expected : {first, second}) {
        click(button.toLatin1().constData());
        const MessageRequest box = takeMessage();
        QCOMPARE(box.title, title);
        QCOMPARE(box.text, expected);
        QVERIFY(flags() != before || expected == second);
    }
    QVERIFY(flags() == before); // two switches: back where it started
}

void ExtraFunctionsTest::serviceTextOnTheTape() {
    open();
    emulator_->clearTape();
    control<QPlainTextEdit>("extra.text")->setPlainText(QStringLiteral("ПЕРША\nДРУГА СТРОКА\n"));
    control<QCheckBox>("extra.finish")->setChecked(true);
    click("extra.print");
    QVERIFY(link_->takeMessages().empty());
    const QString tape = link_->tape();
    QVERIFY2(tape.contains(QStringLiteral("ПЕРША")), qPrintable(tape));
    QVERIFY2(tape.contains(QStringLiteral("ДРУГА СТРОКА")), qPrintable(tape));
    QVERIFY(!emulator_->state().serviceReportOpen);
    // The field keeps its text.
    QCOMPARE(control<QPlainTextEdit>("extra.text")->toPlainText(),
             QStringLiteral("ПЕРША\nДРУГА СТРОКА\n"));
}

void ExtraFunctionsTest::modelGroups_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<bool>("cutter");
    QTest::addColumn<bool>("contrast");
    QTest::newRow("RX-410F") << static_cast<int>(kasemu::ModelKind::Rx410f) << true << false;
    QTest::newRow("RX-520L") << static_cast<int>(kasemu::ModelKind::Rx520l) << false << true;
}

void ExtraFunctionsTest::modelGroups() {
    QFETCH(int, model);
    QFETCH(bool, cutter);
    QFETCH(bool, contrast);
    open(static_cast<kasemu::ModelKind>(model));
    QCOMPARE(control<QWidget>("extra.cutterGroup")->isVisible(), cutter);
    QCOMPARE(control<QWidget>("extra.contrastGroup")->isVisible(), contrast);
    if (contrast) {
        click("extra.writeContrast");
        const MessageRequest box = takeMessage();
        QCOMPARE(box.title, QStringLiteral("Контрастность печати"));
        QCOMPARE(box.text, QStringLiteral("Значение контрастности успешно записано!"));
    } else {
        click("extra.cutterStatus");
        QCOMPARE(takeMessage().title, QStringLiteral("Режим автообрезки"));
    }
}

QTEST_MAIN(ExtraFunctionsTest)
#include "tst_extrafunctions.moc"
