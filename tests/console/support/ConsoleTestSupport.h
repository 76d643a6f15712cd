// Helpers shared by the console tests: a recorder in place of every message
// box and dialog, locale switching, and a register emulator on a pty that the
// driver finds as comN.
#pragma once

#include "ConsoleState.h"
#include "Dialogs.h"
#include "LocaleFormat.h"

#include <QDialog>
#include <QString>
#include <QTemporaryDir>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#if defined(KASMON_TEST_EMULATOR)
#include <kasemu/Emulator.h>
#endif

namespace kasmon {
class TForm1;
}

namespace kasmon::test {

// Answers every message box from a script and records what was asked.
class RecordingDialogs final : public Dialogs {
  public:
    RecordingDialogs();
    ~RecordingDialogs() override;
    RecordingDialogs(const RecordingDialogs&) = delete;
    RecordingDialogs& operator=(const RecordingDialogs&) = delete;

    MessageButton message(const MessageRequest& request) override;
    QString openFileName(const FileRequest& request) override;
    QString saveFileName(const FileRequest& request) override;
    int runModal(QDialog& dialog) override;

    // Recorded calls.
    std::vector<MessageRequest> messages;
    std::vector<FileRequest> fileRequests;
    int modalRuns = 0;

    // Scripted answers; when the script runs dry a box is answered with its first button
    // and a file dialog is cancelled.
    std::deque<MessageButton> answers;
    std::deque<QString> files;
    // What the user does in a modal dialog; the default closes it by its close box.
    std::function<void(QDialog&)> onModal;
};

// What a user does in the service password dialog.
std::function<void(QDialog&)> typePasswordAndOk(const QString& password);
std::function<void(QDialog&)> pressCancel();
std::function<void(QDialog&)> closeByCloseBox();

// The two locales the tests run the console under.
LocaleFormat commaLocale();
LocaleFormat pointLocale();

// Puts a locale in place for one test and restores the previous one afterwards.
class LocaleScope {
  public:
    explicit LocaleScope(const LocaleFormat& format);
    ~LocaleScope();
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

  private:
    LocaleFormat saved_;
};

// A devices directory of its own (KASDRV_DEVICES) for one test.
class DevicesDirectory {
  public:
    DevicesDirectory();
    ~DevicesDirectory();
    DevicesDirectory(const DevicesDirectory&) = delete;
    DevicesDirectory& operator=(const DevicesDirectory&) = delete;

    QString path() const { return dir_.path(); }
    QString portPath(int port) const;
    // A comN entry that names nothing: the port cannot be opened.
    void addDeadPort(int port);

  private:
    QTemporaryDir dir_;
    QByteArray saved_;
    bool hadValue_ = false;
};

#if defined(KASMON_TEST_EMULATOR)
// A register on port `port` of a devices directory.
std::unique_ptr<kasemu::Emulator> startRegister(const DevicesDirectory& devices, int port,
                                                kasemu::ModelKind model,
                                                const QString& firmware = {},
                                                bool strictSpeed = false);
#endif

// The control of this objectName in `window`; the test ends when there is none.
template <typename T> T* controlIn(const QObject& window, const char* name) {
    T* w = window.findChild<T*>(QString::fromLatin1(name));
    if (w == nullptr) {
        qFatal("no control %s", name);
    }
    return w;
}

// The main window as the program shows it, bound to the real driver library.
std::unique_ptr<TForm1> showMainWindow(const QStringList& arguments = {});

// The state the connection page's rows are in.
struct LinkControls {
    bool connect, disconnect, newSpeed, change;
    bool operator==(const LinkControls&) const = default;
};
LinkControls linkControls(const TForm1& form);

// Makes sure no port is left open by a test.
void closeDriverPort();

} // namespace kasmon::test
