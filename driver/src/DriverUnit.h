// The serial link: framing, one transaction with its time-outs and retries,
// and the text conversions between the interface and the register.
#pragma once

#include "DriverSession.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kasdrv {

constexpr uint8_t kDLE = 0x10;
constexpr uint8_t kSTX = 0x02;
constexpr uint8_t kETX = 0x03;
constexpr uint8_t kENQ = 0x05;
constexpr uint8_t kACK = 0x06;
constexpr uint8_t kNAK = 0x15;
constexpr uint8_t kSYN = 0x16;

// An answer must be complete within this many days of the send (1.728 s),
// counted again from every SYN the register sends while it is busy.
constexpr double kAnswerDeadlineDays = 2e-5;
constexpr uint32_t kSynPauseMs = 200;
constexpr int kAttempts = 3;

// DLE STX, sequence, command byte and data with every DLE doubled, checksum,
// DLE ETX. The checksum makes sequence + command + data + checksum = 0 mod 256.
Bytes BuildFrame(uint8_t sequence, std::span<const uint8_t> command);

// A raw block: the bytes as they are plus (0 - sum) mod 256.
Bytes BuildRawBlock(std::span<const uint8_t> data);

// True when the bytes end with ETX preceded by a run of exactly 1, 3, 5 or 7 DLEs.
bool EndsWithFrameEnd(std::span<const uint8_t> bytes);

// Purges the port, advances Sequence (1..255, never 0), writes the frame
// (or raw block) in one write and stamps LastSendTime.
bool SendCommand(std::span<const uint8_t> command, bool raw);

// What the frames sent before the current one tell about the answers on the line.
// The register echoes a command frame's sequence number in the first header byte
// of its answer.
struct AnswerOrigin {
    // Earlier attempts of this transaction that got no answer within their window:
    // an answer carrying one of their numbers is that attempt's late answer.
    std::span<const uint8_t> awaited;
    // The register is known to echo: an answer carrying the number of a frame of an
    // earlier transaction is that frame's late answer and is dropped.
    bool dropEarlierTransactions = false;
    // Out: the late answers of awaited attempts, as received, in order.
    std::vector<Bytes> late;
};

// Collects one answer into RawAnswer; true when it is complete and begins with ACK.
// A SYN before the answer frame pauses 200 ms and restarts the deadline (in logo-transfer
// mode it is dropped); inside the frame a byte 0x16 is data like any other. With an
// origin, an answer that belongs to an earlier frame is taken out of the way (kept in
// origin->late, or dropped) and the current frame's answer is read on within its window.
bool ReceiveAnswer(AnswerOrigin* origin = nullptr);

// The de-stuffed payload of a whole, valid answer frame without its checksum (at least
// the five header bytes), empty for ACK ENQ; nothing for an answer that fails the shape,
// checksum or length check.
std::optional<Bytes> AnswerPayload(std::span<const uint8_t> answer);

// Checks the answer's shape and checksum and unpacks the status bytes and ReplyData.
bool ParseAnswer(std::span<const uint8_t> answer);

// One transaction: up to three attempts of send and receive, then parse. A
// command that is not repeatable (IsRepeatable) gets a further attempt only
// after a NAK or a silent answer window; otherwise the transaction ends at
// once with AnswerInDoubt set. An answer is taken only from the frame it
// answers: a late answer of an earlier attempt of a command that is not
// repeatable counts that attempt's execution, and when the register carried
// the command out more than once the transaction fails with
// CarriedOutMoreThanOnce set.
bool ExecuteCommand(std::span<const uint8_t> command, bool raw = false);

// Windows-1251 text to the register's code page 866, with І і № Ґ ґ replaced first.
std::string ToDeviceText(std::string_view cp1251);
// The register's code page 866 to Windows-1251.
std::string FromDeviceText(std::string_view cp866);

} // namespace kasdrv
