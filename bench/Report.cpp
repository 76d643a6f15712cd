#include "Report.h"

#include <cstdio>

namespace kasbench {

void PrintTableHeader(std::FILE* out) {
    std::fprintf(out, "%-22s %6s %5s %10s %10s %10s %10s %7s %7s\n", "workload", "baud", "runs",
                 "mean ms", "p95 ms", "floor ms", "bytes/run", "ratio", "p95/fl");
}

void PrintTableRow(std::FILE* out, const Figures& f) {
    std::fprintf(out, "%-22s %6d %5d %10.2f %10.2f %10.2f %10.1f %7.3f %7.3f%s\n",
                 f.workload.c_str(), f.baud, f.runs, f.meanMs, f.p95Ms, f.floorMs, f.bytesPerRun,
                 f.ratio, f.p95Ratio, f.failures > 0 ? "  FAILED" : "");
    for (std::size_t i = 0; i < f.extra.size(); ++i) {
        std::fprintf(out, "%s%s %.3f%s", i == 0 ? "    " : ", ", f.extra[i].first.c_str(),
                     f.extra[i].second, i + 1 == f.extra.size() ? "\n" : "");
    }
    std::fflush(out);
}

namespace {

std::string Quoted(const std::string& s) {
    std::string q = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\') {
            q += '\\';
        }
        q += c;
    }
    return q + "\"";
}

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return buf;
}

} // namespace

std::string ToJson(const std::vector<Figures>& all) {
    std::string j = "[";
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Figures& f = all[i];
        j += i == 0 ? "\n" : ",\n";
        j += "  {\"workload\": " + Quoted(f.workload) + ", \"baud\": " + std::to_string(f.baud) +
             ", \"runs\": " + std::to_string(f.runs) + ", \"mean_ms\": " + Number(f.meanMs) +
             ", \"p95_ms\": " + Number(f.p95Ms) + ", \"floor_ms\": " + Number(f.floorMs) +
             ", \"bytes_per_run\": " + Number(f.bytesPerRun) + ", \"ratio\": " + Number(f.ratio) +
             ", \"p95_ratio\": " + Number(f.p95Ratio) +
             ", \"failures\": " + std::to_string(f.failures);
        for (const auto& [name, value] : f.extra) {
            j += ", " + Quoted(name) + ": " + Number(value);
        }
        j += "}";
    }
    return j + "\n]\n";
}

} // namespace kasbench
