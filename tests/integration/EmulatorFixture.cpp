#include "EmulatorFixture.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iconv.h>

namespace kastest {

namespace {

std::string Convert(const std::string& in, const char* to, const char* from) {
    iconv_t cd = ::iconv_open(to, from);
    std::string input = in;
    std::string out(in.size() * 4 + 4, '\0');
    char* inPtr = input.data();
    std::size_t inLeft = input.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace

kasemu::EmulatorOptions EmulatorTest::Options() {
    kasemu::EmulatorOptions o;
    o.linesPerSecond = 0; // print at once
    return o;
}

void EmulatorTest::SetUp() {
    char tmpl[] = "/tmp/kasdrv-it-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    ::setenv("KASDRV_DEVICES", dir_.c_str(), 1);
    clock_ = std::make_shared<kasemu::ManualClock>(kasemu::CivilTime{2026, 12, 7, 10, 0, 0});
    Restart(Options());
}

void EmulatorTest::Restart(kasemu::EmulatorOptions options) {
    FPClose();
    emulator_.reset();
    options.linkPath = dir_ + "/com1";
    if (!options.clock) {
        options.clock = clock_;
    }
    emulator_ = std::make_unique<kasemu::Emulator>(std::move(options));
    ASSERT_EQ(FPInit(1, 9600, 1, 1), -1) << "cannot open the emulator's port";
}

void EmulatorTest::TearDown() {
    FPClose();
    emulator_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string ToUtf8(const char* cp1251) {
    return cp1251 == nullptr ? std::string() : Convert(cp1251, "UTF-8", "CP1251");
}

std::string ToCp1251(const std::string& utf8) { return Convert(utf8, "CP1251", "UTF-8"); }

std::string DriverError() { return ToUtf8(FPErrorMessage()); }

Codes DriverCodes() {
    Codes c;
    FPCodeError(&c.result, &c.status, &c.ext);
    return c;
}

double DateValue(int year, int month, int day) {
    return static_cast<double>(kasemu::toSeconds(kasemu::CivilTime{year, month, day, 0, 0, 0}) /
                               86400) +
           25569.0;
}

} // namespace kastest
