#include "kashost/Status.h"

#include "DriverBlock.h"
#include "kashost/Result.h"

#include <kasdrv.h>

#include <array>
#include <string_view>

namespace kashost {

namespace {

// The seven blocks of one status read, released whatever happens.
struct StatusBlocks {
    std::array<char*, 7> texts{};
    StatusBlocks() = default;
    StatusBlocks(const StatusBlocks&) = delete;
    StatusBlocks& operator=(const StatusBlocks&) = delete;
    ~StatusBlocks() {
        for (char* block : texts) {
            detail::releaseDriverBlock(block);
        }
    }
};

std::optional<std::string> textOf(const char* block) {
    if (block == nullptr) {
        return std::nullopt;
    }
    return std::string(block);
}

} // namespace

std::optional<RegisterStatus> readStatus() {
    std::array<FPBOOL, 13> f{};
    StatusBlocks blocks;
    auto& t = blocks.texts;
    RegisterStatus s;
    if (!succeeded(FPGetStatus(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9],
                               &f[10], &f[11], &f[12], &t[0], &t[1], &t[2], &t[3], &t[4], &t[5],
                               &t[6], &s.registrationDate, &s.registrationTime))) {
        return std::nullopt;
    }
    bool* const flags[13] = {&s.paymentStarted,
                             &s.drawerClosed,
                             &s.payoutReceipt,
                             &s.vatAdded,
                             &s.shiftOpen,
                             &s.receiptOpen,
                             &s.displaySumsForbidden,
                             &s.taxRatesChanged,
                             &s.serviceReportOpen,
                             &s.fiscalMode,
                             &s.lastCommandAbnormal,
                             &s.onlineMode,
                             &s.serviceReportOnControlTape};
    for (std::size_t k = 0; k < f.size(); ++k) {
        *flags[k] = f[k] != 0;
    }
    s.serialAndDate = textOf(t[0]);
    s.fiscalNumber = textOf(t[1]);
    s.header[0] = textOf(t[2]);
    s.header[1] = textOf(t[3]);
    s.header[2] = textOf(t[4]);
    s.taxNumber = textOf(t[5]);
    s.firmware = textOf(t[6]);
    return s;
}

} // namespace kashost
