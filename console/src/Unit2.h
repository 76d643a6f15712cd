// TForm2, "Стресс-тест": prints sale receipts one after another until it is
// stopped, shows the last and the longest print times and logs every receipt
// to "Logo.txt" in the current directory. The loop itself is runs/StressRun.
#pragma once

#include "runs/LoopSeams.h"
#include "runs/StressRun.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kasmon {

class TForm2 final : public QDialog, private StressView {
    Q_OBJECT
  public:
    // `reportDriverError` shows the driver's last error the console's way.
    TForm2(LoopSeams seams, std::function<void()> reportDriverError, QWidget* parent = nullptr);

    const StressRun& run() const { return run_; }

  signals:
    // "Выход": the stress test is locked again on the main window.
    void exitPressed();

  public slots:
    // The window stays while a run goes on: only "Остановить" ends it.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void start();
    void stop();
    void exit();
    void setRunning(bool running);

    void showItemCount(int positions) override;
    void showTimes(std::uint32_t printMs, std::uint32_t totalMs, std::uint32_t maximumMs) override;
    void refresh() override;
    void showIdle() override;
    void reportLogNotCreated(const std::string& path) override;
    void reportLogNotWritten(const std::string& path) override;
    void reportBadPositions() override;
    void reportDriverFailure() override;

    std::function<void()> reportDriverError_;
    StressRun run_;

    QLineEdit* firstCode_ = nullptr;
    QSpinBox* positions_ = nullptr;
    QLabel* itemCount_ = nullptr;
    QLabel* printTime_ = nullptr;
    QLabel* totalTime_ = nullptr;
    QLabel* maximum_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* exit_ = nullptr;
};

} // namespace kasmon
