#include "DriverSession.h"

#include "platform/CodePage.h"

namespace kasdrv {

DriverSession& Session() {
    static DriverSession session;
    return session;
}

void SetErrorText(std::string_view utf8) { Session().ErrorText = platform::Utf8ToCp1251(utf8); }

} // namespace kasdrv
