#include "Stats.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace kasbench {

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto rank =
        static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

Figures Summarise(const std::string& workload, int baud, const std::vector<double>& runMs,
                  double bytes, int failures) {
    Figures f;
    f.workload = workload;
    f.baud = baud;
    f.runs = static_cast<int>(runMs.size());
    f.failures = failures;
    if (runMs.empty() || baud <= 0) {
        return f;
    }
    f.meanMs = std::accumulate(runMs.begin(), runMs.end(), 0.0) / f.runs;
    f.p95Ms = Percentile(runMs, 95);
    f.bytesPerRun = bytes / f.runs;
    f.floorMs = f.bytesPerRun * 10.0 * 1000.0 / baud;
    if (f.floorMs > 0) {
        f.ratio = f.meanMs / f.floorMs;
        f.p95Ratio = f.p95Ms / f.floorMs;
    }
    return f;
}

} // namespace kasbench
