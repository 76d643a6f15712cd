// Status, date and time, line speed and paper.
#include "Subcommand.h"

#include <cstdlib>

namespace kasctl {

namespace {

int16_t Status(Args&) {
    FPBOOL f[13] = {};
    char* texts[7] = {};
    double regDate = 0;
    double regTime = 0;
    const int16_t rc = FPGetStatus(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8],
                                   &f[9], &f[10], &f[11], &f[12], &texts[0], &texts[1], &texts[2],
                                   &texts[3], &texts[4], &texts[5], &texts[6], &regDate, &regTime);
    if (rc == 0) {
        return rc;
    }
    static const char* const kFlags[13] = {
        "payment started",         "cash drawer closed",     "payout receipt",
        "VAT added on top",        "shift open",             "receipt open",
        "display sums forbidden",  "tax rates changed",      "service report open",
        "fiscal mode",             "last command abnormal",  "on-line mode",
        "service report on control tape"};
    static const char* const kTexts[7] = {"serial number and date", "fiscal number",
                                          "header line 1",          "header line 2",
                                          "header line 3",          "tax number",
                                          "firmware"};
    for (int k = 0; k < 7; ++k) {
        PrintLine(kTexts[k], FromDriverText(texts[k]));
        ReleaseDriverBlock(texts[k]);
    }
    for (int k = 0; k < 13; ++k) {
        PrintFlag(kFlags[k], f[k]);
    }
    PrintLine("registration", FormatDate(regDate) + " " + FormatTime(regTime));
    return rc;
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
    FPBOOL f[5] = {};
    const int16_t rc = FPGetPaperState(&f[0], &f[1], &f[2], &f[3], &f[4]);
    if (rc != 0) {
        PrintFlag("state undeterminable", f[0]);
        PrintFlag("control tape low", f[1]);
        PrintFlag("receipt tape low", f[2]);
        PrintFlag("control tape out", f[3]);
        PrintFlag("receipt tape out", f[4]);
    }
    return rc;
}

int16_t Baud(Args& args) {
    const int64_t speed = args.Int(0, 0, 1000000);
    if (!args.ok()) {
        return 0;
    }
    // Accept the index (0-2) or the speed itself.
    const int64_t index = speed == 9600 ? 0 : speed == 19200 ? 1 : speed == 38400 ? 2 : speed;
    return FPChangeBaudRate(static_cast<uint8_t>(index > 255 ? 255 : index));
}

} // namespace

KASCTL_SUBCOMMAND({"status", "", "register status, identity and registration", 0, &Status});
KASCTL_SUBCOMMAND({"date", "", "read the register's date", 0, &GetDate});
KASCTL_SUBCOMMAND({"set-date", "YYYY-MM-DD", "set the register's date", 1, &SetDate});
KASCTL_SUBCOMMAND({"time", "", "read the register's time", 0, &GetTime});
KASCTL_SUBCOMMAND({"set-time", "HH:MM[:SS]", "set the register's time", 1, &SetTime});
KASCTL_SUBCOMMAND({"paper", "", "paper sensors", 0, &Paper});
KASCTL_SUBCOMMAND({"baud", "9600|19200|38400", "switch the register's line speed (then use --baud)", 1,
                   &Baud});

} // namespace kasctl
