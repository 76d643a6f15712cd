#include "pages/operations/ServiceGroup.h"

#include "LocaleFormat.h"
#include "OperationsRules.h"
#include "Unit1.h"

#include <kashost/Verified.h>

#include <QLineEdit>
#include <QPushButton>

#include <tuple>
#include <utility>

namespace kasmon {

ServiceGroup::ServiceGroup(Page& page)
    : PageGroup(page, "serviceGroup", QStringLiteral(" Служебные операции: "),
                {242, 352, 263, 62}) {
    const QString zero = LocaleFormat::current().zeroSumText();
    QGroupBox* g = box();
    // The cashier may move cash too.
    const auto side = [&](const char* name, const char* what, const char* text, int x) {
        const QString caption = QStringLiteral("Сумма (грн.):");
        kit::label(g, caption, x, 15, 120);
        QLineEdit* edit = governed(kit::edit(g, named(name), kit::editAt(x, 33, 54), 11, zero),
                                   caption + QLatin1Char(' ') + QString::fromUtf8(what), true);
        QPushButton* button =
            governed(kit::button(g, named(name) + QStringLiteral("Button"), QString::fromUtf8(text),
                                 kit::buttonAt(x + 58, 32, 64)),
                     {}, true);
        return std::pair{edit, button};
    };
    std::tie(cashIn_, cashInButton_) = side("cashIn", "внесения", "Внесение", 8);
    std::tie(cashOut_, cashOutButton_) = side("cashOut", "изъятия", "Изъятие", 135);

    connect(cashInButton_, &QPushButton::clicked, this, [this] { moveCash(true); });
    connect(cashOutButton_, &QPushButton::clicked, this, [this] { moveCash(false); });
}

void ServiceGroup::moveCash(bool deposit) {
    const auto amount = operations::checkCash((deposit ? cashIn_ : cashOut_)->text(), deposit,
                                              LocaleFormat::current());
    if (!amount.value) {
        error(amount.error);
        return;
    }
    const std::uint32_t kopecks = *amount.value;
    kashost::FiscalSession& fiscal = form().fiscal();
    if (!call(deposit ? fiscal.cashIn(kopecks) : fiscal.cashOut(kopecks))) {
        return;
    }
    checkPaper();
}

} // namespace kasmon
