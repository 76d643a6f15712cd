// Data queries at the level of the register model: the memory map at its fixed addresses, the
// day report and how the two agree, the open receipt's sums, the cash and the tax rates.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "model/MemoryMap.h"

namespace kasemu {
namespace {

using namespace test;

class Queries : public ::testing::Test, public ModelFixture {
  protected:
    Bytes mem(std::uint16_t address, std::uint8_t count, std::uint8_t page = 0x10) {
        Bytes d = le(address, 2);
        d.push_back(page);
        d.push_back(count);
        const auto out = run(0x1C, d);
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(out.result, 0);
        return out.data;
    }
    Bytes dayReport() {
        const auto out = run(0x2A);
        EXPECT_EQ(out.result, 0);
        return out.data;
    }
    static Bytes slice(const Bytes& b, std::size_t at, std::size_t n) {
        return Bytes(b.begin() + static_cast<std::ptrdiff_t>(at),
                     b.begin() + static_cast<std::ptrdiff_t>(at + n));
    }

    // A day with something of everything: sales in two groups paid by two forms with a markup
    // and a cancelled line, a payout receipt with a discount, an annulled receipt and service
    // cash both ways.
    void busyDay() {
        ASSERT_EQ(run(0x10, le(50000, 4)).result, 0);
        ASSERT_EQ(run(0x12, itemData(2, 0, 1250, 0, "Хліб")).result, 0);
        ASSERT_EQ(run(0x12, itemData(1, 0, 300, 5, "Сіль")).result, 0);
        ASSERT_EQ(run(0x12, itemData(1, 0, -300, 5, "Сіль")).result, 0); // cancelled
        ASSERT_EQ(run(0x23, discountData(3, 100, false)).result, 0);     // markup 1.00
        ASSERT_EQ(run(0x14, paymentData(0, 1000)).result, 0);
        ASSERT_EQ(run(0x14, paymentData(3, 2000)).result, 0);
        ASSERT_EQ(run(0x08, itemData(1, 0, 700, 0, "Повернення")).result, 0);
        ASSERT_EQ(run(0x23, discountData(1, 50, true)).result, 0); // discount 0.50
        ASSERT_EQ(run(0x14, paymentData(3, 0, true)).result, 0);
        ASSERT_EQ(run(0x12, itemData(1, 0, 999, 0, "x")).result, 0);
        ASSERT_EQ(run(0x0F).result, 0); // annulled
        ASSERT_EQ(run(0x18, le(1234, 4)).result, 0);
    }
};

TEST_F(Queries, DayReportLayout) {
    busyDay();
    const Bytes d = dayReport();
    ASSERT_EQ(d.size(), 134u);
    EXPECT_EQ(hex(slice(d, 0, 2)), "01 00");  // last sale receipt, BCD
    EXPECT_EQ(num(d, 2, 5), 2500u + 100);     // group А with the markup
    EXPECT_EQ(num(d, 2 + 5 * 5, 5), 0u);      // group Е: sold and cancelled
    EXPECT_EQ(num(d, 32, 5), 1000u);          // card
    EXPECT_EQ(num(d, 32 + 15, 5), 1600u);     // cash, net of the change
    EXPECT_EQ(num(d, 52, 5), 100u);           // markups on sales
    EXPECT_EQ(num(d, 57, 5), 0u);             // discounts on sales
    EXPECT_EQ(num(d, 62, 5), 50000u);         // service deposits
    EXPECT_EQ(hex(slice(d, 67, 2)), "01 00"); // last payout receipt
    EXPECT_EQ(num(d, 69, 5), 650u);           // payout group А after the discount
    EXPECT_EQ(num(d, 99 + 15, 5), 650u);      // paid out in cash
    EXPECT_EQ(num(d, 119, 5), 0u);            // markups on payouts
    EXPECT_EQ(num(d, 124, 5), 50u);           // discounts on payouts
    EXPECT_EQ(num(d, 129, 5), 1234u);         // service withdrawals
}

TEST_F(Queries, MemoryAgreesWithTheDayReport) {
    busyDay();
    const Bytes d = dayReport();
    EXPECT_EQ(mem(memory::kSaleReceiptNumber, 2), slice(d, 0, 2));
    EXPECT_EQ(mem(memory::kPayoutReceiptNumber, 2), slice(d, 67, 2));
    for (int g = 0; g < kTaxGroups; ++g) {
        EXPECT_EQ(mem(static_cast<std::uint16_t>(memory::kSaleDaySums + 5 * g), 5),
                  slice(d, 2 + 5 * static_cast<std::size_t>(g), 5));
        EXPECT_EQ(mem(static_cast<std::uint16_t>(memory::kPayoutDaySums + 5 * g), 5),
                  slice(d, 69 + 5 * static_cast<std::size_t>(g), 5));
    }
    // One read across the number and all six sums.
    EXPECT_EQ(mem(memory::kSaleReceiptNumber, 32), slice(d, 0, 32));
    EXPECT_EQ(mem(memory::kPayoutReceiptNumber, 32), slice(d, 67, 32));

    const Bytes annulled = mem(memory::kAnnulments, 14);
    EXPECT_EQ(num(annulled, 0, 2), 1u);
    EXPECT_EQ(num(annulled, 2, 5), 999u);
    EXPECT_EQ(num(annulled, 7, 2), 0u);
    EXPECT_EQ(num(annulled, 9, 5), 0u);
    const Bytes cancelled = mem(memory::kCancellations, 14);
    EXPECT_EQ(num(cancelled, 0, 2), 1u);
    EXPECT_EQ(num(cancelled, 2, 5), 300u);
    EXPECT_EQ(num(cancelled, 7, 2), 0u);
}

TEST_F(Queries, ReceiptCountersAreBcd) {
    st().lastSaleReceipt = 1204;
    st().lastPayoutReceipt = 37;
    ASSERT_EQ(run(0x12, itemData(1, 0, 100, 0, "x")).result, 0);
    ASSERT_EQ(run(0x14, paymentData(3, 0, true)).result, 0);
    EXPECT_EQ(hex(mem(memory::kSaleReceiptNumber, 2)), "05 12");
    EXPECT_EQ(hex(slice(dayReport(), 0, 2)), "05 12");
    EXPECT_EQ(hex(mem(memory::kPayoutReceiptNumber, 2)), "37 00");
    EXPECT_EQ(hex(slice(dayReport(), 67, 2)), "37 00");
    // Four digits are kept.
    st().lastSaleReceipt = 19999;
    EXPECT_EQ(hex(mem(memory::kSaleReceiptNumber, 2)), "99 99");
}

TEST_F(Queries, DaySumsTakeFiveBytes) {
    st().day.sale.byGroup[1] = 0x0100000000ll;
    EXPECT_EQ(hex(mem(memory::kSaleDaySums + 5, 5)), "00 00 00 00 01");
    EXPECT_EQ(hex(slice(dayReport(), 7, 5)), "00 00 00 00 01");
}

TEST_F(Queries, PasswordsZNumberAndLastZDate) {
    for (int i = 0; i < kOperators; ++i) {
        st().operators[static_cast<std::size_t>(i)].password =
            static_cast<std::uint16_t>(1000 * i + 1);
    }
    const Bytes pw = mem(memory::kPasswords, 20);
    for (int i = 0; i < kOperators; ++i) {
        EXPECT_EQ(num(pw, 2 * static_cast<std::size_t>(i), 2),
                  static_cast<std::uint64_t>(1000 * i + 1));
    }
    // Before the first Z report: next number 1, no date.
    EXPECT_EQ(hex(mem(memory::kNextZNumber, 2)), "01 00");
    EXPECT_EQ(hex(mem(memory::kLastZDate, 3)), "00 00 00");
    st().operators[9].password = 0;
    clock.set(toSeconds(CivilTime{2026, 12, 9, 21, 0, 0}));
    ASSERT_EQ(run(0x0D, le(0, 2)).result, 0);
    EXPECT_EQ(hex(mem(memory::kNextZNumber, 2)), "02 00");
    EXPECT_EQ(hex(mem(memory::kLastZDate, 3)), "09 12 26");
}

TEST_F(Queries, TaxRatesInMemoryAndWithTheirDate) {
    // Factory: one rate of 20 % set on the production date.
    EXPECT_EQ(hex(mem(memory::kTaxRateCount, 1, 0x00)), "01");
    EXPECT_EQ(hex(mem(memory::kTaxRateBlock, 5)), "D0 07 00 00 00");
    EXPECT_EQ(hex(run(0x2C).data), "01 15 01 08 D0 07 00");

    Bytes d = le(0, 2);
    for (const auto b : hex("02 D0 07 BC 02 10")) {
        d.push_back(b);
    }
    clock.set(toSeconds(CivilTime{2027, 1, 2, 8, 0, 0}));
    ASSERT_EQ(run(0x19, d).result, 0);
    EXPECT_EQ(hex(mem(memory::kTaxRateCount, 1, 0x00)), "02");
    EXPECT_EQ(hex(mem(memory::kTaxRateBlock, 9)), "D0 07 BC 02 10 00 00 00 00");
    auto full = run(0x2C).data;
    EXPECT_EQ(full.size(), 2u * 2 + 5);
    EXPECT_EQ(hex(full), "02 02 01 27 D0 07 BC 02 10");

    d = le(0, 2);
    for (const auto b : hex("02 28 23 00 00 20 E7 03 0F 27")) {
        d.push_back(b);
    }
    ASSERT_EQ(run(0x19, d).result, 0);
    EXPECT_EQ(hex(mem(memory::kTaxRateBlock, 9)), "28 23 00 00 20 E7 03 0F 27");
    full = run(0x2C).data;
    EXPECT_EQ(full.size(), 4u * 2 + 5);
    EXPECT_EQ(hex(full), "02 02 01 27 28 23 00 00 20 E7 03 0F 27");
    // The count lives on page 0; page 0x10 has nothing of its own there.
    EXPECT_EQ(hex(mem(memory::kTaxRateCount, 1, 0x10)), "00");
}

TEST_F(Queries, ArticleCountsAtAddress101) {
    Bytes d = le(0, 2);
    for (const auto b : hex("00 64 00 00 00 80 01 41 01 00 00 00 00 00")) {
        d.push_back(b);
    }
    ASSERT_EQ(run(0x22, d).result, 0);
    ASSERT_EQ(run(0x12, itemData(1, 0, 100, 0, "Нове", 555)).result, 0);
    ASSERT_EQ(run(0x14, paymentData(3, 0, true)).result, 0);
    EXPECT_EQ(hex(mem(101, 4, 16)), "01 00 01 00");
}

TEST_F(Queries, CutterBitKeepsTheOtherBitsOfItsByte) {
    st().memory[0x10u << 16 | memory::kModes] = 0xA5;
    EXPECT_EQ(hex(mem(memory::kModes, 1)), "A5");
    st().programming.autoCut = false;
    EXPECT_EQ(hex(mem(memory::kModes, 1)), "AD");
    st().memory[0x10u << 16 | memory::kModes] = 0x00;
    EXPECT_EQ(hex(mem(memory::kModes, 1)), "08");
}

TEST_F(Queries, OtherAddressesAreAPlainByteStore) {
    EXPECT_EQ(hex(mem(0x1234, 3, 0x05)), "00 00 00");
    st().memory[0x05u << 16 | 0x1235] = 0x7E;
    EXPECT_EQ(hex(mem(0x1234, 3, 0x05)), "00 7E 00");
    EXPECT_EQ(hex(mem(0x1235, 1, 0x10)), "00"); // another page
    // Count 0 reads nothing; addresses wrap within the page.
    EXPECT_TRUE(mem(0x1234, 0, 0x05).empty());
    st().memory[0x05u << 16 | 0x0000] = 0x11;
    EXPECT_EQ(hex(mem(0xFFFF, 2, 0x05)), "00 11");
    EXPECT_EQ(mem(0x0000, 255).size(), 255u);
    EXPECT_EQ(run(0x1C, hex("00 00 10")).status, status::NotExecuted);
}

TEST_F(Queries, OpenReceiptSumsAndCash) {
    Bytes sums = run(0x2B).data;
    ASSERT_EQ(sums.size(), 40u);
    EXPECT_EQ(sums, Bytes(40, 0));
    ASSERT_EQ(run(0x10, le(10000, 4)).result, 0);
    EXPECT_EQ(hex(run(0x21).data), "10 27 00 00 00");
    ASSERT_EQ(run(0x12, itemData(1, 0, 500, 0, "a")).result, 0);
    ASSERT_EQ(run(0x12, itemData(1, 0, 250, 5, "b")).result, 0);
    ASSERT_EQ(run(0x14, paymentData(0, 300)).result, 0);
    sums = run(0x2B).data;
    ASSERT_EQ(sums.size(), 40u);
    EXPECT_EQ(num(sums, 0, 4), 500u);
    EXPECT_EQ(num(sums, 20, 4), 250u);
    EXPECT_EQ(num(sums, 24, 4), 300u); // card
    EXPECT_EQ(num(sums, 36, 4), 0u);   // cash
    ASSERT_EQ(run(0x14, paymentData(3, 1000)).result, 0);
    EXPECT_EQ(run(0x2B).data, Bytes(40, 0));
    EXPECT_EQ(num(run(0x21).data, 0, 5), 10000u + 450);
}

} // namespace
} // namespace kasemu
