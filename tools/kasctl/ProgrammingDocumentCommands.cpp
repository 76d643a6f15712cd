// The register's programming as a file: export writes what the register lets
// us read back, diff shows what a document would change, apply programs it and
// reads it back. Nothing fiscal is done here: no fiscalization, no report, no
// receipt.
#include "ProgrammingDocument.h"
#include "Subcommand.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kasctl {

namespace {

// Stops with exit status 1 for a failure the driver knows nothing of (a
// verification that found the register different), its text on stderr.
[[noreturn]] void FailAfterDriver(const std::string& text) {
    std::fprintf(stderr, "error: %s\n", text.c_str());
    if (JsonOutput()) {
        PrintLine("error", text);
        FinishOutput();
    }
    FPClose();
    std::fflush(stdout);
    std::exit(1);
}

// The options from index `first` on: "--name VALUE" for those in `valued`,
// "--name" alone for those in `flags`, at most one word that is neither (FILE).
struct Options {
    std::string file;
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> flags;

    const std::string* Value(std::string_view name) const {
        for (const auto& [n, v] : values) {
            if (n == name) {
                return &v;
            }
        }
        return nullptr;
    }
    bool Flag(std::string_view name) const {
        return std::find(flags.begin(), flags.end(), name) != flags.end();
    }
};

Options ReadOptions(Args& args, std::initializer_list<std::string_view> valued,
                    std::initializer_list<std::string_view> flags) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args.Word(i);
        if (std::find(valued.begin(), valued.end(), w) != valued.end()) {
            if (!args.Has(i + 1)) {
                args.Fail(w + " needs a value");
            } else if (o.Value(w) != nullptr) {
                args.Fail(w + " given twice");
            }
            o.values.emplace_back(w, args.Word(i + 1));
            ++i;
        } else if (std::find(flags.begin(), flags.end(), w) != flags.end()) {
            o.flags.push_back(w);
        } else if (w.size() > 1 && w[0] == '-' && w[1] == '-') {
            args.Fail("'" + w + "': unknown option");
        } else if (!o.file.empty()) {
            args.Fail("'" + w + "': one FILE only");
        } else {
            o.file = w;
        }
    }
    return o;
}

std::optional<std::string> ReadFile(Args& args, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        args.Fail(path + ": cannot be read");
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        args.Fail(path + ": cannot be read");
        return std::nullopt;
    }
    return text;
}

bool IsPriceList(const std::string& path) {
    return path.size() > 4 && (path.compare(path.size() - 4, 4, ".csv") == 0 ||
                               path.compare(path.size() - 4, 4, ".CSV") == 0);
}

// FILE (a document, or a price list when named *.csv) with --articles CSV merged in.
std::optional<ProgrammingDocument> LoadDocument(Args& args, const Options& o) {
    const std::string* csv = o.Value("--articles");
    if (o.file.empty() && csv == nullptr) {
        args.Fail("expected FILE or --articles CSV");
        return std::nullopt;
    }
    ProgrammingDocument d;
    std::string error;
    auto addPriceList = [&](const std::string& path) {
        const auto text = ReadFile(args, path);
        if (!text) {
            return false;
        }
        const auto articles = ReadPriceList(*text, error);
        if (!articles) {
            args.Fail(path + ": " + error);
            return false;
        }
        MergeArticles(d.articles, *articles);
        return true;
    };
    if (!o.file.empty() && IsPriceList(o.file)) {
        if (!addPriceList(o.file)) {
            return std::nullopt;
        }
    } else if (!o.file.empty()) {
        const auto text = ReadFile(args, o.file);
        if (!text) {
            return std::nullopt;
        }
        const auto value = json::Parse(*text, error);
        auto parsed = value ? DocumentFromJson(*value, error) : std::nullopt;
        if (!parsed) {
            args.Fail(o.file + ": " + error);
            return std::nullopt;
        }
        d = std::move(*parsed);
    }
    if (csv != nullptr && !addPriceList(*csv)) {
        return std::nullopt;
    }
    return d;
}

uint16_t ProgrammingPassword(Args& args, const Options& o) {
    const std::string* p = o.Value("--password");
    if (p == nullptr) {
        return 0;
    }
    Args word({*p});
    const auto n = static_cast<uint16_t>(word.Int(0, 0, 65535));
    if (!word.ok()) {
        args.Fail("--password " + word.error());
    }
    return n;
}

// Writes `text` to `path` through a neighbour file, so that a failed write
// leaves any previous document whole.
bool WriteFileWhole(const std::string& path, const std::string& text, std::string& error) {
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            error = path + ": cannot be written";
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": cannot be written";
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

// export FILE [--first CODE] [--last CODE] [--passwords]
int16_t Export(Args& args) {
    const Options o = ReadOptions(args, {"--first", "--last"}, {"--passwords"});
    int64_t first = 1;
    int64_t last = 100;
    if (const std::string* w = o.Value("--first")) {
        Args word({*w});
        first = word.Int(0, 1, kLargestArticleCode);
        if (!word.ok()) {
            args.Fail("--first " + word.error());
        }
    }
    if (const std::string* w = o.Value("--last")) {
        Args word({*w});
        last = word.Int(0, 1, kLargestArticleCode);
        if (!word.ok()) {
            args.Fail("--last " + word.error());
        }
    }
    if (o.file.empty()) {
        args.Fail("expected FILE (- for standard output)");
    }
    if (args.ok() && first > last) {
        args.Fail("--first " + std::to_string(first) + " is after --last " + std::to_string(last));
    }
    if (!args.ok()) {
        return 0;
    }
    kashost::ReadOptions read;
    read.firstArticle = first;
    read.lastArticle = last;
    read.passwords = o.Flag("--passwords");
    const auto d = kashost::readProgramming(read);
    if (!d) {
        return 0;
    }
    const std::string text = json::Write(DocumentToJson(*d));
    if (o.file == "-") {
        std::fputs(text.c_str(), stdout);
        MarkPrinted();
        return -1;
    }
    std::string error;
    if (!WriteFileWhole(o.file, text, error)) {
        FailAfterDriver(error);
    }
    PrintLine("written", o.file);
    PrintLine("taxpayer lines", "yes");
    PrintLine("tax rates", d->taxRates ? kashost::describeRates(*d->taxRates) : "none programmed");
    PrintNumber("articles", static_cast<int64_t>(d->articles.size()));
    PrintLine("article codes read", std::to_string(first) + " to " + std::to_string(last));
    PrintLine("passwords", d->passwords ? "yes" : "no (--passwords writes them)");
    PrintLine("receipt header and trailer", "not readable from the register, not written");
    return -1;
}

void ShowDifference(const Difference& d, bool applying) {
    if (d.kind == Difference::Kind::Password) {
        PrintLine(d.what, d.now + " -> " + d.wanted + " (not changed by apply: kasctl password)");
    } else if (!d.readable) {
        PrintLine(d.what, std::string(applying ? "written" : "cannot be read back; apply writes") +
                              " " + d.wanted);
    } else if (applying) {
        PrintLine(d.what, "programmed " + d.wanted + " (was " + d.now + ")");
    } else {
        PrintLine(d.what, d.now + " -> " + d.wanted);
    }
}

// diff FILE [--articles CSV]
int16_t Diff(Args& args) {
    const Options o = ReadOptions(args, {"--articles"}, {});
    const auto wanted = args.ok() ? LoadDocument(args, o) : std::nullopt;
    // Nothing when the register cannot be read (the driver's error stays for the report).
    const auto actual = wanted ? kashost::readParts(*wanted) : std::nullopt;
    if (!actual) {
        return 0;
    }
    const std::vector<Difference> list = Differences(*wanted, *actual);
    for (const Difference& d : list) {
        ShowDifference(d, false);
    }
    if (list.empty()) {
        PrintLine("differences", "none");
    }
    return -1;
}

// apply FILE [--articles CSV] [--password P]
int16_t Apply(Args& args) {
    const Options o = ReadOptions(args, {"--articles", "--password"}, {});
    const uint16_t password = ProgrammingPassword(args, o);
    const auto wanted = args.ok() ? LoadDocument(args, o) : std::nullopt;
    if (!wanted) {
        return 0;
    }
    using Stage = kashost::ApplyResult::Failure::Stage;
    const kashost::ApplyResult applied =
        kashost::applyProgramming(*wanted, {password, /*passwords=*/false});
    const auto& failure = applied.failure;
    if (failure && failure->stage == Stage::Reading) {
        return 0;
    }
    if (failure && failure->stage == Stage::Programming) {
        if (applied.made > 0) {
            std::fprintf(stderr, "kasctl: %zu change(s) were made before %s failed\n", applied.made,
                         failure->part.c_str());
        } else {
            std::fprintf(stderr, "kasctl: nothing was changed; %s failed\n", failure->part.c_str());
        }
        return 0;
    }
    for (const kashost::AppliedChange& change : applied.changes) {
        ShowDifference(change.difference, true);
    }
    if (failure) {
        return 0; // not read back
    }
    std::string mismatch;
    for (const Difference& d : applied.mismatches) {
        mismatch += "\n  " + d.what + ": the register holds " + d.now + ", not " + d.wanted;
    }
    if (!mismatch.empty()) {
        FailAfterDriver("reading back after programming found differences:" + mismatch);
    }
    PrintNumber("changes made", static_cast<int64_t>(applied.made));
    PrintLine("verified",
              applied.made == 0 ? "nothing differed" : "read back the same as the document");
    return -1;
}

#define KASCTL_DOCUMENT_DETAILS                                                                    \
    "FILE  the programming document (JSON, as export writes it) or, named *.csv, a\n"              \
    "  price list; every part is optional: taxpayer, receipt_header, receipt_trailer\n"            \
    "  (up to 3 lines, {\"text\", \"wide\", \"tall\"}), tax_rates ({\"tax\": added|included,\n"    \
    "  \"levy\", \"rates\": [{\"rate\": 20.00, \"levy\": 5.00}]}), articles, passwords\n"          \
    "--articles  articles from a CSV price list as well (those of FILE with the same\n"            \
    "  code give way)\n"                                                                           \
    "CSV  one article a line: code, name, price, group, decimals (decimals may be left\n"          \
    "  out); ',' or ';' between fields, \"...\" around a field holding them; a first\n"            \
    "  line of column names is skipped; an error names its line\n"

} // namespace

KASCTL_SUBCOMMAND({"export",
                   "FILE [--first CODE] [--last CODE] [--passwords]",
                   "write the register's programming as a JSON document",
                   1,
                   &Export,
                   {},
                   "FILE  the document to write (- for standard output); it holds the taxpayer\n"
                   "  lines and tax number (from the status), the tax rates with their kind and\n"
                   "  levies, and the articles of the code range; the receipt header and\n"
                   "  trailer lines cannot be read from the register and are not written\n"
                   "--first  the first article code read (default 1); one query a code\n"
                   "--last  the last article code read (default 100)\n"
                   "--passwords  write the ten passwords too (keep such a file private)"});
KASCTL_SUBCOMMAND({"diff",
                   "[FILE] [--articles CSV]",
                   "what apply would change in the register (writes nothing)",
                   1,
                   &Diff,
                   {},
                   KASCTL_DOCUMENT_DETAILS});
KASCTL_SUBCOMMAND(
    {"apply",
     "[FILE] [--articles CSV] [--password P]",
     "program what differs from a document, then read it back (nothing fiscal)",
     1,
     &Apply,
     {},
     KASCTL_DOCUMENT_DETAILS
     "--password  the programming password (operator 8) for the taxpayer lines, tax\n"
     "  rates and articles (default 0)\n"
     "P  a password, 0 to 65535\n"
     "what  apply compares the taxpayer lines, tax rates and articles with the\n"
     "  register and programs only what differs, then reads them back; the receipt\n"
     "  header and trailer lines cannot be read back, so apply writes every one the\n"
     "  document holds and says so; passwords are compared, never changed (kasctl\n"
     "  password does that); tax rates can only be programmed with the shift closed;\n"
     "  apply never fiscalizes, prints reports or registers sales\n"});

} // namespace kasctl
