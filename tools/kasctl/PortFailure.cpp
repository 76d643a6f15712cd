#include "PortFailure.h"

#include "kasdrv/PortDiagnosis.h"

#include <cstdio>

namespace kasctl {

void ReportPortFailure(uint8_t port, uint32_t baud) {
    std::fprintf(stderr, "kasctl: cannot open port COM%u at %u bit/s\n",
                 static_cast<unsigned>(port), static_cast<unsigned>(baud));
    const auto diagnosis = kasdrv::portdiag::DiagnosePort(port, baud);
    for (const std::string& line : kasdrv::portdiag::DescribePortDiagnosis(diagnosis)) {
        std::fprintf(stderr, "  %s\n", line.c_str());
    }
}

} // namespace kasctl
