#include "pages/ReportsPage.h"

#include "LocaleFormat.h"
#include "ReportRules.h"
#include "Unit1.h"
#include "pages/Widgets.h"

#include <kasdrv.h>

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace kasmon {

ReportsPage::ReportsPage(TForm1& form, QWidget* parent) : Page(form, parent) {
    setObjectName(QStringLiteral("reports"));
    buildFinancialGroup();
    buildPeriodicGroup();

    connect(firstCode_, &QLineEdit::textChanged, this, [this] { codeChanged(firstCode_); });
    connect(lastCode_, &QLineEdit::textChanged, this, [this] { codeChanged(lastCode_); });
    connect(wholeRange_, &QCheckBox::toggled, this, [this](bool checked) {
        firstCode_->setEnabled(!checked);
        lastCode_->setEnabled(!checked);
    });
    connect(xReport_, &QPushButton::clicked, this, &ReportsPage::xReportClicked);
    connect(zReport_, &QPushButton::clicked, this, &ReportsPage::zReportClicked);
    connect(articleX_, &QPushButton::clicked, this, &ReportsPage::articleReportClicked);
    connect(periodic_, &QPushButton::clicked, this, &ReportsPage::periodicClicked);
    connect(periodicShort_, &QPushButton::clicked, this, &ReportsPage::periodicShortClicked);
    connect(numbers_, &QPushButton::clicked, this, &ReportsPage::numbersClicked);
    // The article report with reset ("Z-отчет по товарам") is not offered.
}

QString ReportsPage::caption() const {
    return QStringLiteral("Отчеты");
}

std::vector<ControlRow> ReportsPage::controlRows() {
    const QString f = financialGroup_->title();
    const QString p = periodicGroup_->title();
    const auto codesOn = Enablement::when([this] { return !wholeRange_->isChecked(); });
    std::vector<ControlRow> rows;
    rows.emplace_back(p, QStringLiteral("С:"), fromDate_, Enablement::on(), Enablement::on());
    rows.emplace_back(p, QStringLiteral("ДО:"), toDate_, Enablement::on(), Enablement::on());
    for (QPushButton* b : {periodic_, periodicShort_}) {
        rows.emplace_back(p, b->text(), b, Enablement::on(), Enablement::on());
    }
    rows.emplace_back(p, QStringLiteral("Начало:"), firstNumber_, Enablement::on(),
                      Enablement::on());
    rows.emplace_back(p, QStringLiteral("Конец:"), lastNumber_, Enablement::on(), Enablement::on());
    rows.emplace_back(p, numbers_->text(), numbers_, Enablement::on(), Enablement::on());
    for (QPushButton* b : {articleX_, articleZ_}) {
        rows.emplace_back(f, b->text(), b, Enablement::on(), Enablement::on());
    }
    rows.emplace_back(f, wholeRange_->text(), wholeRange_, Enablement::on(), Enablement::on());
    for (QPushButton* b : {xReport_, zReport_}) {
        rows.emplace_back(f, b->text(), b, Enablement::on(), Enablement::on());
    }
    rows.emplace_back(f, QStringLiteral("Начальный код артикула:"), firstCode_, codesOn, codesOn);
    rows.emplace_back(f, QStringLiteral("Конечный код артикула:"), lastCode_, codesOn, codesOn);
    return rows;
}

// ---------------------------------------------------------------------------
// Controls

void ReportsPage::buildFinancialGroup() {
    financialGroup_ =
        kit::group(this, QStringLiteral("reports.financial"),
                   QStringLiteral(" Отчеты по финансовым операциям: "), QRect(2, 0, 503, 150));
    QWidget* g = financialGroup_;
    kit::label(g, QStringLiteral("Пароль отчетов"), 8, 18, 200);
    kit::label(g, QStringLiteral("Начальный код артикула:"), 8, 44, 152);
    firstCode_ = kit::edit(g, QStringLiteral("reports.firstCode"), kit::editAt(160, 42, 110), 14,
                           QStringLiteral("0"));
    kit::label(g, QStringLiteral("Конечный код артикула:"), 8, 70, 150);
    lastCode_ = kit::edit(g, QStringLiteral("reports.lastCode"), kit::editAt(160, 68, 110), 14,
                          QStringLiteral("0"));
    wholeRange_ = kit::check(g, QStringLiteral("reports.wholeRange"),
                             QStringLiteral("Весь диапазон"), QRect(160, 94, 130, 17));
    wholeRange_->setChecked(true);
    firstCode_->setEnabled(false);
    lastCode_->setEnabled(false);

    articleX_ = kit::button(g, QStringLiteral("reports.articleX"),
                            QStringLiteral("X-отчет по товарам"), kit::buttonAt(300, 40, 190));
    articleZ_ = kit::button(g, QStringLiteral("reports.articleZ"),
                            QStringLiteral("Z-отчет по товарам"), kit::buttonAt(300, 68, 190));
    articleZ_->hide();
    xReport_ = kit::button(g, QStringLiteral("reports.xReport"), QStringLiteral(" X - Отчет"),
                           kit::buttonAt(8, 118, 190));
    zReport_ = kit::button(g, QStringLiteral("reports.zReport"), QStringLiteral(" Z - Отчет"),
                           kit::buttonAt(300, 118, 190));
}

void ReportsPage::buildPeriodicGroup() {
    periodicGroup_ = kit::group(this, QStringLiteral("reports.periodic"),
                                QStringLiteral(" Периодические отчеты из фискальной памяти: "),
                                QRect(2, 156, 503, 150));
    QWidget* g = periodicGroup_;
    kit::label(g, QStringLiteral("Пароль отчетов"), 8, 18, 200);
    kit::label(g, QStringLiteral("С:"), 8, 44, 40);
    fromDate_ = kit::datePicker(g, QStringLiteral("reports.from"), kit::editAt(50, 42, 110));
    kit::label(g, QStringLiteral("ДО:"), 8, 70, 40);
    toDate_ = kit::datePicker(g, QStringLiteral("reports.to"), kit::editAt(50, 68, 110));
    for (QDateEdit* picker : {fromDate_, toDate_}) {
        picker->setDate(QDate::currentDate());
    }
    periodic_ = kit::button(g, QStringLiteral("reports.periodicFull"),
                            QStringLiteral("Отчет из ФП"), kit::buttonAt(8, 94, 160));
    periodicShort_ =
        kit::button(g, QStringLiteral("reports.periodicShort"),
                    QStringLiteral("Отчет из ФП короткий"), kit::buttonAt(8, 120, 160));

    kit::label(g, QStringLiteral("Начало:"), 300, 44, 60);
    firstNumber_ =
        kit::edit(g, QStringLiteral("reports.firstNumber"), kit::editAt(370, 42, 120), 5);
    kit::label(g, QStringLiteral("Конец:"), 300, 70, 60);
    lastNumber_ = kit::edit(g, QStringLiteral("reports.lastNumber"), kit::editAt(370, 68, 120), 5);
    numbers_ = kit::button(g, QStringLiteral("reports.numbers"), QStringLiteral("Отчет по номерам"),
                           kit::buttonAt(330, 94, 160));
}

// ---------------------------------------------------------------------------
// Actions

void ReportsPage::finish(std::int16_t result) {
    if (call(result)) {
        checkPaper();
    }
}

void ReportsPage::xReportClicked() {
    finish(FPDayReport(state().ReportPassword));
}

void ReportsPage::zReportClicked() {
    if (call(form().fiscal().zReport(state().ReportPassword))) {
        checkPaper();
    }
}

void ReportsPage::codeChanged(QLineEdit* field) {
    if (reports::acceptableWhileTyping(field->text())) {
        return;
    }
    error(reports::typingError(field == firstCode_ ? reports::CodeField::First
                                                   : reports::CodeField::Last));
    field->setText(QStringLiteral("0"));
}

void ReportsPage::articleReportClicked() {
    std::int64_t first = 0;
    std::int64_t last = 0;
    // With the whole range chosen the fields are off and do not count.
    if (!wholeRange_->isChecked()) {
        const reports::CodeCheck a =
            reports::checkCode(reports::CodeField::First, firstCode_->text());
        if (!a.code) {
            error(a.error);
            return;
        }
        const reports::CodeCheck b =
            reports::checkCode(reports::CodeField::Last, lastCode_->text());
        if (!b.code) {
            error(b.error);
            return;
        }
        first = *a.code;
        last = *b.code;
    }
    if (reports::needsWholeRangeConfirmation(first, last, wholeRange_->isChecked())) {
        if (!confirm(QStringLiteral("Внимание!"), reports::wholeRangeQuestion())) {
            return;
        }
        first = 0;
        last = 0;
    }
    finish(FPXArtReport(state().ReportPassword, first, last));
}

void ReportsPage::periodicReport(bool full) {
    const QDate from = fromDate_->date();
    const QDate to = toDate_->date();
    if (!from.isValid() || !to.isValid()) {
        error(QStringLiteral("Неправильный формат даты"));
        return;
    }
    const double a = LocaleFormat::toDriverDateTime(from);
    const double b = LocaleFormat::toDriverDateTime(to);
    const std::uint16_t password = state().ReportPassword;
    finish(full ? FPPeriodicReport(password, a, b) : FPPeriodicReportShort(password, a, b));
}

void ReportsPage::periodicClicked() {
    periodicReport(true);
}

void ReportsPage::periodicShortClicked() {
    periodicReport(false);
}

void ReportsPage::numbersClicked() {
    const reports::NumberCheck check =
        reports::checkNumbers(firstNumber_->text(), lastNumber_->text());
    if (!check.range) {
        error(check.error);
        return;
    }
    finish(FPPeriodicNumberReport(state().ReportPassword, check.range->first, check.range->last));
}

} // namespace kasmon
