// Operators: the cashier on duty and the operators' passwords.
#include "CommandExport.h"
#include "ExportHelpers.h"
#include "kasdrv.h"

namespace {

using namespace kasdrv;

constexpr uint8_t kSetPassword = 0x05;
constexpr uint8_t kRegisterCashier = 0x06;
constexpr uint8_t kLastOperator = 9;
constexpr std::size_t kMaxCashierName = 15;
constexpr uint8_t kStoredName = 0xFF;
constexpr std::string_view kNameTooLong = "Имя кассира превышает 15 символов!";

} // namespace

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPSetPassword(uint16_t oldPassword, uint16_t newPassword,
                                             uint8_t operatorNo, const char* name) {
    if (operatorNo > kLastOperator) {
        return Refuse("Недопустимый номер оператора (кассира)!");
    }
    const std::string text = DeviceTextOf(name);
    if (text.size() > kMaxCashierName) {
        return Refuse(kNameTooLong);
    }
    return ResultOf(RunCommand(CommandBuilder(kSetPassword)
                                   .U16(oldPassword)
                                   .U8(operatorNo)
                                   .U16(newPassword)
                                   .U8(static_cast<uint8_t>(text.size()))
                                   .Raw(text)));
}

KASDRV_API int16_t KASDRV_CALL FPSetCashier(uint8_t cashierNo, const char* name, uint16_t password,
                                            FPBOOL useStoredName) {
    if (cashierNo > kLastOperator) {
        return Refuse("Неверный номер кассира!");
    }
    // Checked even when the register's stored name is used.
    const std::string text = DeviceTextOf(name);
    if (text.size() > kMaxCashierName) {
        return Refuse(kNameTooLong);
    }
    CommandBuilder c(kRegisterCashier);
    c.U16(password).U8(cashierNo);
    if (useStoredName != 0) {
        c.U8(kStoredName);
    } else {
        c.U8(static_cast<uint8_t>(text.size())).Raw(text);
    }
    return ResultOf(RunCommand(c));
}

} // extern "C"
