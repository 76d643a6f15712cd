// The driver library on POSIX systems: loaded with dlopen, its version from
// the ELF note the build writes into it.
#include "FileVersion.h"

#include <QFile>

#include <dlfcn.h>
#include <link.h>

#include <cstring>
#include <string>

namespace kasmon {

namespace {

constexpr char kSectionName[] = ".note.kasdrv.version";
constexpr char kNoteName[] = "KASDRV";
constexpr std::uint32_t kNoteType = 1;
constexpr std::uint32_t kSectionNote = 7; // SHT_NOTE
constexpr std::uint32_t kSegmentNote = 4; // PT_NOTE

// Reads the fields of an ELF file of either class and byte order.
class ElfReader {
  public:
    explicit ElfReader(const QByteArray& bytes) : bytes_(bytes) {}

    bool parseHeader() {
        if (bytes_.size() < 52 || std::memcmp(bytes_.constData(),
                                              "\x7f"
                                              "ELF",
                                              4) != 0) {
            return false;
        }
        const auto elfClass = byte(4);
        const auto order = byte(5);
        if ((elfClass != 1 && elfClass != 2) || (order != 1 && order != 2)) {
            return false;
        }
        wide_ = elfClass == 2;
        little_ = order == 1;
        if (wide_ && bytes_.size() < 64) {
            return false;
        }
        if (wide_) {
            programOffset_ = u64(32);
            sectionOffset_ = u64(40);
            programEntrySize_ = u16(54);
            programCount_ = u16(56);
            sectionEntrySize_ = u16(58);
            sectionCount_ = u16(60);
            namesIndex_ = u16(62);
        } else {
            programOffset_ = u32(28);
            sectionOffset_ = u32(32);
            programEntrySize_ = u16(42);
            programCount_ = u16(44);
            sectionEntrySize_ = u16(46);
            sectionCount_ = u16(48);
            namesIndex_ = u16(50);
        }
        return true;
    }

    std::optional<FileVersion> fromSections() const {
        if (sectionOffset_ == 0 || sectionCount_ == 0 || sectionEntrySize_ < (wide_ ? 64 : 40)) {
            return std::nullopt;
        }
        struct Section {
            std::uint32_t name = 0, type = 0;
            std::uint64_t offset = 0, size = 0;
        };
        auto section = [&](std::uint64_t index) -> std::optional<Section> {
            const std::uint64_t at = sectionOffset_ + index * sectionEntrySize_;
            if (!fits(at, sectionEntrySize_)) {
                return std::nullopt;
            }
            Section s;
            s.name = u32(at);
            s.type = u32(at + 4);
            s.offset = wide_ ? u64(at + 24) : u32(at + 16);
            s.size = wide_ ? u64(at + 32) : u32(at + 20);
            return s;
        };
        const auto names = section(namesIndex_);
        // The named section first; any note section carrying the note after that.
        std::optional<FileVersion> anyNote;
        for (std::uint64_t i = 0; i < sectionCount_; ++i) {
            const auto s = section(i);
            if (!s || s->type != kSectionNote) {
                continue;
            }
            const auto found = notes(s->offset, s->size);
            if (names && nameIs(names->offset, names->size, s->name, kSectionName)) {
                return found;
            }
            if (found && !anyNote) {
                anyNote = found;
            }
        }
        return anyNote;
    }

    std::optional<FileVersion> fromSegments() const {
        if (programOffset_ == 0 || programCount_ == 0 || programEntrySize_ < (wide_ ? 56 : 32)) {
            return std::nullopt;
        }
        for (std::uint64_t i = 0; i < programCount_; ++i) {
            const std::uint64_t at = programOffset_ + i * programEntrySize_;
            if (!fits(at, programEntrySize_) || u32(at) != kSegmentNote) {
                continue;
            }
            const std::uint64_t offset = wide_ ? u64(at + 8) : u32(at + 4);
            const std::uint64_t size = wide_ ? u64(at + 32) : u32(at + 16);
            if (auto found = notes(offset, size)) {
                return found;
            }
        }
        return std::nullopt;
    }

  private:
    bool fits(std::uint64_t at, std::uint64_t length) const {
        const auto total = static_cast<std::uint64_t>(bytes_.size());
        return at <= total && length <= total - at;
    }
    std::uint8_t byte(std::uint64_t at) const {
        return static_cast<std::uint8_t>(bytes_.at(static_cast<qsizetype>(at)));
    }
    std::uint64_t read(std::uint64_t at, int width) const {
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i) {
            const std::uint64_t b = byte(at + static_cast<std::uint64_t>(i));
            value |= little_ ? b << (8 * i) : b << (8 * (width - 1 - i));
        }
        return value;
    }
    std::uint16_t u16(std::uint64_t at) const { return static_cast<std::uint16_t>(read(at, 2)); }
    std::uint32_t u32(std::uint64_t at) const { return static_cast<std::uint32_t>(read(at, 4)); }
    std::uint64_t u64(std::uint64_t at) const { return read(at, 8); }
    std::uint16_t le16(std::uint64_t at) const {
        return static_cast<std::uint16_t>(byte(at) | (byte(at + 1) << 8));
    }

    bool nameIs(std::uint64_t tableOffset, std::uint64_t tableSize, std::uint32_t index,
                const char* wanted) const {
        const std::uint64_t length = std::strlen(wanted) + 1;
        if (index >= tableSize || length > tableSize - index ||
            !fits(tableOffset + index, length)) {
            return false;
        }
        return std::memcmp(bytes_.constData() + tableOffset + index, wanted, length) == 0;
    }

    // Walks the notes of one note area and returns the version note's description.
    std::optional<FileVersion> notes(std::uint64_t offset, std::uint64_t size) const {
        if (!fits(offset, size)) {
            return std::nullopt;
        }
        auto align4 = [](std::uint64_t n) { return (n + 3U) & ~std::uint64_t{3}; };
        std::uint64_t at = offset;
        const std::uint64_t end = offset + size;
        while (end - at >= 12) {
            const std::uint64_t nameSize = u32(at);
            const std::uint64_t descSize = u32(at + 4);
            const std::uint32_t type = u32(at + 8);
            const std::uint64_t nameAt = at + 12;
            const std::uint64_t descAt = nameAt + align4(nameSize);
            const std::uint64_t next = descAt + align4(descSize);
            if (nameSize > end - nameAt || descAt > end || descSize > end - descAt) {
                return std::nullopt;
            }
            if (type == kNoteType && nameSize == sizeof(kNoteName) &&
                std::memcmp(bytes_.constData() + nameAt, kNoteName, sizeof(kNoteName)) == 0 &&
                descSize >= 8) {
                return FileVersion{le16(descAt), le16(descAt + 2), le16(descAt + 4),
                                   le16(descAt + 6)};
            }
            if (next <= at || next > end) {
                break;
            }
            at = next;
        }
        return std::nullopt;
    }

    const QByteArray& bytes_;
    bool wide_ = false;
    bool little_ = true;
    std::uint64_t programOffset_ = 0, sectionOffset_ = 0;
    std::uint64_t programEntrySize_ = 0, programCount_ = 0;
    std::uint64_t sectionEntrySize_ = 0, sectionCount_ = 0, namesIndex_ = 0;
};

} // namespace

bool ReadFileVersion(const QString& fileName, std::uint16_t& major, std::uint16_t& minor,
                     std::uint16_t& release, std::uint16_t& build) {
    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    ElfReader elf(bytes);
    if (!elf.parseHeader()) {
        return false;
    }
    std::optional<FileVersion> version = elf.fromSections();
    if (!version) {
        version = elf.fromSegments();
    }
    if (!version) {
        return false;
    }
    major = version->major;
    minor = version->minor;
    release = version->release;
    build = version->build;
    return true;
}

QString driverLibraryName() {
    return QStringLiteral("libkasdrv.so.1");
}

void LibraryHandle::load(const QString& name) {
    release();
    name_ = name;
    handle_ = ::dlopen(QFile::encodeName(name).constData(), RTLD_NOW | RTLD_LOCAL);
}

void LibraryHandle::release() {
    if (handle_ != nullptr) {
        ::dlclose(handle_);
        handle_ = nullptr;
    }
}

QString LibraryHandle::fileName() const {
    if (handle_ != nullptr) {
        struct link_map* map = nullptr;
        if (::dlinfo(handle_, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr &&
            map->l_name != nullptr && map->l_name[0] != '\0') {
            return QFile::decodeName(map->l_name);
        }
    }
    return name_;
}

} // namespace kasmon
