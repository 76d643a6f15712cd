#include "RegisterWorker.h"

#include "Text.h"

#include <kasdrv.h>
#include <kashost/Register.h>
#include <kashost/Status.h>

namespace kasd {

RegisterWorker::RegisterWorker(int port, std::uint32_t baud) : port_(port), baud_(baud) {
    thread_ = std::thread([this] { loop(); });
    enqueue([this] {
        if (!openPort()) {
            return;
        }
        const auto status = kashost::readStatus();
        setOnline(status.has_value());
        if (status) {
            const auto* facts = kashost::reg::factsOf(kashost::modelOf(*status));
            setModel(facts != nullptr ? std::string(facts->name) : std::string(),
                     fromDriverText(status->firmware.value_or("")));
        }
    });
}

RegisterWorker::~RegisterWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (portOpen_) {
        FPClose();
    }
}

RegisterInfo RegisterWorker::info() const {
    std::lock_guard lock(mutex_);
    RegisterInfo i;
    i.port = port_;
    i.baud = baud_;
    i.model = model_;
    i.firmware = firmware_;
    i.state = !online_ ? "offline" : busy_ ? "busy" : "idle";
    i.queue = jobs_.size();
    return i;
}

bool RegisterWorker::openPort() {
    if (!portOpen_) {
        portOpen_ = FPInit(static_cast<std::uint8_t>(port_), baud_, 1, 1) != 0;
        if (!portOpen_) {
            setOnline(false);
        }
    }
    return portOpen_;
}

void RegisterWorker::setOnline(bool online) {
    std::lock_guard lock(mutex_);
    online_ = online;
}

void RegisterWorker::setModel(std::string model, std::string firmware) {
    std::lock_guard lock(mutex_);
    model_ = std::move(model);
    firmware_ = std::move(firmware);
}

void RegisterWorker::enqueue(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void RegisterWorker::loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            return; // stopping, and every job accepted has run
        }
        auto job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        job();
        lock.lock();
        busy_ = false;
    }
}

} // namespace kasd
