// kasd as a shop program meets it, timed beside the C interface: the service
// as a child process on a journal of its own in the bench's folder, with its
// worker on the emulator's line as COM1, spoken to over HTTP on loopback with a
// fresh connection and a fresh Idempotency-Key for every receipt.
//
//   kasd-receipt-10-lines  the ten-line receipt of receipt-10-lines through
//                          the C interface, then through kasd, on the same
//                          line; the kasd row gives kasd/C (mean and p95),
//                          the same for each side's time to its wire time,
//                          and the exchanges a receipt takes on each side.
//   kasd-receipts-1000     a thousand such receipts through kasd, with the
//                          resident memory of kasd and of its worker sampled
//                          every hundred receipts.
#include "Workloads.h"

#include "kasdrv.h"
#include "kasemu/Emulator.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace kasbench {

namespace {

using nlohmann::json;

const json::json_pointer kWorker("/registers/0/worker"); // in GET /v1/registers

// kasd with its journal in `dir`, listening on a free loopback port, until
// destroyed (SIGTERM; its worker ends with it).
class Kasd {
  public:
    Kasd(const std::string& dir, int baud) {
        static int started = 0;
        const std::string journal = dir + "/kasd-" + std::to_string(++started) + ".sqlite3";
        const std::string speed = std::to_string(baud);
        std::vector<std::string> words = {
            KASBENCH_KASD_PATH, "--listen", "127.0.0.1:0", "--journal", journal, "--baud", speed};
        std::vector<char*> argv;
        for (auto& w : words) {
            argv.push_back(w.data());
        }
        argv.push_back(nullptr);
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        errFile_ = dir + "/kasd.err";
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        posix_spawn_file_actions_addopen(&fa, 2, errFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        // Its first line says where it listens; end of file says it did not start.
        std::string line;
        for (char c = 0; ::read(out[0], &c, 1) == 1 && c != '\n';) {
            line.push_back(c);
        }
        ::close(out[0]);
        if (line.rfind("kasd: listening on http://", 0) == 0) {
            port_ = std::atoi(line.c_str() + line.rfind(':') + 1);
        }
    }
    ~Kasd() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Kasd(const Kasd&) = delete;
    Kasd& operator=(const Kasd&) = delete;

    bool listening() const { return port_ > 0; }
    pid_t pid() const { return pid_; }
    const std::string& errFile() const { return errFile_; }

    // The object a GET answered with 200; nothing otherwise.
    std::optional<json> get(const std::string& path) const {
        const auto r = client().Get(path);
        if (!r || r->status != 200) {
            return std::nullopt;
        }
        json body = json::parse(r->body, nullptr, false);
        if (!body.is_object()) {
            return std::nullopt;
        }
        return body;
    }
    // A receipt on a connection of its own; "" when printed, else what came back.
    std::string sell(const std::string& body, const std::string& key) const {
        const auto r = client().Post("/v1/registers/1/receipts", {{"Idempotency-Key", key}}, body,
                                     "application/json");
        if (!r) {
            return "no answer: " + httplib::to_string(r.error());
        }
        const json answer = json::parse(r->body, nullptr, false);
        if (r->status == 200 && answer.is_object() && answer.value("outcome", "") == "printed") {
            return "";
        }
        return std::to_string(r->status) + " " + r->body;
    }

  private:
    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port_);
        c.set_read_timeout(60, 0);
        return c;
    }

    pid_t pid_ = -1;
    int port_ = 0;
    std::string errFile_;
};

// The receipt of TenLineReceipt as a request body: the same ten lines, paid in
// cash to the kopeck.
const std::string& TenLineBody() {
    static const std::string body = [] {
        json lines = json::array();
        std::int64_t total = 0;
        for (int i = 0; i < 10; ++i) {
            lines.push_back({{"name", "Товар"},
                             {"quantity", 1000},
                             {"decimals", 3},
                             {"price", 1250 + i},
                             {"taxGroup", "А"},
                             {"article", 1000 + i}});
            total += 1250 + i;
        }
        return json{{"kind", "sale"},
                    {"lines", lines},
                    {"payments", json::array({{{"form", "cash"}, {"amount", total}}})}}
            .dump();
    }();
    return body;
}

std::string FreshKey() {
    static int n = 0;
    return "kasbench-" + std::to_string(::getpid()) + "-" + std::to_string(++n);
}

// VmRSS of a process in kB; -1 when it cannot be read.
long ResidentKb(pid_t pid) {
    std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (f == nullptr) {
        return -1;
    }
    long kb = -1;
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) {
            break;
        }
    }
    std::fclose(f);
    return kb;
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The rows' figures from the times of the runs and the line's counters.
Figures FiguresOf(const std::string& name, const Bench& bench, const std::vector<double>& runMs,
                  int failed, double* framesPerRun) {
    const auto c = bench.emulator.counters();
    Figures f = Summarise(name, bench.baud, runMs,
                          static_cast<double>(c.bytesReceived + c.bytesSent), failed);
    *framesPerRun = runMs.empty()
                        ? 0
                        : static_cast<double>(c.framesReceived) / static_cast<double>(runMs.size());
    return f;
}

// kasd started, its first look at the register over; nothing when it did not start.
bool Ready(const Kasd& kasd, const Bench& bench) {
    if (!kasd.listening() || !kasd.get("/v1/registers/1/status")) {
        bench.note("kasd did not start or cannot reach the register; see " + kasd.errFile());
        return false;
    }
    return true;
}

// One receipt through kasd, timed; a failure is told with kasd's answer.
double TimedSale(const Kasd& kasd, const Bench& bench, int& failed) {
    const auto start = std::chrono::steady_clock::now();
    const std::string problem = kasd.sell(TenLineBody(), FreshKey());
    const double ms = Since(start);
    if (!problem.empty()) {
        ++failed;
        bench.note("kasd receipt failed: " + problem);
    }
    return ms;
}

} // namespace

bool KasdBesideDriver(const Bench& bench) {
    // The C interface first, with the driver in this process.
    if (FPInit(1, static_cast<uint32_t>(bench.baud), 1, 1) == 0) {
        bench.note("cannot open the emulator's port");
        return false;
    }
    TenLineReceipt(); // warm-up
    bench.emulator.resetCounters();
    std::vector<double> driverMs;
    int driverFailed = 0;
    for (int i = 0; i < bench.runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!TenLineReceipt()) {
            ++driverFailed;
            bench.note(std::string("C receipt failed: ") + FPErrorMessage());
        }
        driverMs.push_back(Since(start));
    }
    double driverFrames = 0;
    Figures driver = FiguresOf("c-receipt-10-lines", bench, driverMs, driverFailed, &driverFrames);
    FPClose();

    // Then kasd, its worker on the same line.
    const Kasd kasd(bench.dir, bench.baud);
    if (!Ready(kasd, bench)) {
        return false;
    }
    int failed = 0;
    TimedSale(kasd, bench, failed); // warm-up
    failed = 0;
    bench.emulator.resetCounters();
    std::vector<double> kasdMs;
    for (int i = 0; i < bench.runs; ++i) {
        kasdMs.push_back(TimedSale(kasd, bench, failed));
    }
    double kasdFrames = 0;
    Figures viaKasd = FiguresOf("kasd-receipt-10-lines", bench, kasdMs, failed, &kasdFrames);
    driver.extra = {{"frames_per_run", driverFrames}};
    viaKasd.extra = {{"kasd_to_c_mean", driver.meanMs > 0 ? viaKasd.meanMs / driver.meanMs : 0},
                     {"kasd_to_c_p95", driver.p95Ms > 0 ? viaKasd.p95Ms / driver.p95Ms : 0},
                     // Each side's time to its own wire time: what HTTP and the
                     // journal cost beside the exchanges kasd makes.
                     {"kasd_to_c_per_wire", driver.ratio > 0 ? viaKasd.ratio / driver.ratio : 0},
                     {"frames_per_run", kasdFrames}};
    bench.report(driver);
    bench.report(viaKasd);
    return true;
}

bool KasdThousandReceipts(const Bench& bench) {
    const Kasd kasd(bench.dir, bench.baud);
    if (!Ready(kasd, bench)) {
        return false;
    }
    const auto registers = kasd.get("/v1/registers");
    const json worker = registers ? registers->value(kWorker, json()) : json();
    if (!worker.is_number_integer()) {
        bench.note("kasd names no worker for register 1");
        return false;
    }
    const auto workerPid = worker.get<pid_t>();
    int failed = 0;
    TimedSale(kasd, bench, failed); // warm-up
    failed = 0;
    std::vector<long> kasdKb = {ResidentKb(kasd.pid())};
    std::vector<long> workerKb = {ResidentKb(workerPid)};
    bench.emulator.resetCounters();
    std::vector<double> runMs;
    for (int i = 1; i <= bench.runs; ++i) {
        runMs.push_back(TimedSale(kasd, bench, failed));
        if (i % 100 == 0) {
            kasdKb.push_back(ResidentKb(kasd.pid()));
            workerKb.push_back(ResidentKb(workerPid));
        }
    }
    double frames = 0;
    Figures f = FiguresOf("kasd-receipts-1000", bench, runMs, failed, &frames);
    const auto again = kasd.get("/v1/registers");
    if (!again || again->value(kWorker, json()) != worker) {
        ++f.failures;
        bench.note("kasd's worker was replaced during the run");
    }
    // The first sample after a hundred receipts (after the warm-up when that
    // is the only one) against the last.
    const std::size_t first = kasdKb.size() > 2 ? 1 : 0;
    f.extra = {{"kasd_rss_first_kb", static_cast<double>(kasdKb[first])},
               {"kasd_rss_last_kb", static_cast<double>(kasdKb.back())},
               {"worker_rss_first_kb", static_cast<double>(workerKb[first])},
               {"worker_rss_last_kb", static_cast<double>(workerKb.back())}};
    bench.report(f);
    auto samples = [](const char* who, const std::vector<long>& kb) {
        std::string line = std::string(who) + " VmRSS kB after 0, 100, ... receipts:";
        for (const long k : kb) {
            line += " " + std::to_string(k);
        }
        return line;
    };
    bench.note(samples("kasd", kasdKb));
    bench.note(samples("worker", workerKb));
    return true;
}

} // namespace kasbench
