// kasd: the register as an HTTP service that never prints a receipt twice.
//
//   kasd [--listen ADDR:PORT] [--port N] [--baud B] [--journal FILE]
//
// One process serves one register (the driver serves one port per process).
// Once it listens it prints "kasd: listening on http://ADDR:PORT" on stdout.
#include "Journal.h"
#include "RegisterWorker.h"
#include "Server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

namespace {

void printUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: kasd [--listen ADDR:PORT] [--port N] [--baud B] [--journal FILE]\n\n"
                 "Serves the register on serial port N over HTTP with JSON under /v1\n"
                 "(the API: GET /v1/openapi.json). Every POST takes an Idempotency-Key header;\n"
                 "a request is written to the journal before a byte of it goes to the register,\n"
                 "and a retry with the same key gets the recorded answer.\n\n"
                 "  --listen ADDR:PORT  where to listen (default 127.0.0.1:%d); only loopback\n"
                 "                      addresses are accepted, port 0 takes any free port\n"
                 "  --port N            serial port number, 1 = COM1 (default 1)\n"
                 "  --baud B            line speed: 9600 (default), 19200 or 38400 bit/s\n"
                 "  --journal FILE      the journal (SQLite; default\n"
                 "                      $XDG_STATE_HOME/kasd/journal.sqlite3, else\n"
                 "                      ~/.local/state/kasd/journal.sqlite3)\n"
                 "  --version           kasd's version\n"
                 "  --help              this text\n\n"
                 "exit status: 0 stopped by SIGINT or SIGTERM, 1 the journal or the listening\n"
                 "address could not be used, 2 bad usage\n",
                 kasd::kDefaultListenPort);
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "kasd: %s\n", message.c_str());
    return 2;
}

bool parseNumber(const std::string& text, long low, long high, long& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0' && value >= low && value <= high;
}

bool loopback(const std::string& host) {
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

std::string defaultJournal() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        return std::string(state) + "/kasd/journal.sqlite3";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.local/state/kasd/journal.sqlite3";
}

} // namespace

int main(int argc, char** argv) {
    std::string host = "127.0.0.1";
    long listenPort = kasd::kDefaultListenPort;
    long port = 1;
    long baud = 9600;
    std::string journalPath;
    const std::vector<std::string> words(argv, argv + argc);
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& a = words[i];
        if (a == "--help" || a == "-h") {
            printUsage(stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("kasd %s\n", KASD_VERSION);
            return 0;
        }
        if (a != "--listen" && a != "--port" && a != "--baud" && a != "--journal") {
            return usageError("unknown option '" + a + "' (see --help)");
        }
        if (i + 1 >= words.size()) {
            return usageError(a + " needs a value");
        }
        const std::string& value = words[++i];
        if (a == "--listen") {
            const auto colon = value.rfind(':');
            if (colon == std::string::npos || colon == 0 ||
                !parseNumber(value.substr(colon + 1), 0, 65535, listenPort)) {
                return usageError("--listen '" + value + "': expected ADDR:PORT");
            }
            host = value.substr(0, colon);
            if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
                host = host.substr(1, host.size() - 2);
            }
            if (!loopback(host)) {
                return usageError("--listen '" + value +
                                  "': only loopback addresses are served (no token "
                                  "authentication yet)");
            }
        } else if (a == "--port") {
            if (!parseNumber(value, 1, 255, port)) {
                return usageError("--port '" + value + "': expected a port number from 1 to 255");
            }
        } else if (a == "--baud") {
            if (!parseNumber(value, 9600, 38400, baud) ||
                (baud != 9600 && baud != 19200 && baud != 38400)) {
                return usageError("--baud '" + value + "': expected 9600, 19200 or 38400");
            }
        } else {
            if (value.empty()) {
                return usageError("--journal needs a file name");
            }
            journalPath = value;
        }
    }
    if (journalPath.empty()) {
        journalPath = defaultJournal();
    }

    // SIGINT and SIGTERM are taken by one thread, which stops the server.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        kasd::Journal journal(journalPath);
        if (const int dropped = journal.dropQueued(); dropped > 0) {
            std::fprintf(stderr, "kasd: %d request(s) queued but never sent were dropped\n",
                         dropped);
        }
        kasd::RegisterWorker worker(static_cast<int>(port), static_cast<std::uint32_t>(baud));
        kasd::Service service(journal, worker);
        const int bound = service.bind(host, static_cast<int>(listenPort));
        if (bound < 0) {
            std::fprintf(stderr, "kasd: cannot listen on %s:%ld\n", host.c_str(), listenPort);
            return 1;
        }
        std::thread stopper([&service, stopSignals] {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            service.stop();
        });
        std::printf("kasd: listening on http://%s:%d\n", host.c_str(), bound);
        std::fflush(stdout);
        std::fprintf(stderr, "kasd: register on port %ld at %ld bit/s, journal %s\n", port, baud,
                     journalPath.c_str());
        service.listen();
        // Stopped by a signal; otherwise the stopper is still waiting for one.
        pthread_kill(stopper.native_handle(), SIGTERM);
        stopper.join();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kasd: %s\n", e.what());
        return 1;
    }
    return 0;
}
