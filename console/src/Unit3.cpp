#include "Unit3.h"

#include "FontFit.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace kasmon {

TForm3::TForm3(ConsoleState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setWindowTitle(QStringLiteral("Регистрация"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFixedSize(250, 118);

    auto* group = new QGroupBox(QStringLiteral(" Введите сервисный пароль "), this);
    group->setGeometry(8, 6, 234, 64);
    password_ = new QLineEdit(group);
    password_->setObjectName(QStringLiteral("registration.password"));
    password_->setGeometry(12, 26, 210, 24);
    password_->setMaxLength(15);
    password_->setEchoMode(QLineEdit::Password);
    password_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("registration.ok"));
    ok_->setGeometry(46, 80, 92, 27);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Отмена"), this);
    cancel_->setObjectName(QStringLiteral("registration.cancel"));
    cancel_->setGeometry(146, 80, 92, 27);

    connect(ok_, &QPushButton::clicked, this, [this] {
        state_.ServiceMode = password_->text() == servicePassword();
        accept();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        state_.ServiceMode = false;
        reject();
    });
    new FontFit(*this); // larger with a font that needs more room
}

QString TForm3::servicePassword() {
    return QStringLiteral("vetrolina");
}

void TForm3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    password_->clear();
    state_.ServiceMode = false;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    password_->setFocus();
}

} // namespace kasmon
