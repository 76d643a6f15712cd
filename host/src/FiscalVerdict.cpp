// The rule that tells from two states how many times a fiscal command was
// carried out, and its text.
#include "VerdictRules.h"
#include "kashost/Register.h"
#include "kashost/Verified.h"

#include <cstdlib>

namespace kashost {

namespace {

constexpr std::int64_t kMostAttempts = reg::kAttempts;

const char* nameOf(FiscalCommand c) {
    switch (c) {
    case FiscalCommand::SaleLine:
        return "sale line";
    case FiscalCommand::PayoutLine:
        return "payout line";
    case FiscalCommand::Payment:
        return "payment";
    case FiscalCommand::CashIn:
        return "service deposit";
    case FiscalCommand::CashOut:
        return "service withdrawal";
    case FiscalCommand::ZeroReceipt:
        return "zero receipt";
    case FiscalCommand::Annulment:
        return "annulment";
    case FiscalCommand::ZReport:
        return "Z report";
    }
    return "command";
}

const char* formName(std::uint8_t form) {
    return form < reg::kPaymentForms.size() ? reg::kPaymentForms[form].data() : "?";
}

std::string money(std::int64_t kopecks) {
    const std::int64_t a = std::llabs(kopecks);
    std::string cents = std::to_string(a % 100);
    if (cents.size() < 2) {
        cents.insert(0, "0");
    }
    return (kopecks < 0 ? "-" : "") + std::to_string(a / 100) + "." + cents;
}

// How many steps of `unit` make `delta`: nothing unless a whole number of
// attempts the driver can have made.
std::optional<int> stepsOf(std::int64_t delta, std::int64_t unit, std::string& why,
                           const std::string& what) {
    if (unit == 0) {
        why = what + " of 0 leaves no trace in the register's counters";
        return std::nullopt;
    }
    if (delta % unit != 0 || delta / unit < 0 || delta / unit > kMostAttempts) {
        why = what + " is " + money(unit) + ", but the register's sum changed by " + money(delta);
        return std::nullopt;
    }
    return static_cast<int>(delta / unit);
}

std::optional<int> countOf(std::int64_t delta, std::string& why, const std::string& what) {
    if (delta < 0 || delta > kMostAttempts) {
        why = what + " changed by " + std::to_string(delta);
        return std::nullopt;
    }
    return static_cast<int>(delta);
}

void judgePayment(FiscalVerdict& v, const FiscalState& before, const FiscalState& after) {
    const FiscalRequest& r = v.request;
    if (r.form >= before.receipt.byForm.size()) {
        v.times = 0; // no such form: the driver sends nothing
        return;
    }
    v.receiptClosed = before.receiptOpen && !after.receiptOpen;
    if (!v.receiptClosed && r.closes) {
        v.times = 0; // an attempt carried out would have closed the receipt
        return;
    }
    if (!v.receiptClosed) {
        v.times = stepsOf(static_cast<std::int64_t>(after.receipt.byForm[r.form]) -
                              before.receipt.byForm[r.form],
                          r.amount, v.why, "the payment");
        return;
    }
    // Once the receipt is closed, a further attempt is refused: the last one
    // closed it. Those before it paid part of the receipt.
    if (r.closes) {
        v.times = 1;
        return;
    }
    if (!before.receiptTotal) {
        v.why = "the receipt was closed; whether an earlier attempt paid part of it the "
                "register does not tell";
        return;
    }
    const std::int64_t due = *before.receiptTotal - detail::paidOf(before.receipt);
    for (std::int64_t n = 1; n <= kMostAttempts; ++n) {
        if (n * r.amount >= due) {
            v.times = static_cast<int>(n);
            return;
        }
    }
    v.why = "the receipt was closed by more than this payment";
}

} // namespace

std::int64_t lineCost(std::int32_t price, std::uint32_t quantity, std::uint8_t decimals,
                      bool unitQuantity) {
    if (unitQuantity) {
        return price;
    }
    std::int64_t scale = 1;
    for (int k = 0; k < decimals; ++k) {
        scale *= 10;
    }
    // Half a kopeck and more rounds away from zero.
    const std::int64_t product = static_cast<std::int64_t>(price) * quantity;
    const std::int64_t magnitude = (std::llabs(product) + scale / 2) / scale;
    return product < 0 ? -magnitude : magnitude;
}

FiscalVerdict judge(const FiscalRequest& request, const FiscalState& before,
                    const FiscalState& after) {
    FiscalVerdict v;
    v.command = request.command;
    v.request = request;
    judge(v, before, after);
    return v;
}

void judge(FiscalVerdict& v, const FiscalState& before, const FiscalState& after) {
    const FiscalRequest& request = v.request;
    v.command = request.command;
    v.times.reset();
    v.why.clear();
    v.receiptClosed = false;
    v.receiptOpen = false;
    v.cancellations = 0;
    v.cancelPrice = 0;
    v.cashCorrection = 0;
    switch (request.command) {
    case FiscalCommand::SaleLine:
    case FiscalCommand::PayoutLine: {
        const std::size_t g = request.group;
        if (g >= before.receipt.byGroup.size()) {
            v.times = 0; // no such group: the driver sends nothing
            break;
        }
        v.times =
            stepsOf(static_cast<std::int64_t>(after.receipt.byGroup[g]) - before.receipt.byGroup[g],
                    request.lineCost, v.why, "the line's cost");
        if (v.times && *v.times > 1) {
            v.cancellations = *v.times - 1;
            v.cancelPrice = -request.price;
        }
        break;
    }
    case FiscalCommand::Payment:
        judgePayment(v, before, after);
        break;
    case FiscalCommand::CashIn:
    case FiscalCommand::CashOut: {
        const bool in = request.command == FiscalCommand::CashIn;
        const std::int64_t delta =
            in ? after.moneyInBox - before.moneyInBox : before.moneyInBox - after.moneyInBox;
        v.times = stepsOf(delta, request.amount, v.why, "the amount");
        if (v.times && *v.times > 1) {
            const std::int64_t extra = static_cast<std::int64_t>(*v.times - 1) * request.amount;
            v.cashCorrection = in ? extra : -extra;
        }
        break;
    }
    case FiscalCommand::ZeroReceipt:
        v.times =
            countOf(static_cast<std::int64_t>(after.saleReceiptNumber) - before.saleReceiptNumber,
                    v.why, "the sale receipt number");
        v.receiptOpen = after.receiptOpen;
        break;
    case FiscalCommand::Annulment:
        v.times =
            countOf(static_cast<std::int64_t>(after.annulledReceipts) - before.annulledReceipts,
                    v.why, "the count of annulled receipts");
        v.receiptOpen = after.receiptOpen;
        break;
    case FiscalCommand::ZReport:
        v.times = countOf(static_cast<std::int64_t>(after.nextZNumber) - before.nextZNumber, v.why,
                          "the Z report number");
        break;
    }
}

std::string describe(const FiscalVerdict& v) {
    if (v.times == 1 && v.answered) {
        return {};
    }
    const std::string name = nameOf(v.command);
    std::string out;
    if (!v.times) {
        out = name +
              (v.answered ? ": carried out, how many times is not known ("
                          : ": whether it was carried out is not known (") +
              v.why + "); check the register before repeating it\n";
        return out;
    }
    const int n = *v.times;
    if (n == 0) {
        out = name + (v.sent ? ": not carried out; it can be sent again\n"
                             : ": not sent, for the register's state could not be read before "
                               "it; it can be sent again\n");
        if (v.receiptOpen && v.command == FiscalCommand::ZeroReceipt) {
            out += "a receipt is open: annul it before printing the zero receipt again\n";
        }
        return out;
    }
    out = name + ": carried out " + (n == 1 ? std::string("once") : std::to_string(n) + " times");
    out += v.answered ? "\n" : ", though its answer was lost; do not send it again\n";
    const FiscalRequest& r = v.request;
    switch (v.command) {
    case FiscalCommand::SaleLine:
    case FiscalCommand::PayoutLine:
        if (v.cancellations > 0) {
            out += "settle: " + std::to_string(v.cancellations) + " cancellation" +
                   (v.cancellations > 1 ? "s" : "") + ": the same line at price " +
                   money(v.cancelPrice) + (v.cancellations > 1 ? ", each\n" : "\n");
        }
        break;
    case FiscalCommand::Payment:
        if (v.receiptClosed) {
            out += "the receipt is closed\n";
        } else if (n > 1) {
            out += "the receipt holds " + std::to_string(n) + " payments of " + money(r.amount) +
                   " in " + formName(r.form) + "; annul the receipt if that is not wanted\n";
        }
        break;
    case FiscalCommand::CashIn:
    case FiscalCommand::CashOut:
        if (v.cashCorrection > 0) {
            out += "settle: a service withdrawal of " + money(v.cashCorrection) + "\n";
        } else if (v.cashCorrection < 0) {
            out += "settle: a service deposit of " + money(-v.cashCorrection) + "\n";
        }
        break;
    case FiscalCommand::ZeroReceipt:
    case FiscalCommand::ZReport:
        if (n > 1) {
            out += "the later ones carry no sums; nothing to settle\n";
        }
        break;
    case FiscalCommand::Annulment:
        break;
    }
    return out;
}

namespace detail {

std::int64_t sumOf(const ReceiptSums& s) {
    std::int64_t total = 0;
    for (const auto v : s.byGroup) {
        total += v;
    }
    return total;
}

std::int64_t paidOf(const ReceiptSums& s) {
    std::int64_t paid = 0;
    for (const auto v : s.byForm) {
        paid += v;
    }
    return paid;
}

FiscalVerdict reported(const FiscalRequest& request, std::int16_t result) {
    FiscalVerdict v;
    v.command = request.command;
    v.request = request;
    v.answered = succeeded(result);
    if (!v.answered) {
        v.error = lastError();
        // No status from the register: the link failed, not the command.
        v.inDoubt = v.error.result == 0 && v.error.status == 0;
    }
    return v;
}

FiscalVerdict notSent(const FiscalRequest& request) {
    FiscalVerdict v = reported(request, 0);
    v.inDoubt = false;
    v.sent = false;
    v.times = 0;
    v.why = kUnreadable;
    return v;
}

bool judgeLineReply(FiscalVerdict& v, const FiscalState& before, std::int64_t cost,
                    std::int64_t total) {
    v.request.lineCost = cost; // the register's own reckoning
    const std::int64_t totalBefore =
        before.receiptTotal ? *before.receiptTotal : sumOf(before.receipt);
    if (total != totalBefore + cost) {
        return false;
    }
    v.times = 1;
    return true;
}

bool judgePaymentReply(FiscalVerdict& v, const FiscalState& before, std::uint32_t left,
                       bool change) {
    const FiscalRequest& r = v.request;
    const bool totalKnown = before.receiptTotal && r.form < before.receipt.byForm.size();
    if (change) {
        // The attempt that answered closed the receipt; any before it paid a part.
        v.receiptClosed = true;
        v.times = 1;
        if (r.closes || !totalKnown) {
            return true; // with tax on top of the prices the total is not known: taken as once
        }
    } else if (!totalKnown) {
        return false;
    }
    // What the attempts paid, from what was due and what is left (or given back).
    const std::int64_t due = *before.receiptTotal - paidOf(before.receipt);
    const std::int64_t paid = change ? due + left : due - left;
    v.times = stepsOf(paid, r.amount, v.why, "the payment");
    if (v.times == 0) {
        v.times.reset();
        v.why = "the reply shows nothing paid";
    }
    return true;
}

} // namespace detail

} // namespace kashost
