#include "pages/PageGroup.h"

namespace kasmon {

PageGroup::PageGroup(Page& page, const char* name, const QString& title, const QRect& place)
    : QObject(&page), page_(page) {
    box_ = kit::group(&page, named(name), title, place);
}

} // namespace kasmon
