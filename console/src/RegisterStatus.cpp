#include "RegisterStatus.h"

#include "DriverText.h"

#include <kasdrv.h>

#include <array>
#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace kasmon {

namespace {

// The text blocks FPGetStatus hands out belong to the caller.
class StatusTexts {
  public:
    StatusTexts() = default;
    ~StatusTexts() {
        for (char* text : texts) {
            release(text);
        }
    }
    StatusTexts(const StatusTexts&) = delete;
    StatusTexts& operator=(const StatusTexts&) = delete;

    std::array<char*, 7> texts = {};

  private:
    static void release(char* block) {
        if (block == nullptr) {
            return;
        }
#if defined(_WIN32)
        LocalFree(block);
#else
        std::free(block);
#endif
    }
};

} // namespace

std::optional<RegisterStatus> readRegisterStatus() {
    std::array<FPBOOL, 13> flags = {};
    StatusTexts blocks;
    auto& t = blocks.texts;
    RegisterStatus status;
    if (!succeeded(FPGetStatus(&flags[0], &flags[1], &flags[2], &flags[3], &flags[4], &flags[5],
                               &flags[6], &flags[7], &flags[8], &flags[9], &flags[10], &flags[11],
                               &flags[12], &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6],
                               &status.registrationDate, &status.registrationTime))) {
        return std::nullopt;
    }
    status.paymentStarted = flags[0] != 0;
    status.drawerClosed = flags[1] != 0;
    status.payoutReceipt = flags[2] != 0;
    status.vatAdded = flags[3] != 0;
    status.shiftOpen = flags[4] != 0;
    status.receiptOpen = flags[5] != 0;
    status.displaySumsForbidden = flags[6] != 0;
    status.taxRatesChanged = flags[7] != 0;
    status.serviceReportOpen = flags[8] != 0;
    status.fiscalMode = flags[9] != 0;
    status.lastCommandAbnormal = flags[10] != 0;
    status.onlineMode = flags[11] != 0;
    status.serviceReportOnControlTape = flags[12] != 0;
    status.serialAndDate = fromDriverText(t[0]);
    status.fiscalNumber = fromDriverText(t[1]);
    status.header[0] = fromDriverText(t[2]);
    status.header[1] = fromDriverText(t[3]);
    status.header[2] = fromDriverText(t[4]);
    status.taxNumber = fromDriverText(t[5]);
    status.firmware = fromDriverText(t[6]);
    return status;
}

} // namespace kasmon
