#include "Workloads.h"

#include "kasdrv.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace kasbench {

void ReleaseDriverBlock(char* block) {
#if defined(_WIN32)
    ::LocalFree(block);
#else
    std::free(block);
#endif
}

bool GetDate() {
    double d = 0;
    return FPGetDate(&d) != 0;
}

bool GetStatus() {
    FPBOOL f[13];
    char* t[7] = {};
    double date = 0;
    double time = 0;
    const bool ok = FPGetStatus(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8],
                                &f[9], &f[10], &f[11], &f[12], &t[0], &t[1], &t[2], &t[3], &t[4],
                                &t[5], &t[6], &date, &time) != 0;
    for (char* p : t) {
        if (p != nullptr) {
            ReleaseDriverBlock(p);
        }
    }
    return ok;
}

// A receipt of ten sale lines paid in cash: eleven transactions.
bool TenLineReceipt() {
    int64_t cost = 0;
    int64_t total = 0;
    for (int i = 0; i < 10; ++i) {
        if (FPSale(&cost, &total, 1000, 3, 1250 + i, 0, 0, 0, "\xD2\xEE\xE2\xE0\xF0", 1000 + i) == 0) {
            return false;
        }
    }
    uint32_t change = 0;
    FPBOOL isChange = 0;
    return FPPayment(&change, &isChange, 3, 0, -1, -1) != 0;
}

namespace {
int64_t nextArticle = 1;
} // namespace

void FirstArticle() {
    nextArticle = 1;
}

// One article programmed (3 decimals, group А, price and name from its number) and read back.
bool ProgramAndReadArticle() {
    const int64_t code = nextArticle++;
    const std::string name = "Article " + std::to_string(code);
    const auto price = static_cast<int32_t>(code);
    if (FPProgArt(0, 3, price, 0, name.c_str(), code) == 0) {
        return false;
    }
    uint8_t length = 0;
    const char* readName = nullptr;
    int32_t readPrice = 0;
    if (FPGetArticleInfo(&length, &readName, &readPrice, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, &code) == 0) {
        return false;
    }
    return readName != nullptr && name == readName && readPrice == price;
}

std::vector<Workload> AllWorkloads() {
    return {
        {"FPGetDate", {9600, 19200, 38400}, 60, {}, &GetDate},
        {"FPGetStatus", {9600, 19200, 38400}, 20, {}, &GetStatus},
        {"receipt-10-lines", {9600, 38400}, 4, {}, &TenLineReceipt},
        // 200 articles at 38400 bit/s: the bulk article run with a check of each.
        {"article-prog-read", {38400}, 50, &FirstArticle, &ProgramAndReadArticle},
    };
}

} // namespace kasbench
