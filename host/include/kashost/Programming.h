// The register's programming as one document: the receipt header and trailer
// lines, the taxpayer lines, the tax rates, the articles and the passwords.
// kasctl export writes it and diff and apply read it; kasd serves it. Texts in
// UTF-8 (the driver's code page is dealt with here), money and rates in
// hundredths.
//
// Reading the document from the register, comparing and applying it print
// nothing: they give what they found and did, and the driver's error of a
// failure. They talk to the register through the driver's port opened by the
// caller, one caller at a time.
#pragma once

#include "kashost/Json.h"
#include "kashost/Result.h"

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kashost {

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
    std::vector<std::pair<std::int32_t, std::int32_t>> rates; // rate, levy; groups from А on
};

struct ArticleEntry {
    std::int64_t code = 0;
    std::string name;
    std::int64_t price = 0;
    std::uint8_t group = 0;
    std::uint8_t decimals = 0;
};

struct ProgrammingDocument {
    std::vector<MessageLine> receiptHeader; // up to 3; not readable from the register
    std::vector<MessageLine> receiptTrailer;
    std::optional<TaxpayerLines> taxpayer;
    std::optional<TaxRateSet> taxRates;
    std::vector<ArticleEntry> articles; // by code, each code once
    // Cashiers 0-7, 8 programming, 9 reports.
    std::optional<std::array<std::uint16_t, 10>> passwords;
};

// Hryvnias with up to two decimals ("12.34", "-5", "0,50") in kopecks;
// nothing, with `error` saying why, for anything else.
std::optional<std::int64_t> parseMoney(const std::string& word, std::string& error);

inline constexpr std::int64_t kLargestArticleCode = (std::int64_t{1} << 48) - 1;
// The document's "format" member.
inline constexpr std::string_view kProgrammingFormat = "kasctl programming 1";

// The document in a JSON value; nothing with `error` naming the member
// ("articles[2].price: '12.345': expected an amount such as 12.34"). Every part
// is optional; values follow kasctl's command-line rules (money with up to two
// decimals, groups А-Е or 0-5, texts the register can print). A number of the
// tree keeps the text it was written with; nlohmann-json's numbers are taken as
// it writes them (12.30 as 12.3).
std::optional<ProgrammingDocument> documentFromJson(const nlohmann::json& v, std::string& error);
std::optional<ProgrammingDocument> documentFromJson(const json::Value& v, std::string& error);
// The document as JSON, its parts in the order above (nlohmann-json's objects
// keep their members sorted); money and rates as numbers, with two decimals in
// the tree (20.00) and as nlohmann-json writes them in its value (20.0).
nlohmann::json documentToJson(const ProgrammingDocument& d);
json::Value documentToJsonValue(const ProgrammingDocument& d);

// One difference between a document and the register.
struct Difference {
    enum class Kind { ReceiptHeader, ReceiptTrailer, Taxpayer, TaxRates, Article, Password } kind;
    std::string what; // "taxpayer lines", "article 17", ...
    std::string now;  // the register's, "" when unknown
    std::string wanted;
    bool readable = true;  // false: the register does not let it be read back
    std::size_t index = 0; // the line, article (in the document) or operator concerned
};
// What `wanted` would change in a register that holds `actual` (read for the
// same parts), in the order apply programs them; receipt message lines are
// never readable and always listed. Texts compare as the register keeps them
// (І as I, ...), the tax number without its leading zeros.
std::vector<Difference> differences(const ProgrammingDocument& wanted,
                                    const ProgrammingDocument& actual);

std::string describeRates(const TaxRateSet& r);       // "added, А 20.00% + 5.00%, Б 7.00%"
std::string describeArticle(const ArticleEntry& a);   // "\"Хліб\" 12.50 А decimals 0"
std::string describeTaxpayer(const TaxpayerLines& t); // "\"a\" \"b\" \"c\" number 1234"

struct ReadOptions {
    std::int64_t firstArticle = 1; // one query a code
    std::int64_t lastArticle = 100;
    bool passwords = false; // the ten passwords too (the register asks for none)
    // With `passwords`: when given, the passwords are kept only if this is the
    // register's programming password (for a caller that shows them only to
    // whoever knows it).
    std::optional<std::uint16_t> programmingPassword;
};
// What kasctl export writes: the taxpayer lines and number (from the status),
// the tax rates (none when the register's memory holds none), the articles of
// the code range that exist, and the passwords when asked (and when a
// programming password given is the register's: without them otherwise).
// Nothing when the driver fails, with its error in *error (the driver's own
// stays for the caller).
std::optional<ProgrammingDocument> readProgramming(const ReadOptions& options,
                                                   DriverError* error = nullptr);
// What the register holds of the parts `wanted` names: the taxpayer lines, the
// tax rates, the articles of its codes (those the register has), the passwords.
std::optional<ProgrammingDocument> readParts(const ProgrammingDocument& wanted,
                                             DriverError* error = nullptr);

struct ApplyOptions {
    std::uint16_t password = 0; // the programming password (operator 8)
    // Program the passwords that differ as well, each with its old password as
    // the register gives it, and only when `password` is the register's
    // programming password. Without it passwords are compared and left alone.
    bool passwords = false;
};

// One difference and what apply did with it.
struct AppliedChange {
    Difference difference; // the part, the register's value before (`now`), the wanted one
    enum class Outcome {
        Programmed, // the register took it
        Failed,     // the register or the driver refused it: apply stopped there
        NotSent,    // apply stopped before it
        LeftAlone,  // a password, without ApplyOptions::passwords
    } outcome = Outcome::NotSent;
    // The register's value read back afterwards, described as `now`; "" for the
    // receipt message lines (they cannot be read) and when apply stopped before.
    std::string readBack;
};

struct ApplyResult {
    struct Failure {
        enum class Stage {
            Reading,     // the register's programming before: nothing was sent
            Refused,     // passwords to change with a password not the programming one
            Programming, // a change failed: those before it were made
            ReadingBack, // everything was programmed, not read back
        } stage;
        std::string part;  // the change that failed ("article 5"), "passwords" when refused
        DriverError error; // the driver's (empty for Refused)
    };

    std::optional<ProgrammingDocument> before; // the register's, of the parts wanted names
    std::vector<AppliedChange> changes;        // what differed, in the order programmed
    std::size_t made = 0;                      // changes the register took
    std::optional<ProgrammingDocument> after;  // read back once everything was programmed
    // What reads back otherwise than wanted (passwords only when programmed).
    std::vector<Difference> mismatches;
    std::optional<Failure> failure;

    bool ok() const { return !failure && mismatches.empty(); }
};
// Reads the parts `wanted` names, programs what differs (the receipt message
// lines always, as they cannot be read), stops at the first refusal, and reads
// everything back. Nothing fiscal is done: no fiscalization, report or receipt.
// Tax rates can only be programmed with the shift closed.
ApplyResult applyProgramming(const ProgrammingDocument& wanted, const ApplyOptions& options = {});

} // namespace kashost
