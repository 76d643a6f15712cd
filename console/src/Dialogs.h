// Every modal message box, file dialog and modal window of the console goes
// through Dialogs::current(). The program uses WidgetDialogs (real Qt dialogs
// with Russian buttons); tests install a recorder that answers from a script.
#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace kasmon {

enum class MessageIcon { None, Information, Warning, Error, Question };

// Buttons of a message box; also the answer (None when the box was dismissed).
enum class MessageButton : unsigned { None = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8 };

using MessageButtons = unsigned;
constexpr MessageButtons operator|(MessageButton a, MessageButton b) {
    return static_cast<unsigned>(a) | static_cast<unsigned>(b);
}
constexpr bool hasButton(MessageButtons set, MessageButton b) {
    return (set & static_cast<unsigned>(b)) != 0;
}

struct MessageRequest {
    QWidget* owner = nullptr; // none: the box is modal for the whole program
    QString text;             // as the console composes it, "\r\n" line breaks included
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = static_cast<unsigned>(MessageButton::Ok);
};

struct FileRequest {
    QWidget* owner = nullptr;
    QString title;
    QString directory;
    QString filter;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    virtual MessageButton message(const MessageRequest& request) = 0;
    // The chosen file, or empty when the user cancelled.
    virtual QString openFileName(const FileRequest& request) = 0;
    virtual QString saveFileName(const FileRequest& request) = 0;
    // Shows a dialog modally and returns its result (QDialog::Accepted or Rejected).
    virtual int runModal(QDialog& dialog) = 0;

    // The instance in use; WidgetDialogs unless another was installed.
    static Dialogs& current();
    // Installs another instance (not owned); nullptr restores the default.
    static void install(Dialogs* dialogs);

    // Shorthands for the boxes the console shows most.
    static void error(QWidget* owner, const QString& text); // "Ошибка!", error icon, OK
    static void information(QWidget* owner, const QString& title, const QString& text);
    static void warning(QWidget* owner, const QString& title, const QString& text);
    static bool question(QWidget* owner, const QString& title, const QString& text); // Да/Нет
};

// Real Qt dialogs. Message boxes are owned by the owner given (none: modal for
// the whole program); their standard buttons carry Russian texts.
class WidgetDialogs final : public Dialogs {
  public:
    MessageButton message(const MessageRequest& request) override;
    QString openFileName(const FileRequest& request) override;
    QString saveFileName(const FileRequest& request) override;
    int runModal(QDialog& dialog) override;
};

// Loads Qt's own Russian texts (file dialogs, context menus of edits).
void installRussianTranslations();

} // namespace kasmon
