#include "Workloads.h"

#include "kasdrv.h"

#include <cstdlib>

namespace kasbench {

namespace {

bool GetDate() {
    double d = 0;
    return FPGetDate(&d) != 0;
}

bool GetStatus() {
    FPBOOL f[13];
    char* t[7] = {};
    double date = 0;
    double time = 0;
    const bool ok = FPGetStatus(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8],
                                &f[9], &f[10], &f[11], &f[12], &t[0], &t[1], &t[2], &t[3], &t[4],
                                &t[5], &t[6], &date, &time) != 0;
    for (char* p : t) {
        std::free(p);
    }
    return ok;
}

} // namespace

std::vector<Workload> AllWorkloads() {
    return {
        {"FPGetDate", {9600, 19200, 38400}, 60, {}, &GetDate},
        {"FPGetStatus", {9600, 19200, 38400}, 20, {}, &GetStatus},
    };
}

} // namespace kasbench
