// Why a serial port cannot be opened: the port is resolved and opened the way
// FPInit does it, step by step, and the first step that fails is named with
// the system's own reason. For hosts that tell their users what to do; the
// driver's interface stays as it is (FPInit only says yes or no).
//
// Nothing here prints. Built into the static library kasdrv_portdiag, which
// hosts link beside libkasdrv; the driver's own sources stay private to it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kasdrv::portdiag {

enum class PortFault {
    None,         // the port opens and takes the line settings
    NoPort,       // port number 0: there is no such port
    Absent,       // no device under that name, or no hardware behind it
    DanglingLink, // the comN link points at something that does not exist
    NotATerminal, // a regular file, a directory, or a device that is no serial line
    Permission,   // the user may not open the device
    Busy,         // another program holds the port
    BadSpeed,     // the port does not take that line speed
    Failed,       // any other refusal of the system
};

// A process that has the device open (or locked), as far as it can be found.
struct PortHolder {
    long pid = 0;
    std::string command; // its program name, empty when it cannot be read
};

struct PortDiagnosis {
    PortFault fault = PortFault::None;
    std::string name;                // "COM3"
    std::string devicesDirectory;    // where comN entries are looked for (POSIX)
    std::string entry;               // the comN entry used, empty when none existed
    std::string device;              // what the name resolved to, links followed
    int systemError = 0;             // errno (GetLastError on Windows) of the failing step
    std::string reason;              // the system's text for it
    std::string group;               // owning group of the device (POSIX)
    bool groupInSession = false;     // this process is a member of that group
    bool groupInAccount = false;     // the user's account is a member (perhaps not yet in effect)
    std::vector<PortHolder> holders; // for Busy, where they can be found
};

// Diagnoses port portNumber (1 = COM1) at baud bit/s. The device is opened
// and closed again if it opens; nothing is written to it.
PortDiagnosis DiagnosePort(uint8_t portNumber, uint32_t baud);

// A short English name of the fault ("permission denied", "busy", ...).
std::string_view PortFaultName(PortFault fault);

// Lines for a user: the device, the system's reason, and what to do.
// Empty for PortFault::None.
std::vector<std::string> DescribePortDiagnosis(const PortDiagnosis& diagnosis);

// The fault an open(2) error stands for (POSIX errno values).
PortFault ClassifyOpenError(int error);

// The processes that /proc/locks lists as holding a lock on the file with
// that device number (major, minor of its file system) and inode.
std::vector<long> LockHolders(std::string_view procLocks, unsigned major, unsigned minor,
                              unsigned long inode);

} // namespace kasdrv::portdiag
