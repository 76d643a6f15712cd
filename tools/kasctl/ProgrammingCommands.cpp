// Programming the register: receipt message lines, taxpayer lines, tax
// rates, fiscalization, articles, spacing and contrast, the three modes,
// and the logo.
#include "Subcommand.h"
#include "kashost/Register.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>

namespace kasctl {

namespace {

uint16_t Password(Args& args, std::size_t i) {
    return static_cast<uint16_t>(args.Int(i, 0, 65535));
}

// The optional flag words from index `first` on; an unknown word fails.
std::set<std::string> Flags(Args& args, std::size_t first, const std::set<std::string>& known) {
    std::set<std::string> found;
    for (std::size_t i = first; i < args.size(); ++i) {
        if (known.count(args.Word(i)) == 0) {
            args.Fail("'" + args.Word(i) + "': unexpected word");
        }
        found.insert(args.Word(i));
    }
    return found;
}

using MessageLineExport = int16_t(KASDRV_CALL*)(const char*, FPBOOL, FPBOOL);

// N TEXT [wide] [tall]
int16_t MessageLine(Args& args, const MessageLineExport (&exports)[3]) {
    const auto n = args.Int(0, 1, 3);
    const std::string text = args.Text(1);
    const auto flags = Flags(args, 2, {"wide", "tall"});
    if (!args.ok()) {
        return 0;
    }
    return exports[n - 1](text.c_str(), flags.count("wide") ? -1 : 0, flags.count("tall") ? -1 : 0);
}

int16_t Header(Args& args) {
    static const MessageLineExport kLines[3] = {FPSetInitialFirstLine, FPSetInitialSecondLine,
                                                FPSetInitialEndLine};
    return MessageLine(args, kLines);
}

int16_t Trailer(Args& args) {
    static const MessageLineExport kLines[3] = {FPSetFinalFirstLine, FPSetFinalSecondLine,
                                                FPSetFinalEndLine};
    return MessageLine(args, kLines);
}

// PASSWORD LINE1 LINE2 LINE3 NUMBER [w1] [h1] [w2] [h2] [w3] [h3] [id]
int16_t HeadLine(Args& args) {
    const uint16_t password = Password(args, 0);
    const std::string l1 = args.Text(1);
    const std::string l2 = args.Text(2);
    const std::string l3 = args.Text(3);
    const std::string number = args.Text(4);
    const auto f = Flags(args, 5, {"w1", "h1", "w2", "h2", "w3", "h3", "id"});
    if (!args.ok()) {
        return 0;
    }
    auto on = [&f](const char* name) -> FPBOOL { return f.count(name) ? -1 : 0; };
    return FPSetHeadLine(password, l1.c_str(), on("w1"), on("h1"), l2.c_str(), on("w2"), on("h2"),
                         l3.c_str(), on("w3"), on("h3"), number.c_str(), on("id"));
}

// PASSWORD added|included|levy RATE... ; a rate is a percentage such as
// 20 or 7.5, with a levy RATE/LEVY.
int16_t SetTaxRates(Args& args) {
    const uint16_t password = Password(args, 0);
    const std::string& mode = args.Word(1);
    if (mode != "added" && mode != "included" && mode != "levy") {
        args.Fail("'" + mode + "': expected added, included or levy");
        return 0;
    }
    const bool levy = mode == "levy";
    FPTaxRate rates[5] = {};
    const std::size_t count = args.size() - 2;
    if (count > 5) {
        args.Fail("at most 5 rates");
        return 0;
    }
    for (std::size_t k = 0; k < count; ++k) {
        const std::string& word = args.Word(k + 2);
        const auto slash = word.find('/');
        if (levy != (slash != std::string::npos)) {
            args.Fail("'" + word + (levy ? "': expected RATE/LEVY" : "': expected RATE"));
            return 0;
        }
        Args parts(
            {word.substr(0, slash), slash == std::string::npos ? "0" : word.substr(slash + 1)});
        rates[k].rate = static_cast<int32_t>(parts.Money(0));
        rates[k].levyRate = static_cast<int32_t>(parts.Money(1));
        if (!parts.ok()) {
            args.Fail(parts.error());
            return 0;
        }
    }
    return args.ok() ? FPSetTaxRate(password, static_cast<uint8_t>(count), mode == "added" ? -1 : 0,
                                    rates, 4, levy ? -1 : 0)
                     : 0;
}

int16_t Fiscalize(Args& args) {
    const uint16_t password = Password(args, 0);
    const std::string number = args.Text(1);
    return args.ok() ? FPFiscalization(password, number.c_str()) : 0;
}

// PASSWORD CODE PRICE GROUP NAME [DECIMALS]
int16_t ProgramArticle(Args& args) {
    const uint16_t password = Password(args, 0);
    const int64_t code = args.Int(1, 0, (int64_t{1} << 48) - 1);
    const int64_t price = args.Money(2);
    const uint8_t group = args.TaxGroup(3);
    const std::string name = args.Text(4);
    const auto decimals = static_cast<uint8_t>(args.Has(5) ? args.Int(5, 0, 3) : 0);
    if (price < -std::numeric_limits<int32_t>::max() ||
        price > std::numeric_limits<int32_t>::max()) {
        args.Fail("price out of range");
    }
    return args.ok() ? FPProgArt(password, decimals, static_cast<int32_t>(price), group,
                                 name.c_str(), code)
                     : 0;
}

int16_t Spacing(Args& args) {
    const auto value = static_cast<uint8_t>(args.Int(0, 0, 255));
    return args.ok() ? FPLineSP(value) : 0;
}

int16_t Contrast(Args& args) {
    const auto value = static_cast<uint8_t>(args.Int(0, 0, 255));
    return args.ok() ? FPSetContrast(value) : 0;
}

int16_t Online(Args&) {
    return FPCplOnline();
}
int16_t DisplaySum(Args&) {
    return FPCplInd();
}
int16_t Cutter(Args&) {
    return FPCplCutter();
}

int16_t CutterStatus(Args&) {
    FPBOOL on = 0;
    const int16_t rc = FPCutterStatus(&on);
    if (rc != 0) {
        PrintFlag("automatic cutting", on);
    }
    return rc;
}

int32_t LittleEndian32(const std::string& bytes, std::size_t at) {
    uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        v |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    }
    return static_cast<int32_t>(v);
}

// FILE.bmp [PASSWORD] [rx410|rx520] [double] [invert]
int16_t Logo(Args& args) {
    std::ifstream in(args.Word(0), std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    constexpr std::size_t kInfoHeaderEnd = 26; // width at 18, height at 22
    if (!in.good() && !in.eof()) {
        args.Fail("cannot read " + args.Word(0));
        return 0;
    }
    if (file.size() < kInfoHeaderEnd || file.compare(0, 2, "BM") != 0) {
        args.Fail(args.Word(0) + ": not a BMP file");
        return 0;
    }
    uint16_t password = 0;
    // The logo limits of the model; RX-410F by default.
    const auto* model = kashost::reg::factsOf(kashost::FirmwareModel::Rx410f);
    FPBOOL doubleHeight = 0;
    FPBOOL invert = 0;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& w = args.Word(i);
        if (w == "rx410") {
            model = kashost::reg::factsOf(kashost::FirmwareModel::Rx410f);
        } else if (w == "rx520") {
            model = kashost::reg::factsOf(kashost::FirmwareModel::Rx520l);
        } else if (w == "double") {
            doubleHeight = -1;
        } else if (w == "invert") {
            invert = -1;
        } else {
            password = Password(args, i);
        }
    }
    if (!args.ok()) {
        return 0;
    }
    const FPBitmap bitmap = {LittleEndian32(file, 18), LittleEndian32(file, 22),
                             reinterpret_cast<const uint8_t*>(file.data()),
                             static_cast<uint32_t>(file.size())};
    if (bitmap.height < 0) {
        args.Fail("top-down BMP files are not supported; save the image bottom-up");
        return 0;
    }
    return FPLoadBMP(password, model->logoMaxWidth, model->logoMaxHeight, &bitmap, doubleHeight,
                     invert);
}

int16_t LogoOn(Args& args) {
    const uint16_t password = args.Has(0) ? Password(args, 0) : 0;
    return args.ok() ? FPEnableBMP(password) : 0;
}

int16_t LogoOff(Args& args) {
    const uint16_t password = args.Has(0) ? Password(args, 0) : 0;
    return args.ok() ? FPDisableBMP(password) : 0;
}

} // namespace

constexpr std::string_view kMessageLineDetails = "1-3  which of the three lines\n"
                                                 "TEXT  the line's text\n"
                                                 "wide  printed in double width\n"
                                                 "tall  printed in double height";

KASCTL_SUBCOMMAND({"receipt-header", "1-3 TEXT [wide] [tall]",
                   "line of the message printed on top of every receipt", 2, &Header,
                   "the receipt header line was programmed", kMessageLineDetails});
KASCTL_SUBCOMMAND({"receipt-trailer", "1-3 TEXT [wide] [tall]",
                   "line of the message printed below every receipt", 2, &Trailer,
                   "the receipt trailer line was programmed", kMessageLineDetails});
KASCTL_SUBCOMMAND({"taxpayer-lines", "PASSWORD L1 L2 L3 NUMBER [w1] [h1] [w2] [h2] [w3] [h3] [id]",
                   "the taxpayer's three lines and tax number (fiscal memory, see status)", 5,
                   &HeadLine, "the taxpayer lines and number were programmed",
                   "L1  first taxpayer line (the name)\n"
                   "L2  second taxpayer line\n"
                   "L3  third taxpayer line\n"
                   "NUMBER  the taxpayer's tax number\n"
                   "w1  line 1 in double width (w2, w3 for lines 2 and 3)\n"
                   "h1  line 1 in double height (h2, h3 for lines 2 and 3)\n"
                   "w2  line 2 in double width\n"
                   "h2  line 2 in double height\n"
                   "w3  line 3 in double width\n"
                   "h3  line 3 in double height\n"
                   "id  NUMBER is an identification number, not a tax number"});
KASCTL_SUBCOMMAND({"set-tax-rates", "PASSWORD added|included|levy RATE[/LEVY]...",
                   "program 1-5 tax rates in percent (20 or 7.5; with levy 20/5)", 3, &SetTaxRates,
                   "the tax rates were programmed",
                   "added|included|levy  tax added on top of prices, included in them, or\n"
                   "  included with a levy on each rate\n"
                   "RATE[/LEVY]  one rate a group from А on, in percent with up to two decimals;\n"
                   "  with levy each rate carries its levy after a slash: 20/5"});
KASCTL_SUBCOMMAND({"fiscalize", "PASSWORD NUMBER", "fiscalize the register (irreversible!)", 2,
                   &Fiscalize, "the register was fiscalized",
                   "NUMBER  the fiscal number the register is registered under"});
KASCTL_SUBCOMMAND({"program-article", "PASSWORD CODE PRICE GROUP NAME [DECIMALS]",
                   "program an article (negative price: article of returns)", 5, &ProgramArticle,
                   "the article was programmed",
                   "DECIMALS  decimal places of its quantities, 0 to 3 (default 0)"});
KASCTL_SUBCOMMAND({"spacing", "0-63", "line spacing", 1, &Spacing, "the line spacing was set",
                   "0-63  the spacing between printed lines"});
KASCTL_SUBCOMMAND({"contrast", "50-200", "print contrast in percent (RX-520L)", 1, &Contrast,
                   "the print contrast was set", "50-200  contrast in percent"});
KASCTL_SUBCOMMAND({"online", "", "toggle on-line receipt printing", 0, &Online,
                   "on-line receipt printing was toggled (see status)"});
KASCTL_SUBCOMMAND({"display-sum", "", "toggle the receipt sum on the customer display", 0,
                   &DisplaySum, "showing the receipt sum on the display was toggled (see status)"});
KASCTL_SUBCOMMAND({"cutter", "", "toggle automatic paper cutting", 0, &Cutter,
                   "automatic cutting was toggled (see cutter-status)"});
KASCTL_SUBCOMMAND({"cutter-status", "", "automatic cutting mode", 0, &CutterStatus});
KASCTL_SUBCOMMAND({"logo", "FILE.bmp [PASSWORD] [rx410|rx520] [double] [invert]",
                   "load a monochrome logo (limits of the RX-410F unless rx520)", 1, &Logo,
                   "the logo was loaded",
                   "FILE.bmp  a monochrome bottom-up BMP image\n"
                   "rx410|rx520  the size limits of that model (default rx410: 448x1050;\n"
                   "  rx520: 352x312)\n"
                   "double  print the logo in double height\n"
                   "invert  swap black and white"});
KASCTL_SUBCOMMAND({"logo-on", "[PASSWORD]", "print the logo on receipts", 0, &LogoOn,
                   "the logo is printed on receipts from now on"});
KASCTL_SUBCOMMAND({"logo-off", "[PASSWORD]", "stop printing the logo", 0, &LogoOff,
                   "the logo is no longer printed"});

} // namespace kasctl
