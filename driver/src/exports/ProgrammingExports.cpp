// Writing the register's settings: receipt message lines, taxpayer lines,
// tax rates, fiscalization, articles, spacing and contrast, and the three
// on/off modes with the cutter query.
#include "CommandExport.h"
#include "ExportHelpers.h"
#include "QueryHelpers.h"
#include "kasdrv.h"

#include <array>
#include <limits>
#include <string>

namespace {

using namespace kasdrv;

constexpr uint8_t kFiscalize = 0x15;
constexpr uint8_t kHeadLines = 0x16;
constexpr uint8_t kMessageLine = 0x17;
constexpr uint8_t kTaxRates = 0x19;
constexpr uint8_t kProgramArticle = 0x22;
constexpr uint8_t kToggleOnline = 0x24;
constexpr uint8_t kToggleDisplaySum = 0x25;
constexpr uint8_t kSpacing = 0x27; // the register tells contrast from spacing by value
constexpr uint8_t kToggleCutter = 0x2E;

constexpr uint8_t kDoubleWidthBit = 0x40;
constexpr uint8_t kDoubleHeightBit = 0x80;

// Length in bits 0-5, double width 0x40, double height 0x80.
uint8_t LineAttribute(std::size_t length, FPBOOL doubleWidth, FPBOOL doubleHeight) {
    return static_cast<uint8_t>(length | (doubleWidth != 0 ? kDoubleWidthBit : 0) |
                                (doubleHeight != 0 ? kDoubleHeightBit : 0));
}

int16_t SendMessageLine(uint8_t lineNumber, std::string_view tooLongText, const char* text,
                        FPBOOL doubleWidth, FPBOOL doubleHeight) {
    constexpr std::size_t kWideLimit = 21;
    constexpr std::size_t kNarrowLimit = 36;
    const std::string line = DeviceTextOf(text);
    if (line.size() > (doubleWidth != 0 ? kWideLimit : kNarrowLimit)) {
        return Refuse(tooLongText);
    }
    return ResultOf(RunCommand(CommandBuilder(kMessageLine)
                                   .U8(lineNumber)
                                   .U8(LineAttribute(line.size(), doubleWidth, doubleHeight))
                                   .Raw(line)));
}

std::string PadLeft(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.insert(0, width - text.size(), '0');
    }
    return text;
}

// Digits, Latin letters and the Cyrillic letters of Windows-1251 (А-я, Ё ё
// Є є Ї ї І і); the blank and everything else is refused.
bool IsNumberCharacter(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           c >= 0xC0 || c == 0xA8 || c == 0xB8 || c == 0xAA || c == 0xBA || c == 0xAF ||
           c == 0xBF || c == 0xB2 || c == 0xB3;
}

} // namespace

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPSetInitialFirstLine(const char* text, FPBOOL doubleWidth,
                                                     FPBOOL doubleHeight) {
    return SendMessageLine(0x00, "Неверная длина 1-й строки начального сообщения чека!", text,
                           doubleWidth, doubleHeight);
}

KASDRV_API int16_t KASDRV_CALL FPSetFinalFirstLine(const char* text, FPBOOL doubleWidth,
                                                   FPBOOL doubleHeight) {
    return SendMessageLine(0x01, "Неверная длина 1-й строки конечного сообщения чека!", text,
                           doubleWidth, doubleHeight);
}

KASDRV_API int16_t KASDRV_CALL FPSetInitialSecondLine(const char* text, FPBOOL doubleWidth,
                                                      FPBOOL doubleHeight) {
    return SendMessageLine(0x02, "Неверная длина 2-й строки начального сообщения чека!", text,
                           doubleWidth, doubleHeight);
}

KASDRV_API int16_t KASDRV_CALL FPSetInitialEndLine(const char* text, FPBOOL doubleWidth,
                                                   FPBOOL doubleHeight) {
    return SendMessageLine(0x03, "Неверная длина 3-й строки начального сообщения чека!", text,
                           doubleWidth, doubleHeight);
}

KASDRV_API int16_t KASDRV_CALL FPSetFinalSecondLine(const char* text, FPBOOL doubleWidth,
                                                    FPBOOL doubleHeight) {
    return SendMessageLine(0x04, "Неверная длина 2-й строки конечного сообщения чека!", text,
                           doubleWidth, doubleHeight);
}

KASDRV_API int16_t KASDRV_CALL FPSetFinalEndLine(const char* text, FPBOOL doubleWidth,
                                                 FPBOOL doubleHeight) {
    return SendMessageLine(0x05, "Неверная длина 3-й строки конечного сообщения чека!", text,
                           doubleWidth, doubleHeight);
}

KASDRV_API int16_t KASDRV_CALL FPSetHeadLine(uint16_t password, const char* line1, FPBOOL width1,
                                             FPBOOL height1, const char* line2, FPBOOL width2,
                                             FPBOOL height2, const char* line3, FPBOOL width3,
                                             FPBOOL height3, const char* number,
                                             FPBOOL isIdentificationNumber) {
    constexpr std::size_t kWideLimit = 20;
    constexpr std::size_t kLimit = 24;
    constexpr std::size_t kNumberLength = 12;
    constexpr uint8_t kNumberKind = 0x0C;
    constexpr uint8_t kIdentificationBit = 0x80;
    struct Line {
        std::string text;
        FPBOOL width;
        FPBOOL height;
        std::string_view tooLongText;
    };
    const std::array<Line, 3> lines = {{
        {DeviceTextOf(line1), width1, height1,
         "Длина первой строки атрибутов налогоплательщика больше допустимой!"},
        {DeviceTextOf(line2), width2, height2,
         "Длина второй строки атрибутов налогоплательщика больше допустимой!"},
        {DeviceTextOf(line3), width3, height3,
         "Длина третьей строки атрибутов налогоплательщика больше допустимой!"},
    }};
    for (const Line& line : lines) {
        if ((line.width != 0 && line.text.size() > kWideLimit) || line.text.size() > kLimit) {
            return Refuse(line.tooLongText);
        }
    }
    const bool identification = isIdentificationNumber != 0;
    const std::string numberText = DeviceTextOf(number);
    if (numberText.size() > kNumberLength) {
        return Refuse(identification ? "Длина идентификационного номера больше 12 символов!"
                                     : "Длина налогового номера больше 12 символов!");
    }
    CommandBuilder command(kHeadLines);
    command.U16(password);
    for (const Line& line : lines) {
        command.U8(LineAttribute(line.text.size(), line.width, line.height)).Raw(line.text);
    }
    command.U8(kNumberKind | (identification ? kIdentificationBit : 0))
        .Raw(PadLeft(numberText, kNumberLength));
    return ResultOf(RunCommand(command));
}

KASDRV_API int16_t KASDRV_CALL FPSetTaxRate(uint16_t password, uint8_t count, FPBOOL addedTax,
                                            const FPTaxRate* rates, int32_t high, FPBOOL levy) {
    constexpr uint8_t kMostRates = 5;
    constexpr int64_t kHighestRate = 9999; // 99.99 %
    constexpr uint8_t kAddedTaxFlag = 0x10;
    constexpr uint8_t kLevyFlag = 0x20;
    if (count > kMostRates) {
        return Refuse("Cлишком много налоговых ставок!");
    }
    if (count == 0) {
        return Refuse("Cлишком мало налоговых ставок!");
    }
    // Unlike an output array, the records cannot be skipped.
    if (rates == nullptr || ArrayTooSmall(rates, high, count)) {
        return RefuseSmallArray("налоговых ставок", count);
    }
    const bool withLevy = levy != 0;
    for (uint8_t i = 0; i < count; ++i) {
        const int64_t rate = rates[i].rate;
        if (rate < 0 || rate > kHighestRate) {
            return Refuse("Значение налоговой ставки не должно превышать 99,99%!");
        }
        if (withLevy && rates[i].levyRate < 0) {
            return Refuse("Значение ставки сбора не может быть отрицательным!");
        }
        if (withLevy && rate + rates[i].levyRate > kHighestRate) {
            return Refuse("Cумма налоговой ставки и ставки сбора не должны превышать 99,99%!");
        }
    }
    // The register keeps the rates in this very layout (see the tax-rate reads).
    CommandBuilder command(kTaxRates);
    command.U16(password).U8(count);
    for (uint8_t i = 0; i < count; ++i) {
        command.U16(static_cast<uint16_t>(rates[i].rate));
    }
    command.U8(withLevy ? kLevyFlag : (addedTax != 0 ? kAddedTaxFlag : 0));
    if (withLevy) {
        for (uint8_t i = 0; i < count; ++i) {
            command.U16(static_cast<uint16_t>(rates[i].levyRate));
        }
    }
    return ResultOf(RunCommand(command));
}

KASDRV_API int16_t KASDRV_CALL FPFiscalization(uint16_t password, const char* fiscalNumber) {
    constexpr std::size_t kNumberLength = 10;
    const std::string_view number =
        fiscalNumber != nullptr ? std::string_view(fiscalNumber) : std::string_view();
    if (number.size() > kNumberLength) {
        return Refuse("Длина фискального номера должна быть до 10 символов!");
    }
    for (const char c : number) {
        if (!IsNumberCharacter(static_cast<unsigned char>(c))) {
            return Refuse("Фискальный номер может состоять только из цифр!");
        }
    }
    const std::string padded = PadLeft(std::string(number), kNumberLength);
    return ResultOf(RunCommand(CommandBuilder(kFiscalize).U16(password).Raw(ToDeviceText(padded))));
}

KASDRV_API int16_t KASDRV_CALL FPProgArt(uint16_t password, uint8_t decimals, int32_t price,
                                         uint8_t taxGroup, const char* name, int64_t articleCode) {
    constexpr uint16_t kNoPassword = 65535;
    constexpr uint8_t kLastGroup = 5;
    constexpr uint8_t kFirstGroupByte = 0x80;
    constexpr std::size_t kLongestName = 50;
    constexpr int kArticleCodeBytes = 6;
    if (password == kNoPassword) {
        return Refuse("Неверный пароль отчетов!");
    }
    // The magnitude travels in 31 bits: INT32_MIN would arrive as minus zero.
    if (price == std::numeric_limits<int32_t>::min()) {
        return Refuse("Недопустимая цена!");
    }
    if (taxGroup > kLastGroup) {
        return Refuse("Несуществующая налоговая группа");
    }
    const std::string nameText = DeviceTextOf(name);
    if (nameText.size() > kLongestName) {
        return Refuse("Название товара превышает 50 символов!");
    }
    if (!ArticleCodeFits(articleCode)) {
        return Refuse(kBadArticleCodeText);
    }
    return ResultOf(RunCommand(CommandBuilder(kProgramArticle)
                                   .U16(password)
                                   .U8(decimals)
                                   .SignMagnitude32(price)
                                   .U8(static_cast<uint8_t>(kFirstGroupByte + taxGroup))
                                   .U8(static_cast<uint8_t>(nameText.size()))
                                   .Raw(nameText)
                                   .UInt(static_cast<uint64_t>(articleCode), kArticleCodeBytes)));
}

KASDRV_API int16_t KASDRV_CALL FPLineSP(uint8_t spacing) {
    constexpr uint8_t kWidestSpacing = 63;
    if (spacing > kWidestSpacing) {
        return Refuse("Неверно задан параметр межстрочного расстояния!");
    }
    return ResultOf(RunCommand(CommandBuilder(kSpacing).U8(spacing)));
}

KASDRV_API int16_t KASDRV_CALL FPSetContrast(uint8_t percent) {
    constexpr uint8_t kLowest = 50;
    constexpr uint8_t kHighest = 200;
    if (percent < kLowest || percent > kHighest) {
        return Refuse("Диапазон котрастности печати должен быть задан в пределах 50 - 200%!");
    }
    return ResultOf(RunCommand(CommandBuilder(kSpacing).U8(percent)));
}

KASDRV_API int16_t KASDRV_CALL FPCplOnline(void) {
    return ResultOf(RunCommand(CommandBuilder(kToggleOnline)));
}

KASDRV_API int16_t KASDRV_CALL FPCplInd(void) {
    return ResultOf(RunCommand(CommandBuilder(kToggleDisplaySum)));
}

KASDRV_API int16_t KASDRV_CALL FPCplCutter(void) {
    return ResultOf(RunCommand(CommandBuilder(kToggleCutter)));
}

KASDRV_API int16_t KASDRV_CALL FPCutterStatus(FPBOOL* autoCut) {
    // Bit 3 of the mode byte is set while automatic cutting is off.
    constexpr uint16_t kModeAddress = 0x301A;
    constexpr uint8_t kModePage = 0x10;
    constexpr uint8_t kCutterOffBit = 0x08;
    Put(autoCut, 0);
    uint8_t mode = 0;
    uint8_t count = 1;
    if (FPGetMemoryData(&mode, 0, &count, kModeAddress, kModePage) == kFailure) {
        return kFailure;
    }
    if (count != 1) {
        return RefuseBadReply();
    }
    Put(autoCut, Flag((mode & kCutterOffBit) == 0));
    return kSuccess;
}

} // extern "C"
