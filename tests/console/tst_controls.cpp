// The enabled-controls table: the mechanism on its own, and the rows the
// connection page declares.
#include "ConsoleTestSupport.h"
#include "EnabledControls.h"
#include "Unit1.h"
#include "pages/ConnectionPage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace kasmon;
using namespace kasmon::test;

class ControlsTest : public QObject {
    Q_OBJECT

  private slots:
    void columnsAreAppliedPerState();
    void keptAndDecidedRows();
    void greyBackgroundFollowsTheState();
    void modelVisibility();
    void applyingToSomeWidgetsOnly();
    void rowsOfDestroyedWidgetsAreSkipped();
    void connectionPageDeclaresItsRows();
    void designStateIsTheClosedColumn();
};

void ControlsTest::columnsAreAppliedPerState() {
    QWidget page;
    auto* both = new QPushButton(QStringLiteral("Внесение"), &page);
    auto* serviceOnly = new QPushButton(QStringLiteral("Записать"), &page);
    EnabledControls table;
    table.addPage(QStringLiteral("Операции"),
                  {{QStringLiteral(" Служебные операции: "), QStringLiteral("Внесение"), both,
                    Enablement::on(), Enablement::on()},
                   {QString(), QStringLiteral("Записать"), serviceOnly, Enablement::on(),
                    Enablement::off()}});
    QCOMPARE(table.entries().size(), std::size_t(2));
    QCOMPARE(table.entries().front().page, QStringLiteral("Операции"));

    table.apply(ConnectionState::Service);
    QVERIFY(both->isEnabled());
    QVERIFY(serviceOnly->isEnabled());
    table.apply(ConnectionState::Cashier);
    QVERIFY(both->isEnabled());
    QVERIFY(!serviceOnly->isEnabled());
    table.apply(ConnectionState::Closed);
    QVERIFY(!both->isEnabled());
    QVERIFY(!serviceOnly->isEnabled());
}

void ControlsTest::keptAndDecidedRows() {
    QWidget page;
    auto* type = new QComboBox(&page);
    type->addItems({QStringLiteral("% на последний товар"), QStringLiteral("% на пром. сумму"),
                    QStringLiteral("абс. на последний товар"),
                    QStringLiteral("абс на пром. сумму")});
    auto* percent = new QLineEdit(&page);
    auto* sum = new QLineEdit(&page);
    auto* kept = new QPushButton(&page);
    EnabledControls table;
    table.addPage(QStringLiteral("Операции"),
                  {{QString(), QStringLiteral("Процент (%):"), percent, Enablement::when([type] {
                        return std::optional<bool>(type->currentIndex() <= 1);
                    }),
                    Enablement::off()},
                   {QString(), QStringLiteral("Сумма (грн.):"), sum, Enablement::when([type] {
                        return type->currentIndex() >= 2 ? std::optional<bool>(true) : std::nullopt;
                    }),
                    Enablement::off()},
                   {QString(), QStringLiteral("kept"), kept, Enablement::keep(), Enablement::keep(),
                    Enablement::keep()}});

    kept->setEnabled(false);
    type->setCurrentIndex(0);
    sum->setEnabled(false);
    table.apply(ConnectionState::Service);
    QVERIFY(percent->isEnabled());
    QVERIFY(!sum->isEnabled()); // left as it was
    QVERIFY(!kept->isEnabled());

    type->setCurrentIndex(3);
    table.reapply(percent, ConnectionState::Service);
    table.reapply(sum, ConnectionState::Service);
    QVERIFY(!percent->isEnabled());
    QVERIFY(sum->isEnabled());

    kept->setEnabled(true);
    table.apply(ConnectionState::Closed);
    QVERIFY(!percent->isEnabled());
    QVERIFY(!sum->isEnabled());
    QVERIFY(kept->isEnabled());
}

void ControlsTest::greyBackgroundFollowsTheState() {
    QWidget page;
    auto* number = new QLineEdit(&page);
    EnabledControls table;
    table.addPage(
        QStringLiteral("Программирование"),
        {ControlRow(QStringLiteral(" Фискализация: "), QStringLiteral("Регистрационный номер:"),
                    number, Enablement::on(), Enablement::off())
             .greyedWhenOff()});
    const QPalette standard = QApplication::palette(number);
    table.apply(ConnectionState::Closed);
    QCOMPARE(number->palette().color(QPalette::Base),
             standard.color(QPalette::Disabled, QPalette::WindowText));
    table.apply(ConnectionState::Service);
    QCOMPARE(number->palette().color(QPalette::Base),
             standard.color(QPalette::Active, QPalette::Base));
    table.apply(ConnectionState::Cashier);
    QCOMPARE(number->palette().color(QPalette::Base),
             standard.color(QPalette::Disabled, QPalette::WindowText));
}

void ControlsTest::modelVisibility() {
    QWidget page;
    auto* contrast = new QWidget(&page);
    auto* cutter = new QWidget(&page);
    auto* barcode = new QCheckBox(&page);
    auto* always = new QWidget(&page);
    contrast->hide();
    barcode->setChecked(true);
    EnabledControls table;
    table.addPage(
        QStringLiteral("Доп. функции"),
        {ControlRow(QString(), QStringLiteral("contrast"), contrast, Enablement::on(),
                    Enablement::on())
             .shownFor(ModelVisibility::only520l()),
         ControlRow(QString(), QStringLiteral("cutter"), cutter, Enablement::on(), Enablement::on())
             .shownFor(ModelVisibility::only410f()),
         ControlRow(QString(), QStringLiteral("barcode"), barcode, Enablement::on(),
                    Enablement::off())
             .shownFor(ModelVisibility::only410f(true)),
         ControlRow(QString(), QStringLiteral("always"), always, Enablement::on(),
                    Enablement::on())});
    table.applyModel(RegisterModel::Rx520l);
    QVERIFY(!contrast->isHidden());
    QVERIFY(cutter->isHidden());
    QVERIFY(barcode->isHidden());
    QVERIFY(!barcode->isChecked());
    QVERIFY(!always->isHidden());

    barcode->setChecked(true);
    table.applyModel(RegisterModel::Rx410f);
    QVERIFY(contrast->isHidden());
    QVERIFY(!cutter->isHidden());
    QVERIFY(!barcode->isHidden());
    QVERIFY(barcode->isChecked());
}

void ControlsTest::applyingToSomeWidgetsOnly() {
    QWidget page;
    auto* a = new QPushButton(&page);
    auto* b = new QPushButton(&page);
    EnabledControls table;
    table.addPage(QStringLiteral("p"),
                  {{QString(), QStringLiteral("a"), a, Enablement::on(), Enablement::on()},
                   {QString(), QStringLiteral("b"), b, Enablement::on(), Enablement::on()}});
    table.apply(ConnectionState::Closed);
    table.apply(ConnectionState::Service, {a});
    QVERIFY(a->isEnabled());
    QVERIFY(!b->isEnabled());
}

void ControlsTest::rowsOfDestroyedWidgetsAreSkipped() {
    EnabledControls table;
    auto* gone = new QPushButton;
    table.addPage(QStringLiteral("p"),
                  {{QString(), QStringLiteral("gone"), gone, Enablement::on(), Enablement::on()}});
    delete gone;
    table.apply(ConnectionState::Service);
    table.applyModel(RegisterModel::Rx410f);
    QVERIFY(table.entries().front().row.widget.isNull());
}

void ControlsTest::connectionPageDeclaresItsRows() {
    RecordingDialogs dialogs;
    TForm1 form;
    struct Expected {
        const QWidget* widget;
        QString group;
        bool closed, service, cashier;
    };
    const Expected expected[] = {
        {controlIn<QPushButton>(form, "connection.connect"),
         QStringLiteral(" Установка соединения: "), true, false, false},
        {controlIn<QPushButton>(form, "connection.disconnect"),
         QStringLiteral(" Установка соединения: "), false, true, true},
        {controlIn<QComboBox>(form, "connection.newSpeed"),
         QStringLiteral(" Изменение скорости связи: "), false, true, false},
        {controlIn<QPushButton>(form, "connection.change"),
         QStringLiteral(" Изменение скорости связи: "), false, true, false},
    };
    for (const Expected& e : expected) {
        const ControlRow* row = form.controls().rowOf(e.widget);
        QVERIFY(row != nullptr);
        QCOMPARE(row->group, e.group);
        QCOMPARE(row->closed.resolve(), std::optional<bool>(e.closed));
        QCOMPARE(row->service.resolve(), std::optional<bool>(e.service));
        QCOMPARE(row->cashier.resolve(), std::optional<bool>(e.cashier));
        QVERIFY(!row->model.governed);
    }
    // The port and speed lists of the connection group are not governed by the state.
    QVERIFY(form.controls().rowOf(controlIn<QComboBox>(form, "connection.port")) == nullptr);
    QVERIFY(form.controls().rowOf(controlIn<QComboBox>(form, "connection.speed")) == nullptr);
    int connectionRows = 0;
    for (const auto& entry : form.controls().entries()) {
        connectionRows += entry.page == QStringLiteral("Связь") ? 1 : 0;
    }
    QCOMPARE(connectionRows, 4);
}

void ControlsTest::designStateIsTheClosedColumn() {
    RecordingDialogs dialogs;
    TForm1 form;
    QCOMPARE(linkControls(form), (LinkControls{true, false, false, false}));
    QVERIFY(controlIn<QComboBox>(form, "connection.port")->isEnabled());
    QVERIFY(controlIn<QComboBox>(form, "connection.speed")->isEnabled());
    form.applyConnectionState(ConnectionState::Service);
    QCOMPARE(linkControls(form), (LinkControls{false, true, true, true}));
    form.applyConnectionState(ConnectionState::Cashier);
    QCOMPARE(linkControls(form), (LinkControls{false, true, false, false}));
    QVERIFY(controlIn<QComboBox>(form, "connection.port")->isEnabled());
    QVERIFY(controlIn<QComboBox>(form, "connection.speed")->isEnabled());
    QVERIFY(dialogs.messages.empty());
}

QTEST_MAIN(ControlsTest)
#include "tst_controls.moc"
