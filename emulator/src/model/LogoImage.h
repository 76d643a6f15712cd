// The stored logo as the tape and an image file show it.
#pragma once

#include <string>
#include <vector>

#include "kasemu/RegisterState.h"

namespace kasemu {

// Largest logo a model prints, in dots.
struct LogoLimits {
    int width;
    int height;
};
LogoLimits logoLimits(ModelKind model);

// The logo drawn in block characters, scaled to at most `width` characters a line and centred;
// one character is a square of dots wide and two squares high.
std::vector<std::string> logoTapeRows(const Logo& logo, int width);

// The logo as a binary PBM image (P4): a set bit is a black dot, as on paper.
std::string logoPbm(const Logo& logo);

} // namespace kasemu
