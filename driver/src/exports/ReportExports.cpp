// Reports the register prints: X and Z, articles, and the periodic reports
// from its fiscal memory. Only the answer's status matters.
#include "CommandExport.h"
#include "ExportHelpers.h"
#include "kasdrv.h"

#include <algorithm>
#include <optional>

namespace {

using namespace kasdrv;

constexpr uint8_t kXReport = 0x09;
constexpr uint8_t kArticleReport = 0x0A;
constexpr uint8_t kZReport = 0x0D;
constexpr uint8_t kPeriodicByDates = 0x11;
constexpr uint8_t kShortPeriodicByDates = 0x1A;
constexpr uint8_t kPeriodicByNumbers = 0x1F;

// 0xFFFF (-1 from some callers) stands for no valid password.
constexpr uint16_t kNoPassword = 0xFFFF;
constexpr std::string_view kBadPassword = "Неверный пароль!";

// Day, month and the year's last two digits, packed BCD; the time of day is
// dropped.
bool PutDate(CommandBuilder& c, double value) {
    const std::optional<CivilDate> d = DecodeDate(value);
    if (!d) {
        return false;
    }
    c.Bcd(d->day).Bcd(d->month).Bcd(d->year % 100);
    return true;
}

int16_t ReportByDates(uint8_t command, uint16_t password, double firstDate, double lastDate) {
    if (password == kNoPassword) {
        return Refuse(kBadPassword);
    }
    CommandBuilder c(command);
    c.U16(password);
    if (!PutDate(c, firstDate) || !PutDate(c, lastDate)) {
        return Refuse("Ошибка формата даты!");
    }
    return ResultOf(RunCommand(c));
}

int16_t DayReport(uint8_t command, uint16_t password) {
    if (password == kNoPassword) {
        return Refuse(kBadPassword);
    }
    return ResultOf(RunCommand(CommandBuilder(command).U16(password)));
}

} // namespace

extern "C" {

KASDRV_API int16_t KASDRV_CALL FPDayReport(uint16_t password) {
    return DayReport(kXReport, password);
}

KASDRV_API int16_t KASDRV_CALL FPDayClrReport(uint16_t password) {
    return DayReport(kZReport, password);
}

KASDRV_API int16_t KASDRV_CALL FPXArtReport(uint16_t password, int64_t firstArticle,
                                            int64_t lastArticle) {
    if (password == kNoPassword) {
        return Refuse("Неверный пароль отчетов!");
    }
    if (!ArticleCodeFits(firstArticle) || !ArticleCodeFits(lastArticle)) {
        return Refuse(kBadArticleCodeText);
    }
    CommandBuilder c(kArticleReport);
    c.U16(password);
    // Both 0: every article. Otherwise the lower number first.
    if (firstArticle != 0 || lastArticle != 0) {
        const auto [low, high] = std::minmax(firstArticle, lastArticle);
        c.UInt(static_cast<uint64_t>(low), 6).UInt(static_cast<uint64_t>(high), 6);
    }
    return ResultOf(RunCommand(c));
}

KASDRV_API int16_t KASDRV_CALL FPPeriodicReport(uint16_t password, double firstDate,
                                                double lastDate) {
    return ReportByDates(kPeriodicByDates, password, firstDate, lastDate);
}

KASDRV_API int16_t KASDRV_CALL FPPeriodicReportShort(uint16_t password, double firstDate,
                                                     double lastDate) {
    return ReportByDates(kShortPeriodicByDates, password, firstDate, lastDate);
}

KASDRV_API int16_t KASDRV_CALL FPPeriodicNumberReport(uint16_t password, uint16_t firstNumber,
                                                      uint16_t lastNumber) {
    if (password == kNoPassword) {
        return Refuse(kBadPassword);
    }
    if (firstNumber > lastNumber) {
        return Refuse("Начальный номер отчета больше конечного!");
    }
    return ResultOf(RunCommand(
        CommandBuilder(kPeriodicByNumbers).U16(password).U16(firstNumber).U16(lastNumber)));
}

} // extern "C"
