#include "ProgrammingDocument.h"
#include "kashost/Register.h"

#include "Subcommand.h"

#include <algorithm>
#include <limits>
#include <map>

namespace kasctl {

namespace {

using json::Value;
using Kind = Value::Kind;

constexpr const auto& kGroupLetters = kashost::reg::kTaxGroupLetters;
constexpr std::string_view kFormat = "kasctl programming 1";

// Reads the members of one object, naming the path of each in its error.
class Reader {
  public:
    explicit Reader(std::string& error) : error_(error) {}

    bool ok() const { return error_.empty(); }
    void Fail(const std::string& path, const std::string& what) {
        if (error_.empty()) {
            error_ = path + ": " + what;
        }
    }

    const Value* Expect(const Value* v, Kind kind, const std::string& path) {
        static const char* const kNames[] = {"null",   "true or false", "a number",
                                             "a text", "a list [...]",  "an object {...}"};
        if (v != nullptr && v->kind != kind) {
            Fail(path, std::string("expected ") + kNames[static_cast<int>(kind)]);
            return nullptr;
        }
        return v;
    }
    // The members of `object` must be among `known` (a misspelt one would be ignored silently).
    void OnlyKnown(const Value& object, std::initializer_list<std::string_view> known,
                   const std::string& path) {
        for (const auto& [key, value] : object.members) {
            if (std::find(known.begin(), known.end(), key) == known.end()) {
                std::string list;
                for (const auto k : known) {
                    list += (list.empty() ? "" : ", ") + std::string(k);
                }
                Fail(path + (path.empty() ? "" : ".") + key,
                     "unknown member (known: " + list + ")");
            }
        }
    }

    std::string Text(const Value& object, std::string_view key, const std::string& path,
                     bool required = true) {
        const std::string at = path + "." + std::string(key);
        const Value* v = Expect(object.Find(key), Kind::String, at);
        if (v == nullptr) {
            if (required && object.Find(key) == nullptr) {
                Fail(at, "missing");
            }
            return {};
        }
        return Printable(v->text, at);
    }
    std::string Printable(const std::string& utf8, const std::string& path) {
        Args check({utf8});
        check.Text(0);
        if (!check.ok()) {
            Fail(path, check.error());
        }
        return utf8;
    }
    bool Bool(const Value& object, std::string_view key, const std::string& path) {
        const Value* v = Expect(object.Find(key), Kind::Bool, path + "." + std::string(key));
        return v != nullptr && v->boolean;
    }
    // A plain value given as a number or a text, checked with the command line's rules.
    std::optional<std::string> Plain(const Value& object, std::string_view key,
                                     const std::string& path, bool required = true) {
        const Value* v = object.Find(key);
        if (v == nullptr) {
            if (required) {
                Fail(path + "." + std::string(key), "missing");
            }
            return std::nullopt;
        }
        if (v->kind != Kind::Number && v->kind != Kind::String) {
            Fail(path + "." + std::string(key), "expected a number");
            return std::nullopt;
        }
        return v->text;
    }
    int64_t Int(const Value& object, std::string_view key, const std::string& path, int64_t min,
                int64_t max, int64_t otherwise) {
        const auto text = Plain(object, key, path, false);
        if (!text) {
            return otherwise;
        }
        Args a({*text});
        const int64_t n = a.Int(0, min, max);
        if (!a.ok()) {
            Fail(path + "." + std::string(key), a.error());
        }
        return n;
    }
    int64_t Money(const Value& object, std::string_view key, const std::string& path,
                  bool required = true) {
        const auto text = Plain(object, key, path, required);
        if (!text) {
            return 0;
        }
        Args a({*text});
        const int64_t n = a.Money(0);
        if (!a.ok()) {
            Fail(path + "." + std::string(key), a.error());
        }
        return n;
    }
    uint8_t Group(const Value& object, std::string_view key, const std::string& path) {
        const auto text = Plain(object, key, path);
        if (!text) {
            return 0;
        }
        Args a({*text});
        const uint8_t g = a.TaxGroup(0);
        if (!a.ok()) {
            Fail(path + "." + std::string(key), a.error());
        }
        return g;
    }

  private:
    std::string& error_;
};

std::vector<MessageLine> ReadMessageLines(Reader& r, const Value* list, const std::string& path) {
    std::vector<MessageLine> lines;
    if (r.Expect(list, Kind::Array, path) == nullptr) {
        return lines;
    }
    if (list->items.size() > 3) {
        r.Fail(path, "at most 3 lines");
    }
    for (std::size_t i = 0; i < list->items.size() && r.ok(); ++i) {
        const Value& item = list->items[i];
        const std::string at = path + "[" + std::to_string(i + 1) + "]";
        MessageLine line;
        if (item.kind == Kind::String) {
            line.text = r.Printable(item.text, at);
        } else if (r.Expect(&item, Kind::Object, at) != nullptr) {
            r.OnlyKnown(item, {"text", "wide", "tall"}, at);
            line.text = r.Text(item, "text", at);
            line.wide = r.Bool(item, "wide", at);
            line.tall = r.Bool(item, "tall", at);
        }
        lines.push_back(line);
    }
    return lines;
}

Value MessageLinesToJson(const std::vector<MessageLine>& lines) {
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

void CheckArticle(Reader& r, const ArticleEntry& a, const std::string& at) {
    if (a.price < -std::numeric_limits<int32_t>::max() ||
        a.price > std::numeric_limits<int32_t>::max()) {
        r.Fail(at + ".price", "out of range");
    }
    if (a.name.empty()) {
        r.Fail(at + ".name", "empty");
    }
}

std::string Percent(int32_t hundredths) {
    return FormatMoney(hundredths) + "%";
}

// A text as the register keeps it: the driver sends І, і and № as I, i and N,
// Ґ and ґ as Ў and ў, and they read back so.
std::string AsKept(const std::string& utf8) {
    return kashost::reg::asKept(ToDriverText(utf8));
}

bool SameText(const std::string& a, const std::string& b) {
    return AsKept(a) == AsKept(b);
}

// The register gives the tax number back with leading zeros to its full width
// ("1234567890" as "001234567890"): the same number, not one to program again.
bool SameNumber(const std::string& a, const std::string& b) {
    auto digits = [](const std::string& s) {
        const auto first = s.find_first_not_of('0');
        return first == std::string::npos ? std::string() : s.substr(first);
    };
    return digits(AsKept(a)) == digits(AsKept(b));
}

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string Describe(const MessageLine& line) {
    return Quoted(line.text) + (line.wide ? " wide" : "") + (line.tall ? " tall" : "");
}

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

std::optional<ProgrammingDocument> DocumentFromJson(const Value& v, std::string& error) {
    error.clear();
    Reader r(error);
    ProgrammingDocument d;
    if (r.Expect(&v, Kind::Object, "the document") == nullptr) {
        return std::nullopt;
    }
    r.OnlyKnown(v,
                {"format", "taxpayer", "receipt_header", "receipt_trailer", "tax_rates", "articles",
                 "passwords"},
                "");
    if (const Value* format = r.Expect(v.Find("format"), Kind::String, "format");
        format != nullptr && format->text != kFormat) {
        r.Fail("format", "'" + format->text + "': expected \"" + std::string(kFormat) + "\"");
    }
    d.receiptHeader = ReadMessageLines(r, v.Find("receipt_header"), "receipt_header");
    d.receiptTrailer = ReadMessageLines(r, v.Find("receipt_trailer"), "receipt_trailer");
    if (const Value* t = r.Expect(v.Find("taxpayer"), Kind::Object, "taxpayer")) {
        r.OnlyKnown(*t, {"lines", "tax_number", "identification_number"}, "taxpayer");
        TaxpayerLines lines;
        const Value* list = r.Expect(t->Find("lines"), Kind::Array, "taxpayer.lines");
        if (list == nullptr || list->items.size() != 3) {
            r.Fail("taxpayer.lines", "expected a list of 3 texts");
        }
        for (std::size_t i = 0; list != nullptr && i < list->items.size() && i < 3; ++i) {
            const std::string at = "taxpayer.lines[" + std::to_string(i + 1) + "]";
            if (r.Expect(&list->items[i], Kind::String, at) != nullptr) {
                lines.lines[i] = r.Printable(list->items[i].text, at);
            }
        }
        lines.taxNumber = r.Text(*t, "tax_number", "taxpayer");
        lines.identification = r.Bool(*t, "identification_number", "taxpayer");
        d.taxpayer = lines;
    }
    if (const Value* t = r.Expect(v.Find("tax_rates"), Kind::Object, "tax_rates")) {
        r.OnlyKnown(*t, {"tax", "levy", "rates"}, "tax_rates");
        TaxRateSet set;
        const std::string tax = r.Text(*t, "tax", "tax_rates");
        if (r.ok() && tax != "added" && tax != "included") {
            r.Fail("tax_rates.tax", "'" + tax + "': expected \"added\" or \"included\"");
        }
        set.added = tax == "added";
        set.levy = r.Bool(*t, "levy", "tax_rates");
        const Value* list = r.Expect(t->Find("rates"), Kind::Array, "tax_rates.rates");
        if (list == nullptr || list->items.empty() || list->items.size() > 5) {
            r.Fail("tax_rates.rates", "expected a list of 1 to 5 rates");
        }
        for (std::size_t i = 0; list != nullptr && i < list->items.size() && r.ok(); ++i) {
            const std::string at = "tax_rates.rates[" + std::to_string(i + 1) + "]";
            const Value* item = r.Expect(&list->items[i], Kind::Object, at);
            if (item == nullptr) {
                break;
            }
            r.OnlyKnown(*item, {"group", "rate", "levy"}, at);
            if (item->Find("group") != nullptr && r.Group(*item, "group", at) != i) {
                r.Fail(at + ".group", std::string("the rates go by group from А on; expected ") +
                                          std::string(kGroupLetters[i]));
            }
            const auto rate = static_cast<int32_t>(r.Money(*item, "rate", at));
            const auto levy = static_cast<int32_t>(r.Money(*item, "levy", at, false));
            if (rate < 0 || levy < 0 || rate + levy > 9999) {
                r.Fail(at, "a rate (with its levy) from 0 to 99.99 percent");
            }
            if (!set.levy && levy != 0) {
                r.Fail(at + ".levy", "a levy needs \"levy\": true");
            }
            set.rates.emplace_back(rate, levy);
        }
        d.taxRates = set;
    }
    if (const Value* list = r.Expect(v.Find("articles"), Kind::Array, "articles")) {
        std::map<int64_t, std::size_t> seen;
        for (std::size_t i = 0; i < list->items.size() && r.ok(); ++i) {
            const std::string at = "articles[" + std::to_string(i + 1) + "]";
            const Value* item = r.Expect(&list->items[i], Kind::Object, at);
            if (item == nullptr) {
                break;
            }
            r.OnlyKnown(*item, {"code", "name", "price", "group", "decimals"}, at);
            ArticleEntry a;
            if (item->Find("code") == nullptr) {
                r.Fail(at + ".code", "missing");
            }
            a.code = r.Int(*item, "code", at, 1, kLargestArticleCode, 0);
            a.name = r.Text(*item, "name", at);
            a.price = r.Money(*item, "price", at);
            a.group = r.Group(*item, "group", at);
            a.decimals = static_cast<uint8_t>(r.Int(*item, "decimals", at, 0, 3, 0));
            CheckArticle(r, a, at);
            if (r.ok() && !seen.emplace(a.code, i + 1).second) {
                r.Fail(at + ".code", std::to_string(a.code) + " given twice (also articles[" +
                                         std::to_string(seen[a.code]) + "])");
            }
            d.articles.push_back(a);
        }
    }
    if (const Value* p = r.Expect(v.Find("passwords"), Kind::Object, "passwords")) {
        r.OnlyKnown(*p, {"cashiers", "programming", "reports"}, "passwords");
        std::array<uint16_t, 10> all{};
        const Value* list = r.Expect(p->Find("cashiers"), Kind::Array, "passwords.cashiers");
        if (list == nullptr || list->items.size() != 8) {
            r.Fail("passwords.cashiers", "expected a list of 8 passwords (cashiers 0 to 7)");
        }
        for (std::size_t i = 0; list != nullptr && i < list->items.size() && i < 8; ++i) {
            Value holder = Value::Object();
            holder.Add("p", list->items[i]);
            all[i] = static_cast<uint16_t>(
                r.Int(holder, "p", "passwords.cashiers[" + std::to_string(i) + "]", 0, 65535, 0));
        }
        if (p->Find("programming") == nullptr || p->Find("reports") == nullptr) {
            r.Fail("passwords", "expected programming and reports");
        }
        all[8] = static_cast<uint16_t>(r.Int(*p, "programming", "passwords", 0, 65535, 0));
        all[9] = static_cast<uint16_t>(r.Int(*p, "reports", "passwords", 0, 65535, 0));
        d.passwords = all;
    }
    if (!r.ok()) {
        return std::nullopt;
    }
    return d;
}

Value DocumentToJson(const ProgrammingDocument& d) {
    Value v = Value::Object();
    v.Add("format", Value::String(std::string(kFormat)));
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
        v.Add("receipt_header", MessageLinesToJson(d.receiptHeader));
    }
    if (!d.receiptTrailer.empty()) {
        v.Add("receipt_trailer", MessageLinesToJson(d.receiptTrailer));
    }
    if (d.taxRates) {
        Value& t = v.Add("tax_rates", Value::Object());
        t.Add("tax", Value::String(d.taxRates->added ? "added" : "included"));
        t.Add("levy", Value::Bool(d.taxRates->levy));
        Value& rates = t.Add("rates", Value::Array());
        for (std::size_t i = 0; i < d.taxRates->rates.size(); ++i) {
            Value rate = Value::Object();
            rate.Add("group", Value::String(std::string(kGroupLetters[i % 6])));
            rate.Add("rate", Value::Number(FormatMoney(d.taxRates->rates[i].first)));
            if (d.taxRates->levy) {
                rate.Add("levy", Value::Number(FormatMoney(d.taxRates->rates[i].second)));
            }
            rates.items.push_back(std::move(rate));
        }
    }
    Value& articles = v.Add("articles", Value::Array());
    for (const ArticleEntry& a : d.articles) {
        Value item = Value::Object();
        item.Add("code", Value::Number(a.code));
        item.Add("name", Value::String(a.name));
        item.Add("price", Value::Number(FormatMoney(a.price)));
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

std::string DescribeRates(const TaxRateSet& r) {
    std::string text = r.added ? "added" : "included";
    for (std::size_t i = 0; i < r.rates.size(); ++i) {
        text += ", " + std::string(kGroupLetters[i % 6]) + " " + Percent(r.rates[i].first);
        if (r.levy) {
            text += " + " + Percent(r.rates[i].second);
        }
    }
    return text;
}

std::string DescribeArticle(const ArticleEntry& a) {
    return Quoted(a.name) + " " + FormatMoney(a.price) + " " +
           std::string(kGroupLetters[a.group % 6]) + " decimals " + std::to_string(a.decimals);
}

std::string DescribeTaxpayer(const TaxpayerLines& t) {
    return Quoted(t.lines[0]) + " " + Quoted(t.lines[1]) + " " + Quoted(t.lines[2]) + " " +
           (t.identification ? "id " : "number ") + t.taxNumber;
}

std::vector<Difference> Differences(const ProgrammingDocument& wanted,
                                    const ProgrammingDocument& actual) {
    std::vector<Difference> out;
    using DK = Difference::Kind;
    for (std::size_t i = 0; i < wanted.receiptHeader.size(); ++i) {
        out.push_back({DK::ReceiptHeader, "receipt header line " + std::to_string(i + 1), "",
                       Describe(wanted.receiptHeader[i]), false, i});
    }
    for (std::size_t i = 0; i < wanted.receiptTrailer.size(); ++i) {
        out.push_back({DK::ReceiptTrailer, "receipt trailer line " + std::to_string(i + 1), "",
                       Describe(wanted.receiptTrailer[i]), false, i});
    }
    if (wanted.taxpayer) {
        // The status gives the lines and the number, not their print attributes nor the kind
        // of number.
        const TaxpayerLines& w = *wanted.taxpayer;
        bool same = actual.taxpayer && SameNumber(actual.taxpayer->taxNumber, w.taxNumber);
        for (std::size_t i = 0; same && i < 3; ++i) {
            same = SameText(actual.taxpayer->lines[i], w.lines[i]);
        }
        if (!same) {
            out.push_back({DK::Taxpayer, "taxpayer lines",
                           actual.taxpayer ? DescribeTaxpayer(*actual.taxpayer) : "none",
                           DescribeTaxpayer(w)});
        }
    }
    if (wanted.taxRates) {
        const TaxRateSet& w = *wanted.taxRates;
        const bool same = actual.taxRates && actual.taxRates->added == w.added &&
                          actual.taxRates->levy == w.levy && actual.taxRates->rates == w.rates;
        if (!same) {
            out.push_back({DK::TaxRates, "tax rates",
                           actual.taxRates ? DescribeRates(*actual.taxRates) : "none",
                           DescribeRates(w)});
        }
    }
    for (std::size_t i = 0; i < wanted.articles.size(); ++i) {
        const ArticleEntry& w = wanted.articles[i];
        const auto it = std::find_if(actual.articles.begin(), actual.articles.end(),
                                     [&w](const ArticleEntry& a) { return a.code == w.code; });
        const bool same = it != actual.articles.end() && SameText(it->name, w.name) &&
                          it->price == w.price && it->group == w.group &&
                          it->decimals == w.decimals;
        if (!same) {
            out.push_back({DK::Article, "article " + std::to_string(w.code),
                           it == actual.articles.end() ? "none" : DescribeArticle(*it),
                           DescribeArticle(w), true, i});
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

} // namespace kasctl
