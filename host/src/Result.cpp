#include "kashost/Result.h"

#include <kasdrv.h>

namespace kashost {

DriverError lastError() {
    DriverError error;
    const char* text = FPErrorMessage();
    error.text = text != nullptr ? text : "";
    FPCodeError(&error.result, &error.status, &error.extStatus);
    return error;
}

} // namespace kashost
