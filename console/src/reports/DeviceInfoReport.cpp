#include "reports/Reports.h"

#include "RegisterTexts.h"

namespace kasmon::reports {

namespace {

const QString kEnd = QStringLiteral("\r\n");
const QString kFailed = QStringLiteral("не удалось получить");

QString counters(const kashost::ReceiptCounters& c, const LocaleFormat& locale,
                 const char16_t* const labels[4]) {
    return QString::fromUtf16(labels[0]) + QString::number(c.saleCount) + kEnd +
           QString::fromUtf16(labels[1]) + QString::number(c.payoutCount) + kEnd +
           QString::fromUtf16(labels[2]) + locale.formatMoney(c.saleSum) + kEnd +
           QString::fromUtf16(labels[3]) + locale.formatMoney(c.payoutSum) + kEnd;
}

QString taxRates(const std::optional<kashost::TaxRates>& rates, const LocaleFormat& locale) {
    if (!rates) {
        return QStringLiteral("Не удалось получить ставки налоговых групп!") +
               QStringLiteral("\r") + QStringLiteral("\n");
    }
    QString text = rates->addedTax
                       ? QStringLiteral("Тип налога: Наложенный НДС") + kEnd
                       : QStringLiteral("Тип налога: Вложенный НДС") + QStringLiteral("\r\r\n");
    // Only groups А..Д are programmable; a larger count names memory without rates.
    const int groups = std::min<int>(rates->count, 5);
    for (int i = 0; i < groups; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const QString group = taxGroupCaption(k);
        if (rates->levy && rates->levyRates[k] != 0) {
            text += group + QStringLiteral(": составной налог (НДС - ") +
                    locale.formatHundredths(rates->rates[k]) +
                    QStringLiteral("% + Ставка сбора - ") +
                    locale.formatHundredths(rates->levyRates[k]) + QStringLiteral("%)") + kEnd;
        } else {
            text += group + QStringLiteral(": ") + locale.formatHundredths(rates->rates[k]) +
                    QStringLiteral("%") + kEnd;
        }
    }
    return text + QStringLiteral("Группа Е: Непрограммируемая необлагаемая группа") + kEnd;
}

} // namespace

QString deviceInfoReport(const DeviceInfo& info, const LocaleFormat& locale) {
    const auto number = [](const std::optional<std::uint16_t>& n) {
        return n ? QString::number(*n) : kFailed;
    };
    const auto money = [&locale](const std::optional<std::int64_t>& sum) {
        return sum ? locale.formatMoney(*sum) : kFailed;
    };
    QString report;
    report += QStringLiteral("Номер последнего чека продаж:                              ") +
              number(info.saleReceiptNumber) + kEnd;
    report += QStringLiteral("Общая сумма дневных оборотов продаж:               ") +
              money(info.saleDaySum) + kEnd;
    report += QStringLiteral("Номер последнего чека возврата:                           ") +
              number(info.payoutReceiptNumber) + kEnd;
    report += QStringLiteral("Общая сумма дневных оборотов возвратов:          ") +
              money(info.payoutDaySum) + kEnd;
    if (info.lastZReport) {
        report += QStringLiteral("Номер последнего Z-отчета:                                    ") +
                  QString::number(info.lastZReport->number) + kEnd;
        report += QStringLiteral("Дата снятия последнего Z-отчета:                          ") +
                  locale.formatDate(LocaleFormat::driverDate(info.lastZReport->date)) + kEnd + kEnd;
    } else {
        report += QStringLiteral("Номер последнего Z-отчета:                                    ") +
                  kFailed + kEnd;
        report += QStringLiteral("Дата снятия последнего Z-отчета:                         ") +
                  kFailed + kEnd + kEnd;
    }
    if (info.annulments) {
        static const char16_t* const labels[4] = {
            u"Количество аннулированных чеков продаж:         ",
            u"Количество аннулированных чеков возвратов:    ",
            u"Сумма по аннулированным чекам продаж:              ",
            u"Сумма по аннулированным чекам возвратов:         "};
        report += QStringLiteral("Информация по аннуляциям:") + kEnd +
                  counters(*info.annulments, locale, labels) + kEnd;
    } else {
        report += QStringLiteral("Информация по аннуляциям:                                     ") +
                  kFailed + kEnd + kEnd;
    }
    if (info.cancellations) {
        static const char16_t* const labels[4] = {
            u"Количество отмен в чеках продаж:                        ",
            u"Количество отмен в чеках возвратов:                    ",
            u"Сумма отмен в чеках продаж:                                  ",
            u"Сумма отмен в чеках возвратов:                             "};
        report += QStringLiteral("Информация по отменам:") + kEnd +
                  counters(*info.cancellations, locale, labels);
    } else {
        report +=
            QStringLiteral("Информация по отменам:                                           ") +
            kFailed + kEnd;
    }
    report += QStringLiteral("-----------------------------------------------------") +
              QStringLiteral("\r\r") + QStringLiteral("\n");
    return report + taxRates(info.taxRates, locale);
}

} // namespace kasmon::reports
