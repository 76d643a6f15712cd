// The "Операции" page against the real driver and a register emulator on a
// pseudo-terminal. What reached the register is read back from the emulator:
// its paper tape, its day counters, its open receipt and the frames it saw.
#include "ConsoleTestSupport.h"
#include "Unit1.h"
#include "pages/ConnectionPage.h"
#include "pages/OperationsPage.h"

#include <kasdrv.h>
#include <kasemu/Emulator.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

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
    void init();
    void cleanup();

    void startTexts_data();
    void startTexts();
    void controlsPerState();
    void discountTypeSwitchesTheFields();
    void barCodeControlsFollowTheModel();

    void saleReceipt();
    void returnReceipt();
    void automaticClosing();
    void automaticClosingRefused();
    void markUpOnTheLastLine();
    void zeroReceipt();
    void commentWithoutReceiptClearsTheBox();
    void commentInAnOpenReceipt();
    void cancelReceipt();
    void barCodes();

    void quantityRule_data();
    void quantityRule();
    void priceRule_data();
    void priceRule();
    void paymentAmount_data();
    void paymentAmount();
    void cashRule_data();
    void cashRule();
    void discountValues_data();
    void discountValues();
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

    void click(QPushButton* button);
    static void type(QLineEdit* edit, const QString& text);
    static void typeKeys(QWidget* widget, const QString& text);
    // Fills the article fields of the sale group.
    void article(const QString& code, const QString& name, const QString& quantity,
                 const QString& price, int group = 0);
    static void choose(QComboBox* box, int index);

    QString tape() const;
    std::uint64_t bytesReceived() const { return emulator_->counters().bytesReceived; }
    // The one message shown since the last call; fails the test when there is not exactly one.
    MessageRequest takeMessage();
    // The standard failure report of the driver's last error.
    void expectDriverError(const MessageRequest& box, int result);

    std::unique_ptr<RecordingDialogs> dialogs_;
    std::unique_ptr<DevicesDirectory> devices_;
    std::shared_ptr<FrameLog> frames_;
    std::unique_ptr<kasemu::Emulator> emulator_;
    std::unique_ptr<TForm1> form_;
    OperationsPage* page_ = nullptr;
    std::size_t seenMessages_ = 0;
};

void OperationsTest::init() {
    dialogs_ = std::make_unique<RecordingDialogs>();
    devices_ = std::make_unique<DevicesDirectory>();
    seenMessages_ = 0;
}

void OperationsTest::cleanup() {
    form_.reset();
    page_ = nullptr;
    closeDriverPort();
    emulator_.reset();
    frames_.reset();
    devices_.reset();
    dialogs_.reset();
}

void OperationsTest::open(kasemu::ModelKind model, bool service) {
    frames_ = std::make_shared<FrameLog>();
    kasemu::EmulatorOptions options;
    options.model = model;
    options.linkPath = QFile::encodeName(devices_->portPath(1)).toStdString();
    options.linesPerSecond = 0;
    options.trace = true;
    options.traceSink = [log = frames_](const std::string& line) { log->add(line); };
    emulator_ = std::make_unique<kasemu::Emulator>(options);

    form_ = showMainWindow(service ? QStringList{QStringLiteral("-tech")} : QStringList{});
    QVERIFY(form_);
    page_ = dynamic_cast<OperationsPage*>(form_->pages().at(1));
    QVERIFY(page_ != nullptr);
    if (!service) {
        dialogs_->onModal = pressCancel();
    }
    QTest::mouseClick(form_->connectionPage()->connectButton(), Qt::LeftButton);
    QVERIFY(form_->state().Connected);
    QCOMPARE(form_->state().ServiceMode, service);
    form_->pageControl()->setCurrentWidget(page_);
    seenMessages_ = dialogs_->messages.size(); // the cashier notice
}

void OperationsTest::click(QPushButton* button) {
    QVERIFY(button->isVisible());
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

void OperationsTest::type(QLineEdit* edit, const QString& text) {
    edit->clear();
    typeKeys(edit, text);
}

void OperationsTest::typeKeys(QWidget* widget, const QString& text) {
    // One key a character, Cyrillic included.
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void OperationsTest::article(const QString& code, const QString& name, const QString& quantity,
                             const QString& price, int group) {
    type(page_->codeEdit(), code);
    type(page_->nameEdit(), name);
    type(page_->quantityEdit(), withSeparator(quantity));
    type(page_->priceEdit(), withSeparator(price));
    choose(page_->taxBox(), group);
}

void OperationsTest::choose(QComboBox* box, int index) {
    // As the user picks an item: the list's own change signal.
    box->setCurrentIndex(index);
    emit box->activated(index);
}

QString OperationsTest::tape() const {
    QStringList lines;
    for (const std::string& line : emulator_->tape()) {
        lines << QString::fromStdString(line);
    }
    return lines.join(QLatin1Char('\n'));
}

MessageRequest OperationsTest::takeMessage() {
    const std::size_t count = dialogs_->messages.size();
    if (count != seenMessages_ + 1) {
        QString texts;
        for (std::size_t i = seenMessages_; i < count; ++i) {
            texts += QStringLiteral(" [") + dialogs_->messages[i].text + QLatin1Char(']');
        }
        QTest::qFail(qPrintable(QStringLiteral("expected one new message, got %1:%2")
                                    .arg(count - seenMessages_)
                                    .arg(texts)),
                     __FILE__, __LINE__);
        seenMessages_ = count;
        return {};
    }
    seenMessages_ = count;
    return dialogs_->messages.back();
}

void OperationsTest::expectDriverError(const MessageRequest& box, int result) {
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QCOMPARE(box.buttons, static_cast<unsigned>(MessageButton::Ok));
    QCOMPARE(box.owner, form_.get());
    // The driver still holds the error that was shown, unless a fiscal command
    // read the register's state after it: then no verdict follows a refusal.
    if (!form_->DriverErrorText().isEmpty()) {
        QCOMPARE(box.text, form_->DriverErrorText());
    }
    QVERIFY2(!box.text.contains(QStringLiteral("\r\n\r\n")), qPrintable(box.text));
    const QString codes = QStringLiteral("\r\nБайт результата: %1").arg(result);
    QVERIFY2(box.text.endsWith(codes), qPrintable(box.text));
    QVERIFY(box.text.size() > codes.size());
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
    TForm1 form;
    auto* page = dynamic_cast<OperationsPage*>(form.pages().at(1));
    QVERIFY(page != nullptr);
    QCOMPARE(form.pageControl()->tabText(1), QStringLiteral("Операции"));
    const QString zero = comma ? QStringLiteral("0,00") : QStringLiteral("0.00");

    QCOMPARE(page->saleGroup()->title(), QStringLiteral(" Регистрация продажи/выплаты: "));
    QCOMPARE(page->discountGroup()->title(), QStringLiteral(" Скидки / наценки: "));
    QCOMPARE(page->operationsGroup()->title(), QStringLiteral(" Операции: "));
    QCOMPARE(page->commentsGroup()->title(), QStringLiteral(" Комментарии и штрих-коды: "));
    QCOMPARE(page->receiptInfoGroup()->title(), QStringLiteral(" Информация по чеку: "));
    QCOMPARE(page->optionsGroup()->title(), QStringLiteral(" Опции печати: "));
    QCOMPARE(page->serviceGroup()->title(), QStringLiteral(" Служебные операции: "));

    // Captions of the fields, group by group.
    const auto captions = [](const QGroupBox* group) {
        QStringList texts;
        for (const QLabel* l : group->findChildren<QLabel*>()) {
            texts << l->text();
        }
        return texts;
    };
    QCOMPARE(captions(page->saleGroup()),
             (QStringList{QStringLiteral("Код:"), QStringLiteral("Наименование:"),
                          QStringLiteral("Налог:"), QStringLiteral("Количество:"),
                          QStringLiteral("Цена (грн.):")}));
    QCOMPARE(
        captions(page->discountGroup()),
        (QStringList{QStringLiteral("Тип скидки / наценки:"), QStringLiteral("Процент (%):"),
                     QStringLiteral("Сумма (грн.):"), QStringLiteral("Пояснительная строка: ")}));
    QCOMPARE(captions(page->operationsGroup()),
             (QStringList{QStringLiteral("Форма оплаты:"), QStringLiteral("От клиента (грн.):")}));
    QCOMPARE(captions(page->serviceGroup()),
             (QStringList{QStringLiteral("Сумма (грн.):"), QStringLiteral("Сумма (грн.):")}));

    // Kinds, limits and start texts.
    const struct {
        QLineEdit* edit;
        int maxLength;
        QString text;
    } edits[] = {
        {page->codeEdit(), 15, QStringLiteral("1")},
        {page->nameEdit(), 50, QStringLiteral("Товар №1")},
        {page->quantityEdit(), 10, comma ? QStringLiteral("1,000") : QStringLiteral("1.000")},
        {page->priceEdit(), 10, zero},
        {page->percentEdit(), QLineEdit().maxLength(), QString()},
        {page->discountTextEdit(), 25, QString()},
        {page->discountSumEdit(), QLineEdit().maxLength(), zero},
        {page->fromClientEdit(), 11, zero},
        {page->commentEdit(), 27, QString()},
        {page->ean13Edit(), 13, QString()},
        {page->code128Edit(), 16, QString()},
        {page->cashInEdit(), 11, zero},
        {page->cashOutEdit(), 11, zero},
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
    QCOMPARE(items(page->taxBox()),
             (QStringList{QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В"),
                          QStringLiteral("Г"), QStringLiteral("Д"), QStringLiteral("Е")}));
    QCOMPARE(page->taxBox()->currentIndex(), 0);
    QVERIFY(!page->taxBox()->isEditable());
    QCOMPARE(items(page->discountTypeBox()), (QStringList{QStringLiteral("% на последний товар"),
                                                          QStringLiteral("абс. на последний товар"),
                                                          QStringLiteral("% на пром. сумму"),
                                                          QStringLiteral("абс на пром. сумму")}));
    QCOMPARE(page->discountTypeBox()->currentIndex(), 0);
    QVERIFY(page->discountTypeBox()->isEditable());
    QCOMPARE(page->discountType(), 0);
    QCOMPARE(items(page->discountKindBox()),
             (QStringList{QStringLiteral("Скидка"), QStringLiteral("Наценка")}));
    QCOMPARE(page->discountKindBox()->currentIndex(), 0);
    QVERIFY(!page->discountKindBox()->isEditable());
    QCOMPARE(items(page->paymentFormBox()),
             (QStringList{QStringLiteral("карточка"), QStringLiteral("кредит"),
                          QStringLiteral("чек"), QStringLiteral("наличные")}));
    QCOMPARE(page->paymentFormBox()->currentText(), QStringLiteral("наличные"));
    QVERIFY(!page->paymentFormBox()->isEditable());

    const struct {
        QPushButton* button;
        QString text;
    } buttons[] = {
        {page->payButton(), QStringLiteral("Оплатить")},
        {page->zeroReceiptButton(), QStringLiteral("Нулевой чек")},
        {page->saleButton(), QStringLiteral("Продажа")},
        {page->returnButton(), QStringLiteral("Возврат")},
        {page->closeReceiptButton(), QStringLiteral("Закрыть чек")},
        {page->cancelPositionButton(), QStringLiteral("Отмена поз.")},
        {page->cancelReceiptButton(), QStringLiteral("Отмена чека")},
        {page->discountButton(), QStringLiteral("Скидка/Наценка")},
        {page->commentButton(), QStringLiteral("Комментарий")},
        {page->ean13Button(), QStringLiteral("EAN 13")},
        {page->code128Button(), QStringLiteral("CODE 128")},
        {page->cashInButton(), QStringLiteral("Внесение")},
        {page->cashOutButton(), QStringLiteral("Изъятие")},
    };
    for (const auto& b : buttons) {
        QCOMPARE(b.button->text(), b.text);
        QCOMPARE(b.button->font().bold(), b.button == page->payButton());
    }

    const struct {
        QCheckBox* box;
        QString text;
    } boxes[] = {
        {page->unitQuantityBox(), QStringLiteral("Брать единичное количество")},
        {page->nameFromRegisterBox(), QStringLiteral("Наименование брать из ЭККР")},
        {page->autoCloseBox(), QStringLiteral("Автоматически закрыть чек")},
        {page->nonFiscalCopyBox(), QStringLiteral("Печатать не фискальный чек")},
        {page->printBarcodeBox(), QStringLiteral("Печатать штрих-код товара")},
    };
    for (const auto& b : boxes) {
        QCOMPARE(b.box->text(), b.text);
        QVERIFY(!b.box->isChecked());
    }

    // The receipt-information box: two fixed captions, a third one the page sets,
    // all values empty; bold 13-pixel text.
    QStringList infoTexts;
    for (const QLabel* l : page->receiptInfoGroup()->findChildren<QLabel*>()) {
        infoTexts << l->text();
        QVERIFY(l->font().bold());
        QCOMPARE(l->font().pixelSize(), 13);
    }
    QCOMPARE(infoTexts,
             (QStringList{QStringLiteral("Стоимость:"), QString(), QStringLiteral("Сумма по чеку:"),
                          QString(), QString(), QString()}));
    QVERIFY(page->costValue()->text().isEmpty());
    QVERIFY(page->sumValue()->text().isEmpty());
    QVERIFY(page->thirdCaption()->text().isEmpty());
    QVERIFY(page->thirdValue()->text().isEmpty());
}

void OperationsTest::controlsPerState() {
    // Every control the connection state governs, with what it is in Service and
    // in Cashier (the discount type is at "% на последний товар").
    struct Expected {
        QWidget* widget;
        bool service, cashier;
    };
    const auto expected = [this] {
        OperationsPage* p = page_;
        return std::vector<Expected>{
            {p->codeEdit(), true, false},
            {p->nameEdit(), true, false},
            {p->quantityEdit(), true, false},
            {p->priceEdit(), true, false},
            {p->taxBox(), true, false},
            {p->discountTypeBox(), true, false},
            {p->discountKindBox(), true, false},
            {p->discountTextEdit(), true, false},
            {p->discountButton(), true, false},
            {p->percentEdit(), true, false},
            {p->discountSumEdit(), false, false},
            {p->unitQuantityBox(), true, false},
            {p->nameFromRegisterBox(), true, false},
            {p->autoCloseBox(), true, false},
            {p->nonFiscalCopyBox(), true, false},
            {p->printBarcodeBox(), true, false},
            {p->payButton(), true, false},
            {p->zeroReceiptButton(), true, false},
            {p->saleButton(), true, false},
            {p->returnButton(), true, false},
            {p->closeReceiptButton(), true, false},
            {p->cancelPositionButton(), true, false},
            {p->cancelReceiptButton(), true, false},
            {p->fromClientEdit(), true, false},
            {p->paymentFormBox(), true, false},
            {p->commentEdit(), true, false},
            {p->commentButton(), true, false},
            {p->ean13Edit(), true, false},
            {p->ean13Button(), true, false},
            {p->code128Edit(), true, false},
            {p->code128Button(), true, false},
            {p->cashInEdit(), true, true},
            {p->cashInButton(), true, true},
            {p->cashOutEdit(), true, true},
            {p->cashOutButton(), true, true},
        };
    };

    // Before any link: the design state is the Closed column.
    open(kasemu::ModelKind::Rx410f, false);
    QTest::mouseClick(form_->connectionPage()->disconnectButton(), Qt::LeftButton);
    QVERIFY(!form_->state().Connected);
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
    for (const auto& entry : form_->controls().entries()) {
        rows += entry.page == QStringLiteral("Операции") ? 1 : 0;
    }
    QCOMPARE(rows, int(expected().size()));
    for (const Expected& e : expected()) {
        QVERIFY(form_->controls().rowOf(e.widget) != nullptr);
    }
    // Every control of the page that takes input has its row (the edit inside the
    // editable type list belongs to the list).
    for (const QWidget* w : page_->findChildren<QWidget*>()) {
        const bool input = qobject_cast<const QAbstractButton*>(w) != nullptr ||
                           qobject_cast<const QComboBox*>(w) != nullptr ||
                           (qobject_cast<const QLineEdit*>(w) != nullptr &&
                            qobject_cast<const QComboBox*>(w->parentWidget()) == nullptr);
        if (input) {
            QVERIFY(form_->controls().rowOf(w) != nullptr);
        }
    }

    // Cashier: only the service cash operations.
    dialogs_->onModal = pressCancel();
    QTest::mouseClick(form_->connectionPage()->connectButton(), Qt::LeftButton);
    QVERIFY(form_->state().Connected);
    QVERIFY(!form_->state().ServiceMode);
    for (const Expected& e : expected()) {
        QCOMPARE(e.widget->isEnabled(), e.cashier);
    }
    QTest::mouseClick(form_->connectionPage()->disconnectButton(), Qt::LeftButton);
    for (const Expected& e : expected()) {
        QVERIFY(!e.widget->isEnabled());
    }

    // Service.
    dialogs_->onModal = typePasswordAndOk(QStringLiteral("vetrolina"));
    QTest::mouseClick(form_->connectionPage()->connectButton(), Qt::LeftButton);
    QVERIFY(form_->state().ServiceMode);
    for (const Expected& e : expected()) {
        QCOMPARE(e.widget->isEnabled(), e.service);
    }

    // Service again with an absolute type chosen: the sum field instead of the percent.
    QTest::mouseClick(form_->connectionPage()->disconnectButton(), Qt::LeftButton);
    page_->discountTypeBox()->setCurrentIndex(3);
    QTest::mouseClick(form_->connectionPage()->connectButton(), Qt::LeftButton);
    QVERIFY(form_->state().ServiceMode);
    QVERIFY(!page_->percentEdit()->isEnabled());
    QVERIFY(page_->discountSumEdit()->isEnabled());
    QVERIFY(page_->discountButton()->isEnabled());
}

void OperationsTest::discountTypeSwitchesTheFields() {
    open();
    QComboBox* typeBox = page_->discountTypeBox();
    QVERIFY(page_->percentEdit()->isEnabled());
    QVERIFY(!page_->discountSumEdit()->isEnabled());

    // Keys pick the items one by one, as the user does.
    typeBox->setFocus();
    QTest::keyClick(typeBox, Qt::Key_Down);
    QCOMPARE(page_->discountType(), 1);
    QVERIFY(!page_->percentEdit()->isEnabled());
    QVERIFY(page_->discountSumEdit()->isEnabled());
    QTest::keyClick(typeBox, Qt::Key_Down);
    QCOMPARE(page_->discountType(), 2);
    QVERIFY(page_->percentEdit()->isEnabled());
    QVERIFY(!page_->discountSumEdit()->isEnabled());
    QTest::keyClick(typeBox, Qt::Key_Down);
    QCOMPARE(page_->discountType(), 3);
    QVERIFY(!page_->percentEdit()->isEnabled());
    QVERIFY(page_->discountSumEdit()->isEnabled());

    // A text typed into the list selects no item and changes nothing.
    typeKeys(typeBox->lineEdit(), QStringLiteral("x"));
    QCOMPARE(page_->discountType(), -1);
    QVERIFY(!page_->percentEdit()->isEnabled());
    QVERIFY(page_->discountSumEdit()->isEnabled());
    choose(typeBox, 0);
    QCOMPARE(page_->discountType(), 0);
    QVERIFY(page_->percentEdit()->isEnabled());
    QVERIFY(!page_->discountSumEdit()->isEnabled());
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));
}

void OperationsTest::barCodeControlsFollowTheModel() {
    open(kasemu::ModelKind::Rx520l);
    QVERIFY(page_->printBarcodeBox()->isHidden());
    QVERIFY(page_->ean13Edit()->isHidden());
    QVERIFY(page_->ean13Button()->isHidden());
    QVERIFY(page_->code128Edit()->isHidden());
    QVERIFY(page_->code128Button()->isHidden());
    QVERIFY(!page_->commentEdit()->isHidden());
    QVERIFY(!page_->commentButton()->isHidden());
    QVERIFY(page_->commentButton()->isEnabled());

    // Back on an RX-410F they are shown; a check box hidden on the RX-520L was unchecked.
    page_->printBarcodeBox()->setChecked(true);
    QTest::mouseClick(form_->connectionPage()->disconnectButton(), Qt::LeftButton);
    emulator_.reset();
    emulator_ = startRegister(*devices_, 1, kasemu::ModelKind::Rx520l);
    QTest::mouseClick(form_->connectionPage()->connectButton(), Qt::LeftButton);
    QVERIFY(page_->printBarcodeBox()->isHidden());
    QVERIFY(!page_->printBarcodeBox()->isChecked());
    QTest::mouseClick(form_->connectionPage()->disconnectButton(), Qt::LeftButton);
    emulator_.reset();
    emulator_ = startRegister(*devices_, 1, kasemu::ModelKind::Rx410f);
    QTest::mouseClick(form_->connectionPage()->connectButton(), Qt::LeftButton);
    QVERIFY(form_->state().Connected);
    for (const QWidget* w : std::initializer_list<const QWidget*>{
             page_->printBarcodeBox(), page_->ean13Edit(), page_->ean13Button(),
             page_->code128Edit(), page_->code128Button()}) {
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
    click(page_->saleButton());
    QCOMPARE(page_->costValue()->text(), money(QStringLiteral("21#00")));
    QCOMPARE(page_->sumValue()->text(), money(QStringLiteral("21#00")));
    QVERIFY(page_->thirdCaption()->text().isEmpty());

    article(QStringLiteral("2"), QStringLiteral("Молоко"), QStringLiteral("1#5"),
            QStringLiteral("20#00"), 5);
    click(page_->saleButton());
    QCOMPARE(page_->costValue()->text(), money(QStringLiteral("30#00")));
    QCOMPARE(page_->sumValue()->text(), money(QStringLiteral("51#00")));

    article(QStringLiteral("3"), QStringLiteral("Сыр"), QStringLiteral("1"),
            QStringLiteral("40#00"));
    click(page_->saleButton());
    QCOMPARE(page_->sumValue()->text(), money(QStringLiteral("91#00")));

    // The cheese goes again: the same line with the price negated, in the sale receipt.
    click(page_->cancelPositionButton());
    QCOMPARE(page_->costValue()->text(), money(QStringLiteral("-40#00")));
    QCOMPARE(page_->sumValue()->text(), money(QStringLiteral("51#00")));
    QVERIFY(frames_->received(QStringLiteral("12 01 00 00 00 A0 0F 00 80 80")));

    // 10 % off the subtotal.
    choose(page_->discountTypeBox(), 2);
    type(page_->percentEdit(), QStringLiteral("10"));
    type(page_->discountTextEdit(), QStringLiteral("Постоянный клиент"));
    click(page_->discountButton());
    QCOMPARE(page_->sumValue()->text(), money(QStringLiteral("45#90")));
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Скидка:"));
    QCOMPARE(page_->thirdValue()->text(), money(QStringLiteral("-5#10")));
    QCOMPARE(page_->costValue()->text(), money(QStringLiteral("-40#00"))); // left as it was

    // Part by card, the rest in cash with change.
    choose(page_->paymentFormBox(), 0);
    type(page_->fromClientEdit(), withSeparator(QStringLiteral("20#00")));
    click(page_->payButton());
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Остаток:"));
    QCOMPARE(page_->thirdValue()->text(), money(QStringLiteral("25#90")));
    choose(page_->paymentFormBox(), 3);
    type(page_->fromClientEdit(), withSeparator(QStringLiteral("50#00")));
    click(page_->payButton());
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Сдача:"));
    QCOMPARE(page_->thirdValue()->text(), money(QStringLiteral("24#10")));

    QCOMPARE(dialogs_->messages.size(), std::size_t(0));
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
    const kasemu::RegisterState s = emulator_->state();
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

void OperationsTest::returnReceipt() {
    const LocaleScope locale(pointLocale());
    open();
    // Cash in the drawer to pay the return out of.
    type(page_->cashInEdit(), QStringLiteral("500.00"));
    click(page_->cashInButton());

    article(QStringLiteral("7"), QStringLiteral("Товар №1"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(page_->returnButton());
    QCOMPARE(page_->costValue()->text(), money(QStringLiteral("12#00")));
    article(QStringLiteral("8"), QStringLiteral("Соль"), QStringLiteral("2"),
            QStringLiteral("3#00"));
    click(page_->returnButton());
    QCOMPARE(page_->sumValue()->text(), money(QStringLiteral("18#00")));
    QVERIFY(emulator_->state().receipt.kind == kasemu::ReceiptKind::Payout);

    // Cancelling in a return receipt goes through the payout command with the price negated.
    click(page_->cancelPositionButton());
    QCOMPARE(page_->costValue()->text(), money(QStringLiteral("-6#00")));
    QCOMPARE(page_->sumValue()->text(), money(QStringLiteral("12#00")));
    QVERIFY2(frames_->received(QStringLiteral("08 02 00 00 00 2C 01 00 80 80")),
             qPrintable(frames_->dump()));
    QVERIFY(!frames_->received(QStringLiteral("12 02 00 00 00 2C 01 00 80 80")));

    click(page_->closeReceiptButton());
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Сдача:"));
    QCOMPARE(page_->thirdValue()->text(), money(QStringLiteral("0#00")));
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));

    const QString printed = tape();
    for (const QString& line :
         {QStringLiteral("СЛУЖЕБНОЕ ВНЕСЕНИЕ"), QStringLiteral("500.00"), QStringLiteral("ВОЗВРАТ"),
          QStringLiteral("Соль"), QStringLiteral("ОТМЕНА"), QStringLiteral("-6.00 А"),
          QStringLiteral("ЧЕК ВОЗВРАТА № 1")}) {
        QVERIFY2(printed.contains(line), qPrintable(line + QStringLiteral("\n") + printed));
    }
    const kasemu::RegisterState s = emulator_->state();
    QCOMPARE(s.day.deposits, std::int64_t(50000));
    QCOMPARE(s.day.payout.receipts, 1U);
    QCOMPARE(s.day.sale.receipts, 0U);
    QCOMPARE(s.day.payout.byForm[3], std::int64_t(1200));
    QCOMPARE(s.day.cancelledPayout.count, 1U);
    QCOMPARE(s.day.cancelledPayout.sum, std::int64_t(600));
    QCOMPARE(s.cashInDrawer, std::int64_t(50000 - 1200));
}

void OperationsTest::automaticClosing() {
    open();
    emulator_->setPaperSensors(kasemu::paper::ReceiptLow);
    page_->autoCloseBox()->setChecked(true);
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(page_->saleButton());

    QCOMPARE(page_->costValue()->text(), money(QStringLiteral("12#00")));
    QCOMPARE(page_->sumValue()->text(), money(QStringLiteral("12#00")));
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Сдача:"));
    QCOMPARE(page_->thirdValue()->text(), money(QStringLiteral("0#00")));
    // The closing printed, so the paper was asked about.
    const MessageRequest box = takeMessage();
    QCOMPARE(box.text, QStringLiteral("Заканчивается чековая лента!"));
    QCOMPARE(box.title, QStringLiteral("Внимание!"));

    const kasemu::RegisterState s = emulator_->state();
    QVERIFY(!s.receipt.open());
    QCOMPARE(s.day.sale.receipts, 1U);
    QCOMPARE(s.day.sale.byForm[3], std::int64_t(1200));
    QVERIFY(tape().contains(QStringLiteral("ЧЕК № 1")));
    // The payment form chosen, the rest paid: 14 03 00 00 00 80 (no copy asked for).
    QVERIFY2(frames_->received(QStringLiteral("14 03 00 00 00 80")), qPrintable(frames_->dump()));

    // With the non-fiscal copy option the copy is printed after the receipt.
    page_->nonFiscalCopyBox()->setChecked(true);
    choose(page_->paymentFormBox(), 3);
    click(page_->saleButton());
    QVERIFY(frames_->received(QStringLiteral("14 43 00 00 00 80")));
    QVERIFY(tape().contains(QStringLiteral("НЕФИСКАЛЬНЫЙ ЧЕК")));
    QCOMPARE(emulator_->state().day.sale.receipts, 2U);
}

void OperationsTest::automaticClosingRefused() {
    // A closing the register refuses comes after the line was registered: cost and sum
    // stay, the receipt stays open.
    // Here a return with an empty drawer: the register cannot pay it out.
    open();
    page_->autoCloseBox()->setChecked(true);
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(page_->returnButton());
    expectDriverError(takeMessage(), 35);
    QCOMPARE(page_->costValue()->text(), money(QStringLiteral("12#00")));
    QCOMPARE(page_->sumValue()->text(), money(QStringLiteral("12#00")));
    QVERIFY(page_->thirdCaption()->text().isEmpty());
    QVERIFY(page_->thirdValue()->text().isEmpty());
    const kasemu::RegisterState s = emulator_->state();
    QVERIFY(s.receipt.kind == kasemu::ReceiptKind::Payout);
    QCOMPARE(s.day.payout.receipts, 0U);
}

void OperationsTest::markUpOnTheLastLine() {
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(page_->saleButton());
    choose(page_->discountTypeBox(), 1);
    type(page_->discountSumEdit(), withSeparator(QStringLiteral("1#50")));
    choose(page_->discountKindBox(), 1);
    click(page_->discountButton());
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Наценка:"));
    QCOMPARE(page_->thirdValue()->text(), money(QStringLiteral("1#50")));
    QCOMPARE(page_->sumValue()->text(), money(QStringLiteral("13#50")));
    // Type 1, the amount 150 without the discount bit, no text.
    QVERIFY(frames_->received(QStringLiteral("23 01 96 00 00 00 00")));
    QVERIFY(tape().contains(QStringLiteral("НАДБАВКА")));
    QCOMPARE(emulator_->state().receipt.markups, std::int64_t(150));
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));
}

void OperationsTest::zeroReceipt() {
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(page_->saleButton());
    QVERIFY(!page_->sumValue()->text().isEmpty());

    click(page_->zeroReceiptButton());
    QVERIFY(page_->costValue()->text().isEmpty());
    QVERIFY(page_->sumValue()->text().isEmpty());
    QVERIFY(page_->thirdCaption()->text().isEmpty());
    QVERIFY(page_->thirdValue()->text().isEmpty());
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));
    QVERIFY(tape().contains(QStringLiteral("НУЛЬОВИЙ ЧЕК")));
    const kasemu::RegisterState s = emulator_->state();
    QVERIFY(!s.receipt.open());
    QCOMPARE(s.day.annulledSale.count, 1U); // the open receipt went first
    QCOMPARE(s.day.sale.receipts, 1U);
    QCOMPARE(s.day.sale.byForm[3], std::int64_t(0));
}

void OperationsTest::commentWithoutReceiptClearsTheBox() {
    open();
    page_->autoCloseBox()->setChecked(true);
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(page_->saleButton());
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Сдача:"));
    page_->autoCloseBox()->setChecked(false);

    type(page_->commentEdit(), QStringLiteral("Спасибо за покупку!"));
    click(page_->commentButton());
    QVERIFY(page_->costValue()->text().isEmpty());
    QVERIFY(page_->sumValue()->text().isEmpty());
    QVERIFY(page_->thirdCaption()->text().isEmpty());
    QVERIFY(page_->thirdValue()->text().isEmpty());
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));
    QCOMPARE(QString::fromStdString(emulator_->tape().back()),
             QStringLiteral("Спасибо за покупку!"));
}

void OperationsTest::commentInAnOpenReceipt() {
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(page_->saleButton());
    // An empty comment is sent as it is; the open receipt keeps the box.
    page_->commentEdit()->clear();
    click(page_->commentButton());
    QCOMPARE(page_->sumValue()->text(), money(QStringLiteral("12#00")));
    QCOMPARE(emulator_->state().receipt.lines.size(), std::size_t(2));
    QCOMPARE(QString::fromStdString(emulator_->tape().back()), QString());

    // With automatic closing the comment closes the receipt.
    page_->autoCloseBox()->setChecked(true);
    type(page_->commentEdit(), QStringLiteral("До встречи"));
    click(page_->commentButton());
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Сдача:"));
    QVERIFY(!emulator_->state().receipt.open());
    QCOMPARE(emulator_->state().day.sale.receipts, 1U);
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));
}

void OperationsTest::cancelReceipt() {
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(page_->saleButton());
    choose(page_->discountTypeBox(), 0);
    type(page_->percentEdit(), QStringLiteral("5"));
    click(page_->discountButton());
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Скидка:"));

    click(page_->cancelReceiptButton());
    const MessageRequest box = takeMessage();
    QCOMPARE(box.text, QStringLiteral("Фактура чека анулирована!"));
    QCOMPARE(box.title, QStringLiteral("Информация"));
    QCOMPARE(box.icon, MessageIcon::Information);
    QCOMPARE(box.buttons, static_cast<unsigned>(MessageButton::Ok));
    QCOMPARE(box.owner, form_.get());
    QVERIFY(page_->costValue()->text().isEmpty());
    QVERIFY(page_->sumValue()->text().isEmpty());
    QVERIFY(page_->thirdCaption()->text().isEmpty());
    QVERIFY(page_->thirdValue()->text().isEmpty());
    QVERIFY(tape().contains(QStringLiteral("ЧЕК АННУЛИРОВАН")));
    const kasemu::RegisterState s = emulator_->state();
    QVERIFY(!s.receipt.open());
    QCOMPARE(s.day.annulledSale.count, 1U);
    QCOMPARE(s.day.annulledSale.sum, std::int64_t(1140));
    QCOMPARE(s.day.sale.receipts, 0U);
}

void OperationsTest::barCodes() {
    open();
    type(page_->ean13Edit(), QStringLiteral("4006381333931"));
    click(page_->ean13Button());
    QVERIFY(tape().contains(QStringLiteral("[EAN-13] 4006381333931")));
    // A shorter number is padded by the driver.
    type(page_->ean13Edit(), QStringLiteral("12345670"));
    click(page_->ean13Button());
    QVERIFY(tape().contains(QStringLiteral("[EAN-13] 0000012345670")));
    type(page_->code128Edit(), QStringLiteral("KAS-2024/A"));
    click(page_->code128Button());
    QVERIFY(tape().contains(QStringLiteral("[CODE-128] KAS-2024/A")));
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));

    // An empty EAN-13 field does nothing at all.
    page_->ean13Edit()->clear();
    const std::uint64_t before = bytesReceived();
    click(page_->ean13Button());
    QCOMPARE(bytesReceived(), before);
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));

    // A wrong check digit is the driver's refusal.
    type(page_->ean13Edit(), QStringLiteral("4006381333932"));
    click(page_->ean13Button());
    const MessageRequest box = takeMessage();
    QCOMPARE(box.text, QStringLiteral("Ошибка в контрольном разряде штрих-кода EAN-13!"));
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
}

// ---------------------------------------------------------------------------
// Field rules

void OperationsTest::quantityRule_data() {
    QTest::addColumn<bool>("comma");
    QTest::addColumn<QString>("quantity"); // "#" stands for the locale's separator
    QTest::addColumn<bool>("unit");
    QTest::addColumn<QString>("sent"); // command, quantity, flags; empty: refused
    for (const bool comma : {true, false}) {
        const QString locale = comma ? QStringLiteral("comma: ") : QStringLiteral("point: ");
        QTest::addRow("%s1#5", qPrintable(locale)) << comma << "1#5" << false << "12 0F 00 00 01";
        QTest::addRow("%s1#5 unit", qPrintable(locale))
            << comma << "1#5" << true << "12 0F 00 00 81";
        QTest::addRow("%s3#", qPrintable(locale)) << comma << "3#" << false << "12 03 00 00 00";
        QTest::addRow("%s2#125", qPrintable(locale))
            << comma << "2#125" << false << "12 4D 08 00 03";
        QTest::addRow("%s 4 ", qPrintable(locale)) << comma << " 4 " << false << "12 04 00 00 00";
        QTest::addRow("%s2#0005", qPrintable(locale)) << comma << "2#0005" << false << "";
        QTest::addRow("%sabc", qPrintable(locale)) << comma << "abc" << false << "";
        QTest::addRow("%s#", qPrintable(locale)) << comma << "#" << false << "";
    }
    QTest::addRow("comma: 1.5") << true << "1.5" << false << "";
    QTest::addRow("point: 1,5") << false << "1,5" << false << "";
    QTest::addRow("point: 1,500") << false << "1,500" << false << "";
}

void OperationsTest::quantityRule() {
    QFETCH(bool, comma);
    QFETCH(QString, quantity);
    QFETCH(bool, unit);
    QFETCH(QString, sent);
    const LocaleScope locale(comma ? commaLocale() : pointLocale());
    open();
    article(QStringLiteral("9"), QStringLiteral("Сахар"), quantity, QStringLiteral("2#00"));
    page_->unitQuantityBox()->setChecked(unit);
    const std::uint64_t before = bytesReceived();
    click(page_->saleButton());
    if (sent.isEmpty()) {
        const MessageRequest box = takeMessage();
        QCOMPARE(box.text, QStringLiteral("Неправильный формат количества!"));
        QCOMPARE(box.title, QStringLiteral("Ошибка!"));
        QCOMPARE(box.icon, MessageIcon::Error);
        QCOMPARE(bytesReceived(), before);
        QCOMPARE(page_->quantityEdit()->text(), withSeparator(quantity)); // kept as typed
        return;
    }
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));
    QVERIFY2(frames_->received(sent + QStringLiteral(" C8 00 00 00 80")),
             qPrintable(frames_->dump()));
    const kasemu::ReceiptLine line = emulator_->state().receipt.lines.back();
    if (unit) {
        QCOMPARE(line.cost, std::int64_t(200)); // one unit at the price
    }
}

void OperationsTest::priceRule_data() {
    QTest::addColumn<bool>("comma");
    QTest::addColumn<QString>("price");
    QTest::addColumn<qint64>("kopecks"); // -1: refused
    for (const bool comma : {true, false}) {
        const QString locale = comma ? QStringLiteral("comma: ") : QStringLiteral("point: ");
        const auto row = [&](const char* text, qint64 kopecks) {
            QTest::addRow("%s%s", qPrintable(locale), text) << comma << text << kopecks;
        };
        row("12", 1200);
        row("12#00", 1200);
        row("12#", 12);
        row("12#5", 1250);
        row("0#125", 12); // 12.5 kopecks: to the even neighbour
        row("0#375", 38); // 37.5 kopecks: to the even neighbour
        row(" 3#10 ", 310);
        row("1x", -1);
        row("#", -1);
        row("99999999#9", -1); // beyond a signed 32-bit price
    }
    QTest::addRow("comma: 1.5") << true << "1.5" << qint64(-1);
    QTest::addRow("point: 1,5") << false << "1,5" << qint64(-1);
    QTest::addRow("point: 1,500") << false << "1,500" << qint64(-1);
}

void OperationsTest::priceRule() {
    QFETCH(bool, comma);
    QFETCH(QString, price);
    QFETCH(qint64, kopecks);
    const LocaleScope locale(comma ? commaLocale() : pointLocale());
    open();
    article(QStringLiteral("9"), QStringLiteral("Сахар"), QStringLiteral("1"), price);
    const std::uint64_t before = bytesReceived();
    click(page_->saleButton());
    if (kopecks < 0) {
        const MessageRequest box = takeMessage();
        QCOMPARE(box.text, QStringLiteral("Введите цену в гривнах!"));
        QCOMPARE(box.title, QStringLiteral("Ошибка!"));
        QCOMPARE(bytesReceived(), before);
        return;
    }
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));
    QCOMPARE(emulator_->state().receipt.lines.back().price, std::int64_t(kopecks));
    QCOMPARE(page_->costValue()->text(), LocaleFormat::current().formatMoney(kopecks));
}

void OperationsTest::paymentAmount_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<qint64>("kopecks"); // -1: refused
    QTest::newRow("5#00") << "5#00" << qint64(500);
    QTest::newRow("5") << "5" << qint64(500);
    QTest::newRow("5#") << "5#" << qint64(5);
    QTest::newRow("negative") << "-5#00" << qint64(-1);
    QTest::newRow("beyond 32 bits") << "42949673#00" << qint64(-1);
    QTest::newRow("not a number") << "пять" << qint64(-1);
}

void OperationsTest::paymentAmount() {
    QFETCH(QString, amount);
    QFETCH(qint64, kopecks);
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(page_->saleButton());
    type(page_->fromClientEdit(), withSeparator(amount));
    const std::uint64_t before = bytesReceived();
    click(page_->payButton());
    if (kopecks < 0) {
        const MessageRequest box = takeMessage();
        QCOMPARE(box.text, QStringLiteral("Введите сумму в гривнах!"));
        QCOMPARE(box.title, QStringLiteral("Ошибка!"));
        QCOMPARE(bytesReceived(), before);
        return;
    }
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Остаток:"));
    QCOMPARE(page_->thirdValue()->text(), LocaleFormat::current().formatMoney(1200 - kopecks));
    QCOMPARE(emulator_->state().receipt.paid[3], std::int64_t(kopecks));
}

void OperationsTest::cashRule_data() {
    QTest::addColumn<bool>("comma");
    QTest::addColumn<bool>("deposit");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<qint64>("kopecks"); // -1: not a sum, -2: above the maximum
    for (const bool comma : {true, false}) {
        for (const bool deposit : {true, false}) {
            const QString name = QStringLiteral("%1 %2: ").arg(
                comma ? QStringLiteral("comma") : QStringLiteral("point"),
                deposit ? QStringLiteral("in") : QStringLiteral("out"));
            const auto row = [&](const char* text, qint64 kopecks) {
                QTest::addRow("%s%s", qPrintable(name), text)
                    << comma << deposit << text << kopecks;
            };
            row("150", 150);
            row("150#00", 15000);
            row("150#", 150);
            row("1#5", 150);
            row("42949672#95", 4294967295LL);
            row("42949673#00", -2);
            row("4294967296", -2);
            row("-5", -1);
            row("-1#00", -1);
            row("сто", -1);
        }
    }
}

void OperationsTest::cashRule() {
    QFETCH(bool, comma);
    QFETCH(bool, deposit);
    QFETCH(QString, amount);
    QFETCH(qint64, kopecks);
    const LocaleScope locale(comma ? commaLocale() : pointLocale());
    open();
    // A drawer full enough for any withdrawal.
    emulator_->withState([](kasemu::RegisterState& s) { s.cashInDrawer = 0x1FFFFFFFFLL; });
    QLineEdit* field = deposit ? page_->cashInEdit() : page_->cashOutEdit();
    type(field, withSeparator(amount));
    const std::uint64_t before = bytesReceived();
    click(deposit ? page_->cashInButton() : page_->cashOutButton());
    const kasemu::RegisterState s = emulator_->state();
    if (kopecks < 0) {
        const MessageRequest box = takeMessage();
        const QString expected =
            kopecks == -1 ? QStringLiteral("Введите сумму в гривнах!")
            : deposit     ? QStringLiteral("Максимальная сумма служебного внесения составляет "
                                               "42949672.95 грн!")
                          : QStringLiteral("Максимальная сумма служебного изъятия составляет "
                                               "42949672.95 грн!");
        QCOMPARE(box.text, expected);
        QCOMPARE(box.title, QStringLiteral("Ошибка!"));
        QCOMPARE(box.icon, MessageIcon::Error);
        QCOMPARE(box.owner, form_.get());
        QCOMPARE(bytesReceived(), before); // refused before any driver call
        QCOMPARE(s.day.deposits, std::int64_t(0));
        QCOMPARE(s.day.withdrawals, std::int64_t(0));
        return;
    }
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));
    QCOMPARE(deposit ? s.day.deposits : s.day.withdrawals, std::int64_t(kopecks));
    QVERIFY(tape().contains(deposit ? QStringLiteral("СЛУЖЕБНОЕ ВНЕСЕНИЕ")
                                    : QStringLiteral("СЛУЖЕБНАЯ ВЫДАЧА")));
}

void OperationsTest::discountValues_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("sent"); // the type and value bytes; empty: refused
    QTest::newRow("10 % on the last line") << 0 << "10"
                                           << "23 00 0A 00 00 82";
    QTest::newRow("10 % on the subtotal") << 2 << " 10 "
                                          << "23 02 0A 00 00 82";
    QTest::newRow("1,25 on the last line") << 1 << "1#25"
                                           << "23 01 7D 00 00 80";
    QTest::newRow("2 on the subtotal") << 3 << "2"
                                       << "23 03 C8 00 00 80";
    QTest::newRow("percent with decimals") << 0 << "1#5"
                                           << "";
    QTest::newRow("no percent") << 2 << ""
                                << "";
    QTest::newRow("no amount") << 3 << ""
                               << "";
    QTest::newRow("amount not a number") << 1 << "x"
                                         << "";
}

void OperationsTest::discountValues() {
    QFETCH(int, kind);
    QFETCH(QString, value);
    QFETCH(QString, sent);
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(page_->saleButton());
    const QString sumBefore = page_->sumValue()->text();
    choose(page_->discountTypeBox(), kind);
    const bool percent = kind == 0 || kind == 2;
    type(percent ? page_->percentEdit() : page_->discountSumEdit(), withSeparator(value));
    const std::uint64_t before = bytesReceived();
    click(page_->discountButton());
    if (sent.isEmpty()) {
        const MessageRequest box = takeMessage();
        QCOMPARE(box.text, percent
                               ? QStringLiteral("Значение процентной скидки должно от 0%..100%!")
                               : QStringLiteral("Введите значение асолютной скидки в гривнах!"));
        QCOMPARE(box.title, QStringLiteral("Ошибка!"));
        QCOMPARE(bytesReceived(), before);
        QCOMPARE(page_->sumValue()->text(), sumBefore);
        QVERIFY(page_->thirdCaption()->text().isEmpty());
        return;
    }
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));
    QVERIFY2(frames_->received(sent + QStringLiteral(" 00")), qPrintable(frames_->dump()));
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Скидка:"));
}

void OperationsTest::inputErrors_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("field"); // the field emptied or filled
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    for (const char* field : {"code", "name", "quantity", "price"}) {
        QTest::addRow("sale, empty %s", field) << "sale" << field << "" << kEmptySaleFields;
        QTest::addRow("return, empty %s", field) << "return" << field << "" << kEmptySaleFields;
        QTest::addRow("cancel, empty %s", field) << "cancel" << field << "" << kEmptyCancelFields;
    }
    QTest::newRow("sale, code not a number")
        << "sale"
        << "code"
        << "12a" << QStringLiteral("Код товара задан неверно!");
    QTest::newRow("cancel, code not a number")
        << "cancel"
        << "code"
        << "x" << QStringLiteral("Код товара задан неверно!");
    QTest::newRow("return, price not a number")
        << "return"
        << "price"
        << "дорого" << QStringLiteral("Введите цену в гривнах!");
    QTest::newRow("pay, nothing from the client")
        << "pay"
        << "fromClient"
        << "" << QStringLiteral("Введите сумму принятую от клиента!");
    QTest::newRow("cash-in, empty")
        << "cashIn"
        << "cashIn"
        << "" << QStringLiteral("Введите сумму для служебного внесения!");
    QTest::newRow("cash-out, empty")
        << "cashOut"
        << "cashOut"
        << "" << QStringLiteral("Введите сумму для служебного изъятия!");
}

void OperationsTest::inputErrors() {
    QFETCH(QString, action);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    open();
    const std::map<QString, QLineEdit*> fields = {
        {QStringLiteral("code"), page_->codeEdit()},
        {QStringLiteral("name"), page_->nameEdit()},
        {QStringLiteral("quantity"), page_->quantityEdit()},
        {QStringLiteral("price"), page_->priceEdit()},
        {QStringLiteral("fromClient"), page_->fromClientEdit()},
        {QStringLiteral("cashIn"), page_->cashInEdit()},
        {QStringLiteral("cashOut"), page_->cashOutEdit()},
    };
    const std::map<QString, QPushButton*> buttons = {
        {QStringLiteral("sale"), page_->saleButton()},
        {QStringLiteral("return"), page_->returnButton()},
        {QStringLiteral("cancel"), page_->cancelPositionButton()},
        {QStringLiteral("pay"), page_->payButton()},
        {QStringLiteral("cashIn"), page_->cashInButton()},
        {QStringLiteral("cashOut"), page_->cashOutButton()},
    };
    type(fields.at(field), text);
    const std::uint64_t framesBefore = emulator_->counters().framesReceived;
    click(buttons.at(action));
    const MessageRequest box = takeMessage();
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, QStringLiteral("Ошибка!"));
    QCOMPARE(box.icon, MessageIcon::Error);
    QCOMPARE(box.buttons, static_cast<unsigned>(MessageButton::Ok));
    QCOMPARE(box.owner, form_.get());
    QCOMPARE(fields.at(field)->text(), text);
    // Only "Отмена поз." asks the register for its receipt before it reads the fields.
    QCOMPARE(emulator_->counters().framesReceived - framesBefore,
             std::uint64_t(action == QStringLiteral("cancel") ? 1 : 0));
    const kasemu::RegisterState s = emulator_->state();
    QVERIFY(!s.receipt.open());
    QCOMPARE(s.documents, 0U);
}

// ---------------------------------------------------------------------------
// Refusals and paper

void OperationsTest::registerRefusals() {
    open();
    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("1"),
            QStringLiteral("12#00"));
    click(page_->saleButton());
    const QString cost = page_->costValue()->text();
    const QString sum = page_->sumValue()->text();

    // A return line in an open sale receipt.
    click(page_->returnButton());
    expectDriverError(takeMessage(), 38);
    QCOMPARE(page_->costValue()->text(), cost);
    QCOMPARE(page_->sumValue()->text(), sum);

    // A discount larger than the line: the box stays as it was.
    choose(page_->discountTypeBox(), 1);
    type(page_->discountSumEdit(), withSeparator(QStringLiteral("13#00")));
    click(page_->discountButton());
    expectDriverError(takeMessage(), 27);
    QCOMPARE(page_->sumValue()->text(), sum);
    QVERIFY(page_->thirdCaption()->text().isEmpty());

    // Change cannot be given by card.
    choose(page_->paymentFormBox(), 0);
    type(page_->fromClientEdit(), withSeparator(QStringLiteral("20#00")));
    click(page_->payButton());
    expectDriverError(takeMessage(), 43);
    QVERIFY(page_->thirdCaption()->text().isEmpty());

    // A service cash-in with a receipt open.
    type(page_->cashInEdit(), QStringLiteral("100"));
    click(page_->cashInButton());
    expectDriverError(takeMessage(), 44);
    QCOMPARE(emulator_->state().day.deposits, std::int64_t(0));

    click(page_->cancelReceiptButton());
    QCOMPARE(takeMessage().text, QStringLiteral("Фактура чека анулирована!"));

    // Paying with no receipt open.
    choose(page_->paymentFormBox(), 3);
    click(page_->payButton());
    expectDriverError(takeMessage(), 39);
    click(page_->closeReceiptButton());
    expectDriverError(takeMessage(), 39);

    // More cash out than the drawer holds.
    type(page_->cashOutEdit(), QStringLiteral("100"));
    click(page_->cashOutButton());
    expectDriverError(takeMessage(), 35);

    // A status query that is not answered stops "Отмена поз." and "Комментарий" there.
    emulator_->inject(*kasemu::parseFault("ignore*10"));
    click(page_->commentButton());
    const MessageRequest timeout = takeMessage();
    QCOMPARE(timeout.text, form_->DriverErrorText());
    QVERIFY(
        timeout.text.startsWith(QStringLiteral("Превышено время ожидания ответа от принтера!")));
    QCOMPARE(timeout.title, QStringLiteral("Ошибка!"));
    emulator_->clearFaults();
    QVERIFY(!emulator_->state().receipt.open());
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
    click(page_->saleButton()); // the second line goes onto a receipt the console follows
    if (!fault.isEmpty()) {
        emulator_->inject(*kasemu::parseFault(fault.toStdString()));
    }
    click(page_->saleButton());
    emulator_->clearFaults();
    QCOMPARE(emulator_->state().receipt.lines.size(), std::size_t(fault.isEmpty() ? 2 : 4));
    QCOMPARE(page_->sumValue()->text(),
             money(fault.isEmpty() ? QStringLiteral("24#00") : QStringLiteral("12#00")));
    if (verdict.isEmpty()) {
        QCOMPARE(dialogs_->messages.size(), seenMessages_);
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
    click(page_->saleButton());
    choose(page_->discountTypeBox(), 1);
    type(page_->discountSumEdit(), withSeparator(QStringLiteral("1#00")));
    QComboBox* typeBox = page_->discountTypeBox();
    typeBox->lineEdit()->selectAll();
    typeKeys(typeBox->lineEdit(), QStringLiteral("по-своему"));
    QCOMPARE(page_->discountType(), -1);
    const std::uint64_t before = bytesReceived();
    click(page_->discountButton());
    // The absolute branch read the sum; the driver refused the type before sending.
    const MessageRequest box = takeMessage();
    QCOMPARE(box.text, form_->DriverErrorText());
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
    emulator_->setPaperSensors(kasemu::paper::ReceiptLow);
    const bool sensors = model == 0;
    const QString low = QStringLiteral("Заканчивается чековая лента!");
    const auto expectWarning = [&](bool expected) {
        if (!sensors || !expected) {
            QCOMPARE(dialogs_->messages.size(), seenMessages_);
            return;
        }
        const MessageRequest box = takeMessage();
        QCOMPARE(box.text, low);
        QCOMPARE(box.title, QStringLiteral("Внимание!"));
        QCOMPARE(box.icon, MessageIcon::Warning);
        QVERIFY(box.owner == nullptr);
    };

    type(page_->cashInEdit(), QStringLiteral("10000"));
    click(page_->cashInButton());
    expectWarning(true);
    type(page_->cashOutEdit(), QStringLiteral("100"));
    click(page_->cashOutButton());
    expectWarning(true);

    article(QStringLiteral("5"), QStringLiteral("Кофе"), QStringLiteral("2"),
            QStringLiteral("12#00"));
    click(page_->saleButton());
    expectWarning(false);
    click(page_->cancelPositionButton()); // a whole line cancelled: the receipt stays open
    expectWarning(false);
    click(page_->saleButton());
    expectWarning(false);
    type(page_->commentEdit(), QStringLiteral("Комментарий"));
    click(page_->commentButton());
    expectWarning(false);
    choose(page_->discountTypeBox(), 0);
    type(page_->percentEdit(), QStringLiteral("10"));
    click(page_->discountButton());
    expectWarning(false);
    type(page_->fromClientEdit(), withSeparator(QStringLiteral("1#00")));
    click(page_->payButton());
    expectWarning(true);
    click(page_->closeReceiptButton());
    expectWarning(true);
    QCOMPARE(page_->thirdCaption()->text(), QStringLiteral("Сдача:"));

    click(page_->zeroReceiptButton());
    expectWarning(true);
    click(page_->saleButton());
    expectWarning(false);
    click(page_->cancelReceiptButton());
    QCOMPARE(dialogs_->messages.at(seenMessages_).text,
             QStringLiteral("Фактура чека анулирована!"));
    ++seenMessages_; // the confirmation first, then the paper
    expectWarning(true);

    if (sensors) {
        type(page_->ean13Edit(), QStringLiteral("4006381333931"));
        click(page_->ean13Button());
        expectWarning(true);
        type(page_->code128Edit(), QStringLiteral("ABC"));
        click(page_->code128Button());
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
    click(page_->saleButton());
    choose(page_->discountTypeBox(), 2);
    type(page_->percentEdit(), QStringLiteral("10"));
    click(page_->discountButton());
    QCOMPARE(dialogs_->messages.size(), std::size_t(0));

    const QImage picture = form_->grab().toImage();
    QCOMPARE(picture.size(), QSize(514, 540));
    QVERIFY(picture.save(QDir(QStringLiteral(KASMON_TEST_OUTPUT_DIR))
                             .filePath(QStringLiteral("screen-operations.png"))));

    // Every control lies inside its group and every group inside the page.
    const QRect pageArea = page_->rect();
    for (const QGroupBox* group : page_->findChildren<QGroupBox*>()) {
        QVERIFY2(pageArea.contains(group->geometry()), qPrintable(group->title()));
        QVERIFY2(group->fontMetrics().horizontalAdvance(group->title()) + 12 <= group->width(),
                 qPrintable(group->title()));
        for (const QWidget* child : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(group->rect().adjusted(2, 14, -2, -2).contains(child->geometry()),
                     qPrintable(group->title()));
        }
    }
    // Every caption fits its control.
    for (const QLabel* l : page_->findChildren<QLabel*>()) {
        QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(),
                 qPrintable(l->text()));
    }
    for (const QAbstractButton* b : page_->findChildren<QAbstractButton*>()) {
        const int indicator = qobject_cast<const QCheckBox*>(b) != nullptr ? 22 : 8;
        QVERIFY2(b->fontMetrics().horizontalAdvance(b->text()) + indicator <= b->width(),
                 qPrintable(b->text()));
    }
    // The longest amounts the box shows fit beside their captions.
    QLabel* value = page_->thirdValue();
    QVERIFY(value->fontMetrics().horizontalAdvance(
                LocaleFormat::current().formatMoney(-2147483647)) <= value->width());
    QVERIFY(value->fontMetrics().horizontalAdvance(
                LocaleFormat::current().formatMoney(4294967295LL)) <= value->width());
}

QTEST_MAIN(OperationsTest)
#include "tst_operations.moc"
