// The CSV price lists that kasctl apply and diff take articles from.
#include "ProgrammingDocument.h"

#include "Subcommand.h"

#include <algorithm>
#include <limits>
#include <map>

namespace kasctl {

namespace {

// Splits one CSV line at `separator` outside double quotes ("" is a quote).
std::optional<std::vector<std::string>> CsvFields(std::string_view line, char separator,
                                                  std::string& error) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"' && fields.back().find_first_not_of(' ') == std::string::npos) {
            fields.back().clear();
            quoted = true;
        } else if (c == separator) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) {
        error = "a quoted field without its closing '\"'";
        return std::nullopt;
    }
    for (std::string& f : fields) {
        const auto first = f.find_first_not_of(' ');
        f = first == std::string::npos ? "" : f.substr(first, f.find_last_not_of(' ') - first + 1);
    }
    return fields;
}

} // namespace

std::optional<std::vector<ArticleEntry>> ReadPriceList(std::string_view text, std::string& error) {
    error.clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::vector<ArticleEntry> articles;
    std::map<int64_t, std::size_t> seen;
    char separator = 0;
    std::size_t number = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos) {
            continue;
        }
        const std::string where = "line " + std::to_string(number);
        if (separator == 0) {
            // The first line decides: ';' where a spreadsheet writes decimal commas.
            separator = line.find(';') != std::string_view::npos ? ';' : ',';
        }
        std::string why;
        const auto fields = CsvFields(line, separator, why);
        if (!fields) {
            error = where + ": " + why;
            return std::nullopt;
        }
        if (articles.empty() && seen.empty() && !(*fields)[0].empty() &&
            (*fields)[0].find_first_not_of("0123456789") != std::string::npos &&
            (*fields)[0].rfind("0x", 0) != 0) {
            // A first line of column names ("code;name;price;group;decimals").
            seen.emplace(-1, number);
            continue;
        }
        if (fields->size() < 4 || fields->size() > 5) {
            error = where + ": expected code, name, price, group and decimals (found " +
                    std::to_string(fields->size()) + " fields separated by '" + separator + "')";
            return std::nullopt;
        }
        Args a(*fields);
        ArticleEntry e;
        e.code = a.Int(0, 1, kLargestArticleCode);
        e.name = (*fields)[1];
        a.Text(1);
        e.price = a.Money(2);
        e.group = a.TaxGroup(3);
        e.decimals = static_cast<uint8_t>(a.Has(4) && !(*fields)[4].empty() ? a.Int(4, 0, 3) : 0);
        std::string problem = a.ok() ? "" : a.error();
        if (problem.empty() && e.name.empty()) {
            problem = "the name is empty";
        }
        if (problem.empty() && (e.price < -std::numeric_limits<int32_t>::max() ||
                                e.price > std::numeric_limits<int32_t>::max())) {
            problem = "price out of range";
        }
        if (problem.empty() && seen.count(e.code) != 0) {
            problem = "code " + std::to_string(e.code) + " already on line " +
                      std::to_string(seen[e.code]);
        }
        if (!problem.empty()) {
            error = where + ": " + problem;
            return std::nullopt;
        }
        seen.emplace(e.code, number);
        articles.push_back(e);
    }
    return articles;
}

void MergeArticles(std::vector<ArticleEntry>& into, const std::vector<ArticleEntry>& from) {
    for (const ArticleEntry& a : from) {
        const auto it = std::find_if(into.begin(), into.end(),
                                     [&a](const ArticleEntry& b) { return b.code == a.code; });
        if (it != into.end()) {
            *it = a;
        } else {
            into.push_back(a);
        }
    }
}

} // namespace kasctl
