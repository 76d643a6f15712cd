#include "pages/programming/ProgrammingGroup.h"

#include "pages/Widgets.h"

#include <QGroupBox>

namespace kasmon {

ProgrammingGroup::ProgrammingGroup(ProgrammingPage& page, const char* name, const QString& title,
                                   const QRect& place)
    : QObject(&page), page_(page), box_(kit::group(&page, named(name), title, place)) {}

void ProgrammingGroup::lines(QWidget* parent, const QString& text, int x, int y, int width) {
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        kit::label(parent, line, x, y, width);
        y += kit::kLabelHeight;
    }
}

} // namespace kasmon
