// Customer display, drawer, copies, non-fiscal text and bar codes.
#include "Subcommand.h"

#include <vector>

namespace kasctl {

namespace {

// upper|lower TEXT
int16_t Display(Args& args) {
    const std::string& which = args.Word(0);
    if (which != "upper" && which != "lower") {
        args.Fail("'" + which + "': expected upper or lower");
        return 0;
    }
    const std::string text = args.Text(1);
    return args.ok() ? FPSendCustomer(which == "lower" ? -1 : 0, text.c_str()) : 0;
}

int16_t Drawer(Args&) {
    return FPOpenBox();
}
int16_t Copy(Args&) {
    return FPCopyLastCheck();
}
int16_t Version(Args&) {
    return FPPrintVersion();
}

// [-r] [-f] LINE... : -r receipt tape only, -f finish the text.
int16_t Text(Args& args) {
    bool tapeOnly = false;
    bool finish = false;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& w = args.Word(i);
        if (w == "-r") {
            tapeOnly = true;
        } else if (w == "-f") {
            finish = true;
        } else if (w == "--") {
            ++i;
            break;
        } else {
            break;
        }
    }
    std::vector<std::string> texts;
    for (; i < args.size(); ++i) {
        texts.push_back(args.Text(i));
    }
    if (!args.ok()) {
        return 0;
    }
    std::vector<const char*> lines;
    for (const std::string& t : texts) {
        lines.push_back(t.c_str());
    }
    return FPTransPrint(lines.data(), static_cast<int32_t>(lines.size()), tapeOnly ? -1 : 0,
                        finish ? -1 : 0);
}

int16_t Code128(Args& args) {
    const std::string text = args.Text(0);
    return args.ok() ? FPSetBarCode(text.c_str()) : 0;
}

int16_t Ean13(Args& args) {
    const std::string text = args.Text(0);
    return args.ok() ? FPPrintEAN13(text.c_str()) : 0;
}

} // namespace

KASCTL_SUBCOMMAND({"display", "upper|lower TEXT", "customer display line (at most 20)", 2, &Display,
                   "the line was sent to the customer display",
                   "upper|lower  which of the display's two lines\n"
                   "TEXT  at most 20 characters"});
KASCTL_SUBCOMMAND({"drawer", "", "open the cash drawer", 0, &Drawer, "the cash drawer was opened"});
KASCTL_SUBCOMMAND({"copy", "", "copy of the last receipt", 0, &Copy,
                   "a copy of the last receipt was printed"});
KASCTL_SUBCOMMAND({"version", "", "print the firmware version", 0, &Version,
                   "the firmware version was printed on the receipt tape"});
KASCTL_SUBCOMMAND({"text", "[-r] [-f] [--] LINE...",
                   "non-fiscal text; -r receipt tape only (each run starts from both tapes), "
                   "-f end the text",
                   0, &Text, "the text was printed",
                   "-r  print on the receipt tape only (without it: both tapes)\n"
                   "-f  end the non-fiscal text after these lines\n"
                   "--  end of the flags: the next word is a line even if it starts with -\n"
                   "LINE  one printed line each, at most the tape's width"});
KASCTL_SUBCOMMAND({"code128", "TEXT", "Code-128 bar code (at most 16 characters)", 1, &Code128,
                   "the Code-128 bar code was printed"});
KASCTL_SUBCOMMAND({"ean13", "DIGITS", "EAN-13 bar code (last digit is the check digit)", 1, &Ean13,
                   "the EAN-13 bar code was printed",
                   "DIGITS  13 digits, the last one the check digit"});

} // namespace kasctl
