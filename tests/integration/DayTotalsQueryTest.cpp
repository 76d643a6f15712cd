// The day's totals read back through the driver: the day report equals the sum of the
// receipts that were run, and every memory query agrees with the day report.
#include "EmulatorFixture.h"

#include <kashost/Queries.h>

#include <algorithm>
#include <array>
#include <numeric>

using namespace kastest;

namespace {

constexpr uint8_t kCard = 0;
constexpr uint8_t kCheque = 2;
constexpr uint8_t kCash = 3;

// What the test expects the day to hold, added up receipt by receipt.
struct Expected {
    std::array<int64_t, 6> saleByGroup{};
    std::array<int64_t, 4> saleByForm{};
    std::array<int64_t, 6> payoutByGroup{};
    std::array<int64_t, 4> payoutByForm{};
    int64_t saleMarkups = 0, payoutDiscounts = 0;
    int saleReceipts = 0, payoutReceipts = 0;
};

class DayTotals : public EmulatorTest {
  protected:
    void SetUp() override {
        EmulatorTest::SetUp();
        const FPTaxRate rates[3] = {{0, 2000, 0}, {0, 700, 0}, {0, 0, 0}};
        ASSERT_EQ(FPSetTaxRate(0, 3, 0, rates, 2, 0), -1) << DriverError();
    }

    void Sale(int32_t quantity, uint8_t decimals, int32_t price, uint8_t group) {
        int64_t cost = 0;
        ASSERT_EQ(FPSale(&cost, nullptr, quantity, decimals, price, group, 0, 0, "Товар", 0), -1)
            << DriverError();
        receiptByGroup_[group] += cost;
    }
    void Payout(int32_t quantity, int32_t price, uint8_t group) {
        int64_t cost = 0;
        ASSERT_EQ(FPPayMoney(&cost, nullptr, quantity, 0, price, group, 0, 0, "Повернення", 0), -1)
            << DriverError();
        receiptByGroup_[group] += cost;
    }
    // A markup (positive) or discount (negative) that lands in `group`.
    void Adjusted(uint8_t group, int64_t delta) { receiptByGroup_[group] += delta; }
    // Pays `amount` in `form`; with rest set, at least the rest of the receipt. Whatever
    // exceeds the rest is change and does not count.
    void Pay(uint8_t form, uint32_t amount, bool sale, bool rest = false) {
        const int64_t due =
            std::accumulate(receiptByGroup_.begin(), receiptByGroup_.end(), int64_t{0}) - paid_;
        ASSERT_EQ(FPPayment(nullptr, nullptr, form, amount, rest ? -1 : 0, -1), -1)
            << DriverError();
        const int64_t net = rest ? due : std::min<int64_t>(amount, due);
        (sale ? expected.saleByForm : expected.payoutByForm)[form] += net;
        paid_ += net;
    }
    void Close(bool sale) {
        for (int g = 0; g < 6; ++g) {
            (sale ? expected.saleByGroup : expected.payoutByGroup)[static_cast<std::size_t>(g)] +=
                receiptByGroup_[static_cast<std::size_t>(g)];
        }
        (sale ? expected.saleReceipts : expected.payoutReceipts) += 1;
        receiptByGroup_.fill(0);
        paid_ = 0;
    }

    Expected expected;

  private:
    std::array<int64_t, 6> receiptByGroup_{};
    int64_t paid_ = 0;
};

TEST_F(DayTotals, DayReportIsTheSumOfTheReceipts) {
    ASSERT_EQ(FPInToCash(100000), -1) << DriverError();
    // 1: two groups, card and cash with change.
    Sale(1500, 3, 1234, 0);
    Sale(2, 0, 990, 1);
    Pay(kCard, 1000, true);
    Pay(kCash, 5000, true, true);
    Close(true);
    // 2: untaxed group, a markup on the subtotal (it goes to the receipt's only group), paid
    // by cheque.
    Sale(3, 0, 333, 5);
    int64_t markup = 0;
    ASSERT_EQ(FPDiscount(&markup, nullptr, 3, 0, 150, 0, nullptr), -1) << DriverError();
    EXPECT_EQ(markup, 150);
    expected.saleMarkups += 150;
    Adjusted(5, 150);
    Pay(kCheque, 0, true, true);
    Close(true);
    // 3: a payout receipt with a discount on its line, paid out in cash.
    Payout(2, 1500, 0);
    int64_t discount = 0;
    ASSERT_EQ(FPDiscount(&discount, nullptr, 1, 0, 200, -1, nullptr), -1) << DriverError();
    EXPECT_EQ(discount, -200);
    expected.payoutDiscounts += 200;
    Adjusted(0, -200);
    Pay(kCash, 0, false, true);
    Close(false);
    // 4: an annulled receipt counts nowhere but in the annulments.
    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 777, 0, 0, 0, "x", 0), -1) << DriverError();
    ASSERT_EQ(FPResetOrder(), -1) << DriverError();
    ASSERT_EQ(FPOutOfCash(2500), -1) << DriverError();

    const auto report = kashost::readDayReport();
    ASSERT_TRUE(report) << DriverError();
    const kashost::DayReport& d = *report;
    EXPECT_EQ(d.saleReceipts, expected.saleReceipts);
    EXPECT_EQ(d.payoutReceipts, expected.payoutReceipts);
    EXPECT_EQ(d.saleByGroup, expected.saleByGroup);
    EXPECT_EQ(d.saleByForm, expected.saleByForm);
    EXPECT_EQ(d.payoutByGroup, expected.payoutByGroup);
    EXPECT_EQ(d.payoutByForm, expected.payoutByForm);
    EXPECT_EQ(d.saleMarkups, expected.saleMarkups);
    EXPECT_EQ(d.saleDiscounts, 0);
    EXPECT_EQ(d.payoutMarkups, 0);
    EXPECT_EQ(d.payoutDiscounts, expected.payoutDiscounts);
    EXPECT_EQ(d.serviceDeposits, 100000);
    EXPECT_EQ(d.serviceWithdrawals, 2500);

    int64_t cash = 0;
    ASSERT_EQ(FPGetMoneyInBox(&cash), -1) << DriverError();
    EXPECT_EQ(cash, 100000 + expected.saleByForm[kCash] - expected.payoutByForm[kCash] - 2500);
}

TEST_F(DayTotals, MemoryQueriesAgreeWithTheDayReport) {
    ASSERT_EQ(FPInToCash(50000), -1) << DriverError();
    for (int i = 0; i < 3; ++i) {
        Sale(1, 0, 1000 + i, static_cast<uint8_t>(i));
        Sale(1, 0, -500, static_cast<uint8_t>(i)); // a cancelled line
        Pay(kCash, 0, true, true);
        Close(true);
    }
    Payout(1, 400, 1);
    Pay(kCash, 0, false, true);
    Close(false);
    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 250, 0, 0, 0, "x", 0), -1) << DriverError();
    ASSERT_EQ(FPResetOrder(), -1) << DriverError();
    ASSERT_EQ(FPPayMoney(nullptr, nullptr, 1, 0, 125, 0, 0, 0, "x", 0), -1) << DriverError();
    ASSERT_EQ(FPResetOrder(), -1) << DriverError();

    const auto report = kashost::readDayReport();
    ASSERT_TRUE(report) << DriverError();
    const kashost::DayReport& d = *report;
    uint16_t number = 0;
    ASSERT_EQ(FPGetSaleCheckNumber(&number), -1) << DriverError();
    EXPECT_EQ(number, d.saleReceipts);
    EXPECT_EQ(number, 3);
    ASSERT_EQ(FPGetPayCheckNumber(&number), -1) << DriverError();
    EXPECT_EQ(number, d.payoutReceipts);
    EXPECT_EQ(number, 1);
    int64_t sum = 0;
    ASSERT_EQ(FPGetSaleDaySum(&sum), -1) << DriverError();
    EXPECT_EQ(sum, std::accumulate(d.saleByGroup.begin(), d.saleByGroup.end(), int64_t{0}));
    EXPECT_EQ(sum, 500 + 501 + 502);
    ASSERT_EQ(FPGetPayDaySum(&sum), -1) << DriverError();
    EXPECT_EQ(sum, std::accumulate(d.payoutByGroup.begin(), d.payoutByGroup.end(), int64_t{0}));
    EXPECT_EQ(sum, 400);

    uint16_t saleCount = 0, payoutCount = 0;
    int64_t saleSum = 0, payoutSum = 0;
    ASSERT_EQ(FPGetResetOrders(&saleCount, &payoutCount, &saleSum, &payoutSum), -1)
        << DriverError();
    EXPECT_EQ(saleCount, 1);
    EXPECT_EQ(saleSum, 250);
    EXPECT_EQ(payoutCount, 1);
    EXPECT_EQ(payoutSum, 125);
    ASSERT_EQ(FPGetCancels(&saleCount, &payoutCount, &saleSum, &payoutSum), -1) << DriverError();
    EXPECT_EQ(saleCount, 3);
    EXPECT_EQ(saleSum, 1500);
    EXPECT_EQ(payoutCount, 0);

    // The Z report: its number and date, and a fresh day.
    uint16_t z = 0;
    double date = 0;
    ASSERT_EQ(FPGetNumZReport(&z, &date), -1) << DriverError();
    EXPECT_EQ(z, 1);
    EXPECT_EQ(date, DateValue(2003, 1, 1)); // none yet
    ASSERT_EQ(FPDayClrReport(0), -1) << DriverError();
    clock()->advance(86400);
    ASSERT_EQ(FPDayClrReport(0), -1) << DriverError();
    ASSERT_EQ(FPGetNumZReport(&z, &date), -1) << DriverError();
    EXPECT_EQ(z, 2);
    EXPECT_EQ(date, DateValue(2026, 12, 8));
    const auto freshReport = kashost::readDayReport();
    ASSERT_TRUE(freshReport) << DriverError();
    const kashost::DayReport& fresh = *freshReport;
    EXPECT_EQ(fresh.saleReceipts, 3); // the receipt numbers run on
    EXPECT_EQ(fresh.saleByGroup, (std::array<int64_t, 6>{}));
    ASSERT_EQ(FPGetSaleDaySum(&sum), -1) << DriverError();
    EXPECT_EQ(sum, 0);
}

TEST_F(DayTotals, OpenReceiptSums) {
    Sale(1, 0, 1200, 0);
    Sale(1, 0, 300, 5);
    Pay(kCard, 500, true);
    uint32_t byGroup[6] = {};
    uint32_t byForm[4] = {};
    ASSERT_EQ(FPGetCheckSums(byGroup, 5, byForm, 3), -1) << DriverError();
    EXPECT_EQ(byGroup[0], 1200u);
    EXPECT_EQ(byGroup[5], 300u);
    EXPECT_EQ(byForm[kCard], 500u);
    EXPECT_EQ(byForm[kCash], 0u);
}

} // namespace
