// Pictures of the main window in each connection state, written next to the
// test program (screen-*.png) for a person to look at, and the real message
// box with its Russian buttons.
#include "AboutScroller.h"
#include "ConsoleTestSupport.h"
#include "Unit1.h"
#include "Unit3.h"
#include "pages/ConnectionPage.h"

#include <kasdrv.h>
#include <kasemu/Emulator.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace kasmon;
using namespace kasmon::test;

class ScreensTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanup();
    void eachState_data();
    void eachState();
    void passwordDialog();
    void messageBoxesSpeakRussian_data();
    void messageBoxesSpeakRussian();

  private:
    static QString output(const QString& name) {
        return QDir(QStringLiteral(KASMON_TEST_OUTPUT_DIR)).filePath(name);
    }
};

void ScreensTest::initTestCase() {
    installRussianTranslations();
}

void ScreensTest::cleanup() {
    closeDriverPort();
}

void ScreensTest::eachState_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("password"); // empty: stay closed
    QTest::newRow("closed") << "closed" << 0 << QString();
    QTest::newRow("service RX-410F") << "service" << 0 << "vetrolina";
    QTest::newRow("cashier RX-410F") << "cashier" << 0 << "wrong";
    QTest::newRow("service RX-520L") << "service-rx520l" << 1 << "vetrolina";
}

void ScreensTest::eachState() {
    QFETCH(QString, name);
    QFETCH(int, model);
    QFETCH(QString, password);
    RecordingDialogs dialogs;
    DevicesDirectory devices;
    const auto emulator = startRegister(
        devices, 1, model == 0 ? kasemu::ModelKind::Rx410f : kasemu::ModelKind::Rx520l);
    auto form = showMainWindow();
    QVERIFY(form);
    if (!password.isEmpty()) {
        dialogs.onModal = typePasswordAndOk(password);
        QTest::mouseClick(controlIn<QPushButton>(*form, "connection.connect"), Qt::LeftButton);
        QVERIFY(form->state().Connected);
    }
    // Bring the about text into view.
    AboutArea* about = controlIn<AboutArea>(*form, "connection.about");
    about->timer().stop();
    for (int i = 0; i < 260; ++i) {
        about->scroller().tick();
    }
    about->update();
    const QImage picture = form->grab().toImage();
    QCOMPARE(picture.size(), QSize(514, 540));
    QVERIFY(picture.save(output(QStringLiteral("screen-%1.png").arg(name))));
}

void ScreensTest::passwordDialog() {
    RecordingDialogs dialogs;
    TForm1 form;
    TForm3& dialog = form.passwordDialog();
    dialogs.onModal = [](QDialog& d) {
        auto& f3 = dynamic_cast<TForm3&>(d);
        QTest::keyClicks(f3.passwordEdit(), QStringLiteral("secret"));
        QVERIFY(d.grab().save(output(QStringLiteral("screen-password.png"))));
        d.close();
    };
    dialogs.runModal(dialog);
}

void ScreensTest::messageBoxesSpeakRussian_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("error") << 0;
    QTest::newRow("question") << 1;
}

void ScreensTest::messageBoxesSpeakRussian() {
    QFETCH(int, kind);
    TForm1 form;
    form.show();
    QStringList buttonTexts;
    QString title;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        title = box->windowTitle();
        for (QAbstractButton* b : box->buttons()) {
            buttonTexts << b->text();
        }
        box->grab().save(output(QStringLiteral("screen-box-%1.png").arg(kind)));
        box->button(kind == 0 ? QMessageBox::Ok : QMessageBox::No)->click();
    });
    if (kind == 0) {
        Dialogs::error(&form, QStringLiteral("Невозможно открыть порт!"));
        QCOMPARE(buttonTexts, QStringList{QStringLiteral("ОК")});
        QCOMPARE(title, QStringLiteral("Ошибка!"));
    } else {
        QVERIFY(!Dialogs::question(&form, QStringLiteral("Вопрос"), QStringLiteral("Продолжить?")));
        QCOMPARE(buttonTexts, (QStringList{QStringLiteral("Да"), QStringLiteral("Нет")}));
    }
    const QRegularExpression latinWord(QStringLiteral("[A-Za-z]{2,}"));
    for (const QString& text : buttonTexts) {
        QVERIFY2(!latinWord.match(text).hasMatch(), qPrintable(text));
    }
}

QTEST_MAIN(ScreensTest)
#include "tst_screens.moc"
