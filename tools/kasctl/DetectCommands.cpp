// detect: which register answers on which port, at which line speed.
//
// One driver serves one port per process, and its time-outs are made for a
// register known to be there (about 5 s per speed where nothing answers). So
// each port is looked at in a process of its own, all at once: the port is
// diagnosed, a quick raw status request at each speed finds the one the
// register answers at, and only then the driver opens the port and reads the
// status for the model and firmware. The parent prints the findings in port
// order.
#include "Subcommand.h"

#include "kasdrv/PortDiagnosis.h"
#include "kasdrv/PortProbe.h"
#include "kaswire/Decode.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace kasctl {

namespace {

using namespace kasdrv::portdiag;

constexpr uint32_t kSpeeds[] = {9600, 19200, 38400};

struct Finding {
    std::string device;
    std::string problem; // why the port cannot be opened; empty when it opens
    std::string reason;  // the system's text for it
    uint32_t speed = 0;  // the speed something answered at; 0: nothing did
    std::string model;
    std::string firmware;
    std::string error; // the driver's error when the status could not be read
};

std::string ModelName(kashost::FirmwareModel model) {
    switch (model) {
    case kashost::FirmwareModel::Rx520l:
        return "RX-520L";
    case kashost::FirmwareModel::Rx410f:
        return "RX-410F";
    case kashost::FirmwareModel::Unknown:
        break;
    }
    return "unknown";
}

// Whether a complete, well-formed answer (ACK, SYNs, a frame with a good
// checksum) comes back to a status request sent at `speed`. Nothing answers
// at a speed other than the register's: its bytes are noise.
bool Answers(const std::string& device, uint32_t speed) {
    using Clock = std::chrono::steady_clock;
    using Kind = kaswire::FrameSplitter::Unit::Kind;
    // The status request (command 0x00) with sequence number 1.
    static const uint8_t kStatusRequest[] = {0x10, 0x02, 0x01, 0x00, 0xFF, 0x10, 0x03};
    // The ACK comes at once; a busy register sends SYNs, each renewing the wait.
    kaswire::FrameSplitter splitter;
    bool acknowledged = false;
    bool answered = false;
    auto deadline = Clock::now() + std::chrono::milliseconds(500);
    const auto asked = AskRaw(device, speed, kStatusRequest, [&](std::span<const uint8_t> bytes) {
        for (const auto& unit : splitter.Push(bytes)) {
            if (acknowledged && unit.kind == Kind::Frame) {
                answered = unit.checksumOk;
                return false;
            }
            if (unit.kind != (acknowledged ? Kind::Syn : Kind::Ack)) {
                return false;
            }
            acknowledged = true;
            deadline = Clock::now() + std::chrono::milliseconds(1728);
        }
        return Clock::now() < deadline;
    });
    return !asked.has_value() || answered; // without a look here the driver tries each speed
}

Finding Probe(uint8_t port) {
    Finding f;
    const PortDiagnosis d = DiagnosePort(port, kSpeeds[0]);
    f.device = d.device;
    if (d.fault != PortFault::None) {
        f.problem = std::string(PortFaultName(d.fault));
        f.reason = d.reason;
        for (const PortHolder& h : d.holders) {
            f.reason += (f.reason.empty() ? "" : ", ") + std::string("held by pid ") +
                        std::to_string(h.pid) + (h.command.empty() ? "" : " (" + h.command + ")");
        }
        return f;
    }
    for (const uint32_t speed : kSpeeds) {
        if (!Answers(d.device, speed) || FPInit(port, speed, 1, 1) == 0) {
            continue;
        }
        const auto status = kashost::readStatus();
        if (status) {
            f.speed = speed;
            f.firmware = FromDriverText(status->firmware);
            f.model = ModelName(kashost::modelOf(*status));
            f.error.clear();
        } else if (f.error.empty()) {
            f.speed = speed;
            f.error = FromDriverText(FPErrorMessage());
        }
        FPClose();
        if (status) {
            break;
        }
    }
    return f;
}

// A finding through a pipe: its texts one after another, each after its length.
std::string Pack(const Finding& f) {
    std::string out;
    for (const std::string* s :
         {&f.device, &f.problem, &f.reason, &f.model, &f.firmware, &f.error}) {
        out += std::to_string(s->size()) + ":" + *s;
    }
    return out + std::to_string(f.speed) + ";";
}

// Whether [from, to) is exactly one number.
template <typename T> bool Number(const char* from, const char* to, T& value) {
    const auto [end, error] = std::from_chars(from, to, value);
    return error == std::errc() && end == to;
}

bool Unpack(const std::string& in, Finding& f) {
    std::size_t at = 0;
    for (std::string* s : {&f.device, &f.problem, &f.reason, &f.model, &f.firmware, &f.error}) {
        const std::size_t colon = in.find(':', at);
        if (colon == std::string::npos) {
            return false;
        }
        std::size_t size = 0;
        if (!Number(in.data() + at, in.data() + colon, size) || colon + 1 + size > in.size()) {
            return false;
        }
        *s = in.substr(colon + 1, size);
        at = colon + 1 + size;
    }
    const std::size_t end = in.find(';', at);
    return end != std::string::npos && Number(in.data() + at, in.data() + end, f.speed);
}

// Every port in a process of its own, all at once. A port whose look has said
// nothing within 30 s is reported as such.
std::vector<Finding> ProbeAll(const std::vector<uint8_t>& ports) {
    const auto said = RunApart(
        ports.size(), [&](std::size_t i) { return Pack(Probe(ports[i])); },
        std::chrono::seconds(30));
    std::vector<Finding> found(ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (!Unpack(said[i].said, found[i])) {
            found[i] = Finding{};
            found[i].error = said[i].late ? "no answer within 30 s" : "the port's probe failed";
        }
    }
    return found;
}

std::string Describe(const Finding& f) {
    if (!f.problem.empty()) {
        return "cannot be opened: " + f.problem + (f.reason.empty() ? "" : " (" + f.reason + ")");
    }
    if (!f.error.empty()) {
        return (f.speed != 0 ? "answers at " + std::to_string(f.speed) + " bit/s, but " : "") +
               "no status: " + f.error;
    }
    if (f.speed == 0) {
        return "no register answers at 9600, 19200 or 38400 bit/s";
    }
    return PadLabel(std::to_string(f.speed) + " bit/s", 13) + PadLabel(f.model, 9) + "firmware " +
           f.firmware;
}

std::string JsonText(const std::string& text) {
    return text.empty() ? "null" : JsonString(text);
}

// [PORTS...]: numbers or COMn; without them COM1 to COM9.
int16_t Detect(Args& args) {
    std::vector<uint8_t> ports;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string w = args.Word(i);
        if (w.size() > 3 && (w.compare(0, 3, "COM") == 0 || w.compare(0, 3, "com") == 0)) {
            w.erase(0, 3);
        }
        Args number({w});
        const auto n = static_cast<uint8_t>(number.Int(0, 1, 255));
        if (!number.ok() || w[0] < '0' || w[0] > '9') {
            args.Fail("'" + args.Word(i) + "': expected a port from 1 to 255, such as 2 or COM2");
            return 0;
        }
        if (std::find(ports.begin(), ports.end(), n) == ports.end()) {
            ports.push_back(n);
        }
    }
    for (uint8_t n = 1; args.size() == 0 && n <= 9; ++n) {
        ports.push_back(n);
    }
    const std::vector<Finding> found = ProbeAll(ports);
    std::size_t registers = 0;
    std::size_t deviceWidth = 6;
    for (const Finding& f : found) {
        registers += f.speed != 0 && f.error.empty() ? 1 : 0;
        deviceWidth = std::max(deviceWidth, f.device.size() + 2);
    }
    std::string json = "[";
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Finding& f = found[i];
        const std::string name = "COM" + std::to_string(ports[i]);
        if (JsonOutput()) {
            json +=
                (i == 0 ? "" : ", ") + std::string("{\"port\": ") + JsonString(name) +
                ", \"device\": " + JsonText(f.device) +
                ", \"found\": " + (f.speed != 0 && f.error.empty() ? "true" : "false") +
                ", \"speed\": " + (f.speed != 0 ? std::to_string(f.speed) : "null") +
                ", \"model\": " + JsonText(f.model) + ", \"firmware\": " + JsonText(f.firmware) +
                ", \"problem\": " + JsonText(f.problem) + ", \"reason\": " + JsonText(f.reason) +
                ", \"error\": " + JsonText(f.error) + "}";
        } else {
            std::printf("%s%s%s\n", PadLabel(name, 7).c_str(),
                        PadLabel(f.device.empty() ? "-" : f.device, deviceWidth).c_str(),
                        Describe(f).c_str());
        }
    }
    if (JsonOutput()) {
        std::printf("%s]\n", json.c_str());
    } else if (registers == 0) {
        std::printf("no register found\n");
    } else {
        std::printf("%zu register%s found\n", registers, registers == 1 ? "" : "s");
    }
    MarkPrinted();
    // No register found fails, for scripts.
    return registers != 0 ? -1 : 0;
}

} // namespace

KASCTL_SUBCOMMAND({"detect",
                   "[PORTS...]",
                   "find the registers on COM1-COM9 (or PORTS) at 9600, 19200 and 38400 bit/s",
                   0,
                   &Detect,
                   {},
                   "PORTS  the ports to look at: 2 or COM2 (default COM1 to COM9)\n"
                   "  A line a port: the port, the device it resolved to, then the\n"
                   "  speed, model and firmware of the register that answers there,\n"
                   "  or why the port cannot be opened (absent, permission denied,\n"
                   "  busy, ...), or that nothing answers. All ports are looked at\n"
                   "  at once; a scan takes a few seconds. Exit status 1 when no\n"
                   "  register is found. With --json: an array of one object a port\n"
                   "  (port, device, found, speed, model, firmware, problem, reason,\n"
                   "  error; null where nothing applies).",
                   true});

} // namespace kasctl
