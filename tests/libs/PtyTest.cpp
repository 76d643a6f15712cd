// The pseudo-terminal as a serial port: raw both ways, the host's speed seen
// from the master, and the comN link that never takes what is not a link.
#include "kaspty/Pty.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(PseudoTerminal, CarriesBytesAsTheyAreAndShowsTheHostsSpeed) {
    kaspty::PseudoTerminal pty(19200);
    const int host = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(host, 0);
    EXPECT_EQ(kaspty::LineSpeed(pty.master()), 19200);
    ASSERT_TRUE(kaspty::MakeRaw(host, 38400));
    EXPECT_EQ(kaspty::LineSpeed(pty.master()), 38400);
    EXPECT_FALSE(kaspty::MakeRaw(host, 12345));
    const char sent[] = "\n\r\x03\x10";
    ASSERT_EQ(::write(pty.master(), sent, 4), 4);
    pollfd p{host, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    char got[8] = {};
    EXPECT_EQ(::read(host, got, sizeof got), 4);
    EXPECT_EQ(std::string(got, 4), std::string(sent, 4));
    ::close(host);
}

TEST(PseudoTerminal, LinksReplaceOnlyLinks) {
    char pattern[] = "/tmp/kaspty-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const std::string link = dir + "/dosdevices/com1";
    EXPECT_FALSE(kaspty::LinkTo("/dev/null", link));
    EXPECT_FALSE(kaspty::LinkTo("/dev/zero", link));
    EXPECT_EQ(fs::read_symlink(link), "/dev/zero");
    kaspty::Unlink("/dev/null", link);
    EXPECT_TRUE(fs::is_symlink(link));
    kaspty::Unlink("/dev/zero", link);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    std::ofstream(dir + "/com2") << "kept";
    EXPECT_EQ(kaspty::LinkTo("/dev/null", dir + "/com2"), std::errc::file_exists);
    EXPECT_TRUE(fs::is_regular_file(dir + "/com2"));
    fs::remove_all(dir);
}
