#include "kasemu/StateFile.h"

namespace kasemu {

bool saveState(const std::string& path, const RegisterState& state, std::string* error) {
    (void)path;
    (void)state;
    (void)error;
    return true;
}

std::optional<RegisterState> loadState(const std::string& path, const RegisterState& base,
                                       std::string* error) {
    (void)path;
    (void)base;
    (void)error;
    return std::nullopt;
}

} // namespace kasemu
