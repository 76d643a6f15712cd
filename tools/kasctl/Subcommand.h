// kasctl's subcommands: each file registers its own with KASCTL_SUBCOMMAND.
#pragma once

#include "kasdrv.h"

#include <kashost/Host.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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
    // UTF-8 word → Windows-1251 text for the driver.
    std::string Text(std::size_t i);

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    void Fail(std::string message);

  private:
    std::vector<std::string> words_;
    std::string error_;
};

struct Subcommand {
    std::string_view name;
    std::string_view usage;   // the words after the name
    std::string_view summary; // one line
    std::size_t minArgs;
    // Returns the driver's result (-1 success, 0 failure).
    int16_t (*run)(Args& args);
};

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

// Printing results: UTF-8 lines on stdout.
void PrintLine(std::string_view label, std::string_view value);
void PrintFlag(std::string_view label, FPBOOL value);
void PrintMoney(std::string_view label, int64_t kopecks);
void PrintNumber(std::string_view label, int64_t value);
// A text the driver handed out (Windows-1251) as UTF-8.
std::string FromDriverText(const char* cp1251);
std::string ToDriverText(std::string_view utf8);
inline std::string FromDriverText(const std::optional<std::string>& cp1251) {
    return cp1251 ? FromDriverText(cp1251->c_str()) : std::string();
}
// A read of kashost as the driver's result: -1 when it gave something.
template <typename T> int16_t ResultOf(const std::optional<T>& read) {
    return read ? -1 : 0;
}
// The program's arguments in UTF-8 (on Windows taken from the wide command line).
std::vector<std::string> Utf8CommandLine(int argc, char** argv);
std::string FormatDate(double date);
std::string FormatTime(double time);
std::string FormatMoney(int64_t kopecks);

} // namespace kasctl
