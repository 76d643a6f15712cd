// The connection page against the real driver and a register emulator on a
// pseudo-terminal: opening the link in each mode, refused and unknown
// firmware, the two models, the failures, the speed change, closing the link,
// the paper warnings and shutting down with the link open.
#include "ConsoleTestSupport.h"
#include "Unit1.h"
#include "pages/ConnectionPage.h"

#include <kasdrv.h>
#include <kasemu/Emulator.h>

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>

using namespace kasmon;
using namespace kasmon::test;

namespace {

const QString kServiceWarning = QStringLiteral("Программа работает в сервисном режиме! ");
const QString kCashierNotice =
    QStringLiteral(" Программа работает режиме кассира!\r\nК некоторым функциям доступ ограничен!");

void click(QPushButton* button) {
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class ConnectionTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void serviceWithTheStartSwitch_data();
    void serviceWithTheStartSwitch();
    void serviceWithThePasswordTyped();
    void cashier_data();
    void cashier();
    void refusedFirmware_data();
    void refusedFirmware();
    void rx410fLayout();
    void rx520lLayout();
    void unknownFirmwareKeepsTheLayout();
    void portThatCannotBeOpened();
    void changeSpeed();
    void changeSpeedRefusedByTheRegister();
    void disconnect();
    void paperWarnings_data();
    void paperWarnings();
    void closingTheWindowClosesAnOpenLink();

    void reopenFailsAfterASpeedChange();
    // The slow one last: it waits for the driver's answer time-outs.
    void statusQueryTimesOut();

  private:
    // Opens the link with the page as the user does; returns the window.
    std::unique_ptr<TForm1> window(const QStringList& arguments = {});

    std::unique_ptr<RecordingDialogs> dialogs_;
    std::unique_ptr<DevicesDirectory> devices_;
    std::unique_ptr<kasemu::Emulator> emulator_;
};

void ConnectionTest::init() {
    dialogs_ = std::make_unique<RecordingDialogs>();
    devices_ = std::make_unique<DevicesDirectory>();
    emulator_ = startRegister(*devices_, 1, kasemu::ModelKind::Rx410f);
}

void ConnectionTest::cleanup() {
    closeDriverPort();
    emulator_.reset();
    devices_.reset();
    dialogs_.reset();
}

std::unique_ptr<TForm1> ConnectionTest::window(const QStringList& arguments) {
    return showMainWindow(arguments);
}

void ConnectionTest::serviceWithTheStartSwitch_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("-tech") << QStringList{QStringLiteral("-tech")};
    QTest::newRow("-TECH") << QStringList{QStringLiteral("-TECH")};
    QTest::newRow("-TeCh with a second parameter")
        << QStringList{QStringLiteral("-TeCh"), QStringLiteral("-nonsense")};
}

void ConnectionTest::serviceWithTheStartSwitch() {
    QFETCH(QStringList, arguments);
    auto form = window(arguments);
    QVERIFY(form);
    click(form->connectionPage()->connectButton());

    QCOMPARE(dialogs_->modalRuns, 0);
    QVERIFY(dialogs_->messages.empty());
    QVERIFY(form->state().Connected);
    QVERIFY(form->state().ServiceMode);
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (9600 бит/с) Режим - СЕРВИСАНТ"));
    QCOMPARE(linkControls(*form), (LinkControls{false, true, true, true}));
}

void ConnectionTest::serviceWithThePasswordTyped() {
    auto form = window();
    QVERIFY(form);
    form->connectionPage()->speedBox()->setCurrentIndex(0);
    dialogs_->onModal = typePasswordAndOk(QStringLiteral("vetrolina"));
    click(form->connectionPage()->connectButton());

    QCOMPARE(dialogs_->modalRuns, 1);
    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    const MessageRequest& box = dialogs_->messages.front();
    QCOMPARE(box.text, kServiceWarning);
    QCOMPARE(box.title, QStringLiteral("Внимание"));
    QCOMPARE(box.icon, MessageIcon::Warning);
    QCOMPARE(box.owner, form.get());
    QVERIFY(form->state().Connected);
    QVERIFY(form->state().ServiceMode);
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (9600 бит/с) Режим - СЕРВИСАНТ"));
    QCOMPARE(linkControls(*form), (LinkControls{false, true, true, true}));
}

void ConnectionTest::cashier_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("wrong password") << 0;
    QTest::newRow("Отмена") << 1;
    QTest::newRow("close box") << 2;
}

void ConnectionTest::cashier() {
    QFETCH(int, how);
    auto form = window();
    QVERIFY(form);
    form->state().ServiceMode = true; // left over from an earlier link
    dialogs_->onModal = how == 0   ? typePasswordAndOk(QStringLiteral("vetrolin"))
                        : how == 1 ? pressCancel()
                                   : closeByCloseBox();
    click(form->connectionPage()->connectButton());

    QCOMPARE(dialogs_->modalRuns, 1);
    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    const MessageRequest& box = dialogs_->messages.front();
    QCOMPARE(box.text, kCashierNotice);
    QCOMPARE(box.title, QStringLiteral("Режим кассира"));
    QCOMPARE(box.icon, MessageIcon::Information);
    QVERIFY(form->state().Connected);
    QVERIFY(!form->state().ServiceMode);
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (9600 бит/с) Режим - КАССИР"));
    QCOMPARE(linkControls(*form), (LinkControls{false, true, false, false}));
}

void ConnectionTest::refusedFirmware_data() {
    QTest::addColumn<QString>("firmware");
    QTest::newRow("РМ-12") << QStringLiteral("РМ-12");
    QTest::newRow("04-07") << QStringLiteral("04-07");
    QTest::newRow("РМ-11") << QStringLiteral("РМ-11");
    QTest::newRow("ЛМ-21") << QStringLiteral("ЛМ-21");
}

void ConnectionTest::refusedFirmware() {
    QFETCH(QString, firmware);
    emulator_ = startRegister(*devices_, 1, kasemu::ModelKind::Rx410f, firmware);
    auto form = window({QStringLiteral("-tech")});
    QVERIFY(form);
    click(form->connectionPage()->connectButton());

    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    const MessageRequest& box = dialogs_->messages.front();
    QCOMPARE(box.text, QStringLiteral("Программа не работает с версиями \"04-07\", \"РМ-11\", "
                                      "\"РМ-12\" и \"ЛМ-21\"\r\nвнутреннего программного "
                                      "обеспечения!"));
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QCOMPARE(form->statusText(), QStringLiteral("Порт закрыт."));
    QVERIFY(!form->state().Connected);
    QCOMPARE(linkControls(*form), (LinkControls{true, false, false, false}));
    QCOMPARE(FPClose(), 0); // the console closed the port
    QCOMPARE(form->state().PaperSensors, -1);
    QCOMPARE(form->state().LogoMaxWidth, 0);
}

void ConnectionTest::rx410fLayout() {
    auto form = window({QStringLiteral("-tech")});
    QVERIFY(form);
    click(form->connectionPage()->connectButton());
    QVERIFY(form->state().Connected);
    QCOMPARE(form->state().PaperSensors, -1);
    QCOMPARE(form->state().LogoMaxWidth, 448);
    QCOMPARE(form->state().LogoMaxHeight, 1050);
}

void ConnectionTest::rx520lLayout() {
    emulator_ = startRegister(*devices_, 1, kasemu::ModelKind::Rx520l);
    auto form = window({QStringLiteral("-tech")});
    QVERIFY(form);
    click(form->connectionPage()->connectButton());
    QVERIFY(form->state().Connected);
    QCOMPARE(form->state().PaperSensors, 0);
    QCOMPARE(form->state().LogoMaxWidth, 352);
    QCOMPARE(form->state().LogoMaxHeight, 312);
}

void ConnectionTest::unknownFirmwareKeepsTheLayout() {
    emulator_ = startRegister(*devices_, 1, kasemu::ModelKind::Rx520l);
    auto form = window({QStringLiteral("-tech")});
    QVERIFY(form);
    ConnectionPage* page = form->connectionPage();
    click(page->connectButton());
    QCOMPARE(form->state().LogoMaxWidth, 352);
    click(page->disconnectButton());

    emulator_.reset();
    emulator_ = startRegister(*devices_, 1, kasemu::ModelKind::Rx410f, QStringLiteral("КС-33"));
    click(page->connectButton());
    QVERIFY(dialogs_->messages.empty());
    QVERIFY(form->state().Connected);
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (9600 бит/с) Режим - СЕРВИСАНТ"));
    QCOMPARE(form->state().PaperSensors, 0);
    QCOMPARE(form->state().LogoMaxWidth, 352);
    QCOMPARE(form->state().LogoMaxHeight, 312);

    // At the very first link an unknown register leaves the design state.
    auto fresh = window({QStringLiteral("-tech")});
    closeDriverPort();
    click(fresh->connectionPage()->connectButton());
    QVERIFY(fresh->state().Connected);
    QCOMPARE(fresh->state().PaperSensors, -1);
    QCOMPARE(fresh->state().LogoMaxWidth, 0);
    QCOMPARE(fresh->state().LogoMaxHeight, 0);
}

void ConnectionTest::portThatCannotBeOpened() {
    devices_->addDeadPort(2);
    auto form = window({QStringLiteral("-tech")});
    QVERIFY(form);
    form->connectionPage()->portBox()->setCurrentIndex(1);
    click(form->connectionPage()->connectButton());

    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    const MessageRequest& box = dialogs_->messages.front();
    QCOMPARE(box.text, QStringLiteral("Невозможно открыть порт!"));
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QCOMPARE(form->statusText(), QStringLiteral("Порт закрыт."));
    QVERIFY(!form->state().Connected);
    QCOMPARE(linkControls(*form), (LinkControls{true, false, false, false}));
    QCOMPARE(emulator_->counters().bytesReceived, std::uint64_t(0));
}

void ConnectionTest::changeSpeed() {
    emulator_ = startRegister(*devices_, 1, kasemu::ModelKind::Rx410f, {}, true);
    auto form = window({QStringLiteral("-tech")});
    QVERIFY(form);
    ConnectionPage* page = form->connectionPage();
    click(page->connectButton());
    QCOMPARE(emulator_->lineSpeed(), 9600);

    page->newSpeedBox()->setCurrentIndex(1);
    click(page->changeButton());

    QCOMPARE(emulator_->lineSpeed(), 19200);
    QCOMPARE(page->speedBox()->currentText(), QStringLiteral("19200"));
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (19200 бит/с) Режим - СЕРВИС"));
    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    const MessageRequest& box = dialogs_->messages.front();
    QCOMPARE(box.text, QStringLiteral("Установлена новая скорость связи: 19200 бит/с!"));
    QCOMPARE(box.title, QStringLiteral("Информация"));
    QCOMPARE(box.icon, MessageIcon::Information);
    QVERIFY(form->state().Connected);
    QVERIFY(form->state().ServiceMode);
    QCOMPARE(linkControls(*form), (LinkControls{false, true, true, true}));

    // The link works at the new speed.
    FPBOOL undeterminable = 0;
    QCOMPARE(FPGetPaperState(&undeterminable, nullptr, nullptr, nullptr, nullptr), -1);

    page->newSpeedBox()->setCurrentIndex(2);
    click(page->changeButton());
    QCOMPARE(emulator_->lineSpeed(), 38400);
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (38400 бит/с) Режим - СЕРВИС"));
    page->newSpeedBox()->setCurrentIndex(0);
    click(page->changeButton());
    QCOMPARE(emulator_->lineSpeed(), 9600);
    QCOMPARE(page->speedBox()->currentText(), QStringLiteral("9600"));
}

void ConnectionTest::changeSpeedRefusedByTheRegister() {
    auto form = window({QStringLiteral("-tech")});
    QVERIFY(form);
    ConnectionPage* page = form->connectionPage();
    click(page->connectButton());
    // The answer carries a refusal (the register itself switches anyway; only the
    // console's side is looked at here).
    emulator_->inject(*kasemu::parseFault("status:0x80"));
    emulator_->inject(*kasemu::parseFault("result:16"));
    page->newSpeedBox()->setCurrentIndex(2);
    click(page->changeButton());

    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    const MessageRequest& box = dialogs_->messages.front();
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QVERIFY2(box.text.endsWith(QStringLiteral("\r\nБайт статуса: 128\r\nБайт результата: 16")),
             qPrintable(box.text));
    QVERIFY(box.text.size() >
            QStringLiteral("\r\nБайт статуса: 128\r\nБайт результата: 16").size());
    QCOMPARE(page->speedBox()->currentText(), QStringLiteral("9600"));
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (9600 бит/с) Режим - СЕРВИСАНТ"));
    QVERIFY(form->state().Connected);
}

void ConnectionTest::disconnect() {
    auto form = window();
    QVERIFY(form);
    dialogs_->onModal = typePasswordAndOk(QStringLiteral("vetrolina"));
    ConnectionPage* page = form->connectionPage();
    click(page->connectButton());
    QVERIFY(form->state().Connected);

    click(page->disconnectButton());
    QCOMPARE(form->statusText(), QStringLiteral("Порт закрыт."));
    QVERIFY(!form->state().Connected);
    QVERIFY(form->state().ServiceMode); // kept until the next link
    QCOMPARE(linkControls(*form), (LinkControls{true, false, false, false}));
    QCOMPARE(FPClose(), 0);
    QCOMPARE(dialogs_->messages.size(), std::size_t(1)); // only the service-mode warning

    // And the link opens again.
    click(page->connectButton());
    QVERIFY(form->state().Connected);
}

void ConnectionTest::paperWarnings_data() {
    QTest::addColumn<int>("sensors");
    QTest::addColumn<QString>("warning");
    using namespace kasemu::paper;
    QTest::newRow("both low") << int(ControlLow | ReceiptLow)
                              << QStringLiteral("Заканчиваются контрольная и чековая ленты!");
    QTest::newRow("control low") << int(ControlLow)
                                 << QStringLiteral("Заканчивается контрольная лента!");
    QTest::newRow("receipt low") << int(ReceiptLow)
                                 << QStringLiteral("Заканчивается чековая лента!");
    QTest::newRow("plenty") << 0 << QString();
    QTest::newRow("undeterminable") << int(Undeterminable | ControlLow | ReceiptLow) << QString();
    QTest::newRow("out but not low") << int(ControlOut | ReceiptOut) << QString();
}

void ConnectionTest::paperWarnings() {
    QFETCH(int, sensors);
    QFETCH(QString, warning);
    auto form = window({QStringLiteral("-tech")});
    QVERIFY(form);
    click(form->connectionPage()->connectButton());
    emulator_->setPaperSensors(static_cast<std::uint8_t>(sensors));
    form->CheckPaperState();
    if (warning.isEmpty()) {
        QVERIFY(dialogs_->messages.empty());
        return;
    }
    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    const MessageRequest& box = dialogs_->messages.front();
    QCOMPARE(box.text, warning);
    QCOMPARE(box.title, QStringLiteral("Внимание!"));
    QCOMPARE(box.icon, MessageIcon::Warning);
    QCOMPARE(box.buttons, static_cast<unsigned>(MessageButton::Ok));
    QVERIFY(box.owner == nullptr);
}

void ConnectionTest::closingTheWindowClosesAnOpenLink() {
    auto form = window({QStringLiteral("-tech")});
    QVERIFY(form);
    click(form->connectionPage()->connectButton());
    QVERIFY(form->state().Connected);
    form->close();
    QCOMPARE(FPClose(), 0); // already closed by the console
    form.reset();
}

void ConnectionTest::statusQueryTimesOut() {
    auto form = window({QStringLiteral("-tech")});
    QVERIFY(form);
    emulator_->inject(*kasemu::parseFault("ignore*10"));
    click(form->connectionPage()->connectButton());

    QCOMPARE(dialogs_->messages.size(), std::size_t(1));
    const MessageRequest& box = dialogs_->messages.front();
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QVERIFY2(!box.text.isEmpty(), "the driver's error text is shown");
    QCOMPARE(form->statusText(), QStringLiteral("Порт закрыт."));
    QVERIFY(!form->state().Connected);
    QCOMPARE(linkControls(*form), (LinkControls{true, false, false, false}));
    QCOMPARE(FPClose(), 0);
    QVERIFY(emulator_->counters().bytesReceived > 0);
}

void ConnectionTest::reopenFailsAfterASpeedChange() {
    auto form = window({QStringLiteral("-tech")});
    QVERIFY(form);
    ConnectionPage* page = form->connectionPage();
    click(page->connectButton());
    // The port disappears after the speed change: the reopen fails silently.
    QFile::remove(devices_->portPath(1));
    devices_->addDeadPort(1);
    page->newSpeedBox()->setCurrentIndex(1);
    click(page->changeButton());
    QVERIFY(dialogs_->messages.empty());
    QCOMPARE(form->statusText(), QStringLiteral("Порт закрыт"));
    QVERIFY(form->state().Connected);
    QCOMPARE(linkControls(*form), (LinkControls{false, true, true, true}));
    // "Завершить связь" still asks the driver to close; with nothing open nothing changes.
    click(page->disconnectButton());
    QCOMPARE(form->statusText(), QStringLiteral("Порт закрыт"));
    QVERIFY(form->state().Connected);
}

QTEST_MAIN(ConnectionTest)
#include "tst_connection.moc"
