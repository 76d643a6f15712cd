// The report texts of the "Доп. функции" page, and what the console says of a
// fiscal command, from plain structs: every line, blank and line break as the
// boxes show them, under both decimal separators.
#include "ConsoleTestSupport.h"
#include "reports/Reports.h"

#include <QTest>

using namespace kasmon;
using namespace kasmon::test;

Q_DECLARE_METATYPE(kashost::FiscalVerdict)

namespace {

QStringList linesOf(const QString& text) {
    return text.split(QStringLiteral("\r\n"));
}

reports::DeviceInfo fullInfo() {
    reports::DeviceInfo info;
    info.saleReceiptNumber = 12;
    info.saleDaySum = 4294967295;
    info.payoutReceiptNumber = 3;
    info.payoutDaySum = 150;
    info.lastZReport = kashost::LastZReport{7, LocaleFormat::toDriverDateTime(QDate(2026, 12, 7))};
    info.annulments = kashost::ReceiptCounters{1, 2, 300, 400};
    info.cancellations = kashost::ReceiptCounters{5, 0, 1500, 0};
    kashost::TaxRates rates;
    rates.count = 2;
    rates.addedTax = false;
    rates.rates = {2000, 700, 0, 0, 0, 0};
    info.taxRates = rates;
    return info;
}

} // namespace

class ReportsTest : public QObject {
    Q_OBJECT

  private slots:
    void statusLinesBothWays_data();
    void statusLinesBothWays();
    void statusIdentityAndAbsentTexts();
    void deviceInfoInFull();
    void deviceInfoFailedQueries_data();
    void deviceInfoFailedQueries();
    void taxRateSection_data();
    void taxRateSection();
    void dayTotalsMoneyInBothLocales_data();
    void dayTotalsMoneyInBothLocales();
    void receiptSums();
    void fiscalVerdicts_data();
    void fiscalVerdicts();
};

void ReportsTest::statusLinesBothWays_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("whenTrue");
    QTest::addColumn<QString>("whenFalse");
    // The lines after the identity block and its empty line (index 9 on).
    const struct {
        const char* name;
        const char16_t* on;
        const char16_t* off;
    } rows[] = {
        {"fiscal", u"Режим работы ЭККР:                                      фискальный",
         u"Режим работы ЭККР:                                      не фискальный"},
        {"payment", u"Режим оплат, продажи(выплаты):                запрещены",
         u"Регистрация продаж (выплат):                      разрешена"},
        {"shift", u"Состояние текущей смены:                            открыта",
         u"Состояние текущей смены:                            закрыта"},
        {"receipt", u"Состояние текущего чека:                             открыт",
         u"Состояние текущего чека:                             закрыт"},
        {"display", u"Вывод сумм на дисплей:                                  запрещен",
         u"Вывод сумм на дисплей:                                  разрешен"},
        {"vat", u"Тип налога:                                                      НДС наложенный",
         u"Тип налога:                                                      НДС вложенный"},
        {"rates", u"Состояние налоговых ставок:                       изменялись",
         u"Состояние налоговых ставок:                       не изменялись"},
        {"service report", u"Состояние служебного отчёта:                     открыт",
         u"Состояние служебного отчёта:                     закрыт"},
        {"control tape", u"Печать служебного отчёта на контрольке: разрешена",
         u"Печать служебного отчёта на контрольке: запрещена"},
        {"drawer", u"Состояние денежного ящика:                        закрыт",
         u"Состояние денежного ящика:                        открыт"},
        {"abnormal", u"Завершение последней команды:                  аварийно",
         u"Завершение последней команды:                  успешно"},
        {"online", u"Режим регистраций:                                        OnLine",
         u"Режим регистраций:                                        OffLine"},
    };
    int line = 9;
    for (const auto& row : rows) {
        QTest::newRow(row.name) << line++ << QString::fromUtf16(row.on)
                                << QString::fromUtf16(row.off);
    }
}

void ReportsTest::statusLinesBothWays() {
    QFETCH(int, line);
    QFETCH(QString, whenTrue);
    QFETCH(QString, whenFalse);
    kashost::RegisterStatus all;
    for (bool* flag :
         {&all.paymentStarted, &all.drawerClosed, &all.payoutReceipt, &all.vatAdded, &all.shiftOpen,
          &all.receiptOpen, &all.displaySumsForbidden, &all.taxRatesChanged, &all.serviceReportOpen,
          &all.fiscalMode, &all.lastCommandAbnormal, &all.onlineMode,
          &all.serviceReportOnControlTape}) {
        *flag = true;
    }
    const QStringList on = linesOf(reports::statusReport(all, commaLocale()));
    const QStringList off = linesOf(reports::statusReport({}, commaLocale()));
    // Twelve state lines and the empty rest after the last line break.
    QCOMPARE(on.size(), 22);
    QCOMPARE(off.size(), 22);
    QCOMPARE(on.at(line), whenTrue);
    QCOMPARE(off.at(line), whenFalse);
}

void ReportsTest::statusIdentityAndAbsentTexts() {
    kashost::RegisterStatus s;
    s.fiscalNumber = "1234567890";
    s.header[0] = "\xCC\xE0\xE3\xE0\xE7\xE8\xED"; // "Магазин" in Windows-1251
    s.firmware = "\xD0\xCC-15";                   // "РМ-15"
    s.registrationDate = LocaleFormat::toDriverDateTime(QDate(2003, 1, 1));
    s.registrationTime = LocaleFormat::toDriverDateTime(QDate(1899, 12, 30), QTime(13, 5, 9));
    s.serialAndDate = "SN1 01.02.03";
    const QStringList lines = linesOf(reports::statusReport(s, pointLocale()));
    const QStringList expected = {
        QStringLiteral("Серийный номер и дата производства:       SN1 01.02.03"),
        QStringLiteral("Фискальный номер:                                        ФН 1234567890"),
        QStringLiteral("Дата и время регистрации ЭККР:                 ") +
            pointLocale().formatDate(QDate(2003, 1, 1)) + QStringLiteral(" ") +
            pointLocale().formatTime(QTime(13, 5, 9)),
        QStringLiteral("1-я строка шапки чека:                                  Магазин"),
        // Absent texts: the label alone.
        QStringLiteral("2-я строка шапки чека:                                  "),
        QStringLiteral("3-я строка шапки чека:                                  "),
        QStringLiteral("Налоговый номер:                                           "),
        QStringLiteral("Версия внутреннего ПО ЭККР:                      РМ-15"),
        QString(),
    };
    QCOMPARE(lines.mid(0, expected.size()), expected);
}

void ReportsTest::deviceInfoInFull() {
    const LocaleFormat locale = commaLocale();
    const QString text = reports::deviceInfoReport(fullInfo(), locale);
    const QString expected =
        QStringLiteral("Номер последнего чека продаж:                              12\r\n"
                       "Общая сумма дневных оборотов продаж:               42949672,95 грн.\r\n"
                       "Номер последнего чека возврата:                           3\r\n"
                       "Общая сумма дневных оборотов возвратов:          1,50 грн.\r\n"
                       "Номер последнего Z-отчета:                                    7\r\n"
                       "Дата снятия последнего Z-отчета:                          ") +
        locale.formatDate(QDate(2026, 12, 7)) +
        QStringLiteral("\r\n\r\n"
                       "Информация по аннуляциям:\r\n"
                       "Количество аннулированных чеков продаж:         1\r\n"
                       "Количество аннулированных чеков возвратов:    2\r\n"
                       "Сумма по аннулированным чекам продаж:              3,00 грн.\r\n"
                       "Сумма по аннулированным чекам возвратов:         4,00 грн.\r\n"
                       "\r\n"
                       "Информация по отменам:\r\n"
                       "Количество отмен в чеках продаж:                        5\r\n"
                       "Количество отмен в чеках возвратов:                    0\r\n"
                       "Сумма отмен в чеках продаж:                                  15,00 грн.\r\n"
                       "Сумма отмен в чеках возвратов:                             0,00 грн.\r\n"
                       "-----------------------------------------------------\r\r\n"
                       "Тип налога: Вложенный НДС\r\r\n"
                       "Группа А: 20,00%\r\n"
                       "Группа Б: 7,00%\r\n"
                       "Группа Е: Непрограммируемая необлагаемая группа\r\n");
    QCOMPARE(text, expected);
}

void ReportsTest::deviceInfoFailedQueries_data() {
    QTest::addColumn<int>("query");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("gone");
    QTest::newRow("sale receipt")
        << 0
        << QStringLiteral(
               "Номер последнего чека продаж:                              не удалось получить\r\n")
        << QStringLiteral("продаж:                              12");
    QTest::newRow("sale sum")
        << 1
        << QStringLiteral(
               "Общая сумма дневных оборотов продаж:               не удалось получить\r\n")
        << QStringLiteral("42949672");
    QTest::newRow("payout receipt")
        << 2
        << QStringLiteral(
               "Номер последнего чека возврата:                           не удалось получить\r\n")
        << QStringLiteral("возврата:                           3");
    QTest::newRow("payout sum")
        << 3
        << QStringLiteral(
               "Общая сумма дневных оборотов возвратов:          не удалось получить\r\n")
        << QStringLiteral("1,50 грн.");
    QTest::newRow("Z report") << 4
                              << QStringLiteral(
                                     "Номер последнего Z-отчета:                                   "
                                     " не удалось получить\r\nДата снятия последнего Z-отчета:     "
                                     "                    не удалось получить\r\n\r\n")
                              << QStringLiteral("Z-отчета:                                    7");
    QTest::newRow("annulments") << 5
                                << QStringLiteral("Информация по аннуляциям:                       "
                                                  "              не удалось получить\r\n\r\n")
                                << QStringLiteral("Количество аннулированных");
    QTest::newRow("cancellations")
        << 6
        << QStringLiteral("Информация по отменам:                                           не "
                          "удалось получить\r\n-----")
        << QStringLiteral("Количество отмен");
    QTest::newRow("tax rates") << 7
                               << QStringLiteral(
                                      "\r\r\nНе удалось получить ставки налоговых групп!\r\n")
                               << QStringLiteral("Группа Е");
}

void ReportsTest::deviceInfoFailedQueries() {
    QFETCH(int, query);
    QFETCH(QString, replacement);
    QFETCH(QString, gone);
    reports::DeviceInfo info = fullInfo();
    const QString whole = reports::deviceInfoReport(info, commaLocale());
    switch (query) {
    case 0:
        info.saleReceiptNumber.reset();
        break;
    case 1:
        info.saleDaySum.reset();
        break;
    case 2:
        info.payoutReceiptNumber.reset();
        break;
    case 3:
        info.payoutDaySum.reset();
        break;
    case 4:
        info.lastZReport.reset();
        break;
    case 5:
        info.annulments.reset();
        break;
    case 6:
        info.cancellations.reset();
        break;
    default:
        info.taxRates.reset();
        break;
    }
    const QString text = reports::deviceInfoReport(info, commaLocale());
    QVERIFY2(text.contains(replacement), qPrintable(text));
    QVERIFY(!text.contains(gone));
    QVERIFY(whole.contains(gone));
    // Only that query's lines change: the report's other lines are all still there.
    const QStringList wholeLines = linesOf(whole);
    for (const QString& line : linesOf(text)) {
        if (!line.contains(QStringLiteral("удалось получить"))) {
            QVERIFY2(wholeLines.contains(line) || line.startsWith(QStringLiteral("-----")),
                     qPrintable(line));
        }
    }
}

void ReportsTest::taxRateSection_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("added");
    QTest::addColumn<bool>("levy");
    QTest::addColumn<QString>("section");
    const QString head =
        QStringLiteral("-----------------------------------------------------\r\r\n");
    const QString groupE = QStringLiteral("Группа Е: Непрограммируемая необлагаемая группа\r\n");
    QTest::newRow("none programmed")
        << 0 << true << false << head + QStringLiteral("Тип налога: Наложенный НДС\r\n") + groupE;
    QTest::newRow("composite, levy only where set")
        << 2 << false << true
        << head +
               QStringLiteral("Тип налога: Вложенный НДС\r\r\n"
                              "Группа А: составной налог (НДС - 20,00% + Ставка сбора - 1,50%)\r\n"
                              "Группа Б: 7,00%\r\n") +
               groupE;
    QTest::newRow("levy rates without the composite flag")
        << 1 << true << false
        << head + QStringLiteral("Тип налога: Наложенный НДС\r\nГруппа А: 20,00%\r\n") + groupE;
    QTest::newRow("a count above five names five groups")
        << 7 << true << false
        << head +
               QStringLiteral("Тип налога: Наложенный НДС\r\nГруппа А: 20,00%\r\n"
                              "Группа Б: 7,00%\r\nГруппа В: 0,00%\r\nГруппа Г: 0,00%\r\n"
                              "Группа Д: 0,00%\r\n") +
               groupE;
}

void ReportsTest::taxRateSection() {
    QFETCH(int, count);
    QFETCH(bool, added);
    QFETCH(bool, levy);
    QFETCH(QString, section);
    reports::DeviceInfo info = fullInfo();
    info.taxRates->count = static_cast<std::uint8_t>(count);
    info.taxRates->addedTax = added;
    info.taxRates->levy = levy;
    info.taxRates->levyRates = {150, 0, 0, 0, 0, 0};
    const QString text = reports::deviceInfoReport(info, commaLocale());
    QCOMPARE(text.mid(text.indexOf(QStringLiteral("-----"))), section);
}

void ReportsTest::dayTotalsMoneyInBothLocales_data() {
    QTest::addColumn<bool>("comma");
    QTest::addColumn<QString>("amount");
    QTest::newRow("comma") << true << QStringLiteral("42949672,95 грн.");
    QTest::newRow("point") << false << QStringLiteral("42949672.95 грн.");
}

void ReportsTest::dayTotalsMoneyInBothLocales() {
    QFETCH(bool, comma);
    QFETCH(QString, amount);
    const LocaleFormat locale = comma ? commaLocale() : pointLocale();
    kashost::DayReport d;
    d.saleReceipts = 4;
    d.payoutReceipts = 1;
    d.saleByGroup = {4294967295, 0, 0, 0, 0, 1};
    d.saleByForm = {0, 0, 0, 4294967295};
    d.serviceDeposits = 100;
    d.serviceWithdrawals = 250;
    const QString zero = locale.formatMoney(0);
    const QString text = reports::dayTotalsReport(d, locale);
    const QStringList lines = linesOf(text);
    QCOMPARE(lines.at(0), QStringLiteral("Счетчик чеков продаж:     4"));
    QCOMPARE(lines.at(1), QStringLiteral("Счетчик чеков выплат:     1"));
    QCOMPARE(lines.at(2), QString());
    QCOMPARE(lines.at(3), QStringLiteral("Дневные счетчики сумм продаж по налоговым группам: "));
    QCOMPARE(lines.at(4), QStringLiteral("Группа \"А\":    ") + amount);
    QCOMPARE(lines.at(9), QStringLiteral("Группа \"Е\":    ") + locale.formatMoney(1));
    QCOMPARE(lines.at(10), QString());
    QCOMPARE(lines.at(11),
             QStringLiteral("Дневные счетчики сумм возвратов по налоговым группам: "));
    QCOMPARE(lines.at(19), QStringLiteral("Дневные счетчики сумм продаж по формам оплат: "));
    QCOMPARE(lines.at(23), QStringLiteral("НАЛИЧНЫЕ:    ") + amount);
    QCOMPARE(lines.at(31),
             QStringLiteral("Дневные счетчики сумм наценок и скидок по продажам и возвратам: "));
    QCOMPARE(lines.at(35), QStringLiteral("Сумма скидок по возвратам:       ") + zero);
    QCOMPARE(lines.at(37), QStringLiteral("Дневные счетчики сумм служебных операций: "));
    QCOMPARE(lines.at(38),
             QStringLiteral("Общая сумма служебных внесений:     ") + locale.formatMoney(100));
    QCOMPARE(lines.at(39),
             QStringLiteral("Общая сумма служебных изъятий:       ") + locale.formatMoney(250));
    QCOMPARE(lines.size(), 41); // the last line ends with a line break
}

void ReportsTest::receiptSums() {
    kashost::ReceiptSums r;
    r.byGroup = {1250, 0, 0, 0, 0, 99};
    r.byForm = {0, 0, 0, 1349};
    const QString expected =
        QStringLiteral("Счетчики оборотов по налоговым группам: \r\n"
                       "Группа \"А\":   12,50 грн.\r\nГруппа \"Б\":   0,00 грн.\r\n"
                       "Группа \"В\":   0,00 грн.\r\nГруппа \"Г\":   0,00 грн.\r\n"
                       "Группа \"Д\":   0,00 грн.\r\nГруппа \"Е\":   0,99 грн.\r\n\r\n"
                       "Суммы оплат по формам оплат: \r\n"
                       "КАРТОЧКА:   0,00 грн.\r\nКРЕДИТ:        0,00 грн.\r\n"
                       "ЧЕК:               0,00 грн.\r\nНАЛИЧНЫЕ:   13,49 грн.\r\n");
    QCOMPARE(reports::receiptSumsReport(r, commaLocale()), expected);
}

void ReportsTest::fiscalVerdicts_data() {
    using C = kashost::FiscalCommand;
    QTest::addColumn<kashost::FiscalVerdict>("verdict");
    QTest::addColumn<QString>("text"); // "#" for the decimal separator
    // The settlement as kashost gives it: lines at 2,00 (or the price given), cash of 5,00.
    const auto v = [](C c, bool answered, bool inDoubt, std::optional<int> times,
                      bool closedOrOpen = false, std::int32_t price = 200) {
        kashost::FiscalVerdict r;
        r.command = c;
        r.request = {c, price, price, 0, 3, 500, false};
        r.answered = answered;
        r.inDoubt = inDoubt;
        r.times = times;
        const int extra = times.value_or(1) - 1;
        r.cancellations = c == C::SaleLine || c == C::PayoutLine ? extra : 0;
        r.cancelPrice = -price;
        r.cashCorrection = c == C::CashIn ? extra * 500 : c == C::CashOut ? -extra * 500 : 0;
        r.receiptClosed = r.receiptOpen = closedOrOpen;
        return r;
    };
    const auto notSent = [](kashost::FiscalVerdict r) {
        r.sent = false;
        return r;
    };
    const struct {
        const char* name;
        kashost::FiscalVerdict verdict;
        const char16_t* text;
    } rows[] = {
        {"sale once", v(C::SaleLine, true, false, 1), u""},
        {"refused", v(C::SaleLine, false, false, 0), u""},
        {"sale twice, lost", v(C::SaleLine, false, true, 2),
         u"Продажа выполнена 2 раза, ответ не получен.\r\nДля исправления: 1 отмена позиции по "
         u"цене -2#00 грн."},
        {"payout 3 times", v(C::PayoutLine, true, false, 3, false, 150),
         u"Возврат выполнен 3 раза.\r\nДля исправления: 2 отмены позиции по цене -1#50 грн."},
        {"cancelled position twice", v(C::SaleLine, false, true, 2, false, -200),
         u"Отмена позиции выполнена 2 раза, ответ не получен.\r\nДля исправления: 1 отмена "
         u"позиции по цене 2#00 грн."},
        {"refused, state unknown", v(C::SaleLine, false, false, std::nullopt),
         u"Неизвестно, выполнена ли операция: проверьте чек, прежде чем повторять."},
        {"sale answered, count unknown", v(C::SaleLine, true, false, std::nullopt),
         u"Продажа выполнена, но сколько раз — неизвестно: проверьте чек, прежде чем продолжать."},
        {"payment not sent", notSent(v(C::Payment, false, false, 0)),
         u"Оплата не выполнена, её можно повторить."},
        {"payment once, lost", v(C::Payment, false, true, 1, true),
         u"Оплата выполнена 1 раз, ответ не получен: не повторяйте её.\r\nЧек закрыт."},
        {"payment 3 times", v(C::Payment, true, false, 3),
         u"Оплата выполнена 3 раза.\r\nВ чеке 3 оплаты по 5#00 грн. в форме \"наличные\"; если "
         u"это не нужно, аннулируйте чек."},
        {"cash in twice", v(C::CashIn, false, true, 2),
         u"Внесение выполнено 2 раза, ответ не получен.\r\nДля исправления: служебное изъятие "
         u"5#00 грн."},
        {"cash out 3 times", v(C::CashOut, true, false, 3),
         u"Изъятие выполнено 3 раза.\r\nДля исправления: служебное внесение 10#00 грн."},
        {"zero receipt, receipt open", v(C::ZeroReceipt, false, true, 0, true),
         u"Нулевой чек не выполнен, его можно повторить.\r\nОткрыт чек: аннулируйте его, прежде "
         u"чем повторять нулевой чек."},
        {"zero receipt twice", v(C::ZeroReceipt, false, true, 2),
         u"Нулевой чек выполнен 2 раза, ответ не получен.\r\nЛишние нулевые чеки не содержат "
         u"сумм, исправлять нечего."},
        {"annulment not done", v(C::Annulment, false, true, 0),
         u"Отмена чека не выполнена, её можно повторить."},
        {"Z report twice", v(C::ZReport, true, false, 2),
         u"Z-отчет выполнен 2 раза.\r\nЛишние Z-отчеты не содержат сумм, исправлять нечего."},
        {"Z report unknown", v(C::ZReport, false, true, std::nullopt),
         u"Неизвестно, выполнен ли Z-отчет: проверьте ленту, прежде чем повторять."},
    };
    for (const auto& row : rows) {
        QTest::newRow(row.name) << row.verdict << QString::fromUtf16(row.text);
    }
}

void ReportsTest::fiscalVerdicts() {
    QFETCH(kashost::FiscalVerdict, verdict);
    QFETCH(QString, text);
    for (const LocaleFormat& locale : {commaLocale(), pointLocale()}) {
        QCOMPARE(reports::fiscalVerdictReport(verdict, locale),
                 QString(text).replace(QLatin1Char('#'), locale.decimalSeparator()));
    }
}

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
