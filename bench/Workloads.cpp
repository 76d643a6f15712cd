#include "Workloads.h"

#include "MonochromeBmp.h"
#include "kasdrv.h"

#include <kashost/Host.h>
#include <kashost/Register.h>

#include <cstdint>
#include <string>

namespace kasbench {

bool GetDate() {
    return kashost::readDate().has_value();
}

bool GetStatus() {
    return kashost::readStatus().has_value();
}

// A receipt of ten sale lines paid in cash: eleven transactions.
bool TenLineReceipt() {
    int64_t cost = 0;
    int64_t total = 0;
    for (int i = 0; i < 10; ++i) {
        if (FPSale(&cost, &total, 1000, 3, 1250 + i, 0, 0, 0, "\xD2\xEE\xE2\xE0\xF0", 1000 + i) ==
            0) {
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
    const auto article = kashost::readArticle(code);
    return article && article->name == name && article->price == price;
}

bool XReport() {
    return FPDayReport(0) != 0;
}

bool DayReportQuery() {
    uint16_t saleReceipts = 0;
    uint16_t payoutReceipts = 0;
    int64_t saleByGroup[6] = {};
    int64_t saleByForm[4] = {};
    int64_t payoutByGroup[6] = {};
    int64_t payoutByForm[4] = {};
    int64_t sums[6] = {};
    return FPGetDayReport(&saleReceipts, &payoutReceipts, saleByGroup, 5, saleByForm, 3,
                          payoutByGroup, 5, payoutByForm, 3, &sums[0], &sums[1], &sums[2], &sums[3],
                          &sums[4], &sums[5]) != 0;
}

namespace {

constexpr int kHundred = 100;

std::string ArticleName(int64_t code) {
    return "Article " + std::to_string(code);
}

// Prices whose two low bytes both run from 1 to 100, 0x16 among them.
int32_t ArticlePrice(int64_t code) {
    return static_cast<int32_t>(code * 257);
}

} // namespace

bool ProgramHundredArticles() {
    for (int64_t code = 1; code <= kHundred; ++code) {
        if (FPProgArt(0, 3, ArticlePrice(code), 0, ArticleName(code).c_str(), code) == 0) {
            return false;
        }
    }
    return true;
}

bool ReadHundredArticles() {
    for (int64_t code = 1; code <= kHundred; ++code) {
        uint8_t length = 0;
        const char* name = nullptr;
        int32_t price = 0;
        if (FPGetArticleInfo(&length, &name, &price, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, &code) == 0 ||
            name == nullptr || ArticleName(code) != name || price != ArticlePrice(code)) {
            return false;
        }
    }
    return true;
}

bool LoadLogo384x100() {
    static const std::vector<uint8_t> file = [] {
        std::vector<std::vector<uint8_t>> rows(100, std::vector<uint8_t>(384 / 8));
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (std::size_t c = 0; c < rows[r].size(); ++c) {
                rows[r][c] = static_cast<uint8_t>(r * 7 + c * 13); // every byte value, 0x16 too
            }
        }
        return kastest::MonochromeBmp(384, rows);
    }();
    const FPBitmap bitmap{384, 100, file.data(), static_cast<uint32_t>(file.size())};
    const auto* model = kashost::reg::factsOf(kashost::FirmwareModel::Rx410f);
    return FPLoadBMP(0, model->logoMaxWidth, model->logoMaxHeight, &bitmap, 0, 0) != 0;
}

std::vector<Workload> AllWorkloads() {
    const std::vector<int> all = {9600, 19200, 38400};
    return {
        {"status", all, 20, {}, &GetStatus},
        {"date", all, 60, {}, &GetDate},
        {"receipt-10-lines", all, 6, {}, &TenLineReceipt},
        {"x-report", all, 20, {}, &XReport},
        {"day-report-query", all, 10, {}, &DayReportQuery},
        {"articles-100-program", all, 2, {}, &ProgramHundredArticles},
        {"articles-100-read", all, 2, [] { ProgramHundredArticles(); }, &ReadHundredArticles},
        {"logo-384x100", all, 2, {}, &LoadLogo384x100},
        // 200 articles at 38400 bit/s, each programmed and read back at once.
        {"article-prog-read", {38400}, 50, &FirstArticle, &ProgramAndReadArticle},
#ifdef KASBENCH_CONSOLE_RUNS
        {"console-bulk-10000", {38400}, 1, {}, &ConsoleBulkArticleRun, true},
#endif
#ifdef KASBENCH_KASD
        {"kasd-receipt-10-lines", {38400}, 40, {}, {}, false, &KasdBesideDriver},
        {"kasd-receipts-1000", {38400}, 1000, {}, {}, true, &KasdThousandReceipts},
#endif
    };
}

} // namespace kasbench
