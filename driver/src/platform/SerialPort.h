// The serial port as the link layer sees it: purge, one-byte reads bounded by
// time-outs, one write. One implementation per operating system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace kasdrv::platform {

// Port time-outs in milliseconds, computed from FPInit's arguments the way a
// Win32 COMMTIMEOUTS block is filled.
struct PortTimeouts {
    uint32_t readIntervalMs = 0;
    uint32_t readTotalMultiplierMs = 0;
    uint32_t readTotalConstantMs = 0;
    uint32_t writeTotalMultiplierMs = 0;
    uint32_t writeTotalConstantMs = 0;
};

PortTimeouts ComputePortTimeouts(uint32_t baud, uint8_t readTimeoutS, uint8_t writeTimeoutS);

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Discards whatever waits in the transmit and receive buffers.
    virtual void Purge() = 0;
    // Discards whatever waits in the receive buffer.
    virtual void PurgeReceive() = 0;
    // Reads one byte. Returns false when none arrived within the port's read
    // time-out, or within maxWaitMs when that is shorter.
    virtual bool ReadByte(uint8_t& byte, uint32_t maxWaitMs) = 0;
    // Writes the bytes in one write; returns how many were written.
    virtual std::size_t Write(std::span<const uint8_t> bytes) = 0;
};

struct PortRequest {
    uint8_t portNumber = 0;
    uint32_t baud = 0;
    uint8_t readTimeoutS = 0;
    uint8_t writeTimeoutS = 0;
};

// Opens and configures port "COM<n>" (8N1, no flow control, time-outs as
// above). Returns null on any failure; a half-configured port is closed.
std::unique_ptr<SerialPort> OpenSerialPort(const PortRequest& request);

// Tests replace the port opener to run the link over a scripted port.
using PortOpener = std::function<std::unique_ptr<SerialPort>(const PortRequest&)>;
void SetPortOpenerForTesting(PortOpener opener);

} // namespace kasdrv::platform
