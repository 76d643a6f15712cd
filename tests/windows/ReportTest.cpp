// The day's X and Z reports through KASDRV.DLL.
#include "WineHost.h"

namespace kaswin {
namespace {

class Report : public RegisterTest {};

TEST_F(Report, XReportPrintsAndZReportClosesTheShift) {
    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 2500, 0, 0, 0, "x", 0), -1) << DriverError();
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();
    {
        Status s;
        ASSERT_EQ(s.rc, -1) << DriverError();
        EXPECT_EQ(s.flags[4], -1); // shift open
    }
    const std::size_t before = Tape().size();
    ASSERT_EQ(FPDayReport(0), -1) << DriverError();
    if (TapeKnown()) {
        EXPECT_NE(Tape().find("X-ОТЧЕТ", before), std::string::npos);
    }
    ASSERT_EQ(FPDayClrReport(0), -1) << DriverError();
    if (TapeKnown()) {
        EXPECT_NE(Tape().find("Z-ОТЧЕТ", before), std::string::npos);
    }
    Status s;
    ASSERT_EQ(s.rc, -1) << DriverError();
    EXPECT_EQ(s.flags[4], 0); // shift closed
}

TEST_F(Report, PeriodicReportByNumbers) {
    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 1000, 0, 0, 0, "x", 0), -1) << DriverError();
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();
    ASSERT_EQ(FPDayClrReport(0), -1) << DriverError();
    EXPECT_EQ(FPPeriodicNumberReport(0, 1, 1), -1) << DriverError();
}

} // namespace
} // namespace kaswin
