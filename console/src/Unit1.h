// TForm1: the console's main window with its eight pages, the status bar,
// the console-wide state and the reports every page shares.
#pragma once

#include "ConsoleState.h"
#include "EnabledControls.h"
#include "FileVersion.h"

#include <kashost/Verified.h>

#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QTabWidget;

namespace kasmon {

class ConnectionPage;
class ExtraFunctionsPage;
class Page;
class TForm3;

struct StartupOptions {
    // The driver library to bind to and check; empty: driverLibraryName().
    QString driverLibrary;
    // The command-line parameters after the program name.
    QStringList arguments;
};

class TForm1 final : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 514;
    static constexpr int kClientHeight = 540;

    explicit TForm1(const StartupOptions& options = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // The caption of the window and the application's title.
    static QString caption();
    static QString applicationTitle();
    // The window font, asked for by name and falling back to the platform's sans-serif.
    static QFont windowFont();

    ConsoleState& state() { return state_; }
    const ConsoleState& state() const { return state_; }

    // The fiscal commands of every page, with the open receipt followed from
    // their replies. Whatever else changes the receipt calls its forget().
    kashost::FiscalSession& fiscal() { return fiscal_; }

    // True when the driver library failed the version check: the program ends
    // without showing the window.
    bool startupRefused() const { return refused_; }

    // The driver's last error text followed by the device codes.
    QString DriverErrorText() const;
    // The same for an error taken earlier (the driver's last error has moved on since).
    static QString DriverErrorText(const kashost::DriverError& error);
    // "\r\nБайт статуса: N" and "\r\nБайт результата: N" for the non-zero bytes.
    QString DeviceCodesSuffix() const;
    static QString DeviceCodesSuffix(std::uint8_t status, std::uint8_t result);
    // The standard failure report: the driver's error text in an error box.
    void ReportDriverError();
    void ReportDriverError(const QString& prepared);
    // After a fiscal command that did not prove one execution: the driver's
    // error as it was when the command failed, and below it what became of the
    // command. Shows nothing for a command answered and carried out once.
    void ReportFiscalVerdict(const kashost::FiscalVerdict& verdict);
    // Warns when a paper tape runs low.
    void CheckPaperState();

    // Panel 0 of the status bar.
    void setStatusText(const QString& text);
    QString statusText() const;
    // Repaints the status bar at once (a blocking driver call follows).
    void repaintStatus();

    // Applies one column of the enabled-controls table to every page, or only to
    // the widgets given.
    void applyConnectionState(ConnectionState state);
    void applyConnectionState(ConnectionState state, const std::vector<const QWidget*>& only);
    void applyModel(RegisterModel model);
    const EnabledControls& controls() const { return controls_; }

    QTabWidget* pageControl() const { return pages_; }
    const std::vector<Page*>& pages() const { return pageList_; }
    TForm3& passwordDialog() const { return *form3_; }
    QLabel* statusPanel(int index) const;

    // Closes the link when it is open and releases the driver library. Runs once.
    void shutdown();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildWindow();
    void layOutPages();
    void bindDriver(const QString& library);

    ConsoleState state_;
    kashost::FiscalSession fiscal_;
    EnabledControls controls_;
    LibraryHandle library_;
    bool refused_ = false;
    bool shutDown_ = false;

    QLabel* banner_ = nullptr;
    QTabWidget* pages_ = nullptr;
    ConnectionPage* connection_ = nullptr;
    ExtraFunctionsPage* extraFunctions_ = nullptr;
    std::vector<Page*> pageList_;
    QLabel* panels_[2] = {};
    std::unique_ptr<TForm3> form3_;
};

} // namespace kasmon
