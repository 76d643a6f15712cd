// The "Связь" page: opens and closes the link to the register, changes its
// line speed, and decides for the whole link whether the firmware is served,
// which model is connected and whether the user works as service engineer or
// cashier. It also carries the pictures of the registers and the about text.
#pragma once

#include "pages/Page.h"

#include <kashost/Status.h>

#include <QString>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace kasmon {

class AboutArea;

class ConnectionPage final : public Page {
    Q_OBJECT
  public:
    explicit ConnectionPage(TForm1& form, QWidget* parent = nullptr);

    QString caption() const override;
    std::vector<ControlRow> controlRows() override;

    // Firmware versions the console does not work with.
    static const QStringList& refusedFirmware();
    // The service password of the registration dialog.
    static QString servicePassword();

    // Lets the about text ("connection.about") move from now on, while it is on screen.
    void startAboutText();

  public slots:
    void connectClicked();
    void disconnectClicked();
    void changeClicked();

  private:
    // Sets the model-dependent settings (controls, logo limits, paper checks) for the
    // model the firmware names; a firmware that names none leaves them as they are.
    void applyModelOf(kashost::FirmwareModel model);

    QGroupBox* connectGroup_ = nullptr;
    QComboBox* portBox_ = nullptr;
    QComboBox* speedBox_ = nullptr;
    QPushButton* connectButton_ = nullptr;
    QPushButton* disconnectButton_ = nullptr;
    QGroupBox* changeGroup_ = nullptr;
    QComboBox* newSpeedBox_ = nullptr;
    QPushButton* changeButton_ = nullptr;
    AboutArea* about_ = nullptr;
    std::uint8_t openPort_ = 1; // the port the link was opened on
};

} // namespace kasmon
