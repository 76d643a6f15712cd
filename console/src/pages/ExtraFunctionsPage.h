// The "Доп. функции" page: the register's service functions that are neither
// receipts nor programming. Date and time, paper feed, drawer, receipt copy,
// firmware printout, the mode switches, cash in the drawer, logo printing on
// and off, the cutter (RX-410F), the print contrast (RX-520L), service text,
// the customer display, and four reports shown in message boxes (their texts
// are reports/Reports.h). Controls are found by objectName, "extra.<name>".
#pragma once

#include "pages/Page.h"

class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimeEdit;

namespace kasmon {

class ExtraFunctionsPage final : public Page {
    Q_OBJECT
  public:
    explicit ExtraFunctionsPage(TForm1& form, QWidget* parent = nullptr);

    QString caption() const override;
    std::vector<ControlRow> controlRows() override;
    // The date and time pickers start at the moment the program starts.
    void setPickers(const QDateTime& now);

  private:
    void buildServiceGroup();
    void buildServiceTextGroup();
    void buildDateTimeGroup();
    void buildDisplayGroup();
    void buildCutterGroup();
    void buildContrastGroup();
    void buildReportButtons();
    void connectActions();

    // Actions.
    void showMoneyInBox();
    void showCutterStatus();
    void getDate();
    void setDate();
    void getTime();
    void setTime();
    void toggleOnline();
    void toggleDisplay();
    void toggleCutter();
    void sendToDisplay();
    void printServiceText();
    void writeContrast();
    void showStatus();
    void showDeviceInfo();
    void showDayTotals();
    void showReceiptSums();

    QGroupBox* serviceGroup_ = nullptr;
    QPushButton* lineFeed_ = nullptr;
    QPushButton* openDrawer_ = nullptr;
    QPushButton* copyReceipt_ = nullptr;
    QPushButton* printVersion_ = nullptr;
    QPushButton* online_ = nullptr;
    QPushButton* display_ = nullptr;
    QPushButton* moneyInBox_ = nullptr;
    QPushButton* status_ = nullptr;
    QPushButton* logoOn_ = nullptr;
    QPushButton* logoOff_ = nullptr;

    QGroupBox* textGroup_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QCheckBox* receiptTapeOnly_ = nullptr;
    QCheckBox* finish_ = nullptr;
    QPushButton* print_ = nullptr;

    QGroupBox* dateGroup_ = nullptr;
    QDateEdit* date_ = nullptr;
    QTimeEdit* time_ = nullptr;
    QPushButton* getDate_ = nullptr;
    QPushButton* setDate_ = nullptr;
    QPushButton* getTime_ = nullptr;
    QPushButton* setTime_ = nullptr;

    QGroupBox* displayGroup_ = nullptr;
    QLineEdit* upperLine_ = nullptr;
    QLineEdit* lowerLine_ = nullptr;
    QPushButton* send_ = nullptr;

    QGroupBox* cutterGroup_ = nullptr;
    QPushButton* cutterMode_ = nullptr;
    QPushButton* cutterStatus_ = nullptr;

    QGroupBox* contrastGroup_ = nullptr;
    QSpinBox* contrast_ = nullptr;
    QPushButton* writeContrast_ = nullptr;

    QPushButton* receiptSums_ = nullptr;
    QPushButton* dayTotals_ = nullptr;
    QPushButton* deviceInfo_ = nullptr;
};

} // namespace kasmon
