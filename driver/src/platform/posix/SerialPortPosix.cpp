// POSIX serial port: termios in raw mode, poll-bounded one-byte reads.
#include "platform/PortName.h"
#include "platform/SerialPort.h"
#include "platform/posix/BaudRate.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace kasdrv::platform {

namespace {

class PosixSerialPort final : public SerialPort {
  public:
    PosixSerialPort(int fd, const PortTimeouts& timeouts) : fd_(fd), timeouts_(timeouts) {}
    ~PosixSerialPort() override { ::close(fd_); }
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    void Purge() override { ::tcflush(fd_, TCIOFLUSH); }
    void PurgeReceive() override { ::tcflush(fd_, TCIFLUSH); }

    bool ReadByte(uint8_t& byte, uint32_t maxWaitMs) override {
        // One byte: the total time-out is the constant plus one multiplier.
        const uint32_t portWait = timeouts_.readTotalConstantMs + timeouts_.readTotalMultiplierMs;
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(std::min(portWait, maxWaitMs));
        bool pollSaidReadable = false;
        for (;;) {
            const ssize_t n = ::read(fd_, &byte, 1);
            if (n == 1) {
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            // With VMIN 0 a read of an empty line returns 0 rather than EAGAIN, and
            // poll then waits; a read of 0 right after poll said "readable" is the
            // end of a line whose other end has gone.
            const bool readError =
                n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
            const bool endOfLine = n == 0 && pollSaidReadable;
            pollfd p{fd_, POLLIN, 0};
            const int ready =
                readError || endOfLine ? -1 : ::poll(&p, 1, static_cast<int>(left.count()));
            const int pollErrno = errno;
            // A hung-up terminal reports POLLHUP, often together with POLLIN.
            const bool hungUp = ready > 0 && (p.revents & (POLLERR | POLLNVAL | POLLHUP)) != 0;
            if (hungUp && (p.revents & POLLIN) != 0 && ::read(fd_, &byte, 1) == 1) {
                return true; // the last bytes sent before the hang-up
            }
            if (readError || endOfLine || hungUp || (ready < 0 && pollErrno != EINTR)) {
                // Nothing behind the line: behave like a silent port, waiting out
                // the read's time-out rather than spinning until the deadline.
                ::poll(nullptr, 0, static_cast<int>(left.count()));
                return false;
            }
            pollSaidReadable = ready > 0;
        }
    }

    std::size_t Write(std::span<const uint8_t> bytes) override {
        const auto budget = std::chrono::milliseconds(
            timeouts_.writeTotalConstantMs +
            static_cast<uint64_t>(timeouts_.writeTotalMultiplierMs) * bytes.size());
        const auto deadline = std::chrono::steady_clock::now() + budget;
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                break;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break;
            }
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
                break;
            }
        }
        return written;
    }

  private:
    int fd_;
    PortTimeouts timeouts_;
};

bool ConfigureLine(int fd, speed_t speed) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | PARMRK | IGNPAR);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) {
        return false;
    }
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        return false;
    }
    // DTR and RTS are held off; terminals without modem lines refuse this harmlessly.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &lines);
    return true;
}

} // namespace

std::unique_ptr<SerialPort> OpenSystemSerialPort(const PortRequest& request) {
    const std::string path = PortDevicePath(request.portNumber);
    speed_t speed{};
    if (path.empty() || !BaudConstant(request.baud, speed)) {
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    // Not shared: a second opener of the same line is refused.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !ConfigureLine(fd, speed)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixSerialPort>(
        fd, ComputePortTimeouts(request.baud, request.readTimeoutS, request.writeTimeoutS));
}

} // namespace kasdrv::platform
