// What kasctl says after a fiscal subcommand whose answer did not prove it was
// carried out once: kashost's verdict, as lines (or JSON fields).
#include "Subcommand.h"

#include <optional>
#include <sstream>

namespace kasctl {

namespace {

std::optional<kashost::DriverError>& Kept() {
    static std::optional<kashost::DriverError> kept;
    return kept;
}

bool& InDoubt() {
    static bool inDoubt = false;
    return inDoubt;
}

} // namespace

bool VerdictInDoubt() {
    return InDoubt();
}

const kashost::DriverError* KeptDriverError() {
    return Kept() ? &*Kept() : nullptr;
}

int16_t ReportVerdict(const kashost::FiscalVerdict& v) {
    if (v.answered && v.times == 1) {
        return -1;
    }
    if (!v.answered && !v.inDoubt && v.sent && v.times == 0) {
        // The register refused it, and nothing of it was carried out: its error says all.
        Kept() = v.error;
        return 0;
    }
    std::istringstream lines(kashost::describe(v));
    for (std::string line; std::getline(lines, line);) {
        PrintLine("verdict", line);
    }
    if (v.times) {
        PrintNumber("carried out", *v.times);
    } else {
        PrintLine("carried out", "not known");
        InDoubt() = true;
    }
    if (v.cancellations > 0) {
        PrintNumber("cancellations", v.cancellations);
        PrintMoney("cancellation price", v.cancelPrice);
    }
    if (v.cashCorrection > 0) {
        PrintMoney("settling withdrawal", v.cashCorrection);
    } else if (v.cashCorrection < 0) {
        PrintMoney("settling deposit", -v.cashCorrection);
    }
    if (!v.answered) {
        // The reads after the failure replaced the driver's last error.
        Kept() = v.error;
        return 0;
    }
    if (!v.times) {
        kashost::DriverError unknown;
        unknown.text = ToDriverText("the register answered, but how many times it carried the "
                                    "command out is not known (see the verdict)");
        Kept() = unknown;
        return 0;
    }
    if (v.times && *v.times > 1) {
        kashost::DriverError twice;
        twice.text = ToDriverText("the register carried the command out " +
                                  std::to_string(*v.times) + " times (see the verdict)");
        Kept() = twice;
        return 0;
    }
    return -1;
}

} // namespace kasctl
