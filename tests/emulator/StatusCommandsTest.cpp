#include <gtest/gtest.h>

#include "TestSupport.h"

namespace kasemu {
namespace {

using test::hex;

class StatusCommands : public ::testing::Test, public test::ModelFixture {};

TEST_F(StatusCommands, StatusReplyFollowsTheLayout) {
    auto& s = st();
    s.programming.taxpayer[0].text = utf8ToDevice("ТОВ Ромашка");
    s.programming.taxpayer[0].attributes = 0x40;
    s.programming.taxpayer[1].text = {};
    s.programming.taxpayer[2].text = utf8ToDevice("Київ");
    s.programming.taxNumber = utf8ToDevice("000000012345");
    const auto out = run(0x00);
    ASSERT_EQ(out.status, 0);
    ASSERT_EQ(out.result, 0);
    const auto& d = out.data;
    ASSERT_EQ(d.size(), 2u + 19 + 5 + 10 + (1 + 11) + 1 + (1 + 4) + (1 + 12) + 5);
    EXPECT_EQ(deviceToUtf8(Bytes(d.begin() + 2, d.begin() + 21)), "ПБ00012345 15.01.08");
    EXPECT_EQ(hex(Bytes(d.begin() + 21, d.begin() + 26)), "00 00 00 00 00"); // not fiscalized
    EXPECT_EQ(deviceToUtf8(Bytes(d.begin() + 26, d.begin() + 36)), "0000000000");
    EXPECT_EQ(d[36], 0x40 | 11); // double width in the top bits
    EXPECT_EQ(deviceToUtf8(Bytes(d.begin() + 37, d.begin() + 48)), "ТОВ Ромашка");
    EXPECT_EQ(d[48], 0); // empty line 2
    EXPECT_EQ(d[49], 4);
    EXPECT_EQ(deviceToUtf8(Bytes(d.begin() + 50, d.begin() + 54)), "Київ");
    EXPECT_EQ(d[54], 12);
    EXPECT_EQ(deviceToUtf8(Bytes(d.begin() + 55, d.begin() + 67)), "000000012345");
    EXPECT_EQ(deviceToUtf8(Bytes(d.end() - 5, d.end())), "РМ-15");
}

TEST_F(StatusCommands, ModeFlags) {
    auto out = run(0x00);
    EXPECT_EQ(out.data[0], 0x04); // only the drawer is closed
    EXPECT_EQ(out.data[1], 0x00);
    auto& s = st();
    s.receipt.kind = ReceiptKind::Payout;
    s.receipt.paymentStarted = true;
    s.shiftOpen = true;
    s.shiftOpenedAt = model.now();
    s.programming.vatAdded = true;
    s.programming.displaySumsForbidden = true;
    s.identity.fiscalized = true;
    s.identity.registeredAt = toSeconds(CivilTime{2025, 3, 9, 14, 45, 10});
    s.serviceReportOpen = true;
    s.programming.onlineMode = true;
    s.programming.taxRatesChanged = true;
    s.programming.serviceReportOnControlTape = true;
    out = run(0x00);
    EXPECT_EQ(out.data[0], 0x02 | 0x04 | 0x08 | 0x10 | 0x20 | 0x40 | 0x80);
    EXPECT_EQ(out.data[1], 0x01 | 0x02 | 0x08 | 0x10 | 0x40);
    EXPECT_EQ(hex(Bytes(out.data.begin() + 21, out.data.begin() + 26)), "09 03 25 14 45");
    EXPECT_EQ(out.ext, 0x01); // the service report is open
}

TEST_F(StatusCommands, ARx520lReportsItsFirmware) {
    Model m(factoryState(ModelKind::Rx520l), clock);
    const auto out = m.execute(0x00, {});
    EXPECT_EQ(deviceToUtf8(Bytes(out.data.end() - 5, out.data.end())), "ЛМ-22");
}

TEST_F(StatusCommands, ReadsDateAndTimeInBcd) {
    EXPECT_EQ(hex(run(0x01).data), "07 12 26");
    EXPECT_EQ(hex(run(0x03).data), "10 00 00");
}

TEST_F(StatusCommands, TheClockRunsOnFromWhatWasSet) {
    ASSERT_EQ(run(0x02, hex("05 03 09")).result, 0);
    ASSERT_EQ(run(0x04, hex("21 05 07")).result, 0);
    EXPECT_EQ(hex(run(0x01).data), "05 03 09");
    EXPECT_EQ(hex(run(0x03).data), "21 05 07");
    clock.advance(3 * 3600 + 60);
    EXPECT_EQ(hex(run(0x01).data), "06 03 09");
    EXPECT_EQ(hex(run(0x03).data), "00 06 07");
}

TEST_F(StatusCommands, SettingTheDateKeepsTheTimeOfDay) {
    clock.advance(125);
    ASSERT_EQ(run(0x02, hex("31 12 10")).result, 0);
    EXPECT_EQ(hex(run(0x03).data), "10 02 05");
    EXPECT_EQ(hex(run(0x01).data), "31 12 10");
}

TEST_F(StatusCommands, RefusesImpossibleDatesAndTimes) {
    EXPECT_EQ(run(0x02, hex("30 02 26")).result, result::BadDateTime);
    EXPECT_EQ(run(0x02, hex("1A 01 26")).result, result::BadDateTime);
    EXPECT_EQ(run(0x02, hex("01 13 26")).result, result::BadDateTime);
    EXPECT_EQ(run(0x04, hex("24 00 00")).result, result::BadDateTime);
    EXPECT_EQ(run(0x04, hex("12 60 00")).result, result::BadDateTime);
    EXPECT_EQ(hex(run(0x01).data), "07 12 26"); // unchanged
}

TEST_F(StatusCommands, RefusesADateBeforeTheLastZReport) {
    ZRecord z;
    z.number = 1;
    z.at = toSeconds(CivilTime{2026, 12, 1, 20, 0, 0});
    st().fiscalMemory.push_back(z);
    EXPECT_EQ(run(0x02, hex("30 11 26")).result, result::DateBeforeLastZ);
    EXPECT_EQ(run(0x02, hex("01 12 26")).result, 0);
}

TEST_F(StatusCommands, ShortDataIsNotExecuted) {
    EXPECT_EQ(run(0x02, hex("05 03")).status, status::NotExecuted);
    EXPECT_EQ(run(0x04, hex("05 03 01 01")).status, status::NotExecuted);
    EXPECT_EQ(run(0x26).status, status::NotExecuted);
}

TEST_F(StatusCommands, UnknownCommandsAnswerFunctionDoesNotExist) {
    for (const int cmd : {0x07, 0x13, 0x3F, 0x80, 0xFF}) {
        const auto out = run(static_cast<std::uint8_t>(cmd));
        EXPECT_EQ(out.status, status::NotExecuted) << cmd;
        EXPECT_TRUE(out.data.empty());
    }
}

TEST_F(StatusCommands, LineSpeedSwitchesAfterTheAnswer) {
    auto out = run(0x26, hex("02"));
    EXPECT_EQ(out.status, 0);
    ASSERT_TRUE(out.newLineSpeed);
    EXPECT_EQ(*out.newLineSpeed, 2);
    EXPECT_EQ(st().lineSpeedIndex, 2);
    out = run(0x26, hex("03"));
    EXPECT_EQ(out.status, status::NotExecuted);
    EXPECT_FALSE(out.newLineSpeed);
    EXPECT_EQ(st().lineSpeedIndex, 2);
}

TEST_F(StatusCommands, PaperSensorsAreOneByte) {
    EXPECT_EQ(hex(run(0x30).data), "00");
    st().paperSensors = paper::ControlLow | paper::ControlOut;
    EXPECT_EQ(hex(run(0x30).data), "24");
}

TEST_F(StatusCommands, AShiftLongerThanADayShowsInEveryAnswer) {
    st().shiftOpen = true;
    st().shiftOpenedAt = model.now();
    EXPECT_EQ(run(0x01).status, 0);
    clock.advance(24 * 3600);
    EXPECT_EQ(run(0x01).status, 0);
    clock.advance(1);
    EXPECT_EQ(run(0x01).status, status::ShiftOver24h);
    EXPECT_EQ(run(0x30).status, status::ShiftOver24h);
    EXPECT_EQ(run(0x77).status, status::ShiftOver24h | status::NotExecuted);
}

TEST_F(StatusCommands, TheRegistersClockCanBeMovedOnAlone) {
    model.advanceClock(86400);
    EXPECT_EQ(hex(run(0x01).data), "08 12 26");
}

} // namespace
} // namespace kasemu
