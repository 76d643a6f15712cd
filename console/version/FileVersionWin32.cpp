#include "FileVersionWin32.h"

#include <windows.h>

#include <vector>

namespace kasmon {

bool ReadFileVersion(const wchar_t* fileName, std::uint16_t& major, std::uint16_t& minor,
                     std::uint16_t& release, std::uint16_t& build) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(fileName, &ignored);
    if (size == 0) {
        return false;
    }
    // The buffer goes with this scope, whichever way the reading ends.
    std::vector<unsigned char> buffer(size);
    if (::GetFileVersionInfoW(fileName, 0, size, buffer.data()) == FALSE) {
        return false;
    }
    void* root = nullptr;
    UINT length = 0;
    if (::VerQueryValueW(buffer.data(), L"\\", &root, &length) == FALSE || root == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(root);
    major = HIWORD(info->dwFileVersionMS);
    minor = LOWORD(info->dwFileVersionMS);
    release = HIWORD(info->dwFileVersionLS);
    build = LOWORD(info->dwFileVersionLS);
    return true;
}

} // namespace kasmon
