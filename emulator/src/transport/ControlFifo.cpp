#include "transport/ControlFifo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace kasemu {

ControlFifo::ControlFifo(std::string path, FaultQueue& faults, Sink reply)
    : path_(std::move(path)), faults_(faults), reply_(std::move(reply)) {
    if (::mkfifo(path_.c_str(), 0600) != 0 && errno != EEXIST) {
        throw std::runtime_error("cannot make the control FIFO " + path_ + ": " +
                                 std::strerror(errno));
    }
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0 || !S_ISFIFO(st.st_mode)) {
        throw std::runtime_error(path_ + " is not a FIFO");
    }
    // Read and write: the FIFO stays open between writers, so no end of file comes.
    fd_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK);
    if (fd_ < 0) {
        throw std::runtime_error("cannot open the control FIFO " + path_ + ": " +
                                 std::strerror(errno));
    }
    thread_ = std::thread([this] { Serve(); });
}

ControlFifo::~ControlFifo() {
    running_ = false;
    if (thread_.joinable()) {
        thread_.join();
    }
    ::close(fd_);
}

std::string ControlFifo::Handle(const std::string& raw) {
    const auto first = raw.find_first_not_of(" \t\r");
    const auto last = raw.find_last_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const std::string word = raw.substr(first, last - first + 1);
    if (word == "clear") {
        faults_.clear();
        return "kasemu: every fault disarmed";
    }
    const auto fault = parseFault(word);
    if (!fault) {
        return "kasemu: unknown fault '" + word + "' (see --help)";
    }
    faults_.arm(*fault);
    return "kasemu: armed " + word;
}

void ControlFifo::Serve() {
    std::string pending;
    while (running_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) {
            continue;
        }
        char buffer[256];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (auto nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
            const std::string reply = Handle(pending.substr(0, nl));
            pending.erase(0, nl + 1);
            if (!reply.empty() && reply_) {
                reply_(reply);
            }
        }
    }
}

} // namespace kasemu
