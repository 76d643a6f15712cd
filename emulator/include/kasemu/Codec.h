// The register's side of the serial link: command frames in, answers out.
//
// Frame:  DLE STX <payload with every DLE doubled> <checksum, doubled if DLE> DLE ETX
// where the payload bytes and the checksum add up to 0 mod 256. A command frame's payload is
// sequence, command byte, data; an answer's payload is the two header bytes (the command
// frame's sequence and command byte echoed), status, result, extended status, reply data.
// A raw block (logo image data) is N data bytes and one checksum byte, no framing at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "kasemu/Cp866.h"

namespace kasemu::wire {

inline constexpr std::uint8_t STX = 0x02;
inline constexpr std::uint8_t ETX = 0x03;
inline constexpr std::uint8_t ENQ = 0x05;
inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t DLE = 0x10;
inline constexpr std::uint8_t NAK = 0x15;
inline constexpr std::uint8_t SYN = 0x16;

// (0 - sum of bytes) mod 256.
std::uint8_t checksum(std::span<const std::uint8_t> bytes);

// DLE STX, stuffed payload and checksum, DLE ETX. A checksum may be imposed (to send a wrong
// one on purpose).
Bytes encodeFrame(std::span<const std::uint8_t> payload,
                  std::optional<std::uint8_t> checksumOverride = std::nullopt);

// The bytes the register sends for an answer: ACK followed by the answer frame.
struct AnswerHeader {
    std::uint8_t sequence = 0;
    std::uint8_t command = 0;
    std::uint8_t status = 0;
    std::uint8_t result = 0;
    std::uint8_t ext = 0;
};
Bytes answerPayload(const AnswerHeader& h, std::span<const std::uint8_t> data);

// A command frame as received.
struct CommandFrame {
    std::uint8_t sequence = 0;
    std::uint8_t command = 0;
    Bytes data;
    Bytes raw; // the bytes of the frame as they came over the line
};

// Accumulates bytes from the line and yields complete command frames. Bytes outside a frame
// are line noise and are skipped (counted in skippedBytes()).
class FrameDecoder {
  public:
    enum class Kind { None, Frame, BadChecksum, Malformed };
    struct Event {
        Kind kind = Kind::None;
        CommandFrame frame; // valid for Frame; raw bytes also for the bad kinds
    };

    // Feeds one byte; returns an event when the byte completed (or broke) a frame.
    Event push(std::uint8_t byte);
    // Drops a half-received frame.
    void reset();
    bool inFrame() const { return state_ != State::Idle; }
    std::size_t skippedBytes() const { return skipped_; }

  private:
    enum class State { Idle, GotDle, InFrame, InFrameDle };
    Event finish();

    State state_ = State::Idle;
    Bytes body_; // de-stuffed sequence, command, data, checksum
    Bytes raw_;
    std::size_t skipped_ = 0;
};

// Collects one raw block of a known size: size data bytes followed by the checksum byte.
class RawBlockCollector {
  public:
    explicit RawBlockCollector(std::size_t size = 0) : size_(size) {}
    void expect(std::size_t size) {
        size_ = size;
        buf_.clear();
    }
    // True once the block and its checksum byte are in.
    bool push(std::uint8_t byte);
    bool complete() const { return buf_.size() == size_ + 1; }
    bool checksumOk() const;
    std::span<const std::uint8_t> data() const { return {buf_.data(), size_}; }
    const Bytes& raw() const { return buf_; }
    std::size_t received() const { return buf_.size(); }
    void clear() { buf_.clear(); }

  private:
    std::size_t size_;
    Bytes buf_;
};

} // namespace kasemu::wire
