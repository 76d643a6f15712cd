// A sale line whose answer does not come back, judged by kashost against what
// the register (the emulator) really did, and settled by the positions the
// verdict names.
#include "EmulatorFixture.h"

#include <kashost/Verified.h>

#include "kasemu/Faults.h"
#include "kasemu/RegisterState.h"

using namespace kastest;

namespace {

struct LostAnswer {
    const char* name;
    const char* fault;
    int times;     // how often the register registers the line
    bool answered; // whether the driver reports success
};

// Each attempt the driver makes is a new frame. A lost answer with silence on
// the line looks to the driver like a frame never received: it sends the line
// again, and the register registers it again.
const LostAnswer kCases[] = {
    {"executed, answer lost, three times", "drop@0x12*3", 3, false},
    {"executed, answer lost once, the repeat answered", "drop@0x12", 2, true},
    {"frame lost before executing, three times", "ignore@0x12*3", 0, false},
};

kashost::SaleLine Line(std::uint32_t quantity, std::int32_t price, const char* name) {
    kashost::SaleLine l;
    l.quantity = quantity;
    l.price = price;
    l.name = name;
    return l;
}

std::size_t ItemLines(const kasemu::RegisterState& s) {
    std::size_t n = 0;
    for (const auto& line : s.receipt.lines) {
        n += line.kind == kasemu::ReceiptLine::Kind::Item ? 1 : 0;
    }
    return n;
}

class VerifiedSale : public EmulatorTest {};

TEST_F(VerifiedSale, TellsHowOftenALineWithoutAnswerWasRegisteredAndHowToSettleIt) {
    for (const LostAnswer& c : kCases) {
        SCOPED_TRACE(c.name);
        kashost::FiscalSession session;
        const auto first = session.sale(Line(1, 500, "bread"));
        ASSERT_TRUE(first.answered) << DriverError();
        ASSERT_EQ(first.times, 1);

        emu().inject(*kasemu::parseFault(c.fault));
        const kashost::SaleLine salt = Line(2, 150, "salt");
        const kashost::FiscalVerdict v = session.sale(salt);
        EXPECT_EQ(ItemLines(emu().state()), 1U + static_cast<unsigned>(c.times));
        EXPECT_EQ(v.answered, c.answered);
        ASSERT_TRUE(v.times) << v.why;
        EXPECT_EQ(*v.times, c.times);
        EXPECT_EQ(v.inDoubt, !c.answered);
        const int extra = c.times > 1 ? c.times - 1 : 0;
        EXPECT_EQ(v.cancellations, extra);
        const std::string text = kashost::describe(v);
        EXPECT_NE(text.find(c.times == 0 ? "not carried out"
                                         : "carried out " + std::to_string(c.times) + " times"),
                  std::string::npos)
            << text;

        // The settling positions leave the line once on the receipt.
        kashost::SaleLine cancel = salt;
        cancel.price = v.cancelPrice;
        for (int k = 0; k < v.cancellations; ++k) {
            const auto settled = session.sale(cancel);
            ASSERT_TRUE(settled.answered) << DriverError();
            EXPECT_EQ(settled.times, 1);
        }
        EXPECT_EQ(emu().state().receipt.byGroup[0], 500 + (c.times > 0 ? 300 : 0));
        ASSERT_TRUE(session.annul().answered) << DriverError();
    }
}

TEST_F(VerifiedSale, ALineOnAFollowedReceiptCostsNoExchangeBeyondTheSale) {
    kashost::FiscalSession session;
    ASSERT_TRUE(session.sale(Line(1, 500, "bread")).answered) << DriverError();
    emu().resetCounters();
    const auto v = session.sale(Line(3, 120, "milk"));
    ASSERT_TRUE(v.answered) << DriverError();
    EXPECT_EQ(v.times, 1);
    EXPECT_EQ(emu().counters().framesReceived, 1U);
}

} // namespace
