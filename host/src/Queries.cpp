#include "kashost/Queries.h"

#include "kashost/Result.h"

#include <kasdrv.h>

namespace kashost {

namespace {

// A query of one output value.
template <typename T> std::optional<T> readOne(std::int16_t(KASDRV_CALL* query)(T*)) {
    T value{};
    if (!succeeded(query(&value))) {
        return std::nullopt;
    }
    return value;
}

using CountersExport = std::int16_t(KASDRV_CALL*)(std::uint16_t*, std::uint16_t*, std::int64_t*,
                                                  std::int64_t*);

std::optional<ReceiptCounters> readCounters(CountersExport query) {
    ReceiptCounters c;
    if (!succeeded(query(&c.saleCount, &c.payoutCount, &c.saleSum, &c.payoutSum))) {
        return std::nullopt;
    }
    return c;
}

template <typename Array> std::int32_t highOf(const Array& a) {
    return static_cast<std::int32_t>(a.size()) - 1;
}

} // namespace

std::optional<DayReport> readDayReport() {
    DayReport d;
    if (!succeeded(FPGetDayReport(&d.saleReceipts, &d.payoutReceipts, d.saleByGroup.data(),
                                  highOf(d.saleByGroup), d.saleByForm.data(), highOf(d.saleByForm),
                                  d.payoutByGroup.data(), highOf(d.payoutByGroup),
                                  d.payoutByForm.data(), highOf(d.payoutByForm), &d.saleMarkups,
                                  &d.saleDiscounts, &d.payoutMarkups, &d.payoutDiscounts,
                                  &d.serviceDeposits, &d.serviceWithdrawals))) {
        return std::nullopt;
    }
    return d;
}

std::optional<ReceiptSums> readReceiptSums() {
    ReceiptSums r;
    if (!succeeded(FPGetCheckSums(r.byGroup.data(), highOf(r.byGroup), r.byForm.data(),
                                  highOf(r.byForm)))) {
        return std::nullopt;
    }
    return r;
}

std::optional<TaxRates> readTaxRates() {
    TaxRates r;
    FPBOOL added = 0;
    FPBOOL levy = 0;
    if (!succeeded(FPGetTaxRate(r.rates.data(), highOf(r.rates), r.levyRates.data(),
                                highOf(r.levyRates), &r.count, &added, &levy))) {
        return std::nullopt;
    }
    r.addedTax = added != 0;
    r.levy = levy != 0;
    return r;
}

std::optional<DatedTaxRates> readDatedTaxRates() {
    // Room for any count the register can name, so that the answer decides.
    std::array<FPTaxRate, 256> records{};
    DatedTaxRates r;
    std::uint8_t count = 0;
    FPBOOL added = 0;
    FPBOOL levy = 0;
    if (!succeeded(FPFullGetTaxRate(&r.programmingDate, &count, &added, records.data(),
                                    highOf(records), &levy))) {
        return std::nullopt;
    }
    r.addedTax = added != 0;
    r.levy = levy != 0;
    for (std::size_t k = 0; k < count; ++k) {
        r.records.push_back({records[k].hasLevy != 0, records[k].rate, records[k].levyRate});
    }
    return r;
}

std::optional<ArticleInfo> readArticle(std::int64_t articleCode) {
    ArticleInfo a;
    std::uint8_t length = 0;
    const char* name = nullptr;
    constexpr std::uint8_t kUnset = 0xFF;
    std::uint8_t group = kUnset;
    if (!succeeded(FPGetArticleInfo(&length, &name, &a.price, &group, &a.saleQuantity,
                                    &a.saleDecimals, &a.saleSum, &a.returnQuantity,
                                    &a.returnDecimals, &a.returnSum, &articleCode))) {
        return std::nullopt;
    }
    a.nameLength = length;
    // The name is the driver's until the next call: copied now.
    if (name != nullptr) {
        a.name = name;
    }
    if (group < 6) {
        a.taxGroup = group;
    }
    return a;
}

std::optional<Passwords> readPasswords() {
    Passwords p;
    if (!succeeded(FPGetPasswords(p.all.data(), highOf(p.all)))) {
        return std::nullopt;
    }
    return p;
}

std::optional<ReceiptCounters> readAnnulments() {
    return readCounters(&FPGetResetOrders);
}

std::optional<ReceiptCounters> readCancellations() {
    return readCounters(&FPGetCancels);
}

std::optional<LastZReport> readLastZReport() {
    LastZReport z;
    if (!succeeded(FPGetNumZReport(&z.number, &z.date))) {
        return std::nullopt;
    }
    return z;
}

std::optional<PaperState> readPaperState() {
    FPBOOL f[5] = {};
    if (!succeeded(FPGetPaperState(&f[0], &f[1], &f[2], &f[3], &f[4]))) {
        return std::nullopt;
    }
    return PaperState{f[0] != 0, f[1] != 0, f[2] != 0, f[3] != 0, f[4] != 0};
}

std::optional<std::vector<std::uint8_t>> readMemory(std::uint16_t address, std::uint8_t page,
                                                    std::uint8_t count) {
    std::array<std::uint8_t, 255> buffer{};
    std::uint8_t got = count;
    if (!succeeded(FPGetMemoryData(buffer.data(), highOf(buffer), &got, address, page))) {
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + got);
}

std::optional<std::uint16_t> readSaleReceiptNumber() {
    return readOne(&FPGetSaleCheckNumber);
}

std::optional<std::uint16_t> readPayoutReceiptNumber() {
    return readOne(&FPGetPayCheckNumber);
}

std::optional<std::int64_t> readSaleDaySum() {
    return readOne(&FPGetSaleDaySum);
}

std::optional<std::int64_t> readPayoutDaySum() {
    return readOne(&FPGetPayDaySum);
}

std::optional<std::int64_t> readMoneyInBox() {
    return readOne(&FPGetMoneyInBox);
}

std::optional<bool> readCutterStatus() {
    const std::optional<FPBOOL> on = readOne(&FPCutterStatus);
    if (!on) {
        return std::nullopt;
    }
    return *on != 0;
}

std::optional<double> readDate() {
    return readOne(&FPGetDate);
}

std::optional<double> readTime() {
    return readOne(&FPGetTime);
}

} // namespace kashost
