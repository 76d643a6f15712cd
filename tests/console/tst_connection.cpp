// The connection page against the real driver and a register emulator on a
// pseudo-terminal: opening the link in each mode, refused and unknown
// firmware, the two models, the failures, the speed change, closing the link,
// the paper warnings and shutting down with the link open.
#include "LinkedWindow.h"
#include "Unit1.h"

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
};

void ConnectionTest::serviceWithTheStartSwitch_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("-tech") << QStringList{QStringLiteral("-tech")};
    QTest::newRow("-TECH") << QStringList{QStringLiteral("-TECH")};
    QTest::newRow("-TeCh with a second parameter")
        << QStringList{QStringLiteral("-TeCh"), QStringLiteral("-nonsense")};
}

void ConnectionTest::serviceWithTheStartSwitch() {
    QFETCH(QStringList, arguments);
    LinkedWindow link;
    QVERIFY(link.show(arguments));
    TForm1* form = &link.form();
    click(link.control<QPushButton>("connection.connect"));

    QCOMPARE(link.dialogs().modalRuns, 0);
    QVERIFY(link.dialogs().messages.empty());
    QVERIFY(form->state().Connected);
    QVERIFY(form->state().ServiceMode);
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (9600 бит/с) Режим - СЕРВИСАНТ"));
    QCOMPARE(linkControls(*form), (LinkControls{false, true, true, true}));
}

void ConnectionTest::serviceWithThePasswordTyped() {
    LinkedWindow link;
    QVERIFY(link.show());
    TForm1* form = &link.form();
    link.control<QComboBox>("connection.speed")->setCurrentIndex(0);
    link.dialogs().onModal = typePasswordAndOk(QStringLiteral("vetrolina"));
    click(link.control<QPushButton>("connection.connect"));

    QCOMPARE(link.dialogs().modalRuns, 1);
    QCOMPARE(link.dialogs().messages.size(), std::size_t(1));
    const MessageRequest& box = link.dialogs().messages.front();
    QCOMPARE(box.text, kServiceWarning);
    QCOMPARE(box.title, QStringLiteral("Внимание"));
    QCOMPARE(box.icon, MessageIcon::Warning);
    QCOMPARE(box.owner, form);
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
    LinkedWindow link;
    QVERIFY(link.show());
    TForm1* form = &link.form();
    form->state().ServiceMode = true; // left over from an earlier link
    link.dialogs().onModal = how == 0   ? typePasswordAndOk(QStringLiteral("vetrolin"))
                             : how == 1 ? pressCancel()
                                        : closeByCloseBox();
    click(link.control<QPushButton>("connection.connect"));

    QCOMPARE(link.dialogs().modalRuns, 1);
    QCOMPARE(link.dialogs().messages.size(), std::size_t(1));
    const MessageRequest& box = link.dialogs().messages.front();
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
    kasemu::EmulatorOptions options;
    options.firmware = firmware.toStdString();
    LinkedWindow link(options);
    QVERIFY(link.show({QStringLiteral("-tech")}));
    TForm1* form = &link.form();
    click(link.control<QPushButton>("connection.connect"));

    QCOMPARE(link.dialogs().messages.size(), std::size_t(1));
    const MessageRequest& box = link.dialogs().messages.front();
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
    LinkedWindow link;
    QVERIFY(link.show({QStringLiteral("-tech")}));
    TForm1* form = &link.form();
    click(link.control<QPushButton>("connection.connect"));
    QVERIFY(form->state().Connected);
    QCOMPARE(form->state().PaperSensors, -1);
    QCOMPARE(form->state().LogoMaxWidth, 448);
    QCOMPARE(form->state().LogoMaxHeight, 1050);
}

void ConnectionTest::rx520lLayout() {
    LinkedWindow link(kasemu::ModelKind::Rx520l);
    QVERIFY(link.show({QStringLiteral("-tech")}));
    TForm1* form = &link.form();
    click(link.control<QPushButton>("connection.connect"));
    QVERIFY(form->state().Connected);
    QCOMPARE(form->state().PaperSensors, 0);
    QCOMPARE(form->state().LogoMaxWidth, 352);
    QCOMPARE(form->state().LogoMaxHeight, 312);
}

void ConnectionTest::unknownFirmwareKeepsTheLayout() {
    LinkedWindow link(kasemu::ModelKind::Rx520l);
    QVERIFY(link.show({QStringLiteral("-tech")}));
    TForm1* form = &link.form();
    click(link.control<QPushButton>("connection.connect"));
    QCOMPARE(form->state().LogoMaxWidth, 352);
    click(link.control<QPushButton>("connection.disconnect"));

    link.replaceRegister(kasemu::ModelKind::Rx410f, QStringLiteral("КС-33"));
    click(link.control<QPushButton>("connection.connect"));
    QVERIFY(link.dialogs().messages.empty());
    QVERIFY(form->state().Connected);
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (9600 бит/с) Режим - СЕРВИСАНТ"));
    QCOMPARE(form->state().PaperSensors, 0);
    QCOMPARE(form->state().LogoMaxWidth, 352);
    QCOMPARE(form->state().LogoMaxHeight, 312);

    // At the very first link an unknown register leaves the design state.
    auto fresh = showMainWindow({QStringLiteral("-tech")});
    closeDriverPort();
    click(controlIn<QPushButton>(*fresh, "connection.connect"));
    QVERIFY(fresh->state().Connected);
    QCOMPARE(fresh->state().PaperSensors, -1);
    QCOMPARE(fresh->state().LogoMaxWidth, 0);
    QCOMPARE(fresh->state().LogoMaxHeight, 0);
}

void ConnectionTest::portThatCannotBeOpened() {
    LinkedWindow link;
    link.devices().addDeadPort(2);
    QVERIFY(link.show({QStringLiteral("-tech")}));
    TForm1* form = &link.form();
    link.control<QComboBox>("connection.port")->setCurrentIndex(1);
    click(link.control<QPushButton>("connection.connect"));

    QCOMPARE(link.dialogs().messages.size(), std::size_t(1));
    const MessageRequest& box = link.dialogs().messages.front();
    QCOMPARE(box.text, QStringLiteral("Невозможно открыть порт!"));
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QCOMPARE(form->statusText(), QStringLiteral("Порт закрыт."));
    QVERIFY(!form->state().Connected);
    QCOMPARE(linkControls(*form), (LinkControls{true, false, false, false}));
    QCOMPARE(link.emulator().counters().bytesReceived, std::uint64_t(0));
}

void ConnectionTest::changeSpeed() {
    kasemu::EmulatorOptions options;
    options.strictSpeed = true;
    LinkedWindow link(options);
    QVERIFY(link.show({QStringLiteral("-tech")}));
    TForm1* form = &link.form();
    click(link.control<QPushButton>("connection.connect"));
    QCOMPARE(link.emulator().lineSpeed(), 9600);

    link.control<QComboBox>("connection.newSpeed")->setCurrentIndex(1);
    click(link.control<QPushButton>("connection.change"));

    QCOMPARE(link.emulator().lineSpeed(), 19200);
    QCOMPARE(link.control<QComboBox>("connection.speed")->currentText(), QStringLiteral("19200"));
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (19200 бит/с) Режим - СЕРВИС"));
    QCOMPARE(link.dialogs().messages.size(), std::size_t(1));
    const MessageRequest& box = link.dialogs().messages.front();
    QCOMPARE(box.text, QStringLiteral("Установлена новая скорость связи: 19200 бит/с!"));
    QCOMPARE(box.title, QStringLiteral("Информация"));
    QCOMPARE(box.icon, MessageIcon::Information);
    QVERIFY(form->state().Connected);
    QVERIFY(form->state().ServiceMode);
    QCOMPARE(linkControls(*form), (LinkControls{false, true, true, true}));

    // The link works at the new speed.
    FPBOOL undeterminable = 0;
    QCOMPARE(FPGetPaperState(&undeterminable, nullptr, nullptr, nullptr, nullptr), -1);

    link.control<QComboBox>("connection.newSpeed")->setCurrentIndex(2);
    click(link.control<QPushButton>("connection.change"));
    QCOMPARE(link.emulator().lineSpeed(), 38400);
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (38400 бит/с) Режим - СЕРВИС"));
    link.control<QComboBox>("connection.newSpeed")->setCurrentIndex(0);
    click(link.control<QPushButton>("connection.change"));
    QCOMPARE(link.emulator().lineSpeed(), 9600);
    QCOMPARE(link.control<QComboBox>("connection.speed")->currentText(), QStringLiteral("9600"));
}

void ConnectionTest::changeSpeedRefusedByTheRegister() {
    LinkedWindow link;
    QVERIFY(link.show({QStringLiteral("-tech")}));
    TForm1* form = &link.form();
    click(link.control<QPushButton>("connection.connect"));
    // The answer carries a refusal (the register itself switches anyway; only the
    // console's side is looked at here).
    link.emulator().inject(*kasemu::parseFault("status:0x80"));
    link.emulator().inject(*kasemu::parseFault("result:16"));
    link.control<QComboBox>("connection.newSpeed")->setCurrentIndex(2);
    click(link.control<QPushButton>("connection.change"));

    QCOMPARE(link.dialogs().messages.size(), std::size_t(1));
    const MessageRequest& box = link.dialogs().messages.front();
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QVERIFY2(box.text.endsWith(QStringLiteral("\r\nБайт статуса: 128\r\nБайт результата: 16")),
             qPrintable(box.text));
    QVERIFY(box.text.size() >
            QStringLiteral("\r\nБайт статуса: 128\r\nБайт результата: 16").size());
    QCOMPARE(link.control<QComboBox>("connection.speed")->currentText(), QStringLiteral("9600"));
    QCOMPARE(form->statusText(), QStringLiteral("Порт открыт (9600 бит/с) Режим - СЕРВИСАНТ"));
    QVERIFY(form->state().Connected);
}

void ConnectionTest::disconnect() {
    LinkedWindow link;
    QVERIFY(link.show());
    TForm1* form = &link.form();
    link.dialogs().onModal = typePasswordAndOk(QStringLiteral("vetrolina"));
    click(link.control<QPushButton>("connection.connect"));
    QVERIFY(form->state().Connected);

    click(link.control<QPushButton>("connection.disconnect"));
    QCOMPARE(form->statusText(), QStringLiteral("Порт закрыт."));
    QVERIFY(!form->state().Connected);
    QVERIFY(form->state().ServiceMode); // kept until the next link
    QCOMPARE(linkControls(*form), (LinkControls{true, false, false, false}));
    QCOMPARE(FPClose(), 0);
    QCOMPARE(link.dialogs().messages.size(), std::size_t(1)); // only the service-mode warning

    // And the link opens again.
    click(link.control<QPushButton>("connection.connect"));
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
    LinkedWindow link;
    QVERIFY(link.show({QStringLiteral("-tech")}));
    TForm1* form = &link.form();
    click(link.control<QPushButton>("connection.connect"));
    link.emulator().setPaperSensors(static_cast<std::uint8_t>(sensors));
    form->CheckPaperState();
    if (warning.isEmpty()) {
        QVERIFY(link.dialogs().messages.empty());
        return;
    }
    QCOMPARE(link.dialogs().messages.size(), std::size_t(1));
    const MessageRequest& box = link.dialogs().messages.front();
    QCOMPARE(box.text, warning);
    QCOMPARE(box.title, QStringLiteral("Внимание!"));
    QCOMPARE(box.icon, MessageIcon::Warning);
    QCOMPARE(box.buttons, static_cast<unsigned>(MessageButton::Ok));
    QVERIFY(box.owner == nullptr);
}

void ConnectionTest::closingTheWindowClosesAnOpenLink() {
    LinkedWindow link;
    QVERIFY(link.show({QStringLiteral("-tech")}));
    TForm1* form = &link.form();
    click(link.control<QPushButton>("connection.connect"));
    QVERIFY(form->state().Connected);
    form->close();
    QCOMPARE(FPClose(), 0); // already closed by the console
}

void ConnectionTest::statusQueryTimesOut() {
    LinkedWindow link;
    QVERIFY(link.show({QStringLiteral("-tech")}));
    TForm1* form = &link.form();
    link.emulator().inject(*kasemu::parseFault("ignore*10"));
    click(link.control<QPushButton>("connection.connect"));

    QCOMPARE(link.dialogs().messages.size(), std::size_t(1));
    const MessageRequest& box = link.dialogs().messages.front();
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QVERIFY2(!box.text.isEmpty(), "the driver's error text is shown");
    QCOMPARE(form->statusText(), QStringLiteral("Порт закрыт."));
    QVERIFY(!form->state().Connected);
    QCOMPARE(linkControls(*form), (LinkControls{true, false, false, false}));
    QCOMPARE(FPClose(), 0);
    QVERIFY(link.emulator().counters().bytesReceived > 0);
}

void ConnectionTest::reopenFailsAfterASpeedChange() {
    LinkedWindow link;
    QVERIFY(link.show({QStringLiteral("-tech")}));
    TForm1* form = &link.form();
    click(link.control<QPushButton>("connection.connect"));
    // The port disappears after the speed change: the reopen fails silently.
    QFile::remove(link.devices().portPath(1));
    link.devices().addDeadPort(1);
    link.control<QComboBox>("connection.newSpeed")->setCurrentIndex(1);
    click(link.control<QPushButton>("connection.change"));
    QVERIFY(link.dialogs().messages.empty());
    QCOMPARE(form->statusText(), QStringLiteral("Порт закрыт"));
    QVERIFY(form->state().Connected);
    QCOMPARE(linkControls(*form), (LinkControls{false, true, true, true}));
    // "Завершить связь" still asks the driver to close; with nothing open nothing changes.
    click(link.control<QPushButton>("connection.disconnect"));
    QCOMPARE(form->statusText(), QStringLiteral("Порт закрыт"));
    QVERIFY(form->state().Connected);
}

QTEST_MAIN(ConnectionTest)
#include "tst_connection.moc"
