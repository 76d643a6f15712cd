// The texts the "Артикулы" page builds from the register's answers.
#include "ArticleTexts.h"
#include "ConsoleTestSupport.h"

#include <QTest>

using namespace kasmon;
using namespace kasmon::test;

class ArticleTextsTest : public QObject {
    Q_OBJECT

  private slots:
    void quantity_data();
    void quantity();
    void turnover_data();
    void turnover();
    void title();
    void memory_data();
    void memory();
};

void ArticleTextsTest::quantity_data() {
    QTest::addColumn<bool>("comma");
    QTest::addColumn<uint>("quantity");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text"); // empty: the line is left out
    QTest::newRow("whole") << true << 25U << 0 << QStringLiteral("25");
    QTest::newRow("one decimal") << true << 15U << 1 << QStringLiteral("1,5");
    QTest::newRow("two decimals") << false << 1205U << 2 << QStringLiteral("12.05");
    QTest::newRow("three decimals") << true << 1500U << 3 << QStringLiteral("1,500");
    QTest::newRow("below one") << false << 7U << 3 << QStringLiteral("0.007");
    QTest::newRow("zero, three decimals") << true << 0U << 3 << QStringLiteral("0,000");
    QTest::newRow("largest") << false << 4294967295U << 3 << QStringLiteral("4294967.295");
    QTest::newRow("decimals 4") << true << 15U << 4 << QString();
    QTest::newRow("decimals 5") << true << 15U << 5 << QString();
    QTest::newRow("decimals 255") << true << 15U << 255 << QString();
}

void ArticleTextsTest::quantity() {
    QFETCH(bool, comma);
    QFETCH(uint, quantity);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    const auto got = formatArticleQuantity(quantity, static_cast<std::uint8_t>(decimals),
                                           comma ? commaLocale() : pointLocale());
    QCOMPARE(got.value_or(QString()), text);
    QCOMPARE(got.has_value(), !text.isEmpty());
}

void ArticleTextsTest::turnover_data() {
    QTest::addColumn<int>("saleDecimals");
    QTest::addColumn<int>("returnDecimals");
    QTest::addColumn<QString>("text");
    const QString sums = QStringLiteral("Сумма оборотов (продажи):     37,50 грн.\r\n"
                                        "Сумма оборотов (возвраты):    1,25 грн.");
    QTest::newRow("both known") << 0 << 3
                                << QStringLiteral("Обороты:\r\nКоличество (продажи):   3\r\n"
                                                  "Количество (возвраты):  0,500\r\n") +
                                       sums;
    QTest::newRow("returns decimals 5")
        << 2 << 5 << QStringLiteral("Обороты:\r\nКоличество (продажи):   0,03\r\n") + sums;
    QTest::newRow("sales decimals 7")
        << 7 << 1 << QStringLiteral("Обороты:\r\nКоличество (возвраты):  50,0\r\n") + sums;
    QTest::newRow("neither") << 4 << 9 << QStringLiteral("Обороты:\r\n") + sums;
}

void ArticleTextsTest::turnover() {
    QFETCH(int, saleDecimals);
    QFETCH(int, returnDecimals);
    QFETCH(QString, text);
    ArticleTurnover t;
    t.saleQuantity = 3;
    t.saleDecimals = static_cast<std::uint8_t>(saleDecimals);
    t.saleSum = 3750;
    t.returnQuantity = 500;
    t.returnDecimals = static_cast<std::uint8_t>(returnDecimals);
    t.returnSum = 125;
    QCOMPARE(articleTurnoverText(t, commaLocale()), text);
}

void ArticleTextsTest::title() {
    QCOMPARE(articleTurnoverTitle(QStringLiteral("Хлеб")),
             QStringLiteral("Обороты по товару \"Хлеб\""));
    QCOMPARE(articleTurnoverTitle(QString()), QStringLiteral("Обороты по товару \"\""));
}

void ArticleTextsTest::memory_data() {
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("bySales");
    QTest::addColumn<int>("inAdvance");
    QTest::newRow("empty") << QByteArray(4, '\0') << 0 << 0;
    QTest::newRow("little-endian") << QByteArray::fromHex("0201e803") << 0x0102 << 1000;
    QTest::newRow("largest") << QByteArray::fromHex("ffffffff") << 65535 << 65535;
}

void ArticleTextsTest::memory() {
    QFETCH(QByteArray, block);
    QFETCH(int, bySales);
    QFETCH(int, inAdvance);
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(block.at(i));
    }
    const ArticleMemory m = decodeArticleMemory(bytes);
    QCOMPARE(int{m.bySales}, bySales);
    QCOMPARE(int{m.inAdvance}, inAdvance);
    QCOMPARE(articleMemoryText(m),
             QStringLiteral("Количество предварительно запрограммированных описаний товаров: %1\r\n"
                            "Количество запрограммированных описаний товаров по ходу продаж: %2")
                 .arg(inAdvance)
                 .arg(bySales));
}

QTEST_MAIN(ArticleTextsTest)
#include "tst_articletexts.moc"
