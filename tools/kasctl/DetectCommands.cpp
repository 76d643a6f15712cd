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

#include "platform/PortDiagnosis.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace kasctl {

namespace {

using kasdrv::platform::PortFault;

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

#if !defined(_WIN32)
constexpr uint8_t kDle = 0x10, kStx = 0x02, kEtx = 0x03, kAck = 0x06, kSyn = 0x16;

// Whether a complete, well-formed answer (ACK, SYNs, a frame with a good
// checksum) comes back to a status request sent at `speed`. Nothing answers
// at a speed other than the register's: its bytes are noise.
bool Answers(const std::string& device, uint32_t speed) {
    using Clock = std::chrono::steady_clock;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    termios t{};
    // Not a line another program holds, and one that takes the settings.
    bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::tcgetattr(fd, &t) == 0;
    if (ok) {
        ::cfmakeraw(&t);
        const speed_t s = speed == 38400 ? B38400 : speed == 19200 ? B19200 : B9600;
        ::cfsetispeed(&t, s);
        ::cfsetospeed(&t, s);
        t.c_cflag |= CLOCAL | CREAD;
        ok = ::tcsetattr(fd, TCSANOW, &t) == 0;
        ::tcflush(fd, TCIOFLUSH);
    }
    // The status request (command 0x00) with sequence number 1.
    static const uint8_t kStatusRequest[] = {kDle, kStx, 0x01, 0x00, 0xFF, kDle, kEtx};
    ok = ok && ::write(fd, kStatusRequest, sizeof kStatusRequest) ==
                   static_cast<ssize_t>(sizeof kStatusRequest);
    // The ACK comes at once; a busy register sends SYNs, each renewing the wait.
    auto deadline = Clock::now() + std::chrono::milliseconds(500);
    enum class Step { Ack, Dle, Stx, Body, BodyDle, Done } step = Step::Ack;
    unsigned sum = 0;
    while (ok && step != Step::Done && Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) {
            continue;
        }
        uint8_t buffer[256];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        for (ssize_t i = 0; ok && i < n && step != Step::Done; ++i) {
            const uint8_t b = buffer[i];
            switch (step) {
            case Step::Ack:
                ok = b == kAck;
                step = Step::Dle;
                deadline = Clock::now() + std::chrono::milliseconds(1728);
                break;
            case Step::Dle:
                if (b == kSyn) {
                    deadline = Clock::now() + std::chrono::milliseconds(1728);
                } else {
                    ok = b == kDle;
                    step = Step::Stx;
                }
                break;
            case Step::Stx:
                ok = b == kStx;
                step = Step::Body;
                break;
            case Step::Body:
                if (b == kDle) {
                    step = Step::BodyDle;
                } else {
                    sum += b;
                }
                break;
            case Step::BodyDle:
                if (b == kEtx) {
                    ok = sum % 256 == 0;
                    step = Step::Done;
                } else {
                    ok = b == kDle;
                    sum += b;
                    step = Step::Body;
                }
                break;
            case Step::Done:
                break;
            }
        }
        ok = ok && n >= 0;
    }
    ::tcflush(fd, TCIOFLUSH);
    ::close(fd);
    return ok && step == Step::Done;
}
#else
// No raw look on Windows: the driver tries each speed itself.
bool Answers(const std::string&, uint32_t) {
    return true;
}
#endif

Finding Probe(uint8_t port) {
    using namespace kasdrv::platform;
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

#if !defined(_WIN32)
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

// Every port in a child process of its own, all at once. A child that has
// said nothing after `limit` is stopped and its port reported as such.
std::vector<Finding> ProbeAll(const std::vector<uint8_t>& ports) {
    std::fflush(stdout);
    std::fflush(stderr);
    struct Child {
        pid_t pid = -1;
        int fd = -1;
        std::string said;
    };
    std::vector<Child> children(ports.size());
    std::vector<Finding> found(ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i) {
        int fds[2];
        if (::pipe(fds) != 0) {
            found[i] = Probe(ports[i]);
            continue;
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            const std::string packed = Pack(Probe(ports[i]));
            std::size_t done = 0;
            while (done < packed.size()) {
                const ssize_t n = ::write(fds[1], packed.data() + done, packed.size() - done);
                if (n <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(n);
            }
            ::_exit(0);
        }
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            found[i] = Probe(ports[i]);
            continue;
        }
        children[i].pid = pid;
        children[i].fd = fds[0];
    }
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        std::vector<pollfd> open;
        std::vector<std::size_t> which;
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (children[i].fd >= 0) {
                open.push_back({children[i].fd, POLLIN, 0});
                which.push_back(i);
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            limit - std::chrono::steady_clock::now());
        if (open.empty() || left.count() <= 0) {
            break;
        }
        if (::poll(open.data(), open.size(), static_cast<int>(left.count())) <= 0) {
            continue;
        }
        for (std::size_t k = 0; k < open.size(); ++k) {
            if (open[k].revents == 0) {
                continue;
            }
            Child& c = children[which[k]];
            char buffer[512];
            const ssize_t n = ::read(c.fd, buffer, sizeof buffer);
            if (n > 0) {
                c.said.append(buffer, static_cast<std::size_t>(n));
            } else {
                ::close(c.fd);
                c.fd = -1;
            }
        }
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        Child& c = children[i];
        if (c.pid < 0) {
            continue;
        }
        const bool late = c.fd >= 0;
        if (late) {
            ::kill(c.pid, SIGKILL);
            ::close(c.fd);
        }
        int status = 0;
        ::waitpid(c.pid, &status, 0);
        if (!Unpack(c.said, found[i])) {
            found[i] = Finding{};
            found[i].error = late ? "no answer within 30 s" : "the port's probe failed";
        }
    }
    return found;
}
#else
std::vector<Finding> ProbeAll(const std::vector<uint8_t>& ports) {
    std::vector<Finding> found;
    for (const uint8_t port : ports) {
        found.push_back(Probe(port));
    }
    return found;
}
#endif

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
