#include "kasemu/Pty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace kasemu {

namespace {

std::runtime_error sysError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

int baudOf(speed_t s) {
    switch (s) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

} // namespace

PtyPort::PtyPort() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        throw sysError("posix_openpt");
    }
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        const auto e = sysError("grantpt/unlockpt");
        ::close(master_);
        throw e;
    }
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) {
        const auto e = sysError("ptsname_r");
        ::close(master_);
        throw e;
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        const auto e = sysError("open " + slavePath_);
        ::close(master_);
        throw e;
    }
    // A serial line carries bytes as they are: no echo, no line editing, no translation.
    termios t{};
    if (tcgetattr(slave_, &t) == 0) {
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        tcsetattr(slave_, TCSANOW, &t);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        const auto e = sysError("pipe");
        ::close(slave_);
        ::close(master_);
        throw e;
    }
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
}

PtyPort::~PtyPort() {
    ::close(wakeRead_);
    ::close(wakeWrite_);
    ::close(slave_);
    ::close(master_);
}

void PtyPort::shutdown() {
    const char c = 'x';
    [[maybe_unused]] const auto n = ::write(wakeWrite_, &c, 1);
}

std::optional<Bytes> PtyPort::read(std::chrono::milliseconds timeout) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    const int r = ::poll(fds, 2, static_cast<int>(timeout.count()));
    if (r < 0) {
        return Bytes{};
    }
    if ((fds[1].revents & POLLIN) != 0) {
        return std::nullopt;
    }
    Bytes out;
    if ((fds[0].revents & POLLIN) != 0) {
        std::uint8_t buf[4096];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            out.assign(buf, buf + n);
        }
    } else if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) {
        // Cannot happen while our own slave descriptor is open; do not spin if it does.
        ::poll(nullptr, 0, 10);
    }
    return out;
}

void PtyPort::write(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    int stalls = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            stalls = 0;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return;
        }
        // The host is not reading and the line's buffer is full: wait a little, then the
        // rest is lost as on a real line.
        pollfd fds[2] = {{master_, POLLOUT, 0}, {wakeRead_, POLLIN, 0}};
        if (::poll(fds, 2, 100) <= 0 && ++stalls > 20) {
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
    }
}

bool PtyPort::sleepUntil(TimePoint t) {
    while (true) {
        const auto left = t - now();
        if (left <= std::chrono::nanoseconds(0)) {
            return true;
        }
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec ts{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
        pollfd fd{wakeRead_, POLLIN, 0};
        const int r = ::ppoll(&fd, 1, &ts, nullptr);
        if (r > 0) {
            return false;
        }
    }
}

std::optional<int> PtyPort::hostBaud() const {
    termios t{};
    if (tcgetattr(master_, &t) != 0) {
        return std::nullopt;
    }
    const int b = baudOf(cfgetospeed(&t));
    if (b == 0) {
        return std::nullopt;
    }
    return b;
}

void PtyPort::flushInput() {
    tcflush(master_, TCIFLUSH);
}

void makeSymlink(const std::string& target, const std::string& link) {
    namespace fs = std::filesystem;
    const fs::path p(link);
    std::error_code ec;
    if (p.has_parent_path()) {
        fs::create_directories(p.parent_path(), ec);
    }
    const auto st = fs::symlink_status(p, ec);
    if (fs::exists(st)) {
        if (!fs::is_symlink(st)) {
            throw std::runtime_error(link + " exists and is not a symbolic link");
        }
        fs::remove(p, ec);
    }
    fs::create_symlink(target, p, ec);
    if (ec) {
        throw std::runtime_error("cannot link " + link + " to " + target + ": " + ec.message());
    }
}

void removeSymlink(const std::string& target, const std::string& link) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(link, ec)) && fs::read_symlink(link, ec) == target) {
        fs::remove(link, ec);
    }
}

} // namespace kasemu
