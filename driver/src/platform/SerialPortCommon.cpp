#include "platform/SerialPort.h"

#include <utility>

namespace kasdrv::platform {

std::unique_ptr<SerialPort> OpenSystemSerialPort(const PortRequest& request);

namespace {
PortOpener& Opener() {
    static PortOpener opener;
    return opener;
}
} // namespace

PortTimeouts ComputePortTimeouts(uint32_t baud, uint8_t readTimeoutS, uint8_t writeTimeoutS) {
    PortTimeouts t;
    const uint32_t perByte = baud == 0 ? 0 : 19200u / baud;
    t.readIntervalMs = readTimeoutS * 1000u;
    t.readTotalMultiplierMs = perByte;
    t.readTotalConstantMs = readTimeoutS * 1000u;
    t.writeTotalMultiplierMs = perByte;
    t.writeTotalConstantMs = writeTimeoutS * 1000u;
    return t;
}

std::unique_ptr<SerialPort> OpenSerialPort(const PortRequest& request) {
    if (Opener()) {
        return Opener()(request);
    }
    return OpenSystemSerialPort(request);
}

void SetPortOpenerForTesting(PortOpener opener) { Opener() = std::move(opener); }

} // namespace kasdrv::platform
