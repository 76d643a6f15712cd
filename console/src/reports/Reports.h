// The texts of the reports the "Доп. функции" page shows in message boxes,
// as pure functions of what the driver answered. Lines end with "\r\n" as the
// boxes show them; money and dates follow the locale given.
#pragma once

#include "LocaleFormat.h"

#include <kashost/Queries.h>
#include <kashost/Status.h>

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

} // namespace kasmon::reports
