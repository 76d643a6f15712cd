// The main window linked, as the user links it, to an emulated register on a
// pty, with every message box recorded: the common ground of the page tests.
#pragma once

#include "ConsoleTestSupport.h"

#include <kasemu/Emulator.h>

#include <QString>

#include <memory>

class QAbstractButton;
class QLineEdit;

namespace kasmon {
class TForm1;
}

namespace kasmon::test {

class LinkedWindow {
  public:
    explicit LinkedWindow(kasemu::ModelKind model = kasemu::ModelKind::Rx410f);
    ~LinkedWindow();
    LinkedWindow(const LinkedWindow&) = delete;
    LinkedWindow& operator=(const LinkedWindow&) = delete;

    // Opens the link with the service password typed, or the password dialog
    // cancelled for cashier mode. False when the link did not open as asked.
    bool open(bool service = true);
    // "Завершить связь"; false when the link stayed open.
    bool close();

    TForm1& form() const { return *form_; }
    kasemu::Emulator& emulator() const { return *emulator_; }
    RecordingDialogs& dialogs() const { return *dialogs_; }

    // Clicks a button that must be shown and enabled; false otherwise.
    static bool click(QAbstractButton* button);
    // Replaces a field's text key by key, as typed.
    static void type(QLineEdit* edit, const QString& text);

    // The messages shown since the last call, and only those.
    std::vector<MessageRequest> takeMessages();
    // Everything printed so far, one line a line.
    QString tape() const;
    std::uint64_t bytesReceived() const { return emulator_->counters().bytesReceived; }

  private:
    std::unique_ptr<RecordingDialogs> dialogs_;
    std::unique_ptr<DevicesDirectory> devices_;
    std::unique_ptr<kasemu::Emulator> emulator_;
    std::unique_ptr<TForm1> form_;
    std::size_t seen_ = 0;
};

// True when the box is the standard report of the driver's last error, its
// result byte `result` (0: any), owned by the main window.
bool isDriverError(const TForm1& form, const MessageRequest& box, int result = 0);
// True when the box is an input error ("Ошибка!", error icon) with this text.
bool isInputError(const MessageRequest& box, const QString& text);

} // namespace kasmon::test
