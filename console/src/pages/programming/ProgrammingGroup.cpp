#include "pages/programming/ProgrammingGroup.h"

#include "pages/Widgets.h"

#include <QGroupBox>

namespace kasmon {

ProgrammingGroup::ProgrammingGroup(ProgrammingPage& page, const char* name, const QString& title,
                                   const QRect& place)
    : QObject(&page), page_(page), box_(kit::group(&page, named(name), title, place)) {}

} // namespace kasmon
