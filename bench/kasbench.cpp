// Runs every workload against an in-process emulator whose line is paced at
// the real speed (10 bits a byte), and prints the mean time per unit of work
// beside the wire time of the bytes that crossed the line.
//
//   kasbench [--quick] [WORKLOAD...]
#include "Workloads.h"

#include "kasdrv.h"
#include "kasemu/Emulator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

int SpeedIndex(int baud) { return baud == 9600 ? 0 : baud == 19200 ? 1 : 2; }

} // namespace

int main(int argc, char** argv) {
    bool quick = false;
    std::vector<std::string> only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quick") {
            quick = true;
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

    // A 0x16 byte from the register makes the driver pause 200 ms whether it is a SYN or
    // data inside an answer frame (a sum, a checksum): "pauses" counts them, "net" is the
    // ratio with those pauses taken out.
    std::printf("%-22s %7s %6s %10s %10s %10s %8s %7s %7s\n", "workload", "baud", "runs",
                "mean ms", "wire ms", "bytes/run", "pauses", "ratio", "net");
    int failures = 0;
    for (const kasbench::Workload& w : kasbench::AllWorkloads()) {
        if (!only.empty() && std::find(only.begin(), only.end(), w.name) == only.end()) {
            continue;
        }
        for (const int baud : w.bauds) {
            kasemu::EmulatorOptions opt;
            opt.linkPath = dir + "/com1";
            opt.pace = true;
            opt.linesPerSecond = 0; // printing time is not what is measured
            opt.lineSpeedIndex = SpeedIndex(baud);
            kasemu::Emulator emu(opt);
            if (FPInit(1, static_cast<uint32_t>(baud), 1, 1) == 0) {
                std::fprintf(stderr, "cannot open the emulator's port\n");
                return 1;
            }
            if (w.setup) {
                w.setup();
            }
            w.run(); // warm-up
            const int runs = std::max(quick ? 2 : 1, (quick ? w.iterations / 10 : w.iterations) *
                                                         baud / 9600);
            emu.resetCounters();
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < runs; ++i) {
                if (!w.run()) {
                    ++failures;
                    std::fprintf(stderr, "%s failed: %s\n", w.name.c_str(), FPErrorMessage());
                }
            }
            const double elapsedMs = std::chrono::duration<double, std::milli>(
                                         std::chrono::steady_clock::now() - start)
                                         .count();
            const auto c = emu.counters();
            const double bytes = static_cast<double>(c.bytesReceived + c.bytesSent);
            const double wireMs = bytes * 10.0 * 1000.0 / baud;
            const double pauseMs = static_cast<double>(c.synValuedBytesSent) * 200.0;
            std::printf("%-22s %7d %6d %10.2f %10.2f %10.1f %8.2f %7.3f %7.3f\n",
                        w.name.c_str(), baud, runs, elapsedMs / runs, wireMs / runs, bytes / runs,
                        static_cast<double>(c.synValuedBytesSent) / runs, elapsedMs / wireMs,
                        (elapsedMs - pauseMs) / wireMs);
            std::fflush(stdout);
            FPClose();
        }
    }
    std::filesystem::remove_all(dir);
    return failures == 0 ? 0 : 1;
}
