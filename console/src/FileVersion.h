// The driver library's version as its file carries it, and the handle the
// console keeps on the library from start to shutdown.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace kasmon {

struct FileVersion {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t release = 0;
    std::uint16_t build = 0;
};

// Reads the version a library file carries: the version resource on Windows,
// the ELF note "KASDRV" (type 1, four little-endian 16-bit numbers) in the
// section .note.kasdrv.version elsewhere. False when the file has none.
bool ReadFileVersion(const QString& fileName, std::uint16_t& major, std::uint16_t& minor,
                     std::uint16_t& release, std::uint16_t& build);
std::optional<FileVersion> ReadFileVersion(const QString& fileName);

// The library file name the console binds to: "KASDRV.DLL" on Windows, the
// name the program is linked against elsewhere.
QString driverLibraryName();

// A library loaded by name or path, released when this object goes away.
class LibraryHandle {
  public:
    LibraryHandle() = default;
    ~LibraryHandle();
    LibraryHandle(const LibraryHandle&) = delete;
    LibraryHandle& operator=(const LibraryHandle&) = delete;

    // Loads the library; the result is not judged (a failed load leaves no handle).
    void load(const QString& name);
    void release();
    bool loaded() const { return handle_ != nullptr; }
    // The file the library was loaded from, or the name given when it was not loaded.
    QString fileName() const;

  private:
    void* handle_ = nullptr;
    QString name_;
};

} // namespace kasmon
