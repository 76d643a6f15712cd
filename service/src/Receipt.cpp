#include "Receipt.h"

#include "ReceiptRequest.h"
#include "Text.h"

#include <kashost/Host.h>
#include <kashost/Register.h>

#include <kasdrv.h>

#include <algorithm>
#include <optional>

namespace kasd {

namespace {

using nlohmann::json;

enum class Undo { NothingOpen, Annulled, Failed };

} // namespace

json stepOf(const kashost::FiscalVerdict& v, const char* step, std::size_t index) {
    json s;
    s["step"] = step;
    if (index != static_cast<std::size_t>(-1)) {
        s["index"] = index;
    }
    if (!v.sent) {
        s["outcome"] = "not sent";
    } else if (v.answered && (!v.times || *v.times == 1)) {
        s["outcome"] = "done";
    } else if (!v.answered && v.times && *v.times == 0 && !v.inDoubt) {
        s["outcome"] = "refused";
    } else if (v.times) {
        s["outcome"] = *v.times == 1   ? "done"
                       : *v.times == 0 ? "not carried out"
                                       : "carried out more than once";
    } else {
        s["outcome"] = "in doubt";
    }
    s["times"] = v.times ? json(*v.times) : json(nullptr);
    if (!v.answered) {
        s["error"] = driverError(v.error);
        if (!v.why.empty()) {
            s["why"] = v.why;
        }
    }
    return s;
}

bool carriedOutOnce(const kashost::FiscalVerdict& v) {
    return v.times ? *v.times == 1 : v.answered;
}

namespace {

// Annuls the receipt when one is open.
Undo annulIfOpen(kashost::FiscalSession& session, json& steps) {
    const auto status = kashost::readStatus();
    if (!status) {
        return Undo::Failed;
    }
    if (!status->receiptOpen) {
        return Undo::NothingOpen;
    }
    const auto v = session.annul();
    steps.push_back(stepOf(v, "annulment", static_cast<std::size_t>(-1)));
    return carriedOutOnce(v) && !v.receiptOpen ? Undo::Annulled : Undo::Failed;
}

JobOutcome refusedBeforeSending(int status, const std::string& title, const std::string& detail) {
    Problem p = problem(status, title, detail);
    p.extra["outcome"] = "not printed";
    p.extra["steps"] = json::array();
    return problemOutcome(p, "refused", "not printed");
}

// What the reconciliation compares: the number of the last receipt of the
// kind and the count of annulled receipts.
std::optional<json> receiptCounters(bool payout) {
    const auto number =
        payout ? kashost::readPayoutReceiptNumber() : kashost::readSaleReceiptNumber();
    const auto annulled = kashost::readAnnulments();
    if (!number || !annulled) {
        return std::nullopt;
    }
    return json{{"receipt", *number}, {"annulled", annulled->saleCount + annulled->payoutCount}};
}

} // namespace

json driverError(const kashost::DriverError& error) {
    std::string text = driverErrorText(error.text);
    if (text.empty()) {
        text = "the register refused the command (no text for its status and result bytes)";
    }
    return json{{"error", text},
                {"status byte", error.status},
                {"result byte", error.result},
                {"extended status byte", error.extStatus}};
}

JobOutcome runReceipt(const json& args, JobContext& worker) {
    const auto decoded = decodeReceipt(args.dump());
    if (const auto* p = std::get_if<Problem>(&decoded)) {
        return problemOutcome(*p, "refused", "not printed");
    }
    const ReceiptPlan& plan = std::get<ReceiptPlan>(decoded);
    worker.sending();
    if (!worker.openPort()) {
        return refusedBeforeSending(503, "Register offline",
                                    "the port of the register cannot be opened");
    }
    // A receipt printed just before this one left the register closed and its
    // counters known; otherwise they are read.
    const char* kind = plan.payout ? "payout" : "sale";
    std::optional<json> counters;
    if (const json& known = worker.known();
        known.is_object() && known.value("closed", std::string()) == kind) {
        counters = known.at("counters");
    } else {
        const auto status = kashost::readStatus();
        worker.setOnline(status.has_value());
        if (!status) {
            return refusedBeforeSending(503, "Register offline",
                                        driverErrorText(kashost::lastError().text));
        }
        if (status->receiptOpen) {
            return refusedBeforeSending(409, "A receipt is already open",
                                        "a receipt is open on the register; it was left as it is");
        }
        counters = receiptCounters(plan.payout);
        if (!counters) {
            worker.setOnline(false);
            return refusedBeforeSending(503, "Register offline",
                                        driverErrorText(kashost::lastError().text));
        }
    }
    worker.before(*counters);

    JobOutcome o;
    kashost::FiscalSession session;
    session.knownClosed();
    bool anyCarriedOut = false;
    std::int64_t total = plan.total;
    std::int64_t change = 0;
    bool closed = false;
    std::int64_t paid = 0;
    bool lastAnswered = true;

    // A step that was not carried out exactly once: the receipt is annulled.
    auto fail = [&](const kashost::FiscalVerdict& v, const char* serviceDetail = nullptr) {
        Undo undo = Undo::NothingOpen;
        if (anyCarriedOut || !v.times || *v.times != 0) {
            undo = annulIfOpen(session, o.steps);
        }
        const bool refused = v.sent && !v.answered && !v.inDoubt && v.times && *v.times == 0;
        const bool paymentEnded = v.request.command == kashost::FiscalCommand::Payment &&
                                  undo == Undo::NothingOpen && anyCarriedOut;
        Problem p;
        if (undo == Undo::Failed || paymentEnded) {
            o.outcome = "in doubt";
            o.state = "in doubt";
            p.status = 502;
            p.title = "The receipt's outcome is in doubt";
            p.detail = "check the register before printing this sale again";
        } else {
            o.outcome = undo == Undo::Annulled ? "annulled" : "not printed";
            o.state = "refused";
            p.status = refused ? 422 : 503;
            p.title = refused      ? "The register refused the receipt"
                      : v.answered ? "A step was carried out more than once"
                                   : "The register did not answer";
            p.detail = driverErrorText(v.error.text);
        }
        p.extra["outcome"] = o.outcome;
        if (serviceDetail != nullptr) {
            p.title = "The payments did not close the receipt";
            p.detail = serviceDetail;
        } else {
            p.extra["registerError"] = driverError(v.error);
        }
        p.extra["steps"] = o.steps;
        o.status = p.status;
        o.problem = true;
        o.body = p.body();
        worker.setOnline(v.answered || v.times.has_value() || refused);
        return o;
    };

    // The receipt's total as the register last told it; with an adjustment
    // only the register knows it.
    std::optional<std::int64_t> registerTotal;
    // A print beside the lines (adjustment, comment, bar code): a failure annuls
    // the receipt. `fields` join the step.
    auto extra = [&](const char* name, std::size_t index, bool ok,
                     json fields) -> std::optional<JobOutcome> {
        kashost::FiscalVerdict v;
        v.answered = ok;
        if (ok) {
            v.times = 1;
        } else {
            v.error = kashost::lastError();
            v.inDoubt = v.error.result == 0 && v.error.status == 0;
            if (!v.inDoubt) {
                v.times = 0;
            }
        }
        json step = stepOf(v, name, index);
        step.update(fields);
        o.steps.push_back(std::move(step));
        session.forget(); // the receipt's sums are read again before the next line
        if (!ok) {
            registerTotal.reset();
            return fail(v);
        }
        return std::nullopt;
    };
    auto adjust = [&](const PlannedAdjustment& a, bool subtotal,
                      std::size_t index) -> std::optional<JobOutcome> {
        const std::uint8_t type =
            static_cast<std::uint8_t>((subtotal ? 2 : 0) + (a.percent ? 0 : 1));
        std::int64_t value = 0;
        std::int64_t receiptTotal = 0;
        const bool ok = kashost::succeeded(
            FPDiscount(&value, &receiptTotal, type, a.percent ? a.value : 0,
                       a.percent ? 0 : a.value, a.discount ? -1 : 0, a.text.c_str()));
        if (ok) {
            registerTotal = receiptTotal;
            total = receiptTotal;
        }
        return extra(a.discount ? "discount" : "surcharge", index, ok,
                     ok ? json{{"value", value}, {"total", receiptTotal}} : json::object());
    };

    for (std::size_t i = 0; i < plan.lines.size(); ++i) {
        kashost::FiscalSession::LineReply reply;
        const auto v = plan.payout ? session.payout(plan.lines[i], &reply)
                                   : session.sale(plan.lines[i], &reply);
        json step = stepOf(v, "line", i);
        // The receipt's total as the register gave it after the last line, or
        // as reckoned here when that line's answer was lost.
        total = v.answered ? reply.total : plan.total;
        registerTotal = v.answered ? std::optional(reply.total) : std::nullopt;
        if (v.answered) {
            step["cost"] = reply.cost;
        }
        o.steps.push_back(std::move(step));
        if (v.times && *v.times > 1 && v.cancellations > 0) {
            // Carried out more than once: the extra lines are cancelled.
            kashost::SaleLine cancel = plan.lines[i];
            cancel.price = v.cancelPrice;
            for (int c = 0; c < v.cancellations; ++c) {
                const auto cv =
                    plan.payout ? session.payout(cancel, &reply) : session.sale(cancel, &reply);
                json cs = stepOf(cv, "cancellation", i);
                total = cv.answered ? reply.total : plan.total;
                registerTotal = cv.answered ? std::optional(reply.total) : std::nullopt;
                o.steps.push_back(std::move(cs));
                if (!carriedOutOnce(cv)) {
                    anyCarriedOut = true;
                    return fail(cv);
                }
            }
        } else if (!carriedOutOnce(v)) {
            return fail(v);
        }
        anyCarriedOut = true;
        if (plan.lineAdjustments[i]) {
            if (auto failed = adjust(*plan.lineAdjustments[i], false, i)) {
                return *failed;
            }
        }
    }
    if (plan.subtotalAdjustment) {
        if (auto failed = adjust(*plan.subtotalAdjustment, true, static_cast<std::size_t>(-1))) {
            return *failed;
        }
    }
    for (std::size_t i = 0; i < plan.comments.size(); ++i) {
        if (auto failed =
                extra("comment", i, kashost::succeeded(FPComment(plan.comments[i].c_str(), 0)),
                      json::object())) {
            return *failed;
        }
    }
    for (std::size_t i = 0; i < plan.barcodes.size(); ++i) {
        if (auto failed =
                extra("barcode", i, kashost::succeeded(FPSetBarCode(plan.barcodes[i].c_str())),
                      json::object())) {
            return *failed;
        }
    }
    if (plan.adjusted()) {
        // The payments are checked against the total the register tells.
        kashost::FiscalVerdict v;
        v.request.command = kashost::FiscalCommand::Payment;
        v.answered = false;
        v.times = 0;
        if (!registerTotal) {
            return fail(v, "the register's total after a lost answer is not known");
        }
        if (const auto p = checkPayments(plan.payments, *registerTotal)) {
            return fail(v, p->detail.c_str());
        }
        total = *registerTotal;
    }
    for (std::size_t i = 0; i < plan.payments.size(); ++i) {
        kashost::FiscalSession::PaymentReply reply;
        const auto& pay = plan.payments[i];
        const auto v = session.payment(pay.form, pay.amount, false, plan.copy, &reply);
        json step = stepOf(v, "payment", i);
        if (v.answered) {
            step[reply.change ? "change" : "left"] = reply.left;
        }
        o.steps.push_back(std::move(step));
        if (!carriedOutOnce(v)) {
            return fail(v);
        }
        paid += pay.amount;
        lastAnswered = v.answered;
        if (v.answered && reply.change) {
            change = reply.left;
        }
        closed = v.receiptClosed || (v.answered && (reply.change || reply.left == 0));
    }
    if (!closed) {
        // The register reckons the total otherwise than the plan did.
        kashost::FiscalVerdict v;
        v.request.command = kashost::FiscalCommand::Payment;
        v.answered = false;
        v.times = 0;
        return fail(v, "the register's total exceeds what the payments cover");
    }
    if (!lastAnswered) {
        // The closing payment's answer was lost: the change is what cash paid beyond the total.
        change = std::max<std::int64_t>(0, paid - total);
    }

    o.outcome = "printed";
    o.state = "done";
    o.status = 200;
    json body;
    body["outcome"] = o.outcome;
    // Receipts are numbered in turn: this one follows the last before it.
    const int number = counters->at("receipt").get<int>() + 1;
    body["receiptNumber"] = static_cast<std::uint16_t>(number);
    body["total"] = total;
    body["change"] = change;
    body["steps"] = o.steps;
    o.body = std::move(body);
    worker.setOnline(true);
    if (number <= 0xFFFF) { // where the register's counter turns over, it is read again
        json after = *counters;
        after["receipt"] = number;
        worker.leave(json{{"closed", kind}, {"counters", std::move(after)}});
    }
    return o;
}

JobOutcome reconcileReceipt(const json& args, const json& before, JobContext& ctx) {
    const auto decoded = decodeReceipt(args.dump());
    const auto* plan = std::get_if<ReceiptPlan>(&decoded);
    auto ended = [&](int status, const std::string& outcome, const std::string& detail,
                     json steps) {
        Problem p = problem(status, "The service stopped while the receipt was sent", detail);
        p.extra["outcome"] = outcome;
        p.extra["reconciled"] = true;
        p.extra["steps"] = steps;
        JobOutcome o = problemOutcome(p, outcome == "in doubt" ? "in doubt" : "refused", outcome);
        o.steps = std::move(steps);
        return o;
    };
    if (before.is_null() || plan == nullptr) {
        return ended(503, "not printed", "it stopped before the receipt's first line was sent",
                     json::array());
    }
    const auto status = ctx.openPort() ? kashost::readStatus() : std::nullopt;
    ctx.setOnline(status.has_value());
    if (!status) {
        return ended(502, "in doubt",
                     "the register cannot be read; check it before printing this sale again",
                     json::array());
    }
    json steps = json::array();
    if (status->receiptOpen) {
        kashost::FiscalSession session;
        return annulIfOpen(session, steps) == Undo::Annulled
                   ? ended(503, "annulled", "the receipt left open was annulled", steps)
                   : ended(502, "in doubt",
                           "the receipt left open could not be annulled; check the register",
                           steps);
    }
    const auto now = receiptCounters(plan->payout);
    if (!now) {
        return ended(502, "in doubt", "the register's counters cannot be read", steps);
    }
    if (now->at("receipt") != before.value("receipt", json())) {
        JobOutcome o;
        o.outcome = "printed";
        // The total as the lines reckon it; with an adjustment only the tape tells.
        o.body = {{"outcome", "printed"},
                  {"receiptNumber", now->at("receipt")},
                  {"total", plan->adjusted() ? json(nullptr) : json(plan->total)},
                  {"change", nullptr},
                  {"reconciled", true},
                  {"steps", steps}};
        return o;
    }
    if (now->at("annulled") != before.value("annulled", json())) {
        return ended(503, "annulled", "the receipt was annulled before the service stopped", steps);
    }
    return ended(503, "not printed", "the register shows no receipt of it", steps);
}

} // namespace kasd
