// The programming document read from the register and applied to it.
#include "kashost/Programming.h"
#include "kashost/Queries.h"
#include "kashost/Status.h"
#include "kashost/Text.h"

#include <kasdrv.h>

#include <algorithm>

namespace kashost {

namespace {

constexpr std::uint8_t kNoSuchArticle = 28; // the register's result for an unknown article code

// Gives nothing, with the driver's error in *error.
template <typename T> std::optional<T> failed(DriverError* error) {
    if (error != nullptr) {
        *error = lastError();
    }
    return std::nullopt;
}

std::optional<TaxpayerLines> readTaxpayer() {
    const auto s = readStatus();
    if (!s) {
        return std::nullopt;
    }
    TaxpayerLines t;
    for (std::size_t i = 0; i < 3; ++i) {
        t.lines[i] = fromDriverText(s->header[i].value_or("").c_str());
    }
    t.taxNumber = fromDriverText(s->taxNumber.value_or("").c_str());
    return t;
}

// The rates, or an empty optional inside when the register's memory holds none;
// nothing on a driver failure.
std::optional<std::optional<TaxRateSet>> readRates() {
    const auto r = readTaxRates();
    if (!r) {
        return std::nullopt;
    }
    // A count beyond five is memory that holds no rates.
    if (r->count < 1 || r->count > 5) {
        return std::optional<TaxRateSet>();
    }
    TaxRateSet set;
    set.added = r->addedTax;
    set.levy = r->levy;
    for (std::size_t i = 0; i < r->count; ++i) {
        set.rates.emplace_back(r->rates[i], r->levy ? r->levyRates[i] : 0);
    }
    return std::optional<TaxRateSet>(set);
}

// One article, or nothing with `absent` set when the register has none under `code`.
std::optional<ArticleEntry> readOneArticle(std::int64_t code, bool& absent) {
    absent = false;
    const auto info = readArticle(code);
    if (!info) {
        const DriverError e = lastError();
        absent = e.status == 0 && e.result == kNoSuchArticle;
        return std::nullopt;
    }
    ArticleEntry a;
    a.code = code;
    a.name = fromDriverText(info->name.c_str());
    a.price = info->price;
    a.group = info->taxGroup.value_or(0xFF);
    a.decimals = info->saleDecimals;
    return a;
}

// Adds the article under `code` when the register has one; false on a driver failure.
bool addArticle(std::int64_t code, std::vector<ArticleEntry>& into) {
    bool absent = false;
    if (const auto a = readOneArticle(code, absent)) {
        into.push_back(*a);
        return true;
    }
    return absent;
}

std::int16_t writeMessageLine(const MessageLine& line, std::size_t index, bool header) {
    using Export = std::int16_t(KASDRV_CALL*)(const char*, FPBOOL, FPBOOL);
    static const Export kHeader[3] = {FPSetInitialFirstLine, FPSetInitialSecondLine,
                                      FPSetInitialEndLine};
    static const Export kTrailer[3] = {FPSetFinalFirstLine, FPSetFinalSecondLine,
                                       FPSetFinalEndLine};
    const std::string text = toDriverText(line.text);
    return (header ? kHeader : kTrailer)[index % 3](text.c_str(), line.wide ? -1 : 0,
                                                    line.tall ? -1 : 0);
}

// Sends one change; `held` is what the register held before (its passwords).
std::int16_t program(const ProgrammingDocument& d, const Difference& change,
                     const ProgrammingDocument& held, std::uint16_t password) {
    switch (change.kind) {
    case Difference::Kind::ReceiptHeader:
        return writeMessageLine(d.receiptHeader[change.index], change.index, true);
    case Difference::Kind::ReceiptTrailer:
        return writeMessageLine(d.receiptTrailer[change.index], change.index, false);
    case Difference::Kind::Taxpayer: {
        const TaxpayerLines& t = *d.taxpayer;
        const std::string l1 = toDriverText(t.lines[0]);
        const std::string l2 = toDriverText(t.lines[1]);
        const std::string l3 = toDriverText(t.lines[2]);
        const std::string number = toDriverText(t.taxNumber);
        return FPSetHeadLine(password, l1.c_str(), 0, 0, l2.c_str(), 0, 0, l3.c_str(), 0, 0,
                             number.c_str(), t.identification ? -1 : 0);
    }
    case Difference::Kind::TaxRates: {
        const TaxRateSet& r = *d.taxRates;
        FPTaxRate rates[5] = {};
        for (std::size_t i = 0; i < r.rates.size() && i < 5; ++i) {
            rates[i].hasLevy = r.levy && r.rates[i].second != 0 ? -1 : 0;
            rates[i].rate = r.rates[i].first;
            rates[i].levyRate = r.rates[i].second;
        }
        return FPSetTaxRate(password, static_cast<std::uint8_t>(r.rates.size()), r.added ? -1 : 0,
                            rates, 4, r.levy ? -1 : 0);
    }
    case Difference::Kind::Article: {
        const ArticleEntry& a = d.articles[change.index];
        const std::string name = toDriverText(a.name);
        return FPProgArt(password, a.decimals, static_cast<std::int32_t>(a.price), a.group,
                         name.c_str(), a.code);
    }
    case Difference::Kind::Password: {
        // Each operator's password changes with its old one; the name stays.
        const auto op = static_cast<std::uint8_t>(change.index);
        return FPSetPassword((*held.passwords)[op], (*d.passwords)[op], op, nullptr);
    }
    }
    return 0;
}

// The register's value of the part `d` concerns, described as Difference::now.
std::string held(const ProgrammingDocument& actual, const ProgrammingDocument& wanted,
                 const Difference& d) {
    switch (d.kind) {
    case Difference::Kind::Taxpayer:
        return actual.taxpayer ? describeTaxpayer(*actual.taxpayer) : "none";
    case Difference::Kind::TaxRates:
        return actual.taxRates ? describeRates(*actual.taxRates) : "none";
    case Difference::Kind::Article: {
        const std::int64_t code = wanted.articles[d.index].code;
        const auto it = std::find_if(actual.articles.begin(), actual.articles.end(),
                                     [code](const ArticleEntry& a) { return a.code == code; });
        return it != actual.articles.end() ? describeArticle(*it) : "none";
    }
    case Difference::Kind::Password:
        return actual.passwords ? std::to_string((*actual.passwords)[d.index]) : "";
    default:
        return ""; // the receipt message lines cannot be read
    }
}

} // namespace

std::optional<ProgrammingDocument> readProgramming(const ReadOptions& options, DriverError* error) {
    ProgrammingDocument d;
    d.taxpayer = readTaxpayer();
    if (!d.taxpayer) {
        return failed<ProgrammingDocument>(error);
    }
    const auto rates = readRates();
    if (!rates) {
        return failed<ProgrammingDocument>(error);
    }
    d.taxRates = *rates;
    for (std::int64_t code = options.firstArticle; code <= options.lastArticle; ++code) {
        if (!addArticle(code, d.articles)) {
            return failed<ProgrammingDocument>(error);
        }
    }
    if (options.passwords) {
        const auto p = readPasswords();
        if (!p) {
            return failed<ProgrammingDocument>(error);
        }
        if (!options.programmingPassword || *options.programmingPassword == p->programming()) {
            d.passwords = p->all;
        }
    }
    return d;
}

std::optional<ProgrammingDocument> readParts(const ProgrammingDocument& wanted,
                                             DriverError* error) {
    ProgrammingDocument actual;
    if (wanted.taxpayer) {
        actual.taxpayer = readTaxpayer();
        if (!actual.taxpayer) {
            return failed<ProgrammingDocument>(error);
        }
    }
    if (wanted.taxRates) {
        const auto rates = readRates();
        if (!rates) {
            return failed<ProgrammingDocument>(error);
        }
        actual.taxRates = *rates;
    }
    for (const ArticleEntry& w : wanted.articles) {
        if (!addArticle(w.code, actual.articles)) {
            return failed<ProgrammingDocument>(error);
        }
    }
    if (wanted.passwords) {
        const auto p = readPasswords();
        if (!p) {
            return failed<ProgrammingDocument>(error);
        }
        actual.passwords = p->all;
    }
    return actual;
}

ApplyResult applyProgramming(const ProgrammingDocument& wanted, const ApplyOptions& options) {
    using Outcome = AppliedChange::Outcome;
    using Stage = ApplyResult::Failure::Stage;
    ApplyResult result;
    DriverError error;
    result.before = readParts(wanted, &error);
    if (!result.before) {
        result.failure = {Stage::Reading, "", error};
        return result;
    }
    const ProgrammingDocument& before = *result.before;
    for (Difference& d : differences(wanted, before)) {
        result.changes.push_back({std::move(d), Outcome::NotSent, ""});
    }
    const auto isPassword = [](const AppliedChange& c) {
        return c.difference.kind == Difference::Kind::Password;
    };
    const bool passwordsToChange =
        std::any_of(result.changes.begin(), result.changes.end(), isPassword);
    if (options.passwords && passwordsToChange && (*before.passwords)[8] != options.password) {
        result.failure = {Stage::Refused, "passwords", DriverError{}};
        return result;
    }
    for (AppliedChange& change : result.changes) {
        if (isPassword(change) && !options.passwords) {
            change.outcome = Outcome::LeftAlone;
            continue;
        }
        if (!succeeded(program(wanted, change.difference, before, options.password))) {
            change.outcome = Outcome::Failed;
            result.failure = {Stage::Programming, change.difference.what, lastError()};
            return result;
        }
        change.outcome = Outcome::Programmed;
        ++result.made;
    }
    result.after = readParts(wanted, &error);
    if (!result.after) {
        result.failure = {Stage::ReadingBack, "", error};
        return result;
    }
    for (AppliedChange& change : result.changes) {
        change.readBack = held(*result.after, wanted, change.difference);
    }
    for (const Difference& d : differences(wanted, *result.after)) {
        if (d.readable && (d.kind != Difference::Kind::Password || options.passwords)) {
            result.mismatches.push_back(d);
        }
    }
    return result;
}

} // namespace kashost
