#include "Dialogs.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace kasmon {

namespace {

Dialogs* g_installed = nullptr;

Dialogs& defaultDialogs() {
    static WidgetDialogs dialogs;
    return dialogs;
}

QMessageBox::Icon toQt(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

struct StandardButtonText {
    MessageButton button;
    QMessageBox::StandardButton standard;
    const char16_t* text;
};

constexpr StandardButtonText kButtons[] = {
    {MessageButton::Yes, QMessageBox::Yes, u"Да"},
    {MessageButton::No, QMessageBox::No, u"Нет"},
    {MessageButton::Ok, QMessageBox::Ok, u"ОК"},
    {MessageButton::Cancel, QMessageBox::Cancel, u"Отмена"},
};

// The message texts use "\r\n" line breaks; a plain-text box wants "\n".
QString displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

} // namespace

Dialogs& Dialogs::current() {
    return g_installed != nullptr ? *g_installed : defaultDialogs();
}

void Dialogs::install(Dialogs* dialogs) {
    g_installed = dialogs;
}

void Dialogs::error(QWidget* owner, const QString& text) {
    current().message({owner, text, QStringLiteral("Ошибка!"), MessageIcon::Error,
                       static_cast<unsigned>(MessageButton::Ok)});
}

void Dialogs::information(QWidget* owner, const QString& title, const QString& text) {
    current().message(
        {owner, text, title, MessageIcon::Information, static_cast<unsigned>(MessageButton::Ok)});
}

void Dialogs::warning(QWidget* owner, const QString& title, const QString& text) {
    current().message(
        {owner, text, title, MessageIcon::Warning, static_cast<unsigned>(MessageButton::Ok)});
}

bool Dialogs::question(QWidget* owner, const QString& title, const QString& text) {
    return current().message({owner, text, title, MessageIcon::Question,
                              MessageButton::Yes | MessageButton::No}) == MessageButton::Yes;
}

MessageButton WidgetDialogs::message(const MessageRequest& request) {
    QMessageBox box(toQt(request.icon), request.title, displayText(request.text),
                    QMessageBox::NoButton, request.owner);
    box.setTextFormat(Qt::PlainText);
    if (request.owner == nullptr) {
        box.setWindowModality(Qt::ApplicationModal);
    }
    QPushButton* first = nullptr;
    for (const StandardButtonText& entry : kButtons) {
        if (hasButton(request.buttons, entry.button)) {
            QPushButton* b = box.addButton(entry.standard);
            b->setText(QString::fromUtf16(entry.text));
            if (first == nullptr) {
                first = b;
            }
        }
    }
    if (first != nullptr) {
        box.setDefaultButton(first);
    }
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (const StandardButtonText& entry : kButtons) {
        if (entry.standard == clicked) {
            return entry.button;
        }
    }
    return MessageButton::None;
}

QString WidgetDialogs::openFileName(const FileRequest& request) {
    return QFileDialog::getOpenFileName(request.owner, request.title, request.directory,
                                        request.filter, nullptr, QFileDialog::DontUseNativeDialog);
}

QString WidgetDialogs::saveFileName(const FileRequest& request) {
    return QFileDialog::getSaveFileName(request.owner, request.title, request.directory,
                                        request.filter, nullptr, QFileDialog::DontUseNativeDialog);
}

int WidgetDialogs::runModal(QDialog& dialog) {
    return dialog.exec();
}

void installRussianTranslations() {
    static bool done = false;
    if (done || QCoreApplication::instance() == nullptr) {
        return;
    }
    done = true;
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* name : {"qtbase_ru"}) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QString::fromLatin1(name), dir)) {
            QCoreApplication::installTranslator(translator);
        } else {
            delete translator;
        }
    }
}

} // namespace kasmon
