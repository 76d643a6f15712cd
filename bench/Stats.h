// Figures of one workload at one line speed, from the time of every run and
// the bytes that crossed the line.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kasbench {

struct Figures {
    std::string workload;
    int baud = 0;
    int runs = 0;
    double meanMs = 0;
    double p95Ms = 0;
    double floorMs = 0; // wire time of the bytes of one run: 10 bits a byte
    double bytesPerRun = 0;
    double ratio = 0;    // mean / floor
    double p95Ratio = 0; // p95 / floor
    int failures = 0;
    // Further figures of the workload's own, by name.
    std::vector<std::pair<std::string, double>> extra = {};
};

// The nearest-rank percentile (0 < p <= 100) of the values; 0 when there are none.
double Percentile(std::vector<double> values, double p);

Figures Summarise(const std::string& workload, int baud, const std::vector<double>& runMs,
                  double bytes, int failures);

} // namespace kasbench
