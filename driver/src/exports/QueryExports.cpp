// Queries with commands of their own: cash in the drawer, one article's
// totals, the day report, the open receipt's sums and the full tax rates.
#include "CommandExport.h"
#include "DriverUnit.h"
#include "ExportHelpers.h"
#include "QueryHelpers.h"
#include "kasdrv.h"

#include <array>
#include <vector>

namespace {

using namespace kasdrv;

constexpr uint8_t kMoneyInBox = 0x21;
constexpr uint8_t kArticleInfo = 0x29;
constexpr uint8_t kDayReport = 0x2A;
constexpr uint8_t kReceiptSums = 0x2B;
constexpr uint8_t kFullTaxRates = 0x2C;

constexpr int kTaxGroups = 6;
constexpr int kPaymentForms = 4;

// Runs a query whose reply has a fixed layout; the reply must not be empty.
// Returns false with the error text set.
bool RunLengthCheckedQuery(const CommandBuilder& command) {
    if (ResultOf(RunCommand(command)) == kFailure) {
        return false;
    }
    if (Session().ReplyData.empty()) {
        Refuse(kNoDataText);
        return false;
    }
    return true;
}

template <typename T, std::size_t N> void PutAll(T* out, const std::array<int64_t, N>& values) {
    if (out != nullptr) {
        for (std::size_t i = 0; i < N; ++i) {
            out[i] = static_cast<T>(values[i]);
        }
    }
}

// One half of the day report: receipt counter, sums by tax group and by
// payment form, markups, discounts, and the service cash movement.
struct DayHalf {
    int receipts = 0;
    std::array<int64_t, kTaxGroups> byGroup{};
    std::array<int64_t, kPaymentForms> byForm{};
    int64_t markups = 0;
    int64_t discounts = 0;
    int64_t serviceCash = 0;
};

DayHalf ReadDayHalf(ReplyReader& r) {
    DayHalf h;
    h.receipts = ReadBcdNumber(r);
    for (int64_t& sum : h.byGroup) {
        sum = ReadDaySum(r);
    }
    for (int64_t& sum : h.byForm) {
        sum = ReadDaySum(r);
    }
    h.markups = ReadDaySum(r);
    h.discounts = ReadDaySum(r);
    h.serviceCash = ReadDaySum(r);
    return h;
}

// Quantity, its decimals and the sum of one totals block of an article.
struct ArticleTotals {
    uint32_t quantity = 0;
    uint8_t decimals = 0;
    int64_t sum = 0;
};

} // namespace

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPGetMoneyInBox(int64_t* sum) {
    if (ResultOf(RunCommand(CommandBuilder(kMoneyInBox))) == kFailure) {
        return kFailure;
    }
    ReplyReader r(Session().ReplyData);
    const int64_t cash = ReadDaySum(r);
    if (!r.ok()) {
        return RefuseBadReply();
    }
    Put(sum, cash);
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPGetArticleInfo(uint8_t* nameLength, const char** name,
                                                int32_t* price, uint8_t* taxGroup,
                                                uint32_t* saleQuantity, uint8_t* saleDecimals,
                                                int64_t* saleSum, uint32_t* returnQuantity,
                                                uint8_t* returnDecimals, int64_t* returnSum,
                                                const int64_t* articleCode) {
    constexpr int kArticleCodeBytes = 6;
    constexpr std::size_t kFixedPart = 24; // the reply is the name plus this
    constexpr uint8_t kNameLengthMask = 0x7F;
    constexpr uint8_t kSwappedBlocks = 0x80;
    constexpr uint8_t kFirstGroupByte = 0x80;
    constexpr uint8_t kLastGroupByte = 0x85;
    if (articleCode == nullptr) {
        return Refuse("Не задан номер товара!");
    }
    if (!ArticleCodeFits(*articleCode)) {
        return Refuse(kBadArticleCodeText);
    }
    if (!RunLengthCheckedQuery(CommandBuilder(kArticleInfo)
                                   .UInt(static_cast<uint64_t>(*articleCode), kArticleCodeBytes))) {
        return kFailure;
    }
    DriverSession& s = Session();
    ReplyReader r(s.ReplyData);
    const uint8_t first = r.U8();
    const std::size_t length = first & kNameLengthMask;
    if (s.ReplyData.size() != length + kFixedPart) {
        return RefuseBadReply();
    }
    const std::string_view deviceName = r.Text(length);
    std::array<ArticleTotals, 2> blocks;
    blocks[0].quantity = static_cast<uint32_t>(r.UInt(3));
    blocks[0].decimals = r.U8();
    const int64_t articlePrice = r.SignMagnitude32();
    const uint8_t group = r.U8();
    blocks[0].sum = ReadDaySum(r);
    blocks[1].quantity = static_cast<uint32_t>(r.UInt(3));
    blocks[1].decimals = r.U8();
    blocks[1].sum = ReadDaySum(r);
    if (!r.ok()) {
        return RefuseBadReply();
    }
    const bool swapped = (first & kSwappedBlocks) != 0;
    const ArticleTotals& sales = blocks[swapped ? 1 : 0];
    const ArticleTotals& returns = blocks[swapped ? 0 : 1];

    s.ArticleText = FromDeviceText(deviceName);
    Put(nameLength, length);
    Put(name, s.ArticleText.c_str());
    Put(price, articlePrice);
    if (group >= kFirstGroupByte && group <= kLastGroupByte) {
        Put(taxGroup, group - kFirstGroupByte);
    }
    Put(saleQuantity, sales.quantity);
    Put(saleDecimals, sales.decimals);
    Put(saleSum, sales.sum);
    Put(returnQuantity, returns.quantity);
    Put(returnDecimals, returns.decimals);
    Put(returnSum, returns.sum);
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPGetDayReport(
    uint16_t* saleReceipts, uint16_t* payoutReceipts, int64_t* saleByGroup, int32_t highSaleByGroup,
    int64_t* saleByForm, int32_t highSaleByForm, int64_t* payoutByGroup, int32_t highPayoutByGroup,
    int64_t* payoutByForm, int32_t highPayoutByForm, int64_t* saleMarkups, int64_t* saleDiscounts,
    int64_t* payoutMarkups, int64_t* payoutDiscounts, int64_t* serviceDeposits,
    int64_t* serviceWithdrawals) {
    constexpr std::size_t kReportLength = 134;
    if (ArrayTooSmall(saleByGroup, highSaleByGroup, kTaxGroups) ||
        ArrayTooSmall(payoutByGroup, highPayoutByGroup, kTaxGroups)) {
        return RefuseSmallArray("сумм по налоговым группам", kTaxGroups);
    }
    if (ArrayTooSmall(saleByForm, highSaleByForm, kPaymentForms) ||
        ArrayTooSmall(payoutByForm, highPayoutByForm, kPaymentForms)) {
        return RefuseSmallArray("сумм по формам оплаты", kPaymentForms);
    }
    if (!RunLengthCheckedQuery(CommandBuilder(kDayReport))) {
        return kFailure;
    }
    const Bytes& reply = Session().ReplyData;
    if (reply.size() != kReportLength) {
        return RefuseBadReply();
    }
    ReplyReader r(reply);
    const DayHalf sale = ReadDayHalf(r);
    const DayHalf payout = ReadDayHalf(r);
    if (!r.ok()) {
        return RefuseBadReply(); // a receipt counter that is not BCD
    }
    Put(saleReceipts, sale.receipts);
    Put(payoutReceipts, payout.receipts);
    PutAll(saleByGroup, sale.byGroup);
    PutAll(saleByForm, sale.byForm);
    PutAll(payoutByGroup, payout.byGroup);
    PutAll(payoutByForm, payout.byForm);
    Put(saleMarkups, sale.markups);
    Put(saleDiscounts, sale.discounts);
    Put(payoutMarkups, payout.markups);
    Put(payoutDiscounts, payout.discounts);
    Put(serviceDeposits, sale.serviceCash);
    Put(serviceWithdrawals, payout.serviceCash);
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPGetCheckSums(uint32_t* byGroup, int32_t highByGroup,
                                              uint32_t* byForm, int32_t highByForm) {
    constexpr std::size_t kSumsLength = 40;
    if (ArrayTooSmall(byGroup, highByGroup, kTaxGroups)) {
        return RefuseSmallArray("сумм по налоговым группам", kTaxGroups);
    }
    if (ArrayTooSmall(byForm, highByForm, kPaymentForms)) {
        return RefuseSmallArray("сумм по формам оплаты", kPaymentForms);
    }
    if (!RunLengthCheckedQuery(CommandBuilder(kReceiptSums))) {
        return kFailure;
    }
    const Bytes& reply = Session().ReplyData;
    if (reply.size() != kSumsLength) {
        return RefuseBadReply();
    }
    ReplyReader r(reply);
    std::array<int64_t, kTaxGroups> groups{};
    std::array<int64_t, kPaymentForms> forms{};
    for (int64_t& sum : groups) {
        sum = r.U32();
    }
    for (int64_t& sum : forms) {
        sum = r.U32();
    }
    PutAll(byGroup, groups);
    PutAll(byForm, forms);
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPFullGetTaxRate(double* programmingDate, uint8_t* count,
                                                FPBOOL* addedTax, FPTaxRate* records, int32_t high,
                                                FPBOOL* levy) {
    constexpr uint8_t kAddedTaxFlag = 0x10;
    constexpr uint8_t kLevyFlag = 0x20;
    if (!RunLengthCheckedQuery(CommandBuilder(kFullTaxRates))) {
        return kFailure;
    }
    const Bytes& reply = Session().ReplyData;
    // Count, date (3), n rate words, flags, and n levy words with a levy.
    const std::size_t n = reply[0];
    const std::size_t flagsAt = 4 + 2 * n;
    if (reply.size() <= flagsAt) {
        return RefuseBadReply();
    }
    const uint8_t flags = reply[flagsAt];
    const bool withLevy = (flags & kLevyFlag) != 0;
    if (reply.size() != flagsAt + 1 + (withLevy ? 2 * n : 0)) {
        return RefuseBadReply();
    }
    if (ArrayTooSmall(records, high, static_cast<int64_t>(n))) {
        return RefuseSmallArray("налоговых ставок", static_cast<int64_t>(n));
    }
    ReplyReader r(reply);
    r.Skip(1);
    const auto date = ReadBcdDate(r);
    if (!date) {
        return RefuseBadReply();
    }
    std::vector<FPTaxRate> read(n);
    for (FPTaxRate& record : read) {
        record.rate = r.U16();
    }
    r.Skip(1);
    if (withLevy) {
        for (FPTaxRate& record : read) {
            record.levyRate = r.U16();
            record.hasLevy = Flag(record.levyRate != 0);
        }
    }
    Put(programmingDate, *date);
    Put(count, n);
    Put(addedTax, Flag((flags & kAddedTaxFlag) != 0));
    if (records != nullptr) {
        std::copy(read.begin(), read.end(), records);
    }
    Put(levy, Flag(withLevy));
    return kSuccess;
}

} // extern "C"
