// Win32 serial port: \\.\COMn through CreateFile, the line set through the
// DCB, the waits through COMMTIMEOUTS, one-byte ReadFile and one WriteFile.
#include "platform/PortName.h"
#include "platform/SerialPort.h"

#include <windows.h>

#include <limits>
#include <string>

namespace kasdrv::platform {

namespace {

class Win32SerialPort final : public SerialPort {
  public:
    Win32SerialPort(HANDLE handle, const COMMTIMEOUTS& timeouts)
        : handle_(handle), configured_(timeouts), applied_(timeouts) {}
    ~Win32SerialPort() override { ::CloseHandle(handle_); }
    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    // The clear purges only: a read or write still pending is not aborted.
    void Purge() override { ::PurgeComm(handle_, PURGE_TXCLEAR | PURGE_RXCLEAR); }
    void PurgeReceive() override { ::PurgeComm(handle_, PURGE_RXCLEAR); }

    bool ReadByte(uint8_t& byte, uint32_t maxWaitMs) override {
        if (!ApplyReadWait(maxWaitMs)) {
            return false;
        }
        DWORD got = 0;
        return ::ReadFile(handle_, &byte, 1, &got, nullptr) != FALSE && got == 1;
    }

    std::size_t Write(std::span<const uint8_t> bytes) override {
        if (bytes.size() > std::numeric_limits<DWORD>::max()) {
            return 0;
        }
        // A write cut short by the write time-out still reports what went out.
        DWORD written = 0;
        ::WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        return written;
    }

  private:
    // How long a one-byte read waits under the configured time-outs; all
    // zeros make ReadFile wait for a byte without limit.
    uint64_t ConfiguredOneByteWait() const {
        if (configured_.ReadIntervalTimeout == 0 && configured_.ReadTotalTimeoutMultiplier == 0 &&
            configured_.ReadTotalTimeoutConstant == 0) {
            return std::numeric_limits<uint64_t>::max();
        }
        return uint64_t{configured_.ReadTotalTimeoutMultiplier} +
               configured_.ReadTotalTimeoutConstant;
    }

    // Keeps the port's own time-outs while they end the read first; when the
    // caller's wait is shorter, the total time-out of this read is cut to it.
    // The port is only told when the time-outs change.
    bool ApplyReadWait(uint32_t maxWaitMs) {
        COMMTIMEOUTS wanted = configured_;
        if (maxWaitMs < ConfiguredOneByteWait()) {
            wanted.ReadTotalTimeoutMultiplier = 0;
            wanted.ReadTotalTimeoutConstant = maxWaitMs == 0 ? 1 : maxWaitMs;
        }
        if (wanted.ReadTotalTimeoutMultiplier == applied_.ReadTotalTimeoutMultiplier &&
            wanted.ReadTotalTimeoutConstant == applied_.ReadTotalTimeoutConstant) {
            return true;
        }
        if (::SetCommTimeouts(handle_, &wanted) == FALSE) {
            return false;
        }
        applied_ = wanted;
        return true;
    }

    HANDLE handle_;
    COMMTIMEOUTS configured_; // as FPInit set them
    COMMTIMEOUTS applied_;    // as the port has them now
};

// 8 data bits, no parity, one stop bit, every flag cleared (no parity check,
// no CTS/DSR output flow control, DTR and RTS off, no XON/XOFF either way, no
// error-character replacement, no null stripping, no abort on error). The
// XON/XOFF limits and characters and the error, end-of-file and event
// characters keep what the port had.
bool ConfigureLine(HANDLE handle, uint32_t baud) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (::GetCommState(handle, &dcb) == FALSE) {
        return false;
    }
    dcb.BaudRate = baud;
    dcb.fBinary = 0;
    dcb.fParity = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fErrorChar = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = 0;
    dcb.fDummy2 = 0;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    return ::SetCommState(handle, &dcb) != FALSE;
}

bool ConfigureTimeouts(HANDLE handle, const PortTimeouts& wanted, COMMTIMEOUTS& applied) {
    COMMTIMEOUTS t{};
    if (::GetCommTimeouts(handle, &t) == FALSE) {
        return false;
    }
    t.ReadIntervalTimeout = wanted.readIntervalMs;
    t.ReadTotalTimeoutMultiplier = wanted.readTotalMultiplierMs;
    t.ReadTotalTimeoutConstant = wanted.readTotalConstantMs;
    t.WriteTotalTimeoutMultiplier = wanted.writeTotalMultiplierMs;
    t.WriteTotalTimeoutConstant = wanted.writeTotalConstantMs;
    if (::SetCommTimeouts(handle, &t) == FALSE) {
        return false;
    }
    applied = t;
    return true;
}

} // namespace

std::unique_ptr<SerialPort> OpenSystemSerialPort(const PortRequest& request) {
    const std::string path = PortDevicePath(request.portNumber);
    if (path.empty()) {
        return nullptr;
    }
    // Read and write, not shared, an existing device only.
    const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    COMMTIMEOUTS timeouts{};
    if (!ConfigureLine(handle, request.baud) ||
        !ConfigureTimeouts(
            handle, ComputePortTimeouts(request.baud, request.readTimeoutS, request.writeTimeoutS),
            timeouts)) {
        ::CloseHandle(handle);
        return nullptr;
    }
    return std::make_unique<Win32SerialPort>(handle, timeouts);
}

} // namespace kasdrv::platform
