// The programming page's rules without widgets: the characters of fiscal and
// tax numbers, the double-width limits per model and the texts built on them.
#include "programming/ProgrammingRules.h"

#include <QTest>

using namespace kasmon;

class ProgrammingRulesTest : public QObject {
    Q_OBJECT

  private slots:
    void numberCharacters_data();
    void numberCharacters();
    void firstRefused_data();
    void firstRefused();
    void limitsPerModel();
    void cutQuestion_data();
    void cutQuestion();
    void taxpayerMessage();
};

void ProgrammingRulesTest::numberCharacters_data() {
    QTest::addColumn<QString>("characters");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("digits") << "0123456789" << true;
    QTest::newRow("latin") << "AZaz" << true;
    QTest::newRow("cyrillic range ends") << "АЯаяЖж" << true;
    QTest::newRow("ukrainian and yo") << "ЁёЄєЇїІі" << true;
    QTest::newRow("blank") << " " << false;
    QTest::newRow("punctuation") << "-./,:_+*" << false;
    QTest::newRow("just outside the ranges") << "@[`{/:" << false;
    QTest::newRow("cyrillic outside Windows-1251 letters") << "ЀѐЂђҐґЎў" << false;
    QTest::newRow("latin with accents") << "ÀÉü" << false;
    QTest::newRow("full-width digit") << "０" << false;
    QTest::newRow("other digits") << "٣" << false;
}

void ProgrammingRulesTest::numberCharacters() {
    QFETCH(QString, characters);
    QFETCH(bool, allowed);
    for (const QChar c : characters) {
        QVERIFY2(isNumberCharacter(c) == allowed, qPrintable(QString(c)));
    }
}

void ProgrammingRulesTest::firstRefused_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("sound") << "ПН1234567890" << -1;
    QTest::newRow("blank in the middle") << "12 34" << 2;
    QTest::newRow("first of two") << "a-b c" << 1;
}

void ProgrammingRulesTest::firstRefused() {
    QFETCH(QString, text);
    QFETCH(int, index);
    QCOMPARE(int(firstRefusedNumberCharacter(text)), index);
}

void ProgrammingRulesTest::limitsPerModel() {
    QCOMPARE(doubleWidthLimit(true), 20);
    QCOMPARE(doubleWidthLimit(false), 19);
    QCOMPARE(headLineLimit(false, true), 24);
    QCOMPARE(headLineLimit(false, false), 24);
    QCOMPARE(headLineLimit(true, true), 20);
    QCOMPARE(headLineLimit(true, false), 19);
    QCOMPARE(headLineCaption(1, 24), QStringLiteral("Строка №1 (0..24 символов)"));
    QCOMPARE(headLineCaption(3, 19), QStringLiteral("Строка №3 (0..19 символов)"));
}

void ProgrammingRulesTest::cutQuestion_data() {
    QTest::addColumn<bool>("paperSensors");
    QTest::addColumn<bool>("initialSecond");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("limit");
    QTest::newRow("410, other line") << true << false << "Что будем делать?" << 20;
    QTest::newRow("410, second initial line") << true << true << "Что будем делать?!" << 20;
    QTest::newRow("520, other line") << false << false << "Что будем делать?" << 19;
    QTest::newRow("520, second initial line") << false << true << "Что будем делать?" << 19;
}

void ProgrammingRulesTest::cutQuestion() {
    QFETCH(bool, paperSensors);
    QFETCH(bool, initialSecond);
    QFETCH(QString, title);
    QFETCH(int, limit);
    const CutQuestion q = kasmon::cutQuestion(paperSensors, initialSecond);
    QCOMPARE(q.title, title);
    QCOMPARE(q.text, QStringLiteral("В режиме двойной ширины строка не может превышать %1 "
                                    "символов.\r\nОбрезать строку?")
                         .arg(limit));
}

void ProgrammingRulesTest::taxpayerMessage() {
    const QString first = QString(25, ' ') + "Атрибуты налогоплательщика установлены!";
    const QString last = "Теперь укажите тип налога и введите значения ставок налоговых групп.";
    QCOMPARE(taxpayerWrittenMessage(false), first + "\r\n" + last);
    QCOMPARE(taxpayerWrittenMessage(true),
             first + "\r\n" + QString(31, ' ') + "ФИСКАЛИЗАЦИЯ УСПЕШНО ЗАВЕРШЕНА!\r\n" + last);
    QVERIFY(taxNumberRefusal(false).startsWith("Налоговый номер задан неверно!\r\n"));
    QVERIFY(taxNumberRefusal(true).startsWith("Идентификационный номер задан неверно!\r\n"));
}

QTEST_GUILESS_MAIN(ProgrammingRulesTest)
#include "tst_programming_rules.moc"
