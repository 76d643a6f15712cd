// kasemu: a fiscal cash register on a pseudo-terminal.
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <pthread.h>
#include <string>
#include <string_view>

#include "kasemu/Cp866.h"
#include "kasemu/Emulator.h"
#include "kasemu/Link.h"

namespace {

void usage(std::ostream& os) {
    os << "Usage: kasemu [options]\n"
          "Serves one fiscal cash register on a pseudo-terminal until SIGINT or SIGTERM.\n"
          "\n"
          "  --port N           link comN in $KASDRV_DEVICES (or ~/.kasdrv/dosdevices)\n"
          "  --link PATH        link the pseudo-terminal at PATH\n"
          "  --model M          rx410f (firmware \"РМ-15\", default) or rx520l (\"ЛМ-22\")\n"
          "  --firmware TEXT    firmware version text, 5 characters\n"
          "  --baud B           the register's line speed at start: 9600, 19200 or 38400\n"
          "  --pace             bytes take their wire time at the line speed (10 bits a byte)\n"
          "  --strict-speed     bytes sent at another line speed than the register's are noise\n"
          "  --trace            every frame in hex with direction and time on stderr, and\n"
          "                     decoded: command names and fields, status, result, reply\n"
          "  --print-speed LPS  printer speed in lines a second (default 20, 0 instant)\n"
          "  --tape FILE        append the printed paper tape (UTF-8) to FILE\n"
          "  --tape-stdout      also print the paper tape on stdout\n"
          "  --state FILE       keep the register's non-volatile memory in FILE (a missing\n"
          "                     or empty FILE starts a fresh register)\n"
          "  --display FILE     the customer display's two lines, rewritten at each change\n"
          "                     (with --tape-stdout also shown there)\n"
          "  --control FIFO     arm faults while running: each line written to FIFO (made\n"
          "                     when missing) is a FAULT as for --fault, or \"clear\";\n"
          "                     e.g. echo drop > FIFO loses the next answer\n"
          "  --logo-out FILE    write the loaded logo to FILE as a PBM image\n"
          "  --paper BITS       paper sensor bits (0x04 control tape low, 0x08 receipt tape\n"
          "                     low, 0x20 control tape out, 0x40 receipt tape out)\n"
          "  --fault FAULT      arm a link fault; FAULT is NAME[:ARG[:ARG]][@CMD][*COUNT]:\n"
       << kasemu::faultHelp() << "  --help             this text\n";
}

std::optional<int> number(std::string_view s) {
    try {
        std::size_t used = 0;
        const int v = std::stoi(std::string(s), &used, 0);
        if (used != s.size()) {
            return std::nullopt;
        }
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

int fail(const std::string& msg) {
    std::cerr << "kasemu: " << msg << "\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    kasemu::EmulatorOptions opt;
    std::optional<int> port;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto value = [&](std::string_view name) -> std::optional<std::string> {
            if (i + 1 >= argc) {
                std::cerr << "kasemu: " << name << " needs a value\n";
                return std::nullopt;
            }
            return std::string(argv[++i]);
        };
        if (a == "--help" || a == "-h") {
            usage(std::cout);
            return 0;
        } else if (a == "--pace") {
            opt.pace = true;
        } else if (a == "--strict-speed") {
            opt.strictSpeed = true;
        } else if (a == "--trace") {
            opt.trace = true;
        } else if (a == "--tape-stdout") {
            opt.tapeToStdout = true;
        } else if (a == "--port" || a == "--link" || a == "--model" || a == "--firmware" ||
                   a == "--baud" || a == "--print-speed" || a == "--tape" || a == "--state" ||
                   a == "--logo-out" || a == "--paper" || a == "--fault" || a == "--display" ||
                   a == "--control") {
            const auto v = value(a);
            if (!v) {
                return 2;
            }
            if (a == "--port") {
                port = number(*v);
                if (!port || *port < 1 || *port > 255) {
                    return fail("--port needs a number from 1 to 255");
                }
            } else if (a == "--link") {
                opt.linkPath = *v;
            } else if (a == "--model") {
                if (*v == "rx410f") {
                    opt.model = kasemu::ModelKind::Rx410f;
                } else if (*v == "rx520l") {
                    opt.model = kasemu::ModelKind::Rx520l;
                } else {
                    return fail("--model is rx410f or rx520l");
                }
            } else if (a == "--firmware") {
                if (kasemu::utf8Length(*v) != 5) {
                    return fail("--firmware needs exactly 5 characters");
                }
                opt.firmware = *v;
            } else if (a == "--baud") {
                const auto b = number(*v);
                if (b == 9600) {
                    opt.lineSpeedIndex = 0;
                } else if (b == 19200) {
                    opt.lineSpeedIndex = 1;
                } else if (b == 38400) {
                    opt.lineSpeedIndex = 2;
                } else {
                    return fail("--baud is 9600, 19200 or 38400");
                }
            } else if (a == "--print-speed") {
                try {
                    opt.linesPerSecond = std::stod(*v);
                } catch (...) {
                    return fail("--print-speed needs a number");
                }
                if (opt.linesPerSecond < 0) {
                    return fail("--print-speed cannot be negative");
                }
            } else if (a == "--tape") {
                opt.tapeFile = *v;
            } else if (a == "--state") {
                opt.stateFile = *v;
            } else if (a == "--display") {
                opt.displayFile = *v;
            } else if (a == "--control") {
                opt.controlPath = *v;
            } else if (a == "--logo-out") {
                opt.logoFile = *v;
            } else if (a == "--paper") {
                const auto b = number(*v);
                if (!b || *b < 0 || *b > 255) {
                    return fail("--paper needs a byte value");
                }
                opt.paperSensors = static_cast<std::uint8_t>(*b);
            } else {
                const auto f = kasemu::parseFault(*v);
                if (!f) {
                    return fail("unknown fault '" + *v + "' (see --help)");
                }
                opt.faults.push_back(*f);
            }
        } else {
            usage(std::cerr);
            return 2;
        }
    }
    if (port) {
        std::string dir;
        if (const char* env = std::getenv("KASDRV_DEVICES"); env != nullptr && *env != '\0') {
            dir = env;
        } else if (const char* home = std::getenv("HOME"); home != nullptr) {
            dir = std::string(home) + "/.kasdrv/dosdevices";
        } else {
            return fail("neither KASDRV_DEVICES nor HOME is set");
        }
        opt.linkPath = dir + "/com" + std::to_string(*port);
    }
    opt.exclusiveLink = true;

    // SIGINT and SIGTERM are taken by this thread alone, after the serving thread started.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        kasemu::Emulator emu(opt);
        std::cout << "kasemu: " << (opt.model == kasemu::ModelKind::Rx410f ? "RX-410F" : "RX-520L")
                  << " on " << emu.slavePath();
        if (!emu.linkPath().empty()) {
            std::cout << " (" << emu.linkPath() << ")";
        }
        std::cout << ", " << emu.lineSpeed() << " baud" << std::endl;
        int sig = 0;
        sigwait(&signals, &sig);
        emu.stop();
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return 0;
}
