// The "Отчеты" page: the daily X and Z reports, the X report by articles and the
// periodic reports from the fiscal memory by dates and by Z-report numbers.
// Every report carries the report password registered on the "Пароли" page.
#pragma once

#include "pages/Page.h"

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace kasmon {

class ReportsPage final : public Page {
    Q_OBJECT
  public:
    explicit ReportsPage(TForm1& form, QWidget* parent = nullptr);
    QString caption() const override;
    std::vector<ControlRow> controlRows() override;

  public slots:
    void xReportClicked();
    void zReportClicked();
    void articleReportClicked();
    void periodicClicked();
    void periodicShortClicked();
    void numbersClicked();

  private:
    void buildFinancialGroup();
    void buildPeriodicGroup();
    // Refuses, as it is typed, a code field holding anything but digits.
    void codeChanged(QLineEdit* field);
    void periodicReport(bool full);
    // After a report: success asks the paper sensors, failure shows the driver's error.
    void finish(std::int16_t result);

    QGroupBox* financialGroup_ = nullptr;
    QLineEdit* firstCode_ = nullptr;
    QLineEdit* lastCode_ = nullptr;
    QCheckBox* wholeRange_ = nullptr;
    QPushButton* articleX_ = nullptr;
    QPushButton* articleZ_ = nullptr;
    QPushButton* xReport_ = nullptr;
    QPushButton* zReport_ = nullptr;

    QGroupBox* periodicGroup_ = nullptr;
    QDateEdit* fromDate_ = nullptr;
    QDateEdit* toDate_ = nullptr;
    QPushButton* periodic_ = nullptr;
    QPushButton* periodicShort_ = nullptr;
    QLineEdit* firstNumber_ = nullptr;
    QLineEdit* lastNumber_ = nullptr;
    QPushButton* numbers_ = nullptr;
};

} // namespace kasmon
