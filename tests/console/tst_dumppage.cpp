// The " Дамп " page against the real driver and an emulated register whose
// memory the test writes first: the display, the saved file's bytes and the
// address rules.
#include "DumpText.h"
#include "LinkedWindow.h"
#include "Unit1.h"
#include "pages/DumpPage.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace kasmon;
using namespace kasmon::test;

namespace {

DumpPage& dumpPage(const TForm1& form) {
    return *dynamic_cast<DumpPage*>(form.pages().at(7));
}

// Fills 128 cells from `address` of `page` with first, first + 1, ... (cells
// wrap within the page).
void fillMemory(LinkedWindow& link, std::uint8_t page, std::uint16_t address, int first) {
    link.emulator().withState([=](kasemu::RegisterState& s) {
        for (int i = 0; i < dump::kBlockBytes; ++i) {
            const auto a = static_cast<std::uint16_t>(address + i);
            s.memory[std::uint32_t{page} << 16 | a] = static_cast<std::uint8_t>(first + i);
        }
    });
}

// The lines the display must show for first, first + 1, ...
QStringList expectedLines(int first) {
    QStringList lines;
    for (int k = 0; k < 8; ++k) {
        QString line;
        for (int i = 0; i < 16; ++i) {
            line += QStringLiteral("%1 ")
                        .arg((first + k * 16 + i) & 0xFF, 2, 16, QLatin1Char('0'))
                        .toUpper();
        }
        lines << line;
    }
    return lines;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class DumpTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup();

    void pageAtStart();
    void dumpOfKnownMemory();
    void savedFileBytes_data();
    void savedFileBytes();
    void savingWhereNoFileCanBeCreated();
    void addressRules_data();
    void addressRules();
    void typedLettersBecomeCapitals();
    void failedReadLeavesTheDisplayEmpty();
};

void DumpTest::cleanup() {
    closeDriverPort();
}

void DumpTest::pageAtStart() {
    RecordingDialogs dialogs;
    TForm1 form;
    const DumpPage& page = dumpPage(form);
    QCOMPARE(form.pageControl()->tabText(7), QStringLiteral(" Дамп "));
    QCOMPARE(page.pageBox()->value(), 16);
    QCOMPARE(page.pageBox()->minimum(), 0);
    QCOMPARE(page.pageBox()->maximum(), 255);
    QCOMPARE(page.addressEdit()->text(), QStringLiteral("0000"));
    QCOMPARE(page.addressEdit()->maxLength(), 4);
    QVERIFY(page.display()->isReadOnly());
    QVERIFY(page.display()->toPlainText().isEmpty());
    const QFont font = page.display()->font();
    QVERIFY(font.bold());
    QCOMPARE(font.pixelSize(), 16);
    // Narrow and wide characters take the same width, whatever Qt thinks of the font.
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QStringLiteral("0"));
    QVERIFY(width > 0);
    for (const QString& ch : {QStringLiteral("i"), QStringLiteral("W"), QStringLiteral("Ж")}) {
        QCOMPARE(metrics.horizontalAdvance(ch), width);
    }
    QCOMPARE(page.display()->palette().color(QPalette::Text), QColor(Qt::white));
}

void DumpTest::dumpOfKnownMemory() {
    LinkedWindow link;
    QVERIFY(link.open());
    fillMemory(link, 0x20, 0x1200, 0xF0);
    const DumpPage& page = dumpPage(link.form());
    page.pageBox()->setValue(0x20);
    LinkedWindow::type(page.addressEdit(), QStringLiteral("1200"));
    QVERIFY(LinkedWindow::click(page.readButton()));
    QVERIFY(link.takeMessages().empty());
    QCOMPARE(page.shownLines(), expectedLines(0xF0));
    QCOMPARE(page.display()->toPlainText(), expectedLines(0xF0).join(QLatin1Char('\n')));

    // The register's passwords live at 3003 of page 16.
    link.emulator().withState([](kasemu::RegisterState& s) { s.operators[0].password = 0xBEEF; });
    page.pageBox()->setValue(16);
    LinkedWindow::type(page.addressEdit(), QStringLiteral("3003"));
    QVERIFY(LinkedWindow::click(page.readButton()));
    QVERIFY(page.shownLines().front().startsWith(QStringLiteral("EF BE 00 00 ")));
}

void DumpTest::savedFileBytes_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("no extension") << "dump"
                                  << "dump.txt";
    QTest::newRow("already .txt") << "dump.txt"
                                  << "dump.txt";
    QTest::newRow("upper-case .TXT") << "DUMP.TXT"
                                     << "DUMP.TXT";
}

void DumpTest::savedFileBytes() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LinkedWindow link;
    QVERIFY(link.open());
    fillMemory(link, 16, 0x4000, 0x00);
    const DumpPage& page = dumpPage(link.form());
    LinkedWindow::type(page.addressEdit(), QStringLiteral("4000"));
    QVERIFY(LinkedWindow::click(page.readButton()));

    link.dialogs().files.push_back(dir.filePath(chosen));
    QVERIFY(LinkedWindow::click(page.saveButton()));
    QVERIFY(link.takeMessages().empty());
    const FileRequest& request = link.dialogs().fileRequests.back();
    QCOMPARE(request.directory, QDir::homePath());
    QCOMPARE(request.filter, QStringLiteral("Text files (*.txt)"));
    QCOMPARE(fileBytes(dir.filePath(written)),
             (expectedLines(0).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{written});
}

void DumpTest::savingWhereNoFileCanBeCreated() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LinkedWindow link;
    QVERIFY(link.open());
    const DumpPage& page = dumpPage(link.form());
    link.dialogs().files.push_back(dir.filePath(QStringLiteral("missing/dump")));
    QVERIFY(LinkedWindow::click(page.saveButton()));
    const auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY(isInputError(shown[0],
                         QStringLiteral("Невозможно создать файл!\r\nИмя файла задано неверно.")));
    // A cancelled dialog writes nothing and says nothing.
    QVERIFY(LinkedWindow::click(page.saveButton()));
    QVERIFY(link.takeMessages().empty());
}

void DumpTest::addressRules_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("read"); // -1: refused
    QTest::newRow("three characters") << "00F" << -1;
    QTest::newRow("letter after F") << "00G0" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("FFFF") << "FFFF" << 0xFFFF;
    QTest::newRow("0000") << "0000" << 0;
}

void DumpTest::addressRules() {
    QFETCH(QString, address);
    QFETCH(int, read);
    LinkedWindow link;
    QVERIFY(link.open());
    fillMemory(link, 0x30, static_cast<std::uint16_t>(read < 0 ? 0 : read), 0x41);
    const DumpPage& page = dumpPage(link.form());
    page.pageBox()->setValue(0x30);
    LinkedWindow::type(page.addressEdit(), address);
    const std::uint64_t before = link.bytesReceived();
    QVERIFY(LinkedWindow::click(page.readButton()));
    const auto shown = link.takeMessages();
    if (read < 0) {
        QCOMPARE(shown.size(), std::size_t(1));
        QVERIFY(isInputError(shown[0], QStringLiteral("Адрес задан неверно!")));
        QCOMPARE(link.bytesReceived(), before);
        QVERIFY(page.display()->toPlainText().isEmpty());
    } else {
        QVERIFY(shown.empty());
        QCOMPARE(page.shownLines(), expectedLines(0x41));
    }
}

void DumpTest::typedLettersBecomeCapitals() {
    LinkedWindow link;
    QVERIFY(link.open());
    const DumpPage& page = dumpPage(link.form());
    LinkedWindow::type(page.addressEdit(), QStringLiteral("ffab"));
    QCOMPARE(page.addressEdit()->text(), QStringLiteral("FFAB"));
}

void DumpTest::failedReadLeavesTheDisplayEmpty() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LinkedWindow link;
    QVERIFY(link.open());
    const DumpPage& page = dumpPage(link.form());
    QVERIFY(LinkedWindow::click(page.readButton()));
    QCOMPARE(page.shownLines().size(), 8);

    link.emulator().inject(*kasemu::parseFault("ignore*10"));
    QVERIFY(LinkedWindow::click(page.readButton()));
    link.emulator().clearFaults();
    const auto shown = link.takeMessages();
    QCOMPARE(shown.size(), std::size_t(1));
    QVERIFY(isDriverError(link.form(), shown[0]));
    QVERIFY(shown[0].text.startsWith(QStringLiteral("Превышено время ожидания ответа")));
    QVERIFY(page.display()->toPlainText().isEmpty());

    // Nothing read, nothing saved as if it had been.
    link.dialogs().files.push_back(dir.filePath(QStringLiteral("after-failure")));
    QVERIFY(LinkedWindow::click(page.saveButton()));
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("after-failure.txt"))), QByteArray());
}

QTEST_MAIN(DumpTest)
#include "tst_dumppage.moc"
