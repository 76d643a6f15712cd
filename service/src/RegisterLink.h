// The service's side of one register: its worker process, started and
// restarted here, and the queue of jobs for it. Jobs for one register run one
// at a time in the order they arrived; each register has its own link, so
// different registers work in parallel.
//
// A worker that dies is started again, and the register shows offline
// meanwhile. When it dies during a job that changes the register, the job is
// not sent again: once a worker is back, the job is reconciled against the
// register from the state journalled before it, and finished in the journal
// as what the register shows.
#pragma once

#include "Jobs.h"
#include "Journal.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>

namespace kasd {

class Channel;

struct RegisterInfo {
    int port = 1;
    std::uint32_t baud = 9600;
    std::string model;     // "RX-410F", empty while not known
    std::string firmware;  // UTF-8, empty while not known
    std::string state;     // idle, busy, offline
    std::size_t queue = 0; // requests waiting, the running one not counted
    pid_t worker = 0;      // the worker's process, 0 while none runs
    int restarts = 0;      // workers started after the first
};

class RegisterLink {
  public:
    // `program` is kasd itself, started as `program --worker N --baud B`. A
    // request that has not started within `queueWait` is answered 503 and
    // taken out of the queue, nothing of it sent.
    RegisterLink(int port, std::uint32_t baud, std::string program, Journal& journal,
                 std::chrono::seconds queueWait = std::chrono::seconds(120));
    ~RegisterLink();
    RegisterLink(const RegisterLink&) = delete;
    RegisterLink& operator=(const RegisterLink&) = delete;

    int port() const { return port_; }
    RegisterInfo info() const;

    // Runs the job after those before it. A journalled job's row (`key`) is
    // kept up to date while it runs and finished with its outcome; the
    // outcome's body then carries the key and the register.
    JobOutcome run(const std::string& job, const nlohmann::json& args, const std::string& key = {});
    // Settles a row an earlier run of the service left "sending".
    JobOutcome reconcile(const JournalRecord& row);

  private:
    struct Item;
    JobOutcome enqueue(std::shared_ptr<Item> item);
    void loop();
    void serve(Item& item);
    // One attempt on the worker; nothing when the worker died during it.
    std::optional<JobOutcome> attempt(Item& item, bool reconciling);
    bool startWorker();
    void stopWorker();
    void workerDied();
    void finishRow(const Item& item, JobOutcome& o);

    const int port_;
    const std::uint32_t baud_;
    const std::string program_;
    Journal& journal_;
    const std::chrono::seconds queueWait_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Item>> items_;
    bool stopping_ = false;
    bool busy_ = false;
    bool online_ = false;
    std::string model_;
    std::string firmware_;
    pid_t pid_ = 0;
    int started_ = 0;
    std::unique_ptr<Channel> channel_; // the link thread's only
    std::chrono::milliseconds pause_{0};
    std::chrono::steady_clock::time_point nextStart_{};
    std::thread thread_;
};

} // namespace kasd
