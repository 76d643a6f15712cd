// The page's controls and their rows of the enabled-controls table; the
// actions are in ArticlesActions.cpp.
#include "pages/ArticlesPage.h"

#include "LocaleFormat.h"
#include "RegisterTexts.h"
#include "Unit1.h"
#include "Unit2.h"
#include "pages/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSpinBox>

namespace kasmon {

namespace {

QString named(const char* name) {
    return QStringLiteral("articles.") + QLatin1String(name);
}

// Captions that break over two lines: the table keeps them as the window shows them.
const char* const kDecimalsCaption = "  Число десятичных \r\nзнаков в количестве:";
const char* const kHint =
    "Для получения информации \r\n   о товаре нужно указать \r\n     только код артикула.";

// Caption lines on this page stand a little closer than the kit's default.
void labelLines(QWidget* parent, const char* caption, int x, int y, int width) {
    kit::labelLines(parent, QString::fromUtf8(caption), x, y, width, kit::kLabelHeight - 2);
}

} // namespace

QString ArticlesPage::stressAccessCode() {
    return QStringLiteral("ZTRKW");
}

ArticlesPage::ArticlesPage(TForm1& form, QWidget* parent)
    : Page(form, parent), seams_(LoopSeams{windowPump_, systemTicks_, sleep_}),
      writer_([this] { return state().ProgPassword; }), bulkRun_(writer_, seams_, *this) {
    setObjectName(QStringLiteral("articles"));
    buildTableGroup();
    buildTestGroup();
    form2_ = std::make_unique<TForm2>(seams_.seams(), [this] { reportDriverError(); });
    connectActions();
}

ArticlesPage::~ArticlesPage() = default;

QString ArticlesPage::caption() const {
    return QStringLiteral("Артикулы");
}

void ArticlesPage::buildTableGroup() {
    tableGroup_ = kit::group(this, named("tableGroup"),
                             QStringLiteral(" Работа с таблицей артикулов: "), {4, 2, 500, 232});
    kit::label(tableGroup_, QStringLiteral("Код:"), 8, 22);
    code_ = kit::spin(tableGroup_, named("code"), kit::editAt(140, 20, 110), 1, 2147483647, 1);
    code_->findChild<QLineEdit*>()->setMaxLength(9);
    kit::label(tableGroup_, QStringLiteral("Наименование:"), 8, 50);
    name_ = kit::edit(tableGroup_, named("name"), kit::editAt(140, 48, 350), 50,
                      QStringLiteral("Товар №1"));
    kit::label(tableGroup_, QStringLiteral("Нал. группа:"), 8, 78);
    taxGroup_ = kit::list(tableGroup_, named("taxGroup"), kit::editAt(140, 76, 60),
                          factTexts(reg::kTaxGroupLetters));
    labelLines(tableGroup_, kDecimalsCaption, 8, 102, 130);
    decimals_ = kit::list(
        tableGroup_, named("decimals"), kit::editAt(140, 106, 60),
        {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
    kit::label(tableGroup_, QStringLiteral("Цена (грн.):"), 8, 138);
    price_ = kit::edit(tableGroup_, named("price"), kit::editAt(140, 136, 110), 10,
                       QStringLiteral("0") + LocaleFormat::current().decimalSeparator() +
                           QStringLiteral("00"));
    returnGoods_ = kit::check(tableGroup_, named("returnGoods"), QStringLiteral("Товар возвратов "),
                              {140, 164, 150, 17});
    write_ = kit::button(tableGroup_, named("write"), QStringLiteral(" Запомнить"),
                         kit::buttonAt(8, 196, 150));
    read_ = kit::button(tableGroup_, named("read"), QStringLiteral(" Прочитать"),
                        kit::buttonAt(170, 196, 150));
    memory_ = kit::button(tableGroup_, named("memory"), QStringLiteral("Память артикулов"),
                          kit::buttonAt(332, 196, 158));
    labelLines(tableGroup_, kHint, 290, 80, 200);
}

void ArticlesPage::buildTestGroup() {
    testGroup_ = kit::group(this, named("testGroup"), QStringLiteral(" Тестовые функции: "),
                            {4, 238, 500, 84});
    bulk_ = kit::button(testGroup_, named("bulk"), QStringLiteral("Программирование товаров"),
                        kit::buttonAt(8, 20, 200));
    kit::label(testGroup_, QStringLiteral("Пароль для стресс-теста:"), 8, 54, 160);
    accessCode_ = kit::edit(testGroup_, named("accessCode"), kit::editAt(170, 52, 80), 5);
    accessCode_->setEchoMode(QLineEdit::Password);
    stressTest_ = kit::button(testGroup_, named("stressTest"), QStringLiteral("Стресс-тест"),
                              kit::buttonAt(270, 50, 120));
    stressTest_->setEnabled(false);
}

std::vector<ControlRow> ArticlesPage::controlRows() {
    const auto on = Enablement::on;
    const auto off = Enablement::off;
    const QString table = tableGroup_->title();
    const QString tests = testGroup_->title();
    return {
        {table, QStringLiteral("Код:"), code_, on(), on()},
        {table, read_->text(), read_, on(), on()},
        {table, memory_->text(), memory_, on(), on()},
        {table, QStringLiteral("Наименование:"), name_, on(), off()},
        {table, QStringLiteral("Нал. группа:"), taxGroup_, on(), off()},
        {table, QStringLiteral("Цена (грн.):"), price_, on(), off()},
        {table, QString::fromUtf8(kDecimalsCaption), decimals_, on(), off()},
        {table, returnGoods_->text(), returnGoods_, on(), off()},
        {table, write_->text(), write_, on(), off()},
        {tests, QStringLiteral("Программирование товаров"), bulk_, on(), off()},
        ControlRow(tests, QStringLiteral("Пароль для стресс-теста:"), accessCode_, on(), off())
            .greyedWhenOff(),
    };
}

} // namespace kasmon
