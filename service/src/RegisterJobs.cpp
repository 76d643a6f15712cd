#include "RegisterJobs.h"

#include "Receipt.h"
#include "Text.h"

#include <kashost/Host.h>
#include <kashost/Register.h>

#include <kasdrv.h>

#include <cstdio>
#include <optional>

namespace kasd {

namespace {

using kashost::FiscalCommand;
using nlohmann::json;

json optionalText(const std::optional<std::string>& cp1251) {
    return cp1251 ? json(fromDriverText(*cp1251)) : json(nullptr);
}

// The body as an object with only the members named; an empty body is {}.
std::variant<json, Problem> bodyObject(const JobInput& in,
                                       std::initializer_list<const char*> members) {
    if (in.body.empty()) {
        return json::object();
    }
    json j = json::parse(in.body, nullptr, false);
    if (j.is_discarded() || !j.is_object()) {
        return badRequest("", "the body must be a JSON object");
    }
    for (const auto& [name, value] : j.items()) {
        bool known = false;
        for (const char* m : members) {
            known = known || name == m;
        }
        if (!known) {
            return badRequest("/" + name, "unknown member '" + name + "'");
        }
    }
    return j;
}

std::variant<json, Problem> integerMember(const JobInput& in, const char* name, std::int64_t low,
                                          std::int64_t high, std::optional<std::int64_t> fallback) {
    auto decoded = bodyObject(in, {name});
    if (std::holds_alternative<Problem>(decoded)) {
        return decoded;
    }
    json j = std::get<json>(decoded);
    const std::string field = std::string("/") + name;
    const std::string range = std::to_string(low) + " to " + std::to_string(high);
    if (!j.contains(name)) {
        if (!fallback) {
            return badRequest(field, "required, an integer from " + range);
        }
        j[name] = *fallback;
    }
    const json& v = j[name];
    if (!v.is_number_integer() || v.get<std::int64_t>() < low || v.get<std::int64_t>() > high) {
        return badRequest(field, "expected an integer from " + range);
    }
    return j;
}

// The states a single fiscal command is reconciled against.
std::optional<json> fiscalCounts() {
    const auto money = kashost::readMoneyInBox();
    const auto sale = kashost::readSaleReceiptNumber();
    const auto z = kashost::readLastZReport();
    if (!money || !sale || !z) {
        return std::nullopt;
    }
    return json{{"money", *money}, {"saleReceipt", *sale}, {"zNumber", z->number}};
}

kashost::FiscalState stateOf(const json& counts) {
    kashost::FiscalState s;
    s.moneyInBox = counts.value("money", std::int64_t{0});
    s.saleReceiptNumber = counts.value("saleReceipt", std::uint16_t{0});
    s.nextZNumber = counts.value("zNumber", std::uint16_t{0});
    return s;
}

// The outcome of one fiscal command from its verdict.
JobOutcome outcomeOf(const kashost::FiscalVerdict& v, const char* step,
                     json done = json::object()) {
    const json s = stepOf(v, step, static_cast<std::size_t>(-1));
    if (carriedOutOnce(v)) {
        done["outcome"] = "done";
        done["steps"] = json::array({s});
        JobOutcome o = answered(std::move(done));
        o.steps = json::array({s});
        return o;
    }
    const bool refused = v.sent && !v.answered && !v.inDoubt && v.times && *v.times == 0;
    Problem p;
    std::string state = "refused";
    std::string outcome = "not done";
    if (refused) {
        p = problem(422, "The register refused the command", driverErrorText(v.error.text));
    } else if (v.times && *v.times == 0) {
        p = problem(503, "The register did not carry the command out",
                    driverErrorText(v.error.text));
    } else {
        state = "in doubt";
        outcome = v.times ? "carried out more than once" : "in doubt";
        p = problem(502,
                    v.times ? "The command was carried out more than once"
                            : "The command's outcome is in doubt",
                    kashost::describe(v));
    }
    if (!v.answered) {
        p.extra["registerError"] = driverError(v.error);
    }
    p.extra["outcome"] = outcome;
    p.extra["steps"] = json::array({s});
    JobOutcome o = problemOutcome(p, state, outcome);
    o.steps = json::array({s});
    return o;
}

// A fiscal command with the counts journalled before it.
template <class Call> JobOutcome runFiscal(JobContext& ctx, const char* step, Call call) {
    ctx.sending();
    const auto counts = ctx.openPort() ? fiscalCounts() : std::nullopt;
    if (!counts) {
        return offline(ctx);
    }
    ctx.setOnline(true);
    ctx.before(*counts);
    kashost::FiscalSession session;
    const kashost::FiscalVerdict v = call(session);
    ctx.setOnline(v.answered || v.times.has_value());
    return outcomeOf(v, step);
}

JobOutcome reconcileWith(const json& before, JobContext& ctx, kashost::FiscalRequest request,
                         const char* step) {
    kashost::FiscalVerdict v;
    v.request = request;
    v.answered = false;
    v.inDoubt = true;
    if (before.is_null()) {
        v.sent = false;
        v.times = 0;
        return outcomeOf(v, step);
    }
    const auto now = ctx.openPort() ? fiscalCounts() : std::nullopt;
    ctx.setOnline(now.has_value());
    if (now) {
        kashost::judge(v, stateOf(before), stateOf(*now));
    } else {
        v.why = "the register cannot be read";
    }
    JobOutcome o = outcomeOf(v, step);
    o.body["reconciled"] = true;
    return o;
}

} // namespace

JobOutcome offline(JobContext& ctx) {
    ctx.setOnline(false);
    Problem p = problem(503, "Register offline", driverErrorText(kashost::lastError().text));
    if (p.detail.empty()) {
        p.detail = "the port of the register cannot be opened";
    }
    p.extra["outcome"] = "not done";
    return problemOutcome(p, "refused", "not done");
}

std::variant<json, Problem> cashArguments(const JobInput& in) {
    return integerMember(in, "amount", 1, 0xFFFFFFFFLL, std::nullopt);
}

std::variant<json, Problem> reportArguments(const JobInput& in) {
    return integerMember(in, "password", 0, 65535, 0);
}

std::variant<json, Problem> articleArguments(const JobInput& in) {
    const std::int64_t code = std::stoll(in.path.at(0));
    if (code < 1 || code > (std::int64_t{1} << 48) - 1) {
        Problem p = badRequest("", "article codes run from 1 to 281474976710655");
        p.status = 404;
        p.title = "Unknown article";
        return p;
    }
    return json{{"code", code}};
}

JobOutcome runCashIn(const json& args, JobContext& ctx) {
    const auto amount = args.at("amount").get<std::uint32_t>();
    return runFiscal(ctx, "cash in", [&](kashost::FiscalSession& s) { return s.cashIn(amount); });
}

JobOutcome runCashOut(const json& args, JobContext& ctx) {
    const auto amount = args.at("amount").get<std::uint32_t>();
    return runFiscal(ctx, "cash out", [&](kashost::FiscalSession& s) { return s.cashOut(amount); });
}

JobOutcome runZeroReceipt(const json&, JobContext& ctx) {
    return runFiscal(ctx, "zero receipt",
                     [](kashost::FiscalSession& s) { return s.zeroReceipt(); });
}

JobOutcome runZReport(const json& args, JobContext& ctx) {
    const auto password = args.at("password").get<std::uint16_t>();
    return runFiscal(ctx, "Z report",
                     [&](kashost::FiscalSession& s) { return s.zReport(password); });
}

JobOutcome runXReport(const json& args, JobContext& ctx) {
    const auto password = args.at("password").get<std::uint16_t>();
    ctx.sending();
    if (!ctx.openPort()) {
        return offline(ctx);
    }
    ctx.before(json::object());
    const bool printed = FPDayReport(password) != 0;
    kashost::FiscalVerdict v;
    v.command = FiscalCommand::ZReport;
    v.answered = printed;
    v.error = kashost::lastError();
    v.inDoubt = !printed && v.error.status == 0 && v.error.result == 0;
    v.times = printed ? std::optional<int>(1) : v.inDoubt ? std::nullopt : std::optional<int>(0);
    if (v.inDoubt) {
        v.why = "an X report leaves no count behind: the tape tells whether it was printed";
    }
    ctx.setOnline(printed || !v.inDoubt);
    return outcomeOf(v, "X report");
}

JobOutcome reconcileCashIn(const json& args, const json& before, JobContext& ctx) {
    kashost::FiscalRequest r;
    r.command = FiscalCommand::CashIn;
    r.amount = args.at("amount").get<std::uint32_t>();
    return reconcileWith(before, ctx, r, "cash in");
}

JobOutcome reconcileCashOut(const json& args, const json& before, JobContext& ctx) {
    kashost::FiscalRequest r;
    r.command = FiscalCommand::CashOut;
    r.amount = args.at("amount").get<std::uint32_t>();
    return reconcileWith(before, ctx, r, "cash out");
}

JobOutcome reconcileZeroReceipt(const json&, const json& before, JobContext& ctx) {
    kashost::FiscalRequest r;
    r.command = FiscalCommand::ZeroReceipt;
    return reconcileWith(before, ctx, r, "zero receipt");
}

JobOutcome reconcileZReport(const json&, const json& before, JobContext& ctx) {
    kashost::FiscalRequest r;
    r.command = FiscalCommand::ZReport;
    return reconcileWith(before, ctx, r, "Z report");
}

JobOutcome reconcileXReport(const json&, const json& before, JobContext&) {
    kashost::FiscalVerdict v;
    v.command = FiscalCommand::ZReport;
    v.answered = false;
    v.inDoubt = !before.is_null();
    v.sent = !before.is_null();
    if (before.is_null()) {
        v.times = 0;
    } else {
        v.why = "an X report leaves no count behind: the tape tells whether it was printed";
    }
    JobOutcome o = outcomeOf(v, "X report");
    o.body["reconciled"] = true;
    return o;
}

JobOutcome readDayReportJob(const json&, JobContext& ctx) {
    if (!ctx.openPort()) {
        return offline(ctx);
    }
    const auto d = kashost::readDayReport();
    ctx.setOnline(d.has_value());
    if (!d) {
        return offline(ctx);
    }
    auto byGroup = [](const auto& sums) {
        json j = json::object();
        for (std::size_t i = 0; i < sums.size(); ++i) {
            j[std::string(kashost::reg::kTaxGroupLetters[i])] = sums[i];
        }
        return j;
    };
    auto byForm = [](const auto& sums) {
        json j = json::object();
        for (std::size_t i = 0; i < sums.size(); ++i) {
            j[std::string(kashost::reg::kPaymentForms[i])] = sums[i];
        }
        return j;
    };
    return answered({{"register", ctx.port()},
                     {"sale",
                      {{"receipts", d->saleReceipts},
                       {"byGroup", byGroup(d->saleByGroup)},
                       {"byForm", byForm(d->saleByForm)},
                       {"markups", d->saleMarkups},
                       {"discounts", d->saleDiscounts}}},
                     {"payout",
                      {{"receipts", d->payoutReceipts},
                       {"byGroup", byGroup(d->payoutByGroup)},
                       {"byForm", byForm(d->payoutByForm)},
                       {"markups", d->payoutMarkups},
                       {"discounts", d->payoutDiscounts}}},
                     {"cashIn", d->serviceDeposits},
                     {"cashOut", d->serviceWithdrawals}});
}

JobOutcome readArticleJob(const json& args, JobContext& ctx) {
    if (!ctx.openPort()) {
        return offline(ctx);
    }
    const std::int64_t code = args.at("code").get<std::int64_t>();
    const auto a = kashost::readArticle(code);
    if (!a) {
        const auto error = kashost::lastError();
        if (error.status != 0 || error.result != 0) {
            ctx.setOnline(true);
            Problem p = problem(404, "Unknown article", driverErrorText(error.text));
            p.extra["registerError"] = driverError(error);
            return problemOutcome(p, "refused", "not done");
        }
        return offline(ctx);
    }
    ctx.setOnline(true);
    return answered(
        {{"code", code},
         {"name", fromDriverText(a->name)},
         {"price", a->price},
         {"taxGroup", a->taxGroup ? json(std::string(kashost::reg::kTaxGroupLetters[*a->taxGroup]))
                                  : json(nullptr)},
         {"sold",
          {{"quantity", a->saleQuantity}, {"decimals", a->saleDecimals}, {"sum", a->saleSum}}},
         {"returned",
          {{"quantity", a->returnQuantity},
           {"decimals", a->returnDecimals},
           {"sum", a->returnSum}}}});
}

namespace {

// Days since 1899-12-30 (the driver's dates) as YYYY-MM-DD.
std::string civilDate(double value) {
    auto z = static_cast<long long>(value) - 25569 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long d = doy - (153 * mp + 2) / 5 + 1;
    const long long m = mp < 10 ? mp + 3 : mp - 9;
    const long long y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld", y, m, d);
    return text;
}

// A fraction of a day as HH:MM:SS.
std::string clockTime(double fraction) {
    auto seconds = static_cast<long long>(fraction * 86400.0 + 0.5) % 86400;
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

} // namespace

JobOutcome readRegisterStatus(const json&, JobContext& worker) {
    if (!worker.openPort()) {
        return offline(worker);
    }
    const auto s = kashost::readStatus();
    worker.setOnline(s.has_value());
    if (!s) {
        return offline(worker);
    }
    const auto* facts = kashost::reg::factsOf(kashost::modelOf(*s));
    worker.setModel(facts != nullptr ? std::string(facts->name) : std::string(),
                    fromDriverText(s->firmware.value_or("")));
    json status = {{"paymentStarted", s->paymentStarted},
                   {"drawerClosed", s->drawerClosed},
                   {"payoutReceipt", s->payoutReceipt},
                   {"vatAdded", s->vatAdded},
                   {"shiftOpen", s->shiftOpen},
                   {"receiptOpen", s->receiptOpen},
                   {"displaySumsForbidden", s->displaySumsForbidden},
                   {"taxRatesChanged", s->taxRatesChanged},
                   {"serviceReportOpen", s->serviceReportOpen},
                   {"fiscalMode", s->fiscalMode},
                   {"lastCommandAbnormal", s->lastCommandAbnormal},
                   {"onlineMode", s->onlineMode},
                   {"serviceReportOnControlTape", s->serviceReportOnControlTape},
                   {"serialAndDate", optionalText(s->serialAndDate)},
                   {"fiscalNumber", optionalText(s->fiscalNumber)},
                   {"header", json::array({optionalText(s->header[0]), optionalText(s->header[1]),
                                           optionalText(s->header[2])})},
                   {"taxNumber", optionalText(s->taxNumber)},
                   {"firmware", optionalText(s->firmware)}};
    json body = {{"register", worker.port()},
                 {"model", facts != nullptr ? json(std::string(facts->name)) : json(nullptr)},
                 {"status", status}};
    if (const auto paper = kashost::readPaperState()) {
        body["paper"] = {{"undeterminable", paper->undeterminable},
                         {"controlTapeLow", paper->controlTapeLow},
                         {"receiptTapeLow", paper->receiptTapeLow},
                         {"controlTapeOut", paper->controlTapeOut},
                         {"receiptTapeOut", paper->receiptTapeOut}};
    }
    if (const auto date = kashost::readDate()) {
        body["date"] = civilDate(*date);
    }
    if (const auto time = kashost::readTime()) {
        body["time"] = clockTime(*time);
    }
    if (s->receiptOpen) {
        if (const auto sums = kashost::readReceiptSums()) {
            json byForm = json::object();
            for (std::size_t i = 0; i < sums->byForm.size(); ++i) {
                byForm[std::string(kashost::reg::kPaymentForms[i])] = sums->byForm[i];
            }
            body["receipt"] = {{"byGroup", sums->byGroup}, {"byForm", byForm}};
        }
    }
    if (const auto z = kashost::readLastZReport()) {
        body["lastZReport"] = {{"number", z->number}, {"date", civilDate(z->date)}};
    }
    return answered(std::move(body));
}

} // namespace kasd
