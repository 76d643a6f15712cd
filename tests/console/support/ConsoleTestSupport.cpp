#include "ConsoleTestSupport.h"

#include "Unit1.h"
#include "Unit3.h"

#include <kasdrv.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include <stdexcept>

namespace kasmon::test {

RecordingDialogs::RecordingDialogs() {
    Dialogs::install(this);
}

RecordingDialogs::~RecordingDialogs() {
    Dialogs::install(nullptr);
}

MessageButton RecordingDialogs::message(const MessageRequest& request) {
    messages.push_back(request);
    if (!answers.empty()) {
        const MessageButton answer = answers.front();
        answers.pop_front();
        return answer;
    }
    for (MessageButton b :
         {MessageButton::Yes, MessageButton::No, MessageButton::Ok, MessageButton::Cancel}) {
        if (hasButton(request.buttons, b)) {
            return b;
        }
    }
    return MessageButton::None;
}

QString RecordingDialogs::openFileName(const FileRequest& request) {
    fileRequests.push_back(request);
    if (files.empty()) {
        return {};
    }
    QString name = files.front();
    files.pop_front();
    return name;
}

QString RecordingDialogs::saveFileName(const FileRequest& request) {
    return openFileName(request);
}

int RecordingDialogs::runModal(QDialog& dialog) {
    ++modalRuns;
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (onModal) {
        onModal(dialog);
    } else {
        dialog.close();
    }
    if (dialog.isVisible()) {
        dialog.close();
    }
    return dialog.result();
}

std::function<void(QDialog&)> typePasswordAndOk(const QString& password) {
    return [password](QDialog& dialog) {
        auto& form3 = dynamic_cast<TForm3&>(dialog);
        QTest::keyClicks(form3.passwordEdit(), password);
        QTest::mouseClick(form3.okButton(), Qt::LeftButton);
    };
}

std::function<void(QDialog&)> pressCancel() {
    return [](QDialog& dialog) {
        auto& form3 = dynamic_cast<TForm3&>(dialog);
        QTest::keyClicks(form3.passwordEdit(), QStringLiteral("vetrolina"));
        QTest::mouseClick(form3.cancelButton(), Qt::LeftButton);
    };
}

std::function<void(QDialog&)> closeByCloseBox() {
    return [](QDialog& dialog) {
        auto& form3 = dynamic_cast<TForm3&>(dialog);
        QTest::keyClicks(form3.passwordEdit(), QStringLiteral("vetrolina"));
        dialog.close();
    };
}

LocaleFormat commaLocale() {
    return LocaleFormat(QLocale(QLocale::Ukrainian, QLocale::Ukraine));
}

LocaleFormat pointLocale() {
    return LocaleFormat(QLocale(QLocale::English, QLocale::UnitedStates));
}

LocaleScope::LocaleScope(const LocaleFormat& format) : saved_(LocaleFormat::current()) {
    LocaleFormat::setCurrent(format);
}

LocaleScope::~LocaleScope() {
    LocaleFormat::setCurrent(saved_);
}

DevicesDirectory::DevicesDirectory() {
    hadValue_ = qEnvironmentVariableIsSet("KASDRV_DEVICES");
    saved_ = qgetenv("KASDRV_DEVICES");
    if (!dir_.isValid()) {
        throw std::runtime_error("no temporary directory");
    }
    qputenv("KASDRV_DEVICES", QFile::encodeName(dir_.path()));
}

DevicesDirectory::~DevicesDirectory() {
    if (hadValue_) {
        qputenv("KASDRV_DEVICES", saved_);
    } else {
        qunsetenv("KASDRV_DEVICES");
    }
}

QString DevicesDirectory::portPath(int port) const {
    return dir_.filePath(QStringLiteral("com%1").arg(port));
}

void DevicesDirectory::addDeadPort(int port) {
    QFile::link(dir_.filePath(QStringLiteral("nothing-here")), portPath(port));
}

#if defined(KASMON_TEST_EMULATOR)
std::unique_ptr<kasemu::Emulator> startRegister(const DevicesDirectory& devices, int port,
                                                kasemu::ModelKind model, const QString& firmware,
                                                bool strictSpeed) {
    kasemu::EmulatorOptions options;
    options.model = model;
    options.firmware = firmware.toStdString();
    options.linkPath = QFile::encodeName(devices.portPath(port)).toStdString();
    options.linesPerSecond = 0;
    options.strictSpeed = strictSpeed;
    return std::make_unique<kasemu::Emulator>(options);
}
#endif

std::unique_ptr<TForm1> showMainWindow(const QStringList& arguments) {
    auto form = std::make_unique<TForm1>(StartupOptions{{}, arguments});
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) {
        return nullptr;
    }
    return form;
}

LinkControls linkControls(const TForm1& form) {
    return {controlIn<QWidget>(form, "connection.connect")->isEnabled(),
            controlIn<QWidget>(form, "connection.disconnect")->isEnabled(),
            controlIn<QWidget>(form, "connection.newSpeed")->isEnabled(),
            controlIn<QWidget>(form, "connection.change")->isEnabled()};
}

void closeDriverPort() {
    FPClose();
}

} // namespace kasmon::test
