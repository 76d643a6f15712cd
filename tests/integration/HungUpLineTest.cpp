// A line whose other end has gone (the register's pseudo-terminal closed):
// every transaction still ends through its time-outs, and waiting them out
// costs the process no CPU time.
#include "EmulatorFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <stdlib.h>
#include <unistd.h>

using namespace kastest;

namespace {

double ProcessCpuSeconds() {
    timespec ts{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST(HungUpLine, ReadsWaitOutTheirTimeOutsWithoutSpinning) {
    char tmpl[] = "/tmp/kasdrv-hangup-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const char* slave = ::ptsname(master);
    ASSERT_NE(slave, nullptr);
    std::filesystem::create_symlink(slave, dir + "/com1");
    ::setenv("KASDRV_DEVICES", dir.c_str(), 1);
    ASSERT_EQ(FPInit(1, 9600, 1, 1), -1);
    ::close(master); // the register hangs up

    const struct {
        const char* name;
        std::function<int16_t()> call;
    } cases[] = {
        {"paper query",
         [] { return FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr); }},
        {"cash in", [] { return FPInToCash(100); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const double cpu0 = ProcessCpuSeconds();
        const auto wall0 = std::chrono::steady_clock::now();
        EXPECT_EQ(c.call(), 0);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
        const double cpu = ProcessCpuSeconds() - cpu0;
        // Silence on every attempt: three answer windows, the time-out text.
        EXPECT_EQ(DriverError(), "Превышено время ожидания ответа от принтера!");
        EXPECT_GE(wall, 3 * 1.728);
        // A busy loop would burn most of the five seconds.
        EXPECT_LT(cpu, 0.5) << "CPU seconds over " << wall << " s of waiting";
    }
    FPClose();
    ::unsetenv("KASDRV_DEVICES");
    std::filesystem::remove_all(dir);
}

} // namespace
