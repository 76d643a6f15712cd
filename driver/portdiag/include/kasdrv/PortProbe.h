// A host's own look at its ports before it hands one to the driver: the line
// opened as the driver opens it, to hear whether anything answers at a speed,
// and each port looked at in a process of its own, since one driver serves one
// port per process.
//
// Nothing here prints or knows the register's frames. Built into
// kasdrv_portdiag beside the port diagnosis.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kasdrv::portdiag {

// `device` opened as the driver opens it (unshared, locked against other
// programs, raw, at `baud`, old bytes dropped), `request` written, and what
// comes back handed to `heard` a read at a time (nothing when 20 ms passed
// without a byte) until it returns false. False when the line does not open,
// take the settings, or let itself be written or read. Windows gives hosts no
// such look (nullopt): there each speed is left to the driver.
std::optional<bool> AskRaw(const std::string& device, uint32_t baud,
                           std::span<const uint8_t> request,
                           const std::function<bool(std::span<const uint8_t>)>& heard);

// What a look run apart wrote, and whether it was stopped for being late.
struct LookOutcome {
    std::string said;
    bool late = false;
};

// Runs look(i) for every i below `count` and returns what each said. POSIX:
// each in a child process of its own, all at once; one that has not finished
// within `limit` is stopped; one whose process cannot be made runs here.
// Windows: one after another, here.
std::vector<LookOutcome> RunApart(std::size_t count,
                                  const std::function<std::string(std::size_t)>& look,
                                  std::chrono::seconds limit);

// Where the driver looks for comN entries: $KASDRV_DEVICES, else
// $HOME/.kasdrv/dosdevices. Empty when neither is set, and on Windows.
std::string DevicesDirectory();

} // namespace kasdrv::portdiag
