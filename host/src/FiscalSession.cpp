// The fiscal exports run with a verdict: the state before, the export, and
// after a failure (or a reply that does not add up) the state after.
#include "VerdictRules.h"
#include "kashost/Register.h"
#include "kashost/Status.h"
#include "kashost/Verified.h"

#include <kasdrv.h>

#include <functional>

namespace kashost {

namespace {

// The next Z report's number, a word of the register's memory.
constexpr std::uint16_t kNextZAddress = 0x0037;
constexpr std::uint8_t kCounterPage = 0x10;
using reg::kUnitQuantityFlag;

using detail::kUnreadable;
using detail::sumOf;

// Runs `read` when `wanted` and hands its value to `use`; false when the read failed.
template <class Read, class Use> bool readIf(bool wanted, Read read, Use use) {
    if (!wanted) {
        return true;
    }
    const auto r = read();
    if (!r) {
        return false;
    }
    use(*r);
    return true;
}

std::optional<std::uint16_t> readNextZNumber() {
    const auto r = readMemory(kNextZAddress, kCounterPage, 2);
    if (!r || r->size() < 2) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>((*r)[0] | ((*r)[1] << 8));
}

// Reads the parts of the state one command compares; false when one read fails.
struct StateReads {
    bool sums = false;
    bool status = false;
    bool saleNumber = false;
    bool annulled = false;
    bool money = false;
    bool zNumber = false;

    bool into(FiscalState& s) const {
        return readIf(sums, readReceiptSums, [&](const ReceiptSums& r) { s.receipt = r; }) &&
               readIf(status, readStatus,
                      [&](const RegisterStatus& r) {
                          s.receiptOpen = r.receiptOpen;
                          // With the tax inside the prices the receipt comes to its turnover.
                          s.receiptTotal = r.receiptOpen ? std::optional<std::int64_t>() : 0;
                          if (r.receiptOpen && sums && !r.vatAdded) {
                              s.receiptTotal = sumOf(s.receipt);
                          }
                      }) &&
               readIf(saleNumber, readSaleReceiptNumber,
                      [&](std::uint16_t n) { s.saleReceiptNumber = n; }) &&
               readIf(annulled, readAnnulments,
                      [&](const ReceiptCounters& r) {
                          s.annulledReceipts =
                              static_cast<std::uint16_t>(r.saleCount + r.payoutCount);
                      }) &&
               readIf(money, readMoneyInBox, [&](std::int64_t m) { s.moneyInBox = m; }) &&
               readIf(zNumber, readNextZNumber, [&](std::uint16_t n) { s.nextZNumber = n; });
    }
};

std::optional<FiscalState> readBefore(const StateReads& reads) {
    FiscalState s;
    if (!reads.into(s)) {
        return std::nullopt;
    }
    return s;
}

// A command whose verdict comes from the states alone: the state before, the
// export, and the state after. An answered one counts once unless
// `checkAnswered`: an earlier attempt may have been carried out in silence,
// which only the state after tells for a command whose answer carries nothing.
FiscalVerdict runWithStates(const FiscalRequest& request, const StateReads& before,
                            const StateReads& after, bool checkAnswered,
                            const std::function<std::int16_t()>& call) {
    const auto was = readBefore(before);
    if (!was) {
        return detail::notSent(request);
    }
    FiscalVerdict v = detail::reported(request, call());
    if (v.answered && !checkAnswered) {
        v.times = 1;
        return v;
    }
    FiscalState now;
    if (!after.into(now)) {
        v.why = kUnreadable;
        return v;
    }
    judge(v, *was, now);
    return v;
}

} // namespace

bool FiscalSession::receiptBefore(FiscalState& before, bool needTotal) {
    if (receipt_ && (!needTotal || receipt_->receiptTotal)) {
        before = *receipt_;
        return true;
    }
    StateReads reads;
    reads.sums = true;
    reads.status = needTotal;
    if (!reads.into(before)) {
        receipt_.reset();
        return false;
    }
    if (!needTotal) {
        before.receiptOpen = sumOf(before.receipt) != 0;
    }
    return true;
}

void FiscalSession::follow(const FiscalState& after) {
    receipt_ = after;
}

FiscalVerdict FiscalSession::line(const SaleLine& l, bool payout, LineReply* reply) {
    FiscalRequest request;
    request.command = payout ? FiscalCommand::PayoutLine : FiscalCommand::SaleLine;
    request.price = l.price;
    request.group = l.group;
    request.lineCost = lineCost(l.price, l.quantity, l.decimals, l.unitQuantity);
    FiscalState before;
    if (!receiptBefore(before, false)) {
        return detail::notSent(request);
    }

    LineReply out;
    const auto exportFn = payout ? &FPPayMoney : &FPSale;
    const auto flags =
        static_cast<std::uint8_t>(l.decimals | (l.unitQuantity ? kUnitQuantityFlag : 0));
    const std::int16_t rc =
        exportFn(&out.cost, &out.total, l.quantity, flags, l.price, l.group,
                 l.fromRegister ? -1 : 0, l.printBarcode ? -1 : 0, l.name.c_str(), l.article);
    if (reply != nullptr) {
        *reply = out;
    }
    FiscalVerdict v = detail::reported(request, rc);
    if (v.answered && detail::judgeLineReply(v, before, out.cost, out.total)) {
        if (l.fromRegister) {
            receipt_.reset(); // its group is the article's
        } else if (l.group < before.receipt.byGroup.size()) {
            before.receipt.byGroup[l.group] += static_cast<std::uint32_t>(out.cost);
            before.receiptTotal = out.total;
            before.receiptOpen = true;
            follow(before);
        }
        return v;
    }
    // The total does not add up (a repeated attempt, or tax on top of the
    // prices), or the line failed: the sums of the receipt decide.
    if (l.fromRegister) {
        // Group and (for a price of 0) the price come from the article.
        const auto article = readArticle(l.article);
        if (!article || !article->taxGroup) {
            v.why = kUnreadable;
            receipt_.reset();
            return v;
        }
        v.request.group = *article->taxGroup;
        if (!v.answered) {
            v.request.price = l.price != 0 ? l.price : article->price;
            v.request.lineCost = lineCost(v.request.price, l.quantity, l.decimals, l.unitQuantity);
        }
    }
    FiscalState after;
    StateReads reads;
    reads.sums = true;
    if (!reads.into(after)) {
        receipt_.reset();
        v.why = kUnreadable;
        return v;
    }
    judge(v, before, after);
    after.receiptOpen = true;
    after.receiptTotal = v.answered ? std::optional<std::int64_t>(out.total) : std::nullopt;
    if (v.times) {
        follow(after);
    } else {
        receipt_.reset();
    }
    return v;
}

FiscalVerdict FiscalSession::sale(const SaleLine& l, LineReply* reply) {
    return line(l, false, reply);
}

FiscalVerdict FiscalSession::payout(const SaleLine& l, LineReply* reply) {
    return line(l, true, reply);
}

FiscalVerdict FiscalSession::payment(std::uint8_t form, std::uint32_t amount, bool closes,
                                     bool copy, PaymentReply* reply) {
    FiscalRequest request;
    request.command = FiscalCommand::Payment;
    request.form = form;
    request.amount = amount;
    request.closes = closes;
    FiscalState before;
    if (!receiptBefore(before, true)) {
        return detail::notSent(request);
    }
    PaymentReply out;
    FPBOOL change = 0;
    const std::int16_t rc =
        FPPayment(&out.left, &change, form, amount, closes ? -1 : 0, copy ? 0 : -1);
    out.change = change != 0;
    if (reply != nullptr) {
        *reply = out;
    }
    FiscalVerdict v = detail::reported(request, rc);
    if (v.answered && detail::judgePaymentReply(v, before, out.left, out.change)) {
        if (v.receiptClosed) {
            FiscalState closed;
            closed.receiptTotal = 0;
            follow(closed);
        } else if (v.times) {
            before.receipt.byForm[form] += static_cast<std::uint32_t>(*v.times * amount);
            follow(before);
        } else {
            receipt_.reset();
        }
        return v;
    }
    // Failed, or a part paid on a receipt whose total is not known: the sums decide.
    FiscalState after;
    StateReads reads;
    reads.sums = true;
    reads.status = true;
    if (!reads.into(after)) {
        receipt_.reset();
        v.why = kUnreadable;
        return v;
    }
    judge(v, before, after);
    follow(after);
    return v;
}

namespace {

FiscalVerdict cash(bool in, std::uint32_t amount) {
    FiscalRequest request;
    request.command = in ? FiscalCommand::CashIn : FiscalCommand::CashOut;
    request.amount = amount;
    StateReads reads;
    reads.money = true;
    return runWithStates(request, reads, reads, true,
                         [&] { return in ? FPInToCash(amount) : FPOutOfCash(amount); });
}

// A command after which no receipt is open: its own counter tells how often it ran.
FiscalVerdict endingReceipt(FiscalCommand command, bool StateReads::*counter,
                            const std::function<std::int16_t()>& call) {
    FiscalRequest request;
    request.command = command;
    StateReads before;
    before.*counter = true;
    StateReads after = before;
    after.status = true;
    return runWithStates(request, before, after, false, call);
}

} // namespace

FiscalVerdict FiscalSession::cashIn(std::uint32_t amount) {
    return cash(true, amount);
}

FiscalVerdict FiscalSession::cashOut(std::uint32_t amount) {
    return cash(false, amount);
}

FiscalVerdict FiscalSession::zeroReceipt() {
    return afterReceiptEnded(endingReceipt(FiscalCommand::ZeroReceipt, &StateReads::saleNumber,
                                           [] { return FPNullCheck(); }));
}

FiscalVerdict FiscalSession::annul() {
    return afterReceiptEnded(endingReceipt(FiscalCommand::Annulment, &StateReads::annulled,
                                           [] { return FPResetOrder(); }));
}

FiscalVerdict FiscalSession::afterReceiptEnded(FiscalVerdict v) {
    receipt_.reset();
    if (v.answered) {
        FiscalState closed;
        closed.receiptTotal = 0;
        follow(closed);
    }
    return v;
}

FiscalVerdict FiscalSession::zReport(std::uint16_t password) {
    FiscalRequest request;
    request.command = FiscalCommand::ZReport;
    StateReads reads;
    reads.zNumber = true;
    return runWithStates(request, reads, reads, true,
                         [password] { return FPDayClrReport(password); });
}

} // namespace kashost
