// The one thread that owns the driver. The driver serves one port per
// process, so one kasd process serves one register: every request for it is
// run here, one at a time, in the order it arrived.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kasd {

struct RegisterInfo {
    int port = 1;
    std::uint32_t baud = 9600;
    std::string model;     // "RX-410F", empty while not known
    std::string firmware;  // UTF-8, empty while not known
    std::string state;     // idle, busy, offline
    std::size_t queue = 0; // requests waiting, the running one not counted
};

class RegisterWorker {
  public:
    // Starts the thread, which opens the port and reads the register's model.
    RegisterWorker(int port, std::uint32_t baud);
    ~RegisterWorker();
    RegisterWorker(const RegisterWorker&) = delete;
    RegisterWorker& operator=(const RegisterWorker&) = delete;

    int port() const { return port_; }
    RegisterInfo info() const;

    // Runs `job` on the worker thread after the jobs before it and gives its
    // result. The port is open (or reopened) before the job runs; the job
    // reports the register offline through setOnline(false).
    template <class F> auto run(F job) -> decltype(job()) {
        using R = decltype(job());
        auto task = std::make_shared<std::packaged_task<R()>>(std::move(job));
        auto result = task->get_future();
        enqueue([task] { (*task)(); });
        return result.get();
    }

    // On the worker thread: whether the port is open, opening it when not.
    bool openPort();
    // On the worker thread: what the last exchange showed of the register.
    void setOnline(bool online);
    void setModel(std::string model, std::string firmware);

  private:
    void enqueue(std::function<void()> job);
    void loop();

    const int port_;
    const std::uint32_t baud_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    bool busy_ = false;
    bool portOpen_ = false;
    bool online_ = false;
    std::string model_;
    std::string firmware_;
    std::thread thread_;
};

} // namespace kasd
