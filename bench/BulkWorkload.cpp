// The console's bulk article run (the "Программирование товаров" button's loop,
// the class the page drives) as a bench workload: 10000 articles programmed
// through the console's own code path.
#include "Workloads.h"

#include "runs/BulkArticleRun.h"

#include <cstdio>

namespace kasbench {

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

} // namespace

bool ConsoleBulkArticleRun() {
    kasmon::DriverArticleWriter writer([] { return std::uint16_t{0}; });
    kasmon::NoEventPump pump;
    CountingView view;
    kasmon::BulkArticleRun run(writer, pump, view);
    run.press();
    if (view.failed || view.completed != kasmon::BulkArticleRun::kArticleCount) {
        std::fprintf(stderr, "the bulk run ended after article %u\n", run.lastWritten());
        return false;
    }
    return true;
}

} // namespace kasbench
