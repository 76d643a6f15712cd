#include "pages/ConnectionPage.h"

#include "AboutScroller.h"
#include "Dialogs.h"
#include "DriverText.h"
#include "RegisterTexts.h"
#include "Unit1.h"
#include "Unit3.h"
#include "pages/Widgets.h"

#include <kasdrv.h>
#include <kashost/Status.h>

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

} // namespace

ConnectionPage::ConnectionPage(TForm1& form, QWidget* parent) : Page(form, parent) {
    setObjectName(QStringLiteral("connection"));
    connectGroup_ = kit::group(this, QStringLiteral("connection.connectGroup"),
                               QStringLiteral(" Установка соединения: "), {8, 6, 264, 122});
    kit::label(connectGroup_, QStringLiteral("Порт:"), 12, 26);
    QStringList ports;
    for (int i = 1; i <= 9; ++i) {
        ports << QStringLiteral("COM%1").arg(i);
    }
    portBox_ =
        kit::list(connectGroup_, QStringLiteral("connection.port"), {120, 22, 132, 22}, ports);
    kit::label(connectGroup_, QStringLiteral("Скорость, бод:"), 12, 54);
    speedBox_ =
        kit::list(connectGroup_, QStringLiteral("connection.speed"), {120, 50, 132, 22}, kSpeeds);
    connectButton_ = kit::button(connectGroup_, QStringLiteral("connection.connect"),
                                 QStringLiteral("Установить связь"), {10, 84, 118, 27});
    disconnectButton_ = kit::button(connectGroup_, QStringLiteral("connection.disconnect"),
                                    QStringLiteral("Завершить связь"), {134, 84, 118, 27});

    changeGroup_ = kit::group(this, QStringLiteral("connection.changeGroup"),
                              QStringLiteral(" Изменение скорости связи: "), {8, 134, 264, 92});
    kit::label(changeGroup_, QStringLiteral("Скорость, бод:"), 12, 26);
    newSpeedBox_ =
        kit::list(changeGroup_, QStringLiteral("connection.newSpeed"), {120, 22, 132, 22}, kSpeeds);
    changeButton_ = kit::button(changeGroup_, QStringLiteral("connection.change"),
                                QStringLiteral("Изменить"), {120, 54, 132, 27});

    // The registers the console serves, with their names under them.
    auto* pictures = new QFrame(this);
    pictures->setFrameShape(QFrame::StyledPanel);
    pictures->setFrameShadow(QFrame::Sunken);
    pictures->setGeometry(8, 232, 264, 162);
    auto* registers = new QLabel(pictures);
    registers->setPixmap(QPixmap(QStringLiteral(":/kasmon/registers.png")));
    registers->setGeometry(6, 6, 252, 124);
    registers->setAlignment(Qt::AlignCenter);
    for (const auto& [model, x] :
         {std::pair{reg::FirmwareModel::Rx410f, 6}, std::pair{reg::FirmwareModel::Rx520l, 132}}) {
        auto* caption = new QLabel(factText(reg::factsOf(model)->name), pictures);
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
    about_->setObjectName(QStringLiteral("connection.about"));
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
    return TForm3::servicePassword();
}

void ConnectionPage::startAboutText() {
    about_->start();
}

void ConnectionPage::connectClicked() {
    TForm1& f = form();
    ConsoleState& s = state();
    const auto port = static_cast<std::uint8_t>(portBox_->currentIndex() + 1);
    const QString speed = speedBox_->currentText();
    if (!succeeded(FPInit(port, speed.toUInt(), 1, 1))) {
        f.applyConnectionState(ConnectionState::Closed);
        error(QStringLiteral("Невозможно открыть порт!"));
        if (succeeded(FPClose())) {
            s.Connected = false;
        }
        f.setStatusText(QStringLiteral("Порт закрыт."));
        return;
    }
    openPort_ = port;
    // The register on this link may hold another receipt than the one followed.
    f.fiscal().forget();

    // The status query blocks the window: show why before it starts.
    f.setStatusText(QStringLiteral("Подождите..., идет сеанс связи с ЭККР!"));
    f.repaintStatus();

    const std::optional<kashost::RegisterStatus> status = kashost::readStatus();
    if (!status) {
        // The report is about the status query, so it is taken before the port closes.
        const QString error = f.DriverErrorText();
        if (succeeded(FPClose())) {
            f.setStatusText(QStringLiteral("Порт закрыт."));
        }
        f.ReportDriverError(error);
        return;
    }
    const QString firmware = fromDriverText(status->firmware);

    if (refusedFirmware().contains(firmware)) {
        if (succeeded(FPClose())) {
            f.setStatusText(QStringLiteral("Порт закрыт."));
        }
        error(QStringLiteral("Программа не работает с версиями \"04-07\", \"РМ-11\", "
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

    applyModelOf(kashost::modelOf(*status));

    const std::vector<const QWidget*> linkButtons = {connectButton_, disconnectButton_};
    if (s.ServiceMode) {
        f.applyConnectionState(ConnectionState::Service, linkButtons);
        f.setStatusText(QStringLiteral("Порт открыт (") + speed +
                        QStringLiteral(" бит/с) Режим - СЕРВИСАНТ"));
        if (!startSwitch) {
            warning(QStringLiteral("Внимание"),
                    QStringLiteral("Программа работает в сервисном режиме! "));
        }
        f.applyConnectionState(ConnectionState::Service);
    } else {
        f.applyConnectionState(ConnectionState::Cashier, linkButtons);
        f.setStatusText(QStringLiteral("Порт открыт (") + speed +
                        QStringLiteral(" бит/с) Режим - КАССИР"));
        information(QStringLiteral("Режим кассира"),
                    QStringLiteral(" Программа работает режиме кассира!\r\nК некоторым "
                                   "функциям доступ ограничен!"));
        f.applyConnectionState(ConnectionState::Cashier);
    }
    s.Connected = true;
}

void ConnectionPage::applyModelOf(kashost::FirmwareModel model) {
    TForm1& f = form();
    ConsoleState& s = state();
    const reg::ModelFacts* facts = reg::factsOf(model);
    if (facts == nullptr) {
        return;
    }
    // Only the RX-410F has paper sensors.
    const bool rx410f = model == kashost::FirmwareModel::Rx410f;
    f.applyModel(rx410f ? RegisterModel::Rx410f : RegisterModel::Rx520l);
    s.LogoMaxWidth = static_cast<std::int16_t>(facts->logoMaxWidth);
    s.LogoMaxHeight = static_cast<std::int16_t>(facts->logoMaxHeight);
    s.PaperSensors = rx410f ? -1 : 0;
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
    if (!call(FPChangeBaudRate(static_cast<std::uint8_t>(index)))) {
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
    information(QStringLiteral("Информация"), QStringLiteral("Установлена новая скорость связи: ") +
                                                  speed + QStringLiteral(" бит/с!"));
}

} // namespace kasmon
