#include "runs/StressRun.h"

#include "runs/GoodsName.h"

#include <kasdrv.h>

#include <utility>

namespace kasmon {

namespace {

bool succeeded(int result) {
    return (result & 0xFFFF) != 0;
}

// Clears the running flag however the run ends.
class RunningScope {
  public:
    explicit RunningScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~RunningScope() { flag_ = false; }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

  private:
    bool& flag_;
};

} // namespace

StressRun::StressRun(StressView& view, LoopSeams seams, std::string logPath)
    : view_(view), seams_(seams), log_(std::move(logPath)) {}

void StressRun::run(std::int64_t firstCode, int positions) {
    if (running_) {
        return;
    }
    const RunningScope scope(running_);
    if (!log_.create()) {
        view_.showIdle();
        view_.reportLogNotCreated(log_.path());
        return;
    }
    std::int64_t code = firstCode;
    stopRequested_ = false;
    if (positions < kMinPositions || positions > kMaxPositions) {
        view_.showIdle();
        view_.reportBadPositions();
        return;
    }
    std::uint64_t receipt = 1;
    do {
        std::uint32_t printMs = 0;
        std::uint32_t totalMs = 0;
        if (!printReceipt(positions, code, printMs, totalMs)) {
            view_.showIdle();
            view_.reportDriverFailure();
            return;
        }
        if (maximumMs_ < printMs) {
            maximumMs_ = printMs;
        }
        view_.showTimes(printMs, totalMs, maximumMs_);
        seams_.pump.processPendingEvents();
        view_.refresh();
        if (!log_.append(stressLogLine(receipt, printMs, totalMs, maximumMs_))) {
            view_.showIdle();
            view_.reportLogNotWritten(log_.path());
            return;
        }
        ++receipt;
        seams_.pause.wait(kPauseMs);
    } while (!stopRequested_);
}

bool StressRun::printReceipt(int positions, std::int64_t& code, std::uint32_t& printMs,
                             std::uint32_t& totalMs) {
    std::uint32_t total = 0;
    view_.showItemCount(positions);
    const std::uint32_t t0 = seams_.ticks.milliseconds();
    for (int p = 1; p <= positions; ++p) {
        const std::string name = generatedGoodsName(code) + std::string(39, '#');
        const auto group = static_cast<std::uint8_t>((p - 1) % kTaxGroups);
        const std::int32_t price = p * 100;
        std::int64_t lineCost = 0;
        std::int64_t receiptTotal = 0;
        if (!succeeded(
                FPSale(&lineCost, &receiptTotal, 1, 0, price, group, 0, 0, name.c_str(), code))) {
            return false;
        }
        ++code;
        total += static_cast<std::uint32_t>(price);
    }
    const std::uint32_t t1 = seams_.ticks.milliseconds();
    std::uint32_t answer = 0;
    FPBOOL isChange = 0;
    if (!succeeded(FPPayment(&answer, &isChange, 3, total, -1, 0))) {
        return false;
    }
    const std::uint32_t t2 = seams_.ticks.milliseconds();
    printMs = t2 - t1;
    totalMs = t2 - t0;
    return true;
}

} // namespace kasmon
