#include "kasemu/LinkLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/file.h>
#include <unistd.h>

namespace kasemu {

namespace {

std::string readAll(int fd) {
    std::string s;
    char buf[64];
    ssize_t n = 0;
    ::lseek(fd, 0, SEEK_SET);
    while ((n = ::read(fd, buf, sizeof buf)) > 0) {
        s.append(buf, static_cast<std::size_t>(n));
    }
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) {
        s.pop_back();
    }
    return s;
}

} // namespace

std::string LinkLock::lockPathFor(const std::string& linkPath) {
    const std::filesystem::path p(linkPath);
    return (p.parent_path() / ("." + p.filename().string() + ".kasemu")).string();
}

LinkLock::LinkLock(const std::string& linkPath) : path_(lockPathFor(linkPath)) {
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(path_).parent_path();
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, ec);
    }
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        throw std::runtime_error("cannot make the lock file " + path_ + ": " +
                                 std::strerror(errno));
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const std::string other = readAll(fd_);
        ::close(fd_);
        fd_ = -1;
        throw std::runtime_error(linkPath + " is served by another kasemu (process " +
                                 (other.empty() ? std::string("unknown") : other) +
                                 "); stop that one first");
    }
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_, 0) != 0 || ::write(fd_, pid.data(), pid.size()) < 0) {
        // The lock holds all the same; only the name of this process is missing.
    }
}

LinkLock::~LinkLock() {
    if (fd_ >= 0) {
        ::unlink(path_.c_str());
        ::close(fd_);
    }
}

} // namespace kasemu
