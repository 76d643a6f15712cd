#include "DriverExportTable.h"

#include "MonochromeBmp.h"
#include "kasdrv.h"

#include <kashost/Host.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace kasfuzz {

namespace {

// Every text the driver hands out must be readable to its terminating NUL;
// strlen makes AddressSanitizer check that.
volatile std::size_t g_sink = 0;
void Touch(const char* text) {
    if (text != nullptr) {
        g_sink = g_sink + std::strlen(text);
    }
}

// Open arrays are exactly as large as their highest index says, on the heap,
// so that a write past them is caught.
template <typename T> std::unique_ptr<T[]> Array(int32_t high) {
    return std::make_unique<T[]>(static_cast<std::size_t>(high) + 1);
}

template <typename T> int16_t ResultOf(const std::optional<T>& read) {
    return read ? -1 : 0;
}

int16_t Status(bool withOutputs) {
    if (withOutputs) {
        // The texts are copied to their NUL inside the read, and released there.
        return ResultOf(kashost::readStatus());
    }
    return FPGetStatus(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

int16_t Line(bool sale, bool withOutputs, FPBOOL nameFromRegister) {
    int64_t cost = 0;
    int64_t total = 0;
    auto* fn = sale ? FPSale : FPPayMoney;
    return fn(withOutputs ? &cost : nullptr, withOutputs ? &total : nullptr, 1500, 3, 1234, 1,
              nameFromRegister, -1, "Bread", 4820000000004);
}

int16_t ArticleInfo(bool withOutputs) {
    const int64_t code = 4820000000004;
    if (withOutputs) {
        const auto article = kashost::readArticle(code);
        if (article) {
            Touch(article->name.c_str());
        }
        return ResultOf(article);
    }
    return FPGetArticleInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, &code);
}

int16_t DayReport(bool withOutputs) {
    if (withOutputs) {
        return ResultOf(kashost::readDayReport());
    }
    return FPGetDayReport(nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr,
                          nullptr, nullptr, nullptr, nullptr, nullptr);
}

int16_t CheckSums(bool withOutputs) {
    auto g = Array<uint32_t>(5);
    auto f = Array<uint32_t>(3);
    return FPGetCheckSums(withOutputs ? g.get() : nullptr, 5, withOutputs ? f.get() : nullptr, 3);
}

// The caller's array takes `high` + 1 records; the reply decides how many
// the driver wants.
int16_t FullTaxRates(int32_t high, bool withOutputs) {
    double date = 0;
    uint8_t count = 0;
    FPBOOL added = 0;
    FPBOOL levy = 0;
    auto records = Array<FPTaxRate>(high);
    if (withOutputs) {
        return FPFullGetTaxRate(&date, &count, &added, records.get(), high, &levy);
    } else {
        return FPFullGetTaxRate(nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    }
}

int16_t TaxRates(int32_t high, bool withOutputs) {
    auto rates = Array<int32_t>(high);
    auto levies = Array<int32_t>(high);
    uint8_t count = 0;
    FPBOOL added = 0;
    FPBOOL levy = 0;
    if (withOutputs) {
        return FPGetTaxRate(rates.get(), high, levies.get(), high, &count, &added, &levy);
    } else {
        return FPGetTaxRate(nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr);
    }
}

int16_t Voided(bool resets, bool withOutputs) {
    if (withOutputs) {
        return ResultOf(resets ? kashost::readAnnulments() : kashost::readCancellations());
    }
    return (resets ? FPGetResetOrders : FPGetCancels)(nullptr, nullptr, nullptr, nullptr);
}

int16_t MemoryData(uint8_t wanted) {
    const int32_t high = wanted == 0 ? 0 : wanted - 1;
    auto buffer = Array<uint8_t>(high);
    uint8_t count = wanted;
    return FPGetMemoryData(buffer.get(), high, &count, 0x301A, 0x10);
}

// A 16 x 3 logo: two bytes a row, stored rows padded to four bytes.
int16_t Logo(FPBOOL doubleHeight) {
    static const std::vector<uint8_t> image =
        kastest::MonochromeBmp(16, std::vector<std::vector<uint8_t>>(3, {0x5A, 0x5A}));
    const FPBitmap bitmap{16, 3, image.data(), static_cast<uint32_t>(image.size())};
    return FPLoadBMP(0, 384, 100, &bitmap, doubleHeight, 0);
}

// A logo of 200 rows: enough raw blocks that answers to later blocks matter.
int16_t LongLogo() {
    static const std::vector<uint8_t> image = kastest::MonochromeBmp(
        32, std::vector<std::vector<uint8_t>>(200, std::vector<uint8_t>(4, 0xA5)));
    const FPBitmap bitmap{32, 200, image.data(), static_cast<uint32_t>(image.size())};
    return FPLoadBMP(0, 384, 400, &bitmap, 0, -1);
}

int16_t TransPrint(FPBOOL tapeOnly, FPBOOL finish) {
    const char* lines[] = {"first line", nullptr, "third"};
    return FPTransPrint(lines, 3, tapeOnly, finish);
}

std::vector<std::function<int16_t()>> MakeCalls() {
    std::vector<std::function<int16_t()>> calls = {
        // Status, date, time, speed and paper.
        [] { return Status(true); },
        [] { return Status(false); },
        [] {
            double d;
            return FPGetDate(&d);
        },
        [] { return FPGetDate(nullptr); },
        [] {
            double t;
            return FPGetTime(&t);
        },
        [] { return FPGetTime(nullptr); },
        [] { return FPSetDate(46000.0); },
        [] { return FPSetTime(0.5); },
        [] { return FPChangeBaudRate(1); },
        [] {
            FPBOOL f[5];
            return FPGetPaperState(&f[0], &f[1], &f[2], &f[3], &f[4]);
        },
        [] { return FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr); },
        // Receipts.
        [] { return Line(true, true, 0); },
        [] { return Line(true, false, -1); },
        [] { return Line(false, true, -1); },
        [] { return Line(false, false, 0); },
        [] {
            uint32_t amount = 0;
            FPBOOL change = 0;
            return FPPayment(&amount, &change, 3, 5000, 0, 0);
        },
        [] { return FPPayment(nullptr, nullptr, 0, 100, -1, -1); },
        [] {
            int64_t v = 0;
            int64_t total = 0;
            return FPDiscount(&v, &total, 2, 10, 0, -1, "Discount");
        },
        [] { return FPDiscount(nullptr, nullptr, 1, 0, 500, 0, nullptr); },
        [] { return FPComment("comment", 0); },
        [] { return FPNullCheck(); },
        [] { return FPLineFeed(); },
        [] { return FPResetOrder(); },
        [] { return FPInToCash(10000); },
        [] { return FPOutOfCash(500); },
        [] { return FPSetPassword(0, 1, 3, "Ivan"); },
        [] { return FPSetCashier(2, "Petro", 0, 0); },
        // Programming.
        [] { return FPSetInitialFirstLine("HEADER", -1, 0); },
        [] { return FPSetFinalEndLine("THANKS", 0, -1); },
        [] {
            return FPSetHeadLine(0, "line 1", 0, 0, nullptr, -1, 0, "line 3", 0, -1, "1234567890",
                                 0);
        },
        [] {
            const FPTaxRate rates[2] = {{0, 2000, 0}, {0, 700, 500}};
            return FPSetTaxRate(0, 2, -1, rates, 1, -1);
        },
        [] { return FPFiscalization(0, "AB12345678"); },
        [] { return FPProgArt(0, 2, -1234, 3, "Sugar", 77); },
        [] { return FPLineSP(10); },
        [] { return FPSetContrast(120); },
        [] { return FPCplOnline(); },
        [] { return FPCplInd(); },
        [] { return FPCplCutter(); },
        [] {
            FPBOOL cut = 0;
            return FPCutterStatus(&cut);
        },
        [] { return FPCutterStatus(nullptr); },
        // Logo.
        [] { return Logo(0); },
        [] { return Logo(-1); },
        [] { return LongLogo(); },
        [] { return FPEnableBMP(0); },
        [] { return FPDisableBMP(0); },
        // Printing extras.
        [] { return FPSendCustomer(-1, "Total 12.34"); },
        [] { return FPOpenBox(); },
        [] { return FPCopyLastCheck(); },
        [] { return FPPrintVersion(); },
        [] { return TransPrint(0, -1); },
        [] { return TransPrint(-1, 0); },
        [] { return FPSetBarCode("ABC-123"); },
        [] { return FPPrintEAN13("4820000000004"); },
        // Reports.
        [] { return FPDayReport(0); },
        [] { return FPDayClrReport(0); },
        [] { return FPXArtReport(0, 5, 1); },
        [] { return FPPeriodicReport(0, 45000.0, 46000.0); },
        [] { return FPPeriodicReportShort(0, 45000.0, 46000.0); },
        [] { return FPPeriodicNumberReport(0, 1, 9); },
        // Queries.
        [] { return ArticleInfo(true); },
        [] { return ArticleInfo(false); },
        [] { return DayReport(true); },
        [] { return DayReport(false); },
        [] { return CheckSums(true); },
        [] { return CheckSums(false); },
        [] { return FullTaxRates(5, true); },
        [] { return FullTaxRates(0, true); },
        [] { return FullTaxRates(0, false); },
        [] { return TaxRates(4, true); },
        [] { return TaxRates(1, true); },
        [] { return TaxRates(0, false); },
        [] {
            uint16_t n = 0;
            return FPGetSaleCheckNumber(&n);
        },
        [] { return FPGetPayCheckNumber(nullptr); },
        [] {
            int64_t sum = 0;
            return FPGetSaleDaySum(&sum);
        },
        [] { return FPGetPayDaySum(nullptr); },
        [] {
            uint16_t n = 0;
            double d = 0;
            return FPGetNumZReport(&n, &d);
        },
        [] { return FPGetNumZReport(nullptr, nullptr); },
        [] { return Voided(true, true); },
        [] { return Voided(false, false); },
        [] {
            auto passwords = Array<uint16_t>(9);
            return FPGetPasswords(passwords.get(), 9);
        },
        [] { return FPGetPasswords(nullptr, 0); },
        [] { return MemoryData(1); },
        [] { return MemoryData(16); },
        [] { return MemoryData(255); },
        [] {
            int64_t sum = 0;
            return FPGetMoneyInBox(&sum);
        },
        [] { return FPGetMoneyInBox(nullptr); },
        // The other receipt message lines (added last: a seed's first byte
        // keeps its export).
        [] { return FPSetInitialSecondLine("LINE 2", 0, 0); },
        [] { return FPSetInitialEndLine(nullptr, -1, -1); },
        [] { return FPSetFinalFirstLine("BYE", 0, 0); },
        [] { return FPSetFinalSecondLine("LINE 5", -1, 0); },
    };
    return calls;
}

} // namespace

std::vector<std::function<int16_t()>>& DriverCalls() {
    static std::vector<std::function<int16_t()>> calls = MakeCalls();
    return calls;
}

} // namespace kasfuzz
