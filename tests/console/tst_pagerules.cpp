// The rules of the "Операции", "Отчеты", "Пароли" and " Дамп " pages that need
// no widget: what the user may type, in which order the refusals come, and the
// dump's text and file.
#include "ConsoleTestSupport.h"
#include "DumpText.h"
#include "OperationsRules.h"
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
    void operationsAmounts_data();
    void operationsAmounts();
    void discountValues_data();
    void discountValues();
    void discountTypes();

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

void PageRulesTest::operationsAmounts_data() {
    QTest::addColumn<QString>("rule");
    QTest::addColumn<bool>("comma");
    QTest::addColumn<QString>("text"); // "#" stands for the locale's separator
    QTest::addColumn<qint64>("value"); // a quantity's digits, or kopecks
    QTest::addColumn<int>("decimals"); // of a quantity
    QTest::addColumn<QString>("error");
    const QString badQuantity = QStringLiteral("Неправильный формат количества!");
    const QString badPrice = QStringLiteral("Введите цену в гривнах!");
    const QString badAmount = QStringLiteral("Введите сумму в гривнах!");
    const auto add = [](const char* rule, bool comma, const char* text, qint64 value, int decimals,
                        const QString& error) {
        QTest::addRow("%s, %s: %s", rule, comma ? "comma" : "point", text)
            << QString::fromLatin1(rule) << comma << QString::fromUtf8(text) << value << decimals
            << error;
    };
    for (const bool comma : {true, false}) {
        const auto quantity = [&](const char* text, qint64 value, int decimals) {
            add("quantity", comma, text, value, decimals, value < 0 ? badQuantity : QString());
        };
        quantity("1#5", 15, 1);
        quantity("3#", 3, 0);
        quantity("2#125", 2125, 3);
        quantity(" 4 ", 4, 0);
        quantity("2#0005", -1, 0);
        quantity("abc", -1, 0);
        quantity("#", -1, 0);
        const auto price = [&](const char* text, qint64 kopecks) {
            add("price", comma, text, kopecks, 0, kopecks < 0 ? badPrice : QString());
        };
        price("12", 1200);
        price("12#00", 1200);
        price("12#", 12);
        price("12#5", 1250);
        price("0#125", 12); // 12.5 kopecks: to the even neighbour
        price("0#375", 38); // 37.5 kopecks: to the even neighbour
        price(" 3#10 ", 310);
        price("1x", -1);
        price("#", -1);
        price("99999999#9", -1); // beyond a signed 32-bit price
        const auto payment = [&](const char* text, qint64 kopecks) {
            add("payment", comma, text, kopecks, 0, kopecks < 0 ? badAmount : QString());
        };
        payment("5#00", 500);
        payment("5", 500);
        payment("5#", 5);
        payment("-5#00", -1);
        payment("42949673#00", -1); // beyond 32 bits
        payment("пять", -1);
        for (const char* rule : {"cash-in", "cash-out"}) {
            const QString above =
                QStringLiteral("Максимальная сумма служебного %1 составляет "
                               "42949672.95 грн!")
                    .arg(rule == std::string_view("cash-in") ? QStringLiteral("внесения")
                                                             : QStringLiteral("изъятия"));
            // -1: not a sum, -2: above the maximum
            const auto cash = [&](const char* text, qint64 kopecks) {
                add(rule, comma, text, kopecks, 0,
                    kopecks == -1   ? badAmount
                    : kopecks == -2 ? above
                                    : QString());
            };
            cash("150", 150);
            cash("150#00", 15000);
            cash("150#", 150);
            cash("1#5", 150);
            cash("42949672#95", 4294967295LL);
            cash("42949673#00", -2);
            cash("4294967296", -2);
            cash("-5", -1);
            cash("-1#00", -1);
            cash("сто", -1);
        }
    }
    // The other locale's separator.
    add("quantity", true, "1.5", -1, 0, badQuantity);
    add("quantity", false, "1,5", -1, 0, badQuantity);
    add("quantity", false, "1,500", -1, 0, badQuantity);
    add("price", true, "1.5", -1, 0, badPrice);
    add("price", false, "1,5", -1, 0, badPrice);
    add("price", false, "1,500", -1, 0, badPrice);
}

void PageRulesTest::operationsAmounts() {
    QFETCH(QString, rule);
    QFETCH(bool, comma);
    QFETCH(QString, text);
    QFETCH(qint64, value);
    QFETCH(int, decimals);
    QFETCH(QString, error);
    const LocaleFormat locale = comma ? test::commaLocale() : test::pointLocale();
    text.replace(QLatin1Char('#'), locale.decimalSeparator());
    operations::Checked<qint64> got;
    if (rule == QStringLiteral("quantity") || rule == QStringLiteral("price")) {
        const bool quantity = rule == QStringLiteral("quantity");
        const auto line = operations::checkArticle({QStringLiteral("9"), QStringLiteral("Сахар"),
                                                    quantity ? text : QStringLiteral("1"),
                                                    quantity ? QStringLiteral("2") : text},
                                                   false, locale);
        got.error = line.error;
        if (line.value) {
            got.value = quantity ? line.value->quantity.value : line.value->price;
            QCOMPARE(int(line.value->quantity.decimals), quantity ? decimals : 0);
            QCOMPARE(line.value->code, std::int64_t(9));
        }
    } else {
        const auto amount =
            rule == QStringLiteral("payment")
                ? operations::checkPayment(text, locale)
                : operations::checkCash(text, rule == QStringLiteral("cash-in"), locale);
        got = {amount.value, amount.error};
    }
    QCOMPARE(got.error, error);
    QCOMPARE(got.value.has_value(), error.isEmpty());
    if (got.value) {
        QCOMPARE(*got.value, value);
    }
}

void PageRulesTest::discountValues_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QString>("amount"); // "#" stands for the locale's separator
    QTest::addColumn<int>("sentPercent");
    QTest::addColumn<int>("sentAmount");
    QTest::addColumn<QString>("error");
    const QString badPercent = QStringLiteral("Значение процентной скидки должно от 0%..100%!");
    const QString badAmount = QStringLiteral("Введите значение асолютной скидки в гривнах!");
    QTest::newRow("10 % on the last line") << 0 << "10"
                                           << "x" << 10 << 0 << QString();
    QTest::newRow("10 % on the subtotal") << 2 << " 10 "
                                          << "" << 10 << 0 << QString();
    QTest::newRow("1,25 on the last line") << 1 << "x"
                                           << "1#25" << 0 << 125 << QString();
    QTest::newRow("2 on the subtotal") << 3 << ""
                                       << "2" << 0 << 200 << QString();
    QTest::newRow("typed by hand: the amount") << -1 << "5"
                                               << "1#00" << 0 << 100 << QString();
    QTest::newRow("percent with decimals") << 0 << "1#5"
                                           << "1" << 0 << 0 << badPercent;
    QTest::newRow("no percent") << 2 << ""
                                << "1" << 0 << 0 << badPercent;
    QTest::newRow("no amount") << 3 << "10"
                               << "" << 0 << 0 << badAmount;
    QTest::newRow("amount not a number") << 1 << "10"
                                         << "x" << 0 << 0 << badAmount;
}

void PageRulesTest::discountValues() {
    QFETCH(int, type);
    QFETCH(QString, percent);
    QFETCH(QString, amount);
    QFETCH(int, sentPercent);
    QFETCH(int, sentAmount);
    QFETCH(QString, error);
    const LocaleFormat locale = test::commaLocale();
    const auto d =
        operations::checkDiscount(type, percent.replace(QLatin1Char('#'), QLatin1Char(',')),
                                  amount.replace(QLatin1Char('#'), QLatin1Char(',')), locale);
    QCOMPARE(d.error, error);
    QCOMPARE(d.value.has_value(), error.isEmpty());
    if (d.value) {
        QCOMPARE(*d.value, (operations::Discount{sentPercent, sentAmount}));
    }
}

void PageRulesTest::discountTypes() {
    // The list's types 0..3 take a percent or an amount; a type typed by hand neither.
    const std::optional<bool> expected[] = {true, false, true, false};
    for (int type = 0; type < 4; ++type) {
        QCOMPARE(operations::takesPercent(type), expected[type]);
    }
    QCOMPARE(operations::takesPercent(-1), std::nullopt);
    QCOMPARE(operations::takesPercent(4), std::nullopt);
}

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
