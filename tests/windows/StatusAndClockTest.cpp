// Status, the register's clock and line speed, and the host's regional
// settings, through KASDRV.DLL under Windows.
#include "WineHost.h"

#include "platform/HostLocale.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace kaswin {
namespace {

class StatusAndClock : public RegisterTest {};

TEST_F(StatusAndClock, StatusCarriesTheRegistersIdentityInBlocksTheCallerFrees) {
    Status s;
    ASSERT_EQ(s.rc, -1) << DriverError();
    EXPECT_EQ(s.Text(6), "РМ-15");
    ASSERT_NE(s.texts[0], nullptr);
    EXPECT_EQ(std::string(s.texts[0]).size(), 19u);
    for (char* t : s.texts) {
        if (t != nullptr) { // texts the register left empty may not be handed out
            EXPECT_EQ(::LocalSize(t), 256u) << "not a LocalAlloc block of 256 bytes";
        }
    }
}

TEST_F(StatusAndClock, DateAndTimeAreSetAndReadBack) {
    // Day and month 10 are DLE bytes in BCD and travel doubled. Ahead of
    // today: the register refuses a date before its last Z report.
    ASSERT_EQ(FPSetDate(DateValue(2030, 10, 10)), -1) << DriverError();
    double date = 0;
    ASSERT_EQ(FPGetDate(&date), -1) << DriverError();
    EXPECT_EQ(date, DateValue(2030, 10, 10));

    const double evening = (21 * 3600 + 5 * 60 + 7) / 86400.0;
    ASSERT_EQ(FPSetTime(evening), -1) << DriverError();
    double time = 0;
    ASSERT_EQ(FPGetTime(&time), -1) << DriverError();
    EXPECT_NEAR(time, evening, 3 / 86400.0);

    // Back to the host's own date and time for the tests after this one.
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    ASSERT_EQ(FPSetDate(DateValue(now.wYear, now.wMonth, now.wDay)), -1) << DriverError();
    ASSERT_EQ(FPSetTime((now.wHour * 3600 + now.wMinute * 60 + now.wSecond) / 86400.0), -1)
        << DriverError();
    ASSERT_EQ(FPGetDate(&date), -1) << DriverError();
    EXPECT_EQ(date, DateValue(now.wYear, now.wMonth, now.wDay));
}

TEST_F(StatusAndClock, SeparatorsAndYearComeFromTheWindowsLocale) {
    wchar_t date[8] = {};
    wchar_t time[8] = {};
    ASSERT_GT(::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDATE, date, 8), 1);
    ASSERT_GT(::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, time, 8), 1);
    const std::string dateSeparator = kasdrv::platform::HostDateSeparator();
    const std::string timeSeparator = kasdrv::platform::HostTimeSeparator();
    ASSERT_EQ(dateSeparator.size(), 1u);
    ASSERT_EQ(timeSeparator.size(), 1u);
    EXPECT_EQ(static_cast<wchar_t>(static_cast<unsigned char>(dateSeparator[0])), date[0]);
    EXPECT_EQ(static_cast<wchar_t>(static_cast<unsigned char>(timeSeparator[0])), time[0]);
    if (const char* expected = std::getenv("KASWIN_DATE_SEPARATOR"); expected != nullptr) {
        EXPECT_EQ(dateSeparator, expected);
    }
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    EXPECT_EQ(kasdrv::platform::HostCurrentYear(), now.wYear);
    std::printf("user locale separators: date '%s', time '%s'\n", dateSeparator.c_str(),
                timeSeparator.c_str());
}

// The register runs at 19200 bit/s for a while; whatever happens, it is put
// back to 9600 on the way out so that the tests after this one still talk.
struct BackTo9600 {
    ~BackTo9600() {
        if (FPInit(kRegisterPort, 9600, 1, 1) != 0 && FPGetDate(nullptr) != 0) {
            return;
        }
        FPInit(kRegisterPort, 19200, 1, 1);
        FPChangeBaudRate(0);
        FPInit(kRegisterPort, 9600, 1, 1);
    }
};

TEST_F(StatusAndClock, LineSpeedSetOnThePortIsTheSpeedOnTheLine) {
    EXPECT_EQ(FPChangeBaudRate(3), 0);
    EXPECT_EQ(DriverError(), "Неверно задан параметр скорости связи!");

    BackTo9600 restore;
    ASSERT_EQ(FPChangeBaudRate(1), -1) << DriverError();
    // Still at 9600 on this side: the register hears noise, and nothing comes back.
    EXPECT_EQ(FPGetDate(nullptr), 0);
    EXPECT_EQ(DriverError(), "Превышено время ожидания ответа от принтера!");

    ASSERT_EQ(FPInit(kRegisterPort, 19200, 20, 20), -1);
    double date = 0;
    EXPECT_EQ(FPGetDate(&date), -1) << DriverError();
    ASSERT_EQ(FPChangeBaudRate(0), -1) << DriverError();
    ASSERT_EQ(FPInit(kRegisterPort, 9600, 1, 1), -1);
    EXPECT_EQ(FPGetDate(&date), -1) << DriverError();
}

} // namespace
} // namespace kaswin
