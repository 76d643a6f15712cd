// The port opened as the POSIX serial port opens it (name, speed, open, lock,
// terminal), stopping at the first step that fails.
#include "kasdrv/PortDiagnosis.h"
#include "platform/PortName.h"
#include "platform/posix/BaudRate.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace kasdrv::portdiag {

using platform::BaudConstant;
using platform::PortDevicePath;
using platform::PortDevicesDirectory;

namespace {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Command(long pid) {
    std::string comm = ReadWholeFile("/proc/" + std::to_string(pid) + "/comm");
    while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\r')) {
        comm.pop_back();
    }
    return comm;
}

// Where a link chain ends, even when that end does not exist.
std::string LinkTarget(const std::string& entry) {
    std::string path = entry;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return path;
        }
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf - 1);
        if (n <= 0) {
            return path;
        }
        std::string target(buf, static_cast<std::size_t>(n));
        if (target.front() != '/') {
            target = path.substr(0, path.rfind('/') + 1) + target;
        }
        path = target;
    }
    return path;
}

// Processes with the device open, from their /proc/PID/fd links (only those
// this user may look into).
std::vector<long> OpenersOf(const std::string& device) {
    std::vector<long> pids;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return pids;
    }
    while (const dirent* e = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (*end != '\0' || pid <= 0) {
            continue;
        }
        const std::string fdDir = std::string("/proc/") + e->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (fds == nullptr) {
            continue;
        }
        while (const dirent* f = ::readdir(fds)) {
            char buf[PATH_MAX];
            const std::string link = fdDir + "/" + f->d_name;
            const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
            if (n > 0 && device == std::string(buf, static_cast<std::size_t>(n))) {
                pids.push_back(pid);
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return pids;
}

void FindHolders(PortDiagnosis& d, bool locked) {
    struct stat st {};
    if (::stat(d.device.c_str(), &st) != 0) {
        return;
    }
    std::vector<long> pids;
    if (locked) {
        // The driver's lock: /proc/locks names its holder to every user.
        pids = LockHolders(ReadWholeFile("/proc/locks"), major(st.st_dev), minor(st.st_dev),
                           static_cast<unsigned long>(st.st_ino));
    }
    if (pids.empty()) {
        pids = OpenersOf(d.device);
    }
    for (long pid : pids) {
        d.holders.push_back({pid, Command(pid)});
    }
}

void FindGroup(PortDiagnosis& d) {
    struct stat st {};
    if (::stat(d.device.c_str(), &st) != 0) {
        return;
    }
    const gid_t gid = st.st_gid;
    if (const group* g = ::getgrgid(gid); g != nullptr) {
        d.group = g->gr_name;
    }
    d.groupInSession = ::getegid() == gid;
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> groups(static_cast<std::size_t>(count));
        const int got = ::getgroups(count, groups.data());
        for (int i = 0; i < got; ++i) {
            d.groupInSession = d.groupInSession || groups[static_cast<std::size_t>(i)] == gid;
        }
    }
    d.groupInAccount = d.groupInSession;
    if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr) {
        int n = 64;
        std::vector<gid_t> groups(static_cast<std::size_t>(n));
        if (::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &n) < 0 && n > 64) {
            groups.resize(static_cast<std::size_t>(n));
            ::getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &n);
        }
        for (int i = 0; i < n && i < static_cast<int>(groups.size()); ++i) {
            d.groupInAccount = d.groupInAccount || groups[static_cast<std::size_t>(i)] == gid;
        }
    }
}

void SetError(PortDiagnosis& d, PortFault fault, int error) {
    d.fault = fault;
    d.systemError = error;
    d.reason = error != 0 ? std::strerror(error) : std::string();
}

} // namespace

PortDiagnosis DiagnosePort(uint8_t portNumber, uint32_t baud) {
    PortDiagnosis d;
    d.name = "COM" + std::to_string(portNumber);
    d.devicesDirectory = PortDevicesDirectory();
    if (portNumber == 0) {
        d.fault = PortFault::NoPort;
        return d;
    }
    const std::string path = PortDevicePath(portNumber);
    const bool isEntry = !d.devicesDirectory.empty() && path.rfind(d.devicesDirectory, 0) == 0;
    if (isEntry) {
        d.entry = path;
    }
    if (char* real = ::realpath(path.c_str(), nullptr); real != nullptr) {
        d.device = real;
        std::free(real);
    } else {
        d.device = LinkTarget(path);
    }

    speed_t speed{};
    if (!BaudConstant(baud, speed)) {
        d.fault = PortFault::BadSpeed;
        return d;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat link {};
        const bool dangling = error == ENOENT && isEntry && ::lstat(path.c_str(), &link) == 0 &&
                              S_ISLNK(link.st_mode);
        SetError(d, dangling ? PortFault::DanglingLink : ClassifyOpenError(error), error);
        if (d.fault == PortFault::Permission) {
            FindGroup(d);
        } else if (d.fault == PortFault::Busy) {
            FindHolders(d, false);
        }
        return d;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && !S_ISCHR(st.st_mode)) {
        ::close(fd);
        SetError(d, PortFault::NotATerminal, ENOTTY);
        return d;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        SetError(d, error == EWOULDBLOCK ? PortFault::Busy : PortFault::Failed, error);
        if (d.fault == PortFault::Busy) {
            FindHolders(d, true);
        }
        return d;
    }
    termios tio{};
    const int got = ::tcgetattr(fd, &tio);
    const int error = got == 0 ? 0 : errno;
    ::close(fd);
    if (got != 0) {
        SetError(d,
                 error == ENOTTY || error == EINVAL ? PortFault::NotATerminal : PortFault::Failed,
                 error);
    }
    return d;
}

} // namespace kasdrv::portdiag
