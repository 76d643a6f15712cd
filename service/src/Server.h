// The HTTP side of kasd: the routes under /v1 (one per job, see Jobs.h), the
// idempotency rules and the journal around every request that changes a
// register, the bearer token, and one log line per request.
#pragma once

#include "Journal.h"
#include "RegisterLink.h"

#include <map>
#include <memory>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace kasd {

inline constexpr int kDefaultListenPort = 8737;

struct Job;

class Service {
  public:
    // `links` by register number; with a `token`, every request but the
    // status page and the API document needs "Authorization: Bearer TOKEN".
    Service(Journal& journal, std::map<int, RegisterLink*> links, std::string token = {});
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Binds the address (port 0: any free one); the port bound, or -1.
    int bind(const std::string& host, int port);
    // Serves until stop().
    bool listen();
    void stop();

  private:
    void routes();
    RegisterLink* linkOf(const httplib::Request& req, httplib::Response& res) const;
    // A journalled job takes an Idempotency-Key and is answered from the
    // journal when its key was sent before.
    void runJob(const Job& job, const httplib::Request& req, httplib::Response& res);
    Journal& journal_;
    std::map<int, RegisterLink*> links_;
    std::string token_;
    std::unique_ptr<httplib::Server> server_;
};

} // namespace kasd
