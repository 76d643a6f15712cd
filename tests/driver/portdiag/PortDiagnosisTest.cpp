// The port diagnosis against real files, links and pseudo-terminals in a
// scratch devices directory, and its pure parts against plain values.
#include "kasdrv/PortDiagnosis.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kasdrv::portdiag::DescribePortDiagnosis;
using kasdrv::portdiag::DiagnosePort;
using kasdrv::portdiag::PortDiagnosis;
using kasdrv::portdiag::PortFault;

namespace {

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines) {
        all += l + "\n";
    }
    return all;
}

class PortDiagnosisTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/kasportdiag-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ::setenv("KASDRV_DEVICES", dir_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("KASDRV_DEVICES");
        if (master_ >= 0) {
            ::close(master_);
        }
        fs::remove_all(dir_);
    }
    std::string Entry(int n) const { return dir_ + "/com" + std::to_string(n); }
    // A pseudo-terminal linked as comN; returns the terminal's path.
    std::string LinkPty(int n) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master_, 0);
        EXPECT_EQ(::grantpt(master_), 0);
        EXPECT_EQ(::unlockpt(master_), 0);
        const std::string slave = ::ptsname(master_);
        fs::create_symlink(slave, Entry(n));
        return slave;
    }

    std::string dir_;
    int master_ = -1;
};

TEST_F(PortDiagnosisTest, ResolvesEachKindOfEntryToItsFault) {
    fs::create_symlink(dir_ + "/gone/ttyUSB7", Entry(1));
    { std::ofstream(Entry(2)) << "not a line"; }
    fs::create_directory(Entry(3));
    fs::create_symlink("/dev/null", Entry(4));
    const std::string pty = LinkPty(5);

    struct Case {
        int port;
        PortFault fault;
        std::string device;
    };
    const Case cases[] = {
        {1, PortFault::DanglingLink, dir_ + "/gone/ttyUSB7"},
        {2, PortFault::NotATerminal, Entry(2)},
        {3, PortFault::NotATerminal, Entry(3)},
        {4, PortFault::NotATerminal, "/dev/null"},
        {5, PortFault::None, pty},
        // No entry: the driver falls back to a ttyS device no machine has.
        {250, PortFault::Absent, "/dev/ttyS249"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("COM" + std::to_string(c.port));
        const PortDiagnosis d = DiagnosePort(static_cast<uint8_t>(c.port), 9600);
        EXPECT_EQ(d.fault, c.fault) << PortFaultName(d.fault);
        EXPECT_EQ(d.device, fs::weakly_canonical(c.device).string());
        EXPECT_EQ(d.name, "COM" + std::to_string(c.port));
        EXPECT_EQ(d.entry, c.port == 250 ? std::string() : Entry(c.port));
        EXPECT_EQ(DescribePortDiagnosis(d).empty(), c.fault == PortFault::None);
    }
}

TEST_F(PortDiagnosisTest, ReportsTheSystemReasonAndTheRemedy) {
    fs::create_symlink(dir_ + "/ttyUSB0", Entry(1));
    const PortDiagnosis d = DiagnosePort(1, 9600);
    ASSERT_EQ(d.fault, PortFault::DanglingLink);
    EXPECT_EQ(d.systemError, ENOENT);
    const std::string text = Joined(DescribePortDiagnosis(d));
    EXPECT_NE(text.find("device: " + dir_ + "/ttyUSB0 (through " + Entry(1) + ")"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("No such file or directory"), std::string::npos) << text;
    EXPECT_NE(text.find("ln -sf /dev/ttyUSB0 " + Entry(1)), std::string::npos) << text;
}

TEST_F(PortDiagnosisTest, NamesTheProcessThatHoldsTheLine) {
    const std::string pty = LinkPty(2);
    const int fd = ::open(pty.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const PortDiagnosis held = DiagnosePort(2, 9600);
    ::close(fd);
    EXPECT_EQ(held.fault, PortFault::Busy);
    ASSERT_EQ(held.holders.size(), 1u);
    EXPECT_EQ(held.holders[0].pid, static_cast<long>(::getpid()));
    EXPECT_FALSE(held.holders[0].command.empty());
    EXPECT_NE(
        Joined(DescribePortDiagnosis(held)).find("held by: pid " + std::to_string(::getpid())),
        std::string::npos);
    // Released, the same line opens.
    EXPECT_EQ(DiagnosePort(2, 9600).fault, PortFault::None);
}

TEST_F(PortDiagnosisTest, RefusesSpeedsTheLineCannotTakeAndPortZero) {
    LinkPty(1);
    EXPECT_EQ(DiagnosePort(1, 12345).fault, PortFault::BadSpeed);
    EXPECT_EQ(DiagnosePort(1, 115200).fault, PortFault::None);
    EXPECT_EQ(DiagnosePort(0, 9600).fault, PortFault::NoPort);
}

TEST(PortDiagnosisRules, OpenErrorsMapToFaults) {
    const std::pair<int, PortFault> cases[] = {
        {ENOENT, PortFault::Absent},
        {ENXIO, PortFault::Absent},
        {ENODEV, PortFault::Absent},
        {EIO, PortFault::Absent},
        {EACCES, PortFault::Permission},
        {EPERM, PortFault::Permission},
        {EBUSY, PortFault::Busy},
        {EISDIR, PortFault::NotATerminal},
        {ENOTTY, PortFault::NotATerminal},
        {EMFILE, PortFault::Failed},
        {0, PortFault::None},
    };
    for (const auto& [error, fault] : cases) {
        EXPECT_EQ(kasdrv::portdiag::ClassifyOpenError(error), fault) << error;
    }
}

TEST(PortDiagnosisRules, LockHoldersMatchDeviceAndInodeButNotWaiters) {
    const std::string locks = "1: FLOCK  ADVISORY  WRITE 4242 00:1a:6 0 EOF\n"
                              "1: -> FLOCK  ADVISORY  WRITE 5151 00:1a:6 0 EOF\n"
                              "2: POSIX  ADVISORY  WRITE 777 00:1a:60 0 EOF\n"
                              "3: FLOCK  ADVISORY  WRITE 888 fd:01:6 0 EOF\n"
                              "4: OFDLCK ADVISORY  READ  -1 00:1a:6 0 EOF\n"
                              "5: FLOCK  ADVISORY  WRITE 4242 00:1a:6 0 EOF\n"
                              "garbage\n";
    EXPECT_EQ(kasdrv::portdiag::LockHolders(locks, 0x00, 0x1a, 6), std::vector<long>{4242});
    EXPECT_EQ(kasdrv::portdiag::LockHolders(locks, 0xfd, 0x01, 6), std::vector<long>{888});
    EXPECT_TRUE(kasdrv::portdiag::LockHolders(locks, 0x00, 0x1a, 7).empty());
}

TEST(PortDiagnosisRules, PermissionAdviceFitsTheUsersGroups) {
    PortDiagnosis d;
    d.fault = PortFault::Permission;
    d.name = "COM1";
    d.device = "/dev/ttyUSB0";
    d.group = "dialout";
    d.reason = "Permission denied";
    const std::string outsider = Joined(DescribePortDiagnosis(d));
    EXPECT_NE(outsider.find("sudo usermod -aG dialout $USER"), std::string::npos) << outsider;
    EXPECT_NE(outsider.find("udev"), std::string::npos) << outsider;
    EXPECT_NE(outsider.find("Permission denied"), std::string::npos) << outsider;

    d.groupInAccount = true; // joined, but the session predates it
    const std::string joined = Joined(DescribePortDiagnosis(d));
    EXPECT_NE(joined.find("log out and in again"), std::string::npos) << joined;
    EXPECT_EQ(joined.find("usermod"), std::string::npos) << joined;

    d.group = "root"; // a device only root may open: suggest the usual group
    d.groupInAccount = false;
    EXPECT_NE(Joined(DescribePortDiagnosis(d)).find("GROUP=\"dialout\""), std::string::npos);
}

} // namespace
