// kasctl's subcommands: each file registers its own with KASCTL_SUBCOMMAND.
#pragma once

#include "kasdrv.h"

#include <kashost/Host.h>
#include <kashost/Text.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kasctl {

// The words after the subcommand's name, with typed accessors that report
// a usage error (and make the subcommand fail) for a malformed word.
class Args {
  public:
    explicit Args(std::vector<std::string> words) : words_(std::move(words)) {}

    std::size_t size() const { return words_.size(); }
    bool Has(std::size_t i) const { return i < words_.size(); }
    const std::string& Word(std::size_t i) const;
    // Signed integer within [min, max]; decimal or 0x-prefixed hex.
    int64_t Int(std::size_t i, int64_t min, int64_t max);
    // Money in hryvnias with up to two decimals ("12.34", "-5", "0,50") → kopecks.
    int64_t Money(std::size_t i);
    // yes/no/1/0/true/false.
    bool Bool(std::size_t i);
    // YYYY-MM-DD → day count of the driver's date values.
    double Date(std::size_t i);
    // HH:MM[:SS] → fraction of a day.
    double Time(std::size_t i);
    // UTF-8 word → Windows-1251 text for the driver; a character the register
    // cannot print is refused by name.
    std::string Text(std::size_t i);
    // YYYY-MM-DD FROM and TO at i and i+1, FROM not after TO.
    std::pair<double, double> DateRange(std::size_t i);
    // Whole numbers FIRST and LAST at i and i+1 within [min, max], FIRST not after LAST.
    std::pair<int64_t, int64_t> IntRange(std::size_t i, int64_t min, int64_t max);
    // 0-5 or the group's letter А-Е.
    uint8_t TaxGroup(std::size_t i);

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    void Fail(std::string message);

  private:
    std::vector<std::string> words_;
    std::string error_;
};

struct Subcommand {
    std::string_view name;
    std::string_view usage;   // the words after the name; [optional], LAST... repeats
    std::string_view summary; // one line
    std::size_t minArgs;
    // Returns the driver's result (-1 success, 0 failure).
    int16_t (*run)(Args& args);
    // What was done, said on success by a subcommand that prints nothing else
    // (its summary when empty).
    std::string_view done = {};
    // For SUB --help: what the words of the usage mean where the common
    // glossary does not say it, one "WORD  meaning" a line.
    std::string_view details = {};
    // Opens no register port through the driver (the subcommand works the line itself).
    bool withoutDriver = false;
};

// The most words a usage admits (SIZE_MAX when its last word repeats).
std::size_t MaxArgs(std::string_view usage);
// The text of SUB --help.
std::string DetailedHelp(const Subcommand& command);
// The words of a usage that neither its details nor the glossary explain.
std::vector<std::string> UnexplainedWords(const Subcommand& command);

void Register(const Subcommand& command);
const std::vector<Subcommand>& Registered();

struct Registrar {
    explicit Registrar(const Subcommand& command) { Register(command); }
};

#define KASCTL_CONCAT2(a, b) a##b
#define KASCTL_CONCAT(a, b) KASCTL_CONCAT2(a, b)
// KASCTL_SUBCOMMAND({"name", "ARGS", "summary", minArgs, &Run});
#define KASCTL_SUBCOMMAND(...)                                                                     \
    static const ::kasctl::Registrar KASCTL_CONCAT(kasctlRegistrar, __LINE__) {                    \
        __VA_ARGS__                                                                                \
    }

// Printing results: UTF-8 lines on stdout with the values in one column, or,
// with --json, one JSON object of the same fields written at the end.
void SetJsonOutput(bool on);
bool JsonOutput();
// Whether anything has been printed (or collected) since the start.
bool PrintedAnything();
// For a subcommand that wrote its own lines to stdout.
void MarkPrinted();
// The collected fields as one JSON object; FinishOutput writes it (with --json).
void FinishOutput();
void PrintLine(std::string_view label, std::string_view value);
void PrintFlag(std::string_view label, FPBOOL value);
void PrintMoney(std::string_view label, int64_t kopecks);
void PrintNumber(std::string_view label, int64_t value);
// A label padded to `width` characters (not bytes) of the terminal.
std::string PadLabel(std::string_view label, std::size_t width);
// A label as a JSON key: lower case words joined by '_'.
std::string JsonKey(std::string_view label);
std::string JsonString(std::string_view utf8);
// The texts between the terminal and the driver, as kashost converts them.
inline std::vector<std::string> UnprintableCharacters(std::string_view utf8) {
    return kashost::unprintableCharacters(utf8);
}
inline std::string FromDriverText(const char* cp1251) {
    return cp1251 == nullptr ? std::string() : kashost::fromDriverText(cp1251);
}
inline std::string ToDriverText(std::string_view utf8) {
    return kashost::toDriverText(utf8);
}
inline std::string FromDriverText(const std::optional<std::string>& cp1251) {
    return cp1251 ? kashost::fromDriverText(*cp1251) : std::string();
}
// A read of kashost as the driver's result: -1 when it gave something.
template <typename T> int16_t ResultOf(const std::optional<T>& read) {
    return read ? -1 : 0;
}
// The help entry of every verified fiscal subcommand (a string literal, to be
// joined with a subcommand's own details).
#define KASCTL_VERDICT_HELP                                                                        \
    "verdict  a fiscal command that got no answer may still have been carried out,\n"              \
    "  up to three times when the driver sent it again; kasctl then reads the\n"                   \
    "  register's state and says how many times it was carried out and what\n"                     \
    "  settles the difference (for a line: the cancellations to register); a\n"                    \
    "  line or payment repeated although answered is reported the same way;\n"                     \
    "  exit status 1 when the command failed or was carried out more than once,\n"                 \
    "  3 when it is not known how many times it was carried out (check the\n"                      \
    "  register before repeating it); a command is not sent at all when the\n"                     \
    "  state it is checked against cannot be read first (exit status 1)"

// A fiscal subcommand's verdict (kashost::FiscalSession): prints it unless the
// command was answered and carried out once, and gives the subcommand's result.
int16_t ReportVerdict(const kashost::FiscalVerdict& verdict);
// Whether the last verdict left it unknown how many times the command was
// carried out: kasctl then exits with status 3.
bool VerdictInDoubt();
// The driver's error as it was when a verified command failed (the reads that
// followed replaced the driver's own); null when none was kept.
const kashost::DriverError* KeptDriverError();
// The program's arguments in UTF-8 (on Windows taken from the wide command line).
std::vector<std::string> Utf8CommandLine(int argc, char** argv);
std::string FormatDate(double date);
std::string FormatTime(double time);
std::string FormatMoney(int64_t kopecks);

} // namespace kasctl
