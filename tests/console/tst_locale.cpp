// The locale module under a comma and a point locale, and the Windows-1251
// conversion at the driver boundary.
#include "ConsoleTestSupport.h"
#include "DriverText.h"
#include "LocaleFormat.h"

#include <QTest>

#include <iconv.h>

#include <optional>

using namespace kasmon;
using namespace kasmon::test;

Q_DECLARE_METATYPE(std::optional<qint64>)

class LocaleTest : public QObject {
    Q_OBJECT

  private slots:
    void startTexts_data();
    void startTexts();
    void money_data();
    void money();
    void priceRule_data();
    void priceRule();
    void cashRule();
    void quantityRule();
    void rates();
    void currentLocaleCanBeReplaced();
    void dateAndTime();
    void driverDateValues();

    void driverTextRoundTrip();
    void driverTextMatchesTheSystemTable();
    void driverTextReplacesWhatTheCodePageLacks();
};

namespace {
LocaleFormat localeNamed(const QString& name) {
    return name == QStringLiteral("comma") ? commaLocale() : pointLocale();
}
void addLocales() {
    QTest::addColumn<QString>("locale");
}
} // namespace

void LocaleTest::startTexts_data() {
    addLocales();
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("sum");
    QTest::addColumn<QString>("rate");
    QTest::newRow("comma") << "comma"
                           << "1,000"
                           << "0,00"
                           << "20,00";
    QTest::newRow("point") << "point"
                           << "1.000"
                           << "0.00"
                           << "20.00";
}

void LocaleTest::startTexts() {
    QFETCH(QString, locale);
    QFETCH(QString, quantity);
    QFETCH(QString, sum);
    QFETCH(QString, rate);
    const LocaleFormat f = localeNamed(locale);
    QCOMPARE(f.defaultQuantityText(), quantity);
    QCOMPARE(f.zeroSumText(), sum);
    QCOMPARE(f.firstTaxRateText(), rate);
}

void LocaleTest::money_data() {
    addLocales();
    QTest::addColumn<qint64>("kopecks");
    QTest::addColumn<QString>("shown");
    QTest::newRow("comma 12,50") << "comma" << qint64(1250) << "12,50 грн.";
    QTest::newRow("point 12.50") << "point" << qint64(1250) << "12.50 грн.";
    QTest::newRow("comma zero") << "comma" << qint64(0) << "0,00 грн.";
    QTest::newRow("point 5 kopecks") << "point" << qint64(5) << "0.05 грн.";
    QTest::newRow("comma negative") << "comma" << qint64(-1999) << "-19,99 грн.";
    QTest::newRow("point largest day sum") << "point" << qint64(4294967295) << "42949672.95 грн.";
}

void LocaleTest::money() {
    QFETCH(QString, locale);
    QFETCH(qint64, kopecks);
    QFETCH(QString, shown);
    QCOMPARE(localeNamed(locale).formatMoney(kopecks), shown);
}

void LocaleTest::priceRule_data() {
    addLocales();
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<qint64>>("kopecks");
    using K = std::optional<qint64>;
    QTest::newRow("comma 12") << "comma"
                              << "12" << K(1200);
    QTest::newRow("comma 12,00") << "comma"
                                 << "12,00" << K(1200);
    QTest::newRow("comma 12, (separator last)") << "comma"
                                                << "12," << K(12);
    QTest::newRow("comma 0,005 ties to even") << "comma"
                                              << "0,005" << K(0);
    QTest::newRow("comma 0,015 ties to even") << "comma"
                                              << "0,015" << K(2);
    QTest::newRow("comma blanks around") << "comma"
                                         << "  3,5 " << K(350);
    QTest::newRow("comma with a point") << "comma"
                                        << "12.00" << K();
    QTest::newRow("point 12.00") << "point"
                                 << "12.00" << K(1200);
    QTest::newRow("point 12.") << "point"
                               << "12." << K(12);
    QTest::newRow("point with a comma") << "point"
                                        << "12,00" << K();
    QTest::newRow("empty") << "point"
                           << "" << K();
    QTest::newRow("letters") << "comma"
                             << "abc" << K();
}

void LocaleTest::priceRule() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(std::optional<qint64>, kopecks);
    QCOMPARE(localeNamed(locale).parsePrice(text), kopecks);
}

void LocaleTest::cashRule() {
    const LocaleFormat comma = commaLocale();
    QCOMPARE(comma.parseCash(QStringLiteral("150")), std::optional<qint64>(150));
    QCOMPARE(comma.parseCash(QStringLiteral("1,50")), std::optional<qint64>(150));
    QCOMPARE(comma.parseCash(QStringLiteral("150,")), std::optional<qint64>(150));
    const LocaleFormat point = pointLocale();
    QCOMPARE(point.parseCash(QStringLiteral("150")), std::optional<qint64>(150));
    QCOMPARE(point.parseCash(QStringLiteral("1.50")), std::optional<qint64>(150));
}

void LocaleTest::quantityRule() {
    const LocaleFormat comma = commaLocale();
    QCOMPARE(comma.parseQuantity(QStringLiteral("1,5")), std::optional(Quantity{15, 1}));
    QCOMPARE(comma.parseQuantity(QStringLiteral("3,")), std::optional(Quantity{3, 0}));
    QCOMPARE(comma.parseQuantity(QStringLiteral("1,000")), std::optional(Quantity{1000, 3}));
    QCOMPARE(comma.parseQuantity(QStringLiteral("7")), std::optional(Quantity{7, 0}));
    QVERIFY(!comma.parseQuantity(QStringLiteral("2,0005")));
    QVERIFY(!comma.parseQuantity(QStringLiteral("1.5")));
    QVERIFY(!comma.parseQuantity(QStringLiteral("")));
    const LocaleFormat point = pointLocale();
    QCOMPARE(point.parseQuantity(QStringLiteral("1.5")), std::optional(Quantity{15, 1}));
    QCOMPARE(point.parseQuantity(point.defaultQuantityText()), std::optional(Quantity{1000, 3}));
    QVERIFY(!point.parseQuantity(QStringLiteral("1,5")));
}

void LocaleTest::rates() {
    QCOMPARE(commaLocale().parseRate(QStringLiteral("20,00")), std::optional<std::int32_t>(2000));
    QCOMPARE(pointLocale().parseRate(QStringLiteral("15.00")), std::optional<std::int32_t>(1500));
    QCOMPARE(commaLocale().formatHundredths(1500), QStringLiteral("15,00"));
    QCOMPARE(pointLocale().formatHundredths(1500), QStringLiteral("15.00"));
}

void LocaleTest::currentLocaleCanBeReplaced() {
    {
        LocaleScope scope(commaLocale());
        QCOMPARE(LocaleFormat::current().decimalSeparator(), QLatin1Char(','));
        QCOMPARE(LocaleFormat::current().zeroSumText(), QStringLiteral("0,00"));
    }
    {
        LocaleScope scope(pointLocale());
        QCOMPARE(LocaleFormat::current().decimalSeparator(), QLatin1Char('.'));
        QCOMPARE(LocaleFormat::current().zeroSumText(), QStringLiteral("0.00"));
    }
}

void LocaleTest::dateAndTime() {
    for (const LocaleFormat& f : {commaLocale(), pointLocale()}) {
        const QDate date(2024, 2, 29);
        const QTime time(7, 5, 9);
        const QString dateText = f.formatDate(date);
        const QString timeText = f.formatTime(time);
        QVERIFY2(!dateText.isEmpty() && !timeText.isEmpty(), qPrintable(f.shortDateFormat()));
        QVERIFY2(!f.longTimeFormat().contains(QLatin1Char('t')), qPrintable(f.longTimeFormat()));
        QCOMPARE(f.parseDate(dateText), std::optional(date));
        QCOMPARE(f.parseTime(timeText), std::optional(time));
        QVERIFY(!f.parseDate(QStringLiteral("31/31/31/31")));
        QVERIFY(!f.parseTime(QStringLiteral("99:99")));
    }
    QCOMPARE(commaLocale().formatDate(QDate(2024, 2, 29)), QStringLiteral("29.02.24"));
    QCOMPARE(commaLocale().formatTime(QTime(7, 5, 9)), QStringLiteral("07:05:09"));
}

void LocaleTest::driverDateValues() {
    QCOMPARE(LocaleFormat::toDriverDateTime(QDate(1899, 12, 30)), 0.0);
    QCOMPARE(LocaleFormat::toDriverDateTime(QDate(2000, 1, 1), QTime(12, 0)), 36526.5);
    QCOMPARE(LocaleFormat::driverDate(36526.5), QDate(2000, 1, 1));
    QCOMPARE(LocaleFormat::driverTime(36526.5), QTime(12, 0));
    QCOMPARE(LocaleFormat::driverTime(
                 LocaleFormat::toDriverDateTime(QDate(2003, 1, 1), QTime(23, 59, 59))),
             QTime(23, 59, 59));
}

void LocaleTest::driverTextRoundTrip() {
    const QString text = QStringLiteral("Товар №1 — «Ёлка» Ґґ Єє Іі Її, 12,50 грн.");
    const QByteArray bytes = toDriverText(text);
    QCOMPARE(bytes.size(), text.size());
    QCOMPARE(static_cast<unsigned char>(bytes.at(0)), 0xD2); // Т
    QCOMPARE(static_cast<unsigned char>(bytes.at(6)), 0xB9); // №
    QCOMPARE(fromDriverText(bytes), text);
    QCOMPARE(fromDriverText(bytes.constData()), text);
    QCOMPARE(fromDriverText(static_cast<const char*>(nullptr)), QString());
}

void LocaleTest::driverTextMatchesTheSystemTable() {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        QSKIP("the C library has no CP1251 table to compare with");
    }
    int compared = 0;
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b == 0x98) {
            continue; // unassigned in Windows-1251
        }
        char in[1] = {static_cast<char>(b)};
        char out[8] = {};
        char* inp = in;
        char* outp = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof(out);
        if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1)) {
            continue;
        }
        const QString expected = QString::fromUtf8(out, static_cast<qsizetype>(outp - out));
        QCOMPARE(fromDriverText(QByteArray(1, static_cast<char>(b))), expected);
        QCOMPARE(toDriverText(expected), QByteArray(1, static_cast<char>(b)));
        ++compared;
    }
    iconv_close(cd);
    QVERIFY(compared >= 200);
}

void LocaleTest::driverTextReplacesWhatTheCodePageLacks() {
    QCOMPARE(toDriverText(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
    QCOMPARE(toDriverText(QString::fromUtf8("x\xF0\x9F\x98\x80y")), QByteArray("x?y"));
}

QTEST_MAIN(LocaleTest)
#include "tst_locale.moc"
