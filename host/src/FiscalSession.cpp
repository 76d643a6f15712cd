// The fiscal exports run with a verdict: the state before, the export, and
// after a failure (or a reply that does not add up) the state after.
#include "kashost/Status.h"
#include "kashost/Verified.h"

#include <kasdrv.h>

#include <functional>

namespace kashost {

namespace {

// The next Z report's number, a word of the register's memory.
constexpr std::uint16_t kNextZAddress = 0x0037;
constexpr std::uint8_t kCounterPage = 0x10;
constexpr std::uint8_t kUnitQuantityFlag = 0x80;

const char* const kUnreadable = "the register's state could not be read";

std::int64_t paidOf(const ReceiptSums& s) {
    std::int64_t paid = 0;
    for (const auto v : s.byForm) {
        paid += v;
    }
    return paid;
}

std::int64_t sumOf(const ReceiptSums& s) {
    std::int64_t total = 0;
    for (const auto v : s.byGroup) {
        total += v;
    }
    return total;
}

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

// The verdict of a command that was not sent because the state it needs before
// could not be read: not carried out, with the read's error; it can be sent again.
FiscalVerdict notSent(const FiscalRequest& request) {
    FiscalVerdict v;
    v.command = request.command;
    v.request = request;
    v.error = lastError();
    v.sent = false;
    v.times = 0;
    v.why = kUnreadable;
    return v;
}

// One command: the state before (given), the export, then the verdict. A
// success counts once unless `check` finds otherwise from the reply.
FiscalVerdict runChecked(const FiscalRequest& request, const std::optional<FiscalState>& before,
                         const StateReads& after, const std::function<std::int16_t()>& call) {
    if (!before) {
        return notSent(request);
    }
    const bool ok = succeeded(call());
    FiscalVerdict v;
    v.command = request.command;
    v.request = request;
    v.answered = ok;
    if (ok) {
        v.times = 1;
        return v;
    }
    v.error = lastError();
    v.inDoubt = v.error.result == 0 && v.error.status == 0;
    FiscalState state;
    if (!after.into(state)) {
        v.why = kUnreadable;
        return v;
    }
    const DriverError error = v.error;
    const bool inDoubt = v.inDoubt;
    v = judge(request, *before, state);
    v.error = error;
    v.inDoubt = inDoubt;
    return v;
}

std::optional<FiscalState> readBefore(const StateReads& reads) {
    FiscalState s;
    if (!reads.into(s)) {
        return std::nullopt;
    }
    return s;
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
        receipt_.reset();
        return notSent(request);
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
    FiscalVerdict v;
    v.command = request.command;
    v.request = request;
    if (succeeded(rc)) {
        v.answered = true;
        request.lineCost = out.cost; // the register's own reckoning
        v.request = request;
        const std::int64_t totalBefore =
            before.receiptTotal ? *before.receiptTotal : sumOf(before.receipt);
        if (out.total == totalBefore + out.cost) {
            v.times = 1;
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
        // prices): the sums of the receipt decide.
    } else {
        v.error = lastError();
        v.inDoubt = v.error.result == 0 && v.error.status == 0;
    }
    const DriverError error = v.error;
    const bool answered = v.answered;
    const bool inDoubt = v.inDoubt;
    if (l.fromRegister) {
        // Group and (for a price of 0) the price come from the article.
        const auto article = readArticle(l.article);
        if (!article || !article->taxGroup) {
            v.why = kUnreadable;
            receipt_.reset();
            return v;
        }
        request.group = *article->taxGroup;
        if (!answered) {
            const std::int32_t price = l.price != 0 ? l.price : article->price;
            request.price = price;
            request.lineCost = lineCost(price, l.quantity, l.decimals, l.unitQuantity);
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
    v = judge(request, before, after);
    v.answered = answered;
    v.error = error;
    v.inDoubt = inDoubt;
    after.receiptOpen = true;
    after.receiptTotal = answered ? std::optional<std::int64_t>(out.total) : std::nullopt;
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
        receipt_.reset();
        return notSent(request);
    }
    PaymentReply out;
    FPBOOL change = 0;
    const std::int16_t rc =
        FPPayment(&out.left, &change, form, amount, closes ? -1 : 0, copy ? 0 : -1);
    out.change = change != 0;
    if (reply != nullptr) {
        *reply = out;
    }
    FiscalVerdict v;
    v.command = request.command;
    v.request = request;
    v.answered = succeeded(rc);
    if (!v.answered) {
        v.error = lastError();
        v.inDoubt = v.error.result == 0 && v.error.status == 0;
    }
    const DriverError error = v.error;
    const bool answered = v.answered;
    const bool inDoubt = v.inDoubt;
    const bool totalKnown = before.receiptTotal && form < 4;
    if (answered && out.change) {
        // The attempt that answered closed the receipt; any before it paid a part.
        FiscalState closed;
        closed.receiptTotal = 0;
        follow(closed);
        v.receiptClosed = true;
        v.times = 1;
        if (closes || !totalKnown) {
            return v; // with tax on top of the prices the total is not known: taken as once
        }
        const std::int64_t due = *before.receiptTotal - paidOf(before.receipt);
        for (int n = 1; n <= 3; ++n) {
            if (static_cast<std::int64_t>(n) * amount - due == out.left) {
                v.times = n;
                return v;
            }
        }
        v.times.reset();
        v.why = "the change does not add up to whole payments";
        return v;
    }
    if (answered && totalKnown) {
        const std::int64_t due = *before.receiptTotal - paidOf(before.receipt);
        for (int n = 1; n <= 3; ++n) {
            if (due - static_cast<std::int64_t>(n) * amount == out.left) {
                v.times = n;
                before.receipt.byForm[form] += static_cast<std::uint32_t>(n * amount);
                follow(before);
                return v;
            }
        }
        v.why = "the remainder does not add up to whole payments";
        receipt_.reset();
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
    v = judge(request, before, after);
    v.answered = answered;
    v.error = error;
    v.inDoubt = inDoubt;
    follow(after);
    return v;
}

namespace {

// For a command whose answer carries nothing: an answered one is checked
// against the state after too, since an earlier attempt may have been carried
// out in silence.
FiscalVerdict checkedEvenWhenAnswered(const FiscalRequest& request, const StateReads& reads,
                                      const std::function<std::int16_t()>& call) {
    const auto before = readBefore(reads);
    FiscalVerdict v = runChecked(request, before, reads, call);
    if (!v.answered) {
        return v;
    }
    FiscalState after;
    if (!reads.into(after)) {
        v.times.reset();
        v.why = kUnreadable;
        return v;
    }
    FiscalVerdict checked = judge(request, *before, after);
    checked.answered = true;
    return checked;
}

// A command after which no receipt is open: its own counter tells how often it ran.
FiscalVerdict endingReceipt(FiscalCommand command, bool StateReads::*counter,
                            const std::function<std::int16_t()>& call) {
    FiscalRequest request;
    request.command = command;
    StateReads reads;
    reads.*counter = true;
    const auto before = readBefore(reads);
    reads.status = true;
    return runChecked(request, before, reads, call);
}

FiscalVerdict cash(bool in, std::uint32_t amount) {
    FiscalRequest request;
    request.command = in ? FiscalCommand::CashIn : FiscalCommand::CashOut;
    request.amount = amount;
    StateReads reads;
    reads.money = true;
    return checkedEvenWhenAnswered(request, reads,
                                   [&] { return in ? FPInToCash(amount) : FPOutOfCash(amount); });
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
    return checkedEvenWhenAnswered(request, reads, [password] { return FPDayClrReport(password); });
}

} // namespace kashost
