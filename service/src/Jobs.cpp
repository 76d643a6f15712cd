#include "Jobs.h"

#include "ProgrammingJobs.h"
#include "Receipt.h"
#include "ReceiptRequest.h"
#include "RegisterJobs.h"

#include <regex>

namespace kasd {

namespace {

using nlohmann::json;

// No body, or an empty object: anything else is refused, not ignored.
std::variant<json, Problem> noArguments(const JobInput& in) {
    if (in.body.empty()) {
        return json::object();
    }
    const json j = json::parse(in.body, nullptr, false);
    if (j.is_discarded() || !j.is_object() || !j.empty()) {
        return badRequest("/", "expected no body or {}");
    }
    return json::object();
}

std::variant<json, Problem> receiptArguments(const JobInput& in) {
    auto decoded = decodeReceipt(in.body);
    if (const auto* p = std::get_if<Problem>(&decoded)) {
        return *p;
    }
    return json::parse(in.body);
}

} // namespace

const std::vector<Job>& jobs() {
    static const std::vector<Job> table = {
        {"status", "GET", "status", false, noArguments, readRegisterStatus, nullptr},
        {"receipt", "POST", "receipts", true, receiptArguments, runReceipt, reconcileReceipt},
        {"cash-in", "POST", "cash-in", true, cashArguments, runCashIn, reconcileCashIn},
        {"cash-out", "POST", "cash-out", true, cashArguments, runCashOut, reconcileCashOut},
        {"zero-receipt", "POST", "zero-receipt", true, noArguments, runZeroReceipt,
         reconcileZeroReceipt},
        {"x-report", "POST", "x-report", true, reportArguments, runXReport, reconcileXReport},
        {"z-report", "POST", "z-report", true, reportArguments, runZReport, reconcileZReport},
        {"day-report", "GET", "day-report", false, noArguments, readDayReportJob, nullptr},
        {"article", "GET", "articles/([0-9]{1,15})", false, articleArguments, readArticleJob,
         nullptr},
        {"programming", "GET", "programming", false, readProgrammingArguments, readProgrammingJob,
         nullptr},
        {"apply-programming", "PUT", "programming", true, applyProgrammingArguments,
         applyProgrammingJob, reconcileProgramming},
    };
    return table;
}

const Job* findJob(std::string_view name) {
    for (const Job& j : jobs()) {
        if (j.name == name) {
            return &j;
        }
    }
    return nullptr;
}

const Job* jobOfRequest(std::string_view method) {
    static const std::regex request(R"(([A-Z]+) /v1/registers/[0-9]+/(.+))");
    std::match_results<std::string_view::const_iterator> m;
    if (!std::regex_match(method.begin(), method.end(), m, request)) {
        return nullptr;
    }
    for (const Job& j : jobs()) {
        if (m[1].str() == j.method &&
            std::regex_match(m[2].str(), std::regex(std::string(j.path)))) {
            return &j;
        }
    }
    return nullptr;
}

JobOutcome problemOutcome(const Problem& p, std::string state, std::string outcome) {
    JobOutcome o;
    o.status = p.status;
    o.state = std::move(state);
    o.outcome = std::move(outcome);
    o.body = p.body();
    o.problem = true;
    return o;
}

JobOutcome answered(json body) {
    JobOutcome o;
    o.outcome = "done";
    o.body = std::move(body);
    return o;
}

} // namespace kasd
