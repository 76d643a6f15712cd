#include "kashost/Register.h"

#include <kasdrv.h>

namespace kashost {

// The facts and the driver's header name the same numbers.
static_assert(reg::kCashForm == FP_PAYMENT_CASH);
static_assert(reg::kUnitQuantityFlag == FP_SALE_UNIT_QUANTITY);
static_assert(reg::kPaymentForms.size() == FP_PAYMENT_CASH + 1);
static_assert(reg::kTaxGroupLetters.size() == FP_TAX_GROUP_E + 1);
static_assert(reg::kDiscountTypesRu.size() == FP_DISCOUNT_AMOUNT_SUBTOTAL + 1);

FirmwareModel modelOf(const RegisterStatus& status) {
    return reg::modelOfFirmware(status.firmware ? *status.firmware : std::string_view());
}

} // namespace kashost
