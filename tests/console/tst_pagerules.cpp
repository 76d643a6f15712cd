// The rules of the "Отчеты", "Пароли" and " Дамп " pages that need no widget:
// what the user may type, in which order the refusals come, and the dump's text
// and file.
#include "DumpText.h"
#include "PasswordRules.h"
#include "ReportRules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <numeric>

using namespace kasmon;

namespace {

const QString kNotANumber = QStringLiteral("В качестве пароля может быть только число!");
const QString kDiffer =
    QStringLiteral("Значения в полях \"Новый пароль\" и \"Подтверждение\" не совпадают!");
const QString kEmpty =
    QStringLiteral("Пустые значения в полях \"Новый пароль\" и \"Подтверждение\" не допустимы!");
const QString kOldRange = QStringLiteral("Старый пароль может принимать значения от 0 до 65535!");
const QString kNewRange = QStringLiteral("Новый пароль может принимать значения от 0 до 65535!");
const QString kRange = QStringLiteral("Пароль может принимать значения от 0 до 65535!");

} // namespace

class PageRulesTest : public QObject {
    Q_OBJECT

  private slots:
    void passwordChange_data();
    void passwordChange();
    void registrationPassword_data();
    void registrationPassword();
    void forgottenPasswords();

    void articleCodeTyping_data();
    void articleCodeTyping();
    void articleCodeAtReport_data();
    void articleCodeAtReport();
    void wholeRangeConfirmation_data();
    void wholeRangeConfirmation();
    void reportNumbers_data();
    void reportNumbers();

    void dumpAddress_data();
    void dumpAddress();
    void dumpLines();
    void shortDumpLeavesTheRestEmpty();
    void dumpFileName_data();
    void dumpFileName();
    void dumpFile();
    void dumpFileThatCannotBeCreated();
};

void PageRulesTest::passwordChange_data() {
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<QString>("newText");
    QTest::addColumn<QString>("confirmText");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("oldPassword");
    QTest::addColumn<int>("newPassword");
    // Accepted.
    QTest::newRow("empty old is 0") << ""
                                    << "123"
                                    << "123"
                                    << "" << 0 << 123;
    QTest::newRow("both ends") << "65535"
                               << "0"
                               << "0"
                               << "" << 65535 << 0;
    QTest::newRow("leading zeros") << "00007"
                                   << "0123"
                                   << "0123"
                                   << "" << 7 << 123;
    // Each check, and the earlier one winning where two apply.
    QTest::newRow("old not a number") << "12a"
                                      << "1"
                                      << "2" << kNotANumber << 0 << 0;
    QTest::newRow("texts differ, same number") << "0"
                                               << "123"
                                               << "0123" << kDiffer << 0 << 0;
    QTest::newRow("texts differ, one empty") << "0"
                                             << "5"
                                             << "" << kDiffer << 0 << 0;
    QTest::newRow("both empty") << "0"
                                << ""
                                << "" << kEmpty << 0 << 0;
    QTest::newRow("new not a number") << "0"
                                      << "1x"
                                      << "1x" << kNotANumber << 0 << 0;
    QTest::newRow("old too large") << "70000"
                                   << "1"
                                   << "1" << kOldRange << 0 << 0;
    QTest::newRow("old negative") << "-1"
                                  << "1"
                                  << "1" << kOldRange << 0 << 0;
    QTest::newRow("new too large") << "1"
                                   << "65536"
                                   << "65536" << kNewRange << 0 << 0;
    QTest::newRow("new negative") << "1"
                                  << "-1"
                                  << "-1" << kNewRange << 0 << 0;
    QTest::newRow("old range before new range") << "99999"
                                                << "-1"
                                                << "-1" << kOldRange << 0 << 0;
    QTest::newRow("new text before old range") << "99999"
                                               << "ab"
                                               << "ab" << kNotANumber << 0 << 0;
    QTest::newRow("old text before mismatch") << "x"
                                              << "1"
                                              << "2" << kNotANumber << 0 << 0;
}

void PageRulesTest::passwordChange() {
    QFETCH(QString, oldText);
    QFETCH(QString, newText);
    QFETCH(QString, confirmText);
    QFETCH(QString, error);
    QFETCH(int, oldPassword);
    QFETCH(int, newPassword);
    const passwords::ChangeCheck check = passwords::checkChange(oldText, newText, confirmText);
    QCOMPARE(check.error, error);
    QCOMPARE(check.change.has_value(), error.isEmpty());
    if (check.change) {
        QCOMPARE(int(check.change->oldPassword), oldPassword);
        QCOMPARE(int(check.change->newPassword), newPassword);
    }
}

void PageRulesTest::registrationPassword_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("password");
    QTest::newRow("zero") << "0"
                          << "" << 0;
    QTest::newRow("largest") << "65535"
                             << "" << 65535;
    QTest::newRow("empty") << ""
                           << "Пароль кассира не может быть пустым" << 0;
    QTest::newRow("letters") << "12b" << kNotANumber << 0;
    QTest::newRow("blank inside") << "1 2" << kNotANumber << 0;
    // Would be stored or sent as 4464 and 65535.
    QTest::newRow("70000") << "70000" << kRange << 0;
    QTest::newRow("65536") << "65536" << kRange << 0;
    QTest::newRow("minus one") << "-1" << kRange << 0;
}

void PageRulesTest::registrationPassword() {
    QFETCH(QString, text);
    QFETCH(QString, error);
    QFETCH(int, password);
    const passwords::PasswordCheck check = passwords::checkPassword(text);
    QCOMPARE(check.error, error);
    QCOMPARE(check.password.has_value(), error.isEmpty());
    if (check.password) {
        QCOMPARE(int(*check.password), password);
    }
}

void PageRulesTest::forgottenPasswords() {
    std::array<std::uint16_t, 10> values{};
    std::iota(values.begin(), values.end(), std::uint16_t(11));
    values[7] = 65535;
    values[8] = 4242; // the programming password stays hidden
    values[9] = 60000;
    QCOMPARE(passwords::forgottenPasswordsText(values),
             QStringLiteral("Кассир1 - пароль: 11\r\nКассир2 - пароль: 12\r\n"
                            "Кассир3 - пароль: 13\r\nКассир4 - пароль: 14\r\n"
                            "Кассир5 - пароль: 15\r\nКассир6 - пароль: 16\r\n"
                            "Кассир7 - пароль: 17\r\nКассир8 - пароль: 65535\r\n"
                            "  Пароль отчетов: 60000"));
}

void PageRulesTest::articleCodeTyping_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("digits") << "01234567890123" << true;
    QTest::newRow("letter") << "12a" << false;
    QTest::newRow("minus") << "-5" << false;
    QTest::newRow("blank") << " 5" << false;
    QTest::newRow("arabic-indic digit") << QStringLiteral("1\u0663") << false;
}

void PageRulesTest::articleCodeTyping() {
    QFETCH(QString, text);
    QFETCH(bool, acceptable);
    QCOMPARE(reports::acceptableWhileTyping(text), acceptable);
}

void PageRulesTest::articleCodeAtReport_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qlonglong>("code"); // -1: refused
    QTest::newRow("zero") << 0 << "0" << 0LL;
    QTest::newRow("leading zeros") << 1 << "00000000000042" << 42LL;
    QTest::newRow("largest") << 0 << "2147483647" << 2147483647LL;
    QTest::newRow("first empty") << 0 << "" << -1LL;
    QTest::newRow("last empty") << 1 << "" << -1LL;
    QTest::newRow("above 32 bits") << 1 << "2147483648" << -1LL;
    QTest::newRow("fourteen nines") << 0 << "99999999999999" << -1LL;
}

void PageRulesTest::articleCodeAtReport() {
    QFETCH(int, field);
    QFETCH(QString, text);
    QFETCH(qlonglong, code);
    const auto which = field == 0 ? reports::CodeField::First : reports::CodeField::Last;
    const reports::CodeCheck check = reports::checkCode(which, text);
    if (code < 0) {
        QVERIFY(!check.code);
        QVERIFY(check.error.startsWith(field == 0 ? QStringLiteral("Начальный код артикула")
                                                  : QStringLiteral("Конечный код артикула")));
    } else {
        QCOMPARE(check.code, std::optional<std::int64_t>(code));
        QVERIFY(check.error.isEmpty());
    }
}

void PageRulesTest::wholeRangeConfirmation_data() {
    QTest::addColumn<qlonglong>("first");
    QTest::addColumn<qlonglong>("last");
    QTest::addColumn<bool>("wholeRange");
    QTest::addColumn<bool>("asked");
    QTest::newRow("0 and 0") << 0LL << 0LL << false << true;
    QTest::newRow("5 and 0") << 5LL << 0LL << false << false;
    QTest::newRow("0 and 5") << 0LL << 5LL << false << false;
    QTest::newRow("whole range box") << 5LL << 7LL << true << true;
}

void PageRulesTest::wholeRangeConfirmation() {
    QFETCH(qlonglong, first);
    QFETCH(qlonglong, last);
    QFETCH(bool, wholeRange);
    QFETCH(bool, asked);
    QCOMPARE(reports::needsWholeRangeConfirmation(first, last, wholeRange), asked);
}

void PageRulesTest::reportNumbers_data() {
    const QString firstBad =
        QStringLiteral("Начальный номер отчета должен быть целым неотрицательным числом!");
    const QString lastBad =
        QStringLiteral("Конечный номер отчета должен быть целым неотрицательным числом!");
    const QString check = QStringLiteral("Проверьте правильность ввода номеров отчетов!");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("range") << "1"
                           << "12"
                           << "" << 1 << 12;
    QTest::newRow("reversed goes to the driver") << "12"
                                                 << "1"
                                                 << "" << 12 << 1;
    QTest::newRow("largest") << "65535"
                             << "65535"
                             << "" << 65535 << 65535;
    QTest::newRow("first negative") << "-1"
                                    << "5" << firstBad << 0 << 0;
    QTest::newRow("first before last") << "1a"
                                       << "b" << firstBad << 0 << 0;
    QTest::newRow("last with blank") << "1"
                                     << "5 " << lastBad << 0 << 0;
    QTest::newRow("first empty") << ""
                                 << "5" << check << 0 << 0;
    QTest::newRow("last empty") << "5"
                                << "" << check << 0 << 0;
    QTest::newRow("bad last before empty first") << ""
                                                 << "x" << lastBad << 0 << 0;
    // Would reach the register as 4464.
    QTest::newRow("above 16 bits") << "1"
                                   << "70000" << check << 0 << 0;
}

void PageRulesTest::reportNumbers() {
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, error);
    QFETCH(int, from);
    QFETCH(int, to);
    const reports::NumberCheck check = reports::checkNumbers(first, last);
    QCOMPARE(check.error, error);
    QCOMPARE(check.range.has_value(), error.isEmpty());
    if (check.range) {
        QCOMPARE(int(check.range->first), from);
        QCOMPARE(int(check.range->last), to);
    }
}

void PageRulesTest::dumpAddress_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("address"); // -1: refused
    QTest::newRow("0000") << "0000" << 0;
    QTest::newRow("3003") << "3003" << 0x3003;
    QTest::newRow("FFFF") << "FFFF" << 65535;
    QTest::newRow("A0B1") << "A0B1" << 0xA0B1;
    QTest::newRow("three digits") << "00F" << -1;
    QTest::newRow("letter after F") << "00G0" << -1;
    QTest::newRow("lower case") << "00ff" << -1;
    QTest::newRow("five digits") << "00000" << -1;
    QTest::newRow("blank") << "00 0" << -1;
    QTest::newRow("empty") << "" << -1;
}

void PageRulesTest::dumpAddress() {
    QFETCH(QString, text);
    QFETCH(int, address);
    const auto parsed = dump::parseAddress(text);
    if (address < 0) {
        QVERIFY(!parsed);
    } else {
        QCOMPARE(parsed, std::optional<std::uint16_t>(address));
    }
}

void PageRulesTest::dumpLines() {
    std::array<std::uint8_t, dump::kBlockBytes> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 2 + 0x0F);
    }
    const QStringList lines = dump::lines(bytes.data(), bytes.size());
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines.front(), QStringLiteral("0F 11 13 15 17 19 1B 1D 1F 21 23 25 27 29 2B 2D "));
    QCOMPARE(lines.back(), QStringLiteral("EF F1 F3 F5 F7 F9 FB FD FF 01 03 05 07 09 0B 0D "));
    for (const QString& line : lines) {
        QCOMPARE(line.size(), 48);
    }
}

void PageRulesTest::shortDumpLeavesTheRestEmpty() {
    const std::array<std::uint8_t, 18> bytes{0xAB, 0, 0, 0, 0, 0, 0, 0, 0,
                                             0,    0, 0, 0, 0, 0, 0, 1, 0xC0};
    const QStringList lines = dump::lines(bytes.data(), bytes.size());
    QCOMPARE(lines.size(), 8);
    QVERIFY(lines[0].startsWith(QStringLiteral("AB 00 ")));
    QCOMPARE(lines[1], QStringLiteral("01 C0 "));
    for (int k = 2; k < 8; ++k) {
        QVERIFY(lines[k].isEmpty());
    }
}

void PageRulesTest::dumpFileName_data() {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("saved");
    QTest::newRow("plain") << "/home/u/dump"
                           << "/home/u/dump.txt";
    QTest::newRow("already .txt") << "/home/u/dump.txt"
                                  << "/home/u/dump.txt";
    QTest::newRow("upper case") << "/home/u/DUMP.TXT"
                                << "/home/u/DUMP.TXT";
    QTest::newRow("mixed case") << "/home/u/dump.Txt"
                                << "/home/u/dump.Txt";
    QTest::newRow("other extension") << "/home/u/dump.bin"
                                     << "/home/u/dump.bin.txt";
    QTest::newRow("txt without dot") << "/home/u/dumptxt"
                                     << "/home/u/dumptxt.txt";
}

void PageRulesTest::dumpFileName() {
    QFETCH(QString, chosen);
    QFETCH(QString, saved);
    QCOMPARE(dump::fileName(chosen), saved);
}

void PageRulesTest::dumpFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("dump.txt"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(1000, 'x')); // an older, longer file is replaced
    old.close();
    const QStringList lines{QStringLiteral("00 01 "), QStringLiteral("FF ")};
    QVERIFY(dump::save(path, lines));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("00 01 \r\nFF \r\n"));
    QCOMPARE(dump::fileContents({}), QByteArray());
}

void PageRulesTest::dumpFileThatCannotBeCreated() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!dump::save(dir.filePath(QStringLiteral("no/such/folder/dump.txt")),
                        {QStringLiteral("00 ")}));
    QVERIFY(!dump::save(dir.path(), {QStringLiteral("00 ")})); // a folder
}

QTEST_MAIN(PageRulesTest)
#include "tst_pagerules.moc"
