#include "Worker.h"

#include "Channel.h"
#include "Jobs.h"
#include "Text.h"

#include <kasdrv.h>
#include <kashost/Register.h>
#include <kashost/Status.h>

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <unistd.h>

namespace kasd {

namespace {

using nlohmann::json;

class WorkerContext : public JobContext {
  public:
    WorkerContext(int port, std::uint32_t baud, Channel& channel)
        : port_(port), baud_(baud), channel_(channel) {}
    ~WorkerContext() override {
        if (portOpen_) {
            FPClose();
        }
    }

    int port() const override { return port_; }

    bool openPort() override {
        if (!portOpen_) {
            portOpen_ = FPInit(static_cast<std::uint8_t>(port_), baud_, 1, 1) != 0;
            if (!portOpen_) {
                setOnline(false);
            }
        }
        return portOpen_;
    }

    void setOnline(bool online) override {
        if (online != online_) {
            online_ = online;
            channel_.send(json{{"event", "register"}, {"online", online}});
        }
    }

    void setModel(std::string model, std::string firmware) override {
        channel_.send(json{{"event", "register"},
                           {"online", online_},
                           {"model", std::move(model)},
                           {"firmware", std::move(firmware)}});
    }

    void sending() override { tellAndWait(json{{"event", "sending"}}); }
    void before(const json& state) override {
        tellAndWait(json{{"event", "before"}, {"state", state}});
    }
    const json& known() const override { return known_; }
    void leave(json state) override { left_ = std::move(state); }
    // A job begins with what the one before it left; a job that only reads
    // leaves it as it found it.
    void nextJob(bool reads) {
        known_ = std::move(left_);
        left_ = reads ? known_ : json();
    }

    // The register as the worker first sees it.
    json hello() {
        json ready = {{"event", "ready"}, {"online", false}};
        if (!openPort()) {
            return ready;
        }
        const auto status = kashost::readStatus();
        online_ = status.has_value();
        ready["online"] = online_;
        if (status) {
            const auto* facts = kashost::reg::factsOf(kashost::modelOf(*status));
            ready["model"] = facts != nullptr ? std::string(facts->name) : std::string();
            ready["firmware"] = fromDriverText(status->firmware.value_or(""));
        }
        return ready;
    }

  private:
    // Nothing more goes to the register unless the service has recorded what
    // it was told: a service that is gone ends the worker here.
    void tellAndWait(const json& event) {
        if (!channel_.send(event)) {
            std::_Exit(0);
        }
        const auto ack = channel_.receive();
        if (!ack || !ack->value("ack", false)) {
            std::_Exit(0);
        }
    }

    const int port_;
    const std::uint32_t baud_;
    Channel& channel_;
    bool portOpen_ = false;
    bool online_ = false;
    json known_;
    json left_;
};

} // namespace

int runWorker(int port, std::uint32_t baud, int fd) {
    // The worker never outlives the service that journals what it sends.
    const pid_t service = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != service) {
        return 0;
    }
    std::signal(SIGPIPE, SIG_IGN);
    Channel channel(fd);
    WorkerContext ctx(port, baud, channel);
    if (!channel.send(ctx.hello())) {
        return 0;
    }
    while (const auto request = channel.receive()) {
        const bool reconciling = request->contains("reconcile");
        const std::string name = request->value(reconciling ? "reconcile" : "job", "");
        const Job* job = findJob(name);
        ctx.nextJob(job != nullptr && !job->journalled && !reconciling);
        JobOutcome o;
        if (job == nullptr || (reconciling && !job->reconcile)) {
            o = problemOutcome(
                problem(500, "Internal error", "the worker has no job '" + name + "'"), "refused",
                "not done");
        } else {
            const json& args = (*request)["args"];
            o = reconciling ? job->reconcile(args, request->value("before", json()), ctx)
                            : job->run(args, ctx);
        }
        const json result = {{"result",
                              {{"status", o.status},
                               {"state", o.state},
                               {"outcome", o.outcome},
                               {"body", o.body},
                               {"steps", o.steps},
                               {"problem", o.problem}}}};
        if (!channel.send(result)) {
            break;
        }
    }
    return 0;
}

} // namespace kasd
