// Frames of the register's serial line taken apart for people: the command's
// name and fields from the host, the status, result and reply fields from the
// register, each line stamped with the time since the exchange began.
//
// Written from the wire format alone, for tracing and for hosts that cut what
// they hear into frames (kasctl detect): it judges nothing and changes nothing
// that passes. The driver and the emulator keep codecs of their own.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kaswire {

// "sale line", "payment", … ("command 0x3F" for one the register does not have).
std::string CommandName(std::uint8_t command);
// The command's fields: `qty=1.500 price=12.40 group=А name="Хліб" code=0`.
std::string CommandFields(std::uint8_t command, std::span<const std::uint8_t> data);
// The answer's status and result in words and the reply's fields, read as the
// answer to `command`.
std::string AnswerFields(std::uint8_t command, std::uint8_t status, std::uint8_t result,
                         std::uint8_t ext, std::span<const std::uint8_t> reply);
// A text of the wire (code page 866) in UTF-8.
std::string FromWireText(std::span<const std::uint8_t> bytes);

// One direction of the line cut into its units: control bytes and frames.
class FrameSplitter {
  public:
    struct Unit {
        enum class Kind { Ack, Nak, Syn, Enq, Frame, Noise } kind;
        std::vector<std::uint8_t> payload; // de-stuffed, checksum taken off (frames)
        bool checksumOk = true;
    };
    // The units that the bytes complete.
    std::vector<Unit> Push(std::span<const std::uint8_t> bytes);

  private:
    std::vector<std::uint8_t> frame_; // after DLE STX, still stuffed
    bool inFrame_ = false;
    bool dle_ = false;
};

// Both directions of one line: each call returns the lines to print.
class ExchangeDecoder {
  public:
    using Clock = std::chrono::steady_clock;
    explicit ExchangeDecoder(Clock::time_point start = Clock::now()) : start_(start) {}
    std::vector<std::string> FromHost(std::span<const std::uint8_t> bytes,
                                      Clock::time_point at = Clock::now());
    std::vector<std::string> FromRegister(std::span<const std::uint8_t> bytes,
                                          Clock::time_point at = Clock::now());

  private:
    std::string Stamp(Clock::time_point at) const;
    Clock::time_point start_;
    FrameSplitter host_;
    FrameSplitter register_;
    std::optional<std::uint8_t> lastCommand_;
    std::optional<Clock::time_point> sentAt_;
};

} // namespace kaswire
