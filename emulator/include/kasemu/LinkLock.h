// One emulator per link: a lock file beside the link (".comN.kasemu" for comN) that the
// serving process holds locked and that names it. A second emulator for the same link
// refuses to start instead of taking the link over; a killed emulator's lock goes with it.
#pragma once

#include <string>

namespace kasemu {

class LinkLock {
  public:
    // Throws std::runtime_error naming the link and the process that serves it when another
    // emulator holds the lock, or when the lock file cannot be made.
    explicit LinkLock(const std::string& linkPath);
    ~LinkLock();
    LinkLock(const LinkLock&) = delete;
    LinkLock& operator=(const LinkLock&) = delete;

    static std::string lockPathFor(const std::string& linkPath);

  private:
    int fd_ = -1;
    std::string path_;
};

} // namespace kasemu
