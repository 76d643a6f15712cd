// The main window linked, as the user links it, to an emulated register on a
// pty, with every message box recorded: the common ground of the page tests.
#pragma once

#include "ConsoleTestSupport.h"
#include "Unit1.h"

#include <kasemu/Emulator.h>

#include <QAbstractButton>
#include <QString>

#include <memory>

class QLineEdit;

namespace kasmon::test {

class LinkedWindow {
  public:
    explicit LinkedWindow(kasemu::ModelKind model = kasemu::ModelKind::Rx410f);
    // A register made from these options (its link and speed are the window's).
    explicit LinkedWindow(kasemu::EmulatorOptions options);
    ~LinkedWindow();
    LinkedWindow(const LinkedWindow&) = delete;
    LinkedWindow& operator=(const LinkedWindow&) = delete;

    // Shows the main window started with these arguments, the link not opened.
    bool show(const QStringList& arguments = {});
    // Opens the link with the service password typed, or the password dialog
    // cancelled for cashier mode. False when the link did not open as asked.
    bool open(bool service = true);
    // Opens the link in service mode as "-tech" does and shows the page named
    // `page`. False when the link did not open or there is no such page.
    bool openOn(const char* page);
    // "Завершить связь"; false when the link stayed open.
    bool close();
    // Another register of this model on the same port, for the next link.
    void replaceRegister(kasemu::ModelKind model, const QString& firmware = {});

    TForm1& form() const { return *form_; }
    kasemu::Emulator& emulator() const { return *emulator_; }
    RecordingDialogs& dialogs() const { return *dialogs_; }
    // The directory of the port links, a place for a test's own files too.
    DevicesDirectory& devices() const { return *devices_; }

    // The window's control of this objectName; the test ends when there is none.
    template <typename T = QAbstractButton> T* control(const char* name) const {
        return controlIn<T>(*form_, name);
    }
    template <typename T> T* findControl(const char* name) const {
        return form_->findChild<T*>(QString::fromLatin1(name));
    }
    // Clicks a button that must be shown and enabled; false otherwise.
    static bool click(QAbstractButton* button);
    bool click(const char* name) const { return click(control(name)); }
    // Replaces a field's text key by key, as typed.
    static void type(QLineEdit* edit, const QString& text);

    // The messages shown since the last call, and only those.
    std::vector<MessageRequest> takeMessages();
    // The one message shown since the last call; an empty one, with a warning,
    // when none or several were shown.
    MessageRequest takeMessage();
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
