// Reports: X, Z, articles and the periodic reports.
#include "Subcommand.h"

#include <limits>
#include <utility>

namespace kasctl {

namespace {

uint16_t Password(Args& args) {
    return static_cast<uint16_t>(args.Int(0, 0, 65535));
}

int16_t XReport(Args& args) {
    const uint16_t password = Password(args);
    return args.ok() ? FPDayReport(password) : 0;
}

int16_t ZReport(Args& args) {
    const uint16_t password = Password(args);
    return args.ok() ? ReportVerdict(kashost::FiscalSession().zReport(password)) : 0;
}

// PASSWORD [FIRST LAST]; no range: every article.
int16_t ArticleReport(Args& args) {
    const uint16_t password = Password(args);
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    if (args.size() == 2) {
        args.Fail("FIRST " + args.Word(1) + " needs a LAST");
        return 0;
    }
    const auto [first, last] =
        args.Has(1) ? args.IntRange(1, 0, kMax) : std::pair<int64_t, int64_t>{};
    return args.ok() ? FPXArtReport(password, first, last) : 0;
}

int16_t PeriodicReport(Args& args) {
    const uint16_t password = Password(args);
    const auto [from, to] = args.DateRange(1);
    return args.ok() ? FPPeriodicReport(password, from, to) : 0;
}

int16_t PeriodicShort(Args& args) {
    const uint16_t password = Password(args);
    const auto [from, to] = args.DateRange(1);
    return args.ok() ? FPPeriodicReportShort(password, from, to) : 0;
}

int16_t NumberReport(Args& args) {
    const uint16_t password = Password(args);
    const auto [first, last] = args.IntRange(1, 0, 65535);
    return args.ok() ? FPPeriodicNumberReport(password, static_cast<uint16_t>(first),
                                              static_cast<uint16_t>(last))
                     : 0;
}

} // namespace

KASCTL_SUBCOMMAND({"x-report", "PASSWORD", "X report of the day", 1, &XReport,
                   "the X report was printed"});
KASCTL_SUBCOMMAND({"z-report", "PASSWORD", "Z report: close the day", 1, &ZReport,
                   "the Z report was printed and the day closed", KASCTL_VERDICT_HELP});
KASCTL_SUBCOMMAND({"article-report", "PASSWORD [FIRST LAST]", "article report", 1, &ArticleReport,
                   "the article report was printed",
                   "FIRST  first article code of the report (without FIRST LAST: every article)\n"
                   "LAST  last article code, not below FIRST"});
KASCTL_SUBCOMMAND({"periodic-report", "PASSWORD FROM TO", "full periodic report (YYYY-MM-DD)", 3,
                   &PeriodicReport, "the periodic report was printed"});
KASCTL_SUBCOMMAND({"periodic-short", "PASSWORD FROM TO", "short periodic report (YYYY-MM-DD)", 3,
                   &PeriodicShort, "the short periodic report was printed"});
KASCTL_SUBCOMMAND({"number-report", "PASSWORD FIRST LAST", "periodic report by Z numbers", 3,
                   &NumberReport, "the periodic report by Z numbers was printed",
                   "FIRST  number of the first Z report, 0 to 65535\n"
                   "LAST  number of the last Z report, not below FIRST"});

} // namespace kasctl
