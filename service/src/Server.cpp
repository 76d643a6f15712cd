#include "Server.h"

#include "Jobs.h"
#include "OpenApi.h"
#include "Problem.h"
#include "ReceiptRequest.h"
#include "StatusPage.h"
#include "Text.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

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

// The time a request came in, for its log line (handlers run on the thread
// that took the request).
thread_local std::chrono::steady_clock::time_point requestStarted;

// Compares in time that does not depend on where the texts differ.
bool sameSecret(const std::string& a, const std::string& b) {
    unsigned char diff = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        diff |= static_cast<unsigned char>(a[i] ^ b[i % (b.empty() ? 1 : b.size())]);
    }
    return diff == 0 && !b.empty();
}

JobInput inputOf(const httplib::Request& req) {
    JobInput in;
    in.body = req.body;
    for (std::size_t i = 2; i < req.matches.size(); ++i) {
        in.path.push_back(req.matches[i].str());
    }
    in.header = [&req](const std::string& name) { return req.get_header_value(name.c_str()); };
    in.query = [&req](const std::string& name) {
        return req.has_param(name.c_str()) ? req.get_param_value(name.c_str()) : std::string();
    };
    return in;
}

void sendOutcome(httplib::Response& res, const JobOutcome& o) {
    res.status = o.status;
    res.set_content(text(o.body), o.problem ? kProblemType : kJsonType);
}

} // namespace

Service::Service(Journal& journal, std::map<int, RegisterLink*> links, std::string token)
    : journal_(journal), links_(std::move(links)), token_(std::move(token)),
      server_(std::make_unique<httplib::Server>()) {
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

RegisterLink* Service::linkOf(const httplib::Request& req, httplib::Response& res) const {
    const auto it = links_.find(std::atoi(req.matches[1].str().c_str()));
    if (it == links_.end()) {
        std::string served;
        for (const auto& [n, link] : links_) {
            served += (served.empty() ? "" : ", ") + std::to_string(n);
        }
        sendProblem(res,
                    problem(404, "Unknown register", "this service serves register(s) " + served));
        return nullptr;
    }
    return it->second;
}

void Service::runJob(const Job& job, const httplib::Request& req, httplib::Response& res) {
    const std::string key = req.get_header_value("Idempotency-Key");
    if (job.journalled && !validKey(key)) {
        sendProblem(res, badRequest("Idempotency-Key",
                                    "expected 1 to 128 printable ASCII characters, a fresh one "
                                    "for each request"));
        return;
    }
    RegisterLink* link = linkOf(req, res);
    if (link == nullptr) {
        return;
    }
    auto decoded = job.decode(inputOf(req));
    if (const auto* p = std::get_if<Problem>(&decoded)) {
        sendProblem(res, *p);
        return;
    }
    if (!job.journalled) {
        sendOutcome(res, link->run(std::string(job.name), std::get<json>(decoded)));
        return;
    }
    const json& args = std::get<json>(decoded);
    JournalRecord fresh;
    fresh.key = key;
    fresh.registerPort = link->port();
    fresh.method = req.method + " " + req.path;
    // No password is written to the journal (nor any digest of one): a retry
    // is told from another request by what it asks of the register.
    json journalled = args;
    journalled.erase("password");
    fresh.body = text(journalled);
    fresh.bodyHash = Journal::hash(fresh.body);
    if (const auto existing = journal_.claim(fresh)) {
        if (existing->method != fresh.method || existing->bodyHash != fresh.bodyHash) {
            sendProblem(res,
                        problem(409, "Idempotency-Key reused",
                                "the key was sent before with another request", "Idempotency-Key"));
            return;
        }
        replay(*existing, res);
        return;
    }
    const JobOutcome o = link->run(std::string(job.name), args, key);
    sendOutcome(res, o);
    res.set_header("X-Kasd-Outcome", o.outcome);
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

    // The token, and the time each request came in for its log line.
    s.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        requestStarted = std::chrono::steady_clock::now();
        if (token_.empty() || req.path == "/" || req.path == "/v1/openapi.json") {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        const std::string given = req.get_header_value("Authorization");
        const std::string bearer = "Bearer ";
        if (given.rfind(bearer, 0) == 0 && sameSecret(given.substr(bearer.size()), token_)) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        res.set_header("WWW-Authenticate", "Bearer realm=\"kasd\"");
        sendProblem(res, problem(401, "Unauthorized",
                                 "send the service's token as \"Authorization: Bearer TOKEN\""));
        return httplib::Server::HandlerResponse::Handled;
    });
    s.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - requestStarted)
                            .count();
        const std::string key = req.get_header_value("Idempotency-Key");
        const std::string outcome = res.get_header_value("X-Kasd-Outcome");
        std::fprintf(stderr, "kasd: %s %s %d %lld ms%s%s%s%s%s\n", req.method.c_str(),
                     req.path.c_str(), res.status, static_cast<long long>(ms),
                     key.empty() ? "" : " key=", key.c_str(),
                     outcome.empty() ? "" : " outcome=", outcome.c_str(),
                     res.get_header_value("Idempotent-Replayed").empty() ? "" : " replayed");
    });

    s.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.status = 200;
        res.set_content(std::string(statusPage()), "text/html; charset=utf-8");
    });

    s.Get("/v1/openapi.json", [](const httplib::Request&, httplib::Response& res) {
        res.status = 200;
        res.set_content(openApiDocument(), kJsonType);
    });

    s.Get("/v1/registers", [this](const httplib::Request&, httplib::Response& res) {
        json registers = json::array();
        for (const auto& [n, link] : links_) {
            const RegisterInfo i = link->info();
            registers.push_back(
                {{"port", i.port},
                 {"model", i.model.empty() ? json(nullptr) : json(i.model)},
                 {"firmware", i.firmware.empty() ? json(nullptr) : json(i.firmware)},
                 {"speed", i.baud},
                 {"state", i.state},
                 {"queue", i.queue},
                 {"worker", i.worker == 0 ? json(nullptr) : json(i.worker)},
                 {"restarts", i.restarts}});
        }
        sendJson(res, 200, json{{"registers", registers}});
    });

    s.Get("/v1/requests", [this](const httplib::Request& req, httplib::Response& res) {
        int limit = 20;
        if (req.has_param("limit")) {
            const auto n = wholeNumber(req.get_param_value("limit"), 1, 200);
            if (!n) {
                sendProblem(res, badRequest("limit", "expected 1 to 200"));
                return;
            }
            limit = static_cast<int>(*n);
        }
        json rows = json::array();
        for (const auto& r : journal_.recent(limit)) {
            rows.push_back(recordJson(r));
        }
        sendJson(res, 200, json{{"requests", rows}});
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

    for (const Job& job : jobs()) {
        const std::string pattern = R"(/v1/registers/([0-9]{1,3})/)" + std::string(job.path);
        httplib::Server::Handler handler = [this, &job](const httplib::Request& req,
                                                        httplib::Response& res) {
            runJob(job, req, res);
        };
        if (job.method == "GET") {
            s.Get(pattern, handler);
        } else if (job.method == "PUT") {
            s.Put(pattern, handler);
        } else {
            s.Post(pattern, handler);
        }
    }
}

} // namespace kasd
