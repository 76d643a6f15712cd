// A shift longer than 24 hours: the status shows in every answer; what the register refuses
// carries a result code and changes nothing, what it carries out has result 0.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace kasemu {
namespace {

using namespace test;

class ShiftOverADay : public ::testing::Test, public ModelFixture {
  protected:
    void SetUp() override {
        ASSERT_EQ(run(0x10, le(50000, 4)).result, 0); // cash in opens the shift
        ASSERT_TRUE(st().shiftOpen);
        clock.advance(24 * 3600 + 1);
    }
};

TEST_F(ShiftOverADay, RefusesNewFiscalLinesAndTheLogoButCarriesOutTheRest) {
    const struct {
        const char* what;
        std::uint8_t command;
        Bytes data;
        std::uint8_t result;
    } cases[] = {
        {"sale line", 0x12, itemData(1, 0, 100, 0, "Товар"), result::NeedsZReport},
        {"payout line", 0x08, itemData(1, 0, 100, 0, "Возврат"), result::NeedsZReport},
        {"comment", 0x0B, textData("Примечание"), result::NeedsZReport},
        {"logo off", 0x2D, hex("00 00 00 00 00 00 00"), result::NeedsZReport},
        {"line feed", 0x0E, {}, 0},
        {"cash out", 0x18, le(100, 4), 0},
        {"date", 0x01, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RegisterState before = st();
        const Outcome out = run(c.command, c.data);
        EXPECT_EQ(out.status, status::ShiftOver24h);
        EXPECT_EQ(out.result, c.result);
        if (c.result != 0) {
            EXPECT_FALSE(out.changed);
            EXPECT_TRUE(out.printed.empty());
            EXPECT_FALSE(st().receipt.open());
            EXPECT_EQ(st().documents, before.documents);
            EXPECT_EQ(st().logo.loaded(), before.logo.loaded());
        }
    }
    EXPECT_EQ(st().cashInDrawer, 50000 - 100);
}

TEST_F(ShiftOverADay, TheZReportEndsItAndSalesGoThroughAgain) {
    EXPECT_EQ(run(0x0D, hex("00 00")).result, 0);
    const Outcome out = run(0x12, itemData(1, 0, 100, 0, "Товар"));
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(st().receipt.open());
}

} // namespace
} // namespace kasemu
