// Data queries: memory reads, the cash in the drawer, the day report, the open receipt's sums
// and the tax rates with their programming date.
#include <algorithm>

#include "model/CommandContext.h"
#include "model/CommandGroups.h"
#include "model/MemoryMap.h"

namespace kasemu {

namespace {

// 0x1C: address (2), page, count. The reply is the bytes read.
void readMemory(CommandContext& ctx) {
    if (!ctx.expectLength(4)) {
        return;
    }
    const std::uint16_t address = ctx.in.u16();
    const std::uint8_t page = ctx.in.u8();
    const std::uint8_t count = ctx.in.u8();
    ctx.putBytes(memory::read(ctx.st, page, address, count));
}

// 0x21: the cash in the drawer, one 5-byte sum.
void cashInDrawer(CommandContext& ctx) {
    if (!ctx.expectLength(0)) {
        return;
    }
    ctx.putSum(ctx.st.cashInDrawer);
}

// One half of the day report: receipt number, sums by group and by payment form, markups,
// discounts, and the service cash movement of that direction.
void putDayHalf(CommandContext& ctx, std::uint32_t receiptNumber, const ReceiptTotals& t,
                std::int64_t serviceCash) {
    appendBcdNumber(ctx.out.data, receiptNumber);
    for (const auto sum : t.byGroup) {
        ctx.putSum(sum);
    }
    for (const auto sum : t.byForm) {
        ctx.putSum(sum);
    }
    ctx.putSum(t.markups);
    ctx.putSum(t.discounts);
    ctx.putSum(serviceCash);
}

// 0x2A: the day's counters, 134 bytes. The receipt numbers are the running numbers that the
// memory holds at 0x301B and 0x30AB.
void dayReport(CommandContext& ctx) {
    if (!ctx.expectLength(0)) {
        return;
    }
    const auto& s = ctx.st;
    putDayHalf(ctx, s.lastSaleReceipt, s.day.sale, s.day.deposits);
    putDayHalf(ctx, s.lastPayoutReceipt, s.day.payout, s.day.withdrawals);
}

std::uint32_t dword(std::int64_t v) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(v, 0, 0xFFFFFFFF));
}

// 0x2B: the open receipt's turnover by tax group and its payments by form (zeros without a
// receipt), 40 bytes.
void receiptSums(CommandContext& ctx) {
    if (!ctx.expectLength(0)) {
        return;
    }
    const auto& r = ctx.st.receipt;
    for (const auto sum : r.byGroup) {
        ctx.put32(dword(r.open() ? sum : 0));
    }
    for (const auto paid : r.paid) {
        ctx.put32(dword(r.open() ? paid : 0));
    }
}

// 0x2C: n, the date the rates were programmed, n rate words, flags, and the levy words when
// the groups carry levies.
void fullTaxRates(CommandContext& ctx) {
    if (!ctx.expectLength(0)) {
        return;
    }
    const auto& p = ctx.st.programming;
    const int n = std::clamp(p.taxRateCount, 0, kMaxTaxRates);
    ctx.put8(static_cast<std::uint8_t>(n));
    // A memory from before the date was kept has the factory's date.
    appendBcdDate(ctx.out.data,
                  p.taxRatesProgrammedAt != 0
                      ? p.taxRatesProgrammedAt
                      : factoryState(ctx.st.identity.model).programming.taxRatesProgrammedAt);
    Bytes block = memory::taxRateBlock(p);
    if (!p.levy) {
        block.resize(2u * static_cast<std::size_t>(n) + 1);
    }
    ctx.putBytes(block);
}

} // namespace

void addQueryCommands(Model& m) {
    m.addCommand(0x1C, readMemory);
    m.addCommand(0x21, cashInDrawer);
    m.addCommand(0x2A, dayReport);
    m.addCommand(0x2B, receiptSums);
    m.addCommand(0x2C, fullTaxRates);
}

} // namespace kasemu
