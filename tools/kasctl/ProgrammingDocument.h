// The register's programming as one document: what kasctl export writes and
// kasctl apply and diff read. Texts in UTF-8, money and rates in hundredths.
#pragma once

#include "Json.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kasctl {

struct MessageLine {
    std::string text;
    bool wide = false;
    bool tall = false;
};

struct TaxpayerLines {
    std::array<std::string, 3> lines;
    std::string taxNumber;
    bool identification = false; // the number is an identification number
};

struct TaxRateSet {
    bool added = false; // tax added on top of prices, else included in them
    bool levy = false;  // each rate carries a levy
    std::vector<std::pair<int32_t, int32_t>> rates; // rate, levy; groups from А on
};

struct ArticleEntry {
    int64_t code = 0;
    std::string name;
    int64_t price = 0;
    uint8_t group = 0;
    uint8_t decimals = 0;
};

struct ProgrammingDocument {
    std::vector<MessageLine> receiptHeader; // up to 3; not readable from the register
    std::vector<MessageLine> receiptTrailer;
    std::optional<TaxpayerLines> taxpayer;
    std::optional<TaxRateSet> taxRates;
    std::vector<ArticleEntry> articles;                // by code, each code once
    std::optional<std::array<uint16_t, 10>> passwords; // cashiers 0-7, 8 programming, 9 reports
};

inline constexpr int64_t kLargestArticleCode = (int64_t{1} << 48) - 1;

// The document in a parsed JSON value; nothing with `error` naming the member.
std::optional<ProgrammingDocument> DocumentFromJson(const json::Value& v, std::string& error);
json::Value DocumentToJson(const ProgrammingDocument& d);
// Articles from a CSV price list: code, name, price, group, decimals (may be left
// out), separated by ',' or ';', a first line of column names allowed. An error
// names its line ("line 4: ...").
std::optional<std::vector<ArticleEntry>> ReadPriceList(std::string_view text, std::string& error);
// Adds or replaces the articles by code.
void MergeArticles(std::vector<ArticleEntry>& into, const std::vector<ArticleEntry>& from);

// One difference between a document and the register.
struct Difference {
    enum class Kind { ReceiptHeader, ReceiptTrailer, Taxpayer, TaxRates, Article, Password } kind;
    std::string what; // "taxpayer lines", "article 17", ...
    std::string now;  // the register's, "" when unknown
    std::string wanted;
    bool readable = true;  // false: the register does not let it be read back
    std::size_t index = 0; // the line, article or operator concerned
};
// What `wanted` would change in a register that holds `actual` (read for the
// same parts); receipt message lines are never readable and always listed.
std::vector<Difference> Differences(const ProgrammingDocument& wanted,
                                    const ProgrammingDocument& actual);

std::string DescribeRates(const TaxRateSet& r);
std::string DescribeArticle(const ArticleEntry& a);
std::string DescribeTaxpayer(const TaxpayerLines& t);

} // namespace kasctl
