// Times the console's bulk article run (the "Программирование товаров" button's
// loop, the same class the page drives) against an in-process emulator whose
// line is paced at the real speed, and prints its time beside the wire time of
// the bytes that crossed the line.
//
//   kasbulkbench [--articles N] [--baud 9600|19200|38400]
#include "runs/BulkArticleRun.h"

#include "kasdrv.h"
#include "kasemu/Emulator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Counts what the run shows; nothing is drawn.
class CountingView final : public kasmon::BulkRunView {
  public:
    void showRunning(bool) override {}
    void showProgress(std::uint32_t, std::uint32_t) override {}
    void clearProgress() override {}
    void reportInterrupted(std::uint32_t) override {}
    void reportCompleted(std::uint32_t last) override { completed = last; }
    void reportDriverFailure() override { failed = true; }
    std::uint32_t completed = 0;
    bool failed = false;
};

int SpeedIndex(int baud) {
    return baud == 9600 ? 0 : baud == 19200 ? 1 : 2;
}

} // namespace

int main(int argc, char** argv) {
    std::uint32_t articles = kasmon::BulkArticleRun::kArticleCount;
    int baud = 38400;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--articles" && i + 1 < argc) {
            articles = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--baud" && i + 1 < argc) {
            baud = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: kasbulkbench [--articles N] [--baud 9600|19200|38400]\n");
            return 2;
        }
    }
    if (articles == 0 || (baud != 9600 && baud != 19200 && baud != 38400)) {
        std::fprintf(stderr, "kasbulkbench: bad article count or line speed\n");
        return 2;
    }
    char tmpl[] = "/tmp/kasbulkbench-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = tmpl;
    ::setenv("KASDRV_DEVICES", dir.c_str(), 1);

    int status = 0;
    {
        kasemu::EmulatorOptions opt;
        opt.linkPath = dir + "/com1";
        opt.pace = true;
        opt.linesPerSecond = 0;
        opt.lineSpeedIndex = SpeedIndex(baud);
        kasemu::Emulator emu(opt);
        if (FPInit(1, static_cast<std::uint32_t>(baud), 1, 1) == 0) {
            std::fprintf(stderr, "cannot open the emulator's port\n");
            std::filesystem::remove_all(dir);
            return 1;
        }
        kasmon::DriverArticleWriter writer([] { return std::uint16_t{0}; });
        kasmon::NoEventPump pump;
        CountingView view;
        kasmon::BulkArticleRun run(writer, pump, view, articles);

        emu.resetCounters();
        const auto start = std::chrono::steady_clock::now();
        run.press();
        const double elapsedMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        FPClose();

        const auto c = emu.counters();
        const double bytes = static_cast<double>(c.bytesReceived + c.bytesSent);
        const double wireMs = bytes * 10.0 * 1000.0 / baud;
        std::printf("%-22s %7s %8s %10s %10s %10s %8s %7s\n", "workload", "baud", "articles",
                    "total s", "wire s", "ms/article", "syn", "ratio");
        std::printf("%-22s %7d %8u %10.2f %10.2f %10.3f %8llu %7.3f\n", "BulkArticleRun", baud,
                    view.completed, elapsedMs / 1000.0, wireMs / 1000.0,
                    elapsedMs / (view.completed ? view.completed : 1),
                    static_cast<unsigned long long>(c.synSent), elapsedMs / wireMs);
        if (view.failed || view.completed != articles) {
            std::fprintf(stderr, "the run ended after %u articles: %s\n", run.lastWritten(),
                         FPErrorMessage());
            status = 1;
        }
    }
    std::filesystem::remove_all(dir);
    return status;
}
