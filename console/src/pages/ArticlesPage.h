// The "Артикулы" page: one entry of the register's article table written and
// read back with its turnover, the fill of the article memory, and two test
// functions: the bulk run of 10000 generated articles (its button is its own
// stop switch) and the stress test behind its access code. Controls are found
// by objectName, "articles.<name>".
#pragma once

#include "WindowEventPump.h"
#include "pages/Page.h"
#include "runs/BulkArticleRun.h"
#include "runs/LoopSeams.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kasmon {

class TForm2;

class ArticlesPage final : public Page, private BulkRunView {
    Q_OBJECT
  public:
    // The access code that unlocks the stress test, compared exactly.
    static QString stressAccessCode();

    explicit ArticlesPage(TForm1& form, QWidget* parent = nullptr);
    ~ArticlesPage() override;

    QString caption() const override;
    std::vector<ControlRow> controlRows() override;

    // The long loops of the page and of the stress-test window wait on these;
    // tests put their own in place (none is owned).
    void useLoopSeams(LoopSeams seams) { seams_.use(seams); }
    BulkArticleRun& bulkRun() { return bulkRun_; }
    TForm2& stressWindow() const { return *form2_; }

  private:
    void buildTableGroup();
    void buildTestGroup();
    void connectActions();

    // Actions.
    void writeArticle();
    void readArticle();
    void showArticleMemory();
    void accessCodeChanged();
    void openStressTest();
    void lockStressTest();

    // What the bulk run shows.
    void showRunning(bool running) override;
    void showProgress(std::uint32_t number, std::uint32_t count) override;
    void clearProgress() override;
    void reportInterrupted(std::uint32_t lastWritten) override;
    void reportCompleted(std::uint32_t lastWritten) override;
    void reportDriverFailure() override;

    WindowEventPump windowPump_;
    SystemTickCounter systemTicks_;
    SleepPause sleep_;
    SeamSwitch seams_;
    DriverArticleWriter writer_;
    BulkArticleRun bulkRun_;
    std::unique_ptr<TForm2> form2_;

    QGroupBox* tableGroup_ = nullptr;
    QSpinBox* code_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* taxGroup_ = nullptr;
    QComboBox* decimals_ = nullptr;
    QLineEdit* price_ = nullptr;
    QCheckBox* returnGoods_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* memory_ = nullptr;

    QGroupBox* testGroup_ = nullptr;
    QPushButton* bulk_ = nullptr;
    QLineEdit* accessCode_ = nullptr;
    QPushButton* stressTest_ = nullptr;
};

} // namespace kasmon
