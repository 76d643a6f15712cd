// The register's non-volatile memory on disk. The file is replaced atomically: the new
// contents go to FILE.tmp, are flushed to the disk, and the temporary file is renamed over
// FILE, so an interrupted write leaves the previous state intact.
#pragma once

#include <optional>
#include <string>

#include "kasemu/RegisterState.h"

namespace kasemu {

// Writes the non-volatile part of the state. False (with a reason) on failure. Without
// `durable` the file is replaced all the same (a process killed at any moment leaves the old
// or the new state) but nothing is flushed to the disk.
bool saveState(const std::string& path, const RegisterState& state, std::string* error = nullptr,
               bool durable = true);
// Reads a state written by saveState onto `base` (the volatile fields keep base's values).
// Nothing when the file is missing or empty; nothing with a reason when it is damaged.
std::optional<RegisterState> loadState(const std::string& path, const RegisterState& base,
                                       std::string* error = nullptr);

} // namespace kasemu
