#include "RegisterLink.h"

#include "Channel.h"
#include "Worker.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kasd {

namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// A worker that keeps dying is started again after a pause that doubles.
constexpr auto kFirstPause = 500ms;
constexpr auto kLongestPause = 8s;
// How long a new worker may take to open its port and look at the register.
constexpr int kReadyTimeoutMs = 60000;
// How long a worker may take to end once told to.
constexpr auto kStopGrace = 5s;

JobOutcome outcomeOf(const json& r) {
    JobOutcome o;
    o.status = r.value("status", 500);
    o.state = r.value("state", "in doubt");
    o.outcome = r.value("outcome", "");
    o.body = r.value("body", json::object());
    o.steps = r.value("steps", json::array());
    o.problem = r.value("problem", false);
    return o;
}

} // namespace

struct RegisterLink::Item {
    std::string job;
    json args;
    std::string key;        // the journal's row; empty for a job that changes nothing
    bool reconcile = false; // settle an earlier run instead of running
    bool sendingSeen = false;
    json before;
    std::promise<JobOutcome> done;
};

RegisterLink::RegisterLink(int port, std::uint32_t baud, std::string program, Journal& journal,
                           std::chrono::seconds queueWait)
    : port_(port), baud_(baud), program_(std::move(program)), journal_(journal),
      queueWait_(queueWait) {
    thread_ = std::thread([this] { loop(); });
}

RegisterLink::~RegisterLink() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

RegisterInfo RegisterLink::info() const {
    std::lock_guard lock(mutex_);
    RegisterInfo i;
    i.port = port_;
    i.baud = baud_;
    i.model = model_;
    i.firmware = firmware_;
    i.state = pid_ == 0 || !online_ ? "offline" : busy_ ? "busy" : "idle";
    i.queue = items_.size();
    i.worker = pid_;
    i.restarts = started_ > 1 ? started_ - 1 : 0;
    return i;
}

JobOutcome RegisterLink::run(const std::string& job, const json& args, const std::string& key) {
    auto item = std::make_shared<Item>();
    item->job = job;
    item->args = args;
    item->key = key;
    return enqueue(std::move(item));
}

JobOutcome RegisterLink::reconcile(const JournalRecord& row) {
    auto item = std::make_shared<Item>();
    const Job* job = jobOfRequest(row.method);
    item->job = job != nullptr ? std::string(job->name) : std::string();
    item->args = json::parse(row.body, nullptr, false);
    item->key = row.key;
    item->reconcile = true;
    item->sendingSeen = true;
    item->before = row.before.empty() ? json() : json::parse(row.before, nullptr, false);
    return enqueue(std::move(item));
}

JobOutcome RegisterLink::enqueue(std::shared_ptr<Item> item) {
    auto result = item->done.get_future();
    {
        std::lock_guard lock(mutex_);
        items_.push_back(item);
    }
    wake_.notify_all();
    if (item->reconcile || result.wait_for(queueWait_) == std::future_status::ready) {
        return result.get();
    }
    // Not started within the wait: taken out of the queue, nothing sent; its
    // row goes too, so that the same key can be sent again.
    bool started = false;
    {
        std::lock_guard lock(mutex_);
        const auto it = std::find(items_.begin(), items_.end(), item);
        started = it == items_.end();
        if (!started) {
            items_.erase(it);
        }
    }
    if (started) {
        return result.get(); // it started meanwhile: its outcome, however long it takes
    }
    if (!item->key.empty()) {
        journal_.drop(item->key);
    }
    Problem p = problem(503, "Register busy",
                        "the request waited " + std::to_string(queueWait_.count()) +
                            " s behind others for the register; nothing was sent");
    p.extra["outcome"] = "not done";
    return problemOutcome(p, "refused", "not done");
}

void RegisterLink::loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait_for(lock, 250ms, [this] { return stopping_ || !items_.empty(); });
        if (stopping_ && items_.empty()) {
            break;
        }
        lock.unlock();
        // A worker that died while idle is started again after its pause.
        if (pid_ != 0 && channel_->closed()) {
            workerDied();
        }
        if (pid_ == 0 && std::chrono::steady_clock::now() >= nextStart_) {
            startWorker();
        }
        lock.lock();
        if (items_.empty()) {
            continue;
        }
        auto item = std::move(items_.front());
        items_.pop_front();
        busy_ = true;
        lock.unlock();
        serve(*item);
        lock.lock();
        busy_ = false;
    }
    lock.unlock();
    stopWorker();
}

void RegisterLink::serve(Item& item) {
    // Once bytes may have reached the register the job is never sent again:
    // a worker that died is replaced and the job reconciled instead.
    std::optional<JobOutcome> o;
    for (int tries = 0; tries < 3 && !o; ++tries) {
        if (pid_ == 0 && !startWorker()) {
            continue;
        }
        o = attempt(item, item.reconcile || item.sendingSeen);
        if (!o) {
            workerDied();
        }
    }
    if (!o && item.sendingSeen) {
        // The row stays "sending": the next start of the service settles it.
        Problem p = problem(502, "The request's outcome is in doubt",
                            "the register's worker stopped while the request was sent and "
                            "could not be started again to reconcile it; the service "
                            "reconciles it when it starts next");
        p.extra["outcome"] = "in doubt";
        item.done.set_value(problemOutcome(p, "sending", "in doubt"));
        return;
    }
    if (!o) {
        Problem p = problem(503, "Register offline",
                            "the register's worker cannot be started; nothing was sent");
        p.extra["outcome"] = "not done";
        o = problemOutcome(p, "refused", "not done");
    }
    finishRow(item, *o);
    item.done.set_value(std::move(*o));
}

std::optional<JobOutcome> RegisterLink::attempt(Item& item, bool reconciling) {
    const json request =
        reconciling ? json{{"reconcile", item.job}, {"args", item.args}, {"before", item.before}}
                    : json{{"job", item.job}, {"args", item.args}};
    if (!channel_->send(request)) {
        return std::nullopt;
    }
    for (;;) {
        const auto message = channel_->receive();
        if (!message || !message->is_object()) {
            return std::nullopt;
        }
        if (message->contains("result")) {
            return outcomeOf((*message)["result"]);
        }
        const std::string event = message->value("event", "");
        if (event == "sending" || event == "before") {
            if (!item.key.empty()) {
                if (event == "sending") {
                    journal_.setState(item.key, "sending");
                } else {
                    journal_.setBefore(item.key, (*message)["state"].dump());
                }
            }
            if (event == "sending") {
                item.sendingSeen = true;
            } else {
                item.before = (*message)["state"];
            }
            if (!channel_->send(json{{"ack", true}})) {
                return std::nullopt;
            }
        } else if (event == "register") {
            std::lock_guard lock(mutex_);
            online_ = message->value("online", false);
            if (message->contains("model")) {
                model_ = message->value("model", "");
                firmware_ = message->value("firmware", "");
            }
        }
    }
}

void RegisterLink::finishRow(const Item& item, JobOutcome& o) {
    if (item.key.empty()) {
        return;
    }
    if (o.body.is_object()) {
        o.body["key"] = item.key;
        o.body["register"] = port_;
    }
    journal_.finish(item.key, o.state, o.steps.dump(), o.status,
                    o.body.dump(-1, ' ', false, json::error_handler_t::replace));
}

bool RegisterLink::startWorker() {
    stopWorker();
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        return false;
    }
    // Above the descriptor the child's end is moved to, so dup2 always copies it.
    for (int& fd : pair) {
        const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, kWorkerChannelFd + 1);
        ::close(fd);
        fd = high;
    }
    const std::string portText = std::to_string(port_);
    const std::string baudText = std::to_string(baud_);
    std::vector<std::string> words = {program_, "--worker", portText, "--baud", baudText};
    std::vector<char*> argv;
    for (auto& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], kWorkerChannelFd);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program_.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pair[1]);
    if (rc != 0) {
        ::close(pair[0]);
        std::fprintf(stderr, "kasd: register %d: cannot start a worker: %s\n", port_,
                     std::strerror(rc));
        workerDied();
        return false;
    }
    channel_ = std::make_unique<Channel>(pair[0]);
    {
        std::lock_guard lock(mutex_);
        pid_ = pid;
        ++started_;
    }
    const auto ready = channel_->receive(kReadyTimeoutMs);
    if (!ready || ready->value("event", "") != "ready") {
        std::fprintf(stderr, "kasd: register %d: the worker did not start\n", port_);
        workerDied();
        return false;
    }
    std::lock_guard lock(mutex_);
    online_ = ready->value("online", false);
    if (ready->contains("model")) {
        model_ = ready->value("model", "");
        firmware_ = ready->value("firmware", "");
    }
    pause_ = 0ms;
    return true;
}

void RegisterLink::stopWorker() {
    if (pid_ == 0) {
        return;
    }
    channel_.reset(); // end of file: the worker closes the port and ends
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    std::lock_guard lock(mutex_);
    pid_ = 0;
}

void RegisterLink::workerDied() {
    channel_.reset();
    if (pid_ != 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        std::fprintf(stderr,
                     "kasd: register %d: the worker (process %d) stopped; offline until "
                     "it is started again\n",
                     port_, static_cast<int>(pid_));
    }
    std::lock_guard lock(mutex_);
    pid_ = 0;
    online_ = false;
    pause_ = pause_ == 0ms ? std::chrono::duration_cast<std::chrono::milliseconds>(kFirstPause)
                           : std::min<std::chrono::milliseconds>(pause_ * 2, kLongestPause);
    nextStart_ = std::chrono::steady_clock::now() + pause_;
}

} // namespace kasd
