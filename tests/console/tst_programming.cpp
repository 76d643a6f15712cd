// The "Программирование" page against the real driver and a register emulator
// on a pseudo-terminal; controls are found by their names.
#include "ConsoleTestSupport.h"
#include "DriverText.h"
#include "LinkedWindow.h"
#include "LocaleFormat.h"
#include "Unit1.h"
#include "Unit4.h"
#include "pages/ConnectionPage.h"

#include <kasdrv.h>
#include <kasemu/Emulator.h>
#include <kashost/Status.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace kasmon;
using namespace kasmon::test;

namespace {

// A monochrome .bmp (bottom-up rows, each padded to 4 bytes) whose image row y,
// byte b holds dots(y, b).
std::uint8_t dots(int y, int b) {
    return static_cast<std::uint8_t>(y * 7 + b * 13 + 1);
}

QByteArray monochromeBmp(int width, int height, int bitsPerPixel = 1) {
    const int rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    const int palette = bitsPerPixel == 1 ? 8 : 0;
    const int offset = 14 + 40 + palette;
    QByteArray f;
    const auto u16 = [&](int v) {
        f.append(static_cast<char>(v & 0xFF));
        f.append(static_cast<char>((v >> 8) & 0xFF));
    };
    const auto u32 = [&](std::uint32_t v) {
        u16(static_cast<int>(v & 0xFFFF));
        u16(static_cast<int>(v >> 16));
    };
    f.append("BM");
    u32(static_cast<std::uint32_t>(offset + rowBytes * height));
    u32(0);
    u32(static_cast<std::uint32_t>(offset));
    u32(40);
    u32(static_cast<std::uint32_t>(width));
    u32(static_cast<std::uint32_t>(height));
    u16(1);
    u16(bitsPerPixel);
    u32(0);
    u32(static_cast<std::uint32_t>(rowBytes * height));
    u32(2835);
    u32(2835);
    u32(bitsPerPixel == 1 ? 2 : 0);
    u32(0);
    if (bitsPerPixel == 1) {
        u32(0x00000000);
        u32(0x00FFFFFF);
    }
    for (int y = height - 1; y >= 0; --y) {
        for (int b = 0; b < rowBytes; ++b) {
            f.append(static_cast<char>(b < width * bitsPerPixel / 8 ? dots(y, b) : 0));
        }
    }
    return f;
}

} // namespace

class ProgrammingTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void messageLinesOnTheNextReceipt();
    void tooLongDoubleWidthLineAnsweredNo();
    void tooLongDoubleWidthLineCut_data();
    void tooLongDoubleWidthLineCut();
    void refusedFiscalNumberCharacter();
    void fiscalizationOfANonFiscalRegister();
    void fiscalizationOfAFiscalRegister();
    void fiscalizationRefusedZReport();
    void taxpayerAttributesAfterFiscalization();
    void headLineLimitsFollowTheChosenLine();
    void refusedTaxNumberCharacter_data();
    void refusedTaxNumberCharacter();
    void logoReachesTheRegister_data();
    void logoReachesTheRegister();
    void logoPathKeptAsChosen();
    void tooLargeLogoRefused_data();
    void tooLargeLogoRefused();
    void truncatedLogoRefused();
    void ratesWrittenAndReadBack();
    void compositeRatesWrittenAndReadBack();
    void badRatesRefused();

  private:
    void open(kasemu::ModelKind model = kasemu::ModelKind::Rx410f);
    template <typename T = QPushButton> T* control(const char* name) {
        return link_->control<T>(name);
    }
    void click(const char* name);
    void type(const char* name, const QString& text);
    // The one box shown since the last call.
    MessageRequest takeMessage();
    bool tapeHas(const std::string& line) const;

    std::unique_ptr<LinkedWindow> link_;
    TForm1* form_ = nullptr;
    kasemu::Emulator* emulator_ = nullptr;
    RecordingDialogs* dialogs_ = nullptr;
    const DevicesDirectory* devices_ = nullptr;
    std::size_t seen_ = 0;
};

void ProgrammingTest::init() {
    seen_ = 0;
}

void ProgrammingTest::cleanup() {
    link_.reset();
}

void ProgrammingTest::open(kasemu::ModelKind model) {
    kasemu::EmulatorOptions options;
    options.model = model;
    options.clock = std::make_shared<kasemu::ManualClock>(kasemu::CivilTime{2026, 12, 7, 10, 0, 0});
    link_ = std::make_unique<LinkedWindow>(options);
    QVERIFY(link_->openOn("programming"));
    form_ = &link_->form();
    emulator_ = &link_->emulator();
    dialogs_ = &link_->dialogs();
    devices_ = &link_->devices();
    seen_ = dialogs_->messages.size();
}

void ProgrammingTest::click(const char* name) {
    QVERIFY2(link_->click(name), name);
}

void ProgrammingTest::type(const char* name, const QString& text) {
    auto* edit = control<QLineEdit>(name);
    edit->clear();
    edit->insert(text); // as typed: textChanged, and the length limit applies
}

MessageRequest ProgrammingTest::takeMessage() {
    const std::size_t shown = dialogs_->messages.size() - seen_;
    seen_ = dialogs_->messages.size();
    if (shown != 1) {
        qWarning("%d boxes shown", static_cast<int>(shown));
        return {};
    }
    return dialogs_->messages.back();
}

bool ProgrammingTest::tapeHas(const std::string& line) const {
    const auto tape = emulator_->tape();
    return std::any_of(tape.begin(), tape.end(), [&](const std::string& printed) {
        return printed.find(line) != std::string::npos;
    });
}

void ProgrammingTest::messageLinesOnTheNextReceipt() {
    open();
    type("programming.initialLine1", QStringLiteral("МАГАЗИН У ДОМА"));
    click("programming.writeInitialLine1");
    MessageRequest box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Информация"));
    QCOMPARE(box.text, QStringLiteral("1-я строка начального сообщения чека установлена."));
    type("programming.finalLine3", QStringLiteral("ДЯКУЄМО ЗА ПОКУПКУ"));
    click("programming.writeFinalLine3");
    QCOMPARE(takeMessage().text,
             QStringLiteral("3-я строка конечного сообщения чека установлена."));

    emulator_->clearTape();
    QCOMPARE(FPSale(nullptr, nullptr, 1, 0, 100, 0, 0, 0, "x", 0), -1);
    QCOMPARE(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1);
    QVERIFY(tapeHas("МАГАЗИН У ДОМА"));
    QVERIFY(tapeHas("ДЯКУЄМО ЗА ПОКУПКУ"));
}

void ProgrammingTest::tooLongDoubleWidthLineAnsweredNo() {
    open();
    const QString text = QStringLiteral("0123456789012345678901"); // 22 characters
    type("programming.initialLine2", text);
    control<QCheckBox>("programming.messageDoubleWidth")->setChecked(true);
    dialogs_->answers.push_back(MessageButton::No);
    click("programming.writeInitialLine2");
    const MessageRequest box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Что будем делать?!"));
    QCOMPARE(box.text, QStringLiteral("В режиме двойной ширины строка не может превышать 20 "
                                      "символов.\r\nОбрезать строку?"));
    QCOMPARE(box.icon, MessageIcon::Question);
    QVERIFY(emulator_->state().programming.receiptHead[1].text.empty());
    QCOMPARE(control<QLineEdit>("programming.initialLine2")->text(), text);
}

void ProgrammingTest::tooLongDoubleWidthLineCut_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("limit");
    QTest::newRow("RX-410F") << static_cast<int>(kasemu::ModelKind::Rx410f)
                             << QStringLiteral("Что будем делать?") << 20;
    QTest::newRow("RX-520L") << static_cast<int>(kasemu::ModelKind::Rx520l)
                             << QStringLiteral("Что будем делать?") << 19;
}

void ProgrammingTest::tooLongDoubleWidthLineCut() {
    QFETCH(int, model);
    QFETCH(QString, title);
    QFETCH(int, limit);
    open(static_cast<kasemu::ModelKind>(model));
    type("programming.finalLine1", QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    control<QCheckBox>("programming.messageDoubleWidth")->setChecked(true);
    dialogs_->answers.push_back(MessageButton::Yes);
    click("programming.writeFinalLine1");
    QCOMPARE(dialogs_->messages.size(), seen_ + 2);
    QCOMPARE(dialogs_->messages[seen_].title, title);
    QCOMPARE(dialogs_->messages[seen_ + 1].text,
             QStringLiteral("1-я строка конечного сообщения чека установлена."));
    const auto& line = emulator_->state().programming.receiptTail;
    // The slot the emulator keeps the first closing line in holds the cut text.
    const std::string expected = std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ").substr(0, limit);
    QVERIFY(std::any_of(line.begin(), line.end(), [&](const kasemu::HeaderLine& l) {
        return std::string(l.text.begin(), l.text.end()) == expected && (l.attributes & 0x40) != 0;
    }));
}

void ProgrammingTest::refusedFiscalNumberCharacter() {
    open();
    auto* fiscalize = control("programming.fiscalize");
    type("programming.registrationNumber", QStringLiteral("12Ї"));
    QVERIFY(fiscalize->isEnabled());
    QCOMPARE(dialogs_->messages.size(), seen_);
    control<QLineEdit>("programming.registrationNumber")->insert(QStringLiteral(" "));
    const MessageRequest box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.text, QStringLiteral("Фискальный номер задан неверно!\r\nФискальный номер может "
                                      "состоять только из цифр и (или) букв!"));
    QVERIFY(control<QLineEdit>("programming.registrationNumber")->text().isEmpty());
    QVERIFY(!fiscalize->isEnabled());
}

void ProgrammingTest::fiscalizationOfANonFiscalRegister() {
    open();
    QCOMPARE(FPSale(nullptr, nullptr, 1, 0, 100, 0, 0, 0, "x", 0), -1);
    QCOMPARE(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1);
    type("programming.registrationNumber", QStringLiteral("1234567890"));
    dialogs_->answers = {MessageButton::Yes, MessageButton::Yes};
    click("programming.fiscalize");
    QCOMPARE(dialogs_->messages.size(), seen_ + 3);
    const MessageRequest& confirm = dialogs_->messages[seen_];
    QCOMPARE(confirm.title, QStringLiteral("Подтверждение фискализации"));
    QCOMPARE(confirm.icon, MessageIcon::Warning);
    QVERIFY(
        confirm.text.startsWith(QString(23, QLatin1Char(' ')) + QStringLiteral("ВНИМАНИЕ!\r\n")));
    QCOMPARE(confirm.text.count(QStringLiteral("\r\n")), 3);
    QCOMPARE(dialogs_->messages[seen_ + 1].title, QStringLiteral("Внимание!"));
    QCOMPARE(dialogs_->messages[seen_ + 2].text,
             QStringLiteral("     Фискальный номер был успешно записан!\r\nТеперь введите "
                            "атрибуты налогоплательщика."));
    seen_ = dialogs_->messages.size();
    const kasemu::RegisterState st = emulator_->state();
    QVERIFY(st.identity.fiscalized);
    QCOMPARE(std::string(st.identity.fiscalNumber.begin(), st.identity.fiscalNumber.end()),
             std::string("1234567890"));
    QCOMPARE(st.fiscalMemory.size(), std::size_t{1}); // the day's Z report came first
    const auto status = kashost::readStatus();
    QVERIFY(status && status->fiscalMode);
}

void ProgrammingTest::fiscalizationOfAFiscalRegister() {
    open();
    emulator_->withState([](kasemu::RegisterState& st) { st.identity.fiscalized = true; });
    type("programming.registrationNumber", QStringLiteral("ФН0000001"));
    dialogs_->answers = {MessageButton::Yes};
    click("programming.fiscalize");
    // The confirmation, then straight to the fiscal number, which a fiscal
    // register refuses: no Z-report question, no Z report.
    QCOMPARE(dialogs_->messages.size(), seen_ + 2);
    QCOMPARE(dialogs_->messages[seen_ + 1].icon, MessageIcon::Error);
    QVERIFY(emulator_->state().fiscalMemory.empty());
}

void ProgrammingTest::fiscalizationRefusedZReport() {
    open();
    type("programming.registrationNumber", QStringLiteral("1234567890"));
    dialogs_->answers = {MessageButton::Yes, MessageButton::No};
    click("programming.fiscalize");
    QCOMPARE(dialogs_->messages.size(), seen_ + 3);
    QCOMPARE(dialogs_->messages[seen_ + 2].text,
             QStringLiteral("Операция была отклонена пользователем!"));
    QVERIFY(!emulator_->state().identity.fiscalized);
}

void ProgrammingTest::taxpayerAttributesAfterFiscalization() {
    open();
    type("programming.registrationNumber", QStringLiteral("1234567890"));
    dialogs_->answers = {MessageButton::Yes, MessageButton::Yes};
    click("programming.fiscalize");
    QVERIFY(emulator_->state().identity.fiscalized);
    seen_ = dialogs_->messages.size();

    auto* write = control("programming.writeHead");
    QVERIFY(!write->isEnabled());
    type("programming.headLine1", QStringLiteral("ТОВ \"РОМАШКА\""));
    type("programming.headLine2", QStringLiteral("м. Київ"));
    control<QCheckBox>("programming.headDoubleHeight")->click(); // line 1
    click("programming.identificationNumberKind");
    type("programming.number", QStringLiteral("123456789012"));
    QVERIFY(write->isEnabled());
    click("programming.writeHead");
    const QString withLine = takeMessage().text;
    QCOMPARE(withLine, QString(25, QLatin1Char(' ')) +
                           QStringLiteral("Атрибуты налогоплательщика установлены!\r\n") +
                           QString(31, QLatin1Char(' ')) +
                           QStringLiteral("ФИСКАЛИЗАЦИЯ УСПЕШНО ЗАВЕРШЕНА!\r\nТеперь укажите тип "
                                          "налога и введите значения ставок налоговых групп."));
    // The next write no longer speaks of fiscalization.
    click("programming.writeHead");
    QVERIFY(!takeMessage().text.contains(QStringLiteral("ФИСКАЛИЗАЦИЯ")));

    const auto status = kashost::readStatus();
    QVERIFY(status && status->header[0] && status->header[1] && status->taxNumber);
    QCOMPARE(fromDriverText(status->header[0]).trimmed(), QStringLiteral("ТОВ \"РОМАШКА\""));
    QCOMPARE(fromDriverText(status->header[1]).trimmed(), QStringLiteral("м. Київ"));
    QVERIFY(fromDriverText(status->taxNumber).contains(QStringLiteral("123456789012")));
    const kasemu::RegisterState st = emulator_->state();
    QVERIFY(st.programming.identificationNumber);
    QCOMPARE(st.programming.taxpayer[0].attributes & 0xC0, 0x80);
    QCOMPARE(st.programming.taxpayer[1].attributes & 0xC0, 0);
}

void ProgrammingTest::headLineLimitsFollowTheChosenLine() {
    open(kasemu::ModelKind::Rx520l);
    type("programming.headLine1", QString(24, QLatin1Char('A')));
    type("programming.headLine2", QString(24, QLatin1Char('B')));
    control<QComboBox>("programming.headLine")->setCurrentIndex(1);
    auto* width = control<QCheckBox>("programming.headDoubleWidth");
    QVERIFY(!width->isChecked());
    width->click();
    QCOMPARE(control<QLineEdit>("programming.headLine2")->text(), QString(19, QLatin1Char('B')));
    QCOMPARE(control<QLineEdit>("programming.headLine2")->maxLength(), 19);
    QCOMPARE(control<QLineEdit>("programming.headLine1")->text(), QString(24, QLatin1Char('A')));
    QStringList captions;
    for (const QLabel* l : control<QWidget>("programming.headGroup")->findChildren<QLabel*>()) {
        captions << l->text();
    }
    QVERIFY(captions.contains(QStringLiteral("Строка №1 (0..24 символов)")));
    QVERIFY(captions.contains(QStringLiteral("Строка №2 (0..19 символов)")));
    QVERIFY(captions.contains(QStringLiteral("Строка №3 (0..24 символов)")));
    // Back on line 1 the boxes show its own attributes.
    control<QComboBox>("programming.headLine")->setCurrentIndex(0);
    QVERIFY(!width->isChecked());
    control<QComboBox>("programming.headLine")->setCurrentIndex(1);
    QVERIFY(width->isChecked());
}

void ProgrammingTest::refusedTaxNumberCharacter_data() {
    QTest::addColumn<bool>("identification");
    QTest::addColumn<QString>("message");
    QTest::newRow("ПН") << false
                        << QStringLiteral("Налоговый номер задан неверно!\r\nНалоговый номер может "
                                          "состоять только из цифр и (или) букв!");
    QTest::newRow("ІД") << true
                        << QStringLiteral("Идентификационный номер задан неверно!\r\n"
                                          "Идентификационный номер может состоять только из цифр "
                                          "и (или) букв!");
}

void ProgrammingTest::refusedTaxNumberCharacter() {
    QFETCH(bool, identification);
    QFETCH(QString, message);
    open();
    if (identification) {
        click("programming.identificationNumberKind");
    }
    type("programming.number", QStringLiteral("12-"));
    QCOMPARE(takeMessage().text, message);
    QVERIFY(control<QLineEdit>("programming.number")->text().isEmpty());
    QVERIFY(!control("programming.writeHead")->isEnabled());
}

void ProgrammingTest::logoReachesTheRegister_data() {
    QTest::addColumn<bool>("doubleHeight");
    QTest::addColumn<bool>("invert");
    QTest::newRow("plain") << false << false;
    QTest::newRow("double height") << true << false;
    QTest::newRow("inverted") << false << true;
}

void ProgrammingTest::logoReachesTheRegister() {
    QFETCH(bool, doubleHeight);
    QFETCH(bool, invert);
    open();
    constexpr int kWidth = 64;
    constexpr int kHeight = 20;
    const QString path = devices_->path() + QStringLiteral("/Logo.bmp");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(monochromeBmp(kWidth, kHeight));
    file.close();
    control<QLineEdit>("programming.logoPath")->setText(path);
    control<QCheckBox>("programming.logoDoubleHeight")->setChecked(doubleHeight);
    control<QCheckBox>("programming.logoInvert")->setChecked(invert);
    click("programming.writeLogo");
    const MessageRequest box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Загрузка логотипа"));
    QCOMPARE(box.text, QStringLiteral("Загрузка логотипа торговой точки успешно завершена!"));
    const kasemu::Logo logo = emulator_->state().logo;
    const int rows = doubleHeight ? 2 * kHeight : kHeight;
    QCOMPARE(int{logo.width}, kWidth);
    QCOMPARE(int{logo.height}, rows);
    QCOMPARE(logo.rows.size(), static_cast<std::size_t>(kWidth / 8 * rows));
    for (int y = 0; y < rows; ++y) {
        for (int b = 0; b < kWidth / 8; ++b) {
            const std::uint8_t plain = dots(doubleHeight ? y / 2 : y, b);
            QCOMPARE(logo.rows[static_cast<std::size_t>(y * kWidth / 8 + b)],
                     static_cast<std::uint8_t>(invert ? ~plain : plain));
        }
    }
}

void ProgrammingTest::logoPathKeptAsChosen() {
    open();
    QVERIFY(control<QLineEdit>("programming.logoPath")->text().isEmpty());
    const QString chosen = devices_->path() + QStringLiteral("/logos/Shop.bmp");
    dialogs_->files.push_back(chosen);
    click("programming.openLogo");
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{1});
    QVERIFY(dialogs_->fileRequests[0].filter.contains(QStringLiteral("*.bmp")));
    QCOMPARE(control<QLineEdit>("programming.logoPath")->text(), chosen);
    // Cancelled: the path stays.
    click("programming.openLogo");
    QCOMPARE(control<QLineEdit>("programming.logoPath")->text(), chosen);
}

void ProgrammingTest::tooLargeLogoRefused_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("bits");
    QTest::newRow("wider than the RX-410F's 448 dots") << 456 << 1;
    QTest::newRow("24 bits a dot") << 64 << 24;
}

void ProgrammingTest::tooLargeLogoRefused() {
    QFETCH(int, width);
    QFETCH(int, bits);
    open();
    const QString path = devices_->path() + QStringLiteral("/wide.bmp");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(monochromeBmp(width, 8, bits));
    file.close();
    control<QLineEdit>("programming.logoPath")->setText(path);
    click("programming.writeLogo");
    const MessageRequest box = takeMessage();
    QCOMPARE(box.icon, MessageIcon::Error);
    QVERIFY2(box.text.startsWith(QStringLiteral("Недопустимые размеры логотипа!\r\n\r\nДопустимые "
                                                "размеры:\r\n")),
             qPrintable(box.text));
    QVERIFY(box.text.endsWith(QStringLiteral("\r\nСохраните файл в монохромном режиме.")));
    QVERIFY(!emulator_->state().logo.loaded());
}

void ProgrammingTest::truncatedLogoRefused() {
    open();
    const QString path = devices_->path() + QStringLiteral("/short.bmp");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(monochromeBmp(64, 40).chopped(100));
    file.close();
    control<QLineEdit>("programming.logoPath")->setText(path);
    click("programming.writeLogo");
    const MessageRequest box = takeMessage();
    QCOMPARE(box.icon, MessageIcon::Error);
    QVERIFY(!box.text.isEmpty());
    QVERIFY(!emulator_->state().logo.loaded());
    // A missing file is reported the same way, with the file system's text.
    control<QLineEdit>("programming.logoPath")->setText(path + QStringLiteral(".none"));
    click("programming.writeLogo");
    QCOMPARE(takeMessage().icon, MessageIcon::Error);
}

void ProgrammingTest::ratesWrittenAndReadBack() {
    open();
    const QChar sep = LocaleFormat::current().decimalSeparator();
    auto* grid = control<QTableWidget>("programming.rates");
    grid->item(2, 1)->setText(QStringLiteral("7") + sep + QStringLiteral("05"));
    grid->item(3, 1)->setText(QStringLiteral("0") + sep + QStringLiteral("00"));
    click("programming.addedTax");
    click("programming.writeRates");
    QCOMPARE(takeMessage().text, QStringLiteral("Тип налога и налоговые группы установлены!"));
    kasemu::RegisterState st = emulator_->state();
    QCOMPARE(st.programming.taxRateCount, 3);
    QCOMPARE(int{st.programming.taxRates[0]}, 2000);
    QCOMPARE(int{st.programming.taxRates[1]}, 705);
    QCOMPARE(int{st.programming.taxRates[2]}, 0);
    QVERIFY(!st.receipt.open()); // the test sale was cancelled
    QCOMPARE(st.day.annulledSale.count, std::uint32_t{1});

    for (int row = 1; row <= 5; ++row) {
        grid->item(row, 1)->setText(QString());
    }
    click("programming.includedTax");
    click("programming.readRates");
    const MessageRequest box = takeMessage();
    QCOMPARE(box.title, QStringLiteral("Дата программирования налогов!"));
    QVERIFY(box.text.startsWith(QStringLiteral("Дата программирования налоговых групп: ")));
    QVERIFY(!box.text.contains(QStringLiteral("составного")));
    QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("20") + sep + QStringLiteral("00"));
    QCOMPARE(grid->item(2, 1)->text(), QStringLiteral("7") + sep + QStringLiteral("05"));
    QCOMPARE(grid->item(3, 1)->text(), QStringLiteral("0") + sep + QStringLiteral("00"));
    QVERIFY(grid->item(4, 1)->text().isEmpty());
    QVERIFY(control<QRadioButton>("programming.addedTax")->isChecked());
    QVERIFY(!control("programming.compositeTax")->isEnabled());
}

void ProgrammingTest::compositeRatesWrittenAndReadBack() {
    open();
    const QChar sep = LocaleFormat::current().decimalSeparator();
    auto* grid = control<QTableWidget>("programming.rates");
    // Group Б takes the composite tax in the dialog: VAT 20,00 and levy 5,00.
    dialogs_->onModal = [](QDialog& dialog) {
        auto& form4 = static_cast<TForm4&>(dialog);
        form4.groupList()->setCurrentIndex(1);
        form4.compositeBox()->click();
        form4.applyButton()->click();
    };
    click("programming.compositeTax");
    QCOMPARE(grid->item(2, 1)->text(), QStringLiteral("НДС+ПС"));
    click("programming.writeRates");
    QCOMPARE(takeMessage().text, QStringLiteral("Тип налога и налоговые группы установлены!"));
    kasemu::RegisterState st = emulator_->state();
    QCOMPARE(st.programming.taxRateCount, 2);
    QCOMPARE(int{st.programming.taxRates[1]}, 2000);
    QCOMPARE(int{st.programming.levyRates[1]}, 500);
    QCOMPARE(int{st.programming.levyRates[0]}, 0);

    // Switching to the added tax shows the numeric rate again.
    click("programming.addedTax");
    QCOMPARE(grid->item(2, 1)->text(), QStringLiteral("0") + sep + QStringLiteral("00"));
    click("programming.includedTax");
    QCOMPARE(grid->item(2, 1)->text(), QStringLiteral("НДС+ПС"));

    click("programming.readRates");
    const MessageRequest box = takeMessage();
    QVERIFY(box.text.endsWith(QStringLiteral("\r\nИспользуется схема составного налога!")));
    QCOMPARE(grid->item(1, 1)->text(), QStringLiteral("20") + sep + QStringLiteral("00"));
    QCOMPARE(grid->item(2, 1)->text(), QStringLiteral("НДС+ПС"));
    QVERIFY(grid->item(3, 1)->text().isEmpty());
}

void ProgrammingTest::badRatesRefused() {
    open();
    const QChar sep = LocaleFormat::current().decimalSeparator();
    auto* grid = control<QTableWidget>("programming.rates");
    grid->item(2, 1)->setText(QString());
    grid->item(3, 1)->setText(QStringLiteral("7") + sep + QStringLiteral("00"));
    click("programming.writeRates");
    QCOMPARE(takeMessage().text,
             QStringLiteral("Пустые поля между значениями ставок не допускаются!"));
    grid->item(2, 1)->setText(QStringLiteral("5") + sep + QStringLiteral("5"));
    click("programming.writeRates");
    QCOMPARE(takeMessage().text, QStringLiteral("Налоговые ставки заданы неверно!"));
    QCOMPARE(emulator_->state().programming.taxRateCount, 1);
}

QTEST_MAIN(ProgrammingTest)
#include "tst_programming.moc"
