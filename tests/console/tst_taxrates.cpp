// The tax-rate group without its widgets: the rate checks of a write in row
// order, the records for plain and composite groups, the marker swap, the
// filling from a read, and the composite dialog's handling of its rate texts.
#include "programming/CompositeTaxScheme.h"
#include "programming/TaxRateModel.h"

#include <QTest>

#include <variant>

using namespace kasmon;

namespace {

const QString kWrong = QStringLiteral("Налоговые ставки заданы неверно!");
const QString kGap = QStringLiteral("Пустые поля между значениями ставок не допускаются!");
const QString kFormat = QStringLiteral("Неправильный формат налоговых ставок!");
const QString kMarker = QStringLiteral("НДС+ПС");

void setRates(TaxRateModel& model, const QStringList& rates) {
    for (int row = 1; row <= TaxRateModel::kRows; ++row) {
        model.setRate(row, row <= rates.size() ? rates.at(row - 1) : QString());
    }
}

QStringList rates(const TaxRateModel& model) {
    QStringList out;
    for (int row = 1; row <= TaxRateModel::kRows; ++row) {
        out << model.rate(row);
    }
    return out;
}

// Group `group` composite in the applied table with the given texts.
void makeComposite(CompositeTaxScheme& scheme, int group, const QString& vat, const QString& levy) {
    scheme.working(group) = {true, vat, levy};
    scheme.apply(group);
}

} // namespace

class TaxRatesTest : public QObject {
    Q_OBJECT

  private slots:
    void startState();
    void writeChecks_data();
    void writeChecks();
    void plainRecords_data();
    void plainRecords();
    void compositeRecords();
    void roundingToNearestTiesToEven_data();
    void roundingToNearestTiesToEven();
    void markerSwapsWithTypeAndFlags();
    void readFillsGridAndTables();
    void readMessage();
    void dialogNormalisesRateEdits_data();
    void dialogNormalisesRateEdits();
    void dialogApplyAndCancel();
};

void TaxRatesTest::startState() {
    CompositeTaxScheme scheme;
    TaxRateModel comma(scheme, QLatin1Char(','));
    QCOMPARE(rates(comma), (QStringList{"20,00", "0,00", "", "", ""}));
    QCOMPARE(comma.type(), TaxType::Included);
    TaxRateModel point(scheme, QLatin1Char('.'));
    QCOMPARE(point.rate(1), QStringLiteral("20.00"));
    QCOMPARE(TaxRateModel::rowCaption(1), QStringLiteral("Группа А"));
    QCOMPARE(TaxRateModel::rowCaption(5), QStringLiteral("Группа Д"));
    QCOMPARE(scheme.selectedGroup(), 3);
    for (const CompositeEntry& e : scheme.appliedTable()) {
        QCOMPARE(e, (CompositeEntry{false, "20,00", "05,00"}));
    }
}

void TaxRatesTest::writeChecks_data() {
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::addColumn<int>("count");
    QTest::newRow("gap") << "," << QStringList{"20,00", "", "7,00"} << kGap << 0;
    QTest::newRow("three characters") << "," << QStringList{"5,5"} << kWrong << 0;
    QTest::newRow("bad before gap") << "," << QStringList{"20,00", "", "7"} << kWrong << 0;
    QTest::newRow("bad row after good") << "," << QStringList{"20,00", "x,00"} << kWrong << 0;
    QTest::newRow("six characters") << "," << QStringList{"100,00"} << kWrong << 0;
    QTest::newRow("blank inside") << "," << QStringList{"2 ,00"} << kWrong << 0;
    QTest::newRow("other separator") << "," << QStringList{"20.00"} << kWrong << 0;
    QTest::newRow("point locale refuses comma") << "." << QStringList{"20,00"} << kWrong << 0;
    QTest::newRow("point locale") << "." << QStringList{"20.00", "7.50"} << "" << 2;
    QTest::newRow("five rows") << "," << QStringList{"1,00", "2,00", "3,00", "4,00", "99,99"} << ""
                               << 5;
    QTest::newRow("trailing empty rows") << "," << QStringList{"20,00", "0,00"} << "" << 2;
    QTest::newRow("all empty") << "," << QStringList{} << "" << 0;
    QTest::newRow("marker of a plain group")
        << "," << QStringList{"20,00", kMarker} << kFormat << 0;
    QTest::newRow("marker after gap") << "," << QStringList{"20,00", "", kMarker} << kGap << 0;
}

void TaxRatesTest::writeChecks() {
    QFETCH(QString, separator);
    QFETCH(QStringList, cells);
    QFETCH(QString, message);
    QFETCH(int, count);
    CompositeTaxScheme scheme;
    TaxRateModel model(scheme, separator.at(0));
    setRates(model, cells);
    const auto result = model.prepareWrite();
    if (message.isEmpty()) {
        QVERIFY(std::holds_alternative<TaxRateModel::RateWrite>(result));
        QCOMPARE(int(std::get<TaxRateModel::RateWrite>(result).count), count);
    } else {
        QVERIFY(std::holds_alternative<QString>(result));
        QCOMPARE(std::get<QString>(result), message);
    }
}

void TaxRatesTest::plainRecords_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("inclusive") << 1 << QStringList{"20,00", "0,00", "7,50"}
                               << QList<int>{2000, 0, 750, 0, 0};
    QTest::newRow("added") << 0 << QStringList{"15,00"} << QList<int>{1500, 0, 0, 0, 0};
    // 20.07 is 2006.9999… hundredths in binary: read to the nearest, not cut.
    QTest::newRow("not truncated")
        << 1 << QStringList{"20,07", "0,29", "99,99"} << QList<int>{2007, 29, 9999, 0, 0};
}

void TaxRatesTest::plainRecords() {
    QFETCH(int, type);
    QFETCH(QStringList, cells);
    QFETCH(QList<int>, expected);
    CompositeTaxScheme scheme;
    TaxRateModel model(scheme, QLatin1Char(','));
    model.setType(static_cast<TaxType>(type));
    setRates(model, cells);
    const auto write = std::get<TaxRateModel::RateWrite>(model.prepareWrite());
    QCOMPARE(int(write.count), int(cells.size()));
    QCOMPARE(write.addedTax, type == 0);
    QVERIFY(!write.levy);
    for (int i = 0; i < TaxRateModel::kRows; ++i) {
        QCOMPARE(write.records[static_cast<std::size_t>(i)].rate, expected.at(i));
        QCOMPARE(write.records[static_cast<std::size_t>(i)].levyRate, 0);
        QCOMPARE(write.records[static_cast<std::size_t>(i)].hasLevy, 0);
    }
}

void TaxRatesTest::compositeRecords() {
    CompositeTaxScheme scheme;
    TaxRateModel model(scheme, QLatin1Char(','));
    setRates(model, {"20,00", "0,00", "7,00"});
    makeComposite(scheme, 3, "20,00", "5,00");
    model.refreshMarkers();
    QCOMPARE(rates(model), (QStringList{"20,00", "0,00", kMarker, "", ""}));
    auto write = std::get<TaxRateModel::RateWrite>(model.prepareWrite());
    QCOMPARE(int(write.count), 3);
    QVERIFY(write.levy);
    QVERIFY(!write.addedTax);
    QCOMPARE(write.records[0].rate, 2000);
    QCOMPARE(write.records[0].levyRate, 0);
    QCOMPARE(write.records[2].rate, 2000);
    QCOMPARE(write.records[2].levyRate, 500);
    QCOMPARE(write.records[2].hasLevy, 0); // left at 0 in what is sent

    // An empty row of a composite group stands in the sequence through its marker.
    makeComposite(scheme, 4, "14,29", "0,71");
    model.refreshMarkers();
    write = std::get<TaxRateModel::RateWrite>(model.prepareWrite());
    QCOMPARE(int(write.count), 4);
    QCOMPARE(write.records[3].rate, 1429);
    QCOMPARE(write.records[3].levyRate, 71);

    // Under a point locale the cells carry a point; the dialog's texts a comma.
    CompositeTaxScheme pointScheme;
    TaxRateModel point(pointScheme, QLatin1Char('.'));
    makeComposite(pointScheme, 2, "18,50", "1,50");
    point.refreshMarkers();
    write = std::get<TaxRateModel::RateWrite>(point.prepareWrite());
    QCOMPARE(write.records[0].rate, 2000);
    QCOMPARE(write.records[1].rate, 1850);
    QCOMPARE(write.records[1].levyRate, 150);

    // A composite text that is no number stops the write.
    makeComposite(scheme, 3, "2 ,00", "5,00");
    model.refreshMarkers();
    QCOMPARE(std::get<QString>(model.prepareWrite()), kFormat);
}

void TaxRatesTest::roundingToNearestTiesToEven_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("hundredths");
    QTest::newRow("exact") << "20,00" << 2000;
    QTest::newRow("just below") << "20,07" << 2007;
    QTest::newRow("tie down to even") << "0,125" << 12;
    QTest::newRow("tie up to even") << "0,375" << 38;
    QTest::newRow("tie to even again") << "0,625" << 62;
    QTest::newRow("above tie") << "0,126" << 13;
    QTest::newRow("whole") << "7" << 700;
}

void TaxRatesTest::roundingToNearestTiesToEven() {
    QFETCH(QString, text);
    QFETCH(int, hundredths);
    QCOMPARE(TaxRateModel::hundredths(text, QLatin1Char(',')),
             std::optional<std::int32_t>(hundredths));
    // The composite texts reach the write the same way.
    CompositeTaxScheme scheme;
    TaxRateModel model(scheme, QLatin1Char(','));
    makeComposite(scheme, 1, text, text);
    model.refreshMarkers();
    const auto write = std::get<TaxRateModel::RateWrite>(model.prepareWrite());
    QCOMPARE(write.records[0].rate, hundredths);
    QCOMPARE(write.records[0].levyRate, hundredths);
}

void TaxRatesTest::markerSwapsWithTypeAndFlags() {
    CompositeTaxScheme scheme;
    TaxRateModel model(scheme, QLatin1Char(','));
    setRates(model, {"20,00", "0,00", "7,00"});
    makeComposite(scheme, 3, "20,00", "5,00");
    QVERIFY(model.marked(3));
    QVERIFY(!model.marked(2));
    model.refreshMarkers();
    QCOMPARE(model.rate(3), kMarker);
    model.refreshMarkers(); // repainting again changes nothing
    QCOMPARE(model.rate(3), kMarker);

    // The added tax shows the numeric rate again, and back.
    model.setType(TaxType::Added);
    QVERIFY(!model.marked(3));
    QCOMPARE(rates(model), (QStringList{"20,00", "0,00", "7,00", "", ""}));
    model.setType(TaxType::Included);
    QCOMPARE(model.rate(3), kMarker);

    // Clearing the flag puts the number back; the working table alone does not.
    scheme.working(3).composite = false;
    model.refreshMarkers();
    QCOMPARE(model.rate(3), kMarker);
    scheme.apply(3);
    model.refreshMarkers();
    QCOMPARE(model.rate(3), QStringLiteral("7,00"));

    // A number typed over the marker is kept for later; the marker stays.
    makeComposite(scheme, 3, "20,00", "5,00");
    model.refreshMarkers();
    model.setRate(3, QStringLiteral("9,00"));
    model.refreshMarkers();
    QCOMPARE(model.rate(3), kMarker);
    model.setType(TaxType::Added);
    QCOMPARE(model.rate(3), QStringLiteral("9,00"));
    // The marker typed into a plain row does not stay.
    model.setRate(2, kMarker);
    model.refreshMarkers();
    QCOMPARE(model.rate(2), QStringLiteral("0,00"));
}

void TaxRatesTest::readFillsGridAndTables() {
    CompositeTaxScheme scheme;
    TaxRateModel model(scheme, QLatin1Char(','));
    setRates(model, {"1,00", "2,00", "3,00", "4,00", "5,00"});
    makeComposite(scheme, 4, "10,00", "1,00"); // set here, unknown to the register
    model.refreshMarkers();

    TaxRateModel::RateRead read;
    read.count = 2;
    read.addedTax = true;
    read.records[0] = {0, 2000, 0};
    read.records[1] = {0, 700, 0};
    read.records[2] = {0, 1234, 0}; // beyond the count: ignored
    model.applyRead(read);
    QCOMPARE(model.type(), TaxType::Added);
    QCOMPARE(rates(model), (QStringList{"20,00", "7,00", "", "", ""}));
    QVERIFY(!scheme.applied(4).composite);
    model.setType(TaxType::Included);
    QCOMPARE(rates(model), (QStringList{"20,00", "7,00", "", "", ""}));

    // A composite group of the register: its texts, its flag, the selected group.
    read = {};
    read.count = 3;
    read.levy = true;
    read.records[0] = {0, 2000, 0};
    read.records[1] = {-1, 1850, 150};
    read.records[2] = {0, 0, 0};
    model.applyRead(read);
    QCOMPARE(model.type(), TaxType::Included);
    QCOMPARE(rates(model), (QStringList{"20,00", kMarker, "0,00", "", ""}));
    QCOMPARE(scheme.applied(2), (CompositeEntry{true, "18,50", "1,50"}));
    QCOMPARE(scheme.working(2), scheme.applied(2));
    QCOMPARE(scheme.selectedGroup(), 2);
    QVERIFY(!scheme.applied(1).composite);
    model.setType(TaxType::Added);
    QCOMPARE(model.rate(2), QStringLiteral("18,50"));

    // Written back as read.
    model.setType(TaxType::Included);
    const auto write = std::get<TaxRateModel::RateWrite>(model.prepareWrite());
    QCOMPARE(int(write.count), 3);
    QVERIFY(write.levy);
    QCOMPARE(write.records[1].rate, 1850);
    QCOMPARE(write.records[1].levyRate, 150);

    // A levy rate without the levy flag is no composite group; more than five is five.
    read = {};
    read.count = 9;
    read.records[0] = {-1, 2000, 500};
    model.applyRead(read);
    QVERIFY(!scheme.applied(1).composite);
    QCOMPARE(rates(model), (QStringList{"20,00", "0,00", "0,00", "0,00", "0,00"}));
}

void TaxRatesTest::readMessage() {
    QCOMPARE(TaxRateModel::readMessage("08.12.2026", false),
             QStringLiteral("Дата программирования налоговых групп: 08.12.2026"));
    QCOMPARE(TaxRateModel::readMessage("08.12.2026", true),
             QStringLiteral("Дата программирования налоговых групп: 08.12.2026\r\n"
                            "Используется схема составного налога!"));
}

void TaxRatesTest::dialogNormalisesRateEdits_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("normalised");
    QTest::addColumn<QString>("stored");
    QTest::newRow("leading blank") << " 5,00%"
                                   << "5,00"
                                   << "5,00";
    QTest::newRow("leading zero") << "05,00%"
                                  << "5,00"
                                  << "05,00";
    QTest::newRow("blanks inside") << "2 ,5 %"
                                   << "20,50"
                                   << "2 ,5 ";
    QTest::newRow("two digits") << "20,00%"
                                << "20,00"
                                << "20,00";
    QTest::newRow("all blank") << "  ,  %"
                               << "0,00"
                               << " ,  ";
    QTest::newRow("without percent") << "18,5"
                                     << "18,5"
                                     << "18,5";
}

void TaxRatesTest::dialogNormalisesRateEdits() {
    QFETCH(QString, edit);
    QFETCH(QString, normalised);
    QFETCH(QString, stored);
    QCOMPARE(CompositeTaxScheme::normalisedRateText(edit), normalised);
    QCOMPARE(CompositeTaxScheme::storedRateText(edit), stored);
}

void TaxRatesTest::dialogApplyAndCancel() {
    CompositeTaxScheme scheme;
    scheme.working(2) = {true, " 7,00", "01,00"};
    scheme.working(5).composite = true;
    scheme.cancel();
    QCOMPARE(scheme.workingTable(), scheme.appliedTable());
    QVERIFY(!scheme.applied(2).composite);
    QCOMPARE(scheme.selectedGroup(), 3);

    scheme.working(2) = {true, " 7,00", "01,00"};
    scheme.apply(2);
    QCOMPARE(scheme.applied(2), (CompositeEntry{true, "7,00", "01,00"}));
    QCOMPARE(scheme.working(2), scheme.applied(2));
    QCOMPARE(scheme.selectedGroup(), 2);
    QVERIFY(!scheme.applied(5).composite);

    scheme.reset();
    QVERIFY(!scheme.applied(2).composite);
    QCOMPARE(scheme.selectedGroup(), 3);
}

QTEST_GUILESS_MAIN(TaxRatesTest)
#include "tst_taxrates.moc"
