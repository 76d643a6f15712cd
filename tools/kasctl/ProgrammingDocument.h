// The register's programming as one document (kashost/Programming.h): what
// kasctl export writes and kasctl apply and diff read, and the CSV price lists
// they take articles from. Texts in UTF-8, money and rates in hundredths.
#pragma once

#include "Json.h"

#include <kashost/Programming.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kasctl {

using kashost::ArticleEntry;
using kashost::Difference;
using kashost::kLargestArticleCode;
using kashost::MessageLine;
using kashost::ProgrammingDocument;
using kashost::TaxpayerLines;
using kashost::TaxRateSet;

// The document in a parsed JSON value; nothing with `error` naming the member.
inline std::optional<ProgrammingDocument> DocumentFromJson(const json::Value& v,
                                                           std::string& error) {
    return kashost::documentFromJson(v, error);
}
inline json::Value DocumentToJson(const ProgrammingDocument& d) {
    return kashost::documentToJsonValue(d);
}
// What `wanted` would change in a register that holds `actual`.
inline std::vector<Difference> Differences(const ProgrammingDocument& wanted,
                                           const ProgrammingDocument& actual) {
    return kashost::differences(wanted, actual);
}

// Articles from a CSV price list: code, name, price, group, decimals (may be left
// out), separated by ',' or ';', a first line of column names allowed. An error
// names its line ("line 4: ...").
std::optional<std::vector<ArticleEntry>> ReadPriceList(std::string_view text, std::string& error);
// Adds or replaces the articles by code.
void MergeArticles(std::vector<ArticleEntry>& into, const std::vector<ArticleEntry>& from);

} // namespace kasctl
