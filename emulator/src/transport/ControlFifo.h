// Faults armed by hand while the emulator runs: lines written to a FIFO, each
// a fault word as --fault takes it, or "clear".
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "kasemu/Faults.h"

namespace kasemu {

class ControlFifo {
  public:
    using Sink = std::function<void(const std::string&)>;
    // Makes the FIFO when it is missing; throws when the path is something else.
    ControlFifo(std::string path, FaultQueue& faults, Sink reply);
    ~ControlFifo();
    ControlFifo(const ControlFifo&) = delete;
    ControlFifo& operator=(const ControlFifo&) = delete;

    // What one line does, with the reply it gets.
    std::string Handle(const std::string& line);

  private:
    void Serve();

    std::string path_;
    FaultQueue& faults_;
    Sink reply_;
    int fd_ = -1;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

} // namespace kasemu
