// The "Операции" page against the real driver and a register emulator on a
// pseudo-terminal. What reached the register is read back from the emulator:
// its paper tape, its day counters, its open receipt and the frames it saw.
// The rules of the fields themselves are tested in tst_pagerules.
#include "LinkedWindow.h"
#include "pages/OperationsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <memory>
#include <mutex>
#include <string>

using namespace kasmon;
using namespace kasmon::test;

namespace {

const QString kEmptySaleFields =
    QStringLiteral("Поля \"Код\", \"Наименование\", \"Количество\" и \"Цена\"\r\n"
                   "           не могут быть пустыми!");
const QString kEmptyCancelFields = QStringLiteral("Поля \"Наименование\", \"Количество\" и "
                                                  "\"Цена\"\r\n           не могут быть пустыми!");

// The frames the register received, in the emulator's hex notation ("12 0F 00 00 01").
class FrameLog {
  public:
    void add(const std::string& line) {
        const std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(QString::fromStdString(line));
    }
    // True when a frame from the host carries these bytes.
    bool received(const QString& bytes) const {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (const QString& line : lines_) {
            if (line.contains(QStringLiteral(" <- ")) &&
                (line + QLatin1Char(' ')).contains(QLatin1Char(' ') + bytes + QLatin1Char(' '))) {
                return true;
            }
        }
        return false;
    }
    QString dump() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return lines_.join(QLatin1Char('\n'));
    }

  private:
    mutable std::mutex mutex_;
    QStringList lines_;
};

// A word the page's texts contain with the locale's separator in place of "#".
QString withSeparator(QString text) {
    return text.replace(QLatin1Char('#'), LocaleFormat::current().decimalSeparator());
}

QString money(const QString& amount) {
    return withSeparator(amount) + QStringLiteral(" грн.");
}

} // namespace

class OperationsTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup();

    void startTexts_data();
    void startTexts();
    void controlsPerState();
    void discountTypeSwitchesTheFields();
    void barCodeControlsFollowTheModel();

    void saleReceipt();
    void unitQuantity();
    void returnReceipt();
    void automaticClosing();
    void automaticClosingRefused();
    void markUpOnTheLastLine();
    void zeroReceipt();
    void commentWithoutReceiptClearsTheBox();
    void commentInAnOpenReceipt();
    void cancelReceipt();
    void barCodes();

    void inputErrors_data();
    void inputErrors();

    void registerRefusals();
    void fiscalVerdictBox_data();
    void fiscalVerdictBox();
    void discountTypedByHand();
    void paperChecks_data();
    void paperChecks();

    void screenshotAndCaptionsFit();

  private:
    // Opens the link to an emulated register as the user does, shows the page.
    void open(kasemu::ModelKind model = kasemu::ModelKind::Rx410f, bool service = true);

    // The page's controls by their objectNames ("operations.<name>").
    template <typename T> T* control(const char* name) const {
        return w_->control<T>((std::string("operations.") + name).c_str());
    }
    QLineEdit* field(const char* name) const { return control<QLineEdit>(name); }
    QComboBox* list(const char* name) const { return control<QComboBox>(name); }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    QCheckBox* check(const char* name) const { return control<QCheckBox>(name); }
    QLabel* label(const char* name) const { return control<QLabel>(name); }
    QGroupBox* groupBox(const char* name) const { return control<QGroupBox>(name); }
    OperationsPage* page() const { return w_->findControl<OperationsPage>("operations"); }
    kasemu::Emulator& emulator() const { return w_->emulator(); }
    TForm1& form() const { return w_->form(); }

    static void click(QPushButton* button);
    static void type(QLineEdit* edit, const QString& text) { LinkedWindow::type(edit, text); }
    // Fills the article fields of the sale group.
    void article(const QString& code, const QString& name, const QString& quantity,
                 const QString& price, int group = 0);
    static void choose(QComboBox* box, int index);

    QString tape() const { return w_->tape(); }
    std::uint64_t bytesReceived() const { return w_->bytesReceived(); }
    MessageRequest takeMessage() { return w_->takeMessage(); }
    bool noMessage() { return w_->takeMessages().empty(); }
    // The standard failure report of the driver's last error.
    void expectDriverError(const MessageRequest& box, int result) {
        QVERIFY2(isDriverError(form(), box, result), qPrintable(box.text));
    }

    std::shared_ptr<FrameLog> frames_;
    std::unique_ptr<LinkedWindow> w_;
};

void OperationsTest::cleanup() {
    w_.reset();
    frames_.reset();
}

void OperationsTest::open(kasemu::ModelKind model, bool service) {
    frames_ = std::make_shared<FrameLog>();
    kasemu::EmulatorOptions options;
    options.model = model;
    options.trace = true;
    options.traceSink = [log = frames_](const std::string& line) { log->add(line); };
    w_ = std::make_unique<LinkedWindow>(options);
    if (service) {
        QVERIFY(w_->openOn("operations"));
        QVERIFY(form().state().ServiceMode);
        return;
    }
    QVERIFY(w_->open(false));
    form().pageControl()->setCurrentWidget(page());
}

void OperationsTest::click(QPushButton* button) {
    QVERIFY(button->isVisible());
    QVERIFY(LinkedWindow::click(button));
}

void OperationsTest::article(const QString& code, const QString& name, const QString& quantity,
                             const QString& price, int group) {
    type(field("code"), code);
    type(field("name"), name);
    type(field("quantity"), withSeparator(quantity));
    type(field("price"), withSeparator(price));
    choose(list("tax"), group);
}

void OperationsTest::choose(QComboBox* box, int index) {
    // As the user picks an item: the list's own change signal.
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// ---------------------------------------------------------------------------
// The controls

void OperationsTest::startTexts_data() {
    QTest::addColumn<bool>("comma");
    QTest::newRow("comma locale") << true;
    QTest::newRow("point locale") << false;
}

void OperationsTest::startTexts() {
    QFETCH(bool, comma);
    const LocaleScope locale(comma ? commaLocale() : pointLocale());
    open(); // linking changes none of the texts
    QCOMPARE(form().pageControl()->tabText(1), QStringLiteral("Операции"));
    const QString zero = comma ? QStringLiteral("0,00") : QStringLiteral("0.00");

    QCOMPARE(groupBox("saleGroup")->title(), QStringLiteral(" Регистрация продажи/выплаты: "));
    QCOMPARE(groupBox("discountGroup")->title(), QStringLiteral(" Скидки / наценки: "));
    QCOMPARE(groupBox("operationsGroup")->title(), QStringLiteral(" Операции: "));
    QCOMPARE(groupBox("commentsGroup")->title(), QStringLiteral(" Комментарии и штрих-коды: "));
    QCOMPARE(groupBox("infoGroup")->title(), QStringLiteral(" Информация по чеку: "));
    QCOMPARE(groupBox("optionsGroup")->title(), QStringLiteral(" Опции печати: "));
    QCOMPARE(groupBox("serviceGroup")->title(), QStringLiteral(" Служебные операции: "));

    // Captions of the fields, group by group.
    const auto captions = [](const QGroupBox* group) {
        QStringList texts;
        for (const QLabel* l : group->findChildren<QLabel*>()) {
            texts << l->text();
        }
        return texts;
    };
    QCOMPARE(captions(groupBox("saleGroup")),
             (QStringList{QStringLiteral("Код:"), QStringLiteral("Наименование:"),
                          QStringLiteral("Налог:"), QStringLiteral("Количество:"),
                          QStringLiteral("Цена (грн.):")}));
    QCOMPARE(
        captions(groupBox("discountGroup")),
        (QStringList{QStringLiteral("Тип скидки / наценки:"), QStringLiteral("Процент (%):"),
                     QStringLiteral("Сумма (грн.):"), QStringLiteral("Пояснительная строка: ")}));
    QCOMPARE(captions(groupBox("operationsGroup")),
             (QStringList{QStringLiteral("Форма оплаты:"), QStringLiteral("От клиента (грн.):")}));
    QCOMPARE(captions(groupBox("serviceGroup")),
             (QStringList{QStringLiteral("Сумма (грн.):"), QStringLiteral("Сумма (грн.):")}));

    // Kinds, limits and start texts.
    const struct {
        QLineEdit* edit;
        int maxLength;
        QString text;
    } edits[] = {
        {field("code"), 15, QStringLiteral("1")},
        {field("name"), 50, QStringLiteral("Товар №1")},
        {field("quantity"), 10, comma ? QStringLiteral("1,000") : QStringLiteral("1.000")},
        {field("price"), 10, zero},
        {field("percent"), QLineEdit().maxLength(), QString()},
        {field("discountText"), 25, QString()},
        {field("discountSum"), QLineEdit().maxLength(), zero},
        {field("fromClient"), 11, zero},
        {field("comment"), 27, QString()},
        {field("ean13"), 13, QString()},
        {field("code128"), 16, QString()},
        {field("cashIn"), 11, zero},
        {field("cashOut"), 11, zero},
    };
    for (const auto& e : edits) {
        QCOMPARE(e.edit->maxLength(), e.maxLength);
        QCOMPARE(e.edit->text(), e.text);
    }

    const auto items = [](const QComboBox* box) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i) {
            texts << box->itemText(i);
        }
        return texts;
    };
    QCOMPARE(items(list("tax")),
             (QStringList{QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В"),
                          QStringLiteral("Г"), QStringLiteral("Д"), QStringLiteral("Е")}));
    QCOMPARE(list("tax")->currentIndex(), 0);
    QVERIFY(!list("tax")->isEditable());
    QCOMPARE(items(list("discountType")), (QStringList{QStringLiteral("% на последний товар"),
                                                       QStringLiteral("абс. на последний товар"),
                                                       QStringLiteral("% на пром. сумму"),
                                                       QStringLiteral("абс на пром. сумму")}));
    QCOMPARE(list("discountType")->currentIndex(), 0);
    QVERIFY(list("discountType")->isEditable());
    QCOMPARE(page()->discountType(), 0);
    QCOMPARE(items(list("discountKind")),
             (QStringList{QStringLiteral("Скидка"), QStringLiteral("Наценка")}));
    QCOMPARE(list("discountKind")->currentIndex(), 0);
    QVERIFY(!list("discountKind")->isEditable());
    QCOMPARE(items(list("paymentForm")),
             (QStringList{QStringLiteral("карточка"), QStringLiteral("кредит"),
                          QStringLiteral("чек"), QStringLiteral("наличные")}));
    QCOMPARE(list("paymentForm")->currentText(), QStringLiteral("наличные"));
    QVERIFY(!list("paymentForm")->isEditable());

    const struct {
        QPushButton* button;
        QString text;
    } buttons[] = {
        {button("pay"), QStringLiteral("Оплатить")},
        {button("zeroReceipt"), QStringLiteral("Нулевой чек")},
        {button("sale"), QStringLiteral("Продажа")},
        {button("return"), QStringLiteral("Возврат")},
        {button("closeReceipt"), QStringLiteral("Закрыть чек")},
        {button("cancelPosition"), QStringLiteral("Отмена поз.")},
        {button("cancelReceipt"), QStringLiteral("Отмена чека")},
        {button("discountButton"), QStringLiteral("Скидка/Наценка")},
        {button("commentButton"), QStringLiteral("Комментарий")},
        {button("ean13Button"), QStringLiteral("EAN 13")},
        {button("code128Button"), QStringLiteral("CODE 128")},
        {button("cashInButton"), QStringLiteral("Внесение")},
        {button("cashOutButton"), QStringLiteral("Изъятие")},
    };
    for (const auto& b : buttons) {
        QCOMPARE(b.button->text(), b.text);
        QCOMPARE(b.button->font().bold(), b.button == button("pay"));
    }

    const struct {
        QCheckBox* box;
        QString text;
    } boxes[] = {
        {check("unitQuantity"), QStringLiteral("Брать единичное количество")},
        {check("nameFromRegister"), QStringLiteral("Наименование брать из ЭККР")},
        {check("autoClose"), QStringLiteral("Автоматически закрыть чек")},
        {check("nonFiscalCopy"), QStringLiteral("Печатать не фискальный чек")},
        {check("printBarcode"), QStringLiteral("Печатать штрих-код товара")},
    };
    for (const auto& b : boxes) {
        QCOMPARE(b.box->text(), b.text);
        QVERIFY(!b.box->isChecked());
    }

    // The receipt-information box: two fixed captions, a third one the page sets,
    // all values empty; bold 13-pixel text.
    QStringList infoTexts;
    for (const QLabel* l : groupBox("infoGroup")->findChildren<QLabel*>()) {
        infoTexts << l->text();
        QVERIFY(l->font().bold());
        QCOMPARE(l->font().pixelSize(), 13);
    }
    QCOMPARE(infoTexts,
             (QStringList{QStringLiteral("Стоимость:"), QString(), QStringLiteral("Сумма по чеку:"),
                          QString(), QString(), QString()}));
    QVERIFY(label("costValue")->text().isEmpty());
    QVERIFY(label("sumValue")->text().isEmpty());
    QVERIFY(label("thirdCaption")->text().isEmpty());
    QVERIFY(label("thirdValue")->text().isEmpty());
}

void OperationsTest::controlsPerState() {
    // Every control the connection state governs, with what it is in Service and
    // in Cashier (the discount type is at "% на последний товар").
    struct Expected {
        QWidget* widget;
        bool service, cashier;
    };
    const auto expected = [this] {
        return std::vector<Expected>{
            {field("code"), true, false},
            {field("name"), true, false},
            {field("quantity"), true, false},
            {field("price"), true, false},
            {list("tax"), true, false},
            {list("discountType"), true, false},
            {list("discountKind"), true, false},
            {field("discountText"), true, false},
            {button("discountButton"), true, false},
            {field("percent"), true, false},
            {field("discountSum"), false, false},
            {check("unitQuantity"), true, false},
            {check("nameFromRegister"), true, false},
            {check("autoClose"), true, false},
            {check("nonFiscalCopy"), true, false},
            {check("printBarcode"), true, false},
            {button("pay"), true, false},
            {button("zeroReceipt"), true, false},
            {button("sale"), true, false},
            {button("return"), true, false},
            {button("closeReceipt"), true, false},
            {button("cancelPosition"), true, false},
            {button("cancelReceipt"), true, false},
            {field("fromClient"), true, false},
            {list("paymentForm"), true, false},
            {field("comment"), true, false},
            {button("commentButton"), true, false},
            {field("ean13"), true, false},
            {button("ean13Button"), true, false},
            {field("code128"), true, false},
            {button("code128Button"), true, false},
            {field("cashIn"), true, true},
            {button("cashInButton"), true, true},
            {field("cashOut"), true, true},
            {button("cashOutButton"), true, true},
        };
    };

    // Before any link: the design state is the Closed column.
    open(kasemu::ModelKind::Rx410f, false);
    QVERIFY(w_->close());
    for (const Expected& e : expected()) {
        QVERIFY(!e.widget->isEnabled());
    }
    const auto fresh = showMainWindow();
    QVERIFY(fresh);
    for (const auto& entry : fresh->controls().entries()) {
        if (entry.page == QStringLiteral("Операции")) {
            QVERIFY2(!entry.row.widget->isEnabled(), qPrintable(entry.row.control));
        }
    }

    int rows = 0;
    for (const auto& entry : form().controls().entries()) {
        rows += entry.page == QStringLiteral("Операции") ? 1 : 0;
    }
    QCOMPARE(rows, int(expected().size()));
    for (const Expected& e : expected()) {
        QVERIFY(form().controls().rowOf(e.widget) != nullptr);
    }
    // Every control of the page that takes input has its row (the edit inside the
    // editable type list belongs to the list).
    for (const QWidget* w : page()->findChildren<QWidget*>()) {
        const bool input = qobject_cast<const QAbstractButton*>(w) != nullptr ||
                           qobject_cast<const QComboBox*>(w) != nullptr ||
                           (qobject_cast<const QLineEdit*>(w) != nullptr &&
                            qobject_cast<const QComboBox*>(w->parentWidget()) == nullptr);
        if (input) {
            QVERIFY(form().controls().rowOf(w) != nullptr);
        }
    }

    // Cashier: only the service cash operations.
    QVERIFY(w_->open(false));
    for (const Expected& e : expected()) {
        QCOMPARE(e.widget->isEnabled(), e.cashier);
    }
    QVERIFY(w_->close());
    for (const Expected& e : expected()) {
        QVERIFY(!e.widget->isEnabled());
    }

    // Service.
    QVERIFY(w_->open(true));
    for (const Expected& e : expected()) {
        QCOMPARE(e.widget->isEnabled(), e.service);
    }

    // Service again with an absolute type chosen: the sum field instead of the percent.
    QVERIFY(w_->close());
    list("discountType")->setCurrentIndex(3);
    QVERIFY(w_->open(true));
    QVERIFY(!field("percent")->isEnabled());
    QVERIFY(field("discountSum")->isEnabled());
    QVERIFY(button("discountButton")->isEnabled());
}

void OperationsTest::discountTypeSwitchesTheFields() {
    open();
    QComboBox* typeBox = list("discountType");
    QVERIFY(field("percent")->isEnabled());
    QVERIFY(!field("discountSum")->isEnabled());

    // Keys pick the items one by one, as the user does.
    typeBox->setFocus();
    QTest::keyClick(typeBox, Qt::Key_Down);
    QCOMPARE(page()->discountType(), 1);
    QVERIFY(!field("percent")->isEnabled());
    QVERIFY(field("discountSum")->isEnabled());
    QTest::keyClick(typeBox, Qt::Key_Down);
    QCOMPARE(page()->discountType(), 2);
    QVERIFY(field("percent")->isEnabled());
    QVERIFY(!field("discountSum")->isEnabled());
    QTest::keyClick(typeBox, Qt::Key_Down);
    QCOMPARE(page()->discountType(), 3);
    QVERIFY(!field("percent")->isEnabled());
    QVERIFY(field("discountSum")->isEnabled());

    // A text typed into the list selects no item and changes nothing.
    type(typeBox->lineEdit(), QStringLiteral("x"));
    QCOMPARE(page()->discountType(), -1);
    QVERIFY(!field("percent")->isEnabled());
    QVERIFY(field("discountSum")->isEnabled());
    choose(typeBox, 0);
    QCOMPARE(page()->discountType(), 0);
    QVERIFY(field("percent")->isEnabled());
    QVERIFY(!field("discountSum")->isEnabled());
    QVERIFY(noMessage());
}

void OperationsTest::barCodeControlsFollowTheModel() {
    open(kasemu::ModelKind::Rx520l);
    QVERIFY(check("printBarcode")->isHidden());
    QVERIFY(field("ean13")->isHidden());
    QVERIFY(button("ean13Button")->isHidden());
    QVERIFY(field("code128")->isHidden());
    QVERIFY(button("code128Button")->isHidden());
    QVERIFY(!field("comment")->isHidden());
    QVERIFY(!button("commentButton")->isHidden());
    QVERIFY(button("commentButton")->isEnabled());

    // Back on an RX-410F they are shown; a check box hidden on the RX-520L was unchecked.
    check("printBarcode")->setChecked(true);
    QVERIFY(w_->close());
    w_->replaceRegister(kasemu::ModelKind::Rx520l);
    QVERIFY(w_->open());
    QVERIFY(check("printBarcode")->isHidden());
    QVERIFY(!check("printBarcode")->isChecked());
    QVERIFY(w_->close());
    w_->replaceRegister(kasemu::ModelKind::Rx410f);
    QVERIFY(w_->open());
    for (const QWidget* w : std::initializer_list<const QWidget*>{
             check("printBarcode"), field("ean13"), button("ean13Button"), field("code128"),
             button("code128Button")}) {
        QVERIFY(!w->isHidden());
        QVERIFY(w->isEnabled());
    }
}

// ---------------------------------------------------------------------------
// Receipts

void OperationsTest::saleReceipt() {
    const LocaleScope locale(commaLocale());
    open();

    article(QStringLiteral("1"), QStringLiteral("Хлеб"), QStringLiteral("2"),
            QStringLiteral("10#50"));
    click(button("sale"));
    QCOMPARE(label("costValue")->text(), money(QStringLiteral("21#00")));
    QCOMPARE(label("sumValue")->text(), money(QStringLiteral("21#00")));
    QVERIFY(label("thirdCaption")->text().isEmpty());

    article(QStringLiteral("2"), QStringLiteral("Молоко"), QStringLiteral("1#5"),
            QStringLiteral("20#00"), 5);
    click(button("sale"));
    QCOMPARE(label("costValue")->text(), money(QStringLiteral("30#00")));
    QCOMPARE(label("sumValue")->text(), money(QStringLiteral("51#00")));

    article(QStringLiteral("3"), QStringLiteral("Сыр"), QStringLiteral("1"),
            QStringLiteral("40#00"));
    click(button("sale"));
    QCOMPARE(label("sumValue")->text(), money(QStringLiteral("91#00")));

    // The cheese goes again: the same line with the price negated, in the sale receipt.
    click(button("cancelPosition"));
    QCOMPARE(label("costValue")->text(), money(QStringLiteral("-40#00")));
    QCOMPARE(label("sumValue")->text(), money(QStringLiteral("51#00")));
    QVERIFY(frames_->received(QStringLiteral("12 01 00 00 00 A0 0F 00 80 80")));

    // 10 % off the subtotal.
    choose(list("discountType"), 2);
    type(field("percent"), QStringLiteral("10"));
    type(field("discountText"), QStringLiteral("Постоянный клиент"));
    click(button("discountButton"));
    QCOMPARE(label("sumValue")->text(), money(QStringLiteral("45#90")));
    QCOMPARE(label("thirdCaption")->text(), QStringLiteral("Скидка:"));
    QCOMPARE(label("thirdValue")->text(), money(QStringLiteral("-5#10")));
    QCOMPARE(label("costValue")->text(), money(QStringLiteral("-40#00"))); // left as it was

    // Part by card, the rest in cash with change.
    choose(list("paymentForm"), 0);
    type(field("fromClient"), withSeparator(QStringLiteral("20#00")));
    click(button("pay"));
    QCOMPARE(label("thirdCaption")->text(), QStringLiteral("Остаток:"));
    QCOMPARE(label("thirdValue")->text(), money(QStringLiteral("25#90")));
    choose(list("paymentForm"), 3);
    type(field("fromClient"), withSeparator(QStringLiteral("50#00")));
    click(button("pay"));
    QCOMPARE(label("thirdCaption")->text(), QStringLiteral("Сдача:"));
    QCOMPARE(label("thirdValue")->text(), money(QStringLiteral("24#10")));

    QVERIFY(noMessage());
    const QString printed = tape();
    for (const QString& line :
         {QStringLiteral("Хлеб"), QStringLiteral("2 x 10.50"), QStringLiteral("21.00 А"),
          QStringLiteral("Молоко"), QStringLiteral("1.5 x 20.00"), QStringLiteral("30.00 Е"),
          QStringLiteral("ОТМЕНА"), QStringLiteral("-40.00 А"), QStringLiteral("ПОДЫТОГ"),
          QStringLiteral("СКИДКА 10%"), QStringLiteral("-5.10"),
          QStringLiteral("Постоянный клиент"), QStringLiteral("КАРТОЧКА"),
          QStringLiteral("НАЛИЧНЫЕ"), QStringLiteral("СДАЧА"), QStringLiteral("24.10"),
          QStringLiteral("ЧЕК № 1")}) {
        QVERIFY2(printed.contains(line), qPrintable(line + QStringLiteral("\n") + printed));
    }
    const kasemu::RegisterState s = emulator().state();
    QVERIFY(!s.receipt.open());
    QCOMPARE(s.day.sale.receipts, 1U);
    QCOMPARE(s.day.sale.byForm[0], std::int64_t(2000));
    QCOMPARE(s.day.sale.byForm[3], std::int64_t(2590));
    QCOMPARE(s.day.sale.discounts, std::int64_t(510));
    QCOMPARE(s.day.cancelledSale.count, 1U);
    QCOMPARE(s.day.cancelledSale.sum, std::int64_t(4000));
    std::int64_t turnover = 0;
    for (const std::int64_t g : s.day.sale.byGroup) {
        turnover += g;
    }
    QCOMPARE(turnover, std::int64_t(4590));
    QCOMPARE(s.cashInDrawer, std::int64_t(2590));
}

void OperationsTest::unitQuantity() {
    open();
    article(QStringLiteral("9"), QStringLiteral("Сахар"), QStringLiteral("1#5"),
            QStringLiteral("2#00"));
    check("unitQuantity")->setChecked(true);
    click(button("sale"));
    QVERIFY(noMessage());
    // The quantity as typed, the unit flag beside its decimals; the line costs its price.
    QVERIFY2(frames_->received(QStringLiteral("12 0F 00 00 81 C8 00 00 00 80")),
             qPrintable(frames_->dump()));
    QCOMPARE(emulator().state().receipt.lines.back().cost, std::int64_t(200));
}

void OperationsTest::returnReceipt() {
    const LocaleScope locale(pointLocale());
    open();
    // Cash in the drawer to pay the return out of.
    type(field("cashIn"), QStringLiteral("500.00"));
    click(button("cashInButton"));

    article(QStringLiteral("7"), QStringLiteral("Товар №1"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(button("return"));
    QCOMPARE(label("costValue")->text(), money(QStringLiteral("12#00")));
    article(QStringLiteral("8"), QStringLiteral("Соль"), QStringLiteral("2"),
            QStringLiteral("3#00"));
    click(button("return"));
    QCOMPARE(label("sumValue")->text(), money(QStringLiteral("18#00")));
    QVERIFY(emulator().state().receipt.kind == kasemu::ReceiptKind::Payout);

    // Cancelling in a return receipt goes through the payout command with the price negated.
    click(button("cancelPosition"));
    QCOMPARE(label("costValue")->text(), money(QStringLiteral("-6#00")));
    QCOMPARE(label("sumValue")->text(), money(QStringLiteral("12#00")));
    QVERIFY2(frames_->received(QStringLiteral("08 02 00 00 00 2C 01 00 80 80")),
             qPrintable(frames_->dump()));
    QVERIFY(!frames_->received(QStringLiteral("12 02 00 00 00 2C 01 00 80 80")));

    click(button("closeReceipt"));
    QCOMPARE(label("thirdCaption")->text(), QStringLiteral("Сдача:"));
    QCOMPARE(label("thirdValue")->text(), money(QStringLiteral("0#00")));
    QVERIFY(noMessage());

    const QString printed = tape();
    for (const QString& line :
         {QStringLiteral("СЛУЖЕБНОЕ ВНЕСЕНИЕ"), QStringLiteral("500.00"), QStringLiteral("ВОЗВРАТ"),
          QStringLiteral("Соль"), QStringLiteral("ОТМЕНА"), QStringLiteral("-6.00 А"),
          QStringLiteral("ЧЕК ВОЗВРАТА № 1")}) {
        QVERIFY2(printed.contains(line), qPrintable(line + QStringLiteral("\n") + printed));
    }
    const kasemu::RegisterState s = emulator().state();
    QCOMPARE(s.day.deposits, std::int64_t(50000));
    QCOMPARE(s.day.payout.receipts, 1U);
    QCOMPARE(s.day.sale.receipts, 0U);
    QCOMPARE(s.day.payout.byForm[3], std::int64_t(1200));
    QCOMPARE(s.day.cancelledPayout.count, 1U);
    QCOMPARE(s.day.cancelledPayout.sum, std::int64_t(600));
    QCOMPARE(s.cashInDrawer, std::int64_t(50000 - 1200));

    // A service cash-out books what was typed.
    type(field("cashOut"), QStringLiteral("150"));
    click(button("cashOutButton"));
    QCOMPARE(emulator().state().day.withdrawals, std::int64_t(150));
    QVERIFY(tape().contains(QStringLiteral("СЛУЖЕБНАЯ ВЫДАЧА")));
}

void OperationsTest::automaticClosing() {
    open();
    emulator().setPaperSensors(kasemu::paper::ReceiptLow);
    check("autoClose")->setChecked(true);
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(button("sale"));

    QCOMPARE(label("costValue")->text(), money(QStringLiteral("12#00")));
    QCOMPARE(label("sumValue")->text(), money(QStringLiteral("12#00")));
    QCOMPARE(label("thirdCaption")->text(), QStringLiteral("Сдача:"));
    QCOMPARE(label("thirdValue")->text(), money(QStringLiteral("0#00")));
    // The closing printed, so the paper was asked about.
    const MessageRequest box = takeMessage();
    QCOMPARE(box.text, QStringLiteral("Заканчивается чековая лента!"));
    QCOMPARE(box.title, QStringLiteral("Внимание!"));

    const kasemu::RegisterState s = emulator().state();
    QVERIFY(!s.receipt.open());
    QCOMPARE(s.day.sale.receipts, 1U);
    QCOMPARE(s.day.sale.byForm[3], std::int64_t(1200));
    QVERIFY(tape().contains(QStringLiteral("ЧЕК № 1")));
    // The payment form chosen, the rest paid: 14 03 00 00 00 80 (no copy asked for).
    QVERIFY2(frames_->received(QStringLiteral("14 03 00 00 00 80")), qPrintable(frames_->dump()));

    // With the non-fiscal copy option the copy is printed after the receipt.
    check("nonFiscalCopy")->setChecked(true);
    choose(list("paymentForm"), 3);
    click(button("sale"));
    QVERIFY(frames_->received(QStringLiteral("14 43 00 00 00 80")));
    QVERIFY(tape().contains(QStringLiteral("НЕФИСКАЛЬНЫЙ ЧЕК")));
    QCOMPARE(emulator().state().day.sale.receipts, 2U);
}

void OperationsTest::automaticClosingRefused() {
    // A closing the register refuses comes after the line was registered: cost and sum
    // stay, the receipt stays open.
    // Here a return with an empty drawer: the register cannot pay it out.
    open();
    check("autoClose")->setChecked(true);
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(button("return"));
    expectDriverError(takeMessage(), 35);
    QCOMPARE(label("costValue")->text(), money(QStringLiteral("12#00")));
    QCOMPARE(label("sumValue")->text(), money(QStringLiteral("12#00")));
    QVERIFY(label("thirdCaption")->text().isEmpty());
    QVERIFY(label("thirdValue")->text().isEmpty());
    const kasemu::RegisterState s = emulator().state();
    QVERIFY(s.receipt.kind == kasemu::ReceiptKind::Payout);
    QCOMPARE(s.day.payout.receipts, 0U);
}

void OperationsTest::markUpOnTheLastLine() {
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(button("sale"));
    choose(list("discountType"), 1);
    type(field("discountSum"), withSeparator(QStringLiteral("1#50")));
    choose(list("discountKind"), 1);
    click(button("discountButton"));
    QCOMPARE(label("thirdCaption")->text(), QStringLiteral("Наценка:"));
    QCOMPARE(label("thirdValue")->text(), money(QStringLiteral("1#50")));
    QCOMPARE(label("sumValue")->text(), money(QStringLiteral("13#50")));
    // Type 1, the amount 150 without the discount bit, no text.
    QVERIFY(frames_->received(QStringLiteral("23 01 96 00 00 00 00")));
    QVERIFY(tape().contains(QStringLiteral("НАДБАВКА")));
    QCOMPARE(emulator().state().receipt.markups, std::int64_t(150));
    QVERIFY(noMessage());
}

void OperationsTest::zeroReceipt() {
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(button("sale"));
    QVERIFY(!label("sumValue")->text().isEmpty());

    click(button("zeroReceipt"));
    QVERIFY(label("costValue")->text().isEmpty());
    QVERIFY(label("sumValue")->text().isEmpty());
    QVERIFY(label("thirdCaption")->text().isEmpty());
    QVERIFY(label("thirdValue")->text().isEmpty());
    QVERIFY(noMessage());
    QVERIFY(tape().contains(QStringLiteral("НУЛЬОВИЙ ЧЕК")));
    const kasemu::RegisterState s = emulator().state();
    QVERIFY(!s.receipt.open());
    QCOMPARE(s.day.annulledSale.count, 1U); // the open receipt went first
    QCOMPARE(s.day.sale.receipts, 1U);
    QCOMPARE(s.day.sale.byForm[3], std::int64_t(0));
}

void OperationsTest::commentWithoutReceiptClearsTheBox() {
    open();
    check("autoClose")->setChecked(true);
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(button("sale"));
    QCOMPARE(label("thirdCaption")->text(), QStringLiteral("Сдача:"));
    check("autoClose")->setChecked(false);

    type(field("comment"), QStringLiteral("Спасибо за покупку!"));
    click(button("commentButton"));
    QVERIFY(label("costValue")->text().isEmpty());
    QVERIFY(label("sumValue")->text().isEmpty());
    QVERIFY(label("thirdCaption")->text().isEmpty());
    QVERIFY(label("thirdValue")->text().isEmpty());
    QVERIFY(noMessage());
    QCOMPARE(QString::fromStdString(emulator().tape().back()),
             QStringLiteral("Спасибо за покупку!"));
}

void OperationsTest::commentInAnOpenReceipt() {
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(button("sale"));
    // An empty comment is sent as it is; the open receipt keeps the box.
    field("comment")->clear();
    click(button("commentButton"));
    QCOMPARE(label("sumValue")->text(), money(QStringLiteral("12#00")));
    QCOMPARE(emulator().state().receipt.lines.size(), std::size_t(2));
    QCOMPARE(QString::fromStdString(emulator().tape().back()), QString());

    // With automatic closing the comment closes the receipt.
    check("autoClose")->setChecked(true);
    type(field("comment"), QStringLiteral("До встречи"));
    click(button("commentButton"));
    QCOMPARE(label("thirdCaption")->text(), QStringLiteral("Сдача:"));
    QVERIFY(!emulator().state().receipt.open());
    QCOMPARE(emulator().state().day.sale.receipts, 1U);
    QVERIFY(noMessage());
}

void OperationsTest::cancelReceipt() {
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(button("sale"));
    choose(list("discountType"), 0);
    type(field("percent"), QStringLiteral("5"));
    click(button("discountButton"));
    QCOMPARE(label("thirdCaption")->text(), QStringLiteral("Скидка:"));

    click(button("cancelReceipt"));
    const MessageRequest box = takeMessage();
    QCOMPARE(box.text, QStringLiteral("Фактура чека анулирована!"));
    QCOMPARE(box.title, QStringLiteral("Информация"));
    QCOMPARE(box.icon, MessageIcon::Information);
    QCOMPARE(box.buttons, static_cast<unsigned>(MessageButton::Ok));
    QCOMPARE(box.owner, &form());
    QVERIFY(label("costValue")->text().isEmpty());
    QVERIFY(label("sumValue")->text().isEmpty());
    QVERIFY(label("thirdCaption")->text().isEmpty());
    QVERIFY(label("thirdValue")->text().isEmpty());
    QVERIFY(tape().contains(QStringLiteral("ЧЕК АННУЛИРОВАН")));
    const kasemu::RegisterState s = emulator().state();
    QVERIFY(!s.receipt.open());
    QCOMPARE(s.day.annulledSale.count, 1U);
    QCOMPARE(s.day.annulledSale.sum, std::int64_t(1140));
    QCOMPARE(s.day.sale.receipts, 0U);
}

void OperationsTest::barCodes() {
    open();
    type(field("ean13"), QStringLiteral("4006381333931"));
    click(button("ean13Button"));
    QVERIFY(tape().contains(QStringLiteral("[EAN-13] 4006381333931")));
    // A shorter number is padded by the driver.
    type(field("ean13"), QStringLiteral("12345670"));
    click(button("ean13Button"));
    QVERIFY(tape().contains(QStringLiteral("[EAN-13] 0000012345670")));
    type(field("code128"), QStringLiteral("KAS-2024/A"));
    click(button("code128Button"));
    QVERIFY(tape().contains(QStringLiteral("[CODE-128] KAS-2024/A")));
    QVERIFY(noMessage());

    // An empty EAN-13 field does nothing at all.
    field("ean13")->clear();
    const std::uint64_t before = bytesReceived();
    click(button("ean13Button"));
    QCOMPARE(bytesReceived(), before);
    QVERIFY(noMessage());

    // A wrong check digit is the driver's refusal.
    type(field("ean13"), QStringLiteral("4006381333932"));
    click(button("ean13Button"));
    const MessageRequest box = takeMessage();
    QCOMPARE(box.text, QStringLiteral("Ошибка в контрольном разряде штрих-кода EAN-13!"));
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
}

// ---------------------------------------------------------------------------
// Field rules

void OperationsTest::inputErrors_data() {
    // Each refusal of the page's rules once, shown before any driver call.
    QTest::addColumn<QString>("button"); // objectNames without "operations."
    QTest::addColumn<QString>("edit");   // the field emptied or filled
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    for (const char* edit : {"code", "name", "quantity", "price"}) {
        QTest::addRow("sale, empty %s", edit) << "sale" << edit << "" << kEmptySaleFields;
        QTest::addRow("return, empty %s", edit) << "return" << edit << "" << kEmptySaleFields;
        QTest::addRow("cancel, empty %s", edit)
            << "cancelPosition" << edit << "" << kEmptyCancelFields;
    }
    const auto row = [](const char* name, const char* button, const char* edit, const QString& text,
                        const QString& message) {
        QTest::newRow(name) << button << edit << text << message;
    };
    const QString badAmount = QStringLiteral("Введите сумму в гривнах!");
    row("sale, code not a number", "sale", "code", "12a",
        QStringLiteral("Код товара задан неверно!"));
    row("cancel, code not a number", "cancelPosition", "code", "x",
        QStringLiteral("Код товара задан неверно!"));
    row("sale, quantity not a number", "sale", "quantity", "abc",
        QStringLiteral("Неправильный формат количества!"));
    row("return, price not a number", "return", "price", "дорого",
        QStringLiteral("Введите цену в гривнах!"));
    row("pay, nothing from the client", "pay", "fromClient", "",
        QStringLiteral("Введите сумму принятую от клиента!"));
    row("pay, negative", "pay", "fromClient", "-5", badAmount);
    row("cash-in, empty", "cashInButton", "cashIn", "",
        QStringLiteral("Введите сумму для служебного внесения!"));
    row("cash-in, above the maximum", "cashInButton", "cashIn", "4294967296",
        QStringLiteral("Максимальная сумма служебного внесения составляет 42949672.95 грн!"));
    row("cash-out, empty", "cashOutButton", "cashOut", "",
        QStringLiteral("Введите сумму для служебного изъятия!"));
    row("cash-out, negative", "cashOutButton", "cashOut", "-5", badAmount);
    row("cash-out, above the maximum", "cashOutButton", "cashOut", "4294967296",
        QStringLiteral("Максимальная сумма служебного изъятия составляет 42949672.95 грн!"));
    row("discount, no percent", "discountButton", "percent", "",
        QStringLiteral("Значение процентной скидки должно от 0%..100%!"));
}

void OperationsTest::inputErrors() {
    QFETCH(QString, button);
    QFETCH(QString, edit);
    QFETCH(QString, text);
    QFETCH(QString, message);
    open();
    QLineEdit* typed = field(edit.toLatin1().constData());
    type(typed, text);
    const std::uint64_t framesBefore = emulator().counters().framesReceived;
    click(this->button(button.toLatin1().constData()));
    const MessageRequest box = takeMessage();
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QCOMPARE(box.buttons, static_cast<unsigned>(MessageButton::Ok));
    QCOMPARE(box.owner, &form());
    QCOMPARE(typed->text(), text); // kept as typed
    QVERIFY(label("thirdCaption")->text().isEmpty());
    // Only "Отмена поз." asks the register for its receipt before it reads the fields.
    QCOMPARE(emulator().counters().framesReceived - framesBefore,
             std::uint64_t(button == QStringLiteral("cancelPosition") ? 1 : 0));
    const kasemu::RegisterState s = emulator().state();
    QVERIFY(!s.receipt.open());
    QCOMPARE(s.documents, 0U);
}

// ---------------------------------------------------------------------------
// Refusals and paper

void OperationsTest::registerRefusals() {
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(button("sale"));
    const QString cost = label("costValue")->text();
    const QString sum = label("sumValue")->text();

    // A return line in an open sale receipt.
    click(button("return"));
    expectDriverError(takeMessage(), 38);
    QCOMPARE(label("costValue")->text(), cost);
    QCOMPARE(label("sumValue")->text(), sum);

    // A discount larger than the line: the box stays as it was.
    choose(list("discountType"), 1);
    type(field("discountSum"), withSeparator(QStringLiteral("13#00")));
    click(button("discountButton"));
    expectDriverError(takeMessage(), 27);
    QCOMPARE(label("sumValue")->text(), sum);
    QVERIFY(label("thirdCaption")->text().isEmpty());

    // Change cannot be given by card.
    choose(list("paymentForm"), 0);
    type(field("fromClient"), withSeparator(QStringLiteral("20#00")));
    click(button("pay"));
    expectDriverError(takeMessage(), 43);
    QVERIFY(label("thirdCaption")->text().isEmpty());

    // A service cash-in with a receipt open.
    type(field("cashIn"), QStringLiteral("100"));
    click(button("cashInButton"));
    expectDriverError(takeMessage(), 44);
    QCOMPARE(emulator().state().day.deposits, std::int64_t(0));

    click(button("cancelReceipt"));
    QCOMPARE(takeMessage().text, QStringLiteral("Фактура чека анулирована!"));

    // Paying with no receipt open.
    choose(list("paymentForm"), 3);
    click(button("pay"));
    expectDriverError(takeMessage(), 39);
    click(button("closeReceipt"));
    expectDriverError(takeMessage(), 39);

    // More cash out than the drawer holds.
    type(field("cashOut"), QStringLiteral("100"));
    click(button("cashOutButton"));
    expectDriverError(takeMessage(), 35);

    // A status query that is not answered stops "Отмена поз." and "Комментарий" there.
    emulator().inject(*kasemu::parseFault("ignore*10"));
    click(button("commentButton"));
    const MessageRequest timeout = takeMessage();
    QCOMPARE(timeout.text, form().DriverErrorText());
    QVERIFY(
        timeout.text.startsWith(QStringLiteral("Превышено время ожидания ответа от принтера!")));
    QCOMPARE(timeout.title, QStringLiteral("Ошибка!"));
    emulator().clearFaults();
    QVERIFY(!emulator().state().receipt.open());
}

void OperationsTest::fiscalVerdictBox_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("verdict"); // "#" for the decimal separator
    QTest::newRow("answered: no box") << QString() << QString();
    // Every attempt is carried out and its answer dropped.
    QTest::newRow("answers lost") << QStringLiteral("drop@0x12*3")
                                  << QStringLiteral("\r\n\r\nПродажа выполнена 3 раза, ответ не "
                                                    "получен.\r\nДля исправления: 2 отмены позиции "
                                                    "по цене -12#00 грн.");
}

void OperationsTest::fiscalVerdictBox() {
    QFETCH(QString, fault);
    QFETCH(QString, verdict);
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(button("sale")); // the second line goes onto a receipt the console follows
    if (!fault.isEmpty()) {
        emulator().inject(*kasemu::parseFault(fault.toStdString()));
    }
    click(button("sale"));
    emulator().clearFaults();
    QCOMPARE(emulator().state().receipt.lines.size(), std::size_t(fault.isEmpty() ? 2 : 4));
    QCOMPARE(label("sumValue")->text(),
             money(fault.isEmpty() ? QStringLiteral("24#00") : QStringLiteral("12#00")));
    if (verdict.isEmpty()) {
        QVERIFY(noMessage());
        return;
    }
    // The driver's text as before, the verdict below it.
    const QString text = takeMessage().text;
    QVERIFY2(text.startsWith(QStringLiteral("Превышено время ожидания ответа от принтера!")) &&
                 text.endsWith(withSeparator(verdict)),
             qPrintable(text));
}

void OperationsTest::discountTypedByHand() {
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(button("sale"));
    choose(list("discountType"), 1);
    type(field("discountSum"), withSeparator(QStringLiteral("1#00")));
    QComboBox* typeBox = list("discountType");
    typeBox->lineEdit()->selectAll();
    type(typeBox->lineEdit(), QStringLiteral("по-своему"));
    QCOMPARE(page()->discountType(), -1);
    const std::uint64_t before = bytesReceived();
    click(button("discountButton"));
    // The absolute branch read the sum; the driver refused the type before sending.
    const MessageRequest box = takeMessage();
    QCOMPARE(box.text, form().DriverErrorText());
    QVERIFY2(box.text.startsWith(QStringLiteral("Неправильный тип скидки!")), qPrintable(box.text));
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(bytesReceived(), before);
}

void OperationsTest::paperChecks_data() {
    QTest::addColumn<int>("model");
    QTest::addRow("RX-410F") << 0;
    QTest::addRow("RX-520L") << 1;
}

void OperationsTest::paperChecks() {
    // The receipt tape runs low; the console warns after the actions that print,
    // on the register that has the sensors.
    QFETCH(int, model);
    open(model == 0 ? kasemu::ModelKind::Rx410f : kasemu::ModelKind::Rx520l);
    emulator().setPaperSensors(kasemu::paper::ReceiptLow);
    const bool sensors = model == 0;
    const QString low = QStringLiteral("Заканчивается чековая лента!");
    const auto lowPaper = [&](const MessageRequest& box) {
        return box.text == low && box.title == QStringLiteral("Внимание!") &&
               box.icon == MessageIcon::Warning && box.owner == nullptr;
    };
    const auto expectWarning = [&](bool expected) {
        if (!sensors || !expected) {
            QVERIFY(noMessage());
            return;
        }
        QVERIFY(lowPaper(takeMessage()));
    };

    type(field("cashIn"), QStringLiteral("10000"));
    click(button("cashInButton"));
    expectWarning(true);
    type(field("cashOut"), QStringLiteral("100"));
    click(button("cashOutButton"));
    expectWarning(true);

    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("2"),
            QStringLiteral("12#00"));
    click(button("sale"));
    expectWarning(false);
    click(button("cancelPosition")); // a whole line cancelled: the receipt stays open
    expectWarning(false);
    click(button("sale"));
    expectWarning(false);
    type(field("comment"), QStringLiteral("Комментарий"));
    click(button("commentButton"));
    expectWarning(false);
    choose(list("discountType"), 0);
    type(field("percent"), QStringLiteral("10"));
    click(button("discountButton"));
    expectWarning(false);
    type(field("fromClient"), withSeparator(QStringLiteral("1#00")));
    click(button("pay"));
    expectWarning(true);
    click(button("closeReceipt"));
    expectWarning(true);
    QCOMPARE(label("thirdCaption")->text(), QStringLiteral("Сдача:"));

    click(button("zeroReceipt"));
    expectWarning(true);
    click(button("sale"));
    expectWarning(false);
    click(button("cancelReceipt"));
    const std::vector<MessageRequest> shown = w_->takeMessages();
    QCOMPARE(shown.size(), std::size_t(sensors ? 2 : 1)); // the confirmation first, then the paper
    QCOMPARE(shown.front().text, QStringLiteral("Фактура чека анулирована!"));
    QVERIFY(!sensors || lowPaper(shown.back()));

    if (sensors) {
        type(field("ean13"), QStringLiteral("4006381333931"));
        click(button("ean13Button"));
        expectWarning(true);
        type(field("code128"), QStringLiteral("ABC"));
        click(button("code128Button"));
        expectWarning(false);
    }
}

// ---------------------------------------------------------------------------
// The picture

void OperationsTest::screenshotAndCaptionsFit() {
    const LocaleScope locale(commaLocale());
    open();
    article(QStringLiteral("4820000000001"), QStringLiteral("Товар №1"), QStringLiteral("1#000"),
            QStringLiteral("1234#56"));
    click(button("sale"));
    choose(list("discountType"), 2);
    type(field("percent"), QStringLiteral("10"));
    click(button("discountButton"));
    QVERIFY(noMessage());

    const QImage picture = form().grab().toImage();
    QCOMPARE(picture.size(), QSize(514, 540));
    QVERIFY(picture.save(QDir(QStringLiteral(KASMON_TEST_OUTPUT_DIR))
                             .filePath(QStringLiteral("screen-operations.png"))));

    // Every control lies inside its group and every group inside the page.
    const QRect pageArea = page()->rect();
    for (const QGroupBox* group : page()->findChildren<QGroupBox*>()) {
        QVERIFY2(pageArea.contains(group->geometry()), qPrintable(group->title()));
        QVERIFY2(group->fontMetrics().horizontalAdvance(group->title()) + 12 <= group->width(),
                 qPrintable(group->title()));
        for (const QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(group->rect().adjusted(2, 14, -2, -2).contains(child->geometry()),
                     qPrintable(group->title()));
        }
    }
    // Every caption fits its control.
    for (const QLabel* l : page()->findChildren<QLabel*>()) {
        QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(),
                 qPrintable(l->text()));
    }
    for (const QAbstractButton* b : page()->findChildren<QAbstractButton*>()) {
        const int indicator = qobject_cast<const QCheckBox*>(b) != nullptr ? 22 : 8;
        QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + indicator <= b->width(),
                 qPrintable(b->text()));
    }
    // The longest amounts the box shows fit beside their captions.
    QLabel* value = label("thirdValue");
    QVERIFY(value->fontMetrics().horizontalAdvance(
                LocaleFormat::current().formatMoney(-2147483647)) <= value->width());
    QVERIFY(value->fontMetrics().horizontalAdvance(
                LocaleFormat::current().formatMoney(4294967295LL)) <= value->width());
}

QTEST_MAIN(OperationsTest)
#include "tst_operations.moc"
