// The HTTP side of kasd: the routes under /v1, the idempotency rules and the
// journal around every request that changes the register.
#pragma once

#include "Journal.h"
#include "RegisterWorker.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
}

namespace kasd {

inline constexpr int kDefaultListenPort = 8737;

class Service {
  public:
    Service(Journal& journal, RegisterWorker& worker);
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
    Journal& journal_;
    RegisterWorker& worker_;
    std::unique_ptr<httplib::Server> server_;
};

} // namespace kasd
