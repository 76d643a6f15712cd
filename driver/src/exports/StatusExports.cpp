// The register's status with its identity texts, and its paper sensors.
#include "CommandExport.h"
#include "DriverUnit.h"
#include "kasdrv.h"
#include "platform/HostLocale.h"
#include "platform/TextBlock.h"

#include <array>

namespace {

using namespace kasdrv;

constexpr uint8_t kStatusCommand = 0x00;
constexpr uint8_t kPaperCommand = 0x30;
constexpr std::size_t kSerialLength = 19;
constexpr std::size_t kFiscalNumberLength = 10;
constexpr std::size_t kFirmwareLength = 5;
constexpr uint8_t kLengthMask = 0x3F;

bool Bit(uint8_t byte, unsigned bit) { return (byte & (1u << bit)) != 0; }

struct StatusTexts {
    std::string_view serial, fiscalNumber, header1, header2, header3, taxNumber, firmware;
};

// Hands the texts out in fresh blocks; all or none.
bool HandOut(const StatusTexts& t, const std::array<char**, 7>& outputs) {
    const std::array<std::string_view, 7> texts = {t.serial,  t.fiscalNumber, t.header1,
                                                   t.header2, t.header3,      t.taxNumber,
                                                   t.firmware};
    // Header lines and the tax number of length 0 are handed out as null.
    constexpr std::array<bool, 7> nullWhenEmpty = {false, false, true, true, true, true, false};
    std::array<char*, 7> blocks{};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (outputs[i] == nullptr || (nullWhenEmpty[i] && texts[i].empty())) {
            continue;
        }
        blocks[i] = platform::AllocateTextBlock(FromDeviceText(texts[i]));
        if (blocks[i] == nullptr) {
            for (char* b : blocks) {
                platform::ReleaseTextBlock(b);
            }
            return false;
        }
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        Put(outputs[i], blocks[i]);
    }
    return true;
}

} // namespace

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPGetStatus(
    FPBOOL* paymentStarted, FPBOOL* drawerClosed, FPBOOL* payoutReceipt, FPBOOL* vatAdded,
    FPBOOL* shiftOpen, FPBOOL* receiptOpen, FPBOOL* displaySumsForbidden, FPBOOL* taxRatesChanged,
    FPBOOL* serviceReportOpen, FPBOOL* fiscalMode, FPBOOL* lastCommandAbnormal, FPBOOL* onlineMode,
    FPBOOL* serviceReportOnControlTape, char** serialAndDate, char** fiscalNumber, char** header1,
    char** header2, char** header3, char** taxNumber, char** firmware, double* registrationDate,
    double* registrationTime) {
    if (!RunUnjudged(CommandBuilder(kStatusCommand))) {
        return kFailure;
    }
    DriverSession& s = Session();
    ReplyReader r(s.ReplyData);
    const uint8_t first = r.U8();
    const uint8_t second = r.U8();
    StatusTexts texts;
    texts.serial = r.Text(kSerialLength);
    const int regDay = r.Bcd();
    const int regMonth = r.Bcd();
    const int regYear = r.Bcd();
    const int regHour = r.Bcd();
    const int regMinute = r.Bcd();
    const bool registrationBcdOk = r.ok();
    if (!registrationBcdOk) {
        // Not decimal digits: only an error when the register is fiscalized.
        r = ReplyReader(s.ReplyData);
        r.Skip(2 + kSerialLength + 5);
    }
    texts.fiscalNumber = r.Text(kFiscalNumberLength);
    texts.header1 = r.Text(r.U8() & kLengthMask);
    texts.header2 = r.Text(r.U8() & kLengthMask);
    texts.header3 = r.Text(r.U8() & kLengthMask);
    texts.taxNumber = r.Text(r.U8() & kLengthMask);
    texts.firmware = r.Text(kFirmwareLength);
    if (!r.ok()) {
        return RefuseBadReply();
    }

    const bool fiscal = Bit(second, 4);
    double regDate = EncodeDate(2003, 1, 1);
    double regTime = 0.0;
    if (fiscal) {
        const int year = platform::WidenTwoDigitYear(regYear, platform::HostCurrentYear());
        if (!registrationBcdOk || !IsValidDate(year, regMonth, regDay) ||
            !IsValidTime(regHour, regMinute, 0)) {
            return RefuseBadReply();
        }
        regDate = EncodeDate(year, regMonth, regDay);
        regTime = EncodeTime(regHour, regMinute, 0);
    }

    s.DateSeparator = platform::HostDateSeparator();
    s.TimeSeparator = platform::HostTimeSeparator();
    if (!HandOut(texts, {serialAndDate, fiscalNumber, header1, header2, header3, taxNumber,
                         firmware})) {
        return kFailure;
    }
    Put(paymentStarted, Flag(Bit(first, 1)));
    Put(drawerClosed, Flag(Bit(first, 2)));
    Put(payoutReceipt, Flag(Bit(first, 3)));
    Put(vatAdded, Flag(Bit(first, 4)));
    Put(shiftOpen, Flag(Bit(first, 5)));
    Put(receiptOpen, Flag(Bit(first, 6)));
    Put(displaySumsForbidden, Flag(Bit(first, 7)));
    Put(taxRatesChanged, Flag(Bit(second, 1)));
    Put(serviceReportOpen, Flag(Bit(second, 3)));
    Put(fiscalMode, Flag(fiscal));
    Put(lastCommandAbnormal, Flag(Bit(second, 5)));
    Put(onlineMode, Flag(Bit(second, 6)));
    Put(serviceReportOnControlTape, Flag(Bit(second, 0)));
    Put(registrationDate, regDate);
    Put(registrationTime, regTime);
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPGetPaperState(FPBOOL* undeterminable, FPBOOL* controlTapeLow,
                                               FPBOOL* receiptTapeLow, FPBOOL* controlTapeOut,
                                               FPBOOL* receiptTapeOut) {
    if (!RunUnjudged(CommandBuilder(kPaperCommand))) {
        return kFailure;
    }
    const Bytes& reply = Session().ReplyData;
    if (reply.size() != 1) {
        return RefuseBadReply();
    }
    const uint8_t state = reply[0];
    Put(undeterminable, Flag(Bit(state, 0)));
    Put(controlTapeLow, Flag(Bit(state, 2)));
    Put(receiptTapeLow, Flag(Bit(state, 3)));
    Put(controlTapeOut, Flag(Bit(state, 5)));
    Put(receiptTapeOut, Flag(Bit(state, 6)));
    return kSuccess;
}

} // extern "C"
