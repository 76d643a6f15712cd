// Windows gives hosts no raw look: the driver tries each speed itself, and the
// ports are looked at one after another.
#include "kasdrv/PortProbe.h"

namespace kasdrv::portdiag {

std::optional<bool> AskRaw(const std::string&, uint32_t, std::span<const uint8_t>,
                           const std::function<bool(std::span<const uint8_t>)>&) {
    return std::nullopt;
}

std::vector<LookOutcome> RunApart(std::size_t count,
                                  const std::function<std::string(std::size_t)>& look,
                                  std::chrono::seconds) {
    std::vector<LookOutcome> outcomes;
    for (std::size_t i = 0; i < count; ++i) {
        outcomes.push_back({look(i)});
    }
    return outcomes;
}

std::string DevicesDirectory() {
    return {};
}

} // namespace kasdrv::portdiag
