// One command transaction over the port: send, collect the answer, retry.
#include "DriverUnit.h"

#include "CommandTable.h"

#include "platform/Clock.h"

#include <algorithm>
#include <cmath>

namespace kasdrv {

namespace {

bool StartsWith(const Bytes& bytes, uint8_t first, uint8_t second) {
    return bytes.size() >= 2 && bytes[0] == first && bytes[1] == second;
}

// Milliseconds left until the answer deadline, at least 1 so that the read
// after which the deadline is tested still happens.
uint32_t MsUntilDeadline(double now, double lastSend) {
    const double left = (lastSend + kAnswerDeadlineDays - now) * platform::kMsPerDay;
    return left <= 1.0 ? 1u : static_cast<uint32_t>(std::ceil(left));
}

} // namespace

bool SendCommand(std::span<const uint8_t> command, bool raw) {
    DriverSession& s = Session();
    s.ErrorText.clear();
    if (s.PortHandle) {
        s.PortHandle->Purge();
    }
    if (s.Sequence == 255) {
        s.Sequence = 0;
    }
    ++s.Sequence;
    const Bytes bytes = raw ? BuildRawBlock(command) : BuildFrame(s.Sequence, command);
    std::size_t written = 0;
    if (s.PortHandle) {
        written = s.PortHandle->Write(bytes);
    }
    s.LastSendTime = platform::CurrentClock().NowDays();
    return written == bytes.size();
}

namespace {

// Whether a complete answer frame belongs to a frame sent before the current one;
// true when it has been taken out of the way.
bool TakeEarlierAnswer(AnswerOrigin& origin, const Bytes& answer) {
    const std::optional<Bytes> payload = AnswerPayload(answer);
    if (!payload || payload->empty()) {
        return false; // not a whole frame: its number cannot be trusted
    }
    const DriverSession& s = Session();
    const uint8_t number = (*payload)[0];
    const auto has = [number](std::span<const uint8_t> numbers) {
        return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
    };
    if (has(origin.awaited)) {
        origin.late.push_back(answer);
        return true;
    }
    // Numbers run 1..255: a 0 in the list marks a place not yet used.
    return origin.dropEarlierTransactions && number != 0 && number != s.Sequence &&
           has(s.RecentSequences);
}

} // namespace

bool ReceiveAnswer(AnswerOrigin* origin) {
    DriverSession& s = Session();
    platform::Clock& clock = platform::CurrentClock();
    s.RawAnswer.clear();
    // The register sends SYN only between its ACK and the answer frame. Once the frame has
    // begun (its first DLE), a byte 0x16 is frame data: a sequence number, a checksum, a sum.
    bool frameBegun = false;
    s.AnswerBytesHeard = false;
    for (;;) {
        uint8_t byte = 0;
        const uint32_t wait = MsUntilDeadline(clock.NowDays(), s.LastSendTime);
        bool got = false;
        if (s.PortHandle) {
            got = s.PortHandle->ReadByte(byte, wait);
        } else {
            clock.SleepMs(wait); // no port: nothing ever arrives
        }
        if (clock.NowDays() - s.LastSendTime > kAnswerDeadlineDays) {
            break; // too late: a byte that came now is not used
        }
        if (!got) {
            continue;
        }
        s.AnswerBytesHeard = true;
        if (byte == kSYN && !frameBegun) {
            if (s.LogoTransferMode) {
                continue;
            }
            clock.SleepMs(kSynPauseMs);
            s.RawAnswer.push_back(byte);
            s.LastSendTime = clock.NowDays();
            continue;
        }
        s.RawAnswer.push_back(byte);
        frameBegun = frameBegun || byte == kDLE;
        if (StartsWith(s.RawAnswer, kACK, kENQ)) {
            return true;
        }
        if (EndsWithFrameEnd(s.RawAnswer)) {
            if (!s.RawAnswer.empty() && s.RawAnswer[0] == kNAK) {
                break;
            }
            if (s.RawAnswer[0] == kACK && origin != nullptr &&
                TakeEarlierAnswer(*origin, s.RawAnswer)) {
                // Not this frame's answer: wait on for it within the same window.
                s.RawAnswer.clear();
                s.AnswerBytesHeard = false;
                frameBegun = false;
                continue;
            }
            return s.RawAnswer[0] == kACK;
        }
    }
    if (!s.RawAnswer.empty() && s.RawAnswer[0] == kNAK && s.PortHandle) {
        s.PortHandle->PurgeReceive();
    }
    return false;
}

namespace {

bool Executed(const Bytes& payload) {
    return payload.size() >= 5 && payload[3] == 0 && (payload[2] & 0x80) == 0;
}

// A command that is not repeatable, after the late answer of an earlier attempt came
// during this one: counts what the register carried out by the answers of every
// attempt. Leaves in RawAnswer the answer to parse and returns true when the outcome
// is plain; otherwise fails with CarriedOutMoreThanOnce or AnswerInDoubt set.
bool SettleLateAnswers(const std::vector<Bytes>& late, bool answered) {
    DriverSession& s = Session();
    const bool turnedDown = !s.RawAnswer.empty() && s.RawAnswer[0] == kNAK;
    const bool currentWhole = answered && AnswerPayload(s.RawAnswer).has_value();
    std::vector<Bytes> answers = late;
    if (currentWhole) {
        answers.push_back(s.RawAnswer);
    }
    int executions = 0;
    const Bytes* executedAnswer = nullptr;
    for (const Bytes& a : answers) {
        const std::optional<Bytes> payload = AnswerPayload(a);
        // ACK ENQ is a plain success.
        if (payload && (payload->empty() || Executed(*payload))) {
            ++executions;
            executedAnswer = &a;
        }
    }
    if (executions > 1) {
        if (currentWhole) {
            ParseAnswer(s.RawAnswer); // the status as the register last reported it
        }
        s.CarriedOutMoreThanOnce = true;
        return false;
    }
    if (!currentWhole && !turnedDown) {
        // This attempt's answer is missing or broken: it may have been carried out too.
        s.AnswerInDoubt = true;
        return false;
    }
    // Carried out once at most: that attempt's answer, or else the last refusal.
    s.RawAnswer = executedAnswer != nullptr ? *executedAnswer : answers.back();
    return true;
}

void Remember(uint8_t sequence) {
    DriverSession& s = Session();
    s.RecentSequences[s.NextRecent] = sequence;
    s.NextRecent = (s.NextRecent + 1) % s.RecentSequences.size();
}

// Learns whether the register echoes the frame's number: two answers in a row that do.
void NoteEcho(const Bytes& answer, uint8_t sequence) {
    DriverSession& s = Session();
    const std::optional<Bytes> payload = AnswerPayload(answer);
    if (!payload || payload->empty()) {
        return;
    }
    s.EchoesInARow = (*payload)[0] == sequence ? std::min(s.EchoesInARow + 1, 2) : 0;
}

} // namespace

bool ExecuteCommand(std::span<const uint8_t> command, bool raw) {
    DriverSession& s = Session();
    s.LastStatusByte = 0;
    s.LastResultByte = 0;
    s.AnswerInDoubt = false;
    s.CarriedOutMoreThanOnce = false;
    // A command that must not be carried out twice is sent again only when the
    // register plainly did not take it: it said NAK, or said nothing at all.
    // Anything else it sent may mean it has carried the command out.
    const bool repeatable = !raw && !command.empty() && IsRepeatable(command[0]);
    // A raw block carries no number, and the register's answer to it echoes none.
    AnswerOrigin origin;
    Bytes awaited;
    origin.dropEarlierTransactions = !raw && s.EchoesInARow >= 2;
    bool answered = false;
    for (int attempt = 0; attempt < kAttempts && !answered; ++attempt) {
        SendCommand(command, raw);
        if (!raw) {
            Remember(s.Sequence);
        }
        origin.awaited = awaited;
        answered = ReceiveAnswer(raw ? nullptr : &origin);
        const bool turnedDown =
            !s.AnswerBytesHeard || (!s.RawAnswer.empty() && s.RawAnswer[0] == kNAK);
        if (!repeatable && !origin.late.empty()) {
            answered = SettleLateAnswers(origin.late, answered);
            if (!answered) {
                return false;
            }
            break;
        }
        if (!answered && !repeatable && !turnedDown) {
            s.AnswerInDoubt = true;
            return false;
        }
        if (!raw && !answered && !s.AnswerBytesHeard) {
            awaited.push_back(s.Sequence); // its answer may yet come
        }
    }
    if (!answered) {
        return false;
    }
    if (!ParseAnswer(s.RawAnswer)) {
        s.AnswerInDoubt = !repeatable;
        return false;
    }
    if (!raw && origin.late.empty()) {
        NoteEcho(s.RawAnswer, s.Sequence);
    }
    s.ServiceReportOpen = (s.ExtStatusByte & 0x01) != 0;
    s.Emergency = (s.ExtStatusByte & 0x02) != 0;
    s.CommandExecuted = (s.StatusByte & 0x80) == 0;
    s.ClockError = (s.StatusByte & 0x08) != 0;
    s.ShiftOver24h = (s.StatusByte & 0x20) != 0;
    return true;
}

} // namespace kasdrv
