#include "model/MemoryMap.h"

#include <algorithm>
#include <vector>

#include "model/CommandContext.h"

namespace kasemu::memory {

namespace {

// A run of cells whose contents come from the register's state.
struct Region {
    std::uint8_t page;
    std::uint16_t start;
    Bytes bytes;
    bool holds(std::uint8_t p, std::uint16_t a) const {
        return p == page && a >= start && a - start < static_cast<int>(bytes.size());
    }
};

std::uint32_t cellKey(std::uint8_t page, std::uint16_t address) {
    return static_cast<std::uint32_t>(page) << 16 | address;
}

std::uint8_t storedByte(const RegisterState& s, std::uint8_t page, std::uint16_t address) {
    const auto it = s.memory.find(cellKey(page, address));
    return it == s.memory.end() ? 0 : it->second;
}

Bytes countAndSum(const CountAndSum& sale, const CountAndSum& payout) {
    Bytes b;
    appendLe(b, std::min<std::uint32_t>(sale.count, 0xFFFF), 2);
    appendSum(b, sale.sum);
    appendLe(b, std::min<std::uint32_t>(payout.count, 0xFFFF), 2);
    appendSum(b, payout.sum);
    return b;
}

Bytes receiptCounters(std::uint32_t lastNumber, const ReceiptTotals& t) {
    Bytes b;
    appendBcdNumber(b, lastNumber);
    for (const auto sum : t.byGroup) {
        appendSum(b, sum);
    }
    return b;
}

std::vector<Region> regions(const RegisterState& s) {
    std::vector<Region> r;
    const auto add = [&r](std::uint8_t page, std::uint16_t start, Bytes bytes) {
        r.push_back(Region{page, start, std::move(bytes)});
    };
    Bytes b;
    appendLe(b, s.nextZNumber(), 2);
    add(kCounterPage, kNextZNumber, b);

    b.clear();
    appendLe(b, articlesFromSales(s), 2);
    appendLe(b, articlesInAdvance(s), 2);
    add(kCounterPage, kArticleCounts, b);

    add(kCounterPage, kTaxRateBlock, taxRateBlock(s.programming));

    b.clear();
    appendBcdDate(b, s.fiscalMemory.empty() ? 0 : s.fiscalMemory.back().at);
    add(kCounterPage, kLastZDate, b);

    add(kCounterPage, kAnnulments, countAndSum(s.day.annulledSale, s.day.annulledPayout));
    add(kCounterPage, kCancellations, countAndSum(s.day.cancelledSale, s.day.cancelledPayout));

    b.clear();
    for (const auto& op : s.operators) {
        appendLe(b, op.password, 2);
    }
    add(kCounterPage, kPasswords, b);

    // The mode byte: the cutter bit is the register's setting, the other bits are kept as
    // they are.
    const std::uint8_t modes =
        static_cast<std::uint8_t>((storedByte(s, kCounterPage, kModes) & ~kCutterOffBit) |
                                  (s.programming.autoCut ? 0 : kCutterOffBit));
    add(kCounterPage, kModes, Bytes{modes});

    // Receipt number then six day sums, for sale and for payout receipts.
    add(kCounterPage, kSaleReceiptNumber, receiptCounters(s.lastSaleReceipt, s.day.sale));
    add(kCounterPage, kPayoutReceiptNumber, receiptCounters(s.lastPayoutReceipt, s.day.payout));

    add(kSettingsPage, kTaxRateCount,
        Bytes{static_cast<std::uint8_t>(std::clamp(s.programming.taxRateCount, 0, 255))});
    return r;
}

} // namespace

std::uint8_t taxFlags(const Programming& p) {
    return static_cast<std::uint8_t>((p.vatAdded ? 0x10 : 0) | (p.levy ? 0x20 : 0));
}

Bytes taxRateBlock(const Programming& p) {
    const int n = std::clamp(p.taxRateCount, 0, kMaxTaxRates);
    Bytes b;
    for (int i = 0; i < n; ++i) {
        appendLe(b, p.taxRates[static_cast<std::size_t>(i)], 2);
    }
    b.push_back(taxFlags(p));
    for (int i = 0; i < n; ++i) {
        appendLe(b, p.levy ? p.levyRates[static_cast<std::size_t>(i)] : 0, 2);
    }
    return b;
}

std::uint16_t articlesFromSales(const RegisterState& s) {
    const auto n = std::count_if(s.articles.begin(), s.articles.end(),
                                 [](const auto& a) { return !a.second.programmedInAdvance; });
    return static_cast<std::uint16_t>(std::min<std::ptrdiff_t>(n, 0xFFFF));
}

std::uint16_t articlesInAdvance(const RegisterState& s) {
    const auto n = static_cast<std::ptrdiff_t>(s.articles.size()) - articlesFromSales(s);
    return static_cast<std::uint16_t>(std::min<std::ptrdiff_t>(n, 0xFFFF));
}

Bytes read(const RegisterState& s, std::uint8_t page, std::uint16_t address, std::size_t count) {
    const std::vector<Region> fixed = regions(s);
    Bytes out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto a = static_cast<std::uint16_t>(address + i);
        const auto region = std::find_if(fixed.begin(), fixed.end(),
                                         [&](const Region& r) { return r.holds(page, a); });
        out.push_back(region != fixed.end() ? region->bytes[a - region->start]
                                            : storedByte(s, page, a));
    }
    return out;
}

} // namespace kasemu::memory
