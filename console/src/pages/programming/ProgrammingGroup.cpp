#include "pages/programming/ProgrammingGroup.h"

#include "pages/Widgets.h"

#include <QFont>
#include <QGroupBox>
#include <QLabel>

namespace kasmon {

ProgrammingGroup::ProgrammingGroup(ProgrammingPage& page, const char* name, const QString& title)
    : PageGroup(page, name, title), page_(page) {}

QLabel* ProgrammingGroup::passwordReminder() const {
    QLabel* reminder = kit::label(box(), QStringLiteral("Пароль программирования"), 0, 0);
    QFont bold = reminder->font();
    bold.setBold(true);
    reminder->setFont(bold);
    return reminder;
}

} // namespace kasmon
