// The programming document as JSON, and what it would change in a register.
#include "kashost/Programming.h"
#include "kashost/Register.h"
#include "kashost/Text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>

namespace kashost {

namespace {

using json::Value;
using Kind = Value::Kind;

constexpr const auto& kGroupLetters = reg::kTaxGroupLetters;

std::string formatMoney(std::int64_t hundredths) {
    const auto magnitude = static_cast<std::uint64_t>(hundredths < 0 ? -hundredths : hundredths);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu.%02llu", hundredths < 0 ? "-" : "",
                  static_cast<unsigned long long>(magnitude / 100),
                  static_cast<unsigned long long>(magnitude % 100));
    return buf;
}

// The plain values with the command line's rules and words: each gives nothing
// with `error` set for a malformed word.
std::optional<std::int64_t> wholeNumber(const std::string& w, std::int64_t min, std::int64_t max,
                                        std::string& error) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(w.c_str(), &end, 0);
    if (w.empty() || *end != '\0' || errno != 0 || v < min || v > max) {
        error = "'" + w + "': expected a whole number from " + std::to_string(min) + " to " +
                std::to_string(max);
        return std::nullopt;
    }
    return v;
}

// 0-5 or the group's letter А-Е.
std::optional<std::uint8_t> taxGroup(const std::string& w, std::string& error) {
    if (const auto g = reg::taxGroupOfLetter(w)) {
        return *g;
    }
    char* end = nullptr;
    const long v = std::strtol(w.c_str(), &end, 10);
    if (w.empty() || *end != '\0' || v < 0 || v > 5) {
        error = "'" + w + "': expected a tax group А, Б, В, Г, Д, Е (or 0 to 5)";
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(v);
}

// Reads the members of one object, naming the path of each in its error.
class Reader {
  public:
    explicit Reader(std::string& error) : error_(error) {}

    bool ok() const { return error_.empty(); }
    void fail(const std::string& path, const std::string& what) {
        if (error_.empty()) {
            error_ = path + ": " + what;
        }
    }

    const Value* expect(const Value* v, Kind kind, const std::string& path) {
        static const char* const kNames[] = {"null",   "true or false", "a number",
                                             "a text", "a list [...]",  "an object {...}"};
        if (v != nullptr && v->kind != kind) {
            fail(path, std::string("expected ") + kNames[static_cast<int>(kind)]);
            return nullptr;
        }
        return v;
    }
    // The members of `object` must be among `known` (a misspelt one would be ignored silently).
    void onlyKnown(const Value& object, std::initializer_list<std::string_view> known,
                   const std::string& path) {
        for (const auto& [key, value] : object.members) {
            if (std::find(known.begin(), known.end(), key) == known.end()) {
                std::string list;
                for (const auto k : known) {
                    list += (list.empty() ? "" : ", ") + std::string(k);
                }
                fail(path + (path.empty() ? "" : ".") + key,
                     "unknown member (known: " + list + ")");
            }
        }
    }

    std::string text(const Value& object, std::string_view key, const std::string& path,
                     bool required = true) {
        const std::string at = path + "." + std::string(key);
        const Value* v = expect(object.Find(key), Kind::String, at);
        if (v == nullptr) {
            if (required && object.Find(key) == nullptr) {
                fail(at, "missing");
            }
            return {};
        }
        return printable(v->text, at);
    }
    std::string printable(const std::string& utf8, const std::string& path) {
        if (const std::string why = unprintableError(utf8); !why.empty()) {
            fail(path, why);
        }
        return utf8;
    }
    bool boolean(const Value& object, std::string_view key, const std::string& path) {
        const Value* v = expect(object.Find(key), Kind::Bool, path + "." + std::string(key));
        return v != nullptr && v->boolean;
    }
    // A plain value given as a number or a text, checked with the command line's rules.
    std::optional<std::string> plain(const Value& object, std::string_view key,
                                     const std::string& path, bool required = true) {
        const Value* v = object.Find(key);
        if (v == nullptr) {
            if (required) {
                fail(path + "." + std::string(key), "missing");
            }
            return std::nullopt;
        }
        if (v->kind != Kind::Number && v->kind != Kind::String) {
            fail(path + "." + std::string(key), "expected a number");
            return std::nullopt;
        }
        return v->text;
    }
    std::int64_t whole(const Value& object, std::string_view key, const std::string& path,
                       std::int64_t min, std::int64_t max, std::int64_t otherwise) {
        const auto word = plain(object, key, path, false);
        if (!word) {
            return otherwise;
        }
        return checked(wholeNumber(*word, min, max, why_), path, key).value_or(0);
    }
    std::int64_t amount(const Value& object, std::string_view key, const std::string& path,
                        bool required = true) {
        const auto word = plain(object, key, path, required);
        return word ? checked(parseMoney(*word, why_), path, key).value_or(0) : 0;
    }
    std::uint8_t group(const Value& object, std::string_view key, const std::string& path) {
        const auto word = plain(object, key, path);
        return word ? checked(taxGroup(*word, why_), path, key).value_or(0) : 0;
    }

  private:
    template <typename T>
    std::optional<T> checked(std::optional<T> v, const std::string& path, std::string_view key) {
        if (!v) {
            fail(path + "." + std::string(key), why_);
        }
        return v;
    }

    std::string& error_;
    std::string why_;
};

std::vector<MessageLine> readMessageLines(Reader& r, const Value* list, const std::string& path) {
    std::vector<MessageLine> lines;
    if (r.expect(list, Kind::Array, path) == nullptr) {
        return lines;
    }
    if (list->items.size() > 3) {
        r.fail(path, "at most 3 lines");
    }
    for (std::size_t i = 0; i < list->items.size() && r.ok(); ++i) {
        const Value& item = list->items[i];
        const std::string at = path + "[" + std::to_string(i + 1) + "]";
        MessageLine line;
        if (item.kind == Kind::String) {
            line.text = r.printable(item.text, at);
        } else if (r.expect(&item, Kind::Object, at) != nullptr) {
            r.onlyKnown(item, {"text", "wide", "tall"}, at);
            line.text = r.text(item, "text", at);
            line.wide = r.boolean(item, "wide", at);
            line.tall = r.boolean(item, "tall", at);
        }
        lines.push_back(line);
    }
    return lines;
}

Value messageLinesToJson(const std::vector<MessageLine>& lines) {
    Value list = Value::Array();
    for (const MessageLine& line : lines) {
        Value item = Value::Object();
        item.Add("text", Value::String(line.text));
        item.Add("wide", Value::Bool(line.wide));
        item.Add("tall", Value::Bool(line.tall));
        list.items.push_back(std::move(item));
    }
    return list;
}

void checkArticle(Reader& r, const ArticleEntry& a, const std::string& at) {
    if (a.price < -std::numeric_limits<std::int32_t>::max() ||
        a.price > std::numeric_limits<std::int32_t>::max()) {
        r.fail(at + ".price", "out of range");
    }
    if (a.name.empty()) {
        r.fail(at + ".name", "empty");
    }
}

// nlohmann-json's value as the tree: a number as nlohmann-json writes it.
Value fromNlohmann(const nlohmann::json& v) {
    switch (v.type()) {
    case nlohmann::json::value_t::boolean:
        return Value::Bool(v.get<bool>());
    case nlohmann::json::value_t::number_integer:
    case nlohmann::json::value_t::number_unsigned:
    case nlohmann::json::value_t::number_float:
        return Value::Number(v.dump());
    case nlohmann::json::value_t::string:
        return Value::String(v.get<std::string>());
    case nlohmann::json::value_t::array: {
        Value list = Value::Array();
        for (const nlohmann::json& item : v) {
            list.items.push_back(fromNlohmann(item));
        }
        return list;
    }
    case nlohmann::json::value_t::object: {
        Value object = Value::Object();
        for (const auto& [key, value] : v.items()) {
            object.Add(key, fromNlohmann(value));
        }
        return object;
    }
    default:
        return Value();
    }
}

nlohmann::json toNlohmann(const Value& v) {
    switch (v.kind) {
    case Kind::Null:
        return nullptr;
    case Kind::Bool:
        return v.boolean;
    case Kind::Number:
        return nlohmann::json::parse(v.text);
    case Kind::String:
        return v.text;
    case Kind::Array: {
        nlohmann::json list = nlohmann::json::array();
        for (const Value& item : v.items) {
            list.push_back(toNlohmann(item));
        }
        return list;
    }
    case Kind::Object:
        break;
    }
    nlohmann::json object = nlohmann::json::object();
    for (const auto& [key, value] : v.members) {
        object[key] = toNlohmann(value);
    }
    return object;
}

std::string percent(std::int32_t hundredths) {
    return formatMoney(hundredths) + "%";
}

// A text as the register keeps it: the driver sends І, і and № as I, i and N,
// Ґ and ґ as Ў and ў, and they read back so.
std::string asKept(const std::string& utf8) {
    return reg::asKept(toDriverText(utf8));
}

bool sameText(const std::string& a, const std::string& b) {
    return asKept(a) == asKept(b);
}

// The register gives the tax number back with leading zeros to its full width
// ("1234567890" as "001234567890"): the same number, not one to program again.
bool sameNumber(const std::string& a, const std::string& b) {
    auto digits = [](const std::string& s) {
        const auto first = s.find_first_not_of('0');
        return first == std::string::npos ? std::string() : s.substr(first);
    };
    return digits(asKept(a)) == digits(asKept(b));
}

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string describe(const MessageLine& line) {
    return quoted(line.text) + (line.wide ? " wide" : "") + (line.tall ? " tall" : "");
}

} // namespace

std::optional<ProgrammingDocument> documentFromJson(const Value& v, std::string& error) {
    error.clear();
    Reader r(error);
    ProgrammingDocument d;
    if (r.expect(&v, Kind::Object, "the document") == nullptr) {
        return std::nullopt;
    }
    r.onlyKnown(v,
                {"format", "taxpayer", "receipt_header", "receipt_trailer", "tax_rates", "articles",
                 "passwords"},
                "");
    if (const Value* format = r.expect(v.Find("format"), Kind::String, "format");
        format != nullptr && format->text != kProgrammingFormat) {
        r.fail("format",
               "'" + format->text + "': expected \"" + std::string(kProgrammingFormat) + "\"");
    }
    d.receiptHeader = readMessageLines(r, v.Find("receipt_header"), "receipt_header");
    d.receiptTrailer = readMessageLines(r, v.Find("receipt_trailer"), "receipt_trailer");
    if (const Value* t = r.expect(v.Find("taxpayer"), Kind::Object, "taxpayer")) {
        r.onlyKnown(*t, {"lines", "tax_number", "identification_number"}, "taxpayer");
        TaxpayerLines lines;
        const Value* list = r.expect(t->Find("lines"), Kind::Array, "taxpayer.lines");
        if (list == nullptr || list->items.size() != 3) {
            r.fail("taxpayer.lines", "expected a list of 3 texts");
        }
        for (std::size_t i = 0; list != nullptr && i < list->items.size() && i < 3; ++i) {
            const std::string at = "taxpayer.lines[" + std::to_string(i + 1) + "]";
            if (r.expect(&list->items[i], Kind::String, at) != nullptr) {
                lines.lines[i] = r.printable(list->items[i].text, at);
            }
        }
        lines.taxNumber = r.text(*t, "tax_number", "taxpayer");
        lines.identification = r.boolean(*t, "identification_number", "taxpayer");
        d.taxpayer = lines;
    }
    if (const Value* t = r.expect(v.Find("tax_rates"), Kind::Object, "tax_rates")) {
        r.onlyKnown(*t, {"tax", "levy", "rates"}, "tax_rates");
        TaxRateSet set;
        const std::string tax = r.text(*t, "tax", "tax_rates");
        if (r.ok() && tax != "added" && tax != "included") {
            r.fail("tax_rates.tax", "'" + tax + "': expected \"added\" or \"included\"");
        }
        set.added = tax == "added";
        set.levy = r.boolean(*t, "levy", "tax_rates");
        const Value* list = r.expect(t->Find("rates"), Kind::Array, "tax_rates.rates");
        if (list == nullptr || list->items.empty() || list->items.size() > 5) {
            r.fail("tax_rates.rates", "expected a list of 1 to 5 rates");
        }
        for (std::size_t i = 0; list != nullptr && i < list->items.size() && r.ok(); ++i) {
            const std::string at = "tax_rates.rates[" + std::to_string(i + 1) + "]";
            const Value* item = r.expect(&list->items[i], Kind::Object, at);
            if (item == nullptr) {
                break;
            }
            r.onlyKnown(*item, {"group", "rate", "levy"}, at);
            if (item->Find("group") != nullptr && r.group(*item, "group", at) != i) {
                r.fail(at + ".group", std::string("the rates go by group from А on; expected ") +
                                          std::string(kGroupLetters[i]));
            }
            const auto rate = static_cast<std::int32_t>(r.amount(*item, "rate", at));
            const auto levy = static_cast<std::int32_t>(r.amount(*item, "levy", at, false));
            if (rate < 0 || levy < 0 || rate + levy > 9999) {
                r.fail(at, "a rate (with its levy) from 0 to 99.99 percent");
            }
            if (!set.levy && levy != 0) {
                r.fail(at + ".levy", "a levy needs \"levy\": true");
            }
            set.rates.emplace_back(rate, levy);
        }
        d.taxRates = set;
    }
    if (const Value* list = r.expect(v.Find("articles"), Kind::Array, "articles")) {
        std::map<std::int64_t, std::size_t> seen;
        for (std::size_t i = 0; i < list->items.size() && r.ok(); ++i) {
            const std::string at = "articles[" + std::to_string(i + 1) + "]";
            const Value* item = r.expect(&list->items[i], Kind::Object, at);
            if (item == nullptr) {
                break;
            }
            r.onlyKnown(*item, {"code", "name", "price", "group", "decimals"}, at);
            ArticleEntry a;
            if (item->Find("code") == nullptr) {
                r.fail(at + ".code", "missing");
            }
            a.code = r.whole(*item, "code", at, 1, kLargestArticleCode, 0);
            a.name = r.text(*item, "name", at);
            a.price = r.amount(*item, "price", at);
            a.group = r.group(*item, "group", at);
            a.decimals = static_cast<std::uint8_t>(r.whole(*item, "decimals", at, 0, 3, 0));
            checkArticle(r, a, at);
            if (r.ok() && !seen.emplace(a.code, i + 1).second) {
                r.fail(at + ".code", std::to_string(a.code) + " given twice (also articles[" +
                                         std::to_string(seen[a.code]) + "])");
            }
            d.articles.push_back(a);
        }
    }
    if (const Value* p = r.expect(v.Find("passwords"), Kind::Object, "passwords")) {
        r.onlyKnown(*p, {"cashiers", "programming", "reports"}, "passwords");
        std::array<std::uint16_t, 10> all{};
        const Value* list = r.expect(p->Find("cashiers"), Kind::Array, "passwords.cashiers");
        if (list == nullptr || list->items.size() != 8) {
            r.fail("passwords.cashiers", "expected a list of 8 passwords (cashiers 0 to 7)");
        }
        for (std::size_t i = 0; list != nullptr && i < list->items.size() && i < 8; ++i) {
            Value holder = Value::Object();
            holder.Add("p", list->items[i]);
            all[i] = static_cast<std::uint16_t>(
                r.whole(holder, "p", "passwords.cashiers[" + std::to_string(i) + "]", 0, 65535, 0));
        }
        if (p->Find("programming") == nullptr || p->Find("reports") == nullptr) {
            r.fail("passwords", "expected programming and reports");
        }
        all[8] = static_cast<std::uint16_t>(r.whole(*p, "programming", "passwords", 0, 65535, 0));
        all[9] = static_cast<std::uint16_t>(r.whole(*p, "reports", "passwords", 0, 65535, 0));
        d.passwords = all;
    }
    if (!r.ok()) {
        return std::nullopt;
    }
    return d;
}

std::optional<ProgrammingDocument> documentFromJson(const nlohmann::json& v, std::string& error) {
    return documentFromJson(fromNlohmann(v), error);
}

Value documentToJsonValue(const ProgrammingDocument& d) {
    Value v = Value::Object();
    v.Add("format", Value::String(std::string(kProgrammingFormat)));
    if (d.taxpayer) {
        Value& t = v.Add("taxpayer", Value::Object());
        Value& lines = t.Add("lines", Value::Array());
        for (const std::string& line : d.taxpayer->lines) {
            lines.items.push_back(Value::String(line));
        }
        t.Add("tax_number", Value::String(d.taxpayer->taxNumber));
        t.Add("identification_number", Value::Bool(d.taxpayer->identification));
    }
    if (!d.receiptHeader.empty()) {
        v.Add("receipt_header", messageLinesToJson(d.receiptHeader));
    }
    if (!d.receiptTrailer.empty()) {
        v.Add("receipt_trailer", messageLinesToJson(d.receiptTrailer));
    }
    if (d.taxRates) {
        Value& t = v.Add("tax_rates", Value::Object());
        t.Add("tax", Value::String(d.taxRates->added ? "added" : "included"));
        t.Add("levy", Value::Bool(d.taxRates->levy));
        Value& rates = t.Add("rates", Value::Array());
        for (std::size_t i = 0; i < d.taxRates->rates.size(); ++i) {
            Value rate = Value::Object();
            rate.Add("group", Value::String(std::string(kGroupLetters[i % 6])));
            rate.Add("rate", Value::Number(formatMoney(d.taxRates->rates[i].first)));
            if (d.taxRates->levy) {
                rate.Add("levy", Value::Number(formatMoney(d.taxRates->rates[i].second)));
            }
            rates.items.push_back(std::move(rate));
        }
    }
    Value& articles = v.Add("articles", Value::Array());
    for (const ArticleEntry& a : d.articles) {
        Value item = Value::Object();
        item.Add("code", Value::Number(a.code));
        item.Add("name", Value::String(a.name));
        item.Add("price", Value::Number(formatMoney(a.price)));
        item.Add("group", Value::String(std::string(kGroupLetters[a.group % 6])));
        item.Add("decimals", Value::Number(a.decimals));
        articles.items.push_back(std::move(item));
    }
    if (d.passwords) {
        Value& p = v.Add("passwords", Value::Object());
        Value& cashiers = p.Add("cashiers", Value::Array());
        for (std::size_t i = 0; i < 8; ++i) {
            cashiers.items.push_back(Value::Number((*d.passwords)[i]));
        }
        p.Add("programming", Value::Number((*d.passwords)[8]));
        p.Add("reports", Value::Number((*d.passwords)[9]));
    }
    return v;
}

nlohmann::json documentToJson(const ProgrammingDocument& d) {
    return toNlohmann(documentToJsonValue(d));
}

std::string describeRates(const TaxRateSet& r) {
    std::string text = r.added ? "added" : "included";
    for (std::size_t i = 0; i < r.rates.size(); ++i) {
        text += ", " + std::string(kGroupLetters[i % 6]) + " " + percent(r.rates[i].first);
        if (r.levy) {
            text += " + " + percent(r.rates[i].second);
        }
    }
    return text;
}

std::string describeArticle(const ArticleEntry& a) {
    return quoted(a.name) + " " + formatMoney(a.price) + " " +
           std::string(kGroupLetters[a.group % 6]) + " decimals " + std::to_string(a.decimals);
}

std::string describeTaxpayer(const TaxpayerLines& t) {
    return quoted(t.lines[0]) + " " + quoted(t.lines[1]) + " " + quoted(t.lines[2]) + " " +
           (t.identification ? "id " : "number ") + t.taxNumber;
}

std::vector<Difference> differences(const ProgrammingDocument& wanted,
                                    const ProgrammingDocument& actual) {
    std::vector<Difference> out;
    using DK = Difference::Kind;
    for (std::size_t i = 0; i < wanted.receiptHeader.size(); ++i) {
        out.push_back({DK::ReceiptHeader, "receipt header line " + std::to_string(i + 1), "",
                       describe(wanted.receiptHeader[i]), false, i});
    }
    for (std::size_t i = 0; i < wanted.receiptTrailer.size(); ++i) {
        out.push_back({DK::ReceiptTrailer, "receipt trailer line " + std::to_string(i + 1), "",
                       describe(wanted.receiptTrailer[i]), false, i});
    }
    if (wanted.taxpayer) {
        // The status gives the lines and the number, not their print attributes nor the kind
        // of number.
        const TaxpayerLines& w = *wanted.taxpayer;
        bool same = actual.taxpayer && sameNumber(actual.taxpayer->taxNumber, w.taxNumber);
        for (std::size_t i = 0; same && i < 3; ++i) {
            same = sameText(actual.taxpayer->lines[i], w.lines[i]);
        }
        if (!same) {
            out.push_back({DK::Taxpayer, "taxpayer lines",
                           actual.taxpayer ? describeTaxpayer(*actual.taxpayer) : "none",
                           describeTaxpayer(w)});
        }
    }
    if (wanted.taxRates) {
        const TaxRateSet& w = *wanted.taxRates;
        const bool same = actual.taxRates && actual.taxRates->added == w.added &&
                          actual.taxRates->levy == w.levy && actual.taxRates->rates == w.rates;
        if (!same) {
            out.push_back({DK::TaxRates, "tax rates",
                           actual.taxRates ? describeRates(*actual.taxRates) : "none",
                           describeRates(w)});
        }
    }
    for (std::size_t i = 0; i < wanted.articles.size(); ++i) {
        const ArticleEntry& w = wanted.articles[i];
        const auto it = std::find_if(actual.articles.begin(), actual.articles.end(),
                                     [&w](const ArticleEntry& a) { return a.code == w.code; });
        const bool same = it != actual.articles.end() && sameText(it->name, w.name) &&
                          it->price == w.price && it->group == w.group &&
                          it->decimals == w.decimals;
        if (!same) {
            out.push_back({DK::Article, "article " + std::to_string(w.code),
                           it == actual.articles.end() ? "none" : describeArticle(*it),
                           describeArticle(w), true, i});
        }
    }
    if (wanted.passwords && actual.passwords) {
        static const char* const kNames[10] = {
            "cashier 0", "cashier 1", "cashier 2", "cashier 3",       "cashier 4",
            "cashier 5", "cashier 6", "cashier 7", "programming (8)", "reports (9)"};
        for (std::size_t i = 0; i < 10; ++i) {
            if ((*wanted.passwords)[i] != (*actual.passwords)[i]) {
                out.push_back({DK::Password, std::string("password of ") + kNames[i],
                               std::to_string((*actual.passwords)[i]),
                               std::to_string((*wanted.passwords)[i]), true, i});
            }
        }
    }
    return out;
}

std::optional<std::int64_t> parseMoney(const std::string& word, std::string& error) {
    std::string w = word;
    std::replace(w.begin(), w.end(), ',', '.');
    const bool negative = !w.empty() && w[0] == '-';
    const std::string digits = negative ? w.substr(1) : w;
    const auto dot = digits.find('.');
    const std::string whole = digits.substr(0, dot);
    std::string fraction = dot == std::string::npos ? "" : digits.substr(dot + 1);
    const bool wellFormed = !whole.empty() && whole.size() <= 12 && fraction.size() <= 2 &&
                            whole.find_first_not_of("0123456789") == std::string::npos &&
                            fraction.find_first_not_of("0123456789") == std::string::npos;
    if (!wellFormed) {
        error = "'" + word + "': expected an amount such as 12.34";
        return std::nullopt;
    }
    fraction.resize(2, '0');
    const std::int64_t kopecks = std::stoll(whole) * 100 + std::stoll(fraction);
    return negative ? -kopecks : kopecks;
}

} // namespace kashost
