// Link faults the emulator can be told to commit, for testing how a host copes with a
// misbehaving register. Each fault is armed for a number of answers (count) and is used up one
// answer at a time; several armed faults can act on the same answer.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kasemu {

enum class FaultKind {
    Ignore,           // "ignore": the command frame is lost; no ACK, no answer, not executed
    Drop,             // "drop": the command is executed but no ACK and no answer are sent
    BadChecksum,      // "bad-checksum": the answer frame carries a wrong checksum
    Nak,              // "nak": the command is refused with a NAK, not executed
    GarbageBeforeAck, // "garbage[:N]": N line-noise bytes (default 3) before the ACK
    SynBeforeAck,     // "syn-before-ack": a SYN before the ACK
    Delay,            // "delay:MS": the whole answer is held back MS milliseconds
    AckEnq,           // "ack-enq": the answer is ACK ENQ alone (the command is executed)
    ForceStatus,      // "status:B": the answer's status byte is B
    ForceResult,      // "result:B": the answer's result byte is B
    ForceExt,         // "ext:B": the answer's extended status byte is B
    SynStorm,         // "syn-storm:N[:MS]": N SYNs (default 5) MS ms apart (default 1000) after ACK
    Cut,              // "cut[:N]": only the first N bytes of the frame (default half) are sent
    NineDles,         // "nine-dles": the frame ends with nine DLEs before ETX
    DataLength,       // "length:N": reply data N bytes longer (N>0, zeros) or shorter (N<0)
};

struct Fault {
    FaultKind kind = FaultKind::Ignore;
    int count = 1;  // answers it acts on
    int value = 0;  // the kind's first argument
    int value2 = 0; // the kind's second argument (syn-storm spacing)
    // Aimed at one command: acts only on answers to it and is used up by them alone,
    // after letting `skip` of them pass untouched.
    std::optional<std::uint8_t> command;
    int skip = 0;
};

// Parses "name[:arg[:arg2]][@command[+skip]][*count]", e.g. "drop*2", "delay:2500",
// "status:0x20", "syn-storm:4:800", "result:3@0x2A" (only the next answer to command 0x2A),
// "result:3@0x1C+2" (the third answer to 0x1C from now). Numbers are decimal or
// 0x-hex. Returns nothing for an unknown text.
std::optional<Fault> parseFault(std::string_view text);
std::string faultName(FaultKind kind);
// One line per fault kind, for --help.
std::string faultHelp();

// The faults that act on one answer.
struct AnswerFaults {
    bool ignore = false;
    bool drop = false;
    bool badChecksum = false;
    bool nak = false;
    int garbage = 0;
    bool synBeforeAck = false;
    int delayMs = 0;
    bool ackEnq = false;
    std::optional<std::uint8_t> status, result, ext;
    int synStorm = 0;
    int synStormSpacingMs = 1000;
    std::optional<int> cut; // bytes of the frame sent; -1 = half
    bool nineDles = false;
    int dataLength = 0;
    bool any() const;
};

// Thread-safe set of armed faults.
class FaultQueue {
  public:
    void arm(const Fault& f);
    void clear();
    std::size_t armed() const;
    // Takes the faults for the next answer, using up one count of each; faults aimed at
    // a command act only when `command` is that command (never on a raw block, which
    // has no command).
    AnswerFaults takeForAnswer(std::optional<std::uint8_t> command = std::nullopt);

  private:
    mutable std::mutex mutex_;
    std::vector<Fault> faults_;
};

} // namespace kasemu
