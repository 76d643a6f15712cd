// The report exports over a scripted register: the command bytes, the
// password and range checks, and the 0x20 leniency.
#include "ExportChecks.h"
#include "WireFormat.h"
#include "kasdrv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

using namespace kastest;

namespace {

TEST(Reports, DayReportsCarryThePassword) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPDayReport(0), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x09, 0x00, 0x00}));
    ASSERT_EQ(FPDayReport(0x1234), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x09, 0x34, 0x12}));
    ASSERT_EQ(FPDayClrReport(0xFFFE), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x0D, 0xFE, 0xFF}));
}

TEST(Reports, PasswordFFFFIsRefusedBeforeSending) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    const std::string bad = "Неверный пароль!";
    ExpectRefusedUnsent(line, bad, [] { return FPDayReport(0xFFFF); });
    ExpectRefusedUnsent(line, bad, [] { return FPDayClrReport(0xFFFF); });
    ExpectRefusedUnsent(line, bad, [] { return FPPeriodicReport(0xFFFF, 40000, 40001); });
    ExpectRefusedUnsent(line, bad, [] { return FPPeriodicReportShort(0xFFFF, 40000, 40001); });
    ExpectRefusedUnsent(line, bad, [] { return FPPeriodicNumberReport(0xFFFF, 1, 2); });
    ExpectRefusedUnsent(line, "Неверный пароль отчетов!",
                        [] { return FPXArtReport(0xFFFF, 0, 0); });
}

TEST(Reports, ZReportToleratesOnlyStatus0x20) {
    ScriptedLine line;
    line.AnswerAll(Payload(0x20, 0x00, 0));
    EXPECT_EQ(FPDayClrReport(1), -1);
    EXPECT_FALSE(ErrorTextUtf8().empty());
    // A result code says the register did not do it, whatever the status.
    line.AnswerAll(Payload(0x20, 0x29, 0));
    EXPECT_EQ(FPDayClrReport(1), 0);
    uint8_t result = 0;
    uint8_t status = 0;
    FPCodeError(&result, &status, nullptr);
    EXPECT_EQ(status, 0x20);
    EXPECT_EQ(result, 0x29);
    EXPECT_FALSE(ErrorTextUtf8().empty());

    // 0x22 also reports paper out; the driver asks the sensors, then fails.
    line.AnswerAll(Payload(0x22, 0x29, 0));
    EXPECT_EQ(FPDayClrReport(1), 0);
    EXPECT_EQ(CommandOf(line.port.writes.back()), (Bytes{0x30}));
}

TEST(Reports, ArticleRangeIsSentLowerFirst) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPXArtReport(7, 0, 0), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x0A, 0x07, 0x00}));
    ASSERT_EQ(FPXArtReport(7, 500, 20), -1);
    EXPECT_EQ(LastCommand(line),
              (Bytes{0x0A, 0x07, 0x00, 0x14, 0, 0, 0, 0, 0, 0xF4, 0x01, 0, 0, 0, 0}));
    ASSERT_EQ(FPXArtReport(7, 0, 3), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x0A, 0x07, 0x00, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0}));
    // The highest code that six bytes carry.
    ASSERT_EQ(FPXArtReport(7, 5, (int64_t{1} << 48) - 1), -1);
    EXPECT_EQ(LastCommand(line),
              (Bytes{0x0A, 0x07, 0x00, 5, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(Reports, ArticleNumbersOutsideSixBytesAreRefused) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    for (const auto& [first, last] : {std::pair<int64_t, int64_t>{5, -1},
                                      {-1, 0},
                                      {0, int64_t{1} << 48},
                                      {int64_t{1} << 48, 1}}) {
        SCOPED_TRACE(std::to_string(first) + " " + std::to_string(last));
        ExpectRefusedUnsent(line, "Недопустимый код артикула!",
                            [f = first, l = last] { return FPXArtReport(7, f, l); });
    }
}

TEST(Reports, PeriodicByDatesPacksBcdInTheOrderGiven) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    const double march5 = kasdrv::EncodeDate(2008, 3, 5);
    const double december25 = kasdrv::EncodeDate(2008, 12, 25) + 0.75; // the time is ignored
    ASSERT_EQ(FPPeriodicReport(0x0102, march5, december25), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x11, 0x02, 0x01, 0x05, 0x03, 0x08, 0x25, 0x12, 0x08}));
    ASSERT_EQ(FPPeriodicReportShort(0, december25, march5), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x1A, 0, 0, 0x25, 0x12, 0x08, 0x05, 0x03, 0x08}));

    ExpectRefusedUnsent(line, "Ошибка формата даты!", [march5] {
        return FPPeriodicReport(0, march5, std::numeric_limits<double>::quiet_NaN());
    });
}

TEST(Reports, PeriodicByNumbersNeedsAnOrderedRange) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPPeriodicNumberReport(3, 10, 10), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x1F, 0x03, 0x00, 0x0A, 0x00, 0x0A, 0x00}));
    ASSERT_EQ(FPPeriodicNumberReport(3, 1, 0x1234), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x1F, 0x03, 0x00, 0x01, 0x00, 0x34, 0x12}));
    ExpectRefusedUnsent(line, "Начальный номер отчета больше конечного!",
                        [] { return FPPeriodicNumberReport(3, 11, 10); });
}

} // namespace
