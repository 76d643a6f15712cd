// What the buttons of the "Доп. функции" page do. Each action calls the driver
// and shows the answer; a failed call shows the driver's error and ends it.
#include "DriverText.h"
#include "LocaleFormat.h"
#include "Unit1.h"
#include "pages/ExtraFunctionsPage.h"
#include "reports/Reports.h"

#include <kasdrv.h>
#include <kashost/Host.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>

#include <vector>

namespace kasmon {

namespace {

const QString kInformation = QStringLiteral("Информация");
const QString kCutterTitle = QStringLiteral("Режим автообрезки");

FPBOOL flag(bool on) {
    return on ? -1 : 0;
}

// The lines of a multi-line field as the driver takes them: none for an empty
// field, and no empty line for a final line break.
std::vector<QByteArray> fieldLines(const QString& text) {
    std::vector<QByteArray> lines;
    if (text.isEmpty()) {
        return lines;
    }
    QStringList parts = text.split(QLatin1Char('\n'));
    if (parts.size() > 1 && parts.back().isEmpty()) {
        parts.removeLast();
    }
    for (const QString& part : parts) {
        lines.push_back(toDriverText(part));
    }
    return lines;
}

} // namespace

void ExtraFunctionsPage::connectActions() {
    const auto printing = [this](std::int16_t (*action)()) {
        return [this, action] {
            if (call(action())) {
                checkPaper();
            }
        };
    };
    connect(lineFeed_, &QPushButton::clicked, this, printing([] { return FPLineFeed(); }));
    connect(openDrawer_, &QPushButton::clicked, this, [this] { call(FPOpenBox()); });
    connect(copyReceipt_, &QPushButton::clicked, this, printing([] { return FPCopyLastCheck(); }));
    connect(printVersion_, &QPushButton::clicked, this, printing([] { return FPPrintVersion(); }));
    connect(logoOn_, &QPushButton::clicked, this, [this] {
        if (call(FPEnableBMP(state().ProgPassword))) {
            information(kInformation,
                        QStringLiteral("Печать в чеках логотипа торговой точки успешно включена!"));
        }
    });
    connect(logoOff_, &QPushButton::clicked, this, [this] {
        if (call(FPDisableBMP(state().ProgPassword))) {
            information(
                kInformation,
                QStringLiteral("Печать в чеках логотипа торговой точки успешно отключена!"));
        }
    });
    connect(moneyInBox_, &QPushButton::clicked, this, &ExtraFunctionsPage::showMoneyInBox);
    connect(cutterStatus_, &QPushButton::clicked, this, &ExtraFunctionsPage::showCutterStatus);
    connect(getDate_, &QPushButton::clicked, this, &ExtraFunctionsPage::getDate);
    connect(setDate_, &QPushButton::clicked, this, &ExtraFunctionsPage::setDate);
    connect(getTime_, &QPushButton::clicked, this, &ExtraFunctionsPage::getTime);
    connect(setTime_, &QPushButton::clicked, this, &ExtraFunctionsPage::setTime);
    connect(online_, &QPushButton::clicked, this, &ExtraFunctionsPage::toggleOnline);
    connect(display_, &QPushButton::clicked, this, &ExtraFunctionsPage::toggleDisplay);
    connect(cutterMode_, &QPushButton::clicked, this, &ExtraFunctionsPage::toggleCutter);
    connect(send_, &QPushButton::clicked, this, &ExtraFunctionsPage::sendToDisplay);
    connect(print_, &QPushButton::clicked, this, &ExtraFunctionsPage::printServiceText);
    connect(writeContrast_, &QPushButton::clicked, this, &ExtraFunctionsPage::writeContrast);
    connect(status_, &QPushButton::clicked, this, &ExtraFunctionsPage::showStatus);
    connect(deviceInfo_, &QPushButton::clicked, this, &ExtraFunctionsPage::showDeviceInfo);
    connect(dayTotals_, &QPushButton::clicked, this, &ExtraFunctionsPage::showDayTotals);
    connect(receiptSums_, &QPushButton::clicked, this, &ExtraFunctionsPage::showReceiptSums);
}

void ExtraFunctionsPage::showMoneyInBox() {
    if (const auto sum = call(kashost::readMoneyInBox())) {
        information(QStringLiteral("Сумма в кассе"),
                    QStringLiteral("В кассе: ") + LocaleFormat::current().formatMoney(*sum));
    }
}

void ExtraFunctionsPage::showCutterStatus() {
    if (const auto on = call(kashost::readCutterStatus())) {
        information(kCutterTitle, *on ? QStringLiteral("Режим автообрезки включен!")
                                      : QStringLiteral("Режим автообрезки отключен!"));
    }
}

void ExtraFunctionsPage::getDate() {
    if (const auto date = call(kashost::readDate())) {
        information(kInformation,
                    QStringLiteral("Установленная дата: ") +
                        LocaleFormat::current().formatDate(LocaleFormat::driverDate(*date)));
    }
}

void ExtraFunctionsPage::setDate() {
    const QDate date = date_->date();
    if (!date.isValid()) {
        error(QStringLiteral("Неправильный формат даты"));
        return;
    }
    if (call(FPSetDate(LocaleFormat::toDriverDateTime(date)))) {
        information(kInformation, QStringLiteral("Дата была успешно установлена!"));
    }
}

void ExtraFunctionsPage::getTime() {
    if (const auto time = call(kashost::readTime())) {
        information(kInformation,
                    QStringLiteral("Установленное время: ") +
                        LocaleFormat::current().formatTime(LocaleFormat::driverTime(*time)));
    }
}

void ExtraFunctionsPage::setTime() {
    const QTime time = time_->time();
    if (!time.isValid()) {
        error(QStringLiteral("Неправильный формат времени"));
        return;
    }
    // The time of day alone: the register takes the fraction of the day.
    if (call(FPSetTime(LocaleFormat::toDriverDateTime(LocaleFormat::driverDate(0.0), time)))) {
        information(kInformation, QStringLiteral("Время было успешно установлено!"));
    }
}

void ExtraFunctionsPage::toggleOnline() {
    const auto status = call(kashost::readStatus());
    if (!status || !call(FPCplOnline())) {
        return;
    }
    information(QStringLiteral("Режим печати чеков"),
                status->onlineMode
                    ? QStringLiteral("Режим печати чеков \"Off-Line\" успешно установлен!")
                    : QStringLiteral("Режим печати чеков \"On-Line\" успешно установлен!"));
}

void ExtraFunctionsPage::toggleDisplay() {
    const auto status = call(kashost::readStatus());
    if (!status || !call(FPCplInd())) {
        return;
    }
    information(QStringLiteral("Вывод сумм на дисплей"),
                status->displaySumsForbidden
                    ? QStringLiteral("Режим вывода суммы чека на дисплей успешно включен!")
                    : QStringLiteral("Режим вывода суммы чека на дисплей успешно отключен!"));
}

void ExtraFunctionsPage::toggleCutter() {
    const auto on = call(kashost::readCutterStatus());
    if (!on || !call(FPCplCutter())) {
        return;
    }
    information(kCutterTitle, *on ? QStringLiteral("Режим автообрезки успешно отключен!")
                                  : QStringLiteral("Режим автообрезки успешно включен!"));
}

void ExtraFunctionsPage::sendToDisplay() {
    // The lower line only once the upper one is shown; an empty line is sent as it is.
    if (call(FPSendCustomer(0, toDriverText(upperLine_->text()).constData()))) {
        call(FPSendCustomer(-1, toDriverText(lowerLine_->text()).constData()));
    }
}

void ExtraFunctionsPage::printServiceText() {
    const std::vector<QByteArray> lines = fieldLines(text_->toPlainText());
    std::vector<const char*> pointers;
    for (const QByteArray& line : lines) {
        pointers.push_back(line.constData());
    }
    const char* const none = nullptr;
    if (call(FPTransPrint(pointers.empty() ? &none : pointers.data(),
                          static_cast<std::int32_t>(pointers.size()),
                          flag(receiptTapeOnly_->isChecked()), flag(finish_->isChecked())))) {
        checkPaper();
    }
}

void ExtraFunctionsPage::writeContrast() {
    if (call(FPSetContrast(static_cast<std::uint8_t>(contrast_->value())))) {
        information(QStringLiteral("Контрастность печати"),
                    QStringLiteral("Значение контрастности успешно записано!"));
    }
}

void ExtraFunctionsPage::showStatus() {
    if (const auto status = call(kashost::readStatus())) {
        information(QStringLiteral("Статус ЭККР!"),
                    reports::statusReport(*status, LocaleFormat::current()));
    }
}

void ExtraFunctionsPage::showDeviceInfo() {
    // Every query is made; one that fails only changes its own lines.
    reports::DeviceInfo info;
    info.saleReceiptNumber = kashost::readSaleReceiptNumber();
    info.saleDaySum = kashost::readSaleDaySum();
    info.payoutReceiptNumber = kashost::readPayoutReceiptNumber();
    info.payoutDaySum = kashost::readPayoutDaySum();
    info.lastZReport = kashost::readLastZReport();
    info.annulments = kashost::readAnnulments();
    info.cancellations = kashost::readCancellations();
    info.taxRates = kashost::readTaxRates();
    information(kInformation, reports::deviceInfoReport(info, LocaleFormat::current()));
}

void ExtraFunctionsPage::showDayTotals() {
    if (const auto day = call(kashost::readDayReport())) {
        information(QStringLiteral("Информация об итогах за день"),
                    reports::dayTotalsReport(*day, LocaleFormat::current()));
    }
}

void ExtraFunctionsPage::showReceiptSums() {
    if (const auto sums = call(kashost::readReceiptSums())) {
        information(QStringLiteral("Данные текущего чека"),
                    reports::receiptSumsReport(*sums, LocaleFormat::current()));
    }
}

} // namespace kasmon
