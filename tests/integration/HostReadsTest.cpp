// kashost's reads against the emulator: each struct carries what the register
// holds, and every read gives nothing (never a default struct) when the driver
// call fails.
#include "EmulatorFixture.h"

#include <kashost/Host.h>

#include <functional>
#include <string>
#include <vector>

using namespace kastest;

namespace {

struct NamedRead {
    const char* name;
    std::function<bool()> gaveSomething;
};

std::vector<NamedRead> AllReads() {
    return {
        {"status", [] { return kashost::readStatus().has_value(); }},
        {"day report", [] { return kashost::readDayReport().has_value(); }},
        {"article", [] { return kashost::readArticle(1).has_value(); }},
        {"annulments", [] { return kashost::readAnnulments().has_value(); }},
        {"memory", [] { return kashost::readMemory(0x301A, 0x10, 1).has_value(); }},
    };
}

class HostReads : public EmulatorTest {};

TEST_F(HostReads, EveryReadGivesNothingWhenThePortIsClosed) {
    ASSERT_EQ(FPClose(), -1);
    for (const NamedRead& read : AllReads()) {
        EXPECT_FALSE(read.gaveSomething()) << read.name;
        EXPECT_FALSE(kashost::lastError().text.empty()) << read.name;
    }
}

TEST_F(HostReads, StructsCarryWhatTheRegisterHolds) {
    const FPTaxRate rates[2] = {{0, 2000, 0}, {0, 700, 150}};
    ASSERT_EQ(FPSetTaxRate(0, 2, 0, rates, 1, -1), -1) << DriverError();
    ASSERT_EQ(FPProgArt(0, 2, 1999, 1, ToCp1251("Хлеб").c_str(), 42), -1) << DriverError();
    // One sale receipt paid in cash, one annulled line in a second receipt.
    int64_t cost = 0;
    ASSERT_EQ(FPSale(&cost, nullptr, 2, 0, 1250, 0, 0, 0, "x", 0), -1) << DriverError();
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();
    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 300, 1, 0, 0, "y", 0), -1) << DriverError();

    const auto sums = kashost::readReceiptSums();
    ASSERT_TRUE(sums) << DriverError();
    EXPECT_EQ(sums->byGroup[1], 300U);
    EXPECT_EQ(sums->byGroup[0], 0U);

    const auto status = kashost::readStatus();
    ASSERT_TRUE(status) << DriverError();
    EXPECT_TRUE(status->receiptOpen);
    EXPECT_TRUE(status->shiftOpen);
    ASSERT_TRUE(status->firmware);
    EXPECT_EQ(status->firmware->size(), 5U);

    ASSERT_EQ(FPResetOrder(), -1) << DriverError();
    const auto annulled = kashost::readAnnulments();
    ASSERT_TRUE(annulled) << DriverError();
    EXPECT_EQ(annulled->saleCount, 1);
    EXPECT_EQ(annulled->saleSum, 300);

    const auto day = kashost::readDayReport();
    ASSERT_TRUE(day) << DriverError();
    EXPECT_EQ(day->saleByGroup[0], cost);
    EXPECT_EQ(day->saleByForm[3], cost);
    EXPECT_EQ(kashost::readSaleDaySum(), cost);

    const auto memoryRates = kashost::readTaxRates();
    ASSERT_TRUE(memoryRates) << DriverError();
    EXPECT_EQ(memoryRates->count, 2);
    EXPECT_TRUE(memoryRates->levy);
    EXPECT_EQ(memoryRates->rates[1], 700);
    EXPECT_EQ(memoryRates->levyRates[1], 150);

    const auto dated = kashost::readDatedTaxRates();
    ASSERT_TRUE(dated) << DriverError();
    ASSERT_EQ(dated->records.size(), 2U);
    EXPECT_FALSE(dated->records[0].hasLevy);
    EXPECT_TRUE(dated->records[1].hasLevy);

    const auto article = kashost::readArticle(42);
    ASSERT_TRUE(article) << DriverError();
    EXPECT_EQ(ToUtf8(article->name.c_str()), "Хлеб");
    EXPECT_EQ(article->price, 1999);
    EXPECT_EQ(article->taxGroup, std::optional<uint8_t>(1));

    const auto block = kashost::readMemory(0x301A, 0x10, 3);
    ASSERT_TRUE(block) << DriverError();
    EXPECT_EQ(block->size(), 3U);
}

} // namespace
