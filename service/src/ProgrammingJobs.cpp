#include "ProgrammingJobs.h"

#include "Receipt.h"
#include "Text.h"

#include <kashost/Programming.h>

#include <cstdlib>

namespace kasd {

namespace {

using nlohmann::json;

// The programming password header into args["password"]; a problem when bad.
std::optional<Problem> password(const JobInput& in, json& args) {
    const std::string given = in.header("X-Programming-Password");
    if (given.empty()) {
        return std::nullopt;
    }
    const auto p = wholeNumber(given, 0, 65535);
    if (!p) {
        return badRequest("X-Programming-Password",
                          "expected the programming password, 0 to 65535");
    }
    args["password"] = *p;
    return std::nullopt;
}

json differenceJson(const kashost::Difference& d) {
    return {{"part", d.what}, {"register", d.now}, {"wanted", d.wanted}};
}

JobOutcome failed(int status, std::string state, std::string title, std::string detail,
                  json extra) {
    Problem p = problem(status, std::move(title), std::move(detail));
    p.extra = std::move(extra);
    p.extra["outcome"] = state == "in doubt" ? "in doubt" : "not done";
    return problemOutcome(p, state, p.extra["outcome"]);
}

} // namespace

std::variant<json, Problem> readProgrammingArguments(const JobInput& in) {
    json args = {{"first", 1}, {"last", 100}};
    for (const char* name : {"first", "last"}) {
        const std::string given = in.query(name);
        if (given.empty()) {
            continue;
        }
        const auto v = wholeNumber(given, 1, kashost::kLargestArticleCode);
        if (!v) {
            return badRequest(name, "expected an article code from 1 to " +
                                        std::to_string(kashost::kLargestArticleCode));
        }
        args[name] = *v;
    }
    if (args["first"].get<std::int64_t>() > args["last"].get<std::int64_t>() ||
        args["last"].get<std::int64_t>() - args["first"].get<std::int64_t>() >= 1000) {
        return badRequest("last", "expected first <= last, at most 1000 codes");
    }
    if (auto p = password(in, args)) {
        return *p;
    }
    return args;
}

std::variant<json, Problem> applyProgrammingArguments(const JobInput& in) {
    json document = json::parse(in.body, nullptr, false);
    if (document.is_discarded()) {
        return badRequest("", "malformed JSON");
    }
    std::string error;
    const auto d = kashost::documentFromJson(document, error);
    if (!d) {
        const auto colon = error.find(':');
        return problem(400, "Bad request", error,
                       "/" + error.substr(0, colon == std::string::npos ? 0 : colon));
    }
    json args = {{"document", document}};
    if (auto p = password(in, args)) {
        return *p;
    }
    if (d->passwords && !args.contains("password")) {
        return badRequest(
            "X-Programming-Password",
            "a document with passwords is applied only with the programming password");
    }
    return args;
}

JobOutcome readProgrammingJob(const json& args, JobContext& ctx) {
    if (!ctx.openPort()) {
        return offline(ctx);
    }
    kashost::ReadOptions o;
    o.firstArticle = args.at("first").get<std::int64_t>();
    o.lastArticle = args.at("last").get<std::int64_t>();
    if (args.contains("password")) {
        o.passwords = true;
        o.programmingPassword = args.at("password").get<std::uint16_t>();
    }
    kashost::DriverError error;
    const auto d = kashost::readProgramming(o, &error);
    if (!d) {
        kashost::DriverError last = error;
        if (last.status == 0 && last.result == 0) {
            return offline(ctx);
        }
        ctx.setOnline(true);
        return failed(422, "refused", "The register refused a read", driverErrorText(last.text),
                      {{"registerError", driverError(last)}});
    }
    ctx.setOnline(true);
    if (o.passwords && !d->passwords) {
        return failed(403, "refused", "Wrong programming password",
                      "X-Programming-Password is not the register's programming password", {});
    }
    return answered(kashost::documentToJson(*d));
}

JobOutcome applyProgrammingJob(const json& args, JobContext& ctx) {
    std::string error;
    const auto wanted = kashost::documentFromJson(args.at("document"), error);
    if (!wanted) {
        return failed(400, "refused", "Bad request", error, {});
    }
    ctx.sending();
    if (!ctx.openPort()) {
        return offline(ctx);
    }
    ctx.before(json::object());
    kashost::ApplyOptions o;
    o.password = args.value("password", std::uint16_t{0});
    o.passwords = wanted->passwords.has_value();
    const kashost::ApplyResult r = kashost::applyProgramming(*wanted, o);
    json changes = json::array();
    static const char* const kOutcomes[] = {"programmed", "failed", "not sent", "left alone"};
    for (const auto& c : r.changes) {
        json j = differenceJson(c.difference);
        j["outcome"] = kOutcomes[static_cast<int>(c.outcome)];
        if (!c.readBack.empty()) {
            j["readBack"] = c.readBack;
        }
        changes.push_back(std::move(j));
    }
    json mismatches = json::array();
    for (const auto& m : r.mismatches) {
        mismatches.push_back(differenceJson(m));
    }
    const json extra = {{"changes", changes}, {"made", r.made}, {"mismatches", mismatches}};
    ctx.setOnline(!r.failure || r.failure->error.status != 0 || r.failure->error.result != 0);
    if (r.failure) {
        using Stage = kashost::ApplyResult::Failure::Stage;
        const auto& f = *r.failure;
        json more = extra;
        more["part"] = f.part;
        if (f.stage == Stage::Refused) {
            return failed(403, "refused", "Wrong programming password",
                          "passwords are programmed only with the register's programming password",
                          more);
        }
        more["registerError"] = driverError(f.error);
        const bool silent = f.error.status == 0 && f.error.result == 0;
        if (f.stage == Stage::Reading) {
            return silent ? offline(ctx)
                          : failed(422, "refused", "The register refused a read",
                                   driverErrorText(f.error.text), more);
        }
        // Changes before the one that failed were made: the document is half applied.
        return failed(silent ? 502 : 422, r.made > 0 || silent ? "in doubt" : "refused",
                      f.stage == Stage::ReadingBack ? "Programmed, not read back"
                                                    : "The register refused " + f.part,
                      driverErrorText(f.error.text), more);
    }
    if (!r.mismatches.empty()) {
        return failed(502, "in doubt", "The register reads back otherwise",
                      "the parts in mismatches read back otherwise than the document", extra);
    }
    json body = extra;
    body["outcome"] = "done";
    return answered(std::move(body));
}

JobOutcome reconcileProgramming(const json& args, const json& before, JobContext& ctx) {
    if (before.is_null()) {
        return failed(503, "refused", "The service stopped before programming",
                      "nothing was programmed", {{"reconciled", true}});
    }
    std::string error;
    const auto wanted = kashost::documentFromJson(args.at("document"), error);
    const auto now = ctx.openPort() && wanted ? kashost::readParts(*wanted) : std::nullopt;
    if (!now) {
        return failed(502, "in doubt", "The register cannot be read",
                      "check the register's programming before applying the document again",
                      {{"reconciled", true}});
    }
    ctx.setOnline(true);
    json mismatches = json::array();
    for (const auto& d : kashost::differences(*wanted, *now)) {
        if (d.kind != kashost::Difference::Kind::Password && d.readable) {
            mismatches.push_back(differenceJson(d));
        }
    }
    if (!mismatches.empty()) {
        return failed(502, "in doubt", "The document was applied in part",
                      "the parts in mismatches differ from the document",
                      {{"reconciled", true}, {"mismatches", mismatches}});
    }
    return answered({{"outcome", "done"}, {"reconciled", true}});
}

} // namespace kasd
