#include "kasemu/Pty.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace kasemu {

PtyPort::PtyPort() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe");
    }
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
}

PtyPort::~PtyPort() {
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

void PtyPort::shutdown() {
    const char c = 'x';
    [[maybe_unused]] const auto n = ::write(wakeWrite_, &c, 1);
}

std::optional<Bytes> PtyPort::read(std::chrono::milliseconds timeout) {
    pollfd fds[2] = {{pty_.master(), POLLIN, 0}, {wakeRead_, POLLIN, 0}};
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
        const ssize_t n = ::read(pty_.master(), buf, sizeof buf);
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
        const ssize_t n = ::write(pty_.master(), bytes.data() + done, bytes.size() - done);
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
        pollfd fds[2] = {{pty_.master(), POLLOUT, 0}, {wakeRead_, POLLIN, 0}};
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
    return kaspty::LineSpeed(pty_.master());
}

void PtyPort::flushInput() {
    tcflush(pty_.master(), TCIFLUSH);
}

} // namespace kasemu
