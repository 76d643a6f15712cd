// Times a few transactions through the driver's public interface against a
// register already listening on a port, so that one emulator serves a run
// under Wine and a native run alike:
//
//   kaswinbench [--port N] [--baud B] [--runs N]
//
// prints, for each workload, the runs, the mean, the smallest and the largest
// time per unit of work in milliseconds.
#include "Workloads.h"
#include "kasdrv.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

// One receipt: two sale lines and the cash payment that closes it.
bool Receipt() {
    return FPSale(nullptr, nullptr, 1, 0, 1250, 0, 0, 0, "Bread", 0) != 0 &&
           FPSale(nullptr, nullptr, 2000, 3, 300, 0, 0, 0, "Milk", 0) != 0 &&
           FPPayment(nullptr, nullptr, 3, 0, -1, -1) != 0;
}

struct Workload {
    const char* name;
    int weight; // runs relative to --runs
    std::function<bool()> run;
};

} // namespace

int main(int argc, char** argv) {
    long port = 1;
    long baud = 9600;
    long runs = 40;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const long v = std::strtol(argv[i + 1], nullptr, 10);
        if (a == "--port") {
            port = v;
        } else if (a == "--baud") {
            baud = v;
        } else if (a == "--runs") {
            runs = v;
        }
    }
    if (port < 1 || port > 255 || baud <= 0 || runs < 1) {
        std::fprintf(stderr, "usage: kaswinbench [--port N] [--baud B] [--runs N]\n");
        return 2;
    }
    if (FPInit(static_cast<uint8_t>(port), static_cast<uint32_t>(baud), 1, 1) == 0) {
        std::fprintf(stderr, "kaswinbench: cannot open port %ld\n", port);
        return 1;
    }
    const std::vector<Workload> workloads = {
        {"FPGetDate", 3, &kasbench::GetDate},
        {"FPGetStatus", 1, &kasbench::GetStatus},
        {"receipt (2 sales, payment)", 1, &Receipt},
    };
    std::printf("%-28s %7s %6s %10s %10s %10s\n", "workload", "baud", "runs", "mean ms", "min ms",
                "max ms");
    int failures = 0;
    for (const Workload& w : workloads) {
        w.run(); // warm-up
        const long n = runs * w.weight;
        double total = 0;
        double least = 1e300;
        double most = 0;
        for (long i = 0; i < n; ++i) {
            const auto start = std::chrono::steady_clock::now();
            if (!w.run()) {
                ++failures;
                uint8_t result = 0;
                uint8_t status = 0;
                FPCodeError(&result, &status, nullptr);
                std::fprintf(stderr, "%s failed: status %u, result %u\n", w.name, status, result);
            }
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            total += ms;
            least = std::min(least, ms);
            most = std::max(most, ms);
        }
        std::printf("%-28s %7ld %6ld %10.2f %10.2f %10.2f\n", w.name, baud, n,
                    total / static_cast<double>(n), least, most);
        std::fflush(stdout);
    }
    FPClose();
    return failures == 0 ? 0 : 1;
}
