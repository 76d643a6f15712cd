#include "model/Fiscal.h"

#include "model/CommandContext.h"
#include "model/TapeLayout.h"

namespace kasemu {

std::int64_t mulDivRound(std::int64_t a, std::int64_t b, std::int64_t c) {
    // The register's amounts stay far below 2^62 in these products.
    const std::int64_t p = a * b;
    const bool neg = (p < 0) != (c < 0);
    const std::int64_t ap = p < 0 ? -p : p;
    const std::int64_t ac = c < 0 ? -c : c;
    const std::int64_t q = (ap + ac / 2) / ac;
    return neg ? -q : q;
}

bool taxGroupUsable(const Programming& p, int group) {
    return group == kTaxGroups - 1 || (group >= 0 && group < p.taxRateCount);
}

namespace {
int rateOf(const Programming& p, int group) {
    return group >= 0 && group < p.taxRateCount && group < 5 ? p.taxRates[group] : 0;
}
int levyRateOf(const Programming& p, int group) {
    return p.levy && group >= 0 && group < p.taxRateCount && group < 5 ? p.levyRates[group] : 0;
}
} // namespace

std::int64_t taxOf(const Programming& p, int group, std::int64_t turnover) {
    const int rate = rateOf(p, group);
    if (rate == 0) {
        return 0;
    }
    return p.vatAdded ? mulDivRound(turnover, rate, 10000)
                      : mulDivRound(turnover, rate, 10000 + rate + levyRateOf(p, group));
}

std::int64_t levyOf(const Programming& p, int group, std::int64_t turnover) {
    const int levy = levyRateOf(p, group);
    if (levy == 0) {
        return 0;
    }
    return p.vatAdded ? mulDivRound(turnover, levy, 10000)
                      : mulDivRound(turnover, levy, 10000 + rateOf(p, group) + levy);
}

std::int64_t payable(const Receipt& r, const Programming& p) {
    std::int64_t total = r.total;
    if (p.vatAdded) {
        for (int g = 0; g < kTaxGroups; ++g) {
            total += taxOf(p, g, r.byGroup[g]) + levyOf(p, g, r.byGroup[g]);
        }
    }
    return total;
}

std::int64_t paidSoFar(const Receipt& r) {
    std::int64_t s = 0;
    for (const auto v : r.paid) {
        s += v;
    }
    return s;
}

bool refuseInServiceReport(CommandContext& ctx) {
    if (ctx.st.serviceReportOpen) {
        ctx.refuse(result::ReceiptOpen);
        return true;
    }
    return false;
}

bool refuseWhenDocumentOpen(CommandContext& ctx) {
    if (ctx.st.serviceReportOpen || ctx.st.receipt.open()) {
        ctx.refuse(result::ReceiptOpen);
        return true;
    }
    return false;
}

namespace {

void printKind(CommandContext& ctx, const char* title, const ReceiptTotals& t) {
    const auto& p = ctx.st.programming;
    ctx.printColumns(title, "ЧЕКОВ " + std::to_string(t.receipts));
    std::int64_t sum = 0;
    for (int g = 0; g < kTaxGroups; ++g) {
        if (t.byGroup[g] == 0 && !(g < p.taxRateCount)) {
            continue;
        }
        sum += t.byGroup[g];
        ctx.printColumns("  ОБОРОТ " + tape::groupLetter(g), tape::money(t.byGroup[g]));
        const auto tax = taxOf(p, g, t.byGroup[g]);
        if (tax != 0) {
            ctx.printColumns("  НДС " + tape::groupLetter(g) + " " + tape::percent(p.taxRates[g]),
                             tape::money(tax));
        }
        const auto levy = levyOf(p, g, t.byGroup[g]);
        if (levy != 0) {
            ctx.printColumns("  СБОР " + tape::groupLetter(g), tape::money(levy));
        }
    }
    ctx.printColumns("  ИТОГО", tape::money(sum));
    for (int f = 0; f < kPaymentForms; ++f) {
        ctx.printColumns("  " + tape::formName(f), tape::money(t.byForm[f]));
    }
    ctx.printColumns("  НАДБАВКИ", tape::money(t.markups));
    ctx.printColumns("  СКИДКИ", tape::money(t.discounts));
}

} // namespace

void printDayTotals(CommandContext& ctx, const DayCounters& day) {
    printKind(ctx, "ПРОДАЖИ", day.sale);
    printKind(ctx, "ВОЗВРАТЫ", day.payout);
    ctx.printColumns("СЛУЖЕБНОЕ ВНЕСЕНИЕ", tape::money(day.deposits));
    ctx.printColumns("СЛУЖЕБНАЯ ВЫДАЧА", tape::money(day.withdrawals));
    ctx.printColumns("АННУЛИРОВАНО ЧЕКОВ " +
                         std::to_string(day.annulledSale.count + day.annulledPayout.count),
                     tape::money(day.annulledSale.sum + day.annulledPayout.sum));
    ctx.printColumns("ОТМЕНЫ " +
                         std::to_string(day.cancelledSale.count + day.cancelledPayout.count),
                     tape::money(day.cancelledSale.sum + day.cancelledPayout.sum));
    ctx.printColumns("В КАССЕ", tape::money(ctx.st.cashInDrawer));
}

} // namespace kasemu
