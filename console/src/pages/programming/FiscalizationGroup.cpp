#include "pages/programming/FiscalizationGroup.h"

#include "Dialogs.h"
#include "DriverText.h"
#include "pages/Widgets.h"
#include "programming/ProgrammingRules.h"

#include <kasdrv.h>
#include <kashost/Status.h>

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kasmon {

namespace {

const QString kInformation = QStringLiteral("Информация");

QString confirmation() {
    return QString(23, QLatin1Char(' ')) + QStringLiteral("ВНИМАНИЕ!\r\n") +
           QStringLiteral("ФИСКАЛЬНАЯ ПАМЯТЬ БУДЕТ ВКЛЮЧЕНА!\r\n") + QString(2, QLatin1Char(' ')) +
           QStringLiteral("Этот процесс является необратимым!\r\n") + QString(2, QLatin1Char(' ')) +
           QStringLiteral("Вы уверены, что хотите это сделать?");
}

} // namespace

FiscalizationGroup::FiscalizationGroup(ProgrammingPage& page)
    : ProgrammingGroup(page, "fiscalGroup", QStringLiteral(" Фискализация: ")) {
    QGroupBox* g = box();
    QGridLayout* grid = kit::grid(g);
    QLabel* reminder = passwordReminder();
    grid->addWidget(reminder, 0, 0, 1, 2);
    grid->addWidget(kit::label(g, QStringLiteral("Регистрационный номер:"), 0, 0), 1, 0, 1, 2);
    number_ = kit::edit(g, named("registrationNumber"), {}, 10);
    grid->addWidget(number_, 2, 0);
    fiscalize_ = kit::button(g, named("fiscalize"), QStringLiteral("Фискализация"), {});
    fiscalize_->setFont(reminder->font());
    grid->addWidget(fiscalize_, 2, 1);
    grid->setRowStretch(3, 1);
    fiscalize_->setEnabled(false);
    connect(number_, &QLineEdit::textChanged, this, &FiscalizationGroup::numberEdited);
    connect(fiscalize_, &QPushButton::clicked, this, &FiscalizationGroup::fiscalize);
}

std::vector<ControlRow> FiscalizationGroup::controlRows() {
    return {ControlRow(box()->title(), QStringLiteral("Регистрационный номер:"), number_,
                       Enablement::off(), Enablement::on(), Enablement::off())
                .greyedWhenOff()};
}

void FiscalizationGroup::connectionStateApplied(ConnectionState state) {
    if (state == ConnectionState::Closed) {
        fiscalize_->setEnabled(false);
    }
}

void FiscalizationGroup::numberEdited(const QString& text) {
    fiscalize_->setEnabled(!text.isEmpty());
    if (text.isEmpty() || firstRefusedNumberCharacter(text) < 0) {
        return;
    }
    number_->clear(); // disables the button again
    error(fiscalNumberRefusal());
}

bool FiscalizationGroup::warningQuestion(const QString& title, const QString& text) const {
    return Dialogs::current().message({&page(), text, title, MessageIcon::Warning,
                                       MessageButton::Yes | MessageButton::No}) ==
           MessageButton::Yes;
}

void FiscalizationGroup::interrupted() const {
    information(kInformation, QStringLiteral("Операция была прервана из-за возникшей ошибки!"));
}

void FiscalizationGroup::fiscalize() {
    if (!warningQuestion(QStringLiteral("Подтверждение фискализации"), confirmation())) {
        return;
    }
    const auto status = call(kashost::readStatus());
    if (!status) {
        interrupted();
        return;
    }
    if (!status->fiscalMode) {
        if (!warningQuestion(QStringLiteral("Внимание!"),
                             QStringLiteral("Внимние! Перед записью фискального номера будет "
                                            "снят Z-отчет.\r\nВы все ещё хотите хотите "
                                            "продолжить операцию?"))) {
            information(kInformation, QStringLiteral("Операция была отклонена пользователем!"));
            return;
        }
        if (!call(FPDayClrReport(state().ReportPassword))) {
            interrupted();
            return;
        }
    }
    if (!call(FPFiscalization(state().ProgPassword, toDriverText(number_->text()).constData()))) {
        return;
    }
    information(kInformation, QString(5, QLatin1Char(' ')) +
                                  QStringLiteral("Фискальный номер был успешно записан!\r\n") +
                                  QStringLiteral("Теперь введите атрибуты налогоплательщика."));
    justFiscalized() = true;
}

} // namespace kasmon
