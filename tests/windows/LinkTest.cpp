// The port and the link as Win32 serves them: opening, sharing, the read
// time-outs that bound a silent register, and the register's own errors.
#include "WineHost.h"

#include <windows.h>

#include <chrono>

namespace kaswin {
namespace {

const std::string kTimeout = "Превышено время ожидания ответа от принтера!";

class Link : public RegisterTest {};

TEST_F(Link, RegisterErrorBecomesItsTextAndCodes) {
    EXPECT_EQ(FPDayReport(1), 0); // the report password is 0
    EXPECT_EQ(DriverCodes().result, 21);
    EXPECT_NE(DriverError().find("Неверный пароль"), std::string::npos) << DriverError();
    // After a good command the codes are clear again.
    ASSERT_EQ(FPGetDate(nullptr), -1) << DriverError();
    EXPECT_EQ(DriverCodes().result, 0);
    EXPECT_EQ(DriverCodes().status, 0);
    EXPECT_EQ(DriverError(), "");
}

TEST_F(Link, ReopeningClosesThePortFirst) {
    EXPECT_EQ(FPInit(kRegisterPort, 9600, 1, 1), -1);
    EXPECT_EQ(FPInit(kRegisterPort, 9600, 1, 1), -1);
    EXPECT_EQ(FPGetDate(nullptr), -1) << DriverError();
}

TEST_F(Link, OpenPortIsNotShared) {
    const HANDLE second = ::CreateFileW(L"\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (second != INVALID_HANDLE_VALUE) {
        ::CloseHandle(second);
        if (RunningUnderWine()) {
            GTEST_SKIP() << "Wine grants a second open of a serial device held unshared";
        }
    }
    EXPECT_EQ(second, INVALID_HANDLE_VALUE) << "a second opener got the driver's port";
}

TEST(Ports, ThatCannotBeOpened) {
    EXPECT_EQ(FPInit(77, 9600, 1, 1), 0); // no COM77 in this system
    EXPECT_EQ(FPInit(0, 9600, 1, 1), 0);
    EXPECT_EQ(FPInit(kRegisterPort, 0, 1, 1), 0);
    EXPECT_EQ(FPClose(), 0);
    ASSERT_EQ(FPInit(kRegisterPort, 9600, 1, 1), -1);
    EXPECT_EQ(FPClose(), -1);
    EXPECT_EQ(FPClose(), 0);
}

// COM2's register loses its first three answers: the driver waits out three
// attempts of 1.728 s each, bounded by the port's read time-outs, and the
// fourth frame is answered.
TEST(Ports, SilentRegisterTimesOutAfterThreeAttempts) {
    ASSERT_EQ(FPInit(kDroppingPort, 9600, 1, 1), -1) << "cannot open COM2";
    const auto start = std::chrono::steady_clock::now();
    double date = 0;
    EXPECT_EQ(FPGetDate(&date), 0);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_EQ(DriverError(), kTimeout);
    EXPECT_GE(ms, 3 * 1728 - 30);
    EXPECT_LT(ms, 3 * 1728 + 1500);
    std::printf("three silent attempts took %lld ms\n", static_cast<long long>(ms));

    EXPECT_EQ(FPGetDate(&date), -1) << DriverError();
    EXPECT_EQ(FPClose(), -1);
}

} // namespace
} // namespace kaswin
