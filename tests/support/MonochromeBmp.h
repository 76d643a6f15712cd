// A one-bit BMP file image as a logo file holds it: file and info headers, a
// black-and-white palette, then the rows bottom first, each padded to four
// bytes with `pad`. rows[0] is the top row; each row holds width / 8 bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace kastest {

inline std::vector<uint8_t> MonochromeBmp(int width, const std::vector<std::vector<uint8_t>>& rows,
                                          uint8_t pad = 0x00) {
    std::vector<uint8_t> f = {'B', 'M'};
    auto put = [&f](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            f.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
    };
    const auto stored = static_cast<uint32_t>((width / 8 + 3) / 4 * 4);
    const auto pixels = stored * static_cast<uint32_t>(rows.size());
    constexpr uint32_t kHeaders = 14 + 40 + 8;
    put(kHeaders + pixels, 4); // file size
    put(0, 4);
    put(kHeaders, 4); // pixel data offset
    put(40, 4);       // info header size
    put(static_cast<uint32_t>(width), 4);
    put(static_cast<uint32_t>(rows.size()), 4);
    put(1, 2); // planes
    put(1, 2); // bits per pixel
    put(0, 4); // no compression
    put(pixels, 4);
    put(2835, 4); // 72 dpi
    put(2835, 4);
    put(2, 4); // palette entries
    put(0, 4);
    put(0x00000000, 4); // black
    put(0x00FFFFFF, 4); // white
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        std::vector<uint8_t> padded = *row;
        padded.resize(stored, pad);
        f.insert(f.end(), padded.begin(), padded.end());
    }
    return f;
}

} // namespace kastest
