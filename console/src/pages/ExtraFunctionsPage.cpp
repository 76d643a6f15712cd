// The page's controls and their rows of the enabled-controls table; the
// actions are in ExtraFunctionsActions.cpp.
#include "pages/ExtraFunctionsPage.h"

#include "pages/Widgets.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>

namespace kasmon {

namespace {

QString named(const char* name) {
    return QStringLiteral("extra.") + QLatin1String(name);
}

} // namespace

ExtraFunctionsPage::ExtraFunctionsPage(TForm1& form, QWidget* parent) : Page(form, parent) {
    setObjectName(QStringLiteral("extra"));
    buildServiceGroup();
    buildServiceTextGroup();
    buildDateTimeGroup();
    buildDisplayGroup();
    buildCutterGroup();
    buildContrastGroup();
    buildReportButtons();
    connectActions();
    // The design state: the contrast group belongs to the RX-520L.
    contrastGroup_->setVisible(false);
}

QString ExtraFunctionsPage::caption() const {
    return QStringLiteral("Доп. функции");
}

void ExtraFunctionsPage::setPickers(const QDateTime& now) {
    date_->setDate(now.date());
    time_->setTime(now.time());
}

void ExtraFunctionsPage::buildServiceGroup() {
    serviceGroup_ = kit::group(this, named("serviceGroup"), QStringLiteral(" Служебные функции: "),
                               {2, 2, 246, 214});
    // Short captions two to a row, the long ones across the group.
    constexpr int kPitch = 24;
    const auto button = [this](const char* name, const QString& text, int column, int row,
                               int columns = 2) {
        return kit::button(serviceGroup_, named(name), text,
                           {8 + column * 118, 18 + row * kPitch, columns == 2 ? 112 : 230, 22});
    };
    lineFeed_ = button("lineFeed", QStringLiteral("Прогон строки"), 0, 0);
    openDrawer_ = button("openDrawer", QStringLiteral("Открыть ящик"), 1, 0);
    copyReceipt_ = button("copyReceipt", QStringLiteral("Копия чека"), 0, 1);
    printVersion_ = button("printVersion", QStringLiteral("Печать версии"), 1, 1);
    online_ = button("online", QStringLiteral("Режим печати Online/Offline"), 0, 2, 1);
    display_ = button("display", QStringLiteral("Режим работы дисплея"), 0, 3, 1);
    moneyInBox_ = button("moneyInBox", QStringLiteral("Сумма в кассе (наличные) "), 0, 4, 1);
    status_ = button("status", QStringLiteral("Чтение статуса"), 0, 5, 1);
    logoOn_ = button("logoOn", QStringLiteral("Включить печать логотипа"), 0, 6, 1);
    logoOff_ = button("logoOff", QStringLiteral("Отключить печать логотипа"), 0, 7, 1);
}

void ExtraFunctionsPage::buildServiceTextGroup() {
    textGroup_ = kit::group(this, named("textGroup"), QStringLiteral(" Печать служебного отчета: "),
                            {2, 218, 246, 150});
    kit::label(textGroup_, QStringLiteral("Текстовая информация::"), 8, 16, 200);
    text_ = kit::memo(textGroup_, named("text"), {8, 34, 230, 56});
    receiptTapeOnly_ = kit::check(textGroup_, named("receiptTapeOnly"),
                                  QStringLiteral("Только на чековой ленте"), {8, 94, 200, 19});
    finish_ = kit::check(textGroup_, named("finish"), QStringLiteral("Завершить отчет"),
                         {8, 116, 150, 19});
    print_ = kit::button(textGroup_, named("print"), QStringLiteral("Печать"),
                         kit::buttonAt(170, 118, 68));
}

void ExtraFunctionsPage::buildDateTimeGroup() {
    dateGroup_ =
        kit::group(this, named("dateGroup"), QStringLiteral(" Установка/чтение даты и времени: "),
                   {250, 2, 255, 98});
    date_ = kit::datePicker(dateGroup_, named("date"), kit::editAt(8, 18, 110));
    time_ = kit::timePicker(dateGroup_, named("time"), kit::editAt(8, 44, 110));
    getDate_ = kit::button(dateGroup_, named("getDate"), QStringLiteral("Получить дату"),
                           kit::buttonAt(124, 16, 118));
    setDate_ = kit::button(dateGroup_, named("setDate"), QStringLiteral("Установить дату"),
                           kit::buttonAt(124, 42, 118));
    getTime_ = kit::button(dateGroup_, named("getTime"), QStringLiteral("Получить время"),
                           kit::buttonAt(8, 68, 110));
    setTime_ = kit::button(dateGroup_, named("setTime"), QStringLiteral("Установить время"),
                           kit::buttonAt(124, 68, 118));
}

void ExtraFunctionsPage::buildDisplayGroup() {
    displayGroup_ =
        kit::group(this, named("displayGroup"),
                   QStringLiteral(" Вывод строки на индикатор клиента: "), {250, 102, 255, 98});
    kit::label(displayGroup_, QStringLiteral("Верхняя строка:"), 8, 20);
    upperLine_ = kit::edit(displayGroup_, named("upperLine"), kit::editAt(104, 18, 138), 20);
    kit::label(displayGroup_, QStringLiteral("Нижняя строка:"), 8, 46);
    lowerLine_ = kit::edit(displayGroup_, named("lowerLine"), kit::editAt(104, 44, 138), 20);
    send_ = kit::button(displayGroup_, named("send"), QStringLiteral("Вывести"),
                        kit::buttonAt(104, 68, 138));
}

void ExtraFunctionsPage::buildCutterGroup() {
    cutterGroup_ = kit::group(this, named("cutterGroup"),
                              QStringLiteral(" Обрезчик чековой ленты: "), {250, 202, 255, 50});
    cutterMode_ = kit::button(cutterGroup_, named("cutterMode"), QStringLiteral("Режим обрезки  "),
                              kit::buttonAt(8, 18, 114));
    cutterStatus_ = kit::button(cutterGroup_, named("cutterStatus"),
                                QStringLiteral("Статус обрезчика"), kit::buttonAt(128, 18, 114));
}

void ExtraFunctionsPage::buildContrastGroup() {
    contrastGroup_ = kit::group(this, named("contrastGroup"),
                                QStringLiteral(" Контрастность печати (только для RX-520L): "),
                                {2, 370, 503, 46});
    kit::label(contrastGroup_, QStringLiteral("Контрастность:"), 6, 22, 100);
    contrast_ = kit::spin(contrastGroup_, named("contrast"), kit::editAt(106, 20, 46), 50, 200, 50);
    kit::label(contrastGroup_, QStringLiteral("%"), 154, 22, 14);
    writeContrast_ = kit::button(contrastGroup_, named("writeContrast"), QStringLiteral("Записать"),
                                 kit::buttonAt(170, 18, 72));
}

void ExtraFunctionsPage::buildReportButtons() {
    receiptSums_ = kit::button(this, named("receiptSums"), QStringLiteral("Данные текущего чека"),
                               kit::buttonAt(250, 256, 255));
    dayTotals_ =
        kit::button(this, named("dayTotals"), QStringLiteral("    Итоги за день          "),
                    kit::buttonAt(250, 282, 255));
    deviceInfo_ = kit::button(this, named("deviceInfo"), QStringLiteral("Сведения  "),
                              kit::buttonAt(250, 308, 255));
}

std::vector<ControlRow> ExtraFunctionsPage::controlRows() {
    const auto on = Enablement::on;
    const auto off = Enablement::off;
    const auto keep = Enablement::keep;
    const QString service = serviceGroup_->title();
    const QString text = textGroup_->title();
    const QString date = dateGroup_->title();
    const QString display = displayGroup_->title();
    const QString cutter = cutterGroup_->title();
    const QString contrast = contrastGroup_->title();
    return {
        // The two model groups: shown per model, their frames not governed by the state.
        ControlRow(QString(), contrast, contrastGroup_, keep(), keep(), keep())
            .shownFor(ModelVisibility::only520l()),
        ControlRow(QString(), cutter, cutterGroup_, keep(), keep(), keep())
            .shownFor(ModelVisibility::only410f()),
        {contrast, QStringLiteral("Контрастность:"), contrast_, on(), on()},
        {contrast, writeContrast_->text(), writeContrast_, on(), on()},

        {display, QStringLiteral("Верхняя строка:"), upperLine_, on(), on()},
        {display, QStringLiteral("Нижняя строка:"), lowerLine_, on(), on()},
        {display, send_->text(), send_, on(), on()},

        {date, setDate_->text(), setDate_, on(), off()},
        {date, QStringLiteral("дата"), date_, on(), off()},
        {date, getDate_->text(), getDate_, on(), on()},
        {date, getTime_->text(), getTime_, on(), on()},
        {date, setTime_->text(), setTime_, on(), on()},
        {date, QStringLiteral("время"), time_, on(), on()},

        {service, lineFeed_->text(), lineFeed_, on(), on()},
        {service, openDrawer_->text(), openDrawer_, on(), on()},
        {service, copyReceipt_->text(), copyReceipt_, on(), on()},
        {service, printVersion_->text(), printVersion_, on(), on()},
        {service, moneyInBox_->text(), moneyInBox_, on(), on()},
        {service, status_->text(), status_, on(), on()},
        {service, online_->text(), online_, on(), off()},
        {service, display_->text(), display_, on(), off()},
        {service, logoOn_->text(), logoOn_, on(), off()},
        {service, logoOff_->text(), logoOff_, on(), off()},

        {text, QStringLiteral("Текстовая информация::"), text_, on(), on()},
        {text, print_->text(), print_, on(), on()},
        {text, finish_->text(), finish_, on(), on()},
        {text, receiptTapeOnly_->text(), receiptTapeOnly_, on(), on()},

        {QString(), receiptSums_->text(), receiptSums_, on(), on()},
        {QString(), dayTotals_->text(), dayTotals_, on(), on()},
        {QString(), deviceInfo_->text(), deviceInfo_, on(), on()},

        {cutter, cutterMode_->text(), cutterMode_, on(), off()},
        {cutter, cutterStatus_->text(), cutterStatus_, on(), on()},
    };
}

} // namespace kasmon
