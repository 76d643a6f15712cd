// Status, date, time, line speed and paper exports over a scripted port.
#include "DriverSession.h"
#include "ScriptedPort.h"
#include "WireFormat.h"
#include "kasdrv.h"
#include "platform/HostLocale.h"
#include "platform/SerialPort.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

using kasdrv::Session;
using namespace kastest;

namespace {

const std::string kBadReply = "Ответная посылка не соответствует формату данных!";

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes StatusReply(uint8_t first, uint8_t second, const std::vector<Bytes>& lines) {
    Bytes r = {first, second};
    const Bytes serial = Text("SN0001234 01.02.2020");
    r.insert(r.end(), serial.begin(), serial.begin() + 19);
    const Bytes registration = {0x28, 0x02, 0x25, 0x14, 0x35}; // 28.02.25 14:35
    r.insert(r.end(), registration.begin(), registration.end());
    const Bytes fiscal = Text("0123456789");
    r.insert(r.end(), fiscal.begin(), fiscal.end());
    for (const Bytes& l : lines) {
        r.insert(r.end(), l.begin(), l.end());
    }
    const Bytes firmware = {0x90, 0x8C, 0x2D, 0x31, 0x35}; // "РМ-15" in code page 866
    r.insert(r.end(), firmware.begin(), firmware.end());
    return r;
}

struct StatusCall {
    FPBOOL f[13] = {};
    char* t[7] = {};
    double date = 0;
    double time = 0;
    int16_t rc;
    StatusCall() {
        rc = FPGetStatus(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9],
                         &f[10], &f[11], &f[12], &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6],
                         &date, &time);
    }
    ~StatusCall() {
        for (char* p : t) {
            std::free(p);
        }
    }
    StatusCall(const StatusCall&) = delete;
    StatusCall& operator=(const StatusCall&) = delete;
};

TEST(GetStatus, EmptyLinesAreNullAndLengthBytesKeepSixBits) {
    ScriptedLine line;
    // Header 1 empty, header 2 with length byte 0x45 (5 characters), header 3 empty,
    // tax number "12".
    line.AnswerAll(Payload(0xFF, 0xFF, 0xFF,
                           StatusReply(0x22, 0x10, {{0x00}, Bytes{0x45, 'A', 'B', 'C', 'D', 'E'},
                                                    {0x80}, {0x02, '1', '2'}})));
    StatusCall s;
    ASSERT_EQ(s.rc, -1); // the status bytes are not judged
    EXPECT_EQ(std::string(s.t[0]), "SN0001234 01.02.202");
    EXPECT_EQ(std::string(s.t[0]).size(), 19u);
    EXPECT_EQ(std::string(s.t[1]), "0123456789");
    EXPECT_EQ(s.t[2], nullptr);
    EXPECT_EQ(std::string(s.t[3]), "ABCDE");
    EXPECT_EQ(s.t[4], nullptr);
    EXPECT_EQ(std::string(s.t[5]), "12");
    EXPECT_EQ(std::string(s.t[6]), "\xD0\xCC-15"); // РМ-15 in Windows-1251
    EXPECT_EQ(s.f[0], -1); // first byte bit 1
    EXPECT_EQ(s.f[4], -1); // first byte bit 5
    EXPECT_EQ(s.f[1], 0);
    EXPECT_EQ(s.f[9], -1); // fiscal: second byte bit 4
    EXPECT_EQ(s.date, kasdrv::EncodeDate(2025, 2, 28));
    EXPECT_NEAR(s.time, (14 * 60 + 35) / 1440.0, 1e-12);
}

TEST(GetStatus, UnfiscalizedRegisterHasTheDefaultRegistration) {
    ScriptedLine line;
    Bytes reply = StatusReply(0, 0x00, {{0}, {0}, {0}, {0}});
    reply[21] = 0xFF; // not even BCD: ignored when not fiscalized
    line.AnswerAll(Payload(0, 0, 0, reply));
    StatusCall s;
    ASSERT_EQ(s.rc, -1);
    EXPECT_EQ(s.f[9], 0);
    EXPECT_EQ(s.date, kasdrv::EncodeDate(2003, 1, 1));
    EXPECT_EQ(s.time, 0.0);
}

TEST(GetStatus, MalformedRepliesFailWithoutHandingOutTexts) {
    ScriptedLine line;
    Bytes good = StatusReply(0, 0x10, {{0}, {0}, {0}, {0}});
    // Cut anywhere before the end of the firmware text.
    for (std::size_t cut : {std::size_t{0}, std::size_t{20}, std::size_t{36}, good.size() - 1}) {
        line.AnswerAll(Payload(0, 0, 0, Bytes(good.begin(), good.begin() + cut)));
        StatusCall s;
        EXPECT_EQ(s.rc, 0) << cut;
        EXPECT_EQ(ErrorTextUtf8(), kBadReply);
        EXPECT_EQ(s.t[0], nullptr);
    }
    // A fiscalized register with a registration date that is no date.
    Bytes badDate = good;
    badDate[22] = 0x13; // month 13
    line.AnswerAll(Payload(0, 0, 0, badDate));
    StatusCall s;
    EXPECT_EQ(s.rc, 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
}

TEST(DateTime, WorkedFramesAndReplies) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    Session().Sequence = 4;
    ASSERT_EQ(FPSetDate(kasdrv::EncodeDate(2026, 12, 7)), -1);
    EXPECT_EQ(line.port.writes.back(),
              (Bytes{0x10, 0x02, 0x05, 0x02, 0x07, 0x12, 0x26, 0xBA, 0x10, 0x03}));
    ASSERT_EQ(FPSetDate(kasdrv::EncodeDate(2009, 3, 5) + 0.75), -1);
    EXPECT_EQ(CommandOf(line.port.writes.back()), (Bytes{0x02, 0x05, 0x03, 0x09}));
    ASSERT_EQ(FPSetDate(kasdrv::EncodeDate(2010, 1, 2)), -1);
    EXPECT_EQ(CommandOf(line.port.writes.back()), (Bytes{0x02, 0x02, 0x01, 0x10}));
    // The year byte 0x10 travels doubled.
    const Bytes& frame = line.port.writes.back();
    EXPECT_EQ(frame[6], 0x10);
    EXPECT_EQ(frame[7], 0x10);
    ASSERT_EQ(FPSetTime(kasdrv::EncodeTime(21, 5, 7)), -1);
    EXPECT_EQ(CommandOf(line.port.writes.back()), (Bytes{0x04, 0x21, 0x05, 0x07}));

    line.AnswerAll(Payload(0, 0, 0, {0x23, 0x59, 0x30}));
    double t = 0;
    ASSERT_EQ(FPGetTime(&t), -1);
    EXPECT_NEAR(t, kasdrv::EncodeTime(23, 59, 30), 1e-12);

    line.AnswerAll(Payload(0x20, 0, 0, {0x05, 0x03, 0x09}));
    double d = 0;
    ASSERT_EQ(FPGetDate(&d), -1); // the shift bit alone still delivers the date
    EXPECT_EQ(d, kasdrv::EncodeDate(2009, 3, 5));
}

TEST(DateTime, BadValuesAreRefusedBeforeSending) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    const uint8_t before = Session().Sequence;
    EXPECT_EQ(FPSetDate(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Ошибка формата даты!");
    EXPECT_EQ(FPSetDate(1e12), 0);
    EXPECT_EQ(FPSetTime(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Ошибка в формате времени!");
    EXPECT_TRUE(line.port.writes.empty());
    EXPECT_EQ(Session().Sequence, before);
}

TEST(DateTime, RepliesThatAreNoDateOrTimeFail) {
    ScriptedLine line;
    double v = 0;
    for (const Bytes& reply : {Bytes{0x31, 0x02, 0x26}, Bytes{0x29, 0x02, 0x26},
                               Bytes{0x1A, 0x01, 0x26}, Bytes{0x01, 0x01}}) {
        line.AnswerAll(Payload(0, 0, 0, reply));
        EXPECT_EQ(FPGetDate(&v), 0);
        EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    }
    line.AnswerAll(Payload(0, 0, 0, {0x24, 0x00, 0x00}));
    EXPECT_EQ(FPGetTime(&v), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    line.AnswerAll(Payload(0, 0, 0, {0x12, 0x60, 0x00}));
    EXPECT_EQ(FPGetTime(&v), 0);
}

TEST(LineSpeed, IndexIsCheckedAndSent) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    EXPECT_EQ(FPChangeBaudRate(3), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Неверно задан параметр скорости связи!");
    EXPECT_TRUE(line.port.writes.empty());
    Session().Sequence = 0;
    ASSERT_EQ(FPChangeBaudRate(0), -1);
    EXPECT_EQ(line.port.writes.back(),
              (Bytes{0x10, 0x02, 0x01, 0x26, 0x00, 0xD9, 0x10, 0x03}));
}

TEST(PaperState, SensorBitsAndReplyLength) {
    ScriptedLine line;
    FPBOOL f[5] = {};
    line.AnswerAll(Payload(0, 0, 0, {0x24}));
    ASSERT_EQ(FPGetPaperState(&f[0], &f[1], &f[2], &f[3], &f[4]), -1);
    EXPECT_EQ((std::vector<FPBOOL>(f, f + 5)), (std::vector<FPBOOL>{0, -1, 0, -1, 0}));
    line.AnswerAll(Payload(0, 0, 0, {0x01}));
    ASSERT_EQ(FPGetPaperState(&f[0], &f[1], &f[2], &f[3], &f[4]), -1);
    EXPECT_EQ(f[0], -1);
    // A paper error in the status byte does not stop the query.
    line.AnswerAll(Payload(0x02, 0, 0, {0x40}));
    ASSERT_EQ(FPGetPaperState(&f[0], &f[1], &f[2], &f[3], &f[4]), -1);
    EXPECT_EQ(f[4], -1);
    line.AnswerAll(Payload(0, 0, 0, {0x40, 0x00}));
    EXPECT_EQ(FPGetPaperState(&f[0], &f[1], &f[2], &f[3], &f[4]), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
}

TEST(Platform, PortTimeoutsFollowTheLineSpeed) {
    const auto slow = kasdrv::platform::ComputePortTimeouts(9600, 1, 2);
    EXPECT_EQ(slow.readIntervalMs, 1000u);
    EXPECT_EQ(slow.readTotalMultiplierMs, 2u);
    EXPECT_EQ(slow.readTotalConstantMs, 1000u);
    EXPECT_EQ(slow.writeTotalMultiplierMs, 2u);
    EXPECT_EQ(slow.writeTotalConstantMs, 2000u);
    EXPECT_EQ(kasdrv::platform::ComputePortTimeouts(19200, 20, 20).readTotalMultiplierMs, 1u);
    const auto fast = kasdrv::platform::ComputePortTimeouts(38400, 20, 20);
    EXPECT_EQ(fast.readTotalMultiplierMs, 0u);
    EXPECT_EQ(fast.writeTotalMultiplierMs, 0u);
    EXPECT_EQ(fast.readTotalConstantMs, 20000u);
}

TEST(Platform, TwoDigitYearsLieInAWindowAroundTheCurrentYear) {
    using kasdrv::platform::WidenTwoDigitYear;
    EXPECT_EQ(WidenTwoDigitYear(26, 2026), 2026);
    EXPECT_EQ(WidenTwoDigitYear(3, 2026), 2003);
    EXPECT_EQ(WidenTwoDigitYear(75, 2026), 2075);
    EXPECT_EQ(WidenTwoDigitYear(76, 2026), 1976);
    EXPECT_EQ(WidenTwoDigitYear(99, 2026), 1999);
    EXPECT_EQ(WidenTwoDigitYear(0, 2051), 2100);
    EXPECT_EQ(WidenTwoDigitYear(1, 2051), 2001);
}

TEST(Platform, CommandsWithoutArgumentErrorsKeepTheSequence) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    Session().Sequence = 41;
    EXPECT_EQ(FPChangeBaudRate(9), 0);
    EXPECT_EQ(Session().Sequence, 41);
    EXPECT_EQ(FPChangeBaudRate(1), -1);
    EXPECT_EQ(Session().Sequence, 42);
}

} // namespace
