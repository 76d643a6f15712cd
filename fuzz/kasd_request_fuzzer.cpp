// Request bodies from a shop program that may send anything, for kasd's side:
// the input is the body of POST /v1/registers/{n}/receipts, and of every other
// request of the job table that takes a body; for a job whose path captures a
// part (an article's code), its first line is that part of the path.
//
// Besides crashes and exceptions, each decoder is held to what kasd relies on
// once a request is taken:
//   - a body it takes is JSON (or empty where {} is meant), and the arguments
//     it hands on, which the journal keeps and the worker reads back, dump as
//     JSON and read back unchanged;
//   - a refusal is a 4xx problem whose body can be sent;
//   - a receipt's plan keeps within the limits the register takes (lines,
//     payments, comments, texts of at most so many characters, in its code
//     page without control characters), its total is the sum of the lines as
//     the register reckons them, and without an adjustment the payments cover
//     it, only cash beyond it, none after it is covered;
//   - the worker, which decodes a receipt's body again as the journal gives
//     it back, makes the same plan of it.
#include "Jobs.h"
#include "ReceiptRequest.h"

#include <kashost/Register.h>
#include <kashost/Verified.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <limits>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace {

using nlohmann::json;

[[noreturn]] void Broken(const std::string& what, std::string_view body) {
    std::fprintf(stderr, "broken promise: %s\nbody: %.*s\n", what.c_str(),
                 static_cast<int>(std::min<std::size_t>(body.size(), 2000)), body.data());
    std::abort();
}

void Expect(bool ok, const char* what, std::string_view body) {
    if (!ok) {
        Broken(what, body);
    }
}

// A text the register prints: 1 (0 when it may be empty) to `most` bytes of
// Windows-1251, none of them a control character.
bool RegisterText(const std::string& cp1251, std::size_t most, bool mayBeEmpty = false) {
    if ((cp1251.empty() && !mayBeEmpty) || cp1251.size() > most) {
        return false;
    }
    for (const char c : cp1251) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            return false;
        }
    }
    return true;
}

bool Adjustment(const kasd::PlannedAdjustment& a) {
    const bool value = a.percent ? a.value >= 1 && a.value <= 100 : a.value >= 1;
    return value && RegisterText(a.text, kasd::kMaxAdjustmentTextCharacters, true);
}

json AdjustmentFacts(const std::optional<kasd::PlannedAdjustment>& a) {
    if (!a) {
        return nullptr;
    }
    return {a->discount, a->percent, a->value, a->text};
}

// Everything a plan says, to compare two plans.
json PlanFacts(const kasd::ReceiptPlan& plan) {
    json lines = json::array();
    for (std::size_t i = 0; i < plan.lines.size(); ++i) {
        const auto& l = plan.lines[i];
        lines.push_back({l.quantity, l.decimals, l.unitQuantity, l.price, l.group, l.fromRegister,
                         l.printBarcode, l.name, l.article,
                         AdjustmentFacts(plan.lineAdjustments.at(i))});
    }
    json payments = json::array();
    for (const auto& p : plan.payments) {
        payments.push_back({p.form, p.amount});
    }
    return {plan.payout,   lines,         AdjustmentFacts(plan.subtotalAdjustment),
            plan.comments, plan.barcodes, payments,
            plan.copy,     plan.total};
}

void CheckPlan(const kasd::ReceiptPlan& plan, std::string_view body) {
    Expect(json::accept(body), "a receipt decoded from a body that is not JSON", body);
    Expect(!plan.lines.empty() && plan.lines.size() <= kasd::kMaxLines, "lines beyond the limit",
           body);
    Expect(!plan.payments.empty() && plan.payments.size() <= kasd::kMaxPayments,
           "payments beyond the limit", body);
    Expect(plan.lineAdjustments.size() == plan.lines.size(), "an adjustment without its line",
           body);
    Expect(plan.comments.size() <= kasd::kMaxComments && plan.barcodes.size() <= kasd::kMaxComments,
           "comments or bar codes beyond the limit", body);
    std::int64_t total = 0;
    for (std::size_t i = 0; i < plan.lines.size(); ++i) {
        const auto& l = plan.lines[i];
        Expect(RegisterText(l.name, kasd::kMaxNameCharacters),
               "a line's name the register cannot take", body);
        Expect(l.quantity >= 1 && l.quantity <= 0xFFFFFF && l.decimals <= 3 && l.price >= 1 &&
                   l.group <= 5 && !l.fromRegister && l.article >= 0,
               "a line the register cannot take", body);
        Expect(!plan.lineAdjustments[i] || Adjustment(*plan.lineAdjustments[i]),
               "a line's adjustment the register cannot take", body);
        total += kashost::lineCost(l.price, l.quantity, l.decimals, l.unitQuantity);
    }
    Expect(plan.total == total, "the total is not the sum of the lines' costs", body);
    Expect(total <= std::numeric_limits<std::int32_t>::max(),
           "a total beyond what a payment can carry", body);
    Expect(!plan.subtotalAdjustment || Adjustment(*plan.subtotalAdjustment),
           "a subtotal adjustment the register cannot take", body);
    for (const auto& c : plan.comments) {
        Expect(RegisterText(c, kasd::kMaxCommentCharacters), "a comment the register cannot take",
               body);
    }
    for (const auto& b : plan.barcodes) {
        bool ascii = !b.empty() && b.size() <= kasd::kMaxBarcodeCharacters;
        for (const char c : b) {
            ascii = ascii && c >= 0x20 && c <= 0x7E;
        }
        Expect(ascii, "a bar code Code-128 cannot print", body);
    }
    std::int64_t paid = 0;
    std::int64_t notCash = 0;
    for (const auto& p : plan.payments) {
        Expect(p.form < kashost::reg::kPaymentForms.size() && p.amount >= 1 &&
                   p.amount <= static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()),
               "a payment the register cannot take", body);
        // With an adjustment only the register tells the total; the run checks then.
        Expect(plan.adjusted() || paid < total, "a payment after the total is covered", body);
        paid += p.amount;
        notCash += p.form == kashost::reg::kCashForm ? 0 : p.amount;
    }
    Expect(plan.adjusted() || (paid >= total && notCash <= total),
           "payments that do not cover the total, or change from other than cash", body);
}

void CheckProblem(const kasd::Problem& p, std::string_view body) {
    Expect(p.status >= 400 && p.status < 500, "a refusal that is not 4xx", body);
    // Sent as the service sends every body: bytes that are not UTF-8 replaced.
    try {
        (void)p.body().dump(-1, ' ', false, json::error_handler_t::replace);
    } catch (const std::exception& e) {
        Broken(std::string("a refusal whose body cannot be sent: ") + e.what(), body);
    }
}

std::variant<json, kasd::Problem> Decode(const kasd::Job& job, const kasd::JobInput& in) {
    try {
        return job.decode(in);
    } catch (const std::exception& e) {
        Broken(std::string(job.name) + "'s decoder threw: " + e.what(), in.body);
    }
}

// What the journal keeps of the arguments, and the worker reads back.
std::string Journalled(const json& args, std::string_view body) {
    try {
        return args.dump();
    } catch (const std::exception& e) {
        Broken(std::string("arguments the journal cannot keep: ") + e.what(), body);
    }
}

void ReceiptDecoder(const std::string& body) {
    std::variant<kasd::ReceiptPlan, kasd::Problem> decoded;
    try {
        decoded = kasd::decodeReceipt(body);
    } catch (const std::exception& e) {
        Broken(std::string("decodeReceipt threw: ") + e.what(), body);
    }
    if (const auto* p = std::get_if<kasd::Problem>(&decoded)) {
        CheckProblem(*p, body);
        return;
    }
    const auto& plan = std::get<kasd::ReceiptPlan>(decoded);
    CheckPlan(plan, body);
    // The worker decodes the body as the journal gives it back.
    const std::string again = Journalled(json::parse(body), body);
    const auto redecoded = kasd::decodeReceipt(again);
    const auto* same = std::get_if<kasd::ReceiptPlan>(&redecoded);
    Expect(same != nullptr && PlanFacts(*same) == PlanFacts(plan),
           "the worker makes another plan of the journalled body", body);
}

kasd::JobInput Input(std::string body, std::vector<std::string> path = {}) {
    kasd::JobInput in;
    in.body = std::move(body);
    in.path = std::move(path);
    in.header = [](const std::string&) { return std::string(); };
    in.query = [](const std::string&) { return std::string(); };
    return in;
}

void BodyDecoder(const kasd::Job& job, const std::string& body) {
    const auto decoded = Decode(job, Input(body));
    if (const auto* p = std::get_if<kasd::Problem>(&decoded)) {
        CheckProblem(*p, body);
        return;
    }
    const std::string named = std::string(job.name) + ": ";
    if (!body.empty() && !json::accept(body)) {
        Broken(named + "a body taken that is not JSON", body);
    }
    const json& args = std::get<json>(decoded);
    if (json::parse(Journalled(args, body)) != args) {
        Broken(named + "the arguments read back from the journal differ", body);
    }
}

// The path a router hands a job whose pattern captures parts of it: the
// pattern's literal start and the input's first line, when the pattern
// matches them.
void PathDecoder(const kasd::Job& job, const std::regex& pattern, std::string_view input) {
    const std::string_view pathPrefix = job.path.substr(0, job.path.find('('));
    const std::string path =
        std::string(pathPrefix) +
        std::string(input.substr(0, std::min<std::size_t>(input.find('\n'), 64)));
    std::smatch m;
    if (!std::regex_match(path, m, pattern)) {
        return;
    }
    std::vector<std::string> captures;
    for (std::size_t i = 1; i < m.size(); ++i) {
        captures.push_back(m[i].str());
    }
    const auto decoded = Decode(job, Input("", std::move(captures)));
    if (const auto* p = std::get_if<kasd::Problem>(&decoded)) {
        CheckProblem(*p, path);
        return;
    }
    (void)Journalled(std::get<json>(decoded), path);
}

struct PathJob {
    const kasd::Job* job;
    std::regex pattern;
};

const std::vector<PathJob>& PathJobs() {
    static const std::vector<PathJob> jobs = [] {
        std::vector<PathJob> found;
        for (const kasd::Job& j : kasd::jobs()) {
            if (j.method == "GET" && j.path.find('(') != std::string_view::npos) {
                found.push_back({&j, std::regex(std::string(j.path))});
            }
        }
        return found;
    }();
    return jobs;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > kasd::kMaxBodyBytes) {
        return -1; // refused (413) before anything reads it
    }
    const std::string body(reinterpret_cast<const char*>(data), size);
    ReceiptDecoder(body);
    for (const kasd::Job& job : kasd::jobs()) {
        if (job.method == "POST" || job.method == "PUT") {
            BodyDecoder(job, body);
        }
    }
    for (const PathJob& p : PathJobs()) {
        PathDecoder(*p.job, p.pattern, body);
    }
    return 0;
}
