#include "DriverExportTable.h"

#include "kasdrv.h"

#include <cstdlib>

namespace kasfuzz {

namespace {

void Status() {
    FPBOOL f[13];
    char* t[7] = {};
    double d = 0;
    double tm = 0;
    FPGetStatus(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9], &f[10],
                &f[11], &f[12], &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6], &d, &tm);
    for (char* p : t) {
        std::free(p);
    }
}

} // namespace

std::vector<std::function<void()>>& DriverCalls() {
    static std::vector<std::function<void()>> calls = {
        Status,
        [] {
            double d;
            FPGetDate(&d);
        },
        [] {
            double t;
            FPGetTime(&t);
        },
        [] { FPSetDate(46000.0); },
        [] { FPSetTime(0.5); },
        [] { FPChangeBaudRate(1); },
        [] {
            FPBOOL f[5];
            FPGetPaperState(&f[0], &f[1], &f[2], &f[3], &f[4]);
        },
    };
    return calls;
}

} // namespace kasfuzz
