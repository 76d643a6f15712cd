// What SUB --help says: the usage, the summary and every word explained,
// from the subcommand's own details and the glossary of common words.
#include "Subcommand.h"

#include <algorithm>
#include <cstdint>

namespace kasctl {

namespace {

struct Entry {
    std::string_view word;
    std::string_view meaning;
};

// Words that mean the same in every subcommand.
constexpr Entry kGlossary[] = {
    {"PASSWORD", "the operator's password, 0 to 65535 (programming or report password)"},
    {"AMOUNT", "an amount in hryvnias with up to two decimals: 12.34, 5 or 0,50"},
    {"QTY", "quantity: 2 or 1.5, up to 3 decimals"},
    {"PRICE", "price in hryvnias with up to two decimals (12.34)"},
    {"GROUP", "tax group А, Б, В, Г, Д, Е (or 0 to 5)"},
    {"NAME", "a name in quotes when it has spaces; Cyrillic, Latin, digits, signs"},
    {"CODE", "article code, a whole number from 0 to 281474976710655"},
    {"TEXT", "a text in quotes when it has spaces; Cyrillic, Latin, digits, signs"},
    {"FROM", "first day of the period, YYYY-MM-DD (not after TO)"},
    {"TO", "last day of the period, YYYY-MM-DD"},
    {"YYYY-MM-DD", "a date such as 2026-12-08"},
    {"HH:MM[:SS]", "a time such as 14:05 or 14:05:30"},
    {"NO", "operator number: 0 to 7 the cashiers, 8 programming, 9 reports"},
    {"OLD", "the operator's present password, 0 to 65535"},
    {"NEW", "the new password, 0 to 65535"},
    {"ADDR", "memory address, 0 to 0xFFFF (0x.. for hex)"},
    {"PAGE", "memory page, 0 to 255"},
    {"COUNT", "number of bytes, 1 to 255"},
};

// "[CODE]" and "[FIRST", "LAST]" lose the brackets of the optional words;
// "HH:MM[:SS]" keeps its own.
std::string Strip(std::string_view word) {
    std::string w(word);
    while (!w.empty() && w.front() == '[') {
        w.erase(w.begin());
    }
    while (!w.empty() && w.back() == ']' &&
           std::count(w.begin(), w.end(), '[') < std::count(w.begin(), w.end(), ']')) {
        w.pop_back();
    }
    return w;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = std::min(text.find(' ', i), text.size());
        if (end > i) {
            words.emplace_back(text.substr(i, end - i));
        }
        i = end + 1;
    }
    return words;
}

// The usage's words as --help names them: brackets and "..." taken off.
std::vector<std::string> UsageWords(std::string_view usage) {
    std::vector<std::string> words;
    for (const std::string& raw : Words(usage)) {
        std::string w = Strip(raw);
        if (w.size() > 3 && w.compare(w.size() - 3, 3, "...") == 0) {
            w.resize(w.size() - 3);
        }
        if (!w.empty() && std::find(words.begin(), words.end(), w) == words.end()) {
            words.push_back(w);
        }
    }
    return words;
}

// The first word of each line of the details.
std::vector<std::string> DetailWords(std::string_view details) {
    std::vector<std::string> words;
    for (std::size_t i = 0; i < details.size();) {
        const std::size_t end = std::min(details.find('\n', i), details.size());
        const auto line = Words(details.substr(i, end - i));
        if (!line.empty()) {
            words.push_back(line.front());
        }
        i = end + 1;
    }
    return words;
}

const Entry* FromGlossary(const std::string& word) {
    for (const Entry& e : kGlossary) {
        if (e.word == word) {
            return &e;
        }
    }
    return nullptr;
}

std::vector<Subcommand>& Table() {
    static std::vector<Subcommand> table;
    return table;
}

} // namespace

void Register(const Subcommand& command) {
    Table().push_back(command);
}
const std::vector<Subcommand>& Registered() {
    return Table();
}

std::size_t MaxArgs(std::string_view usage) {
    if (usage.find("...") != std::string_view::npos) {
        return SIZE_MAX;
    }
    return Words(usage).size();
}

std::vector<std::string> UnexplainedWords(const Subcommand& command) {
    const auto detailed = DetailWords(command.details);
    std::vector<std::string> missing;
    for (const std::string& w : UsageWords(command.usage)) {
        if (std::find(detailed.begin(), detailed.end(), w) == detailed.end() &&
            FromGlossary(w) == nullptr) {
            missing.push_back(w);
        }
    }
    return missing;
}

std::string DetailedHelp(const Subcommand& command) {
    std::string text = "usage: kasctl [OPTIONS] " + std::string(command.name);
    if (!command.usage.empty()) {
        text += " " + std::string(command.usage);
    }
    text += "\n\n" + std::string(command.summary) + "\n";
    // The details as entries: a word, its meaning, and the lines that go on with it.
    std::vector<std::pair<std::string, std::string>> entries;
    for (std::size_t i = 0; i < command.details.size();) {
        const std::size_t end = std::min(command.details.find('\n', i), command.details.size());
        const std::string_view line = command.details.substr(i, end - i);
        i = end + 1;
        const auto gap = line.find("  ");
        if (gap == 0 && !entries.empty()) {
            entries.back().second += "\n" + std::string(15, ' ') + std::string(line.substr(2));
        } else if (gap != std::string_view::npos) {
            const std::size_t rest = line.find_first_not_of(' ', gap);
            entries.emplace_back(line.substr(0, gap), line.substr(rest));
        }
    }
    auto format = [](const std::string& word, const std::string& meaning) {
        const std::string head =
            word.size() >= 12 ? word + "\n" + std::string(14, ' ') : PadLabel(word, 12);
        return "  " + head + " " + meaning + "\n";
    };
    std::string lines;
    std::vector<std::string> shown;
    for (const std::string& w : UsageWords(command.usage)) {
        const auto e = std::find_if(entries.begin(), entries.end(),
                                    [&w](const auto& entry) { return entry.first == w; });
        if (e != entries.end()) {
            lines += format(w, e->second);
        } else if (const Entry* g = FromGlossary(w)) {
            lines += format(w, std::string(g->meaning));
        }
        shown.push_back(w);
    }
    for (const auto& [word, meaning] : entries) {
        if (std::find(shown.begin(), shown.end(), word) == shown.end()) {
            lines += format(word, meaning);
        }
    }
    if (!lines.empty()) {
        text += "\n" + lines;
    }
    return text;
}

} // namespace kasctl
