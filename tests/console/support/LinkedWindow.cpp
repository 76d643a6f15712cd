#include "LinkedWindow.h"

#include "Unit1.h"
#include "pages/ConnectionPage.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace kasmon::test {

namespace {

kasemu::EmulatorOptions modelOptions(kasemu::ModelKind model) {
    kasemu::EmulatorOptions options;
    options.model = model;
    return options;
}

} // namespace

LinkedWindow::LinkedWindow(kasemu::ModelKind model) : LinkedWindow(modelOptions(model)) {}

LinkedWindow::LinkedWindow(kasemu::EmulatorOptions options)
    : dialogs_(std::make_unique<RecordingDialogs>()),
      devices_(std::make_unique<DevicesDirectory>()) {
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

bool LinkedWindow::show(const QStringList& arguments) {
    form_ = showMainWindow(arguments);
    return form_ != nullptr;
}

bool LinkedWindow::open(bool service) {
    if (!form_ && !show()) {
        return false;
    }
    // The mode is chosen in the password dialog, so that one window can open a
    // service link and then a cashier link.
    dialogs_->onModal =
        service ? typePasswordAndOk(ConnectionPage::servicePassword()) : pressCancel();
    QTest::mouseClick(control("connection.connect"), Qt::LeftButton);
    seen_ = dialogs_->messages.size(); // the mode notices
    return form_->state().Connected && form_->state().ServiceMode == service;
}

bool LinkedWindow::openOn(const char* page) {
    if (!show({QStringLiteral("-tech")})) {
        return false;
    }
    QTest::mouseClick(control("connection.connect"), Qt::LeftButton);
    auto* shown = form_->findChild<QWidget*>(QString::fromLatin1(page));
    if (!form_->state().Connected || shown == nullptr) {
        return false;
    }
    form_->pageControl()->setCurrentWidget(shown);
    seen_ = dialogs_->messages.size();
    return true;
}

bool LinkedWindow::close() {
    QTest::mouseClick(control("connection.disconnect"), Qt::LeftButton);
    seen_ = dialogs_->messages.size();
    return !form_->state().Connected;
}

void LinkedWindow::replaceRegister(kasemu::ModelKind model, const QString& firmware) {
    emulator_.reset();
    emulator_ = startRegister(*devices_, 1, model, firmware);
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

MessageRequest LinkedWindow::takeMessage() {
    const std::vector<MessageRequest> shown = takeMessages();
    if (shown.size() != 1) {
        qWarning("%d boxes shown", static_cast<int>(shown.size()));
        return {};
    }
    return shown.back();
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
    // The driver still holds the error shown, unless a fiscal command read the
    // register's state after it; a refusal has no verdict below it.
    const QString held = form.DriverErrorText();
    if ((!held.isEmpty() && box.text != held) || box.text.isEmpty() ||
        box.text.contains(QStringLiteral("\r\n\r\n"))) {
        return false;
    }
    const QString codes = QStringLiteral("\r\nБайт результата: %1").arg(result);
    return result == 0 || (box.text.endsWith(codes) && box.text.size() > codes.size());
}

bool isInputError(const MessageRequest& box, const QString& text) {
    return box.title == QStringLiteral("Ошибка!") && box.icon == MessageIcon::Error &&
           box.text == text;
}

} // namespace kasmon::test
