// The version a Windows file carries in its version resource, read without
// Qt: the console's start-up check calls it for KASDRV.DLL, and the tests of
// the Windows build call it directly.
#pragma once

#include <cstdint>

namespace kasmon {

// Reads the fixed file version of `fileName` (a path, or a bare name looked
// up as the system looks up files by name): major and minor from the most
// significant double word, release and build from the least significant
// one. False when the file has no version resource or it cannot be read.
bool ReadFileVersion(const wchar_t* fileName, std::uint16_t& major, std::uint16_t& minor,
                     std::uint16_t& release, std::uint16_t& build);

} // namespace kasmon
