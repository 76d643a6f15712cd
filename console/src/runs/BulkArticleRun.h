// Programming a long run of generated articles (number N: name "Товар N",
// price N kopecks, group "А", three decimals in the quantity) with one button
// that is its own stop switch. No widgets: the page shows what the run tells
// its view, and the bench drives the same class without a window.
#pragma once

#include "runs/LoopSeams.h"

#include <cstdint>
#include <functional>

namespace kasmon {

// What the run shows while it goes on and when it ends.
class BulkRunView {
  public:
    virtual ~BulkRunView() = default;
    // The button's caption: running ("Стоп!") or idle.
    virtual void showRunning(bool running) = 0;
    // "Товар N из count" in the status bar, and its clearing.
    virtual void showProgress(std::uint32_t number, std::uint32_t count) = 0;
    virtual void clearProgress() = 0;
    virtual void reportInterrupted(std::uint32_t lastWritten) = 0;
    virtual void reportCompleted(std::uint32_t lastWritten) = 0;
    // The driver's last error.
    virtual void reportDriverFailure() = 0;
};

// Writes article number N; false on a driver failure.
class ArticleWriter {
  public:
    virtual ~ArticleWriter() = default;
    virtual bool write(std::uint32_t number) = 0;
};

// FPProgArt with the programming password the console holds at the moment of the call.
class DriverArticleWriter final : public ArticleWriter {
  public:
    explicit DriverArticleWriter(std::function<std::uint16_t()> password);
    bool write(std::uint32_t number) override;

  private:
    std::function<std::uint16_t()> password_;
};

class BulkArticleRun {
  public:
    static constexpr std::uint32_t kArticleCount = 10000;

    BulkArticleRun(ArticleWriter& writer, EventPump& pump, BulkRunView& view,
                   std::uint32_t count = kArticleCount);

    // A press on the button. Idle: starts the run and returns when it ends. Running:
    // the press arrives through the event pump inside the run; it switches back to
    // idle and reports the interruption, and the run ends before its next article.
    void press();

    bool running() const { return running_; }
    // The last article written, kept from run to run (0 before the first).
    std::uint32_t lastWritten() const { return lastWritten_; }
    std::uint32_t count() const { return count_; }
    void setCount(std::uint32_t count) { count_ = count; }

  private:
    ArticleWriter& writer_;
    EventPump& pump_;
    BulkRunView& view_;
    std::uint32_t count_;
    bool running_ = false;
    std::uint32_t lastWritten_ = 0;
};

} // namespace kasmon
