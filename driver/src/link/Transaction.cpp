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

bool ReceiveAnswer() {
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
            return s.RawAnswer[0] == kACK;
        }
    }
    if (!s.RawAnswer.empty() && s.RawAnswer[0] == kNAK && s.PortHandle) {
        s.PortHandle->PurgeReceive();
    }
    return false;
}

bool ExecuteCommand(std::span<const uint8_t> command, bool raw) {
    DriverSession& s = Session();
    s.LastStatusByte = 0;
    s.LastResultByte = 0;
    s.AnswerInDoubt = false;
    // A command that must not be carried out twice is sent again only when the
    // register plainly did not take it: it said NAK, or said nothing at all.
    // Anything else it sent may mean it has carried the command out.
    const bool repeatable = !raw && !command.empty() && IsRepeatable(command[0]);
    bool answered = false;
    for (int attempt = 0; attempt < kAttempts && !answered; ++attempt) {
        SendCommand(command, raw);
        answered = ReceiveAnswer();
        const bool turnedDown =
            !s.AnswerBytesHeard || (!s.RawAnswer.empty() && s.RawAnswer[0] == kNAK);
        if (!answered && !repeatable && !turnedDown) {
            s.AnswerInDoubt = true;
            return false;
        }
    }
    if (!answered) {
        return false;
    }
    if (!ParseAnswer(s.RawAnswer)) {
        s.AnswerInDoubt = !repeatable;
        return false;
    }
    s.ServiceReportOpen = (s.ExtStatusByte & 0x01) != 0;
    s.Emergency = (s.ExtStatusByte & 0x02) != 0;
    s.CommandExecuted = (s.StatusByte & 0x80) == 0;
    s.ClockError = (s.StatusByte & 0x08) != 0;
    s.ShiftOver24h = (s.StatusByte & 0x20) != 0;
    return true;
}

} // namespace kasdrv
