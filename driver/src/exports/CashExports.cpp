// Service cash put into and taken out of the drawer.
#include "CommandExport.h"
#include "kasdrv.h"

namespace {

constexpr uint8_t kCashIn = 0x10;
constexpr uint8_t kCashOut = 0x18;

} // namespace

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPInToCash(uint32_t amount) {
    using namespace kasdrv;
    return ResultOf(RunCommand(CommandBuilder(kCashIn).U32(amount)));
}

KASDRV_API int16_t KASDRV_CALL FPOutOfCash(uint32_t amount) {
    using namespace kasdrv;
    return ResultOf(RunCommand(CommandBuilder(kCashOut).U32(amount)));
}

} // extern "C"
