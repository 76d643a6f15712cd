#include "CommandExport.h"

#include "DriverUnit.h"
#include "PrinterError.h"

namespace kasdrv {

bool RunUnjudged(const CommandBuilder& command) {
    if (!ExecuteCommand(command.bytes())) {
        SetErrorText(kTimeoutText);
        return false;
    }
    return true;
}

Verdict RunCommand(const CommandBuilder& command, ShiftLeniency leniency) {
    if (!RunUnjudged(command)) {
        return Verdict::NoAnswer;
    }
    DriverSession& s = Session();
    if (DecodeStatus(s.StatusByte, s.ResultByte)) {
        return Verdict::Accepted;
    }
    if (leniency == ShiftLeniency::Tolerate && s.LastStatusByte == 0x20) {
        return Verdict::Tolerated;
    }
    return Verdict::Refused;
}

int16_t Refuse(std::string_view utf8Message) {
    SetErrorText(utf8Message);
    return kFailure;
}

} // namespace kasdrv
