#include "Subcommand.h"

#include "kashost/Register.h"
#include <kashost/Programming.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kasctl {

namespace {
constexpr int kDaysFrom1899To1970 = 25569;
}

const std::string& Args::Word(std::size_t i) const {
    static const std::string empty;
    return i < words_.size() ? words_[i] : empty;
}

void Args::Fail(std::string message) {
    if (error_.empty()) {
        error_ = std::move(message);
    }
}

int64_t Args::Int(std::size_t i, int64_t min, int64_t max) {
    const std::string& w = Word(i);
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(w.c_str(), &end, 0);
    if (w.empty() || *end != '\0' || errno != 0 || v < min || v > max) {
        Fail("'" + w + "': expected a whole number from " + std::to_string(min) + " to " +
             std::to_string(max));
        return 0;
    }
    return v;
}

int64_t Args::Money(std::size_t i) {
    std::string error;
    const auto kopecks = kashost::parseMoney(Word(i), error);
    if (!kopecks) {
        Fail(error);
    }
    return kopecks.value_or(0);
}

bool Args::Bool(std::size_t i) {
    const std::string& w = Word(i);
    if (w == "1" || w == "yes" || w == "true" || w == "on") {
        return true;
    }
    if (w == "0" || w == "no" || w == "false" || w == "off") {
        return false;
    }
    Fail("'" + w + "': expected yes or no");
    return false;
}

double Args::Date(std::size_t i) {
    int y = 0;
    unsigned m = 0;
    unsigned d = 0;
    char tail = 0;
    const std::string& w = Word(i);
    if (std::sscanf(w.c_str(), "%d-%u-%u%c", &y, &m, &d, &tail) != 3) {
        Fail("'" + w + "': expected a date YYYY-MM-DD");
        return 0;
    }
    const std::chrono::year_month_day ymd{std::chrono::year{y}, std::chrono::month{m},
                                          std::chrono::day{d}};
    if (!ymd.ok()) {
        Fail("'" + w + "': no such date");
        return 0;
    }
    return static_cast<double>(std::chrono::sys_days{ymd}.time_since_epoch().count() +
                               kDaysFrom1899To1970);
}

double Args::Time(std::size_t i) {
    int h = 0;
    int m = 0;
    int s = 0;
    char tail = 0;
    const std::string& w = Word(i);
    const int n = std::sscanf(w.c_str(), "%d:%d:%d%c", &h, &m, &s, &tail);
    if ((n != 2 && n != 3) || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) {
        Fail("'" + w + "': expected a time HH:MM[:SS]");
        return 0;
    }
    return (h * 3600.0 + m * 60.0 + s) / 86400.0;
}

namespace {

// A character for an error message: itself with its code point, or the byte
// value of a control character or of a byte that is not UTF-8.
std::string Describe(const std::string& character) {
    const auto lead = static_cast<unsigned char>(character[0]);
    uint32_t code = 0;
    const std::size_t n = character.size();
    const bool complete = (n == 2 && lead >= 0xC0 && lead < 0xE0) ||
                          (n == 3 && lead >= 0xE0 && lead < 0xF0) || (n == 4 && lead >= 0xF0);
    if (lead < 0x80 || !complete) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "byte 0x%02X", lead);
        return buf;
    }
    code = lead & (0xFF >> (n + 1));
    for (std::size_t k = 1; k < n; ++k) {
        code = (code << 6) | (static_cast<unsigned char>(character[k]) & 0x3F);
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, " (U+%04X)", code);
    return "\"" + character + "\"" + buf;
}

} // namespace

std::string Args::Text(std::size_t i) {
    const std::vector<std::string> refused = UnprintableCharacters(Word(i));
    if (!refused.empty()) {
        std::string list;
        for (const std::string& c : refused) {
            list += (list.empty() ? "" : ", ") + Describe(c);
        }
        Fail("'" + Word(i) + "': the register cannot print " + list);
        return {};
    }
    return ToDriverText(Word(i));
}

std::pair<double, double> Args::DateRange(std::size_t i) {
    const double from = Date(i);
    const double to = Date(i + 1);
    if (ok() && from > to) {
        Fail("FROM " + Word(i) + " is after TO " + Word(i + 1));
    }
    return {from, to};
}

std::pair<int64_t, int64_t> Args::IntRange(std::size_t i, int64_t min, int64_t max) {
    const int64_t first = Int(i, min, max);
    const int64_t last = Int(i + 1, min, max);
    if (ok() && first > last) {
        Fail("FIRST " + Word(i) + " is after LAST " + Word(i + 1));
    }
    return {first, last};
}

uint8_t Args::TaxGroup(std::size_t i) {
    if (const auto g = kashost::reg::taxGroupOfLetter(Word(i))) {
        return *g;
    }
    const std::string& w = Word(i);
    char* end = nullptr;
    const long v = std::strtol(w.c_str(), &end, 10);
    if (w.empty() || *end != '\0' || v < 0 || v > 5) {
        Fail("'" + w + "': expected a tax group А, Б, В, Г, Д, Е (or 0 to 5)");
        return 0;
    }
    return static_cast<uint8_t>(v);
}

std::string FormatDate(double date) {
    const auto days = static_cast<int>(date) - kDaysFrom1899To1970;
    const std::chrono::year_month_day ymd{std::chrono::sys_days{std::chrono::days{days}}};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return buf;
}

std::string FormatTime(double time) {
    const auto seconds = static_cast<long>((time - std::trunc(time)) * 86400.0 + 0.5);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", seconds / 3600 % 24, seconds / 60 % 60,
                  seconds % 60);
    return buf;
}

std::string FormatMoney(int64_t kopecks) {
    const uint64_t magnitude = static_cast<uint64_t>(kopecks < 0 ? -kopecks : kopecks);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu.%02llu", kopecks < 0 ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 100),
                  static_cast<unsigned long long>(magnitude % 100));
    return buf;
}

} // namespace kasctl
