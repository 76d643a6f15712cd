// Around the receipt: customer display, drawer, receipt copy, firmware
// printout, non-fiscal text and bar codes.
#include "CommandExport.h"
#include "ExportHelpers.h"
#include "kasdrv.h"

#include <algorithm>
#include <string>

namespace {

using namespace kasdrv;

constexpr uint8_t kCustomerDisplay = 0x1B;
constexpr uint8_t kOpenDrawer = 0x1D;
constexpr uint8_t kCopyLastReceipt = 0x1E;
constexpr uint8_t kPrintFirmware = 0x20;
constexpr uint8_t kNonFiscalText = 0x28;
constexpr uint8_t kCode128 = 0x2F;
constexpr uint8_t kEan13 = 0x31;

constexpr uint8_t kUpperLine = 0x00;
constexpr uint8_t kLowerLine = 0x01;
constexpr std::size_t kMaxDisplayText = 20;

constexpr uint8_t kSwitchTape = 0xFE;
constexpr uint8_t kEndOfText = 0xFF;
constexpr std::size_t kMaxTextLine = 37;

constexpr std::size_t kMaxCode128 = 16;
constexpr std::size_t kEan13Digits = 13;

bool Done(const CommandBuilder& command) {
    return ResultOf(RunCommand(command)) == kSuccess;
}

} // namespace

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPSendCustomer(FPBOOL lowerLine, const char* text) {
    const std::string line = DeviceTextOf(text);
    if (line.size() > kMaxDisplayText) {
        return Refuse("Длина строк больше допустимой!");
    }
    return ResultOf(RunCommand(CommandBuilder(kCustomerDisplay)
                                   .U8(lowerLine != 0 ? kLowerLine : kUpperLine)
                                   .U8(static_cast<uint8_t>(line.size()))
                                   .Raw(line)));
}

KASDRV_API int16_t KASDRV_CALL FPOpenBox(void) {
    return ResultOf(RunCommand(CommandBuilder(kOpenDrawer)));
}

KASDRV_API int16_t KASDRV_CALL FPCopyLastCheck(void) {
    return ResultOf(RunCommand(CommandBuilder(kCopyLastReceipt)));
}

KASDRV_API int16_t KASDRV_CALL FPPrintVersion(void) {
    return ResultOf(RunCommand(CommandBuilder(kPrintFirmware)));
}

KASDRV_API int16_t KASDRV_CALL FPTransPrint(const char* const* lines, int32_t lineCount,
                                            FPBOOL receiptTapeOnly, FPBOOL finish) {
    if (lineCount < 0 || (lineCount > 0 && lines == nullptr)) {
        return Refuse("Неверный список строк нефискального текста!");
    }
    DriverSession& s = Session();
    // The tape choice holds for the whole text: switched only when it changes.
    const bool tapeOnly = receiptTapeOnly != 0;
    if (tapeOnly != s.NonFiscalTextReceiptTapeOnly) {
        if (!Done(CommandBuilder(kNonFiscalText).U8(kSwitchTape))) {
            return kFailure;
        }
        s.NonFiscalTextReceiptTapeOnly = tapeOnly;
    }
    for (int32_t k = 0; k < lineCount; ++k) {
        const std::string line = DeviceTextOf(lines[k]);
        if (line.size() > kMaxTextLine) {
            return Refuse("Строка №" + std::to_string(k) +
                          "\r\nДлина строки нефискального текста превышает допустимую длину");
        }
        if (!Done(CommandBuilder(kNonFiscalText).U8(static_cast<uint8_t>(line.size())).Raw(line))) {
            return kFailure;
        }
    }
    if (finish != 0) {
        if (!Done(CommandBuilder(kNonFiscalText).U8(kEndOfText))) {
            return kFailure;
        }
        s.NonFiscalTextReceiptTapeOnly = false;
    }
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPSetBarCode(const char* text) {
    const std::string code = DeviceTextOf(text);
    if (code.size() > kMaxCode128) {
        return Refuse("Слишком длинный штрих-код");
    }
    if (std::any_of(code.begin(), code.end(),
                    [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; })) {
        return Refuse("Ошибка данных штрих-кода Code-128!");
    }
    return ResultOf(
        RunCommand(CommandBuilder(kCode128).U8(static_cast<uint8_t>(code.size())).Raw(code)));
}

KASDRV_API int16_t KASDRV_CALL FPPrintEAN13(const char* text) {
    const std::string number = DeviceTextOf(text);
    if (number.size() > kEan13Digits) {
        return Refuse("Недопустимая длина штрих-кода!");
    }
    if (!std::all_of(number.begin(), number.end(),
                     [](char ch) { return ch >= '0' && ch <= '9'; })) {
        return Refuse("Ошибка формата штрих-кода EAN-13!");
    }
    // A shorter number is padded on the left; its last digit is the check digit.
    const std::string digits = std::string(kEan13Digits - number.size(), '0') + number;
    if (Ean13CheckDigit(digits) != digits.back() - '0') {
        return Refuse("Ошибка в контрольном разряде штрих-кода EAN-13!");
    }
    return ResultOf(RunCommand(CommandBuilder(kEan13).Raw(digits)));
}

} // extern "C"
