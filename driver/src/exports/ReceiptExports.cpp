// The receipt: sale and payout lines, comments, discounts and surcharges,
// payments, annulment, the zero receipt and paper feed.
#include "CommandExport.h"
#include "ExportHelpers.h"
#include "kasdrv.h"
#include "platform/CodePage.h"

#include <cstdint>
#include <limits>

namespace {

using namespace kasdrv;

constexpr uint8_t kPayoutLine = 0x08;
constexpr uint8_t kComment = 0x0B;
constexpr uint8_t kLineFeed = 0x0E;
constexpr uint8_t kAnnul = 0x0F;
constexpr uint8_t kSaleLine = 0x12;
constexpr uint8_t kPayment = 0x14;
constexpr uint8_t kDiscount = 0x23;

constexpr int32_t kMaxQuantity = 0xFFFFFF;              // three bytes
constexpr int64_t kArticleCodeLimit = int64_t{1} << 48; // six bytes
constexpr int64_t kLargestEanArticle = 9'999'999'999'999;
constexpr uint8_t kLastTaxGroup = 5;
constexpr uint8_t kTaxGroupBase = 0x80;
constexpr uint8_t kStoredName = 0xFF;
constexpr uint8_t kPrintBarcodeFlag = 0x40;
constexpr std::size_t kMaxLineName = 50;

constexpr uint8_t kLastPaymentForm = 3;
constexpr uint8_t kCash = 3;
constexpr uint8_t kFiscalCopyFlag = 0x40;
constexpr uint32_t kTopBit = 0x80000000u;
constexpr uint32_t kMaxPayment = 0x7FFFFFFFu;

constexpr std::size_t kMaxComment = 27;
constexpr uint8_t kCommentFlag = 0x80;

constexpr uint8_t kLastDiscountType = 3;
constexpr uint32_t kPercentMarker = 1u << 25;
constexpr uint32_t kDiscountBit = 1u << 31;
constexpr int32_t kPercentLimit = 1 << 25;
constexpr std::size_t kMaxDiscountText = 25;

constexpr std::string_view kZeroReceiptText = "НУЛЬОВИЙ ЧЕК";

// The article code as thirteen digits when its EAN-13 check digit is right.
bool IsEan13Article(int64_t code) {
    if (code > kLargestEanArticle) {
        return false;
    }
    std::string digits(13, '0');
    for (int i = 12; i >= 0 && code > 0; --i, code /= 10) {
        digits[static_cast<std::size_t>(i)] = static_cast<char>('0' + code % 10);
    }
    return Ean13CheckDigit(digits) == digits[12] - '0';
}

// Line cost (sign and magnitude) and receipt total, four bytes each.
bool ReadLineReply(int64_t* cost, int64_t* total) {
    ReplyReader r(Session().ReplyData);
    const int64_t c = r.SignMagnitude32();
    const uint32_t t = r.U32();
    if (!r.ok()) {
        return false;
    }
    Put(cost, c);
    Put(total, static_cast<int64_t>(t));
    return true;
}

// A sale line (0x12) or a payout line (0x08); both fail on any register error.
int16_t RegisterLine(uint8_t command, int64_t* lineCost, int64_t* receiptTotal, int32_t quantity,
                     uint8_t saleFlags, int32_t price, uint8_t taxGroup, FPBOOL nameFromRegister,
                     FPBOOL printBarcode, const char* name, int64_t articleCode) {
    Put(lineCost, 0);
    Put(receiptTotal, 0);
    if (quantity < 0) {
        return Refuse("Недопустимое количество!");
    }
    if (quantity > kMaxQuantity) {
        return Refuse("Передаваемое количество больше допустимого!");
    }
    // The magnitude travels in 31 bits.
    if (price == std::numeric_limits<int32_t>::min()) {
        return Refuse("Недопустимая цена!");
    }
    if (taxGroup > kLastTaxGroup) {
        return Refuse("Несуществующая налоговая группа");
    }
    if (articleCode < 0 || articleCode >= kArticleCodeLimit) {
        return Refuse("Недопустимый код артикула!");
    }
    const auto code = static_cast<uint64_t>(articleCode);
    CommandBuilder c(command);
    if (nameFromRegister != 0) {
        c.UInt(static_cast<uint32_t>(quantity), 3)
            .U8(saleFlags)
            .SignMagnitude32(price)
            .U8(kTaxGroupBase + taxGroup)
            .U8(kStoredName)
            .UInt(code, 6);
    } else {
        const std::string text = DeviceTextOf(name);
        if (text.size() > kMaxLineName) {
            return Refuse("Название товара превышает 50 символов!");
        }
        uint8_t flags = saleFlags;
        if (printBarcode != 0 && IsEan13Article(articleCode)) {
            flags |= kPrintBarcodeFlag;
        }
        c.UInt(static_cast<uint32_t>(quantity), 3)
            .U8(flags)
            .SignMagnitude32(price)
            .U8(kTaxGroupBase + taxGroup)
            .U8(static_cast<uint8_t>(text.size()))
            .Raw(text)
            .UInt(code, 6);
    }
    if (RunCommand(c, ShiftLeniency::Strict) != Verdict::Accepted) {
        return kFailure;
    }
    return ReadLineReply(lineCost, receiptTotal) ? kSuccess : RefuseBadReply();
}

// Replies of commands run with the shift leniency: a tolerated answer
// succeeds even when it carries no data, and then leaves the outputs at 0.
int16_t AfterLenientReply(Verdict v, bool replyRead) {
    if (v == Verdict::Tolerated || replyRead) {
        return kSuccess;
    }
    return RefuseBadReply();
}

int16_t Annul() {
    return ResultOf(RunCommand(CommandBuilder(kAnnul)));
}

int16_t Pay(uint32_t* amountOut, FPBOOL* isChange, uint8_t paymentForm, uint32_t amount,
            FPBOOL topFlag, FPBOOL noFiscalCopy) {
    Put(amountOut, 0);
    Put(isChange, 0);
    if (paymentForm > kLastPaymentForm) {
        return Refuse("Недопустимая форма оплаты!");
    }
    // The top bit of the amount carries the top flag.
    if (amount > kMaxPayment) {
        return Refuse("Недопустимая сумма оплаты!");
    }
    const auto form = static_cast<uint8_t>(paymentForm | (noFiscalCopy == 0 ? kFiscalCopyFlag : 0));
    const Verdict v =
        RunCommand(CommandBuilder(kPayment).U8(form).U32(amount | (topFlag != 0 ? kTopBit : 0u)));
    if (ResultOf(v) == kFailure) {
        return kFailure;
    }
    ReplyReader r(Session().ReplyData);
    const uint32_t value = r.U32();
    if (r.ok()) {
        const bool change = (value & kTopBit) != 0;
        Put(amountOut, change ? value & ~kTopBit : value);
        Put(isChange, Flag(change));
    }
    return AfterLenientReply(v, r.ok());
}

} // namespace

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPSale(int64_t* lineCost, int64_t* receiptTotal, int32_t quantity,
                                      uint8_t saleFlags, int32_t price, uint8_t taxGroup,
                                      FPBOOL nameFromRegister, FPBOOL printBarcode,
                                      const char* name, int64_t articleCode) {
    return RegisterLine(kSaleLine, lineCost, receiptTotal, quantity, saleFlags, price, taxGroup,
                        nameFromRegister, printBarcode, name, articleCode);
}

KASDRV_API int16_t KASDRV_CALL FPPayMoney(int64_t* lineCost, int64_t* receiptTotal,
                                          int32_t quantity, uint8_t saleFlags, int32_t price,
                                          uint8_t taxGroup, FPBOOL nameFromRegister,
                                          FPBOOL printBarcode, const char* name,
                                          int64_t articleCode) {
    return RegisterLine(kPayoutLine, lineCost, receiptTotal, quantity, saleFlags, price, taxGroup,
                        nameFromRegister, printBarcode, name, articleCode);
}

KASDRV_API int16_t KASDRV_CALL FPPayment(uint32_t* amountOut, FPBOOL* isChange, uint8_t paymentForm,
                                         uint32_t amount, FPBOOL topFlag, FPBOOL noFiscalCopy) {
    return Pay(amountOut, isChange, paymentForm, amount, topFlag, noFiscalCopy);
}

KASDRV_API int16_t KASDRV_CALL FPComment(const char* text, FPBOOL flag) {
    const std::string comment = DeviceTextOf(text);
    if (comment.size() > kMaxComment) {
        return Refuse("Длина коментария превышает допустимую длину");
    }
    const auto length = static_cast<uint8_t>(comment.size() | (flag != 0 ? kCommentFlag : 0u));
    return ResultOf(
        RunCommand(CommandBuilder(kComment).U8(length).Raw(comment), ShiftLeniency::Strict));
}

KASDRV_API int16_t KASDRV_CALL FPDiscount(int64_t* resultValue, int64_t* receiptTotal, uint8_t type,
                                          int32_t percent, int32_t amount, FPBOOL isDiscount,
                                          const char* text) {
    Put(resultValue, 0);
    Put(receiptTotal, 0);
    if (type > kLastDiscountType) {
        return Refuse("Неправильный тип скидки!");
    }
    // Types 0 and 2 are percentages, 1 and 3 amounts; the marker and sign
    // bits leave 25 bits for a percentage and 31 for an amount.
    const bool byPercent = type == 0 || type == 2;
    const int32_t magnitude = byPercent ? percent : amount;
    if (magnitude < 0 || (byPercent && magnitude >= kPercentLimit)) {
        return Refuse("Недопустимая величина скидки!");
    }
    uint32_t value = static_cast<uint32_t>(magnitude) | (byPercent ? kPercentMarker : 0u);
    if (isDiscount != 0) {
        value |= kDiscountBit;
    }
    const std::string explanation = DeviceTextOf(text);
    if (explanation.size() > kMaxDiscountText) {
        return Refuse("Длина пояснительной строки больше 25 символов!");
    }
    // An empty text is its length byte 0 alone.
    const Verdict v = RunCommand(CommandBuilder(kDiscount)
                                     .U8(type)
                                     .U32(value)
                                     .U8(static_cast<uint8_t>(explanation.size()))
                                     .Raw(explanation));
    if (ResultOf(v) == kFailure) {
        return kFailure;
    }
    return AfterLenientReply(v, ReadLineReply(resultValue, receiptTotal));
}

KASDRV_API int16_t KASDRV_CALL FPNullCheck(void) {
    // Annul whatever is open, print the comment, close with nothing paid.
    if (Annul() == kFailure) {
        return kFailure;
    }
    const std::string text = ToDeviceText(platform::Utf8ToCp1251(kZeroReceiptText));
    const Verdict v =
        RunCommand(CommandBuilder(kComment).U8(static_cast<uint8_t>(text.size())).Raw(text),
                   ShiftLeniency::Strict);
    if (v != Verdict::Accepted) {
        return kFailure;
    }
    return Pay(nullptr, nullptr, kCash, 0, -1, -1);
}

KASDRV_API int16_t KASDRV_CALL FPLineFeed(void) {
    return ResultOf(RunCommand(CommandBuilder(kLineFeed)));
}

KASDRV_API int16_t KASDRV_CALL FPResetOrder(void) {
    return Annul();
}

} // extern "C"
