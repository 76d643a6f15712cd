#include "CommandExport.h"

#include "DriverUnit.h"
#include "PrinterError.h"

namespace kasdrv {

std::string_view LinkFailureText() {
    const DriverSession& s = Session();
    if (s.CarriedOutMoreThanOnce) {
        return kMoreThanOnceText;
    }
    return s.AnswerInDoubt ? kNotReceivedText : kTimeoutText;
}

bool RunUnjudged(const CommandBuilder& command) {
    if (!ExecuteCommand(command.bytes())) {
        SetErrorText(LinkFailureText());
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
    // Only a command the register carried out (result 0) under the warning
    // that the shift is over 24 hours counts as done.
    if (leniency == ShiftLeniency::Tolerate && s.LastStatusByte == 0x20 && s.LastResultByte == 0) {
        return Verdict::Tolerated;
    }
    return Verdict::Refused;
}

int16_t Refuse(std::string_view utf8Message) {
    SetErrorText(utf8Message);
    return kFailure;
}

} // namespace kasdrv
