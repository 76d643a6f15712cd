// The page kit: the enabled-controls declaration of every page applied column
// by column and checked control by control (a new page adds its rows to the
// table below), the names every control is found by, and the input rules.
#include "ConsoleTestSupport.h"
#include "InputParsing.h"
#include "Unit1.h"
#include "pages/Page.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <optional>
#include <set>

using namespace kasmon;
using namespace kasmon::test;

namespace {

// A column value the table checks: on, off, or "-" for a control its page decides.
enum class Is { On, Off, Page };

struct Row {
    const char* name;
    Is closed, service, cashier;
};

constexpr Is on = Is::On;
constexpr Is off = Is::Off;
constexpr Is page = Is::Page;

// Every control the connection state governs, page by page.
const Row kRows[] = {
    // "Связь"
    {"connection.connect", on, off, off},
    {"connection.disconnect", off, on, on},
    {"connection.newSpeed", off, on, off},
    {"connection.change", off, on, off},
    // "Операции"
    {"operations.code", off, on, off},
    {"operations.name", off, on, off},
    {"operations.quantity", off, on, off},
    {"operations.price", off, on, off},
    {"operations.tax", off, on, off},
    {"operations.discountType", off, on, off},
    {"operations.discountKind", off, on, off},
    {"operations.discountText", off, on, off},
    {"operations.discountButton", off, on, off},
    {"operations.percent", off, page, off},
    {"operations.discountSum", off, page, off},
    {"operations.unitQuantity", off, on, off},
    {"operations.nameFromRegister", off, on, off},
    {"operations.autoClose", off, on, off},
    {"operations.nonFiscalCopy", off, on, off},
    {"operations.printBarcode", off, on, off},
    {"operations.pay", off, on, off},
    {"operations.zeroReceipt", off, on, off},
    {"operations.sale", off, on, off},
    {"operations.return", off, on, off},
    {"operations.closeReceipt", off, on, off},
    {"operations.cancelPosition", off, on, off},
    {"operations.cancelReceipt", off, on, off},
    {"operations.fromClient", off, on, off},
    {"operations.paymentForm", off, on, off},
    {"operations.comment", off, on, off},
    {"operations.commentButton", off, on, off},
    {"operations.ean13", off, on, off},
    {"operations.ean13Button", off, on, off},
    {"operations.code128", off, on, off},
    {"operations.code128Button", off, on, off},
    {"operations.cashIn", off, on, on},
    {"operations.cashInButton", off, on, on},
    {"operations.cashOut", off, on, on},
    {"operations.cashOutButton", off, on, on},
    // "Доп. функции"
    {"extra.contrastGroup", page, page, page},
    {"extra.cutterGroup", page, page, page},
    {"extra.contrast", off, on, on},
    {"extra.writeContrast", off, on, on},
    {"extra.upperLine", off, on, on},
    {"extra.lowerLine", off, on, on},
    {"extra.send", off, on, on},
    {"extra.setDate", off, on, off},
    {"extra.date", off, on, off},
    {"extra.getDate", off, on, on},
    {"extra.getTime", off, on, on},
    {"extra.setTime", off, on, on},
    {"extra.time", off, on, on},
    {"extra.lineFeed", off, on, on},
    {"extra.openDrawer", off, on, on},
    {"extra.copyReceipt", off, on, on},
    {"extra.printVersion", off, on, on},
    {"extra.moneyInBox", off, on, on},
    {"extra.status", off, on, on},
    {"extra.online", off, on, off},
    {"extra.display", off, on, off},
    {"extra.logoOn", off, on, off},
    {"extra.logoOff", off, on, off},
    {"extra.text", off, on, on},
    {"extra.print", off, on, on},
    {"extra.finish", off, on, on},
    {"extra.receiptTapeOnly", off, on, on},
    {"extra.receiptSums", off, on, on},
    {"extra.dayTotals", off, on, on},
    {"extra.deviceInfo", off, on, on},
    {"extra.cutterMode", off, on, off},
    {"extra.cutterStatus", off, on, on},
    // "Артикулы"
    {"articles.code", off, on, on},
    {"articles.read", off, on, on},
    {"articles.memory", off, on, on},
    {"articles.name", off, on, off},
    {"articles.taxGroup", off, on, off},
    {"articles.price", off, on, off},
    {"articles.decimals", off, on, off},
    {"articles.returnGoods", off, on, off},
    {"articles.write", off, on, off},
    {"articles.bulk", off, on, off},
    {"articles.accessCode", off, on, off},
    // "Отчеты": the reports run in cashier mode too
    {"reports.from", off, on, on},
    {"reports.to", off, on, on},
    {"reports.periodicFull", off, on, on},
    {"reports.periodicShort", off, on, on},
    {"reports.firstNumber", off, on, on},
    {"reports.lastNumber", off, on, on},
    {"reports.numbers", off, on, on},
    {"reports.articleX", off, on, on},
    {"reports.articleZ", off, on, on},
    {"reports.wholeRange", off, on, on},
    {"reports.xReport", off, on, on},
    {"reports.zReport", off, on, on},
    {"reports.firstCode", off, page, page},
    {"reports.lastCode", off, page, page},
    // "Пароли": only the cashier's registration in cashier mode
    {"passwords.cashierOld", off, on, off},
    {"passwords.cashierNew", off, on, off},
    {"passwords.cashierConfirm", off, on, off},
    {"passwords.operator", off, on, off},
    {"passwords.cashierName", off, on, off},
    {"passwords.cashierSet", off, on, off},
    {"passwords.forgotten", off, on, off},
    {"passwords.registerNumber", off, on, on},
    {"passwords.registerPassword", off, on, on},
    {"passwords.registerName", off, on, on},
    {"passwords.storedName", off, on, on},
    {"passwords.register", off, on, on},
    {"passwords.unregister", off, on, on},
    {"passwords.consoleProgramming", off, on, off},
    {"passwords.consoleReports", off, on, off},
    {"passwords.consolePassword", off, on, off},
    {"passwords.consoleRegister", off, on, off},
    {"passwords.specialProgramming", off, on, off},
    {"passwords.specialReports", off, on, off},
    {"passwords.specialOld", off, on, off},
    {"passwords.specialNew", off, on, off},
    {"passwords.specialConfirm", off, on, off},
    {"passwords.specialSet", off, on, off},
    // " Дамп "
    {"dump.display", off, on, off},
    {"dump.page", off, on, off},
    {"dump.address", off, on, off},
    {"dump.read", off, on, off},
    {"dump.save", off, on, off},
    // "Программирование"
    {"programming.registrationNumber", off, on, off},
    {"programming.initialLine1", off, on, off},
    {"programming.initialLine2", off, on, off},
    {"programming.initialLine3", off, on, off},
    {"programming.finalLine1", off, on, off},
    {"programming.finalLine2", off, on, off},
    {"programming.finalLine3", off, on, off},
    {"programming.writeInitialLine1", off, on, off},
    {"programming.writeInitialLine2", off, on, off},
    {"programming.writeInitialLine3", off, on, off},
    {"programming.writeFinalLine1", off, on, off},
    {"programming.writeFinalLine2", off, on, off},
    {"programming.writeFinalLine3", off, on, off},
    {"programming.messageDoubleWidth", off, on, off},
    {"programming.messageDoubleHeight", off, on, off},
    {"programming.headLine1", off, on, off},
    {"programming.headLine2", off, on, off},
    {"programming.headLine3", off, on, off},
    {"programming.number", off, on, off},
    {"programming.headLine", off, on, off},
    {"programming.headDoubleWidth", off, on, off},
    {"programming.headDoubleHeight", off, on, off},
    {"programming.taxNumberKind", off, on, off},
    {"programming.identificationNumberKind", off, on, off},
    {"programming.writeHead", off, page, off},
    {"programming.logoPath", off, on, off},
    {"programming.openLogo", off, on, off},
    {"programming.writeLogo", off, on, off},
    {"programming.logoDoubleHeight", off, on, off},
    {"programming.logoInvert", off, on, off},
    {"programming.readRates", off, on, on},
    {"programming.taxType", off, on, off},
    {"programming.rates", off, on, off},
    {"programming.writeRates", off, on, off},
    {"programming.compositeTax", off, page, off},
};

// Controls shown for one model only.
const struct {
    const char* name;
    bool onRx410f, onRx520l;
} kModelRows[] = {
    {"operations.printBarcode", true, false},  {"operations.ean13", true, false},
    {"operations.ean13Button", true, false},   {"operations.code128", true, false},
    {"operations.code128Button", true, false}, {"extra.cutterGroup", true, false},
    {"extra.contrastGroup", false, true},
};

bool isControl(const QWidget* w) {
    // The parts a list or spin field is made of belong to it.
    const QWidget* parent = w->parentWidget();
    if (parent != nullptr && (qobject_cast<const QComboBox*>(parent) != nullptr ||
                              qobject_cast<const QAbstractSpinBox*>(parent) != nullptr)) {
        return false;
    }
    return qobject_cast<const QAbstractButton*>(w) != nullptr ||
           qobject_cast<const QLineEdit*>(w) != nullptr ||
           qobject_cast<const QComboBox*>(w) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(w) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(w) != nullptr ||
           qobject_cast<const QGroupBox*>(w) != nullptr;
}

} // namespace

class PageKitTest : public QObject {
    Q_OBJECT

  private slots:
    void everyDeclaredControlFollowsItsColumns_data();
    void everyDeclaredControlFollowsItsColumns();
    void everyDeclaredRowIsInTheTable();
    void everyControlHasItsOwnName();
    void modelGroups();
    void integers_data();
    void integers();
    void passwords_data();
    void passwords();
};

void PageKitTest::everyDeclaredControlFollowsItsColumns_data() {
    QTest::addColumn<int>("state");
    QTest::newRow("Service") << static_cast<int>(ConnectionState::Service);
    QTest::newRow("Cashier") << static_cast<int>(ConnectionState::Cashier);
    QTest::newRow("Closed") << static_cast<int>(ConnectionState::Closed);
}

void PageKitTest::everyDeclaredControlFollowsItsColumns() {
    QFETCH(int, state);
    RecordingDialogs dialogs;
    TForm1 form;
    const auto column = static_cast<ConnectionState>(state);
    // From the other states first, so that every control has something to change.
    for (const ConnectionState before :
         {ConnectionState::Closed, ConnectionState::Service, ConnectionState::Cashier}) {
        form.applyConnectionState(before);
        form.applyConnectionState(column);
        for (const Row& row : kRows) {
            const QWidget* w = form.findChild<QWidget*>(QString::fromLatin1(row.name));
            QVERIFY2(w != nullptr, row.name);
            const Is expected = column == ConnectionState::Service   ? row.service
                                : column == ConnectionState::Cashier ? row.cashier
                                                                     : row.closed;
            if (expected != Is::Page) {
                QVERIFY2(w->isEnabled() == (expected == Is::On), row.name);
            }
        }
    }
}

void PageKitTest::everyDeclaredRowIsInTheTable() {
    RecordingDialogs dialogs;
    TForm1 form;
    std::set<QString> table;
    for (const Row& row : kRows) {
        table.insert(QString::fromLatin1(row.name));
    }
    std::set<QString> declared;
    for (const auto& entry : form.controls().entries()) {
        const QString name = entry.row.widget->objectName();
        QVERIFY2(table.count(name) == 1,
                 qPrintable(entry.page + QStringLiteral(": ") + entry.row.control +
                            QStringLiteral(" ") + name));
        declared.insert(name);
    }
    QCOMPARE(declared.size(), form.controls().entries().size()); // one row a control
    QCOMPARE(declared, table);
}

void PageKitTest::everyControlHasItsOwnName() {
    RecordingDialogs dialogs;
    TForm1 form;
    std::set<QString> names;
    for (const Page* p : form.pages()) {
        for (const QWidget* w : p->findChildren<QWidget*>()) {
            if (!isControl(w)) {
                continue;
            }
            QVERIFY2(!p->objectName().isEmpty(), qPrintable(p->caption()));
            const QString name = w->objectName();
            QVERIFY2(name.startsWith(p->objectName() + QLatin1Char('.')),
                     qPrintable(p->caption() + QStringLiteral(": ") + name));
            QVERIFY2(names.insert(name).second, qPrintable(name));
        }
    }
}

void PageKitTest::modelGroups() {
    RecordingDialogs dialogs;
    TForm1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (const auto& [model, is410f] :
         {std::pair{RegisterModel::Rx520l, false}, std::pair{RegisterModel::Rx410f, true}}) {
        form.applyModel(model);
        for (const auto& row : kModelRows) {
            const QWidget* w = form.findChild<QWidget*>(QString::fromLatin1(row.name));
            QVERIFY2(w != nullptr, row.name);
            QVERIFY2(!w->isHidden() == (is410f ? row.onRx410f : row.onRx520l), row.name);
        }
    }
}

void PageKitTest::integers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("value"); // -1: refused
    QTest::newRow("plain") << QStringLiteral("42") << qint64(42);
    QTest::newRow("blanks around") << QStringLiteral(" 7 ") << qint64(7);
    QTest::newRow("largest") << QStringLiteral("2147483647") << qint64(2147483647);
    QTest::newRow("too large") << QStringLiteral("2147483648") << qint64(-1);
    QTest::newRow("empty") << QString() << qint64(-1);
    QTest::newRow("letters") << QStringLiteral("12a") << qint64(-1);
    QTest::newRow("fraction") << QStringLiteral("1,5") << qint64(-1);
}

void PageKitTest::integers() {
    QFETCH(QString, text);
    QFETCH(qint64, value);
    const std::optional<std::int32_t> parsed = parseInteger<std::int32_t>(text);
    QCOMPARE(parsed.has_value(), value >= 0);
    if (parsed) {
        QCOMPARE(qint64(*parsed), value);
    }
    QCOMPARE(parseInteger<std::int32_t>(QStringLiteral("-5")), std::optional<std::int32_t>(-5));
}

void PageKitTest::passwords_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1: refused
    QTest::newRow("zero") << QStringLiteral("0") << 0;
    QTest::newRow("largest") << QStringLiteral("65535") << 65535;
    QTest::newRow("too large") << QStringLiteral("65536") << -1;
    QTest::newRow("negative") << QStringLiteral("-1") << -1;
    QTest::newRow("empty") << QString() << -1;
}

void PageKitTest::passwords() {
    QFETCH(QString, text);
    QFETCH(int, value);
    const std::optional<std::uint16_t> parsed = parsePassword(text);
    QCOMPARE(parsed.has_value(), value >= 0);
    if (parsed) {
        QCOMPARE(int(*parsed), value);
    }
}

QTEST_MAIN(PageKitTest)
#include "tst_pagekit.moc"
