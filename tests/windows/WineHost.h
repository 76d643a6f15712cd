// The Windows test host: KASDRV.DLL loaded like any Windows program loads it,
// talking through \\.\COMn to emulators that scripts/test-windows.sh starts
// natively and links into the Wine prefix:
//   COM1  the register all tests share (RX-410F, 9600 bit/s, strict line speed)
//   COM2  a register that drops its first three answers (the time-out test)
// KASWIN_TAPE names COM1's paper tape file (a Windows path), when known.
#pragma once

#include "kasdrv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kaswin {

constexpr uint8_t kRegisterPort = 1;
constexpr uint8_t kDroppingPort = 2;

// Opens COM1 at 9600 bit/s with one-second time-outs before each test and
// closes it after.
class RegisterTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

// Windows-1251 ↔ UTF-8 through the system's code page services.
std::string ToUtf8(const char* cp1251);
std::string ToCp1251(const std::string& utf8);
// The driver's last error text as UTF-8.
std::string DriverError();

struct Codes {
    uint8_t result = 0;
    uint8_t status = 0;
    uint8_t ext = 0;
};
Codes DriverCodes();

// Day count of the driver's date values (days since 1899-12-30).
double DateValue(int year, int month, int day);

// The printed tape so far (UTF-8), empty when KASWIN_TAPE is not set.
bool TapeKnown();
std::string Tape();

// True when the last call failed because the register did not execute the
// command at all (status bit 7 alone, no result code): a command it does not
// serve yet.
bool RegisterLacksCommand();

// True under Wine, whose serial semantics differ from Windows in places.
bool RunningUnderWine();

// The directory of this program, with a trailing backslash.
std::wstring ProgramDirectory();

// FPGetStatus with its seven text blocks, released with LocalFree.
struct Status {
    FPBOOL flags[13] = {};
    char* texts[7] = {};
    double regDate = 0;
    double regTime = 0;
    int16_t rc = 0;

    Status();
    ~Status();
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;
    std::string Text(int i) const { return ToUtf8(texts[i]); }
};

} // namespace kaswin

// Skips the rest of a test whose command the emulator does not serve yet.
#define KASWIN_SKIP_IF_UNSERVED(what)                                                              \
    do {                                                                                           \
        if (::kaswin::RegisterLacksCommand()) {                                                    \
            GTEST_SKIP() << "the register does not serve " << (what) << " yet";                    \
        }                                                                                          \
    } while (false)
