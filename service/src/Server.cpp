#include "Server.h"

#include "OpenApi.h"
#include "Problem.h"
#include "Receipt.h"
#include "ReceiptRequest.h"
#include "Text.h"

#include <httplib.h>
#include <kashost/Host.h>
#include <kashost/Register.h>

#include <chrono>
#include <cstdio>

namespace kasd {

namespace {

using nlohmann::json;

// JSON text; a byte that is not UTF-8 (there should be none) becomes U+FFFD
// rather than an exception.
std::string text(const json& j) {
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

void sendJson(httplib::Response& res, int status, const json& body) {
    res.status = status;
    res.set_content(text(body), kJsonType);
}

void sendProblem(httplib::Response& res, const Problem& p) {
    res.status = p.status;
    res.set_content(text(p.body()), kProblemType);
}

Problem problem(int status, std::string title, std::string detail, std::string field = {}) {
    Problem p;
    p.status = status;
    p.title = std::move(title);
    p.detail = std::move(detail);
    p.field = std::move(field);
    return p;
}

// An Idempotency-Key: 1 to 128 printable ASCII characters.
bool validKey(const std::string& key) {
    if (key.empty() || key.size() > 128) {
        return false;
    }
    for (const char c : key) {
        if (c <= 0x20 || c >= 0x7F) {
            return false;
        }
    }
    return true;
}

// The register number of the path, when it is the one this process serves.
bool registerServed(const httplib::Request& req, const RegisterWorker& worker,
                    httplib::Response& res) {
    const std::string& n = req.matches[1].str();
    if (n != std::to_string(worker.port())) {
        sendProblem(res, problem(404, "Unknown register",
                                 "this service serves register " + std::to_string(worker.port())));
        return false;
    }
    return true;
}

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

json optionalText(const std::optional<std::string>& cp1251) {
    return cp1251 ? json(fromDriverText(*cp1251)) : json(nullptr);
}

// GET /v1/registers/{n}/status, on the worker thread: 200 with the decoded
// status, or the problem.
std::pair<int, json> readRegisterStatus(RegisterWorker& worker) {
    if (!worker.openPort()) {
        return {
            503,
            problem(503, "Register offline", "the port of the register cannot be opened").body()};
    }
    const auto s = kashost::readStatus();
    worker.setOnline(s.has_value());
    if (!s) {
        return {
            503,
            problem(503, "Register offline", driverErrorText(kashost::lastError().text)).body()};
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
    return {200, body};
}

json recordJson(const JournalRecord& r) {
    const auto parsed = [](const std::string& text) { return json::parse(text, nullptr, false); };
    json j = {{"key", r.key},
              {"register", r.registerPort},
              {"request", r.method},
              {"body", parsed(r.body)},
              {"bodyHash", r.bodyHash},
              {"state", r.state},
              {"steps", parsed(r.steps)},
              {"created", r.created},
              {"finished", r.finished.empty() ? json(nullptr) : json(r.finished)}};
    j["response"] = r.responseStatus == 0
                        ? json(nullptr)
                        : json{{"status", r.responseStatus}, {"body", parsed(r.responseBody)}};
    return j;
}

// The recorded answer of a finished request, or its present state (202).
void replay(const JournalRecord& r, httplib::Response& res) {
    res.set_header("Idempotent-Replayed", "true");
    if (r.responseStatus == 0) {
        sendJson(res, 202, json{{"key", r.key}, {"state", r.state}});
        return;
    }
    res.status = r.responseStatus;
    const bool problemBody = r.responseStatus >= 400;
    res.set_content(r.responseBody, problemBody ? kProblemType : kJsonType);
}

} // namespace

Service::Service(Journal& journal, RegisterWorker& worker)
    : journal_(journal), worker_(worker), server_(std::make_unique<httplib::Server>()) {
    routes();
}

Service::~Service() = default;

int Service::bind(const std::string& host, int port) {
    if (port == 0) {
        return server_->bind_to_any_port(host);
    }
    return server_->bind_to_port(host, port) ? port : -1;
}

bool Service::listen() {
    return server_->listen_after_bind();
}

void Service::stop() {
    server_->stop();
}

void Service::routes() {
    httplib::Server& s = *server_;
    s.set_payload_max_length(kMaxBodyBytes);
    s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) {
            return;
        }
        switch (res.status) {
        case 413:
            sendProblem(
                res, problem(413, "Payload too large",
                             "bodies are limited to " + std::to_string(kMaxBodyBytes) + " bytes"));
            break;
        case 404:
            sendProblem(res, problem(404, "Not found", "no such resource"));
            break;
        default:
            sendProblem(res, problem(res.status, res.status < 500 ? "Bad request" : "Error", ""));
            break;
        }
    });
    s.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr ep) {
            std::string what = "internal error";
            try {
                std::rethrow_exception(ep);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            std::fprintf(stderr, "kasd: internal error: %s\n", what.c_str());
            sendProblem(res, problem(500, "Internal error", what));
        });

    s.Get("/v1/openapi.json", [](const httplib::Request&, httplib::Response& res) {
        res.status = 200;
        res.set_content(openApiDocument(), kJsonType);
    });

    s.Get("/v1/registers", [this](const httplib::Request&, httplib::Response& res) {
        const RegisterInfo i = worker_.info();
        json r = {{"port", i.port},
                  {"model", i.model.empty() ? json(nullptr) : json(i.model)},
                  {"firmware", i.firmware.empty() ? json(nullptr) : json(i.firmware)},
                  {"speed", i.baud},
                  {"state", i.state},
                  {"queue", i.queue}};
        sendJson(res, 200, json{{"registers", json::array({r})}});
    });

    s.Get(R"(/v1/registers/([0-9]{1,3})/status)", [this](const httplib::Request& req,
                                                         httplib::Response& res) {
        if (!registerServed(req, worker_, res)) {
            return;
        }
        const auto [status, body] = worker_.run([this] { return readRegisterStatus(worker_); });
        res.status = status;
        res.set_content(text(body), status == 200 ? kJsonType : kProblemType);
    });

    s.Get(R"(/v1/requests/([^/]{1,128}))",
          [this](const httplib::Request& req, httplib::Response& res) {
              const auto record = journal_.find(req.matches[1].str());
              if (!record) {
                  sendProblem(res, problem(404, "Unknown request", "the journal has no such key"));
                  return;
              }
              sendJson(res, 200, recordJson(*record));
          });

    s.Post(R"(/v1/registers/([0-9]{1,3})/receipts)", [this](const httplib::Request& req,
                                                            httplib::Response& res) {
        const auto started = std::chrono::steady_clock::now();
        const std::string key = req.get_header_value("Idempotency-Key");
        if (!validKey(key)) {
            sendProblem(res, problem(400, "Bad request",
                                     "Idempotency-Key: expected 1 to 128 printable ASCII "
                                     "characters, a fresh one for each receipt",
                                     "Idempotency-Key"));
            return;
        }
        if (!registerServed(req, worker_, res)) {
            return;
        }
        auto decoded = decodeReceipt(req.body);
        if (const auto* p = std::get_if<Problem>(&decoded)) {
            sendProblem(res, *p);
            return;
        }
        const ReceiptPlan& plan = std::get<ReceiptPlan>(decoded);
        JournalRecord fresh;
        fresh.key = key;
        fresh.registerPort = worker_.port();
        fresh.method = "POST /v1/registers/" + std::to_string(worker_.port()) + "/receipts";
        fresh.body = text(json::parse(req.body));
        fresh.bodyHash = Journal::hash(fresh.body);
        if (const auto existing = journal_.claim(fresh)) {
            if (existing->method != fresh.method || existing->bodyHash != fresh.bodyHash ||
                existing->body != fresh.body) {
                sendProblem(res, problem(409, "Idempotency-Key reused",
                                         "the key was sent before with another request",
                                         "Idempotency-Key"));
                return;
            }
            replay(*existing, res);
            std::fprintf(stderr, "kasd: key=%s register=%d replayed state=%s status=%d\n",
                         key.c_str(), worker_.port(), existing->state.c_str(), res.status);
            return;
        }
        const ReceiptOutcome o = worker_.run(
            [&] { return runReceipt(plan, worker_, [&] { journal_.setState(key, "sending"); }); });
        json body = o.body;
        body["key"] = key;
        body["register"] = worker_.port();
        const std::string answer = text(body);
        journal_.finish(key, o.state, text(o.steps), o.status, answer);
        res.status = o.status;
        res.set_content(answer, o.problem ? kProblemType : kJsonType);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
        std::fprintf(stderr, "kasd: key=%s register=%d outcome=%s status=%d %lld ms\n", key.c_str(),
                     worker_.port(), o.outcome.c_str(), o.status, static_cast<long long>(ms));
    });
}

} // namespace kasd
