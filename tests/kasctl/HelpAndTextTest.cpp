// The rules kasctl applies to words and labels, without a register.
#include "Subcommand.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using namespace kasctl;

TEST(KasctlHelp, EveryWordOfEveryUsageIsExplained) {
    ASSERT_GT(Registered().size(), 50u);
    for (const Subcommand& c : Registered()) {
        const auto missing = UnexplainedWords(c);
        std::string list;
        for (const auto& w : missing) {
            list += " " + w;
        }
        EXPECT_TRUE(missing.empty()) << c.name << ": nothing explains" << list;
        EXPECT_LE(c.minArgs, MaxArgs(c.usage)) << c.name;
    }
}

TEST(KasctlHelp, MostWordsFollowFromTheUsage) {
    const struct {
        const char* usage;
        std::size_t max;
    } cases[] = {
        {"", 0},
        {"PASSWORD [FIRST LAST]", 3},
        {"QTY PRICE GROUP NAME [CODE] [unit] [barcode] [stored]", 8},
        {"[-r] [-f] [--] LINE...", SIZE_MAX},
        {"PASSWORD added|included|levy RATE[/LEVY]...", SIZE_MAX},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MaxArgs(c.usage), c.max) << c.usage;
    }
}

TEST(KasctlText, CharactersTheRegisterCannotPrintAreNamed) {
    const struct {
        const char* text;
        std::vector<std::string> refused;
    } cases[] = {
        {"Хліб житній №5", {}},        // І, і and № are printed as I, i, N
        {"Ґанок ґудзик Єва Їжак", {}}, // Ґ ґ substituted; Є, Ї are in both code pages
        {"Price 12.50 (net) -5%", {}}, {"Ціна 10€ — «акція»", {"€", "—", "«", "»"}},
        {"€€ ✓", {"€", "✓"}},                              // each character once
        {"tab\there", {"\t"}},         {"\xff", {"\xff"}}, // not UTF-8 at all
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UnprintableCharacters(c.text), c.refused) << c.text;
    }
}

TEST(KasctlText, ARefusedTextFailsTheArgumentsAndConvertsNothing) {
    Args args({"Кава€", "Кава"});
    EXPECT_EQ(args.Text(1), "\xCA\xE0\xE2\xE0");
    EXPECT_TRUE(args.ok());
    EXPECT_EQ(args.Text(0), "");
    EXPECT_FALSE(args.ok());
    EXPECT_NE(args.error().find("\"€\" (U+20AC)"), std::string::npos) << args.error();
}

TEST(KasctlText, LabelsAreAlignedByCharactersAndKeyedForJson) {
    const struct {
        const char* label;
        const char* key;
    } cases[] = {
        {"sales, group А", "sales_group_А"},
        {"Last Z report", "last_z_report"},
        {"programming (8)", "programming_8"},
        {"cashier 0", "cashier_0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonKey(c.label), c.key);
    }
    EXPECT_EQ(PadLabel("група А", 10), "група А   ");
    EXPECT_EQ(PadLabel("group A", 10), "group A   ");
    EXPECT_EQ(JsonString("a \"b\"\\\n\x01"), "\"a \\\"b\\\"\\\\\\n\\u0001\"");
}

TEST(KasctlArgs, RangesRefuseTheirEndsInTheWrongOrder) {
    Args dates({"2026-12-08", "2026-12-01"});
    dates.DateRange(0);
    EXPECT_NE(dates.error().find("FROM 2026-12-08 is after TO 2026-12-01"), std::string::npos);
    Args sameDay({"2026-12-08", "2026-12-08"});
    sameDay.DateRange(0);
    EXPECT_TRUE(sameDay.ok());
    Args numbers({"7", "3"});
    numbers.IntRange(0, 0, 65535);
    EXPECT_NE(numbers.error().find("FIRST 7 is after LAST 3"), std::string::npos);
    Args groups({"Б", "5", "6", "Ж"});
    EXPECT_EQ(groups.TaxGroup(0), 1);
    EXPECT_EQ(groups.TaxGroup(1), 5);
    EXPECT_TRUE(groups.ok());
    groups.TaxGroup(2);
    EXPECT_NE(groups.error().find("expected a tax group"), std::string::npos);
}

} // namespace
