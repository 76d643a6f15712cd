// Status, date and time, line speed and paper.
#include "Subcommand.h"

#include <utility>

namespace kasctl {

namespace {

int16_t Status(Args&) {
    const auto status = kashost::readStatus();
    if (!status) {
        return 0;
    }
    const std::pair<const char*, bool> flags[13] = {
        {"payment started", status->paymentStarted},
        {"cash drawer closed", status->drawerClosed},
        {"payout receipt", status->payoutReceipt},
        {"VAT added on top", status->vatAdded},
        {"shift open", status->shiftOpen},
        {"receipt open", status->receiptOpen},
        {"display sums forbidden", status->displaySumsForbidden},
        {"tax rates changed", status->taxRatesChanged},
        {"service report open", status->serviceReportOpen},
        {"fiscal mode", status->fiscalMode},
        {"last command abnormal", status->lastCommandAbnormal},
        {"on-line mode", status->onlineMode},
        {"service report on control tape", status->serviceReportOnControlTape}};
    const std::pair<const char*, const std::optional<std::string>*> texts[7] = {
        {"serial number and date", &status->serialAndDate},
        {"fiscal number", &status->fiscalNumber},
        {"header line 1", &status->header[0]},
        {"header line 2", &status->header[1]},
        {"header line 3", &status->header[2]},
        {"tax number", &status->taxNumber},
        {"firmware", &status->firmware}};
    for (const auto& [label, text] : texts) {
        PrintLine(label, FromDriverText(*text));
    }
    for (const auto& [label, on] : flags) {
        PrintFlag(label, on ? -1 : 0);
    }
    PrintLine("registration",
              FormatDate(status->registrationDate) + " " + FormatTime(status->registrationTime));
    return -1;
}

int16_t GetDate(Args&) {
    double date = 0;
    const int16_t rc = FPGetDate(&date);
    if (rc != 0) {
        PrintLine("date", FormatDate(date));
    }
    return rc;
}

int16_t SetDate(Args& args) {
    const double date = args.Date(0);
    return args.ok() ? FPSetDate(date) : 0;
}

int16_t GetTime(Args&) {
    double time = 0;
    const int16_t rc = FPGetTime(&time);
    if (rc != 0) {
        PrintLine("time", FormatTime(time));
    }
    return rc;
}

int16_t SetTime(Args& args) {
    const double time = args.Time(0);
    return args.ok() ? FPSetTime(time) : 0;
}

int16_t Paper(Args&) {
    const auto paper = kashost::readPaperState();
    if (paper) {
        PrintFlag("state undeterminable", paper->undeterminable ? -1 : 0);
        PrintFlag("control tape low", paper->controlTapeLow ? -1 : 0);
        PrintFlag("receipt tape low", paper->receiptTapeLow ? -1 : 0);
        PrintFlag("control tape out", paper->controlTapeOut ? -1 : 0);
        PrintFlag("receipt tape out", paper->receiptTapeOut ? -1 : 0);
    }
    return ResultOf(paper);
}

int16_t Baud(Args& args) {
    const std::string& w = args.Word(0);
    const int index = w == "9600" ? 0 : w == "19200" ? 1 : w == "38400" ? 2 : -1;
    if (index < 0) {
        args.Fail("'" + w + "': expected 9600, 19200 or 38400");
        return 0;
    }
    const int16_t rc = FPChangeBaudRate(static_cast<uint8_t>(index));
    if (rc != 0) {
        PrintLine("line speed", w + " bit/s (from now on: kasctl --baud " + w + ")");
    }
    return rc;
}

} // namespace

KASCTL_SUBCOMMAND({"status", "", "register status, identity and registration", 0, &Status});
KASCTL_SUBCOMMAND({"date", "", "read the register's date", 0, &GetDate});
KASCTL_SUBCOMMAND({"set-date", "YYYY-MM-DD", "set the register's date", 1, &SetDate,
                   "the register's date was set"});
KASCTL_SUBCOMMAND({"time", "", "read the register's time", 0, &GetTime});
KASCTL_SUBCOMMAND({"set-time", "HH:MM[:SS]", "set the register's time", 1, &SetTime,
                   "the register's time was set"});
KASCTL_SUBCOMMAND({"paper", "", "paper sensors", 0, &Paper});
KASCTL_SUBCOMMAND({"baud",
                   "9600|19200|38400",
                   "switch the register's line speed (then use --baud)",
                   1,
                   &Baud,
                   {},
                   "9600|19200|38400  the register's new line speed in bit/s; the register\n"
                   "  answers at it from now on, so later runs need the same --baud"});

} // namespace kasctl
