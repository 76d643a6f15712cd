// The driver's whole state: one record for the one port the library drives.
#pragma once

#include "platform/SerialPort.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kasdrv {

using Bytes = std::vector<uint8_t>;

constexpr int16_t kSuccess = -1;
constexpr int16_t kFailure = 0;

struct DriverSession {
    std::unique_ptr<platform::SerialPort> PortHandle;
    uint8_t Sequence = 0;      // of the last frame sent; never reset
    double LastSendTime = 0.0; // fractional days: last write, or last SYN received
    bool LogoTransferMode = false;
    // Non-fiscal text goes to the receipt tape only; switched by the text
    // printing export alone and kept while the library stays loaded.
    bool NonFiscalTextReceiptTapeOnly = false;

    Bytes RawAnswer; // the last answer as received
    // Whether any byte came within the answer window of the last attempt.
    bool AnswerBytesHeard = false;
    // The last transaction failed after the register may have carried the
    // command out: the caller must check before it repeats the command.
    bool AnswerInDoubt = false;
    // The last transaction failed because the register carried a command that
    // must not be repeated out more than once (a late answer came during a resend).
    bool CarriedOutMoreThanOnce = false;
    // The sequence numbers of the last command frames sent (0: none), to tell a
    // late answer of an earlier transaction, and how many answers in a row
    // echoed the number of the frame they answered.
    std::array<uint8_t, 8> RecentSequences{};
    std::size_t NextRecent = 0;
    int EchoesInARow = 0;
    Bytes ReplyData; // de-stuffed payload after its five header bytes
    uint8_t StatusByte = 0;
    uint8_t ResultByte = 0;
    uint8_t ExtStatusByte = 0;

    bool ServiceReportOpen = false;
    bool Emergency = false;
    bool CommandExecuted = false;
    bool ClockError = false;
    bool ShiftOver24h = false;

    uint8_t LastStatusByte = 0; // of a command reported as failed
    uint8_t LastResultByte = 0;

    std::string ErrorText; // Windows-1251
    std::string DateSeparator;
    std::string TimeSeparator;
    std::string ArticleText; // Windows-1251, handed out by the article query
};

DriverSession& Session();

// Sets ErrorText from a UTF-8 source text (the driver hands texts out as
// Windows-1251).
void SetErrorText(std::string_view utf8);

} // namespace kasdrv
