#include "runs/BulkArticleRun.h"

#include "runs/GoodsName.h"

#include <kasdrv.h>

#include <utility>

namespace kasmon {

DriverArticleWriter::DriverArticleWriter(std::function<std::uint16_t()> password)
    : password_(std::move(password)) {}

bool DriverArticleWriter::write(std::uint32_t number) {
    const std::string name = generatedGoodsName(number);
    const auto result = FPProgArt(password_(), 3, static_cast<std::int32_t>(number), 0,
                                  name.c_str(), static_cast<std::int64_t>(number));
    return (result & 0xFFFF) != 0;
}

BulkArticleRun::BulkArticleRun(ArticleWriter& writer, EventPump& pump, BulkRunView& view,
                               std::uint32_t count)
    : writer_(writer), pump_(pump), view_(view), count_(count) {}

void BulkArticleRun::press() {
    running_ = !running_;
    view_.showRunning(running_);
    for (std::uint32_t number = 1; number <= count_; ++number) {
        if (!running_) {
            // A press that stopped the run reports it; the run it stopped
            // ends here on its next pass without a second message.
            if (number == 1) {
                view_.reportInterrupted(lastWritten_);
            }
            view_.clearProgress();
            return;
        }
        view_.showProgress(number, count_);
        if (!writer_.write(number)) {
            running_ = false;
            view_.showRunning(false);
            view_.clearProgress();
            view_.reportDriverFailure();
            return;
        }
        lastWritten_ = number;
        pump_.processPendingEvents();
    }
    if (!running_) {
        // Stopped while the last article's events were handled: that press
        // has already reported the interruption.
        view_.clearProgress();
        return;
    }
    running_ = false;
    view_.showRunning(false);
    view_.reportCompleted(lastWritten_);
    view_.clearProgress();
}

} // namespace kasmon
