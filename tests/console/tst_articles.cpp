// The "Артикулы" page and the stress-test window in the real main window,
// against the real driver and a register emulator on a pseudo-terminal. The
// long loops run on the test's seams: nothing waits for real.
#include "ConsoleTestSupport.h"
#include "LinkedWindow.h"
#include "LoopDoubles.h"
#include "Unit1.h"
#include "Unit2.h"
#include "pages/ArticlesPage.h"
#include "pages/ConnectionPage.h"

#include <kasdrv.h>
#include <kasemu/Emulator.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace kasmon;
using namespace kasmon::test;

namespace {

QString utf8(const kasemu::Bytes& cp866) {
    return QString::fromStdString(kasemu::deviceToUtf8(cp866));
}

} // namespace

class ArticlesTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void articleWrittenAndReadBackWithTurnover();
    void priceRefusedBeforeAnyCall();
    void articleMemory_data();
    void articleMemory();
    void accessCode();
    void bulkRunStoppedAfterArticle57();
    void bulkRunCompletesAndFails();
    void stressTwoReceiptsAndExit();
    void stressStopDuringTheFirstReceipt();
    void stressStartCodeNotANumber();
    void stressLogCannotBeCreated();

  private:
    void open();
    template <typename T = QPushButton> T* control(const char* name) const {
        T* w = link_->findControl<T>(name);
        if (w == nullptr) {
            w = page_->stressWindow().findChild<T*>(QString::fromLatin1(name));
        }
        if (w == nullptr) {
            qFatal("no control %s", name);
        }
        return w;
    }
    void click(const char* name) const;
    MessageRequest takeMessage() { return link_->takeMessage(); }
    QString tape() const { return link_->tape(); }
    int tapeLines(const QString& pattern) const;

    std::unique_ptr<LocaleScope> locale_;
    std::unique_ptr<QTemporaryDir> work_;
    QString savedDirectory_;
    std::unique_ptr<LinkedWindow> link_;
    TForm1* form_ = nullptr;
    kasemu::Emulator* emulator_ = nullptr;
    RecordingDialogs* dialogs_ = nullptr;
    ArticlesPage* page_ = nullptr;
    ScriptedPump pump_;
    ScriptedTicks ticks_;
    RecordingPause pause_;
};

void ArticlesTest::init() {
    locale_ = std::make_unique<LocaleScope>(commaLocale());
    work_ = std::make_unique<QTemporaryDir>();
    savedDirectory_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work_->path()));
    pump_ = ScriptedPump();
    ticks_ = ScriptedTicks();
    pause_ = RecordingPause();
}

void ArticlesTest::cleanup() {
    link_.reset();
    QDir::setCurrent(savedDirectory_);
    work_.reset();
    locale_.reset();
}

void ArticlesTest::open() {
    link_ = std::make_unique<LinkedWindow>(kasemu::ModelKind::Rx410f);
    // The stress test's receipts use every tax group.
    link_->emulator().withState([](kasemu::RegisterState& s) {
        s.programming.taxRateCount = 5;
        s.programming.taxRates = {2000, 700, 500, 0, 1000};
    });
    QVERIFY(link_->openOn("articles"));
    form_ = &link_->form();
    emulator_ = &link_->emulator();
    dialogs_ = &link_->dialogs();
    page_ = form_->findChild<ArticlesPage*>(QStringLiteral("articles"));
    QVERIFY(page_);
    page_->useLoopSeams(LoopSeams{pump_, ticks_, pause_});
}

void ArticlesTest::click(const char* name) const {
    QPushButton* button = control(name);
    QVERIFY2(button->isVisible() && button->isEnabled(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

int ArticlesTest::tapeLines(const QString& pattern) const {
    const QRegularExpression re(QStringLiteral("^") + pattern + QStringLiteral("$"),
                                QRegularExpression::MultilineOption);
    int n = 0;
    for (auto it = re.globalMatch(tape()); it.hasNext(); it.next()) {
        ++n;
    }
    return n;
}

void ArticlesTest::articleWrittenAndReadBackWithTurnover() {
    open();
    control<QSpinBox>("articles.code")->setValue(42);
    control<QLineEdit>("articles.name")->setText(QStringLiteral("Хлеб"));
    control<QComboBox>("articles.taxGroup")->setCurrentIndex(1);
    control<QComboBox>("articles.decimals")->setCurrentIndex(3);
    control<QLineEdit>("articles.price")->setText(QStringLiteral("12,50"));
    click("articles.write");
    MessageRequest box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Информация"));
    QCOMPARE(box.text, QStringLiteral("Операция записи описания товара успешно завершена!"));

    // 1,5 of it sold, 0,2 paid out.
    QCOMPARE(FPSale(nullptr, nullptr, 1500, 3, 1250, 1, -1, 0, "", 42), -1);
    QCOMPARE(FPPayment(nullptr, nullptr, 3, 0, -1, 0), -1);
    QCOMPARE(FPPayMoney(nullptr, nullptr, 200, 3, 1250, 1, -1, 0, "", 42), -1);
    QCOMPARE(FPPayment(nullptr, nullptr, 3, 0, -1, 0), -1);

    control<QLineEdit>("articles.name")->clear();
    control<QLineEdit>("articles.price")->clear();
    control<QComboBox>("articles.taxGroup")->setCurrentIndex(0);
    control<QComboBox>("articles.decimals")->setCurrentIndex(0);
    click("articles.read");
    box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Обороты по товару \"Хлеб\""));
    QCOMPARE(box.text, QStringLiteral("Обороты:\r\n"
                                      "Количество (продажи):   1,500\r\n"
                                      "Количество (возвраты):  0,200\r\n"
                                      "Сумма оборотов (продажи):     18,75 грн.\r\n"
                                      "Сумма оборотов (возвраты):    2,50 грн."));
    QCOMPARE(control<QLineEdit>("articles.name")->text(), QStringLiteral("Хлеб"));
    QCOMPARE(control<QLineEdit>("articles.price")->text(), QStringLiteral("12,50"));
    QCOMPARE(control<QComboBox>("articles.taxGroup")->currentIndex(), 1);
    QCOMPARE(control<QComboBox>("articles.decimals")->currentIndex(), 3);
    QCOMPARE(control<QSpinBox>("articles.code")->value(), 42);

    // A return article: the price goes out negated.
    control<QSpinBox>("articles.code")->setValue(43);
    control<QCheckBox>("articles.returnGoods")->setChecked(true);
    control<QLineEdit>("articles.price")->setText(QStringLiteral("2,00"));
    click("articles.write");
    QCOMPARE(takeMessage().icon, MessageIcon::Information);
    emulator_->withState(
        [](kasemu::RegisterState& s) { QCOMPARE(s.articles.at(43).price, std::int64_t{-200}); });
}

void ArticlesTest::priceRefusedBeforeAnyCall() {
    open();
    for (const QString& price : {QString(), QStringLiteral("abc"), QStringLiteral("99999999999")}) {
        control<QLineEdit>("articles.price")->setText(price);
        const auto before = emulator_->counters().bytesReceived;
        click("articles.write");
        const MessageRequest box = takeMessage();
        QCOMPARE(box.title, QStringLiteral("Ошибка!"));
        QCOMPARE(box.text, QStringLiteral("Введите цену в гривнах!"));
        QCOMPARE(emulator_->counters().bytesReceived, before);
    }
}

void ArticlesTest::articleMemory_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("text");
    QTest::newRow("two counts") << QString()
                                << QStringLiteral("Количество предварительно запрограммированных "
                                                  "описаний товаров: 3\r\nКоличество "
                                                  "запрограммированных описаний товаров по ходу "
                                                  "продаж: 0");
    QTest::newRow("a reply of 3 bytes")
        << QStringLiteral("length:-1@0x1C")
        << QStringLiteral("Ответная посылка не соответсвует формату данных!");
}

void ArticlesTest::articleMemory() {
    QFETCH(QString, fault);
    QFETCH(QString, text);
    open();
    for (std::int64_t code = 1; code <= 3; ++code) {
        QCOMPARE(FPProgArt(0, 0, 100, 0, "x", code), -1);
    }
    if (!fault.isEmpty()) {
        emulator_->inject(*kasemu::parseFault(fault.toStdString()));
    }
    click("articles.memory");
    const MessageRequest box = takeMessage();
    QCOMPARE(box.text, text);
    QCOMPARE(box.title,
             fault.isEmpty() ? QStringLiteral("Память артикулов!") : QStringLiteral("Ошибка!"));
}

void ArticlesTest::accessCode() {
    open();
    auto* code = control<QLineEdit>("articles.accessCode");
    auto* stress = control("articles.stressTest");
    QVERIFY(!stress->isEnabled());
    for (const auto& [text, enabled] :
         {std::pair{QStringLiteral("ztrkw"), false}, std::pair{QStringLiteral("ZTRK"), false},
          std::pair{QStringLiteral("ZTRKW"), true}, std::pair{QStringLiteral("ZtRKW"), false}}) {
        code->clear();
        QTest::keyClicks(code, text);
        QVERIFY2(stress->isEnabled() == enabled, qPrintable(text));
    }
    QCOMPARE(code->echoMode(), QLineEdit::Password);
    QCOMPARE(code->maxLength(), 5);
}

void ArticlesTest::bulkRunStoppedAfterArticle57() {
    open();
    QPushButton* bulk = control("articles.bulk");
    QString progress;
    QString caption;
    // The second press arrives while the run handles its pending events.
    pump_.onPump = [&](int call) {
        if (call == 57) {
            progress = form_->statusPanel(1)->text();
            caption = bulk->text();
            QTest::mouseClick(bulk, Qt::LeftButton);
        }
    };
    click("articles.bulk");
    QCOMPARE(progress, QStringLiteral("Товар 57 из 10000"));
    QCOMPARE(caption, QStringLiteral("Стоп!"));
    const MessageRequest box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Информация"));
    QCOMPARE(box.text, QStringLiteral("Запись прервана пользователем на товаре 57"));
    QCOMPARE(bulk->text(), QStringLiteral("Программирование товаров"));
    QCOMPARE(form_->statusPanel(1)->text(), QString());
    QCOMPARE(pump_.calls, 57);
    emulator_->withState([](kasemu::RegisterState& s) {
        QCOMPARE(s.articles.size(), std::size_t{57});
        QCOMPARE(s.articles.at(57).price, std::int64_t{57});
    });
}

void ArticlesTest::bulkRunCompletesAndFails() {
    open();
    page_->bulkRun().setCount(300);
    form_->state().ProgPassword = 0;
    click("articles.bulk");
    MessageRequest box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Информация"));
    QCOMPARE(box.text, QStringLiteral("Запись товаров произведена успешно!300"));
    QCOMPARE(control("articles.bulk")->text(), QStringLiteral("Программирование товаров"));
    QCOMPARE(form_->statusPanel(1)->text(), QString());
    emulator_->withState([](kasemu::RegisterState& s) {
        QCOMPARE(s.articles.size(), std::size_t{300});
        QCOMPARE(utf8(s.articles.at(300).name), QStringLiteral("Товар 300"));
    });

    // The register stops answering after article 20: the run ends at once.
    pump_.onPump = [this](int call) {
        if (call == 320) {
            emulator_->inject(*kasemu::parseFault("nak*20"));
        }
    };
    click("articles.bulk");
    box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(control("articles.bulk")->text(), QStringLiteral("Программирование товаров"));
    QCOMPARE(form_->statusPanel(1)->text(), QString());
    QCOMPARE(page_->bulkRun().lastWritten(), 20U);
    QVERIFY(!page_->bulkRun().running());
}

void ArticlesTest::stressTwoReceiptsAndExit() {
    open();
    QTest::mouseClick(control("articles.stressTest"), Qt::LeftButton); // locked
    QCOMPARE(dialogs_->modalRuns, 0);
    QTest::keyClicks(control<QLineEdit>("articles.accessCode"), QStringLiteral("ZTRKW"));
    // t0, t1, t2 of each receipt.
    ticks_.readings = {1000, 1300, 2100, 5000, 5200, 5700};
    pump_.onPump = [this](int call) {
        QVERIFY(!control("stress.start")->isEnabled());
        QVERIFY(!control("stress.exit")->isEnabled());
        if (call == 2) {
            click("stress.stop");
        }
    };
    dialogs_->onModal = [this](QDialog& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Стресс-тест"));
        control<QLineEdit>("stress.firstCode")->setText(QStringLiteral("100"));
        control<QSpinBox>("stress.positions")->setValue(3);
        click("stress.start");
        QCOMPARE(control<QLabel>("stress.itemCount")->text(), QStringLiteral("3"));
        QCOMPARE(control<QLabel>("stress.printTime")->text(), QStringLiteral("500"));
        QCOMPARE(control<QLabel>("stress.totalTime")->text(), QStringLiteral("700"));
        QCOMPARE(control<QLabel>("stress.maximum")->text(), QStringLiteral("800"));
        QVERIFY(control("stress.start")->isEnabled());
        QVERIFY(control("stress.exit")->isEnabled());
        QVERIFY(!control("stress.stop")->isEnabled());
        click("stress.exit");
    };
    click("articles.stressTest");
    QCOMPARE(dialogs_->modalRuns, 1);
    QVERIFY(link_->takeMessages().empty());
    QCOMPARE(pause_.waits, (std::vector<std::uint32_t>{2000, 2000}));
    emulator_->withState([](kasemu::RegisterState& s) {
        std::vector<std::uint64_t> codes;
        for (const auto& [code, article] : s.articles) {
            codes.push_back(code);
        }
        QCOMPARE(codes, (std::vector<std::uint64_t>{100, 101, 102, 103, 104, 105}));
        QCOMPARE(s.day.sale.receipts, 2U);
    });
    QFile log(work_->filePath(QStringLiteral("Logo.txt")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(),
             QByteArray("Чек №1   Время печати чека: 800мс  Время формирования и печати: 1100мс"
                        "  MAX t печати: 800мс\r\n"
                        "Чек №2   Время печати чека: 500мс  Время формирования и печати: 700мс"
                        "  MAX t печати: 800мс\r\n"));
    // "Выход" locks the test again.
    QVERIFY(!control("articles.stressTest")->isEnabled());
    QCOMPARE(control<QLineEdit>("articles.accessCode")->text(), QString());
    QVERIFY(!page_->stressWindow().isVisible());
}

void ArticlesTest::stressStopDuringTheFirstReceipt() {
    open();
    QTest::keyClicks(control<QLineEdit>("articles.accessCode"), QStringLiteral("ZTRKW"));
    pump_.onPump = [this](int) { click("stress.stop"); };
    dialogs_->onModal = [this](QDialog&) {
        control<QSpinBox>("stress.positions")->setValue(8);
        click("stress.start");
    };
    click("articles.stressTest");
    // Prices 1,00 … 8,00 in the groups А…Е in turn, 36,00 paid in cash; one receipt and its
    // non-fiscal copy.
    const QString groups = QStringLiteral("АБВГДЕАБ");
    for (int p = 1; p <= 8; ++p) {
        const QString line =
            QStringLiteral(" +1 x %1\\.00 +%1\\.00 %2").arg(p).arg(groups.at(p - 1));
        QVERIFY2(tapeLines(line) == 2, qPrintable(line));
    }
    QCOMPARE(tapeLines(QStringLiteral("НАЛИЧНЫЕ +36\\.00")), 2);
    QCOMPARE(pause_.waits, (std::vector<std::uint32_t>{2000}));
    QCOMPARE(pump_.calls, 1);
    emulator_->withState([](kasemu::RegisterState& s) {
        QCOMPARE(s.articles.begin()->first, std::uint64_t{1}); // an empty start field
        QCOMPARE(s.day.sale.byForm[3], std::int64_t{3600});
    });
    // Closed by its close box, the window leaves the test unlocked.
    QVERIFY(control("articles.stressTest")->isEnabled());
}

void ArticlesTest::stressStartCodeNotANumber() {
    open();
    QTest::keyClicks(control<QLineEdit>("articles.accessCode"), QStringLiteral("ZTRKW"));
    const auto before = emulator_->counters().bytesReceived;
    dialogs_->onModal = [this](QDialog&) {
        control<QLineEdit>("stress.firstCode")->setText(QStringLiteral("12x"));
        click("stress.start");
        QVERIFY(control("stress.start")->isEnabled());
        QVERIFY(control("stress.exit")->isEnabled());
        QVERIFY(!control("stress.stop")->isEnabled());
    };
    click("articles.stressTest");
    const MessageRequest box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QVERIFY2(box.text.contains(QStringLiteral("12x")), qPrintable(box.text));
    QCOMPARE(emulator_->counters().bytesReceived, before);
    QVERIFY(pause_.waits.empty());
}

void ArticlesTest::stressLogCannotBeCreated() {
    open();
    // A directory nobody may write in, not even the superuser.
    QVERIFY(QDir::setCurrent(QStringLiteral("/proc")));
    QTest::keyClicks(control<QLineEdit>("articles.accessCode"), QStringLiteral("ZTRKW"));
    const auto before = emulator_->counters().bytesReceived;
    dialogs_->onModal = [this](QDialog&) {
        click("stress.start");
        QVERIFY(control("stress.start")->isEnabled());
        QVERIFY(!control("stress.stop")->isEnabled());
    };
    click("articles.stressTest");
    const MessageRequest box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.text,
             QStringLiteral("Программе не удается создать файл отчета!\r\n/proc/Logo.txt"));
    QCOMPARE(emulator_->counters().bytesReceived, before);
}

QTEST_MAIN(ArticlesTest)
#include "tst_articles.moc"
