#include "WindowEventPump.h"

#include <QCoreApplication>

namespace kasmon {

void WindowEventPump::processPendingEvents() {
    QCoreApplication::processEvents();
}

} // namespace kasmon
