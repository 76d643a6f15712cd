// Start-up of the console: the driver's version check, the main window as it
// comes up, the about text and shutting down without an open link.
#include "AboutScroller.h"
#include "ConsoleTestSupport.h"
#include "FileVersion.h"
#include "Unit1.h"
#include "Unit3.h"
#include "pages/ConnectionPage.h"
#include "pages/Page.h"

#include <kasdrv.h>

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryFile>
#include <QTest>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace kasmon;
using namespace kasmon::test;

class StartupTest : public QObject {
    Q_OBJECT

  private slots:
    void readsTheVersionNote_data();
    void readsTheVersionNote();
    void theLinkedDriverCarriesItsVersion();
    void filesWithoutAVersion();
    void versionCheck_data();
    void versionCheck();
    void theProgramBindsToTheLinkedDriver();

    void mainWindowLayout();
    void startParameter();
    void passwordDialogLayout();
    void deviceCodesOfASuccessfulCommandAreEmpty();

    void aboutTextFirstTick();
    void aboutTextWrapsOnTick683();
    void aboutTextIsDrivenByA30msTimer();
    void aboutTextRestsWhileOffScreen();

    void closingWithoutALinkLeavesThePortAlone();
};

void StartupTest::readsTheVersionNote_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<int>>("version");
    QTest::newRow("1.0.1.2") << KASMON_LIB_1012 << QList<int>{1, 0, 1, 2};
    QTest::newRow("1.0.0.9") << KASMON_LIB_1009 << QList<int>{1, 0, 0, 9};
    QTest::newRow("0.9.9.9") << KASMON_LIB_0999 << QList<int>{0, 9, 9, 9};
}

void StartupTest::readsTheVersionNote() {
    QFETCH(QString, file);
    QFETCH(QList<int>, version);
    std::uint16_t major = 99, minor = 99, release = 99, build = 99;
    QVERIFY(ReadFileVersion(file, major, minor, release, build));
    QCOMPARE((QList<int>{major, minor, release, build}), version);
}

void StartupTest::theLinkedDriverCarriesItsVersion() {
    const auto version = ReadFileVersion(QStringLiteral(KASMON_LIB_DRIVER));
    QVERIFY(version.has_value());
    QCOMPARE(version->major, 1);
    QCOMPARE(version->minor, 0);
    QVERIFY(version->release >= 1);
}

void StartupTest::filesWithoutAVersion() {
    QVERIFY(!ReadFileVersion(QStringLiteral(KASMON_LIB_NONE)));
    QVERIFY(!ReadFileVersion(QStringLiteral("/nonexistent/libkasdrv.so.1")));
    QVERIFY(!ReadFileVersion(QString()));
    // Not an ELF file at all, and an ELF header cut short.
    QTemporaryFile text;
    QVERIFY(text.open());
    text.write("just some text, long enough to be mistaken for a header by a careless reader");
    text.flush();
    QVERIFY(!ReadFileVersion(text.fileName()));
    QFile driver(QStringLiteral(KASMON_LIB_DRIVER));
    QVERIFY(driver.open(QIODevice::ReadOnly));
    QTemporaryFile cut;
    QVERIFY(cut.open());
    cut.write(driver.read(200));
    cut.flush();
    QVERIFY(!ReadFileVersion(cut.fileName()));
}

void StartupTest::versionCheck_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    const QString tooOld = QStringLiteral(
        "Версия библиотеки KASDRV.DLL должна быть не ниже 1.0.1\r\nДальнейшая работа невозможна!");
    const QString noVersion = QStringLiteral("Библиотека KASDRV.DLL не содержит информации о "
                                             "версии!\r\nДальнейшая работа невозможна!");
    QTest::newRow("1.0.1.2 passes") << KASMON_LIB_1012 << QString();
    QTest::newRow("1.0.0.9 refused") << KASMON_LIB_1009 << tooOld;
    QTest::newRow("0.9.9.9 refused") << KASMON_LIB_0999 << tooOld;
    QTest::newRow("no version refused") << KASMON_LIB_NONE << noVersion;
    QTest::newRow("no file refused") << "/nonexistent/libkasdrv.so.1" << noVersion;
}

void StartupTest::versionCheck() {
    QFETCH(QString, file);
    QFETCH(QString, message);
    RecordingDialogs dialogs;
    TForm1 form(StartupOptions{file, {}});
    if (message.isEmpty()) {
        QVERIFY(!form.startupRefused());
        QVERIFY(dialogs.messages.empty());
        return;
    }
    QVERIFY(form.startupRefused());
    QCOMPARE(dialogs.messages.size(), std::size_t(1));
    const MessageRequest& box = dialogs.messages.front();
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QCOMPARE(box.buttons, static_cast<unsigned>(MessageButton::Ok));
    QCOMPARE(box.owner, &form);
}

void StartupTest::theProgramBindsToTheLinkedDriver() {
    RecordingDialogs dialogs;
    TForm1 form;
    QVERIFY(!form.startupRefused());
    QVERIFY(dialogs.messages.empty());
    QCOMPARE(driverLibraryName(), QStringLiteral("libkasdrv.so.1"));
}

void StartupTest::mainWindowLayout() {
    RecordingDialogs dialogs;
    LocaleScope locale(commaLocale());
    const auto form = showMainWindow();
    QVERIFY(form);
    QCOMPARE(form->windowTitle(),
             QStringLiteral("Kasmon 1.0  для \"RX-410F\" (РМ-15)  и  \"RX-520L\" (ЛМ-22)"));
    QCOMPARE(TForm1::applicationTitle(), QStringLiteral("Kasmon 1.0  "));
    QCOMPARE(form->size(), QSize(514, 540));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(form->font().pointSize(), 8);
    QCOMPARE(form->font().families().value(0), QStringLiteral("MS Sans Serif"));

    QTabWidget* pages = form->pageControl();
    QCOMPARE(pages->geometry(), QRect(2, 64, 511, 457));
    const QStringList captions = {
        QStringLiteral("Связь"),        QStringLiteral("Операции"),
        QStringLiteral("Доп. функции"), QStringLiteral("Программирование"),
        QStringLiteral("Артикулы"),     QStringLiteral("Отчеты"),
        QStringLiteral("Пароли"),       QStringLiteral(" Дамп ")};
    QCOMPARE(pages->count(), captions.size());
    for (int i = 0; i < pages->count(); ++i) {
        QCOMPARE(pages->tabText(i), captions.at(i));
        QCOMPARE(qobject_cast<Page*>(pages->widget(i))->caption(), captions.at(i));
    }
    QCOMPARE(pages->currentIndex(), 0);
    QVERIFY(pages->tabBar()->testAttribute(Qt::WA_Hover));
    // Every tab shows its whole caption, all in one row.
    int tabsWidth = 0;
    const QFontMetrics tabMetrics(pages->tabBar()->font());
    for (int i = 0; i < pages->count(); ++i) {
        const QRect tab = pages->tabBar()->tabRect(i);
        QVERIFY2(tabMetrics.horizontalAdvance(pages->tabText(i)) + 6 <= tab.width(),
                 qPrintable(pages->tabText(i)));
        tabsWidth += tab.width();
    }
    QVERIFY2(tabsWidth <= pages->width(), qPrintable(QString::number(tabsWidth)));

    QCOMPARE(form->statusPanel(0)->geometry(), QRect(0, 0, 300, 18));
    QCOMPARE(form->statusPanel(0)->parentWidget()->geometry(), QRect(0, 522, 514, 18));
    QVERIFY(form->statusPanel(0)->font().bold());
    QCOMPARE(form->statusText(), QString());
    QCOMPARE(form->statusPanel(1)->text(), QString());
    for (const QString& text : {QStringLiteral("Порт открыт (38400 бит/с) Режим - СЕРВИСАНТ"),
                                QStringLiteral("Подождите..., идет сеанс связи с ЭККР!"),
                                QStringLiteral("Порт открыт (38400 бит/с) Режим - КАССИР")}) {
        const QLabel* panel = form->statusPanel(0);
        QVERIFY2(panel->fontMetrics().horizontalAdvance(text) + panel->indent() <=
                     panel->contentsRect().width(),
                 qPrintable(text));
    }

    const auto* page = controlIn<QWidget>(*form, "connection");
    QCOMPARE(controlIn<QComboBox>(*page, "connection.port")->count(), 9);
    QCOMPARE(controlIn<QComboBox>(*page, "connection.port")->itemText(0), QStringLiteral("COM1"));
    QCOMPARE(controlIn<QComboBox>(*page, "connection.port")->itemText(8), QStringLiteral("COM9"));
    QCOMPARE(controlIn<QComboBox>(*page, "connection.port")->currentText(), QStringLiteral("COM1"));
    for (const QComboBox* box : {controlIn<QComboBox>(*page, "connection.speed"),
                                 controlIn<QComboBox>(*page, "connection.newSpeed")}) {
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->itemText(0), QStringLiteral("9600"));
        QCOMPARE(box->itemText(1), QStringLiteral("19200"));
        QCOMPARE(box->itemText(2), QStringLiteral("38400"));
        QCOMPARE(box->currentText(), QStringLiteral("9600"));
    }
    QCOMPARE(controlIn<QGroupBox>(*page, "connection.connectGroup")->title(),
             QStringLiteral(" Установка соединения: "));
    QCOMPARE(controlIn<QGroupBox>(*page, "connection.changeGroup")->title(),
             QStringLiteral(" Изменение скорости связи: "));
    QCOMPARE(controlIn<QPushButton>(*page, "connection.connect")->text(),
             QStringLiteral("Установить связь"));
    QCOMPARE(controlIn<QPushButton>(*page, "connection.disconnect")->text(),
             QStringLiteral("Завершить связь"));
    QCOMPARE(controlIn<QPushButton>(*page, "connection.change")->text(),
             QStringLiteral("Изменить"));
    QCOMPARE(controlIn<AboutArea>(*page, "connection.about")->geometry(),
             QRect(280, 112, 193, 282));

    // Captions fit their controls.
    for (const QPushButton* b : page->findChildren<QPushButton*>()) {
        QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + 8 <= b->width(),
                 qPrintable(b->text()));
    }
    for (const QLabel* l : form->findChildren<QLabel*>()) {
        if (!l->text().isEmpty() && l->pixmap().isNull()) {
            QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->contentsRect().width(),
                     qPrintable(l->text()));
        }
    }
    for (const QGroupBox* g : form->findChildren<QGroupBox*>()) {
        QVERIFY2(g->fontMetrics().horizontalAdvance(g->title()) + 16 <= g->width(),
                 qPrintable(g->title()));
    }

    const ConsoleState& s = form->state();
    QCOMPARE(s.ProgPassword, 0);
    QCOMPARE(s.ReportPassword, 0);
    QVERIFY(!s.Connected);
    QVERIFY(!s.ServiceMode);
    QCOMPARE(s.PaperSensors, -1);
    QCOMPARE(s.LogoMaxWidth, 0);
    QCOMPARE(s.LogoMaxHeight, 0);
    QCOMPARE(s.StartParam, QString());
}

void StartupTest::startParameter() {
    RecordingDialogs dialogs;
    TForm1 form(StartupOptions{{}, {QStringLiteral("-TeCh"), QStringLiteral("second")}});
    QCOMPARE(form.state().StartParam, QStringLiteral("-TeCh"));
    TForm1 longer(StartupOptions{{}, {QString(300, QLatin1Char('x'))}});
    QCOMPARE(longer.state().StartParam.size(), 255);
}

void StartupTest::passwordDialogLayout() {
    RecordingDialogs dialogs;
    TForm1 form;
    TForm3& dialog = form.passwordDialog();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Регистрация"));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    const auto* group = dialog.findChild<QGroupBox*>();
    QVERIFY(group != nullptr);
    QCOMPARE(group->title(), QStringLiteral(" Введите сервисный пароль "));
    QCOMPARE(dialog.passwordEdit()->maxLength(), 15);
    QCOMPARE(dialog.passwordEdit()->echoMode(), QLineEdit::Password);
    QCOMPARE(dialog.okButton()->text(), QStringLiteral("OK"));
    QVERIFY(dialog.okButton()->isDefault());
    QCOMPARE(dialog.cancelButton()->text(), QStringLiteral("Отмена"));

    // Every time it comes up the field is empty and cashier mode is assumed.
    form.state().ServiceMode = true;
    dialogs.onModal = [](QDialog& d) {
        auto& f3 = dynamic_cast<TForm3&>(d);
        QVERIFY(f3.passwordEdit()->text().isEmpty());
        QTest::keyClicks(f3.passwordEdit(), QStringLiteral("wrong"));
        d.close();
    };
    dialogs.runModal(dialog);
    QVERIFY(!form.state().ServiceMode);
    dialogs.onModal = typePasswordAndOk(QStringLiteral("vetrolina"));
    QCOMPARE(dialogs.runModal(dialog), int(QDialog::Accepted));
    QVERIFY(form.state().ServiceMode);
    dialogs.onModal = typePasswordAndOk(QStringLiteral("Vetrolina"));
    dialogs.runModal(dialog);
    QVERIFY(!form.state().ServiceMode);
    dialogs.onModal = typePasswordAndOk(QStringLiteral("vetrolina "));
    dialogs.runModal(dialog);
    QVERIFY(!form.state().ServiceMode);
}

void StartupTest::deviceCodesOfASuccessfulCommandAreEmpty() {
    RecordingDialogs dialogs;
    TForm1 form;
    QCOMPARE(form.DeviceCodesSuffix(), QString());
}

void StartupTest::aboutTextFirstTick() {
    AboutScroller scroller(TForm1::windowFont(), Qt::lightGray, Qt::black);
    QCOMPARE(scroller.offset(), 193);
    QCOMPARE(scroller.picture().size(), QSize(180, 290));
    scroller.tick();
    QCOMPARE(scroller.offset(), 192);
    QCOMPARE(scroller.picture().size(), QSize(190, 290));
    const auto& drawn = scroller.lastDrawn();
    QCOMPARE(drawn.size(), std::size_t(19));
    QCOMPARE(drawn.front().y, 372);
    QCOMPARE(drawn.front().x, 5);
    QCOMPARE(drawn.front().text, QStringLiteral("       Kasmon (ver. 1.0)"));
    QCOMPARE(drawn.at(1).text, QStringLiteral("   для  ЭККР  \"RX-410F\" (РМ-15)"));
    QCOMPARE(drawn.at(2).text, QStringLiteral("            и \"RX-520L\" (ЛМ-22)"));
    QCOMPARE(drawn.at(4).text, QString(56, QLatin1Char('-')));
    QCOMPARE(drawn.at(4).y, 192 + 240);
    QCOMPARE(drawn.at(5).text, QStringLiteral("  Мы будем благодарны Вам за"));
    QCOMPARE(drawn.at(9).text, QStringLiteral("      \"RX-520L\" и \"RX-410F\""));
    QCOMPARE(drawn.at(9).y, 192 + 315);
    QCOMPARE(drawn.at(10).y, 192 + 330);
    QCOMPARE(drawn.at(11).text, QStringLiteral("      По вопросам приобретения"));
    QCOMPARE(drawn.at(15).text, QStringLiteral("       обращайтесь по адресу:"));
    QCOMPARE(drawn.at(17).y, 192 + 435);
    QCOMPARE(drawn.back().y, 192 + 450);
    // Every line but the rules fits the picture.
    const QFontMetrics metrics(TForm1::windowFont());
    for (const auto& line : drawn) {
        if (!line.text.startsWith(QStringLiteral("---"))) {
            QVERIFY2(line.x + metrics.horizontalAdvance(line.text) <= 190, qPrintable(line.text));
        }
    }
}

void StartupTest::aboutTextWrapsOnTick683() {
    AboutScroller scroller(TForm1::windowFont(), Qt::lightGray, Qt::black);
    for (int tick = 1; tick <= 682; ++tick) {
        scroller.tick();
    }
    QCOMPARE(scroller.offset(), -489);
    QCOMPARE(scroller.lastDrawn().front().y, -489 + 180);
    scroller.tick(); // 683: the offset reaches -490 and starts again before drawing
    QCOMPARE(scroller.offset(), 193);
    QCOMPARE(scroller.lastDrawn().front().y, 193 + 180);
    scroller.tick();
    QCOMPARE(scroller.offset(), 192);
}

void StartupTest::aboutTextIsDrivenByA30msTimer() {
    RecordingDialogs dialogs;
    const auto form = showMainWindow();
    QVERIFY(form);
    AboutArea* about = controlIn<AboutArea>(*form, "connection.about");
    QCOMPARE(about->timer().interval(), 30);
    QVERIFY(about->timer().isActive());
    const int start = about->scroller().offset();
    QTRY_VERIFY(about->scroller().offset() != start);
    // Somewhere in its run the text is on the picture: some pixel differs from the background.
    const QRgb background = about->scroller().picture().pixel(0, 0);
    for (int i = 0; i < 250; ++i) {
        about->scroller().tick();
    }
    const QImage& picture = about->scroller().picture();
    bool drawn = false;
    for (int y = 0; y < picture.height() && !drawn; ++y) {
        for (int x = 0; x < picture.width() && !drawn; ++x) {
            drawn = picture.pixel(x, y) != background;
        }
    }
    QVERIFY(drawn);
}

void StartupTest::aboutTextRestsWhileOffScreen() {
    RecordingDialogs dialogs;
    const auto form = showMainWindow();
    QVERIFY(form);
    AboutArea* about = controlIn<AboutArea>(*form, "connection.about");
    QTabWidget* pages = form->pageControl();
    QVERIFY(about->timer().isActive());

    // Another page: the timer stops and the text keeps its place.
    pages->setCurrentIndex(1);
    QVERIFY(!about->timer().isActive());
    const int stoppedAt = about->scroller().offset();
    pages->setCurrentIndex(7);
    QVERIFY(!about->timer().isActive());
    pages->setCurrentIndex(0);
    QVERIFY(about->timer().isActive());
    QCOMPARE(about->scroller().offset(), stoppedAt);

    // Minimised and restored.
    form->setWindowState(Qt::WindowMinimized);
    QVERIFY(!about->timer().isActive());
    form->setWindowState(Qt::WindowNoState);
    QVERIFY(about->timer().isActive());

    // Restored on another page: still at rest until the page shows.
    form->setWindowState(Qt::WindowMinimized);
    pages->setCurrentIndex(3);
    form->setWindowState(Qt::WindowNoState);
    QVERIFY(!about->timer().isActive());
    pages->setCurrentIndex(0);
    QVERIFY(about->timer().isActive());

    // A hidden window draws nothing either.
    form->hide();
    QVERIFY(!about->timer().isActive());
    form->show();
    QVERIFY(about->timer().isActive());
}

void StartupTest::closingWithoutALinkLeavesThePortAlone() {
    DevicesDirectory devices;
    // A bare pseudo-terminal stands in for a port the console never opened.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(master >= 0);
    QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
    QVERIFY(QFile::link(QString::fromLocal8Bit(ptsname(master)), devices.portPath(3)));

    RecordingDialogs dialogs;
    auto form = showMainWindow();
    QVERIFY(form);
    QCOMPARE(FPInit(3, 9600, 1, 1), -1); // opened behind the console's back
    QVERIFY(!form->state().Connected);
    form->close();
    form.reset();
    QCOMPARE(FPClose(), -1); // still open: the console did not close it
    QCOMPARE(FPClose(), 0);
    ::close(master);
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
