// What every platform shares; the platform's own part is in platform/.
#include "FileVersion.h"

namespace kasmon {

std::optional<FileVersion> ReadFileVersion(const QString& fileName) {
    FileVersion v;
    if (!ReadFileVersion(fileName, v.major, v.minor, v.release, v.build)) {
        return std::nullopt;
    }
    return v;
}

LibraryHandle::~LibraryHandle() {
    release();
}

} // namespace kasmon
