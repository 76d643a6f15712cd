// Daily X and Z reports, the article report and the periodic reports from the fiscal memory.
#include "kasemu/Clock.h"
#include "model/CommandContext.h"
#include "model/CommandGroups.h"
#include "model/Fiscal.h"
#include "model/TapeLayout.h"

namespace kasemu {

namespace {

bool reportAllowed(CommandContext& ctx, std::uint16_t password) {
    return ctx.password(kReportOperator, password) && !refuseWhenDocumentOpen(ctx) &&
           ctx.paperReady();
}

void dayReport(CommandContext& ctx, bool clear) {
    if (!ctx.expectLength(2)) {
        return;
    }
    if (!reportAllowed(ctx, ctx.in.u16())) {
        return;
    }
    auto& s = ctx.st;
    s.documents += 1;
    tape::printDocumentHead(ctx);
    ctx.printRule();
    const std::uint16_t z = s.nextZNumber();
    ctx.printCentered(clear ? "Z-ОТЧЕТ № " + std::to_string(z) : "X-ОТЧЕТ");
    if (s.shiftOpen) {
        ctx.printColumns("СМЕНА ОТКРЫТА", tape::date(s.shiftOpenedAt) + " " +
                                              tape::time(s.shiftOpenedAt).substr(0, 5));
    }
    ctx.printRule();
    printDayTotals(ctx, s.day);
    ctx.printColumns("ПОСЛЕДНИЙ ЧЕК", std::to_string(s.lastSaleReceipt));
    ctx.printColumns("ПОСЛЕДНИЙ ЧЕК ВОЗВРАТА", std::to_string(s.lastPayoutReceipt));
    ctx.printRule();
    if (clear) {
        ZRecord rec;
        rec.number = z;
        rec.at = ctx.now();
        rec.totals = s.day;
        rec.lastSaleReceipt = s.lastSaleReceipt;
        rec.lastPayoutReceipt = s.lastPayoutReceipt;
        s.fiscalMemory.push_back(rec);
        s.day = DayCounters{};
        s.programming.taxRatesChanged = false; // the new rates are in the fiscal memory now
        s.shiftOpen = false;
        s.shiftOpenedAt = 0;
        ctx.printCentered("ЗАПИСЬ В ФИСКАЛЬНУЮ ПАМЯТЬ");
    }
    tape::printDocumentFoot(ctx, "ДОКУМЕНТ № " + std::to_string(s.documents), clear);
    ctx.changed();
}

// 0x0A: password, then optionally the lowest and the highest article (6 each).
void articleReport(CommandContext& ctx) {
    if (ctx.in.size() != 2 && ctx.in.size() != 14) {
        ctx.forbid();
        return;
    }
    const std::uint16_t password = ctx.in.u16();
    std::uint64_t lo = 0;
    std::uint64_t hi = ~std::uint64_t{0};
    if (ctx.in.size() == 14) {
        lo = ctx.in.u48();
        hi = ctx.in.u48();
    }
    if (!reportAllowed(ctx, password)) {
        return;
    }
    auto& s = ctx.st;
    s.documents += 1;
    tape::printDocumentHead(ctx);
    ctx.printRule();
    ctx.printCentered("ОТЧЕТ ПО АРТИКУЛАМ");
    ctx.printRule();
    int shown = 0;
    for (const auto& [code, a] : s.articles) {
        if (code < lo || code > hi) {
            continue;
        }
        ++shown;
        ctx.printColumns(tape::fit(deviceToUtf8(a.name), ctx.width() - 16),
                         "КОД " + std::to_string(code));
        ctx.printColumns("  ПРОДАНО " + tape::quantity(a.soldQuantity, a.decimals),
                         tape::money(a.soldSum) + " " + tape::groupLetter(a.group));
        ctx.printColumns("  ВОЗВРАТ " + tape::quantity(a.returnedQuantity, a.decimals),
                         tape::money(a.returnedSum));
    }
    if (shown == 0) {
        ctx.printCentered("НЕТ ДАННЫХ");
    }
    ctx.printRule();
    tape::printDocumentFoot(ctx, "ДОКУМЕНТ № " + std::to_string(s.documents), false);
    ctx.changed();
}

std::optional<std::int64_t> readDate(CommandContext& ctx) {
    const int d = fromBcd(ctx.in.u8());
    const int m = fromBcd(ctx.in.u8());
    const int y = fromBcd(ctx.in.u8());
    if (d < 0 || m < 0 || y < 0 || !isValidDate(2000 + y, m, d)) {
        return std::nullopt;
    }
    return toSeconds(CivilTime{2000 + y, m, d, 0, 0, 0});
}

std::int64_t dayOf(std::int64_t at) {
    const CivilTime t = fromSeconds(at);
    return toSeconds(CivilTime{t.year, t.month, t.day, 0, 0, 0});
}

void periodicReport(CommandContext& ctx, const std::string& title, const std::string& range,
                    bool full, const std::function<bool(const ZRecord&)>& selected) {
    auto& s = ctx.st;
    s.documents += 1;
    tape::printDocumentHead(ctx);
    ctx.printRule();
    ctx.printCentered(title);
    ctx.printCentered(range);
    ctx.printRule();
    DayCounters sum;
    int count = 0;
    int first = 0;
    int last = 0;
    for (const auto& z : s.fiscalMemory) {
        if (!selected(z)) {
            continue;
        }
        if (count == 0) {
            first = z.number;
        }
        last = z.number;
        ++count;
        for (int g = 0; g < kTaxGroups; ++g) {
            sum.sale.byGroup[g] += z.totals.sale.byGroup[g];
            sum.payout.byGroup[g] += z.totals.payout.byGroup[g];
        }
        for (int f = 0; f < kPaymentForms; ++f) {
            sum.sale.byForm[f] += z.totals.sale.byForm[f];
            sum.payout.byForm[f] += z.totals.payout.byForm[f];
        }
        sum.sale.receipts += z.totals.sale.receipts;
        sum.payout.receipts += z.totals.payout.receipts;
        sum.sale.markups += z.totals.sale.markups;
        sum.sale.discounts += z.totals.sale.discounts;
        sum.payout.markups += z.totals.payout.markups;
        sum.payout.discounts += z.totals.payout.discounts;
        if (full) {
            ctx.printColumns("Z № " + std::to_string(z.number),
                             tape::date(z.at) + " " + tape::time(z.at).substr(0, 5));
            for (int g = 0; g < kTaxGroups; ++g) {
                if (z.totals.sale.byGroup[g] != 0 || z.totals.payout.byGroup[g] != 0) {
                    ctx.printColumns("  " + tape::groupLetter(g) + " ПРОДАЖИ / ВОЗВРАТЫ",
                                     tape::money(z.totals.sale.byGroup[g]) + " / " +
                                         tape::money(z.totals.payout.byGroup[g]));
                }
            }
        }
    }
    if (count == 0) {
        ctx.printCentered("НЕТ ДАННЫХ");
    } else {
        ctx.printRule();
        ctx.printColumns("Z-ОТЧЕТОВ " + std::to_string(count),
                         "№ " + std::to_string(first) + " - " + std::to_string(last));
        printDayTotals(ctx, sum);
    }
    ctx.printRule();
    tape::printDocumentFoot(ctx, "ДОКУМЕНТ № " + std::to_string(s.documents), false);
    ctx.changed();
}

// 0x11 full and 0x1A short: password, first date, last date (BCD day, month, year).
void periodicByDates(CommandContext& ctx, bool full) {
    if (!ctx.expectLength(8)) {
        return;
    }
    const std::uint16_t password = ctx.in.u16();
    const auto from = readDate(ctx);
    const auto to = readDate(ctx);
    if (!from || !to) {
        ctx.refuse(result::BadDateTime);
        return;
    }
    if (!reportAllowed(ctx, password)) {
        return;
    }
    periodicReport(
        ctx, full ? "ПЕРИОДИЧЕСКИЙ ОТЧЕТ" : "СОКРАЩЕННЫЙ ПЕРИОДИЧЕСКИЙ ОТЧЕТ",
        "С " + tape::date(*from) + " ПО " + tape::date(*to), full,
        [from, to](const ZRecord& z) { return dayOf(z.at) >= *from && dayOf(z.at) <= *to; });
}

// 0x1F: password, first and last Z report number.
void periodicByNumbers(CommandContext& ctx) {
    if (!ctx.expectLength(6)) {
        return;
    }
    const std::uint16_t password = ctx.in.u16();
    const std::uint16_t from = ctx.in.u16();
    const std::uint16_t to = ctx.in.u16();
    if (!reportAllowed(ctx, password)) {
        return;
    }
    periodicReport(ctx, "ПЕРИОДИЧЕСКИЙ ОТЧЕТ",
                   "С № " + std::to_string(from) + " ПО № " + std::to_string(to), true,
                   [from, to](const ZRecord& z) { return z.number >= from && z.number <= to; });
}

} // namespace

void addReportCommands(Model& m) {
    m.addCommand(0x09, [](CommandContext& ctx) { dayReport(ctx, false); });
    m.addCommand(0x0D, [](CommandContext& ctx) { dayReport(ctx, true); });
    m.addCommand(0x0A, articleReport);
    m.addCommand(0x11, [](CommandContext& ctx) { periodicByDates(ctx, true); });
    m.addCommand(0x1A, [](CommandContext& ctx) { periodicByDates(ctx, false); });
    m.addCommand(0x1F, periodicByNumbers);
}

} // namespace kasemu
