#include "ScriptedPort.h"

#include "kasdrv.h"

#include <algorithm>

namespace kastest {

namespace {

// The driver owns its port; this forwards to the test's script.
class PortProxy final : public kasdrv::platform::SerialPort {
  public:
    explicit PortProxy(ScriptedPort& target) : target_(target) {}
    void Purge() override { target_.Purge(); }
    void PurgeReceive() override { target_.PurgeReceive(); }
    bool ReadByte(uint8_t& b, uint32_t w) override { return target_.ReadByte(b, w); }
    std::size_t Write(std::span<const uint8_t> bytes) override { return target_.Write(bytes); }

  private:
    ScriptedPort& target_;
};

} // namespace

bool ScriptedPort::ReadByte(uint8_t& byte, uint32_t maxWaitMs) {
    const uint32_t wait = std::min(readTimeoutMs, maxWaitMs);
    if (pending_.empty() || pending_.front().delayMs > wait) {
        if (!pending_.empty()) {
            pending_.front().delayMs -= wait;
        }
        clock_.Advance(wait);
        return false;
    }
    clock_.Advance(pending_.front().delayMs);
    byte = pending_.front().byte;
    pending_.pop_front();
    return true;
}

std::size_t ScriptedPort::Write(std::span<const uint8_t> bytes) {
    writes.emplace_back(bytes.begin(), bytes.end());
    if (responder) {
        for (const LineByte& b : responder(writes.back())) {
            pending_.push_back(b);
        }
    }
    return bytes.size();
}

std::vector<LineByte> Now(const Bytes& bytes) {
    std::vector<LineByte> out;
    for (const uint8_t b : bytes) {
        out.push_back({b, 0});
    }
    return out;
}

Bytes AnswerFrame(const Bytes& payload, bool withAck) {
    Bytes out;
    if (withAck) {
        out.push_back(0x06);
    }
    out.push_back(0x10);
    out.push_back(0x02);
    unsigned sum = 0;
    auto put = [&out](uint8_t b) {
        out.push_back(b);
        if (b == 0x10) {
            out.push_back(0x10);
        }
    };
    for (const uint8_t b : payload) {
        sum += b;
        put(b);
    }
    put(static_cast<uint8_t>(0u - sum));
    out.push_back(0x10);
    out.push_back(0x03);
    return out;
}

Bytes Payload(uint8_t status, uint8_t result, uint8_t ext, const Bytes& data) {
    Bytes p;
    p.reserve(5 + data.size());
    for (const uint8_t b : {uint8_t{0x00}, uint8_t{0x00}, status, result, ext}) {
        p.push_back(b);
    }
    for (const uint8_t b : data) {
        p.push_back(b);
    }
    return p;
}

ScriptedLine::ScriptedLine() {
    kasdrv::platform::SetClockForTesting(&clock);
    kasdrv::platform::SetPortOpenerForTesting(
        [this](const kasdrv::platform::PortRequest&) { return std::make_unique<PortProxy>(port); });
    FPInit(1, 9600, 1, 1);
}

ScriptedLine::~ScriptedLine() {
    FPClose();
    kasdrv::platform::SetPortOpenerForTesting(nullptr);
    kasdrv::platform::SetClockForTesting(nullptr);
}

void ScriptedLine::AnswerAll(const Bytes& payload) {
    port.responder = [payload](const Bytes&) { return Now(AnswerFrame(payload)); };
}

void ScriptedLine::AnswerInTurn(std::vector<Bytes> payloads) {
    auto index = std::make_shared<std::size_t>(0);
    port.responder = [payloads = std::move(payloads), index](const Bytes&) {
        const Bytes& p = payloads[std::min(*index, payloads.size() - 1)];
        ++*index;
        return Now(AnswerFrame(p));
    };
}

} // namespace kastest

#include "platform/CodePage.h"

namespace kastest {

std::string ErrorTextUtf8() {
    return kasdrv::platform::Cp1251ToUtf8(FPErrorMessage());
}

Bytes CommandOf(const Bytes& frame) {
    Bytes unstuffed;
    for (std::size_t i = 2; i + 2 < frame.size(); ++i) {
        unstuffed.push_back(frame[i]);
        if (frame[i] == 0x10 && frame[i + 1] == 0x10) {
            ++i;
        }
    }
    // Drop the sequence byte and the checksum.
    if (unstuffed.size() < 2) {
        return {};
    }
    return Bytes(unstuffed.begin() + 1, unstuffed.end() - 1);
}

} // namespace kastest
