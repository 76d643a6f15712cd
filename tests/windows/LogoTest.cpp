// Loading a logo through KASDRV.DLL: the header command, then the rows in raw
// blocks, then switching its printing on and off.
#include "MonochromeBmp.h"
#include "WineHost.h"

#include <vector>

namespace kaswin {
namespace {

using Bytes = std::vector<uint8_t>;

// A one-bit BMP file image of width × height dots, a diagonal pattern.
Bytes BmpFile(int width, int height) {
    std::vector<Bytes> rows(static_cast<std::size_t>(height));
    const auto stored = static_cast<uint32_t>((width / 8 + 3) / 4 * 4);
    for (int row = 0; row < height; ++row) {
        // Rows are stored bottom first: the pattern follows the stored order.
        Bytes& r = rows[static_cast<std::size_t>(height - 1 - row)];
        for (uint32_t i = 0; i < stored; ++i) {
            r.push_back(static_cast<uint8_t>(0x80u >> ((static_cast<uint32_t>(row) + i) % 8)));
        }
    }
    return kastest::MonochromeBmp(width, rows);
}

class Logo : public RegisterTest {};

TEST_F(Logo, SizesOutsideTheLimitsAreRefusedBeforeSending) {
    const Bytes file = BmpFile(20, 4);
    const FPBitmap bitmap{20, 4, file.data(), static_cast<uint32_t>(file.size())};
    EXPECT_EQ(FPLoadBMP(0, 448, 1050, &bitmap, 0, 0), 0);
    EXPECT_NE(DriverError().find("кратно 8"), std::string::npos) << DriverError();
    EXPECT_EQ(FPLoadBMP(0, 448, 1050, nullptr, 0, 0), 0);
    EXPECT_EQ(DriverError(), "Изображение логотипа не задано!");
}

TEST_F(Logo, BitmapIsLoadedThenSwitchedOnAndOff) {
    const Bytes file = BmpFile(128, 40);
    const FPBitmap bitmap{128, 40, file.data(), static_cast<uint32_t>(file.size())};
    const int16_t rc = FPLoadBMP(0, 448, 1050, &bitmap, 0, 0);
    if (rc == 0) {
        KASWIN_SKIP_IF_UNSERVED("logo loading (0x2D)");
    }
    ASSERT_EQ(rc, -1) << DriverError();
    EXPECT_EQ(FPEnableBMP(0), -1) << DriverError();
    EXPECT_EQ(FPDisableBMP(0), -1) << DriverError();
    // The link is back to plain frames afterwards.
    EXPECT_EQ(FPGetDate(nullptr), -1) << DriverError();
}

} // namespace
} // namespace kaswin
