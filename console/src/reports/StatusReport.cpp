#include "DriverText.h"
#include "reports/Reports.h"

namespace kasmon::reports {

namespace {

const QString kEnd = QStringLiteral("\r\n");

struct StateLine {
    bool kashost::RegisterStatus::*flag;
    const char16_t* whenTrue;
    const char16_t* whenFalse;
};

// The order and the texts of the state lines; the payout-receipt flag is not shown.
const StateLine kStateLines[] = {
    {&kashost::RegisterStatus::fiscalMode,
     u"Режим работы ЭККР:                                      фискальный",
     u"Режим работы ЭККР:                                      не фискальный"},
    {&kashost::RegisterStatus::paymentStarted,
     u"Режим оплат, продажи(выплаты):                запрещены",
     u"Регистрация продаж (выплат):                      разрешена"},
    {&kashost::RegisterStatus::shiftOpen,
     u"Состояние текущей смены:                            открыта",
     u"Состояние текущей смены:                            закрыта"},
    {&kashost::RegisterStatus::receiptOpen,
     u"Состояние текущего чека:                             открыт",
     u"Состояние текущего чека:                             закрыт"},
    {&kashost::RegisterStatus::displaySumsForbidden,
     u"Вывод сумм на дисплей:                                  запрещен",
     u"Вывод сумм на дисплей:                                  разрешен"},
    {&kashost::RegisterStatus::vatAdded,
     u"Тип налога:                                                      НДС наложенный",
     u"Тип налога:                                                      НДС вложенный"},
    {&kashost::RegisterStatus::taxRatesChanged,
     u"Состояние налоговых ставок:                       изменялись",
     u"Состояние налоговых ставок:                       не изменялись"},
    {&kashost::RegisterStatus::serviceReportOpen,
     u"Состояние служебного отчёта:                     открыт",
     u"Состояние служебного отчёта:                     закрыт"},
    {&kashost::RegisterStatus::serviceReportOnControlTape,
     u"Печать служебного отчёта на контрольке: разрешена",
     u"Печать служебного отчёта на контрольке: запрещена"},
    {&kashost::RegisterStatus::drawerClosed,
     u"Состояние денежного ящика:                        закрыт",
     u"Состояние денежного ящика:                        открыт"},
    {&kashost::RegisterStatus::lastCommandAbnormal,
     u"Завершение последней команды:                  аварийно",
     u"Завершение последней команды:                  успешно"},
    {&kashost::RegisterStatus::onlineMode,
     u"Режим регистраций:                                        OnLine",
     u"Режим регистраций:                                        OffLine"},
};

} // namespace

QString statusReport(const kashost::RegisterStatus& s, const LocaleFormat& locale) {
    // A text the driver gave no block for adds only its label.
    const auto line = [](const char16_t* label, const std::optional<std::string>& text) {
        return QString::fromUtf16(label) + fromDriverText(text) + kEnd;
    };
    QString report;
    report += line(u"Серийный номер и дата производства:       ", s.serialAndDate);
    report += line(u"Фискальный номер:                                        ФН ", s.fiscalNumber);
    report += QStringLiteral("Дата и время регистрации ЭККР:                 ") +
              locale.formatDate(LocaleFormat::driverDate(s.registrationDate)) +
              QStringLiteral(" ") +
              locale.formatTime(LocaleFormat::driverTime(s.registrationTime)) + kEnd;
    report += line(u"1-я строка шапки чека:                                  ", s.header[0]);
    report += line(u"2-я строка шапки чека:                                  ", s.header[1]);
    report += line(u"3-я строка шапки чека:                                  ", s.header[2]);
    report += line(u"Налоговый номер:                                           ", s.taxNumber);
    report += line(u"Версия внутреннего ПО ЭККР:                      ", s.firmware) + kEnd;
    for (const StateLine& state : kStateLines) {
        report += QString::fromUtf16(s.*state.flag ? state.whenTrue : state.whenFalse) + kEnd;
    }
    return report;
}

} // namespace kasmon::reports
