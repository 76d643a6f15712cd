// Queries answered from the register's memory (command 0x1C): receipt
// numbers, day sums, annulments and cancellations, passwords, the last Z
// report, the tax rates, and raw memory blocks.
#include "CommandExport.h"
#include "QueryHelpers.h"
#include "kasdrv.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using namespace kasdrv;

constexpr uint8_t kMemoryRead = 0x1C;
constexpr uint8_t kCounterPage = 0x10;

constexpr uint16_t kSaleReceiptNumber = 0x301B;
constexpr uint16_t kSaleDaySums = 0x301D; // six sums, tax groups A..F
constexpr uint16_t kPayoutReceiptNumber = 0x30AB;
constexpr uint16_t kPayoutDaySums = 0x30AD;
constexpr uint16_t kAnnulments = 0x2F74;
constexpr uint16_t kCancellations = 0x2F82;
constexpr uint16_t kPasswords = 0x3003;
constexpr uint16_t kNextZNumber = 0x0037;
constexpr uint16_t kLastZDate = 0x0169;
constexpr uint16_t kTaxRateCount = 0x0016; // on page 0
constexpr uint8_t kTaxRateCountPage = 0x00;
constexpr uint16_t kTaxRateBlock = 0x0150;

constexpr int kTaxGroups = 6;
constexpr int kPasswordCount = 10;
constexpr uint8_t kMostTaxRates = 5;

CommandBuilder MemoryRead(uint16_t address, uint8_t page, uint8_t count) {
    CommandBuilder command(kMemoryRead);
    command.U16(address).U8(page).U8(count);
    return command;
}

// One memory read whose status is judged; status 0x20 alone still delivers
// the bytes. On failure the error text is set.
bool ReadMemory(uint16_t address, uint8_t page, uint8_t count) {
    return ResultOf(RunCommand(MemoryRead(address, page, count))) == kSuccess;
}

int16_t ReadReceiptNumber(uint16_t address, uint16_t* number) {
    if (!ReadMemory(address, kCounterPage, 2)) {
        return kFailure;
    }
    ReplyReader r(Session().ReplyData);
    const int value = ReadBcdNumber(r);
    if (!r.ok()) {
        return RefuseBadReply();
    }
    Put(number, value);
    return kSuccess;
}

int16_t ReadDaySums(uint16_t firstAddress, int64_t* sum) {
    int64_t total = 0;
    for (int group = 0; group < kTaxGroups; ++group) {
        const auto address = static_cast<uint16_t>(firstAddress + group * kDaySumWidth);
        if (!ReadMemory(address, kCounterPage, kDaySumWidth)) {
            return kFailure;
        }
        ReplyReader r(Session().ReplyData);
        total += ReadDaySum(r);
        if (!r.ok()) {
            return RefuseBadReply();
        }
    }
    Put(sum, total);
    return kSuccess;
}

// Counts and sums on sale and on payout receipts: word, 5-byte sum, word,
// 5-byte sum.
int16_t ReadVoidedTotals(uint16_t address, uint16_t* saleCount, uint16_t* payoutCount,
                         int64_t* saleSum, int64_t* payoutSum) {
    constexpr uint8_t kBlockLength = 14;
    if (!ReadMemory(address, kCounterPage, kBlockLength)) {
        return kFailure;
    }
    ReplyReader r(Session().ReplyData);
    const uint16_t sales = r.U16();
    const int64_t salesSum = ReadDaySum(r);
    const uint16_t payouts = r.U16();
    const int64_t payoutsSum = ReadDaySum(r);
    if (!r.ok()) {
        return RefuseBadReply();
    }
    Put(saleCount, sales);
    Put(payoutCount, payouts);
    Put(saleSum, salesSum);
    Put(payoutSum, payoutsSum);
    return kSuccess;
}

} // namespace

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPGetSaleCheckNumber(uint16_t* number) {
    return ReadReceiptNumber(kSaleReceiptNumber, number);
}

KASDRV_API int16_t KASDRV_CALL FPGetPayCheckNumber(uint16_t* number) {
    return ReadReceiptNumber(kPayoutReceiptNumber, number);
}

KASDRV_API int16_t KASDRV_CALL FPGetSaleDaySum(int64_t* sum) {
    return ReadDaySums(kSaleDaySums, sum);
}

KASDRV_API int16_t KASDRV_CALL FPGetPayDaySum(int64_t* sum) {
    return ReadDaySums(kPayoutDaySums, sum);
}

KASDRV_API int16_t KASDRV_CALL FPGetResetOrders(uint16_t* saleCount, uint16_t* payoutCount,
                                                int64_t* saleSum, int64_t* payoutSum) {
    return ReadVoidedTotals(kAnnulments, saleCount, payoutCount, saleSum, payoutSum);
}

KASDRV_API int16_t KASDRV_CALL FPGetCancels(uint16_t* saleCount, uint16_t* payoutCount,
                                            int64_t* saleSum, int64_t* payoutSum) {
    return ReadVoidedTotals(kCancellations, saleCount, payoutCount, saleSum, payoutSum);
}

KASDRV_API int16_t KASDRV_CALL FPGetPasswords(uint16_t* passwords, int32_t high) {
    if (ArrayTooSmall(passwords, high, kPasswordCount)) {
        return RefuseSmallArray("паролей", kPasswordCount);
    }
    if (!ReadMemory(kPasswords, kCounterPage, 2 * kPasswordCount)) {
        return kFailure;
    }
    ReplyReader r(Session().ReplyData);
    std::array<uint16_t, kPasswordCount> words{};
    for (uint16_t& w : words) {
        w = r.U16();
    }
    if (!r.ok()) {
        return RefuseBadReply();
    }
    if (passwords != nullptr) {
        std::copy(words.begin(), words.end(), passwords);
    }
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPGetNumZReport(uint16_t* number, double* date) {
    if (!ReadMemory(kNextZNumber, kCounterPage, 2)) {
        return kFailure;
    }
    ReplyReader next(Session().ReplyData);
    const uint16_t nextNumber = next.U16();
    if (!next.ok()) {
        return RefuseBadReply();
    }
    // Before the first Z report the next number is 1 (or still 0): report 1.
    Put(number, nextNumber > 1 ? nextNumber - 1 : 1);

    if (!ReadMemory(kLastZDate, kCounterPage, 3)) {
        return kFailure;
    }
    const Bytes& reply = Session().ReplyData;
    if (reply.size() >= 3 && reply[0] == 0 && reply[1] == 0 && reply[2] == 0) {
        Session().DateSeparator = platform::HostDateSeparator();
        Put(date, EncodeDate(2003, 1, 1)); // no Z report yet
        return kSuccess;
    }
    ReplyReader r(reply);
    const auto lastDate = ReadBcdDate(r);
    if (!lastDate) {
        return RefuseBadReply();
    }
    Put(date, *lastDate);
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPGetTaxRate(int32_t* rates, int32_t highRates, int32_t* levyRates,
                                            int32_t highLevyRates, uint8_t* count, FPBOOL* addedTax,
                                            FPBOOL* levy) {
    constexpr uint8_t kAddedTaxFlag = 0x10;
    constexpr uint8_t kLevyFlag = 0x20;
    if (!ReadMemory(kTaxRateCount, kTaxRateCountPage, 1)) {
        return kFailure;
    }
    ReplyReader countReader(Session().ReplyData);
    const uint8_t n = countReader.U8();
    if (!countReader.ok()) {
        return RefuseBadReply();
    }
    Put(count, n);
    if (n == 0) {
        return Refuse("Ставки налоговых не запрограммированы!");
    }
    // More rates than the register can hold: the arrays are left alone.
    const bool fillArrays = n <= kMostTaxRates;
    if (fillArrays && ArrayTooSmall(rates, highRates, n)) {
        return RefuseSmallArray("налоговых ставок", n);
    }
    if (fillArrays && ArrayTooSmall(levyRates, highLevyRates, n)) {
        return RefuseSmallArray("ставок сбора", n);
    }

    // n rate words, the flags byte, n levy words.
    const auto blockLength = static_cast<uint8_t>(std::min(4 * n + 1, 255));
    if (!ReadMemory(kTaxRateBlock, kCounterPage, blockLength)) {
        return kFailure;
    }
    ReplyReader r(Session().ReplyData);
    std::array<int32_t, kMostTaxRates> rateWords{};
    std::array<int32_t, kMostTaxRates> levyWords{};
    for (int k = 0; k < n; ++k) {
        const uint16_t word = r.U16();
        if (k < kMostTaxRates) {
            rateWords[static_cast<std::size_t>(k)] = word;
        }
    }
    const uint8_t flags = r.U8();
    const bool withLevy = (flags & kLevyFlag) != 0;
    if (fillArrays && withLevy) {
        for (int k = 0; k < n; ++k) {
            levyWords[static_cast<std::size_t>(k)] = r.U16();
        }
    }
    if (!r.ok()) {
        return RefuseBadReply();
    }
    Put(levy, Flag(withLevy));
    Put(addedTax, Flag((flags & kAddedTaxFlag) != 0));
    if (fillArrays) {
        for (int k = 0; k < n; ++k) {
            Put(rates == nullptr ? nullptr : rates + k, rateWords[static_cast<std::size_t>(k)]);
            Put(levyRates == nullptr ? nullptr : levyRates + k,
                levyWords[static_cast<std::size_t>(k)]);
        }
    }
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPGetMemoryData(uint8_t* buffer, int32_t high, uint8_t* count,
                                               uint16_t address, uint8_t page) {
    const uint8_t wanted = count != nullptr ? *count : 0;
    if (ArrayTooSmall(buffer, high, wanted)) {
        return RefuseSmallArray("данных", wanted);
    }
    // The register's status is not judged: any valid answer delivers the bytes.
    if (!RunUnjudged(MemoryRead(address, page, wanted))) {
        return kFailure;
    }
    if (wanted == 0) {
        return Refuse("Длина блока данных не может быть равна нулю!");
    }
    const Bytes& reply = Session().ReplyData;
    const std::size_t copied = std::min<std::size_t>(wanted, reply.size());
    if (buffer != nullptr && copied > 0) {
        std::memcpy(buffer, reply.data(), copied);
    }
    Put(count, copied);
    return kSuccess;
}

} // extern "C"
