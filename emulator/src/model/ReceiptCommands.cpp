// The sales counter: sale and payout lines, comments, discounts and mark-ups, payments,
// annulment and paper feed.
#include <algorithm>

#include "model/Articles.h"
#include "model/CommandContext.h"
#include "model/CommandGroups.h"
#include "model/Fiscal.h"
#include "model/LogoImage.h"
#include "model/TapeLayout.h"

namespace kasemu {

namespace {

constexpr std::int64_t kMaxMoney = 0x7FFFFFFF;
constexpr std::size_t kMaxLines = 500;

std::int64_t pow10(int n) {
    std::int64_t v = 1;
    for (int i = 0; i < n; ++i) {
        v *= 10;
    }
    return v;
}

std::string article13(std::uint64_t code) {
    std::string s = std::to_string(code);
    if (s.size() < 13) {
        s.insert(0, 13 - s.size(), '0');
    }
    return s;
}

void openReceipt(CommandContext& ctx, ReceiptKind kind) {
    ctx.openShiftIfClosed();
    ctx.st.receipt = Receipt{};
    ctx.st.receipt.kind = kind;
    if (ctx.st.programming.logoEnabled && ctx.st.logo.loaded()) {
        for (auto& row : logoTapeRows(ctx.st.logo, ctx.width())) {
            ctx.print(std::move(row));
        }
    }
    tape::printDocumentHead(ctx);
    for (const auto& line : ctx.st.programming.receiptHead) {
        tape::printHeaderLine(ctx, line);
    }
    if (kind == ReceiptKind::Payout) {
        ctx.printCentered("ВОЗВРАТ");
    }
    ctx.printRule();
    ctx.changed();
}

// 0x12 sale and 0x08 payout: quantity (3), flags, price (4, sign and magnitude), tax group,
// then name length, name and article (6), or 0xFF and the article of a programmed name.
void registerItem(CommandContext& ctx, ReceiptKind kind) {
    if (!ctx.expectAtLeast(10)) {
        return;
    }
    auto& in = ctx.in;
    const std::uint32_t qty = in.u24();
    const std::uint8_t flags = in.u8();
    const std::int64_t sentPrice = fromSignMagnitude(in.u32());
    const std::uint8_t taxByte = in.u8();
    const bool fromRegister = in.peek() == 0xFF;
    Bytes name;
    std::uint64_t article = 0;
    if (fromRegister) {
        in.u8();
        if (!ctx.expectLength(16)) {
            return;
        }
        article = in.u48();
    } else {
        const std::uint8_t len = in.u8();
        if (!ctx.expectLength(10u + len + 6u)) {
            return;
        }
        if (len > 50) {
            ctx.refuse(result::BadLength);
            return;
        }
        name = in.bytes(len);
        article = in.u48();
    }
    const int decimals = flags & 0x3F;
    const bool unitQuantity = (flags & 0x80) != 0;
    const bool printBarcode = (flags & 0x40) != 0;
    if (decimals > 3) {
        ctx.forbid();
        return;
    }
    if (taxByte < 0x80 || taxByte > 0x85) {
        ctx.refuse(result::NoSuchTaxGroup);
        return;
    }
    int group = taxByte - 0x80;
    std::int64_t price = sentPrice;
    if (fromRegister) {
        // Name and tax group come from the article table; a price of 0 takes the programmed
        // one.
        const auto art = ctx.st.articles.find(article);
        if (art == ctx.st.articles.end()) {
            ctx.refuse(result::BadArticle);
            return;
        }
        name = art->second.name;
        group = art->second.group;
        if (price == 0) {
            price = art->second.price < 0 ? -art->second.price : art->second.price;
        }
    }
    if (!taxGroupUsable(ctx.st.programming, group)) {
        ctx.refuse(result::NoSuchTaxGroup);
        return;
    }
    if (refuseInServiceReport(ctx)) {
        return;
    }
    auto& r = ctx.st.receipt;
    if (r.open()) {
        // A receipt opened by a comment takes the kind of its first line.
        if (r.hasItem && r.kind != kind) {
            ctx.refuse(kind == ReceiptKind::Sale ? result::PayoutReceiptOpen
                                                 : result::SaleReceiptOpen);
            return;
        }
        if (r.paymentStarted) {
            ctx.refuse(result::PaymentStarted);
            return;
        }
        if (r.lines.size() >= kMaxLines) {
            ctx.refuse(result::TooManyLines);
            return;
        }
    }
    const std::int64_t cost = unitQuantity ? price : mulDivRound(price, qty, pow10(decimals));
    if (cost > kMaxMoney || cost < -kMaxMoney) {
        ctx.refuse(result::CostOverflow);
        return;
    }
    const std::int64_t earlierSales = r.open() ? r.positiveSales : 0;
    if (cost < 0 && -cost > earlierSales) {
        ctx.refuse(result::NegativeSaleTooLarge);
        return;
    }
    if ((r.open() ? r.total : 0) + cost > kMaxMoney) {
        ctx.refuse(result::CostOverflow);
        return;
    }
    if (!ctx.paperReady()) {
        return;
    }

    if (!r.open()) {
        openReceipt(ctx, kind);
    }
    r.kind = kind;
    ReceiptLine line;
    line.kind = ReceiptLine::Kind::Item;
    line.name = name;
    line.quantity = unitQuantity ? 1 : qty;
    line.decimals = static_cast<std::uint8_t>(unitQuantity ? 0 : decimals);
    line.price = price;
    line.cost = cost;
    line.group = group;
    line.article = article;
    r.lines.push_back(line);
    r.hasItem = true;
    r.lastItem = static_cast<int>(r.lines.size() - 1);
    r.lastItemAdjusted = false;
    r.total += cost;
    r.byGroup[group] += cost;
    if (cost > 0) {
        r.positiveSales += cost;
    } else if (cost < 0) {
        r.positiveSales += cost;
        r.cancelled.count += 1;
        r.cancelled.sum += -cost;
    }
    const std::string amount = tape::money(cost) + " " + tape::groupLetter(group);
    if (cost < 0) {
        ctx.print("ОТМЕНА");
    }
    if (unitQuantity) {
        ctx.printColumns(deviceToUtf8(name), amount);
    } else {
        ctx.print(tape::fit(deviceToUtf8(name), ctx.width()));
        ctx.printColumns("  " + tape::quantity(qty, decimals) + " x " + tape::money(price), amount);
    }
    if (printBarcode) {
        ctx.print("  ШК " + article13(article));
    }
    ctx.changed();
    ctx.put32(toSignMagnitude(cost));
    ctx.put32(static_cast<std::uint32_t>(payable(r, ctx.st.programming)));
}

// 0x0B: length (bit 7 a flag) and text. With no receipt open the comment opens one.
void comment(CommandContext& ctx) {
    if (!ctx.expectAtLeast(1)) {
        return;
    }
    const std::uint8_t len = ctx.in.u8() & 0x7F;
    if (!ctx.expectLength(1u + len)) {
        return;
    }
    if (len > 27) {
        ctx.refuse(result::BadLength);
        return;
    }
    const Bytes text = ctx.in.bytes(len);
    if (refuseInServiceReport(ctx) || !ctx.paperReady()) {
        return;
    }
    auto& r = ctx.st.receipt;
    if (!r.open()) {
        openReceipt(ctx, ReceiptKind::Sale);
    }
    ReceiptLine line;
    line.kind = ReceiptLine::Kind::Comment;
    line.name = text;
    r.lines.push_back(line);
    ctx.print(tape::fit(deviceToUtf8(text), ctx.width()));
    ctx.changed();
}

// 0x0E: one empty line.
void lineFeed(CommandContext& ctx) {
    if (!ctx.expectLength(0) || !ctx.paperReady(true)) {
        return;
    }
    ctx.print("");
}

void printFoot(CommandContext& ctx, const std::string& numberLine, bool fiscal) {
    for (const auto& line : ctx.st.programming.receiptTail) {
        tape::printHeaderLine(ctx, line);
    }
    tape::printDocumentFoot(ctx, numberLine, fiscal);
}

// 0x0F: annuls the open receipt; nothing to do without one.
void annul(CommandContext& ctx) {
    if (!ctx.expectLength(0)) {
        return;
    }
    auto& r = ctx.st.receipt;
    if (!r.open()) {
        return;
    }
    if (!ctx.paperReady()) {
        return;
    }
    auto& counter =
        r.kind == ReceiptKind::Payout ? ctx.st.day.annulledPayout : ctx.st.day.annulledSale;
    counter.count += 1;
    counter.sum += payable(r, ctx.st.programming);
    ctx.printRule();
    ctx.printCentered("ЧЕК АННУЛИРОВАН");
    ctx.printColumns("СУММА", tape::money(payable(r, ctx.st.programming)));
    ctx.st.documents += 1;
    printFoot(ctx, "ДОКУМЕНТ № " + std::to_string(ctx.st.documents), false);
    r = Receipt{};
    ctx.changed();
}

// 0x23: type (0 percent on the last line, 1 amount on the last line, 2 percent on the
// subtotal, 3 amount on the subtotal), value (bit 31 discount, bit 25 percent), then a text
// with its length, or 0x00.
void discount(CommandContext& ctx) {
    if (!ctx.expectAtLeast(6)) {
        return;
    }
    const std::uint8_t type = ctx.in.u8();
    const std::uint32_t value = ctx.in.u32();
    const std::uint8_t len = ctx.in.u8();
    if (!ctx.expectLength(6u + len)) {
        return;
    }
    const Bytes text = ctx.in.bytes(len);
    const bool isDiscount = (value & 0x80000000u) != 0;
    const bool isPercentValue = (value & 0x02000000u) != 0;
    const std::int64_t magnitude = value & 0x01FFFFFFu;
    const bool percentType = type == 0 || type == 2;
    if (type > 3 || (!percentType && isPercentValue)) {
        ctx.forbid();
        return;
    }
    if (len > 25) {
        ctx.refuse(result::BadLength);
        return;
    }
    if (refuseInServiceReport(ctx)) {
        return;
    }
    auto& r = ctx.st.receipt;
    if (!r.open() || !r.hasItem) {
        ctx.refuse(result::NothingToDiscount);
        return;
    }
    if (r.paymentStarted) {
        ctx.refuse(result::PaymentStarted);
        return;
    }
    const bool onLine = type < 2;
    const std::int64_t base = onLine ? r.lines[static_cast<std::size_t>(r.lastItem)].cost : r.total;
    if (base <= 0) {
        ctx.refuse(result::NothingToDiscount);
        return;
    }
    if (percentType && isDiscount && magnitude > 100) {
        ctx.forbid();
        return;
    }
    const std::int64_t amount = percentType ? mulDivRound(base, magnitude, 100) : magnitude;
    if (isDiscount && amount > base) {
        ctx.refuse(result::NegativeSaleTooLarge);
        return;
    }
    if (!isDiscount && r.total + amount > kMaxMoney) {
        ctx.refuse(result::CostOverflow);
        return;
    }
    if (!ctx.paperReady()) {
        return;
    }
    const std::int64_t adj = isDiscount ? -amount : amount;
    if (onLine) {
        r.byGroup[static_cast<std::size_t>(r.lines[static_cast<std::size_t>(r.lastItem)].group)] +=
            adj;
        r.lastItemAdjusted = true;
    } else {
        // Spread over the groups in proportion to their turnover; the rounding rest goes to
        // the largest group.
        std::int64_t spread = 0;
        int largest = 0;
        for (int g = 0; g < kTaxGroups; ++g) {
            if (r.byGroup[g] > r.byGroup[largest]) {
                largest = g;
            }
        }
        for (int g = 0; g < kTaxGroups; ++g) {
            if (g != largest && r.byGroup[g] > 0) {
                const auto part = mulDivRound(adj, r.byGroup[g], base);
                r.byGroup[g] += part;
                spread += part;
            }
        }
        r.byGroup[largest] += adj - spread;
    }
    r.total += adj;
    (isDiscount ? r.discounts : r.markups) += amount;
    ReceiptLine line;
    line.kind = ReceiptLine::Kind::Adjustment;
    line.name = text;
    line.cost = adj;
    r.lines.push_back(line);

    if (!onLine) {
        ctx.printColumns("ПОДЫТОГ", tape::money(base));
    }
    std::string label = isDiscount ? "СКИДКА" : "НАДБАВКА";
    if (percentType) {
        label += " " + std::to_string(magnitude) + "%";
    }
    ctx.printColumns(label, tape::money(adj));
    if (!text.empty()) {
        ctx.print(tape::fit(deviceToUtf8(text), ctx.width()));
    }
    ctx.changed();
    ctx.put32(toSignMagnitude(adj));
    ctx.put32(static_cast<std::uint32_t>(payable(r, ctx.st.programming)));
}

void closeReceipt(CommandContext& ctx, std::int64_t change, bool nonFiscalCopy) {
    auto& s = ctx.st;
    auto& r = s.receipt;
    const auto& p = s.programming;
    const bool sale = r.kind != ReceiptKind::Payout;
    const std::uint32_t number = sale ? ++s.lastSaleReceipt : ++s.lastPayoutReceipt;
    s.documents += 1;
    auto& t = sale ? s.day.sale : s.day.payout;
    t.receipts += 1;
    for (int g = 0; g < kTaxGroups; ++g) {
        t.byGroup[g] += r.byGroup[g];
    }
    for (int f = 0; f < kPaymentForms; ++f) {
        const std::int64_t net = r.paid[f] - (f == kCashForm ? change : 0);
        t.byForm[f] += net;
        if (f == kCashForm) {
            s.cashInDrawer += sale ? net : -net;
        }
    }
    t.markups += r.markups;
    t.discounts += r.discounts;
    auto& cancelled = sale ? s.day.cancelledSale : s.day.cancelledPayout;
    cancelled.count += r.cancelled.count;
    cancelled.sum += r.cancelled.sum;

    if (change > 0) {
        ctx.printColumns("СДАЧА", tape::money(change));
    }
    ctx.printRule();
    for (int g = 0; g < kTaxGroups; ++g) {
        const auto tax = taxOf(p, g, r.byGroup[g]);
        if (tax != 0) {
            ctx.printColumns("НДС " + tape::groupLetter(g) + " " + tape::percent(p.taxRates[g]),
                             tape::money(tax));
        }
        const auto levy = levyOf(p, g, r.byGroup[g]);
        if (levy != 0) {
            ctx.printColumns("СБОР " + tape::groupLetter(g) + " " + tape::percent(p.levyRates[g]),
                             tape::money(levy));
        }
    }
    printFoot(ctx,
              std::string(sale ? "ЧЕК № " : "ЧЕК ВОЗВРАТА № ") + std::to_string(number) +
                  " СМЕНА " + std::to_string(s.nextZNumber()),
              true);
    articles::bookReceipt(s, r);
    s.lastReceiptTape = r.tape;
    r = Receipt{};
    if (nonFiscalCopy) {
        ctx.printCentered("КОПИЯ");
        ctx.printCentered("НЕФИСКАЛЬНЫЙ ЧЕК");
        for (const auto& l : s.lastReceiptTape) {
            ctx.print(l);
        }
    }
    ctx.changed();
}

// 0x14: form (bit 6: print a non-fiscal copy), amount (4; bit 31: pay the rest in this form).
void payment(CommandContext& ctx) {
    if (!ctx.expectLength(5)) {
        return;
    }
    const std::uint8_t formByte = ctx.in.u8();
    const std::uint32_t raw = ctx.in.u32();
    const int form = formByte & 0x3F;
    const bool copy = (formByte & 0x40) != 0;
    const bool rest = (raw & 0x80000000u) != 0;
    const std::int64_t amount = rest ? (raw & 0x7FFFFFFFu) : raw;
    if (form >= kPaymentForms) {
        ctx.refuse(result::NoSuchPaymentForm);
        return;
    }
    if (refuseInServiceReport(ctx)) {
        return;
    }
    auto& r = ctx.st.receipt;
    if (!r.open()) {
        ctx.refuse(result::ReceiptNotOpen);
        return;
    }
    const auto& p = ctx.st.programming;
    const std::int64_t due = std::max<std::int64_t>(0, payable(r, p) - paidSoFar(r));
    const std::int64_t paid = rest ? std::max(amount, due) : amount;
    const std::int64_t change = paid > due ? paid - due : 0;
    if (change > 0 && form != kCashForm) {
        ctx.refuse(result::NoChangeFromForm);
        return;
    }
    if (paidSoFar(r) + paid > 0xFFFFFFFFll) {
        ctx.refuse(result::PaymentOverflow);
        return;
    }
    if (r.kind == ReceiptKind::Payout && form == kCashForm && paid >= due &&
        r.paid[kCashForm] + paid - change > ctx.st.cashInDrawer) {
        ctx.refuse(result::NotEnoughCash);
        return;
    }
    if (!ctx.paperReady()) {
        return;
    }
    if (!r.paymentStarted) {
        ctx.printColumns("СУММА", tape::money(payable(r, p)));
    }
    r.paymentStarted = true;
    r.paid[static_cast<std::size_t>(form)] += paid;
    ctx.printColumns(tape::formName(form), tape::money(paid));
    if (paid >= due) {
        closeReceipt(ctx, change, copy);
        ctx.put32(static_cast<std::uint32_t>(change) | 0x80000000u);
    } else {
        ctx.changed();
        ctx.put32(static_cast<std::uint32_t>(due - paid));
    }
}

} // namespace

void addReceiptCommands(Model& m) {
    m.addCommand(0x12, [](CommandContext& ctx) { registerItem(ctx, ReceiptKind::Sale); });
    m.addCommand(0x08, [](CommandContext& ctx) { registerItem(ctx, ReceiptKind::Payout); });
    m.addCommand(0x0B, comment);
    m.addCommand(0x0E, lineFeed);
    m.addCommand(0x0F, annul);
    m.addCommand(0x23, discount);
    m.addCommand(0x14, payment);
}

} // namespace kasemu
