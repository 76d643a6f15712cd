// A serial port driven by a script, with a manual clock: the link layer runs
// its time-outs, retries and SYN pauses without any real waiting.
#pragma once

#include "platform/Clock.h"
#include "platform/SerialPort.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace kastest {

using Bytes = std::vector<uint8_t>;

class ManualClock final : public kasdrv::platform::Clock {
  public:
    double NowDays() override { return nowMs_ / kasdrv::platform::kMsPerDay; }
    void SleepMs(uint32_t ms) override { nowMs_ += ms; }
    void Advance(double ms) { nowMs_ += ms; }
    double NowMs() const { return nowMs_; }

  private:
    double nowMs_ = 1e9; // far from zero, like a real clock
};

// One byte of what the register sends, after a pause.
struct LineByte {
    uint8_t byte;
    uint32_t delayMs;
};

class ScriptedPort final : public kasdrv::platform::SerialPort {
  public:
    explicit ScriptedPort(ManualClock& clock) : clock_(clock) {}

    // Called with each write; returns what the register sends back.
    std::function<std::vector<LineByte>(const Bytes& written)> responder;

    std::vector<Bytes> writes;
    int purges = 0;
    int receivePurges = 0;
    uint32_t readTimeoutMs = 1000; // the port's own one-byte read time-out

    void Purge() override {
        ++purges;
        pending_.clear();
    }
    void PurgeReceive() override {
        ++receivePurges;
        pending_.clear();
    }
    bool ReadByte(uint8_t& byte, uint32_t maxWaitMs) override;
    std::size_t Write(std::span<const uint8_t> bytes) override;

  private:
    ManualClock& clock_;
    std::deque<LineByte> pending_;
};

// Bytes sent back at once.
std::vector<LineByte> Now(const Bytes& bytes);
// An answer frame built by hand: ACK, DLE STX, payload with DLEs doubled,
// checksum, DLE ETX.
Bytes AnswerFrame(const Bytes& payload, bool withAck = true);
// The payload of an answer: two header bytes, status, result, ext status, data.
// Its header bytes are 0: a register that does not echo the frame's number.
Bytes Payload(uint8_t status, uint8_t result, uint8_t ext, const Bytes& data = {});

// Installs a scripted port and the manual clock for the driver, and removes
// them again. FPInit then opens the scripted port.
class ScriptedLine {
  public:
    ScriptedLine();
    ~ScriptedLine();
    ScriptedLine(const ScriptedLine&) = delete;
    ScriptedLine& operator=(const ScriptedLine&) = delete;

    ManualClock clock;
    ScriptedPort port{clock};

    // Every write answered with the same payload.
    void AnswerAll(const Bytes& payload);
    // Writes answered in turn with these payloads (the last one repeats).
    void AnswerInTurn(std::vector<Bytes> payloads);
};

} // namespace kastest

namespace kastest {
// The driver's last error text, as UTF-8.
std::string ErrorTextUtf8();
// The data bytes of a command frame: between the sequence and checksum,
// with the doubled DLEs undone (the first byte is the command byte).
Bytes CommandOf(const Bytes& frame);
} // namespace kastest
