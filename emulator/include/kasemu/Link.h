// The register's link layer: takes bytes from the port, recognises command frames (or raw
// blocks when the model expects them), runs the commands on the model and sends back ACK,
// SYN while busy, and the answer frame; commits the faults it has been told to commit.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "kasemu/Codec.h"
#include "kasemu/Emulator.h"
#include "kasemu/Faults.h"
#include "kasemu/Model.h"
#include "kasemu/Port.h"

namespace kaswire {
class ExchangeDecoder;
}

namespace kasemu {

struct LinkConfig {
    bool pace = false;
    bool strictSpeed = false;
    bool trace = false;
    std::function<void(const std::string&)> traceSink;
    // Called under the model lock after every command or raw block the model ran.
    std::function<void(const Outcome&)> onOutcome;
};

int baudOfIndex(int index); // 0 9600, 1 19200, 2 38400

class Link {
  public:
    Link(Port& port, Model& model, std::mutex& modelMutex, FaultQueue& faults, LinkConfig config);
    ~Link();

    // Serves until the port shuts down.
    void run();
    // One round: waits at most `timeout` for bytes and handles what came. False when the
    // port shut down.
    bool poll(std::chrono::milliseconds timeout);

    LinkCounters counters() const;
    void resetCounters();
    int baud() const { return baud_.load(); }
    void setBaud(int baud) { baud_ = baud; }

  private:
    void handleByte(std::uint8_t b);
    void handleFrame(const wire::CommandFrame& frame);
    void handleRawBlock();
    // An accepted raw block is answered with ACK ENQ alone unless a fault shapes a frame.
    void answer(std::uint8_t sequence, std::uint8_t command, const Outcome& out,
                const AnswerFaults& faults, bool acceptedRawBlock = false);
    // A partial raw block that is a whole command frame: the host left the transfer.
    bool takeFrameInsteadOfRawBlock();
    // With `baudAfter`, the line switches to that speed as its last byte
    // leaves: a host that has read the whole answer finds the new speed.
    void send(std::span<const std::uint8_t> bytes, std::optional<int> baudAfter = std::nullopt);
    void sendByte(std::uint8_t b) { send(std::span<const std::uint8_t>(&b, 1)); }
    bool sleepFor(std::chrono::microseconds d);
    std::chrono::microseconds byteTime() const;
    void trace(const char* direction, std::span<const std::uint8_t> bytes,
               const std::string& note = {});
    void count(std::uint64_t LinkCounters::*field, std::uint64_t n = 1);

    Port& port_;
    Model& model_;
    std::mutex& modelMutex_;
    FaultQueue& faults_;
    LinkConfig config_;

    wire::FrameDecoder decoder_;
    // The traced bytes taken apart into commands and answers for people.
    std::unique_ptr<kaswire::ExchangeDecoder> traceDecoder_;
    wire::RawBlockCollector raw_;
    std::size_t rawRemaining_ = 0;
    std::size_t rawBlockSize_ = 64;
    std::uint8_t rawCommand_ = 0;
    Port::TimePoint lastByteAt_{};
    std::uint8_t lastSequence_ = 0;
    std::atomic<int> baud_{9600};
    Port::TimePoint rxFree_{}; // when the line has delivered the bytes read so far
    Port::TimePoint txFree_{}; // when the line has carried the bytes written so far

    mutable std::mutex countersMutex_;
    LinkCounters counters_;
};

} // namespace kasemu
