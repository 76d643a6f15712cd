#include "PortFailure.h"

#include "platform/PortDiagnosis.h"

#include <cstdio>

namespace kasctl {

void ReportPortFailure(uint8_t port, uint32_t baud) {
    std::fprintf(stderr, "kasctl: cannot open port COM%u at %u bit/s\n",
                 static_cast<unsigned>(port), static_cast<unsigned>(baud));
    const auto diagnosis = kasdrv::platform::DiagnosePort(port, baud);
    for (const std::string& line : kasdrv::platform::DescribePortDiagnosis(diagnosis)) {
        std::fprintf(stderr, "  %s\n", line.c_str());
    }
}

} // namespace kasctl
