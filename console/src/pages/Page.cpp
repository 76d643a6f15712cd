#include "pages/Page.h"

#include "Dialogs.h"
#include "DriverText.h"
#include "Unit1.h"

namespace kasmon {

Page::Page(TForm1& form, QWidget* parent) : QWidget(parent), form_(form) {}

ConsoleState& Page::state() const {
    return form_.state();
}

bool Page::call(std::int16_t result) const {
    form_.fiscal().forget();
    if (succeeded(result)) {
        return true;
    }
    reportDriverError();
    return false;
}

bool Page::call(const kashost::FiscalVerdict& verdict) const {
    form_.ReportFiscalVerdict(verdict);
    return verdict.answered;
}

void Page::reportDriverError() const {
    form_.ReportDriverError();
}

void Page::checkPaper() const {
    if (form_.state().PaperSensors != 0) {
        form_.CheckPaperState();
    }
}

void Page::information(const QString& title, const QString& text) const {
    Dialogs::information(&form_, title, text);
}

void Page::error(const QString& text) const {
    Dialogs::error(&form_, text);
}

void Page::warning(const QString& title, const QString& text) const {
    Dialogs::warning(&form_, title, text);
}

bool Page::question(const QString& title, const QString& text) const {
    return Dialogs::question(&form_, title, text);
}

bool Page::confirm(const QString& title, const QString& text) const {
    return Dialogs::current().message({&form_, text, title, MessageIcon::Warning,
                                       MessageButton::Ok | MessageButton::Cancel}) ==
           MessageButton::Ok;
}

} // namespace kasmon
