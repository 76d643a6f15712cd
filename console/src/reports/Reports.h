// The texts of the reports the "Доп. функции" page shows in message boxes, and
// of what became of a fiscal command, as pure functions of what the driver and
// kashost answered. Lines end with "\r\n" as the boxes show them; money and
// dates follow the locale given.
#pragma once

#include "LocaleFormat.h"

#include <kashost/Queries.h>
#include <kashost/Status.h>
#include <kashost/Verified.h>

#include <QString>

#include <optional>

namespace kasmon::reports {

// "Чтение статуса": identity, registration and the twelve state lines.
QString statusReport(const kashost::RegisterStatus& status, const LocaleFormat& locale);

// "Сведения  ": seven queries and the tax rates; a query that failed is nothing
// and gets its "не удалось получить" lines.
struct DeviceInfo {
    std::optional<std::uint16_t> saleReceiptNumber;
    std::optional<std::int64_t> saleDaySum;
    std::optional<std::uint16_t> payoutReceiptNumber;
    std::optional<std::int64_t> payoutDaySum;
    std::optional<kashost::LastZReport> lastZReport;
    std::optional<kashost::ReceiptCounters> annulments;
    std::optional<kashost::ReceiptCounters> cancellations;
    std::optional<kashost::TaxRates> taxRates;
};
QString deviceInfoReport(const DeviceInfo& info, const LocaleFormat& locale);

// "    Итоги за день          ".
QString dayTotalsReport(const kashost::DayReport& day, const LocaleFormat& locale);

// "Данные текущего чека".
QString receiptSumsReport(const kashost::ReceiptSums& sums, const LocaleFormat& locale);

// What became of a fiscal command whose answer did not prove one execution:
// how many times the register carried it out and what settles the difference.
// Empty when there is nothing to add to the driver's text: the command was
// answered and carried out once, or it was sent, the register refused it (no
// time-out) and did not carry it out.
QString fiscalVerdictReport(const kashost::FiscalVerdict& verdict, const LocaleFormat& locale);

} // namespace kasmon::reports
