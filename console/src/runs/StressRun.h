// The stress test without its window: sale receipts in a loop, each with
// positions 1..n at p × 100 kopecks in the tax groups А…Е in turn, paid in
// cash; the payment call is timed as the receipt's print time, the sales and
// the payment together as its total time. One log line per receipt.
#pragma once

#include "runs/LoopSeams.h"
#include "runs/StressLog.h"

#include <cstdint>
#include <string>

namespace kasmon {

class StressView {
  public:
    virtual ~StressView() = default;
    // The item count of the receipt being printed.
    virtual void showItemCount(int positions) = 0;
    // Print time and total time of the last receipt, and the longest print time.
    virtual void showTimes(std::uint32_t printMs, std::uint32_t totalMs,
                           std::uint32_t maximumMs) = 0;
    // Repaints the window after the pending events were handled.
    virtual void refresh() = 0;
    // Back to idle: "Запустить" and "Выход" enabled, "Остановить" disabled.
    virtual void showIdle() = 0;
    virtual void reportLogNotCreated(const std::string& path) = 0;
    virtual void reportLogNotWritten(const std::string& path) = 0;
    virtual void reportBadPositions() = 0;
    // The driver's last error.
    virtual void reportDriverFailure() = 0;
};

class StressRun {
  public:
    static constexpr int kMinPositions = 1;
    static constexpr int kMaxPositions = 255;
    static constexpr std::uint32_t kPauseMs = 2000;
    static constexpr int kTaxGroups = 6;

    StressRun(StressView& view, LoopSeams seams, std::string logPath = "Logo.txt");

    // Prints receipts from article code firstCode on until stop() is called
    // (at least one receipt; the stop is seen at the end of a pass). A call
    // while a run goes on (a start pressed from within the run's own event
    // handling) is ignored.
    void run(std::int64_t firstCode, int positions);
    void stop() { stopRequested_ = true; }

    bool running() const { return running_; }
    // The longest print time shown; kept from run to run.
    std::uint32_t maximum() const { return maximumMs_; }
    const StressLog& log() const { return log_; }

  private:
    bool printReceipt(int positions, std::int64_t& code, std::uint32_t& printMs,
                      std::uint32_t& totalMs);

    StressView& view_;
    LoopSeams seams_;
    StressLog log_;
    bool running_ = false;
    bool stopRequested_ = false;
    std::uint32_t maximumMs_ = 0;
};

} // namespace kasmon
