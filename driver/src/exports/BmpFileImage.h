// What the logo export checks in a BMP file image before it cuts rows from
// it: the file signature, a readable info header with its colour depth, and
// the stored rows lying inside the pixel data that the file header points to.
#pragma once

#include <cstdint>

namespace kasdrv {

enum class BmpImageFault {
    None,
    Malformed,     // no "BM", headers cut off, or fewer rows than needed
    NotMonochrome, // more than one bit a dot
};

// `rowsBytes` is the size of the stored rows the logo needs (padded row
// size times height). The rows are taken from the end of the image, so they
// must all lie at or after the pixel-data offset.
BmpImageFault CheckBmpImage(const uint8_t* image, uint32_t size, uint64_t rowsBytes);

} // namespace kasdrv
