// relay: a pseudo-terminal as COMn in front of a real register, printing the
// decoded traffic of whatever host program talks to it, unchanged.
#include "Subcommand.h"

#if !defined(_WIN32)

#include "kasdrv/PortProbe.h"
#include "kaspty/Pty.h"
#include "kaswire/Decode.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace kasctl {

namespace {

volatile std::sig_atomic_t stopRelay = 0;

void StopRelay(int) {
    stopRelay = 1;
}

// --port N --device PATH [--baud B] [--log FILE]
int16_t Relay(Args& args) {
    long port = 0;
    long baud = 9600;
    std::string device;
    std::string logPath;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const std::string& flag = args.Word(i);
        if (!args.Has(i + 1)) {
            args.Fail(flag + " needs a value");
            return 0;
        }
        if (flag == "--port") {
            port = static_cast<long>(args.Int(i + 1, 1, 255));
        } else if (flag == "--baud") {
            baud = static_cast<long>(args.Int(i + 1, 9600, 38400));
            if (args.ok() && baud != 9600 && baud != 19200 && baud != 38400) {
                args.Fail("'" + args.Word(i + 1) + "': expected 9600, 19200 or 38400");
            }
        } else if (flag == "--device") {
            device = args.Word(i + 1);
        } else if (flag == "--log") {
            logPath = args.Word(i + 1);
        } else {
            args.Fail("'" + flag + "': expected --port, --device, --baud or --log");
        }
    }
    if (args.ok() && (port == 0 || device.empty())) {
        args.Fail("both --port N and --device PATH are needed");
    }
    if (!args.ok()) {
        return 0;
    }
    const int line = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (line < 0) {
        std::fprintf(stderr, "kasctl relay: cannot open %s: %s\n", device.c_str(),
                     std::strerror(errno));
        return 0;
    }
    kaspty::MakeRaw(line, static_cast<int>(baud));
    // Held open so that the pseudo-terminal lives between host programs.
    std::unique_ptr<kaspty::PseudoTerminal> pty;
    try {
        pty = std::make_unique<kaspty::PseudoTerminal>(static_cast<int>(baud));
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "kasctl relay: no pseudo-terminal: %s\n", e.code().message().c_str());
        ::close(line);
        return 0;
    }
    const int master = pty->master();
    const std::string& slavePath = pty->slavePath();
    std::string dir = kasdrv::portdiag::DevicesDirectory();
    if (dir.empty()) {
        dir = "./.kasdrv/dosdevices";
    }
    const std::string link = dir + "/com" + std::to_string(port);
    if (const std::error_code ec = kaspty::LinkTo(slavePath, link)) {
        std::fprintf(stderr, "kasctl relay: cannot link %s: %s\n", link.c_str(),
                     ec.message().c_str());
        ::close(line);
        return 0;
    }
    std::FILE* log = logPath.empty() ? nullptr : std::fopen(logPath.c_str(), "a");
    if (!logPath.empty() && log == nullptr) {
        std::fprintf(stderr, "kasctl relay: cannot write %s\n", logPath.c_str());
    }
    std::printf("relay: COM%ld (%s -> %s) to %s at %ld bit/s; Ctrl-C ends it\n", port, link.c_str(),
                slavePath.c_str(), device.c_str(), baud);
    std::fflush(stdout);
    MarkPrinted();
    std::signal(SIGINT, StopRelay);
    std::signal(SIGTERM, StopRelay);
    kaswire::ExchangeDecoder decoder;
    auto print = [log](const std::vector<std::string>& lines) {
        for (const std::string& l : lines) {
            std::printf("%s\n", l.c_str());
            if (log != nullptr) {
                std::fprintf(log, "%s\n", l.c_str());
            }
        }
        std::fflush(stdout);
        if (log != nullptr) {
            std::fflush(log);
        }
    };
    bool ok = true;
    while (stopRelay == 0 && ok) {
        pollfd fds[2] = {{master, POLLIN, 0}, {line, POLLIN, 0}};
        if (::poll(fds, 2, 200) < 0) {
            ok = errno == EINTR;
            continue;
        }
        for (int k = 0; k < 2; ++k) {
            if ((fds[k].revents & POLLIN) == 0) {
                continue;
            }
            uint8_t buffer[512];
            const ssize_t n = ::read(fds[k].fd, buffer, sizeof buffer);
            if (n <= 0) {
                continue;
            }
            const int to = k == 0 ? line : master;
            for (ssize_t done = 0; done < n;) {
                const ssize_t w = ::write(to, buffer + done, static_cast<std::size_t>(n - done));
                if (w < 0 && errno != EAGAIN && errno != EINTR) {
                    ok = false;
                    break;
                }
                done += w > 0 ? w : 0;
            }
            const std::span<const uint8_t> bytes(buffer, static_cast<std::size_t>(n));
            print(k == 0 ? decoder.FromHost(bytes) : decoder.FromRegister(bytes));
        }
    }
    kaspty::Unlink(slavePath, link);
    if (log != nullptr) {
        std::fclose(log);
    }
    ::close(line);
    return ok ? -1 : 0;
}

} // namespace

KASCTL_SUBCOMMAND({"relay", "--port N --device PATH [--baud B] [--log FILE]",
                   "put COMn in front of a register and print the decoded traffic", 4, &Relay,
                   "the relay ended",
                   "--port  followed by N: the port number the host programs open (1 = COM1)\n"
                   "N  the port number, 1 to 255\n"
                   "--device  followed by PATH: the register's serial device\n"
                   "PATH  a serial device such as /dev/ttyUSB0\n"
                   "--baud  followed by B: the line speed to the register (default 9600)\n"
                   "B  9600, 19200 or 38400\n"
                   "--log  followed by FILE: also append the decoded lines to FILE\n"
                   "FILE  a text file (nothing is written to a file without --log)",
                   true});

} // namespace kasctl

#endif
