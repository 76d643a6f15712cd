// The register's calendar and clock.
#include "CommandExport.h"
#include "kasdrv.h"
#include "platform/HostLocale.h"

namespace {

using namespace kasdrv;

constexpr uint8_t kGetDate = 0x01;
constexpr uint8_t kSetDate = 0x02;
constexpr uint8_t kGetTime = 0x03;
constexpr uint8_t kSetTime = 0x04;

// Three BCD bytes of the reply, or nothing when they are not decimal digits.
bool ReadThreeBcd(int& a, int& b, int& c) {
    ReplyReader r(Session().ReplyData);
    a = r.Bcd();
    b = r.Bcd();
    c = r.Bcd();
    return r.ok();
}

} // namespace

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPGetDate(double* date) {
    // Status 0x20 alone (the command carried out) still delivers the reply.
    if (ResultOf(RunCommand(CommandBuilder(kGetDate))) == kFailure) {
        return kFailure;
    }
    DriverSession& s = Session();
    s.DateSeparator = platform::HostDateSeparator();
    int day = 0;
    int month = 0;
    int year = 0;
    if (!ReadThreeBcd(day, month, year)) {
        return RefuseBadReply();
    }
    year = platform::WidenTwoDigitYear(year, platform::HostCurrentYear());
    if (!IsValidDate(year, month, day)) {
        return RefuseBadReply();
    }
    Put(date, EncodeDate(year, month, day));
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPSetDate(double date) {
    const auto d = DecodeDate(date);
    // The register keeps two digits of the year, and the date export widens
    // them by the host's window: a year outside it would read back as another.
    if (!d || platform::WidenTwoDigitYear(d->year % 100, platform::HostCurrentYear()) != d->year) {
        return Refuse("Ошибка формата даты!");
    }
    return ResultOf(
        RunCommand(CommandBuilder(kSetDate).Bcd(d->day).Bcd(d->month).Bcd(d->year % 100)));
}

KASDRV_API int16_t KASDRV_CALL FPGetTime(double* time) {
    // Status 0x20 alone (the command carried out) still delivers the reply.
    if (ResultOf(RunCommand(CommandBuilder(kGetTime))) == kFailure) {
        return kFailure;
    }
    DriverSession& s = Session();
    s.TimeSeparator = platform::HostTimeSeparator();
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!ReadThreeBcd(hour, minute, second) || !IsValidTime(hour, minute, second)) {
        return RefuseBadReply();
    }
    Put(time, EncodeTime(hour, minute, second));
    return kSuccess;
}

KASDRV_API int16_t KASDRV_CALL FPSetTime(double time) {
    Session().TimeSeparator = platform::HostTimeSeparator();
    const auto t = DecodeTime(time);
    if (!t) {
        return Refuse("Ошибка в формате времени!");
    }
    return ResultOf(
        RunCommand(CommandBuilder(kSetTime).Bcd(t->hour).Bcd(t->minute).Bcd(t->second)));
}

} // extern "C"
