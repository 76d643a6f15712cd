#include "LinkedWindow.h"

#include "Unit1.h"
#include "pages/ConnectionPage.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace kasmon::test {

LinkedWindow::LinkedWindow(kasemu::ModelKind model)
    : dialogs_(std::make_unique<RecordingDialogs>()),
      devices_(std::make_unique<DevicesDirectory>()) {
    kasemu::EmulatorOptions options;
    options.model = model;
    options.linkPath = QFile::encodeName(devices_->portPath(1)).toStdString();
    options.linesPerSecond = 0;
    emulator_ = std::make_unique<kasemu::Emulator>(options);
}

LinkedWindow::~LinkedWindow() {
    form_.reset();
    closeDriverPort();
    emulator_.reset();
    devices_.reset();
    dialogs_.reset();
}

bool LinkedWindow::open(bool service) {
    if (!form_) {
        form_ = showMainWindow();
        if (!form_) {
            return false;
        }
    }
    // The mode is chosen in the password dialog, so that one window can open a
    // service link and then a cashier link.
    dialogs_->onModal =
        service ? typePasswordAndOk(ConnectionPage::servicePassword()) : pressCancel();
    QTest::mouseClick(form_->connectionPage()->connectButton(), Qt::LeftButton);
    seen_ = dialogs_->messages.size(); // the mode notices
    return form_->state().Connected && form_->state().ServiceMode == service;
}

bool LinkedWindow::close() {
    QTest::mouseClick(form_->connectionPage()->disconnectButton(), Qt::LeftButton);
    seen_ = dialogs_->messages.size();
    return !form_->state().Connected;
}

bool LinkedWindow::click(QAbstractButton* button) {
    if (button == nullptr || button->isHidden() || !button->isEnabled()) {
        return false;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

void LinkedWindow::type(QLineEdit* edit, const QString& text) {
    edit->clear();
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

std::vector<MessageRequest> LinkedWindow::takeMessages() {
    std::vector<MessageRequest> shown(dialogs_->messages.begin() + static_cast<long>(seen_),
                                      dialogs_->messages.end());
    seen_ = dialogs_->messages.size();
    return shown;
}

QString LinkedWindow::tape() const {
    QStringList lines;
    for (const std::string& line : emulator_->tape()) {
        lines << QString::fromStdString(line);
    }
    return lines.join(QLatin1Char('\n'));
}

bool isDriverError(const TForm1& form, const MessageRequest& box, int result) {
    if (box.title != QStringLiteral("Ошибка!") || box.icon != MessageIcon::Error ||
        box.owner != &form || box.buttons != static_cast<unsigned>(MessageButton::Ok)) {
        return false;
    }
    // Nothing was sent since the box: the driver still holds the error shown.
    if (box.text != form.DriverErrorText() || box.text.isEmpty()) {
        return false;
    }
    return result == 0 || box.text.endsWith(QStringLiteral("\r\nБайт результата: %1").arg(result));
}

bool isInputError(const MessageRequest& box, const QString& text) {
    return box.title == QStringLiteral("Ошибка!") && box.icon == MessageIcon::Error &&
           box.text == text;
}

} // namespace kasmon::test
