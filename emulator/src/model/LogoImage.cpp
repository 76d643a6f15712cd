#include "model/LogoImage.h"

#include <algorithm>

namespace kasemu {

LogoLimits logoLimits(ModelKind model) {
    return model == ModelKind::Rx410f ? LogoLimits{448, 1050} : LogoLimits{352, 312};
}

namespace {

// Whether at least a quarter of the dots of a square cell are set.
bool cellInked(const Logo& logo, int cellX, int cellY, int cell) {
    int inked = 0;
    int dots = 0;
    for (int y = cellY * cell; y < std::min<int>((cellY + 1) * cell, logo.height); ++y) {
        for (int x = cellX * cell; x < std::min<int>((cellX + 1) * cell, logo.width); ++x) {
            ++dots;
            inked += logo.dot(x, y) ? 1 : 0;
        }
    }
    return dots > 0 && inked * 4 >= dots;
}

} // namespace

std::vector<std::string> logoTapeRows(const Logo& logo, int width) {
    std::vector<std::string> rows;
    if (!logo.loaded() || width <= 0) {
        return rows;
    }
    const int cell = std::max(1, (logo.width + width - 1) / width);
    const int columns = (logo.width + cell - 1) / cell;
    const int cellRows = (logo.height + cell - 1) / cell;
    const std::string pad(static_cast<std::size_t>((width - columns) / 2), ' ');
    for (int cy = 0; cy < cellRows; cy += 2) {
        std::string line = pad;
        for (int cx = 0; cx < columns; ++cx) {
            const bool upper = cellInked(logo, cx, cy, cell);
            const bool lower = cy + 1 < cellRows && cellInked(logo, cx, cy + 1, cell);
            line += upper && lower ? "█" : upper ? "▀" : lower ? "▄" : " ";
        }
        while (!line.empty() && line.back() == ' ') {
            line.pop_back();
        }
        rows.push_back(line);
    }
    return rows;
}

std::string logoPbm(const Logo& logo) {
    std::string image =
        "P4\n" + std::to_string(logo.width) + " " + std::to_string(logo.height) + "\n";
    image.append(logo.rows.begin(), logo.rows.end());
    return image;
}

} // namespace kasemu
