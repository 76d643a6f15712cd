// Driver against the emulator over a real pseudo-terminal: each test gets its
// own emulator, linked as COM1 in a private device directory, and the driver's
// port opened on it at 9600 bit/s.
#pragma once

#include "kasdrv.h"
#include "kasemu/Emulator.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace kastest {

class EmulatorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Options for the emulator of this test; override to change the model etc.
    virtual kasemu::EmulatorOptions Options();
    // Restarts the emulator with other options (the driver's port is reopened).
    void Restart(kasemu::EmulatorOptions options);

    kasemu::Emulator& emu() { return *emulator_; }
    const std::string& deviceDir() const { return dir_; }
    std::shared_ptr<kasemu::ManualClock> clock() const { return clock_; }

private:
    std::string dir_;
    std::shared_ptr<kasemu::ManualClock> clock_;
    std::unique_ptr<kasemu::Emulator> emulator_;
};

// The driver's last error text as UTF-8, with its line breaks as they are.
std::string DriverError();
// Windows-1251 ↔ UTF-8 for texts crossing the driver's interface.
std::string ToUtf8(const char* cp1251);
std::string ToCp1251(const std::string& utf8);
// The status and result bytes of FPCodeError.
struct Codes {
    uint8_t result = 0;
    uint8_t status = 0;
    uint8_t ext = 0;
};
Codes DriverCodes();

// Day count of the driver's date values.
double DateValue(int year, int month, int day);

} // namespace kastest
