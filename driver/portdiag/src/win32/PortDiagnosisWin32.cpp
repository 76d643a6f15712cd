// The port opened as the Win32 serial port opens it (unshared, existing device
// only), and its line settings read back.
#include "kasdrv/PortDiagnosis.h"
#include "platform/PortName.h"

#include <windows.h>

namespace kasdrv::portdiag {

using platform::PortDevicePath;

namespace {

std::string SystemText(DWORD error) {
    wchar_t* wide = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&wide), 0, nullptr);
    std::string text;
    if (n > 0 && wide != nullptr) {
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(n), nullptr, 0,
                                               nullptr, nullptr);
        text.resize(static_cast<std::size_t>(size > 0 ? size : 0));
        ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(n), text.data(), size, nullptr,
                              nullptr);
    }
    if (wide != nullptr) {
        ::LocalFree(wide);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text.empty() ? "error " + std::to_string(error) : text;
}

PortFault Classify(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_UNIT:
        return PortFault::Absent;
    case ERROR_ACCESS_DENIED: // what a port another program holds answers
    case ERROR_SHARING_VIOLATION:
        return PortFault::Busy;
    default:
        return PortFault::Failed;
    }
}

} // namespace

PortDiagnosis DiagnosePort(uint8_t portNumber, uint32_t baud) {
    PortDiagnosis d;
    d.name = "COM" + std::to_string(portNumber);
    if (portNumber == 0) {
        d.fault = PortFault::NoPort;
        return d;
    }
    d.device = PortDevicePath(portNumber);
    if (baud == 0) {
        d.fault = PortFault::BadSpeed;
        return d;
    }
    const HANDLE h = ::CreateFileA(d.device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        d.fault = Classify(error);
        d.systemError = static_cast<int>(error);
        d.reason = SystemText(error);
        return d;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (::GetCommState(h, &dcb) == FALSE) {
        const DWORD error = ::GetLastError();
        d.fault = PortFault::NotATerminal;
        d.systemError = static_cast<int>(error);
        d.reason = SystemText(error);
    }
    ::CloseHandle(h);
    return d;
}

} // namespace kasdrv::portdiag
