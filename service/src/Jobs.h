// What kasd asks of a register. Each job has a name, a path under
// /v1/registers/{n}/, a decoder the HTTP side runs (bad input is refused
// before anything is journalled or sent), the run on the register's worker
// process and, for a job that changes the register, the reconciliation of a
// run that stopped half-way (a worker or the whole service killed).
#pragma once

#include "Problem.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kasd {

struct JobOutcome {
    int status = 200;           // the HTTP status
    std::string state = "done"; // the journal's state: done, refused, in doubt
    std::string outcome;        // printed, annulled, not printed, in doubt, done, ...
    nlohmann::json body;        // the response body
    nlohmann::json steps = nlohmann::json::array();
    bool problem = false; // the body is application/problem+json
};

// The worker's side of a running job: the port, and what the job tells the
// service while it runs.
class JobContext {
  public:
    virtual ~JobContext() = default;
    virtual int port() const = 0;
    // Whether the port is open, opening it when not.
    virtual bool openPort() = 0;
    // What the last exchange showed of the register.
    virtual void setOnline(bool online) = 0;
    virtual void setModel(std::string model, std::string firmware) = 0;
    // A job that changes the register calls sending() before its first byte
    // goes to the register and before() with the state it will be reconciled
    // against before its first command that changes anything; both return once
    // the journal holds it.
    virtual void sending() = 0;
    virtual void before(const nlohmann::json& state) = 0;
    // What the job before this one left known of the register (null when it
    // left nothing), and what this job leaves for the next. Only the worker
    // speaks to the register, so what a job knew at its end still holds when
    // the next one starts; anything a job does not leave is forgotten.
    virtual const nlohmann::json& known() const = 0;
    virtual void leave(nlohmann::json state) = 0;
};

// A request as the HTTP side hands it to a decoder.
struct JobInput {
    std::string body;              // empty for GET
    std::vector<std::string> path; // the path's captures after the register number
    std::function<std::string(const std::string&)> header;
    std::function<std::string(const std::string&)> query; // "" when not given
};

struct Job {
    std::string_view name;
    std::string_view method; // GET, POST or PUT
    std::string_view path;   // a pattern under /v1/registers/{n}/
    bool journalled = false; // changes the register: needs an Idempotency-Key
    // The job's arguments, or the problem (400) naming the field.
    std::function<std::variant<nlohmann::json, Problem>(const JobInput&)> decode;
    std::function<JobOutcome(const nlohmann::json& args, JobContext&)> run;
    // From the state journalled before the first command (null when the run
    // stopped before it was read: then nothing was sent that changes anything)
    // and the register as it is now.
    std::function<JobOutcome(const nlohmann::json& args, const nlohmann::json& before, JobContext&)>
        reconcile;
};

const std::vector<Job>& jobs();
const Job* findJob(std::string_view name);
// The job a journalled request ran ("POST /v1/registers/1/receipts").
const Job* jobOfRequest(std::string_view method);

// Outcomes shared by the jobs.
JobOutcome problemOutcome(const Problem& p, std::string state, std::string outcome);
JobOutcome offline(JobContext& ctx); // the port cannot be opened or the register is silent
JobOutcome answered(nlohmann::json body);

} // namespace kasd
