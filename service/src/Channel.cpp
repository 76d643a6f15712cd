#include "Channel.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kasd {

Channel::~Channel() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool Channel::send(const nlohmann::json& value) {
    std::string line = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    line.push_back('\n');
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::send(fd_, line.data() + done, line.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<nlohmann::json> Channel::receive(int timeoutMs) {
    for (;;) {
        if (const auto end = buffer_.find('\n'); end != std::string::npos) {
            const std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            auto value = nlohmann::json::parse(line, nullptr, false);
            if (value.is_discarded()) {
                return std::nullopt;
            }
            return value;
        }
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        char chunk[4096];
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt;
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

bool Channel::closed() {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) {
        return false;
    }
    char c = 0;
    return ::recv(fd_, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0 || (p.revents & (POLLHUP | POLLERR));
}

} // namespace kasd
