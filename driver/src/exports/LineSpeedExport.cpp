// Switching the register's line speed.
#include "CommandExport.h"
#include "kasdrv.h"

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPChangeBaudRate(uint8_t speedIndex) {
    using namespace kasdrv;
    constexpr uint8_t kLineSpeed = 0x26;
    constexpr uint8_t kHighestIndex = 2; // 9600, 19200, 38400
    if (speedIndex > kHighestIndex) {
        return Refuse("Неверно задан параметр скорости связи!");
    }
    return ResultOf(RunCommand(CommandBuilder(kLineSpeed).U8(speedIndex)));
}

} // extern "C"
