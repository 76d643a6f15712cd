// The line opened as the POSIX serial port opens it, and each look in a child
// process of its own that writes what it found into a pipe.
#include "kasdrv/PortProbe.h"
#include "platform/PortName.h"
#include "platform/posix/BaudRate.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace kasdrv::portdiag {

std::optional<bool> AskRaw(const std::string& device, uint32_t baud,
                           std::span<const uint8_t> request,
                           const std::function<bool(std::span<const uint8_t>)>& heard) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    speed_t speed{};
    termios t{};
    // Not a line another program holds, and one that takes the settings.
    bool ok = platform::BaudConstant(baud, speed) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
              ::tcgetattr(fd, &t) == 0;
    if (ok) {
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
        t.c_cflag |= CLOCAL | CREAD;
        ok = ::tcsetattr(fd, TCSANOW, &t) == 0;
        ::tcflush(fd, TCIOFLUSH);
    }
    ok = ok && ::write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size());
    for (bool more = ok; more;) {
        uint8_t buffer[256];
        ssize_t n = 0;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            n = ::read(fd, buffer, sizeof buffer);
        }
        ok = n >= 0;
        more = ok && heard(std::span<const uint8_t>(buffer, static_cast<std::size_t>(ok ? n : 0)));
    }
    ::tcflush(fd, TCIOFLUSH);
    ::close(fd);
    return ok;
}

std::vector<LookOutcome> RunApart(std::size_t count,
                                  const std::function<std::string(std::size_t)>& look,
                                  std::chrono::seconds limit) {
    std::fflush(stdout);
    std::fflush(stderr);
    struct Child {
        pid_t pid = -1;
        int fd = -1;
    };
    std::vector<Child> children(count);
    std::vector<LookOutcome> outcomes(count);
    for (std::size_t i = 0; i < count; ++i) {
        int fds[2];
        if (::pipe(fds) != 0) {
            outcomes[i].said = look(i);
            continue;
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            const std::string said = look(i);
            std::size_t done = 0;
            while (done < said.size()) {
                const ssize_t n = ::write(fds[1], said.data() + done, said.size() - done);
                if (n <= 0) {
                    break;
                }
                done += static_cast<std::size_t>(n);
            }
            ::_exit(0);
        }
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            outcomes[i].said = look(i);
            continue;
        }
        children[i] = {pid, fds[0]};
    }
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::vector<pollfd> open;
        std::vector<std::size_t> which;
        for (std::size_t i = 0; i < count; ++i) {
            if (children[i].fd >= 0) {
                open.push_back({children[i].fd, POLLIN, 0});
                which.push_back(i);
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (open.empty() || left.count() <= 0) {
            break;
        }
        if (::poll(open.data(), open.size(), static_cast<int>(left.count())) <= 0) {
            continue;
        }
        for (std::size_t k = 0; k < open.size(); ++k) {
            if (open[k].revents == 0) {
                continue;
            }
            Child& c = children[which[k]];
            char buffer[512];
            const ssize_t n = ::read(c.fd, buffer, sizeof buffer);
            if (n > 0) {
                outcomes[which[k]].said.append(buffer, static_cast<std::size_t>(n));
            } else {
                ::close(c.fd);
                c.fd = -1;
            }
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        Child& c = children[i];
        if (c.pid < 0) {
            continue;
        }
        outcomes[i].late = c.fd >= 0;
        if (outcomes[i].late) {
            ::kill(c.pid, SIGKILL);
            ::close(c.fd);
        }
        int status = 0;
        ::waitpid(c.pid, &status, 0);
    }
    return outcomes;
}

std::string DevicesDirectory() {
    return platform::PortDevicesDirectory();
}

} // namespace kasdrv::portdiag
