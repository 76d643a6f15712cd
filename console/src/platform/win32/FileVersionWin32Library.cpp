// The driver library on Windows: loaded by name, its version from the
// version resource.
#include "FileVersion.h"
#include "FileVersionWin32.h"

#include <windows.h>

#include <string>

namespace kasmon {

bool ReadFileVersion(const QString& fileName, std::uint16_t& major, std::uint16_t& minor,
                     std::uint16_t& release, std::uint16_t& build) {
    const std::wstring name = fileName.toStdWString();
    return ReadFileVersion(name.c_str(), major, minor, release, build);
}

QString driverLibraryName() {
    return QStringLiteral("KASDRV.DLL");
}

void LibraryHandle::load(const QString& name) {
    release();
    name_ = name;
    handle_ = reinterpret_cast<void*>(LoadLibraryW(name.toStdWString().c_str()));
}

void LibraryHandle::release() {
    if (handle_ != nullptr) {
        FreeLibrary(reinterpret_cast<HMODULE>(handle_));
        handle_ = nullptr;
    }
}

QString LibraryHandle::fileName() const {
    if (handle_ != nullptr) {
        wchar_t path[MAX_PATH] = {};
        const DWORD n = GetModuleFileNameW(reinterpret_cast<HMODULE>(handle_), path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            return QString::fromWCharArray(path, static_cast<int>(n));
        }
    }
    return name_;
}

} // namespace kasmon
