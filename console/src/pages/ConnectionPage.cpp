#include "pages/ConnectionPage.h"

#include "AboutScroller.h"
#include "Dialogs.h"
#include "RegisterStatus.h"
#include "Unit1.h"
#include "Unit3.h"

#include <kasdrv.h>

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace kasmon {

namespace {

const QStringList kSpeeds = {QStringLiteral("9600"), QStringLiteral("19200"),
                             QStringLiteral("38400")};

QLabel* label(const QString& text, QWidget* parent, int x, int y, int w = 96) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, 17);
    return l;
}

QComboBox* speedList(QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->addItems(kSpeeds);
    box->setCurrentIndex(0);
    return box;
}

} // namespace

ConnectionPage::ConnectionPage(TForm1& form, QWidget* parent) : Page(form, parent) {
    connectGroup_ = new QGroupBox(QStringLiteral(" Установка соединения: "), this);
    connectGroup_->setGeometry(8, 6, 264, 122);
    label(QStringLiteral("Порт:"), connectGroup_, 12, 26);
    portBox_ = new QComboBox(connectGroup_);
    for (int i = 1; i <= 9; ++i) {
        portBox_->addItem(QStringLiteral("COM%1").arg(i));
    }
    portBox_->setCurrentIndex(0);
    portBox_->setGeometry(120, 22, 132, 22);
    label(QStringLiteral("Скорость, бод:"), connectGroup_, 12, 54);
    speedBox_ = speedList(connectGroup_);
    speedBox_->setGeometry(120, 50, 132, 22);
    connectButton_ = new QPushButton(QStringLiteral("Установить связь"), connectGroup_);
    connectButton_->setGeometry(10, 84, 118, 27);
    disconnectButton_ = new QPushButton(QStringLiteral("Завершить связь"), connectGroup_);
    disconnectButton_->setGeometry(134, 84, 118, 27);

    changeGroup_ = new QGroupBox(QStringLiteral(" Изменение скорости связи: "), this);
    changeGroup_->setGeometry(8, 134, 264, 92);
    label(QStringLiteral("Скорость, бод:"), changeGroup_, 12, 26);
    newSpeedBox_ = speedList(changeGroup_);
    newSpeedBox_->setGeometry(120, 22, 132, 22);
    changeButton_ = new QPushButton(QStringLiteral("Изменить"), changeGroup_);
    changeButton_->setGeometry(120, 54, 132, 27);

    // The registers the console serves, with their names under them.
    auto* pictures = new QFrame(this);
    pictures->setFrameShape(QFrame::StyledPanel);
    pictures->setFrameShadow(QFrame::Sunken);
    pictures->setGeometry(8, 232, 264, 162);
    auto* registers = new QLabel(pictures);
    registers->setPixmap(QPixmap(QStringLiteral(":/kasmon/registers.png")));
    registers->setGeometry(6, 6, 252, 124);
    registers->setAlignment(Qt::AlignCenter);
    for (const auto& [name, x] :
         {std::pair{QStringLiteral("RX-410F"), 6}, std::pair{QStringLiteral("RX-520L"), 132}}) {
        auto* caption = new QLabel(name, pictures);
        QFont bold = caption->font();
        bold.setBold(true);
        caption->setFont(bold);
        QPalette navy = caption->palette();
        navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
        caption->setPalette(navy);
        caption->setAlignment(Qt::AlignCenter);
        caption->setGeometry(x, 134, 126, 20);
    }

    auto* emblem = new QLabel(this);
    emblem->setPixmap(QPixmap(QStringLiteral(":/kasmon/emblem.png")));
    emblem->setGeometry(280, 6, 193, 100);
    emblem->setAlignment(Qt::AlignCenter);

    about_ = new AboutArea(this);
    about_->move(280, 112);

    connect(connectButton_, &QPushButton::clicked, this, &ConnectionPage::connectClicked);
    connect(disconnectButton_, &QPushButton::clicked, this, &ConnectionPage::disconnectClicked);
    connect(changeButton_, &QPushButton::clicked, this, &ConnectionPage::changeClicked);
}

QString ConnectionPage::caption() const {
    return QStringLiteral("Связь");
}

std::vector<ControlRow> ConnectionPage::controlRows() {
    const QString connectGroup = connectGroup_->title();
    const QString changeGroup = changeGroup_->title();
    return {
        {connectGroup, connectButton_->text(), connectButton_, Enablement::on(), Enablement::off(),
         Enablement::off()},
        {connectGroup, disconnectButton_->text(), disconnectButton_, Enablement::off(),
         Enablement::on(), Enablement::on()},
        {changeGroup, QStringLiteral("Скорость, бод:"), newSpeedBox_, Enablement::on(),
         Enablement::off()},
        {changeGroup, changeButton_->text(), changeButton_, Enablement::on(), Enablement::off()},
    };
}

const QStringList& ConnectionPage::refusedFirmware() {
    static const QStringList versions = {QStringLiteral("04-07"), QStringLiteral("РМ-11"),
                                         QStringLiteral("ЛМ-21"), QStringLiteral("РМ-12")};
    return versions;
}

QString ConnectionPage::servicePassword() {
    return QStringLiteral("vetrolina");
}

void ConnectionPage::connectClicked() {
    TForm1& f = form();
    ConsoleState& s = state();
    const auto port = static_cast<std::uint8_t>(portBox_->currentIndex() + 1);
    const QString speed = speedBox_->currentText();
    if (!succeeded(FPInit(port, speed.toUInt(), 1, 1))) {
        f.applyConnectionState(ConnectionState::Closed);
        Dialogs::error(&f, QStringLiteral("Невозможно открыть порт!"));
        if (succeeded(FPClose())) {
            s.Connected = false;
        }
        f.setStatusText(QStringLiteral("Порт закрыт."));
        return;
    }
    openPort_ = port;

    // The status query blocks the window: show why before it starts.
    f.setStatusText(QStringLiteral("Подождите..., идет сеанс связи с ЭККР!"));
    f.repaintStatus();

    const std::optional<RegisterStatus> status = readRegisterStatus();
    if (!status) {
        // The report is about the status query, so it is taken before the port closes.
        const QString error = f.DriverErrorText();
        if (succeeded(FPClose())) {
            f.setStatusText(QStringLiteral("Порт закрыт."));
        }
        f.ReportDriverError(error);
        return;
    }
    const QString firmware = status->firmware;

    if (refusedFirmware().contains(firmware)) {
        if (succeeded(FPClose())) {
            f.setStatusText(QStringLiteral("Порт закрыт."));
        }
        Dialogs::error(&f, QStringLiteral("Программа не работает с версиями \"04-07\", \"РМ-11\", "
                                          "\"РМ-12\" и \"ЛМ-21\"\r\nвнутреннего программного "
                                          "обеспечения!"));
        return;
    }

    f.setStatusText(QString());

    const bool startSwitch = s.StartParam.toLower() == QStringLiteral("-tech");
    if (startSwitch) {
        s.ServiceMode = true;
    } else {
        Dialogs::current().runModal(f.passwordDialog());
    }

    applyModelOf(firmware);

    const std::vector<const QWidget*> linkButtons = {connectButton_, disconnectButton_};
    if (s.ServiceMode) {
        f.applyConnectionState(ConnectionState::Service, linkButtons);
        f.setStatusText(QStringLiteral("Порт открыт (") + speed +
                        QStringLiteral(" бит/с) Режим - СЕРВИСАНТ"));
        if (!startSwitch) {
            Dialogs::warning(&f, QStringLiteral("Внимание"),
                             QStringLiteral("Программа работает в сервисном режиме! "));
        }
        f.applyConnectionState(ConnectionState::Service);
    } else {
        f.applyConnectionState(ConnectionState::Cashier, linkButtons);
        f.setStatusText(QStringLiteral("Порт открыт (") + speed +
                        QStringLiteral(" бит/с) Режим - КАССИР"));
        Dialogs::information(&f, QStringLiteral("Режим кассира"),
                             QStringLiteral(" Программа работает режиме кассира!\r\nК некоторым "
                                            "функциям доступ ограничен!"));
        f.applyConnectionState(ConnectionState::Cashier);
    }
    s.Connected = true;
}

void ConnectionPage::applyModelOf(const QString& firmware) {
    TForm1& f = form();
    ConsoleState& s = state();
    if (firmware.contains(QStringLiteral("ЛМ-22"))) {
        f.applyModel(RegisterModel::Rx520l);
        s.LogoMaxWidth = 352;
        s.LogoMaxHeight = 312;
        s.PaperSensors = 0;
    } else if (firmware.contains(QStringLiteral("РМ-15"))) {
        f.applyModel(RegisterModel::Rx410f);
        s.LogoMaxWidth = 448;
        s.LogoMaxHeight = 1050;
        s.PaperSensors = -1;
    }
}

void ConnectionPage::disconnectClicked() {
    TForm1& f = form();
    if (!succeeded(FPClose())) {
        return;
    }
    f.setStatusText(QStringLiteral("Порт закрыт."));
    f.applyConnectionState(ConnectionState::Closed);
    state().Connected = false;
}

void ConnectionPage::changeClicked() {
    TForm1& f = form();
    const int index = newSpeedBox_->currentIndex();
    const QString speed = newSpeedBox_->currentText();
    if (!succeeded(FPChangeBaudRate(static_cast<std::uint8_t>(index)))) {
        f.ReportDriverError();
        return;
    }
    if (!succeeded(FPClose())) {
        return;
    }
    f.setStatusText(QStringLiteral("Порт закрыт"));
    if (!succeeded(FPInit(openPort_, speed.toUInt(), 20, 20))) {
        return;
    }
    speedBox_->setCurrentIndex(index);
    f.setStatusText(QStringLiteral("Порт открыт (") + speed +
                    QStringLiteral(" бит/с) Режим - СЕРВИС"));
    Dialogs::information(&f, QStringLiteral("Информация"),
                         QStringLiteral("Установлена новая скорость связи: ") + speed +
                             QStringLiteral(" бит/с!"));
}

} // namespace kasmon
