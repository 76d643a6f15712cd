// The parts of the port diagnosis that need no system call: naming faults,
// reading /proc/locks, and the advice given for each fault.
#include "kasdrv/PortDiagnosis.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace kasdrv::portdiag {

std::string_view PortFaultName(PortFault fault) {
    switch (fault) {
    case PortFault::None:
        return "opens";
    case PortFault::NoPort:
        return "no such port";
    case PortFault::Absent:
        return "absent";
    case PortFault::DanglingLink:
        return "dangling link";
    case PortFault::NotATerminal:
        return "not a serial device";
    case PortFault::Permission:
        return "permission denied";
    case PortFault::Busy:
        return "busy";
    case PortFault::BadSpeed:
        return "unsupported line speed";
    case PortFault::Failed:
        return "failed";
    }
    return "failed";
}

PortFault ClassifyOpenError(int error) {
    switch (error) {
    case 0:
        return PortFault::None;
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case EIO: // a ttyS node without a UART behind it
        return PortFault::Absent;
    case EACCES:
    case EPERM:
    case EROFS:
        return PortFault::Permission;
    case EBUSY: // another opener set the line exclusive
    case EWOULDBLOCK:
        return PortFault::Busy;
    case EISDIR:
    case ENOTTY:
    case ENOTDIR:
        return PortFault::NotATerminal;
    default:
        return PortFault::Failed;
    }
}

std::vector<long> LockHolders(std::string_view procLocks, unsigned major, unsigned minor,
                              unsigned long inode) {
    // "1: FLOCK  ADVISORY  WRITE 1234 00:1a:6 0 EOF"; a waiter's line has "->"
    // after the number and holds nothing.
    std::vector<long> pids;
    std::istringstream lines{std::string(procLocks)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) {
            w.push_back(word);
        }
        if (w.size() < 6 || w[1] == "->") {
            continue;
        }
        const std::string& file = w[5];
        const auto first = file.find(':');
        const auto second = file.find(':', first == std::string::npos ? first : first + 1);
        if (first == std::string::npos || second == std::string::npos) {
            continue;
        }
        char* end = nullptr;
        const unsigned long maj = std::strtoul(file.substr(0, first).c_str(), &end, 16);
        const unsigned long min =
            std::strtoul(file.substr(first + 1, second - first - 1).c_str(), &end, 16);
        const unsigned long ino = std::strtoul(file.substr(second + 1).c_str(), &end, 10);
        const long pid = std::strtol(w[4].c_str(), &end, 10);
        if (*end != '\0' || pid <= 0 || maj != major || min != minor || ino != inode) {
            continue;
        }
        bool known = false;
        for (long p : pids) {
            known = known || p == pid;
        }
        if (!known) {
            pids.push_back(pid);
        }
    }
    return pids;
}

namespace {

#if !defined(_WIN32)
// Where a port's link lives, as an example to type.
std::string EntryExample(const PortDiagnosis& d) {
    if (!d.entry.empty()) {
        return d.entry;
    }
    const std::string number = d.name.size() > 3 ? d.name.substr(3) : "1";
    const std::string dir =
        d.devicesDirectory.empty() ? "~/.kasdrv/dosdevices" : d.devicesDirectory;
    return dir + "/com" + number;
}

std::string LinkAdvice(const PortDiagnosis& d) {
    const std::string entry = EntryExample(d);
    const std::string dir = entry.substr(0, entry.rfind('/'));
    return "link the port to the device of the register's adapter (ls /dev/ttyUSB* /dev/ttyACM* "
           "lists them): mkdir -p " +
           dir + " && ln -sf /dev/ttyUSB0 " + entry;
}
#endif

} // namespace

std::vector<std::string> DescribePortDiagnosis(const PortDiagnosis& d) {
    std::vector<std::string> lines;
    if (d.fault == PortFault::None) {
        return lines;
    }
    if (!d.device.empty()) {
        std::string where = "device: " + d.device;
        if (!d.entry.empty() && d.entry != d.device) {
            where += " (through " + d.entry + ")";
        } else if (d.entry.empty() && !d.devicesDirectory.empty()) {
            where += " (no com" + (d.name.size() > 3 ? d.name.substr(3) : std::string()) +
                     " entry in " + d.devicesDirectory + ")";
        }
        lines.push_back(where);
    }
    std::string problem = "problem: " + std::string(PortFaultName(d.fault));
    if (!d.reason.empty()) {
        problem += " (" + d.reason + ")";
    }
    lines.push_back(problem);
#if defined(_WIN32)
    switch (d.fault) {
    case PortFault::Absent:
        lines.push_back("what to do: plug the adapter in; the Device Manager lists the port "
                        "numbers under \"Ports (COM & LPT)\"");
        break;
    case PortFault::Busy:
    case PortFault::Permission:
        lines.push_back("what to do: another program holds " + d.name +
                        "; close it, or choose another port");
        break;
    default:
        lines.push_back("what to do: check the port in the Device Manager");
        break;
    }
#else
    switch (d.fault) {
    case PortFault::NoPort:
        lines.push_back("what to do: port numbers start at 1 (COM1)");
        break;
    case PortFault::Absent:
        lines.push_back("what to do: plug the adapter in, or " + LinkAdvice(d));
        break;
    case PortFault::DanglingLink:
        lines.push_back("what to do: the link points at nothing (an adapter unplugged, or now "
                        "under another name); " +
                        LinkAdvice(d));
        break;
    case PortFault::NotATerminal:
        lines.push_back("what to do: this is no serial line; " + LinkAdvice(d));
        break;
    case PortFault::Permission: {
        const std::string group = d.group.empty() || d.group == "root" ? "dialout" : d.group;
        if (d.groupInAccount && !d.groupInSession) {
            lines.push_back("what to do: your account is in the group " + group +
                            " but this session is not yet: log out and in again (or run "
                            "`newgrp " +
                            group + "`)");
        } else {
            lines.push_back("what to do: join the group " + group + " (sudo usermod -aG " + group +
                            " $USER, then log out and in again), or give the device a udev "
                            "rule, e.g. in /etc/udev/rules.d/70-kasdrv.rules: "
                            "SUBSYSTEM==\"tty\", KERNEL==\"ttyUSB[0-9]*\", GROUP=\"" +
                            group + "\", MODE=\"0660\"");
        }
        break;
    }
    case PortFault::Busy:
        if (d.holders.empty()) {
            lines.push_back("what to do: close the program that holds it (not found from here; "
                            "`sudo fuser -v " +
                            (d.device.empty() ? std::string("DEVICE") : d.device) +
                            "` names it), or choose another port");
        } else {
            std::string who;
            for (const PortHolder& h : d.holders) {
                who += (who.empty() ? "" : ", ") + std::string("pid ") + std::to_string(h.pid);
                if (!h.command.empty()) {
                    who += " (" + h.command + ")";
                }
            }
            lines.push_back("held by: " + who);
            lines.push_back("what to do: close that program, or choose another port");
        }
        break;
    case PortFault::BadSpeed:
        lines.push_back("what to do: choose one of 300, 600, 1200, 2400, 4800, 9600, 19200, "
                        "38400, 57600, 115200 or 230400 bit/s");
        break;
    default:
        lines.push_back("what to do: check the device, e.g. with `stty -F " +
                        (d.device.empty() ? std::string("DEVICE") : d.device) + "`");
        break;
    }
#endif
    return lines;
}

} // namespace kasdrv::portdiag
