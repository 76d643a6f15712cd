#include "BmpFileImage.h"

namespace kasdrv {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12; // the old OS/2 header: 16-bit sizes
constexpr uint32_t kSmallestInfoHeader = 16;

uint32_t Le(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = v << 8 | p[i];
    }
    return v;
}

} // namespace

BmpImageFault CheckBmpImage(const uint8_t* image, uint32_t size, uint64_t rowsBytes) {
    if (image == nullptr || size < kFileHeaderSize + 4 || image[0] != 'B' || image[1] != 'M') {
        return BmpImageFault::Malformed;
    }
    const uint32_t infoSize = Le(image + 14, 4);
    uint32_t depthAt = 0;
    if (infoSize == kCoreHeaderSize) {
        depthAt = kFileHeaderSize + 10;
    } else if (infoSize >= kSmallestInfoHeader) {
        depthAt = kFileHeaderSize + 14;
    } else {
        return BmpImageFault::Malformed;
    }
    if (size < depthAt + 2) {
        return BmpImageFault::Malformed;
    }
    if (Le(image + depthAt, 2) != 1) {
        return BmpImageFault::NotMonochrome;
    }
    const uint64_t pixelOffset = Le(image + 10, 4);
    if (pixelOffset < kFileHeaderSize + static_cast<uint64_t>(infoSize) || pixelOffset > size ||
        size - pixelOffset < rowsBytes) {
        return BmpImageFault::Malformed;
    }
    return BmpImageFault::None;
}

} // namespace kasdrv
