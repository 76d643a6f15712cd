// kasd: the registers as an HTTP service that never prints a receipt twice.
//
//   kasd [--config FILE] [--listen ADDR:PORT] [--port N]... [--baud B]
//        [--journal FILE] [--token-file FILE] [--keep-days D]
//
// Each register has a worker process of its own (the driver serves one port
// per process): `kasd --worker N --baud B`, started and supervised by the
// service. Once it listens kasd prints "kasd: listening on http://ADDR:PORT"
// on stdout.
#include "Journal.h"
#include "RegisterLink.h"
#include "Server.h"
#include "Settings.h"
#include "Worker.h"

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// kasd itself, to start the workers.
std::string ownProgram(const char* argv0) {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string(argv0);
}

// Requests an earlier run left "sending" are settled against their registers
// before anything new is taken; none of them is sent again.
void reconcileLeftovers(kasd::Journal& journal, const std::map<int, kasd::RegisterLink*>& links) {
    for (const auto& row : journal.sending()) {
        const auto it = links.find(row.registerPort);
        if (it == links.end()) {
            std::fprintf(stderr,
                         "kasd: key=%s was being sent to register %d, which is not served now; "
                         "left as it is\n",
                         row.key.c_str(), row.registerPort);
            continue;
        }
        const auto o = it->second->reconcile(row);
        std::fprintf(stderr, "kasd: key=%s register=%d reconciled after a stop: %s (%s)\n",
                     row.key.c_str(), row.registerPort, o.outcome.c_str(), o.state.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.size() == 4 && words[0] == "--worker" && words[2] == "--baud") {
        return kasd::runWorker(std::atoi(words[1].c_str()),
                               static_cast<std::uint32_t>(std::atol(words[3].c_str())),
                               kasd::kWorkerChannelFd);
    }
    kasd::Settings settings;
    std::string error;
    switch (kasd::parseSettings(words, settings, error)) {
    case kasd::Parsed::Help:
        std::fputs(kasd::usageText().c_str(), stdout);
        return 0;
    case kasd::Parsed::Version:
        std::printf("kasd %s\n", KASD_VERSION);
        return 0;
    case kasd::Parsed::Bad:
        std::fprintf(stderr, "kasd: %s\n", error.c_str());
        return 2;
    case kasd::Parsed::Run:
        break;
    }

    // SIGINT and SIGTERM are taken by one thread, which stops the server.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        std::string token;
        if (!settings.tokenFile.empty() && !kasd::readToken(settings.tokenFile, token, error)) {
            std::fprintf(stderr, "kasd: %s\n", error.c_str());
            return 1;
        }
        kasd::Journal journal(settings.journal);
        if (const int dropped = journal.dropQueued(); dropped > 0) {
            std::fprintf(stderr, "kasd: %d request(s) queued but never sent were dropped\n",
                         dropped);
        }
        if (const int pruned = journal.prune(settings.keepDays); pruned > 0) {
            std::fprintf(stderr, "kasd: %d request(s) older than %d days pruned\n", pruned,
                         settings.keepDays);
        }
        const std::string program = ownProgram(argv[0]);
        std::vector<std::unique_ptr<kasd::RegisterLink>> owned;
        std::map<int, kasd::RegisterLink*> links;
        for (const int port : settings.ports) {
            owned.push_back(std::make_unique<kasd::RegisterLink>(
                port, settings.baud, program, journal, std::chrono::seconds(settings.queueWait)));
            links[port] = owned.back().get();
        }
        reconcileLeftovers(journal, links);
        kasd::Service service(journal, links, token);
        const int bound = service.bind(settings.host, settings.listenPort);
        if (bound < 0) {
            std::fprintf(stderr, "kasd: cannot listen on %s:%d\n", settings.host.c_str(),
                         settings.listenPort);
            return 1;
        }
        std::thread stopper([&service, stopSignals] {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            service.stop();
        });
        std::printf("kasd: listening on http://%s:%d\n", settings.host.c_str(), bound);
        std::fflush(stdout);
        std::string ports;
        for (const int port : settings.ports) {
            ports += (ports.empty() ? "" : ", ") + std::to_string(port);
        }
        std::fprintf(stderr, "kasd: register(s) on port %s at %u bit/s, journal %s%s\n",
                     ports.c_str(), settings.baud, settings.journal.c_str(),
                     token.empty() ? "" : ", token required");
        // Finished requests past their days are pruned hourly while it runs.
        std::mutex pruneMutex;
        std::condition_variable pruneWake;
        bool stopped = false;
        std::thread pruner([&] {
            std::unique_lock lock(pruneMutex);
            while (!pruneWake.wait_for(lock, std::chrono::hours(1), [&] { return stopped; })) {
                journal.prune(settings.keepDays);
            }
        });
        service.listen();
        {
            std::lock_guard lock(pruneMutex);
            stopped = true;
        }
        pruneWake.notify_all();
        pruner.join();
        // Stopped by a signal; otherwise the stopper is still waiting for one.
        pthread_kill(stopper.native_handle(), SIGTERM);
        stopper.join();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kasd: %s\n", e.what());
        return 1;
    }
    return 0;
}
