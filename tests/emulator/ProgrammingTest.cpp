// Settings at the level of the register model: receipt message lines, taxpayer lines, tax
// rates, fiscalization, the three modes, line spacing and contrast.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "model/MemoryMap.h"

namespace kasemu {
namespace {

using namespace test;

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// 0x17 data: line number, attribute byte, text.
Bytes messageLine(int number, const std::string& text, std::uint8_t attributes = 0) {
    const Bytes t = utf8ToDevice(text);
    return cat(
        {{static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(t.size() | attributes)}, t});
}

// 0x16 data: password, three lines with attribute bytes, kind byte and number.
Bytes taxpayerData(std::uint16_t password, const std::array<std::string, 3>& lines,
                   const std::string& number, bool identification = false,
                   std::uint8_t attributes = 0) {
    Bytes d = le(password, 2);
    for (const auto& line : lines) {
        d = cat({d, textData(line, attributes)});
    }
    const Bytes n = utf8ToDevice(number);
    d.push_back(static_cast<std::uint8_t>(n.size() | (identification ? 0x80 : 0)));
    return cat({d, n});
}

// 0x19 data: password, n, rates, flags, levies when the levy bit is set.
Bytes taxData(std::uint16_t password, const std::vector<std::uint16_t>& rates, std::uint8_t flags,
              const std::vector<std::uint16_t>& levies = {}) {
    Bytes d = le(password, 2);
    d.push_back(static_cast<std::uint8_t>(rates.size()));
    for (const auto r : rates) {
        d = cat({d, le(r, 2)});
    }
    d.push_back(flags);
    for (const auto l : levies) {
        d = cat({d, le(l, 2)});
    }
    return d;
}

class Programming : public ::testing::Test, public ModelFixture {
  protected:
    void openShift() {
        ASSERT_EQ(run(0x10, le(100, 4)).result, 0);
        ASSERT_TRUE(st().shiftOpen);
    }
    void zReport() { ASSERT_EQ(run(0x0D, le(0, 2)).result, 0); }
};

TEST_F(Programming, MessageLinesOpenAndCloseTheReceipt) {
    // Line numbers 0, 2, 3 open the receipt, 1, 4, 5 close it.
    const char* texts[] = {"Н1", "К1", "Н2", "Н3", "К2", "К3"};
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(run(0x17, messageLine(i, texts[i])).result, 0) << i;
    }
    const auto& p = st().programming;
    EXPECT_EQ(deviceToUtf8(p.receiptHead[0].text), "Н1");
    EXPECT_EQ(deviceToUtf8(p.receiptHead[1].text), "Н2");
    EXPECT_EQ(deviceToUtf8(p.receiptHead[2].text), "Н3");
    EXPECT_EQ(deviceToUtf8(p.receiptTail[0].text), "К1");
    EXPECT_EQ(deviceToUtf8(p.receiptTail[1].text), "К2");
    EXPECT_EQ(deviceToUtf8(p.receiptTail[2].text), "К3");

    ASSERT_EQ(run(0x17, messageLine(0, "ЛАСКАВО ПРОСИМО", 0x40 | 0x80)).result, 0);
    EXPECT_EQ(st().programming.receiptHead[0].attributes, 0xC0);
    auto out = run(0x12, itemData(1, 0, 100, 0, "x"));
    ASSERT_EQ(out.result, 0);
    EXPECT_TRUE(printed(out.printed, "Л А С К А В О")); // double width
    EXPECT_TRUE(printed(out.printed, "Н2"));
    out = run(0x14, paymentData(3, 0, true));
    EXPECT_TRUE(printed(out.printed, "К3"));
}

TEST_F(Programming, MessageLineLimitsAndLayout) {
    EXPECT_EQ(run(0x17, messageLine(0, std::string(21, 'W'), 0x40)).result, 0);
    EXPECT_EQ(run(0x17, messageLine(0, std::string(22, 'W'), 0x40)).result, result::BadLength);
    EXPECT_EQ(run(0x17, messageLine(0, std::string(36, 'n'))).result, 0);
    EXPECT_EQ(run(0x17, messageLine(0, std::string(37, 'n'))).result, result::BadLength);
    EXPECT_EQ(run(0x17, messageLine(6, "x")).result, result::NoSuchNumber);
    // The length in the attribute byte must match the text.
    Bytes d = messageLine(1, "abc");
    d.pop_back();
    EXPECT_EQ(run(0x17, d).status, status::NotExecuted);
    EXPECT_EQ(deviceToUtf8(st().programming.receiptTail[0].text), "");
    // An empty text clears the line.
    ASSERT_EQ(run(0x17, messageLine(0, "")).result, 0);
    EXPECT_TRUE(st().programming.receiptHead[0].text.empty());
    // Not inside a receipt.
    run(0x12, itemData(1, 0, 100, 0, "x"));
    EXPECT_EQ(run(0x17, messageLine(0, "x")).result, result::ReceiptOpen);
}

TEST_F(Programming, TaxpayerLinesAndNumberShowInTheStatus) {
    ASSERT_EQ(run(0x16, taxpayerData(0, {"ТОВ Ромашка", "", "Київ"}, "000000012345")).result, 0);
    auto d = run(0x00).data;
    EXPECT_EQ(d[36], 11);
    EXPECT_EQ(deviceToUtf8(Bytes(d.begin() + 37, d.begin() + 48)), "ТОВ Ромашка");
    EXPECT_EQ(d[48], 0);
    EXPECT_EQ(d[49], 4);
    EXPECT_EQ(d[54], 12); // a tax number: bit 7 clear
    EXPECT_EQ(deviceToUtf8(Bytes(d.begin() + 55, d.begin() + 67)), "000000012345");
    EXPECT_TRUE(printed(run(0x12, itemData(1, 0, 100, 0, "x")).printed, "ПН 000000012345"));
    run(0x0F);

    ASSERT_EQ(run(0x16, taxpayerData(0, {"A", "B", "C"}, "1234567890AB", true, 0x40)).result, 0);
    d = run(0x00).data;
    EXPECT_EQ(d[36], 0x40 | 1);
    EXPECT_EQ(d[42], 0x80 | 12); // an identification number
    EXPECT_TRUE(st().programming.identificationNumber);
}

TEST_F(Programming, TaxpayerRefusals) {
    EXPECT_EQ(run(0x16, taxpayerData(1, {"a", "b", "c"}, "1")).result, result::BadPassword);
    EXPECT_EQ(run(0x16, taxpayerData(0, {std::string(25, 'x'), "", ""}, "1")).result,
              result::BadLength);
    EXPECT_EQ(run(0x16, taxpayerData(0, {"", std::string(24, 'x'), ""}, "1")).result, 0);
    EXPECT_EQ(run(0x16, taxpayerData(0, {"", "", std::string(21, 'x')}, "1", false, 0x40)).result,
              result::BadLength);
    EXPECT_EQ(run(0x16, taxpayerData(0, {"", "", ""}, "1234567890123")).result, result::BadLength);
    EXPECT_EQ(run(0x16, taxpayerData(0, {"", "", ""}, "12 34")).result, result::BadCharacters);
    Bytes cut = taxpayerData(0, {"a", "b", "c"}, "000000000001");
    cut.pop_back();
    EXPECT_EQ(run(0x16, cut).status, status::NotExecuted);
}

TEST_F(Programming, TaxRatesWithAndWithoutLevy) {
    auto out = run(0x19, taxData(0, {2000, 700}, 0x10));
    ASSERT_EQ(out.result, 0);
    EXPECT_TRUE(printed(out.printed, "НАЛОГОВЫЕ СТАВКИ"));
    auto& p = st().programming;
    EXPECT_EQ(p.taxRateCount, 2);
    EXPECT_EQ(p.taxRates[0], 2000);
    EXPECT_EQ(p.taxRates[1], 700);
    EXPECT_TRUE(p.vatAdded);
    EXPECT_FALSE(p.levy);
    EXPECT_EQ(p.taxRatesProgrammedAt, model.now());
    EXPECT_EQ(run(0x00).data[1] & 0x02, 0x02); // tax rates have been changed

    ASSERT_EQ(run(0x19, taxData(0, {9000, 0, 1500}, 0x20, {999, 9999, 500})).result, 0);
    EXPECT_EQ(p.taxRateCount, 3);
    EXPECT_TRUE(p.levy);
    EXPECT_FALSE(p.vatAdded);
    EXPECT_EQ(p.levyRates[0], 999);
    EXPECT_EQ(p.levyRates[1], 9999);
    EXPECT_EQ(p.levyRates[2], 500);
    EXPECT_EQ(p.taxRates[3], 0);
    // A group beyond the rates takes no sales; group Е always does.
    EXPECT_EQ(run(0x12, itemData(1, 0, 100, 3, "x")).result, result::NoSuchTaxGroup);
    EXPECT_EQ(run(0x12, itemData(1, 0, 100, 5, "x")).result, 0);
}

TEST_F(Programming, TaxRateRefusals) {
    EXPECT_EQ(run(0x19, taxData(1, {2000}, 0)).result, result::BadPassword);
    EXPECT_EQ(run(0x19, taxData(0, {1, 2, 3, 4, 5, 6}, 0)).result, result::TooManyTaxes);
    EXPECT_EQ(run(0x19, taxData(0, {}, 0)).status, status::NotExecuted);
    EXPECT_EQ(run(0x19, taxData(0, {10000}, 0)).status, status::NotExecuted);
    EXPECT_EQ(run(0x19, taxData(0, {9000}, 0x20, {1000})).status, status::NotExecuted);
    // With the levy bit the levies must follow.
    EXPECT_EQ(run(0x19, taxData(0, {2000}, 0x20)).status, status::NotExecuted);
    EXPECT_EQ(st().programming.taxRates[0], 2000);
    EXPECT_FALSE(st().programming.taxRatesChanged);

    // Only between shifts; the Z report takes the change into the fiscal memory.
    openShift();
    EXPECT_EQ(run(0x19, taxData(0, {1500}, 0)).result, result::NeedsZReport);
    zReport();
    ASSERT_EQ(run(0x19, taxData(0, {1500}, 0)).result, 0);
    EXPECT_TRUE(st().programming.taxRatesChanged);
    openShift();
    zReport();
    EXPECT_FALSE(st().programming.taxRatesChanged);
}

TEST_F(Programming, FiscalizationOnlyOnce) {
    Bytes d = cat({le(0, 2), utf8ToDevice("0000000123")});
    EXPECT_EQ(run(0x15, cat({le(5, 2), utf8ToDevice("0000000123")})).result, result::BadPassword);
    EXPECT_EQ(run(0x15, cat({le(0, 2), utf8ToDevice("00000001 3")})).result, result::BadCharacters);
    EXPECT_EQ(run(0x15, cat({le(0, 2), utf8ToDevice("123")})).status, status::NotExecuted);
    clock.set(toSeconds(CivilTime{2026, 12, 8, 9, 30, 0}));
    const auto out = run(0x15, d);
    ASSERT_EQ(out.result, 0);
    EXPECT_TRUE(printed(out.printed, "ФИСКАЛИЗАЦИЯ"));
    EXPECT_TRUE(st().identity.fiscalized);
    const auto status = run(0x00).data;
    EXPECT_EQ(status[1] & 0x10, 0x10);
    EXPECT_EQ(hex(Bytes(status.begin() + 21, status.begin() + 26)), "08 12 26 09 30");
    EXPECT_EQ(deviceToUtf8(Bytes(status.begin() + 26, status.begin() + 36)), "0000000123");
    EXPECT_EQ(run(0x15, d).result, result::Forbidden);
    // Cyrillic and Latin letters are accepted characters.
    ModelFixture other;
    EXPECT_EQ(other.run(0x15, cat({le(0, 2), utf8ToDevice("АБЁєЇzZ019")})).result, 0);
    ModelFixture shift;
    shift.run(0x10, le(1, 4));
    EXPECT_EQ(shift.run(0x15, d).result, result::NeedsZReport);
}

TEST_F(Programming, TogglesShowInStatusAndMemory) {
    const auto cutterByte = [this] {
        return run(0x1C, cat({le(memory::kModes, 2), {0x10, 0x01}})).data.at(0);
    };
    EXPECT_EQ(run(0x00).data[1] & 0x40, 0);
    ASSERT_EQ(run(0x24).result, 0);
    EXPECT_EQ(run(0x00).data[1] & 0x40, 0x40);
    ASSERT_EQ(run(0x24).result, 0);
    EXPECT_EQ(run(0x00).data[1] & 0x40, 0);

    ASSERT_EQ(run(0x25).result, 0);
    EXPECT_EQ(run(0x00).data[0] & 0x80, 0x80);
    ASSERT_EQ(run(0x25).result, 0);
    EXPECT_EQ(run(0x00).data[0] & 0x80, 0);

    EXPECT_EQ(cutterByte() & 0x08, 0); // cutting on
    ASSERT_EQ(run(0x2E).result, 0);
    EXPECT_FALSE(st().programming.autoCut);
    EXPECT_EQ(cutterByte() & 0x08, 0x08);
    ASSERT_EQ(run(0x2E).result, 0);
    EXPECT_EQ(cutterByte() & 0x08, 0);

    EXPECT_EQ(run(0x24, {0}).status, status::NotExecuted);
    run(0x12, itemData(1, 0, 100, 0, "x"));
    EXPECT_EQ(run(0x2E).result, result::ReceiptOpen);
}

TEST_F(Programming, SpacingAndContrastByModel) {
    // RX-410F: spacing only, 0-63.
    ASSERT_EQ(run(0x27, {63}).result, 0);
    EXPECT_EQ(st().programming.lineSpacing, 63);
    EXPECT_EQ(run(0x27, {64}).status, status::NotExecuted);
    EXPECT_EQ(run(0x27, {100}).status, status::NotExecuted);
    EXPECT_EQ(st().programming.contrast, 100);

    // RX-520L: from 50 up the contrast (to 200), below the spacing.
    ManualClock clock520{startTime()};
    Model rx520(factoryState(ModelKind::Rx520l), clock520, ModelConfig{0.0, 36});
    ASSERT_EQ(rx520.execute(0x27, Bytes{49}).result, 0);
    EXPECT_EQ(rx520.state().programming.lineSpacing, 49);
    ASSERT_EQ(rx520.execute(0x27, Bytes{50}).result, 0);
    EXPECT_EQ(rx520.state().programming.contrast, 50);
    ASSERT_EQ(rx520.execute(0x27, Bytes{200}).result, 0);
    EXPECT_EQ(rx520.state().programming.contrast, 200);
    EXPECT_EQ(rx520.execute(0x27, Bytes{201}).status, status::NotExecuted);
    EXPECT_EQ(rx520.state().programming.contrast, 200);
    EXPECT_EQ(rx520.state().programming.lineSpacing, 49);
}

TEST_F(Programming, SettingsAreNonVolatile) {
    EXPECT_TRUE(run(0x17, messageLine(0, "x")).changed);
    EXPECT_TRUE(run(0x16, taxpayerData(0, {"a", "", ""}, "1")).changed);
    EXPECT_TRUE(run(0x19, taxData(0, {2000}, 0)).changed);
    EXPECT_TRUE(run(0x24).changed);
    EXPECT_TRUE(run(0x27, {5}).changed);
    EXPECT_TRUE(run(0x15, cat({le(0, 2), utf8ToDevice("0000000001")})).changed);
}

} // namespace
} // namespace kasemu
