// The printed logo: loading a monochrome bitmap into the register in raw
// 64-byte blocks, and switching its printing on and off.
#include "BmpFileImage.h"
#include "CommandExport.h"
#include "DriverUnit.h"
#include "PrinterError.h"
#include "kasdrv.h"

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

namespace {

using namespace kasdrv;

constexpr uint8_t kLogoCommand = 0x2D;
constexpr uint8_t kLogoOn = 0x01;
constexpr uint8_t kLogoOff = 0x00;
constexpr std::size_t kBlockSize = 64;
constexpr int64_t kNarrowestLogo = 8;

// The 8-byte logo command: password, on or off, width and height (0 and 0
// unless a logo follows).
CommandBuilder LogoCommand(uint16_t password, uint8_t onOff, uint16_t width, uint16_t height) {
    CommandBuilder command(kLogoCommand);
    command.U16(password).U8(onOff).U16(width).U16(height);
    return command;
}

constexpr std::string_view kShortImageText =
    "Изображение логотипа короче, чем требуют его ширина и высота!";

std::string SizeLimitsText(uint16_t maxWidth, uint16_t maxHeight) {
    return "Количество точек по ширине: X = 8.." + std::to_string(maxWidth) + ".\r\n" +
           "Количество точек по высоте: Y = 1.." + std::to_string(maxHeight) + ".";
}

// SYN bytes are the register's "busy" signal in framed answers, but the raw
// blocks are answered without them; the flag holds for one whole transfer
// and is dropped on every way out.
class LogoTransfer {
  public:
    LogoTransfer() { Session().LogoTransferMode = true; }
    ~LogoTransfer() { Session().LogoTransferMode = false; }
    LogoTransfer(const LogoTransfer&) = delete;
    LogoTransfer& operator=(const LogoTransfer&) = delete;
};

// The logo rows top to bottom, each width/8 bytes: a BMP file stores its
// rows bottom first at the end of the file, each padded to 4 bytes.
Bytes LogoRows(const FPBitmap& bitmap, bool doubleHeight, bool invert) {
    const auto rowBytes = static_cast<std::size_t>(bitmap.width) / 8;
    const std::size_t storedRow = (rowBytes + 3) / 4 * 4;
    const auto rows = static_cast<std::size_t>(bitmap.height);
    Bytes data;
    data.reserve(rowBytes * rows * (doubleHeight ? 2 : 1));
    for (std::size_t row = 0; row < rows; ++row) {
        const uint8_t* stored = bitmap.image + bitmap.imageSize - (row + 1) * storedRow;
        for (int copy = 0; copy < (doubleHeight ? 2 : 1); ++copy) {
            data.insert(data.end(), stored, stored + rowBytes);
        }
    }
    if (invert) {
        for (uint8_t& b : data) {
            b = static_cast<uint8_t>(~b);
        }
    }
    return data;
}

} // namespace

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPLoadBMP(uint16_t password, uint16_t maxWidth, uint16_t maxHeight,
                                         const FPBitmap* bitmap, FPBOOL doubleHeight,
                                         FPBOOL invert) {
    if (bitmap == nullptr) {
        return Refuse("Изображение логотипа не задано!");
    }
    const int64_t width = bitmap->width;
    const int64_t height = bitmap->height;
    const int64_t sentHeight = doubleHeight != 0 ? 2 * height : height;
    const std::string sizeText = "Недопустимые размеры логотипа!\r\n\r\nДопустимые размеры:\r\n" +
                                 SizeLimitsText(maxWidth, maxHeight) +
                                 "\r\nСохраните файл в монохромном режиме.";
    if (width < kNarrowestLogo || width > maxWidth || height <= 0 || sentHeight > maxHeight) {
        return Refuse(sizeText);
    }
    if (width % 8 != 0) {
        return Refuse("Недопустимые размеры логотипа!\r\n\r\nКоличество точек по ширине "
                      "должно быть кратно 8.\r\nДопустимые размеры:\r\n" +
                      SizeLimitsText(maxWidth, maxHeight));
    }
    const auto storedRow = static_cast<uint64_t>((width / 8 + 3) / 4 * 4);
    // The rows are cut from the end of the file image: a truncated or
    // foreign file would otherwise go out as a garbage logo, and a colour
    // file as stripes.
    switch (CheckBmpImage(bitmap->image, bitmap->imageSize,
                          storedRow * static_cast<uint64_t>(height))) {
    case BmpImageFault::None:
        break;
    case BmpImageFault::Malformed:
        return Refuse(kShortImageText);
    case BmpImageFault::NotMonochrome:
        return Refuse(sizeText);
    }
    const Bytes data = LogoRows(*bitmap, doubleHeight != 0, invert != 0);

    const LogoTransfer transfer;
    const Verdict header = RunCommand(LogoCommand(password, kLogoOn, static_cast<uint16_t>(width),
                                                  static_cast<uint16_t>(sentHeight)),
                                      ShiftLeniency::Strict);
    if (header != Verdict::Accepted) {
        return kFailure;
    }
    DriverSession& s = Session();
    for (std::size_t offset = 0; offset < data.size(); offset += kBlockSize) {
        const std::size_t n = std::min(kBlockSize, data.size() - offset);
        if (!ExecuteCommand(std::span<const uint8_t>(data).subspan(offset, n), true)) {
            return Refuse(s.AnswerInDoubt ? kNotReceivedText
                                          : std::string_view("Ошибка программирования логотипа!"));
        }
        if (!DecodeStatus(s.StatusByte, s.ResultByte)) {
            return kFailure;
        }
    }
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPEnableBMP(uint16_t password) {
    return ResultOf(RunCommand(LogoCommand(password, kLogoOn, 0, 0), ShiftLeniency::Strict));
}

KASDRV_API int16_t KASDRV_CALL FPDisableBMP(uint16_t password) {
    return ResultOf(RunCommand(LogoCommand(password, kLogoOff, 0, 0), ShiftLeniency::Strict));
}

} // extern "C"
