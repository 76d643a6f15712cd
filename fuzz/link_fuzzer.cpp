// The driver's answer path taken apart: the first input byte picks a mode.
//
//   0  ParseAnswer on the rest, as it stands.
//   1  ReceiveAnswer on a line that carries the rest, byte by byte, each byte
//      after a pause of (second byte × 7) ms on the manual clock; then
//      ParseAnswer on what was collected.
//   2  Round trip: the rest is an answer payload (header, status, result,
//      extended status, data); it is framed as the register frames it, with
//      SYN bytes after the ACK, and must come back out unchanged.
//   3  DecodeStatus on a status and a result byte with the answer flags of a
//      third byte; the rest answers the paper query it may make.
//
// Besides memory errors, each mode checks what the link promises: nothing
// taken from nowhere, no wait beyond the answer deadline, a well-formed
// answer always understood, and the error text always the trailer, a line
// break and the messages of the bits set.
#include "DriverUnit.h"
#include "PrinterError.h"
#include "ScriptedPort.h"
#include "kasdrv.h"
#include "platform/CodePage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

namespace {

using kasdrv::Bytes;

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
}

void Expect(bool ok, const char* what) {
    if (!ok) {
        Broken(what);
    }
}

kastest::ScriptedLine& Line() {
    static auto* line = new kastest::ScriptedLine(); // one port for the whole run
    return *line;
}

// Everything the register says arrives at once, after the first write.
void ScriptOnce(const Bytes& bytes, uint32_t pauseMs) {
    auto sent = std::make_shared<bool>(false);
    Line().port.responder = [bytes, pauseMs, sent](const kastest::Bytes&) {
        std::vector<kastest::LineByte> out;
        if (!*sent) {
            *sent = true;
            for (const uint8_t b : bytes) {
                out.push_back({b, pauseMs});
            }
        }
        return out;
    };
}

void ParseMode(std::span<const uint8_t> rest) {
    kasdrv::DriverSession& s = kasdrv::Session();
    if (kasdrv::ParseAnswer(rest) && !(rest.size() >= 2 && rest[0] == 0x06 && rest[1] == 0x05)) {
        // Five header bytes, a checksum and DLE ETX at the least surround the data.
        Expect(s.ReplyData.size() + 8 <= rest.size(), "reply data longer than the answer");
    }
}

void ReceiveMode(uint8_t pace, std::span<const uint8_t> rest) {
    kasdrv::DriverSession& s = kasdrv::Session();
    kastest::ScriptedLine& line = Line();
    line.port.writes.clear();
    ScriptOnce(Bytes(rest.begin(), rest.end()), pace * 7u);
    const double start = line.clock.NowMs();
    const uint8_t command[] = {0x00};
    kasdrv::SendCommand(command, false);
    const bool complete = kasdrv::ReceiveAnswer();
    const double elapsed = line.clock.NowMs() - start;

    std::size_t syns = 0;
    for (const uint8_t b : s.RawAnswer) {
        syns += b == 0x16 ? 1 : 0;
    }
    // Each SYN opens a new window of 1.728 s (after a pause of 200 ms); the
    // last read may overrun a window by the port's own read time-out.
    const double bound = static_cast<double>(syns + 1) * (1728.0 + 200.0) + 1000.0;
    Expect(elapsed <= bound, "waited beyond the answer deadline");
    Expect(s.RawAnswer.size() <= rest.size(), "more bytes collected than were sent");
    if (complete) {
        Expect(!s.RawAnswer.empty() && s.RawAnswer[0] == 0x06, "complete answer without ACK");
        kasdrv::ParseAnswer(s.RawAnswer);
    }
    kasdrv::Session().PortHandle->Purge();
}

void RoundTripMode(uint8_t syns, std::span<const uint8_t> payload) {
    if (payload.size() < 5) {
        return;
    }
    kasdrv::DriverSession& s = kasdrv::Session();
    const Bytes p(payload.begin(), payload.end());
    const Bytes frame = kastest::AnswerFrame(p);
    Bytes line;
    line.push_back(frame[0]); // ACK
    for (int i = 0; i < syns % 8; ++i) {
        line.push_back(0x16);
    }
    line.insert(line.end(), frame.begin() + 1, frame.end());
    // DLEs that end the frame: a run of nine or more is never taken as its end.
    std::size_t run = 0;
    for (std::size_t i = frame.size() - 1; i > 0 && frame[i - 1] == 0x10; --i) {
        ++run;
    }
    Line().port.writes.clear();
    ScriptOnce(line, 0);
    const uint8_t command[] = {0x00};
    kasdrv::SendCommand(command, false);
    const bool complete = kasdrv::ReceiveAnswer();
    kasdrv::Session().PortHandle->Purge();
    if (run > 7) {
        Expect(!complete, "an answer ending in nine DLEs was taken as complete");
        return;
    }
    Expect(complete, "a well-formed answer was not recognised");
    Expect(s.RawAnswer == line, "the answer was not collected as sent");
    Expect(kasdrv::ParseAnswer(s.RawAnswer), "a well-formed answer was refused");
    Expect(s.StatusByte == p[2] && s.ResultByte == p[3] && s.ExtStatusByte == p[4],
           "status bytes changed on the way");
    Expect(s.ReplyData == Bytes(p.begin() + 5, p.end()), "reply data changed on the way");
}

std::string Trailer(const kasdrv::DriverSession& s) {
    std::string t;
    if (s.Emergency) {
        t = "\r\nАВАРИЯ! Команда завершится после устранения ошибки.";
    }
    if (!s.CommandExecuted) {
        t = "\r\nКоманда не была выполнена.";
    }
    if (s.ClockError) {
        t = "\r\nОшибка часов.";
    }
    if (s.ShiftOver24h) {
        t = "\r\nПродолжительность смены больше 24 часов.";
    }
    return t;
}

void DecodeMode(uint8_t status, uint8_t result, uint8_t flags, std::span<const uint8_t> rest) {
    kasdrv::DriverSession& s = kasdrv::Session();
    Line().port.writes.clear();
    ScriptOnce(Bytes(rest.begin(), rest.end()), 0);
    s.ServiceReportOpen = (flags & 0x01) != 0;
    s.Emergency = (flags & 0x02) != 0;
    s.CommandExecuted = (flags & 0x04) != 0;
    s.ClockError = (flags & 0x08) != 0;
    s.ShiftOver24h = (flags & 0x10) != 0;
    s.ErrorText.clear();
    s.LastStatusByte = 0;
    s.LastResultByte = 0;
    const std::string trailer = Trailer(s);
    const bool clean = kasdrv::DecodeStatus(status, result);
    kasdrv::Session().PortHandle->Purge();
    if (status == 0 && result == 0) {
        Expect(clean && s.ErrorText.empty(), "no error reported as one");
        return;
    }
    Expect(!clean, "an error reported as success");
    Expect(s.LastStatusByte == status && s.LastResultByte == result, "codes not kept");
    const std::string text = kasdrv::platform::Cp1251ToUtf8(s.ErrorText);
    Expect(text.rfind(trailer + "\r\n", 0) == 0, "error text without its trailer");
    if (status != 0) {
        static constexpr std::string_view kBits[8] = {
            "Принтер не готов",
            "",
            "Переполнение фискальной памяти",
            "Неправильная дата или ошибка часов",
            "Ошибка индикатора",
            "Превышение продолжительности смены",
            "Снижение рабочего напряжения питания",
            "Функция не существует или запрещена в данном режиме",
        };
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((status & (1u << bit)) != 0 && !kBits[bit].empty()) {
                Expect(text.find(kBits[bit]) != std::string::npos, "a status bit not reported");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::span<const uint8_t> in(data, size);
    switch (in[0] % 4) {
    case 0:
        ParseMode(in.subspan(1));
        break;
    case 1:
        if (size >= 2) {
            ReceiveMode(in[1], in.subspan(2));
        }
        break;
    case 2:
        if (size >= 2) {
            RoundTripMode(in[1], in.subspan(2));
        }
        break;
    default:
        if (size >= 4) {
            DecodeMode(in[1], in[2], in[3], in.subspan(4));
        }
        break;
    }
    return 0;
}
