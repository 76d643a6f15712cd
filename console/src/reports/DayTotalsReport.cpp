#include "reports/Reports.h"

namespace kasmon::reports {

namespace {

const QString kEnd = QStringLiteral("\r\n");

template <typename Sums>
QString sumLines(const Sums& sums, const char16_t* const* labels, const LocaleFormat& locale) {
    QString text;
    for (std::size_t k = 0; k < sums.size(); ++k) {
        text += QString::fromUtf16(labels[k]) +
                locale.formatMoney(static_cast<std::int64_t>(sums[k])) + kEnd;
    }
    return text + kEnd;
}

} // namespace

QString dayTotalsReport(const kashost::DayReport& d, const LocaleFormat& locale) {
    static const char16_t* const groups[6] = {u"Группа \"А\":    ", u"Группа \"Б\":    ",
                                              u"Группа \"В\":    ", u"Группа \"Г\":    ",
                                              u"Группа \"Д\":    ", u"Группа \"Е\":    "};
    static const char16_t* const forms[4] = {u"КАРТОЧКА:    ", u"КРЕДИТ:         ",
                                             u"ЧЕК:                ", u"НАЛИЧНЫЕ:    "};
    static const char16_t* const adjustments[4] = {
        u"Сумма наценок по продажам:      ", u"Сумма скидок по продажам:        ",
        u"Сумма наценок по возвратам:     ", u"Сумма скидок по возвратам:       "};
    static const char16_t* const service[2] = {u"Общая сумма служебных внесений:     ",
                                               u"Общая сумма служебных изъятий:       "};
    QString report;
    report += QStringLiteral("Счетчик чеков продаж:     ") + QString::number(d.saleReceipts) + kEnd;
    report += QStringLiteral("Счетчик чеков выплат:     ") + QString::number(d.payoutReceipts) +
              kEnd + kEnd;
    report += QStringLiteral("Дневные счетчики сумм продаж по налоговым группам: ") + kEnd +
              sumLines(d.saleByGroup, groups, locale);
    report += QStringLiteral("Дневные счетчики сумм возвратов по налоговым группам: ") + kEnd +
              sumLines(d.payoutByGroup, groups, locale);
    report += QStringLiteral("Дневные счетчики сумм продаж по формам оплат: ") + kEnd +
              sumLines(d.saleByForm, forms, locale);
    report += QStringLiteral("Дневные счетчики сумм возвратов по формам оплат: ") + kEnd +
              sumLines(d.payoutByForm, forms, locale);
    const std::array<std::int64_t, 4> adjusted = {d.saleMarkups, d.saleDiscounts, d.payoutMarkups,
                                                  d.payoutDiscounts};
    report += QStringLiteral("Дневные счетчики сумм наценок и скидок по продажам и возвратам: ") +
              kEnd + sumLines(adjusted, adjustments, locale);
    report += QStringLiteral("Дневные счетчики сумм служебных операций: ") + kEnd;
    report += QString::fromUtf16(service[0]) + locale.formatMoney(d.serviceDeposits) + kEnd;
    report += QString::fromUtf16(service[1]) + locale.formatMoney(d.serviceWithdrawals) + kEnd;
    return report;
}

QString receiptSumsReport(const kashost::ReceiptSums& r, const LocaleFormat& locale) {
    // Three blanks after the colon here, four in the day totals.
    static const char16_t* const groups[6] = {u"Группа \"А\":   ", u"Группа \"Б\":   ",
                                              u"Группа \"В\":   ", u"Группа \"Г\":   ",
                                              u"Группа \"Д\":   ", u"Группа \"Е\":   "};
    static const char16_t* const forms[4] = {u"КАРТОЧКА:   ", u"КРЕДИТ:        ",
                                             u"ЧЕК:               ", u"НАЛИЧНЫЕ:   "};
    QString report = QStringLiteral("Счетчики оборотов по налоговым группам: ") + kEnd +
                     sumLines(r.byGroup, groups, locale);
    report += QStringLiteral("Суммы оплат по формам оплат: ") + kEnd;
    for (std::size_t k = 0; k < r.byForm.size(); ++k) {
        report += QString::fromUtf16(forms[k]) + locale.formatMoney(r.byForm[k]) + kEnd;
    }
    return report;
}

} // namespace kasmon::reports
