// Runs every workload against an in-process emulator whose line is paced at
// the real speed (10 bits a byte), times every run and prints, per workload
// and line speed, the mean and 95th percentile beside the wire-time floor of
// the bytes that crossed the line, and their ratios.
//
//   kasbench [--quick] [--json] [WORKLOAD...]
//
// --quick runs a tenth of the iterations and leaves out the minutes-long runs
// (the console's bulk run, a thousand receipts through kasd), which a name on
// the command line still asks for. With the service built, kasd's receipts
// over HTTP are timed beside the same receipt through the C interface.
// --json prints the figures as JSON on stdout and the table on stderr.
#include "Report.h"
#include "Stats.h"
#include "Workloads.h"

#include "kasdrv.h"
#include "kasemu/Emulator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

int SpeedIndex(int baud) {
    return baud == 9600 ? 0 : baud == 19200 ? 1 : 2;
}

} // namespace

int main(int argc, char** argv) {
    bool quick = false;
    bool json = false;
    std::vector<std::string> only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quick") {
            quick = true;
        } else if (a == "--json") {
            json = true;
        } else if (a == "--help" || a.starts_with("-")) {
            std::fprintf(stderr, "usage: kasbench [--quick] [--json] [WORKLOAD...]\n"
                                 "  --quick  a tenth of the runs; the long runs only when named\n"
                                 "  --json   the figures as JSON on stdout, the table on stderr\n");
            return a == "--help" ? 0 : 2;
        } else {
            only.push_back(a);
        }
    }
    char tmpl[] = "/tmp/kasbench-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = tmpl;
    ::setenv("KASDRV_DEVICES", dir.c_str(), 1);

    std::FILE* table = json ? stderr : stdout;
    kasbench::PrintTableHeader(table);
    std::vector<kasbench::Figures> all;
    int failures = 0;
    for (const kasbench::Workload& w : kasbench::AllWorkloads()) {
        const bool named = std::find(only.begin(), only.end(), w.name) != only.end();
        if ((!only.empty() && !named) || (only.empty() && quick && w.single)) {
            continue;
        }
        for (const int baud : w.bauds) {
            kasemu::EmulatorOptions opt;
            opt.linkPath = dir + "/com1";
            opt.pace = true;
            opt.linesPerSecond = 0; // printing time is not what is measured
            opt.lineSpeedIndex = SpeedIndex(baud);
            kasemu::Emulator emu(opt);
            if (w.measure) {
                const kasbench::Bench bench{emu,
                                            baud,
                                            quick ? std::max(2, w.iterations / 10) : w.iterations,
                                            dir,
                                            [&](const kasbench::Figures& f) {
                                                all.push_back(f);
                                                kasbench::PrintTableRow(table, f);
                                                failures += f.failures;
                                            },
                                            [&](const std::string& line) {
                                                std::fprintf(table, "    %s\n", line.c_str());
                                                std::fflush(table);
                                            }};
                failures += w.measure(bench) ? 0 : 1;
                continue;
            }
            if (FPInit(1, static_cast<uint32_t>(baud), 1, 1) == 0) {
                std::fprintf(stderr, "cannot open the emulator's port\n");
                std::filesystem::remove_all(dir);
                return 1;
            }
            if (w.setup) {
                w.setup();
            }
            if (!w.single) {
                w.run(); // warm-up
            }
            const int runs =
                w.single ? 1
                         : std::max(quick ? 2 : 1,
                                    (quick ? w.iterations / 10 : w.iterations) * baud / 9600);
            std::vector<double> runMs;
            runMs.reserve(static_cast<std::size_t>(runs));
            int failed = 0;
            emu.resetCounters();
            for (int i = 0; i < runs; ++i) {
                const auto start = std::chrono::steady_clock::now();
                const bool ok = w.run();
                runMs.push_back(std::chrono::duration<double, std::milli>(
                                    std::chrono::steady_clock::now() - start)
                                    .count());
                if (!ok) {
                    ++failed;
                    std::fprintf(stderr, "%s failed: %s\n", w.name.c_str(), FPErrorMessage());
                }
            }
            const auto c = emu.counters();
            all.push_back(kasbench::Summarise(
                w.name, baud, runMs, static_cast<double>(c.bytesReceived + c.bytesSent), failed));
            kasbench::PrintTableRow(table, all.back());
            failures += failed;
            FPClose();
        }
    }
    if (json) {
        std::fputs(kasbench::ToJson(all).c_str(), stdout);
    }
    std::filesystem::remove_all(dir);
    return failures == 0 ? 0 : 1;
}
