#include "kaspty/Pty.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace kaspty {

namespace {

struct Speed {
    int baud;
    speed_t constant;
};
constexpr Speed kSpeeds[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
                             {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};

[[noreturn]] void Fail(const std::string& what, int fd = -1) {
    const int error = errno;
    if (fd >= 0) {
        ::close(fd);
    }
    throw std::system_error(error, std::generic_category(), what);
}

} // namespace

PseudoTerminal::PseudoTerminal(int baud) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        Fail("posix_openpt");
    }
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        Fail("grantpt/unlockpt", master_);
    }
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        Fail("ptsname_r", master_);
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        Fail("open " + slavePath_, master_);
    }
    MakeRaw(slave_, baud);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
}

PseudoTerminal::~PseudoTerminal() {
    ::close(slave_);
    ::close(master_);
}

bool MakeRaw(int fd, int baud) {
    const Speed* speed = nullptr;
    for (const Speed& s : kSpeeds) {
        speed = s.baud == baud ? &s : speed;
    }
    termios t{};
    if (speed == nullptr || ::tcgetattr(fd, &t) != 0) {
        return false;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&t, speed->constant);
    ::cfsetospeed(&t, speed->constant);
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

std::optional<int> LineSpeed(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        return std::nullopt;
    }
    for (const Speed& s : kSpeeds) {
        if (s.constant == ::cfgetospeed(&t)) {
            return s.baud;
        }
    }
    return std::nullopt;
}

std::error_code LinkTo(const std::string& target, const std::string& link) {
    namespace fs = std::filesystem;
    const fs::path p(link);
    std::error_code ec;
    if (p.has_parent_path()) {
        fs::create_directories(p.parent_path(), ec);
    }
    const auto st = fs::symlink_status(p, ec);
    if (fs::exists(st)) {
        if (!fs::is_symlink(st)) {
            return std::make_error_code(std::errc::file_exists);
        }
        fs::remove(p, ec);
    }
    ec.clear();
    fs::create_symlink(target, p, ec);
    return ec;
}

void Unlink(const std::string& target, const std::string& link) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(link, ec)) && fs::read_symlink(link, ec) == target) {
        fs::remove(link, ec);
    }
}

} // namespace kaspty
