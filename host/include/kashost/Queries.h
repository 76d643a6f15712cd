// The data queries and counters, one struct per export with several outputs
// and one function per query. Money in kopecks, rates in hundredths of a percent.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kashost {

// FPGetDayReport: arrays by tax group (А..Е) and by payment form
// (card, credit, cheque, cash).
struct DayReport {
    std::uint16_t saleReceipts = 0;
    std::uint16_t payoutReceipts = 0;
    std::array<std::int64_t, 6> saleByGroup{};
    std::array<std::int64_t, 4> saleByForm{};
    std::array<std::int64_t, 6> payoutByGroup{};
    std::array<std::int64_t, 4> payoutByForm{};
    std::int64_t saleMarkups = 0;
    std::int64_t saleDiscounts = 0;
    std::int64_t payoutMarkups = 0;
    std::int64_t payoutDiscounts = 0;
    std::int64_t serviceDeposits = 0;
    std::int64_t serviceWithdrawals = 0;
};
std::optional<DayReport> readDayReport();

// FPGetCheckSums: the open receipt's sums.
struct ReceiptSums {
    std::array<std::uint32_t, 6> byGroup{};
    std::array<std::uint32_t, 4> byForm{};
};
std::optional<ReceiptSums> readReceiptSums();

// FPGetTaxRate: the rates in the register's memory. count can exceed 5 for
// memory that holds no rates; the arrays then stay 0. Groups А..Д in 0..4.
struct TaxRates {
    std::uint8_t count = 0;
    bool addedTax = false;
    bool levy = false; // the composite tax: groups may carry a levy rate
    std::array<std::int32_t, 6> rates{};
    std::array<std::int32_t, 6> levyRates{};
};
std::optional<TaxRates> readTaxRates();

// FPFullGetTaxRate: the rates with the date they were programmed.
struct TaxRecord {
    bool hasLevy = false;
    std::int32_t rate = 0;
    std::int32_t levyRate = 0;
};
struct DatedTaxRates {
    double programmingDate = 0.0;
    bool addedTax = false;
    bool levy = false;
    std::vector<TaxRecord> records; // as many as the register counted
};
std::optional<DatedTaxRates> readDatedTaxRates();

// FPGetArticleInfo for one article number.
struct ArticleInfo {
    std::string name;            // Windows-1251
    std::uint8_t nameLength = 0; // as the register gave it
    std::int32_t price = 0;
    std::optional<std::uint8_t> taxGroup; // nothing for a group byte out of 0..5
    std::uint32_t saleQuantity = 0;
    std::uint8_t saleDecimals = 0;
    std::int64_t saleSum = 0;
    std::uint32_t returnQuantity = 0;
    std::uint8_t returnDecimals = 0;
    std::int64_t returnSum = 0;
};
std::optional<ArticleInfo> readArticle(std::int64_t articleCode);

// FPGetPasswords: the cashiers' 0-7, programming 8, reports 9.
struct Passwords {
    std::array<std::uint16_t, 10> all{};
    std::uint16_t cashier(int index) const { return all.at(static_cast<std::size_t>(index)); }
    std::uint16_t programming() const { return all[8]; }
    std::uint16_t reports() const { return all[9]; }
};
std::optional<Passwords> readPasswords();

// FPGetResetOrders (annulled receipts) and FPGetCancels (cancellations in
// receipts): a count and a sum on sale and on payout receipts.
struct ReceiptCounters {
    std::uint16_t saleCount = 0;
    std::uint16_t payoutCount = 0;
    std::int64_t saleSum = 0;
    std::int64_t payoutSum = 0;
};
std::optional<ReceiptCounters> readAnnulments();
std::optional<ReceiptCounters> readCancellations();

// FPGetNumZReport: the last Z report's number and date.
struct LastZReport {
    std::uint16_t number = 0;
    double date = 0.0;
};
std::optional<LastZReport> readLastZReport();

// FPGetPaperState.
struct PaperState {
    bool undeterminable = false; // when set, the rest means nothing
    bool controlTapeLow = false;
    bool receiptTapeLow = false;
    bool controlTapeOut = false;
    bool receiptTapeOut = false;
};
std::optional<PaperState> readPaperState();

// FPGetMemoryData: up to `count` bytes (1..255) at address of page; the block
// holds what the reply carried.
std::optional<std::vector<std::uint8_t>> readMemory(std::uint16_t address, std::uint8_t page,
                                                    std::uint8_t count);

// The single-value queries.
std::optional<std::uint16_t> readSaleReceiptNumber();
std::optional<std::uint16_t> readPayoutReceiptNumber();
std::optional<std::int64_t> readSaleDaySum();
std::optional<std::int64_t> readPayoutDaySum();
std::optional<std::int64_t> readMoneyInBox();
std::optional<bool> readCutterStatus();
std::optional<double> readDate();
std::optional<double> readTime();

} // namespace kashost
