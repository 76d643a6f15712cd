// Reports against the emulator: X and Z with the day counters, the periodic
// reports from the fiscal memory, and the report password.
#include "EmulatorFixture.h"

using namespace kastest;

namespace {

class Reports : public EmulatorTest {
  protected:
    // One paid receipt of `price` kopecks.
    void SellAndPay(int32_t price) {
        ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, price, 0, 0, 0, "x", 0), -1) << DriverError();
        ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();
    }
};

TEST_F(Reports, XReportKeepsAndZReportClearsTheDay) {
    SellAndPay(2500);
    const std::size_t before = emu().tape().size();
    ASSERT_EQ(FPDayReport(0), -1) << DriverError();
    EXPECT_GT(emu().tape().size(), before);
    EXPECT_EQ(emu().state().day.sale.receipts, 1u);

    ASSERT_EQ(FPDayClrReport(0), -1) << DriverError();
    const kasemu::RegisterState st = emu().state();
    ASSERT_EQ(st.fiscalMemory.size(), 1u);
    EXPECT_EQ(st.fiscalMemory[0].number, 1);
    EXPECT_EQ(st.fiscalMemory[0].totals.sale.byForm[3], 2500);
    EXPECT_EQ(st.day.sale.receipts, 0u);
    EXPECT_EQ(st.day.sale.byForm[3], 0);
    EXPECT_FALSE(st.shiftOpen);
}

TEST_F(Reports, WrongPasswordAndOpenReceiptAreRefused) {
    emu().withState(
        [](kasemu::RegisterState& s) { s.operators[kasemu::kReportOperator].password = 4321; });
    EXPECT_EQ(FPDayReport(0), 0);
    EXPECT_EQ(DriverCodes().result, 21);
    EXPECT_NE(DriverError().find("Неверный пароль"), std::string::npos) << DriverError();
    EXPECT_EQ(FPDayClrReport(1), 0);
    EXPECT_EQ(DriverCodes().result, 21);
    EXPECT_EQ(FPPeriodicNumberReport(1, 1, 1), 0);
    EXPECT_EQ(DriverCodes().result, 21);
    ASSERT_EQ(FPDayReport(4321), -1) << DriverError();

    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 100, 0, 0, 0, "x", 0), -1) << DriverError();
    EXPECT_EQ(FPDayClrReport(4321), 0);
    EXPECT_TRUE(emu().state().fiscalMemory.empty());
}

TEST_F(Reports, PeriodicReportsFromTheFiscalMemory) {
    SellAndPay(1000);
    ASSERT_EQ(FPDayClrReport(0), -1) << DriverError();
    SellAndPay(2000);
    ASSERT_EQ(FPDayClrReport(0), -1) << DriverError();
    ASSERT_EQ(emu().state().fiscalMemory.size(), 2u);

    const double today = DateValue(2026, 12, 7);
    std::size_t printed = emu().tape().size();
    const auto printedMore = [this, &printed] {
        const std::size_t now = emu().tape().size();
        const bool more = now > printed;
        printed = now;
        return more;
    };
    ASSERT_EQ(FPPeriodicReport(0, today - 1, today), -1) << DriverError();
    EXPECT_TRUE(printedMore());
    ASSERT_EQ(FPPeriodicReportShort(0, today, today), -1) << DriverError();
    EXPECT_TRUE(printedMore());
    ASSERT_EQ(FPPeriodicNumberReport(0, 1, 2), -1) << DriverError();
    EXPECT_TRUE(printedMore());
    ASSERT_EQ(FPXArtReport(0, 0, 0), -1) << DriverError();
    EXPECT_TRUE(printedMore());
}

} // namespace
