// Reports: X, Z, articles and the periodic reports.
#include "Subcommand.h"

#include <limits>

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
    return args.ok() ? FPDayClrReport(password) : 0;
}

// PASSWORD [FIRST LAST]; no range: every article.
int16_t ArticleReport(Args& args) {
    const uint16_t password = Password(args);
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    const int64_t first = args.Has(1) ? args.Int(1, 0, kMax) : 0;
    const int64_t last = args.Has(1) ? args.Int(2, 0, kMax) : 0;
    return args.ok() ? FPXArtReport(password, first, last) : 0;
}

int16_t PeriodicReport(Args& args) {
    const uint16_t password = Password(args);
    const double from = args.Date(1);
    const double to = args.Date(2);
    return args.ok() ? FPPeriodicReport(password, from, to) : 0;
}

int16_t PeriodicShort(Args& args) {
    const uint16_t password = Password(args);
    const double from = args.Date(1);
    const double to = args.Date(2);
    return args.ok() ? FPPeriodicReportShort(password, from, to) : 0;
}

int16_t NumberReport(Args& args) {
    const uint16_t password = Password(args);
    const auto first = static_cast<uint16_t>(args.Int(1, 0, 65535));
    const auto last = static_cast<uint16_t>(args.Int(2, 0, 65535));
    return args.ok() ? FPPeriodicNumberReport(password, first, last) : 0;
}

} // namespace

KASCTL_SUBCOMMAND({"x-report", "PASSWORD", "X report of the day", 1, &XReport});
KASCTL_SUBCOMMAND({"z-report", "PASSWORD", "Z report: close the day", 1, &ZReport});
KASCTL_SUBCOMMAND({"article-report", "PASSWORD [FIRST LAST]", "article report", 1, &ArticleReport});
KASCTL_SUBCOMMAND({"periodic-report", "PASSWORD FROM TO", "full periodic report (YYYY-MM-DD)", 3,
                   &PeriodicReport});
KASCTL_SUBCOMMAND({"periodic-short", "PASSWORD FROM TO", "short periodic report (YYYY-MM-DD)", 3,
                   &PeriodicShort});
KASCTL_SUBCOMMAND({"number-report", "PASSWORD FIRST LAST", "periodic report by Z numbers", 3,
                   &NumberReport});

} // namespace kasctl
