// Opening and closing the port, and the last error.
#include "CommandExport.h"
#include "kasdrv.h"
#include "platform/SerialPort.h"

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPInit(uint8_t port, uint32_t baud, uint8_t readTimeoutS,
                                      uint8_t writeTimeoutS) {
    using namespace kasdrv;
    DriverSession& s = Session();
    s.LogoTransferMode = false;
    s.PortHandle.reset();
    if (baud == 0) {
        return kFailure;
    }
    s.PortHandle = platform::OpenSerialPort({port, baud, readTimeoutS, writeTimeoutS});
    return s.PortHandle ? kSuccess : kFailure;
}

KASDRV_API int16_t KASDRV_CALL FPClose(void) {
    using namespace kasdrv;
    DriverSession& s = Session();
    if (!s.PortHandle) {
        return kFailure;
    }
    s.PortHandle.reset();
    return kSuccess;
}

KASDRV_API const char* KASDRV_CALL FPErrorMessage(void) {
    return kasdrv::Session().ErrorText.c_str();
}

KASDRV_API int16_t KASDRV_CALL FPCodeError(uint8_t* resultByte, uint8_t* statusByte,
                                           uint8_t* extStatusByte) {
    using namespace kasdrv;
    const DriverSession& s = Session();
    Put(resultByte, s.LastResultByte);
    Put(statusByte, s.LastStatusByte);
    Put(extStatusByte, s.ExtStatusByte);
    return kSuccess;
}

} // extern "C"
