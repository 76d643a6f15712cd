#include "kasemu/Link.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>

#include "kaswire/Decode.h"

namespace kasemu {

namespace {
// How far behind its schedule the line may fall before the schedule restarts from now.
constexpr auto kScheduleSlack = std::chrono::milliseconds(3);
} // namespace

namespace {

using namespace std::chrono_literals;

// Bytes of line noise: none of them is a control byte of the link.
constexpr std::uint8_t kNoise[] = {0x7E, 0x81, 0x3C, 0xE7, 0x5A, 0x99, 0x24, 0xC3};

// Bytes of a partial raw block older than this are line noise.
constexpr auto kRawGap = 500ms;
// A raw transfer the host stopped feeding is abandoned after this.
constexpr auto kRawIdle = 10s;

std::string hex(std::span<const std::uint8_t> bytes) {
    std::string s;
    char buf[4];
    for (const std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        s += buf;
    }
    if (!s.empty()) {
        s.pop_back();
    }
    return s;
}

std::string timestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(ms));
    return buf;
}

} // namespace

int baudOfIndex(int index) {
    switch (index) {
    case 1:
        return 19200;
    case 2:
        return 38400;
    default:
        return 9600;
    }
}

Link::Link(Port& port, Model& model, std::mutex& modelMutex, FaultQueue& faults, LinkConfig config)
    : port_(port), model_(model), modelMutex_(modelMutex), faults_(faults),
      config_(std::move(config)) {
    std::lock_guard lock(modelMutex_);
    baud_ = baudOfIndex(model_.state().lineSpeedIndex);
}

Link::~Link() = default;

void Link::run() {
    while (poll(200ms)) {
    }
}

LinkCounters Link::counters() const {
    std::lock_guard lock(countersMutex_);
    return counters_;
}

void Link::resetCounters() {
    std::lock_guard lock(countersMutex_);
    counters_ = {};
}

void Link::count(std::uint64_t LinkCounters::*field, std::uint64_t n) {
    std::lock_guard lock(countersMutex_);
    counters_.*field += n;
}

std::chrono::microseconds Link::byteTime() const {
    // Ten bits a byte: start, eight data bits, stop.
    return std::chrono::microseconds(10'000'000 / baud_.load());
}

bool Link::sleepFor(std::chrono::microseconds d) {
    return port_.sleepUntil(port_.now() + d);
}

void Link::trace(const char* direction, std::span<const std::uint8_t> bytes,
                 const std::string& note) {
    if (!config_.trace) {
        return;
    }
    std::string line = timestamp() + " " + direction + " " + hex(bytes);
    if (!note.empty()) {
        line += "  (" + note + ")";
    }
    std::vector<std::string> lines{line};
    if (direction[0] == '<' || direction[0] == '-') {
        if (!traceDecoder_) {
            traceDecoder_ = std::make_unique<kaswire::ExchangeDecoder>();
        }
        const auto decoded = direction[0] == '<' ? traceDecoder_->FromHost(bytes)
                                                 : traceDecoder_->FromRegister(bytes);
        for (const std::string& d : decoded) {
            lines.push_back("    " + d);
        }
    }
    for (const std::string& l : lines) {
        if (config_.traceSink) {
            config_.traceSink(l);
        } else {
            std::cerr << l << std::endl;
        }
    }
}

bool Link::poll(std::chrono::milliseconds timeout) {
    if (rawRemaining_ > 0) {
        timeout = std::min(timeout, std::chrono::milliseconds(100));
    }
    const auto bytes = port_.read(timeout);
    if (!bytes) {
        return false;
    }
    const auto now = port_.now();
    if (rawRemaining_ > 0) {
        if (raw_.received() > 0 && now - lastByteAt_ > kRawGap && !takeFrameInsteadOfRawBlock()) {
            trace("<-", raw_.raw(), "incomplete raw block dropped");
            raw_.clear();
        }
        if (bytes->empty() && now - lastByteAt_ > kRawIdle) {
            trace("--", {}, "raw transfer abandoned");
            std::lock_guard lock(modelMutex_);
            model_.endRawTransfer();
            rawRemaining_ = 0;
            raw_.clear();
        }
    }
    if (bytes->empty()) {
        return true;
    }
    count(&LinkCounters::bytesReceived, bytes->size());
    lastByteAt_ = now;
    if (config_.strictSpeed) {
        const auto host = port_.hostBaud();
        if (host && *host != baud_.load()) {
            // The register samples the line at its own speed and hears only noise.
            count(&LinkCounters::ignoredBytes, bytes->size());
            trace("<-", *bytes, "garbled: host at " + std::to_string(*host) + " baud");
            return true;
        }
    }
    if (config_.pace) {
        rxFree_ = std::max(rxFree_, now);
    }
    for (const std::uint8_t b : *bytes) {
        if (config_.pace) {
            rxFree_ += byteTime();
        }
        handleByte(b);
    }
    return true;
}

void Link::handleByte(std::uint8_t b) {
    if (rawRemaining_ > 0) {
        if (raw_.push(b)) {
            handleRawBlock();
        }
        return;
    }
    const auto event = decoder_.push(b);
    switch (event.kind) {
    case wire::FrameDecoder::Kind::None:
        return;
    case wire::FrameDecoder::Kind::Malformed:
        count(&LinkCounters::badFrames);
        trace("<-", event.frame.raw, "malformed, ignored");
        return;
    case wire::FrameDecoder::Kind::BadChecksum:
        count(&LinkCounters::badFrames);
        trace("<-", event.frame.raw, "bad checksum");
        if (config_.pace) {
            port_.sleepUntil(rxFree_);
        }
        sendByte(wire::NAK);
        trace("->", std::span<const std::uint8_t>(&wire::NAK, 1));
        return;
    case wire::FrameDecoder::Kind::Frame:
        count(&LinkCounters::framesReceived);
        trace("<-", event.frame.raw);
        if (config_.pace) {
            port_.sleepUntil(rxFree_);
        }
        handleFrame(event.frame);
        return;
    }
}

void Link::handleFrame(const wire::CommandFrame& frame) {
    lastSequence_ = frame.sequence;
    const AnswerFaults faults = faults_.takeForAnswer(frame.command);
    if (faults.ignore) {
        trace("--", {}, "fault: frame ignored");
        return;
    }
    if (faults.nak) {
        sendByte(wire::NAK);
        trace("->", std::span<const std::uint8_t>(&wire::NAK, 1), "fault: NAK");
        return;
    }
    Outcome out;
    {
        std::lock_guard lock(modelMutex_);
        out = model_.execute(frame.command, frame.data);
        if (config_.onOutcome) {
            config_.onOutcome(out);
        }
    }
    if (out.result == 0 && (out.status & status::NotExecuted) == 0) {
        count(&LinkCounters::commandsCarriedOut);
    }
    if (out.raw && out.result == 0 && (out.status & 0x80) == 0 && out.raw->totalBytes > 0) {
        rawRemaining_ = out.raw->totalBytes;
        rawBlockSize_ = std::max<std::size_t>(1, out.raw->blockSize);
        rawCommand_ = frame.command;
        raw_.expect(std::min(rawRemaining_, rawBlockSize_));
        lastByteAt_ = port_.now();
    }
    if (faults.drop) {
        trace("--", {}, "fault: answer dropped");
    } else {
        answer(frame.sequence, frame.command, out, faults);
    }
    if (out.newLineSpeed) { // also when no answer carried the switch
        baud_ = baudOfIndex(*out.newLineSpeed);
    }
}

bool Link::takeFrameInsteadOfRawBlock() {
    wire::FrameDecoder decoder;
    const Bytes bytes = raw_.raw();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto event = decoder.push(bytes[i]);
        if (event.kind == wire::FrameDecoder::Kind::Frame && i + 1 == bytes.size()) {
            trace("<-", event.frame.raw, "a command frame ends the raw transfer");
            {
                std::lock_guard lock(modelMutex_);
                model_.endRawTransfer();
            }
            rawRemaining_ = 0;
            raw_.clear();
            count(&LinkCounters::framesReceived);
            handleFrame(event.frame);
            return true;
        }
    }
    return false;
}

void Link::handleRawBlock() {
    if (!raw_.checksumOk()) {
        count(&LinkCounters::badFrames);
        trace("<-", raw_.raw(), "raw block, bad checksum");
        raw_.clear();
        sendByte(wire::NAK);
        trace("->", std::span<const std::uint8_t>(&wire::NAK, 1));
        return;
    }
    count(&LinkCounters::rawBlocks);
    trace("<-", raw_.raw(), "raw block");
    if (config_.pace) {
        port_.sleepUntil(rxFree_);
    }
    const AnswerFaults faults = faults_.takeForAnswer();
    if (faults.ignore) {
        raw_.clear();
        return;
    }
    if (faults.nak) {
        raw_.clear();
        sendByte(wire::NAK);
        return;
    }
    Outcome out;
    bool refused = false;
    {
        std::lock_guard lock(modelMutex_);
        out = model_.executeRawBlock(raw_.data());
        if (config_.onOutcome) {
            config_.onOutcome(out);
        }
        refused = out.result != 0 || (out.status & 0x80) != 0;
        rawRemaining_ -= std::min(rawRemaining_, raw_.data().size());
        if (refused) {
            rawRemaining_ = 0;
        }
        if (rawRemaining_ == 0) {
            model_.endRawTransfer();
        }
    }
    raw_.expect(std::min(rawRemaining_, rawBlockSize_));
    // The host sends no sequence with a raw block and ignores the header bytes of the answer.
    lastSequence_ = static_cast<std::uint8_t>(lastSequence_ == 255 ? 1 : lastSequence_ + 1);
    if (!faults.drop) {
        answer(lastSequence_, rawCommand_, out, faults, !refused);
    }
}

void Link::answer(std::uint8_t sequence, std::uint8_t command, const Outcome& out,
                  const AnswerFaults& faults, bool acceptedRawBlock) {
    if (faults.delayMs > 0 && !sleepFor(std::chrono::milliseconds(faults.delayMs))) {
        return;
    }
    Bytes head;
    for (int i = 0; i < faults.garbage; ++i) {
        head.push_back(kNoise[static_cast<std::size_t>(i) % sizeof kNoise]);
    }
    if (faults.synBeforeAck) {
        head.push_back(wire::SYN);
    }
    head.push_back(wire::ACK);
    const bool shapedFrame = faults.status || faults.result || faults.ext || faults.badChecksum ||
                             faults.cut || faults.nineDles || faults.dataLength != 0;
    if (faults.ackEnq || (acceptedRawBlock && !shapedFrame)) {
        head.push_back(wire::ENQ);
        send(head);
        trace("->", head, faults.ackEnq ? "fault: ACK ENQ" : "");
        count(&LinkCounters::answersSent);
        return;
    }
    send(head);
    trace("->", head);

    // While the printer works the register says it is alive about once a second.
    auto busy = std::chrono::duration_cast<std::chrono::microseconds>(out.busy);
    while (busy > 1s) {
        if (!sleepFor(1s)) {
            return;
        }
        busy -= 1s;
        sendByte(wire::SYN);
        count(&LinkCounters::synSent);
        trace("->", std::span<const std::uint8_t>(&wire::SYN, 1), "busy");
    }
    if (busy > 0us && !sleepFor(busy)) {
        return;
    }
    for (int i = 0; i < faults.synStorm; ++i) {
        if (!sleepFor(std::chrono::milliseconds(faults.synStormSpacingMs))) {
            return;
        }
        sendByte(wire::SYN);
        count(&LinkCounters::synSent);
        trace("->", std::span<const std::uint8_t>(&wire::SYN, 1), "fault: SYN storm");
    }

    std::string note;
    wire::AnswerHeader h;
    h.sequence = sequence;
    h.command = command;
    h.status = faults.status ? *faults.status : out.status;
    h.result = faults.result ? *faults.result : out.result;
    h.ext = faults.ext ? *faults.ext : out.ext;
    Bytes data = out.data;
    if (faults.dataLength < 0) {
        data.resize(data.size() - std::min(data.size(), static_cast<std::size_t>(-static_cast<long>(
                                                            faults.dataLength))));
    } else if (faults.dataLength > 0) {
        data.resize(data.size() + static_cast<std::size_t>(faults.dataLength), 0);
    }
    const Bytes payload = wire::answerPayload(h, data);
    std::optional<std::uint8_t> badSum;
    if (faults.badChecksum) {
        badSum = static_cast<std::uint8_t>(wire::checksum(payload) ^ 0x5A);
    }
    Bytes frame = wire::encodeFrame(payload, badSum);
    if (faults.nineDles) {
        frame.resize(frame.size() - 2);
        frame.insert(frame.end(), 9, wire::DLE);
        frame.push_back(wire::ETX);
        note = "fault: nine DLEs";
    }
    if (faults.cut) {
        const std::size_t keep =
            *faults.cut < 0 ? frame.size() / 2
                            : std::min(frame.size(), static_cast<std::size_t>(*faults.cut));
        frame.resize(keep);
        note = "fault: cut";
    }
    send(frame, out.newLineSpeed ? std::optional(baudOfIndex(*out.newLineSpeed)) : std::nullopt);
    count(&LinkCounters::answersSent);
    trace("->", frame, note);
}

void Link::send(std::span<const std::uint8_t> bytes, std::optional<int> baudAfter) {
    count(&LinkCounters::bytesSent, bytes.size());
    if (!config_.pace) {
        if (baudAfter) {
            baud_ = *baudAfter;
        }
        port_.write(bytes);
        return;
    }
    // Each byte leaves when the line has carried it.
    // The register answers as soon as the command has arrived: the answer's bytes follow
    // the command's on the line without the host thread's wake-up delays in between. Real
    // work (printing) that took longer starts the schedule from now.
    auto t = std::max(txFree_, rxFree_);
    if (port_.now() - t > kScheduleSlack) {
        t = port_.now();
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        t += byteTime();
        if (!port_.sleepUntil(t)) {
            return;
        }
        if (baudAfter && i + 1 == bytes.size()) {
            baud_ = *baudAfter;
        }
        port_.write(bytes.subspan(i, 1));
    }
    txFree_ = t;
}

} // namespace kasemu
