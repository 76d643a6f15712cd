// The body every command export shares: run one transaction, judge the
// register's answer, and turn the verdict into the export's result.
//
//     if (!ArgumentOk) return Refuse("…!");                 // nothing sent
//     const Verdict v = RunCommand(CommandBuilder(0x0E));
//     if (v != Verdict::Accepted) return ResultOf(v);        // 0x20 counts as done
//     ReplyReader r(Session().ReplyData); …                  // read the reply
//     return kSuccess;
#pragma once

#include "DriverSession.h"
#include "WireFormat.h"

#include <string_view>

namespace kasdrv {

enum class Verdict {
    Accepted,  // the register did the command
    Tolerated, // it did the command and reported only "shift longer than 24 hours"
               // (status 0x20, result 0)
    Refused,   // it reported an error; ErrorText and the codes say which
    NoAnswer,  // no valid answer after three attempts
};

enum class ShiftLeniency {
    Tolerate, // status 0x20 alone with result 0 counts as success
    Strict,   // every reported error fails the export
};

// Runs the command and decodes the register's status and result bytes.
Verdict RunCommand(const CommandBuilder& command, ShiftLeniency leniency = ShiftLeniency::Tolerate);

// Runs the command without judging the status (status and paper queries).
// On a missing answer sets the time-out text, the not-received text when the
// register may have carried the command out, or the more-than-once text when
// it did so more than once, and returns false.
bool RunUnjudged(const CommandBuilder& command);

inline int16_t ResultOf(Verdict v) {
    return v == Verdict::Accepted || v == Verdict::Tolerated ? kSuccess : kFailure;
}

// Sets the export's own error text and returns failure.
int16_t Refuse(std::string_view utf8Message);

// The driver's own texts that do not come from the register.
inline constexpr std::string_view kTimeoutText = "Превышено время ожидания ответа от принтера!";
inline constexpr std::string_view kNotReceivedText =
    "Команда передана принтеру, но ответ не получен!\r\nПроверьте, выполнена ли она, прежде "
    "чем повторять.";
inline constexpr std::string_view kMoreThanOnceText =
    "Команда выполнена принтером более одного раза!\r\nПроверьте чек, прежде чем продолжать.";
inline constexpr std::string_view kNoDataText = "Данные от ЭККР не были получены!";
inline constexpr std::string_view kBadReplyText =
    "Ответная посылка не соответствует формату данных!";

// The text for a transaction that failed on the link (see RunUnjudged).
std::string_view LinkFailureText();

inline int16_t RefuseBadReply() {
    return Refuse(kBadReplyText);
}

// Writes `value` through `out` unless the caller passed null.
template <typename T, typename V> void Put(T* out, V value) {
    if (out != nullptr) {
        *out = static_cast<T>(value);
    }
}

inline int16_t Flag(bool set) {
    return set ? -1 : 0;
}

} // namespace kasdrv
