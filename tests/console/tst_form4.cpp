// The composite-tax dialog offscreen: what it shows of the working table,
// the rate edits normalised as typed, "Применить" and "Отмена".
#include "Unit4.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace kasmon;

class Form4Test : public QObject {
    Q_OBJECT

  private slots:
    void showsTheSelectedGroup();
    void editsAreNormalisedAndApplied();
    void cancelThrowsEditsAway();
};

namespace {
void edit(QLineEdit* e, const QString& text) {
    e->setText(text);
    emit e->textEdited(e->text());
}
} // namespace

void Form4Test::showsTheSelectedGroup() {
    CompositeTaxScheme scheme;
    scheme.applied(1).composite = true; // creating the dialog starts the scheme afresh
    TForm4 dialog(scheme);
    QVERIFY(!scheme.applied(1).composite);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Настройка схемы составного налога"));
    scheme.working(3) = {true, "18,50", "1,50"};
    dialog.show();
    QCOMPARE(dialog.groupList()->currentText(), QStringLiteral("В"));
    QCOMPARE(dialog.vatEdit()->displayText(), QStringLiteral("18,50%"));
    QCOMPARE(dialog.levyEdit()->displayText(), QStringLiteral(" 1,50%"));
    QVERIFY(dialog.compositeBox()->isChecked());
    emit dialog.groupList()->activated(0);
    QCOMPARE(scheme.selectedGroup(), 1);
    QCOMPARE(dialog.levyEdit()->displayText(), QStringLiteral("05,00%"));
    QVERIFY(!dialog.compositeBox()->isChecked());
}

void Form4Test::editsAreNormalisedAndApplied() {
    CompositeTaxScheme scheme;
    TForm4 dialog(scheme);
    dialog.show();
    dialog.groupList()->setCurrentIndex(1);
    emit dialog.groupList()->activated(1);
    dialog.compositeBox()->click();
    edit(dialog.levyEdit(), QStringLiteral(" 7,5 %"));
    QCOMPARE(dialog.levyEdit()->displayText(), QStringLiteral(" 7,50%"));
    QCOMPARE(scheme.working(2).levy, QStringLiteral("7,50"));
    edit(dialog.vatEdit(), QStringLiteral("2 ,5 %"));
    QCOMPARE(dialog.vatEdit()->displayText(), QStringLiteral("20,50%"));
    edit(dialog.vatEdit(), QStringLiteral("05,00%"));
    QCOMPARE(dialog.vatEdit()->displayText(), QStringLiteral(" 5,00%"));
    QVERIFY(!scheme.applied(2).composite);
    dialog.applyButton()->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(scheme.applied(2), (CompositeEntry{true, "5,00", "7,50"}));
    QCOMPARE(scheme.selectedGroup(), 2);
    QCOMPARE(scheme.workingTable(), scheme.appliedTable());
}

void Form4Test::cancelThrowsEditsAway() {
    CompositeTaxScheme scheme;
    TForm4 dialog(scheme);
    dialog.show();
    dialog.compositeBox()->click();
    edit(dialog.vatEdit(), QStringLiteral("10,00%"));
    QVERIFY(scheme.working(3).composite);
    dialog.cancelButton()->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(scheme.workingTable(), scheme.appliedTable());
    QVERIFY(!scheme.applied(3).composite);
    QCOMPARE(scheme.applied(3).vat, QStringLiteral("20,00"));
}

QTEST_MAIN(Form4Test)
#include "tst_form4.moc"
