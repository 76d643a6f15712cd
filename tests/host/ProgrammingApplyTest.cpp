// The programming document applied to the emulator and read back: what apply
// reports of each change, and the passwords, changed and shown only for the
// programming password.
#include "DeviceFolder.h"
#include "kasdrv.h"
#include "kasemu/Emulator.h"
#include "kashost/Programming.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Outcome = kashost::AppliedChange::Outcome;
using Stage = kashost::ApplyResult::Failure::Stage;

TEST(ProgrammingApply, EachChangeSaysWhatBecameOfItAndPasswordsAskTheProgrammingPassword) {
    struct Row {
        const char* what;
        kashost::ApplyOptions options;
        std::optional<Stage> failure;
        Outcome article;
        Outcome password;
        std::size_t made;
    };
    const Row rows[] = {
        {"passwords with another password",
         {9, true},
         Stage::Refused,
         Outcome::NotSent,
         Outcome::NotSent,
         0},
        {"the register refuses the article",
         {9, false},
         Stage::Programming,
         Outcome::Failed,
         Outcome::NotSent,
         0},
        {"passwords compared only",
         {0, false},
         std::nullopt,
         Outcome::Programmed,
         Outcome::LeftAlone,
         1},
        {"passwords programmed",
         {0, true},
         std::nullopt,
         Outcome::Programmed,
         Outcome::Programmed,
         3},
    };
    kashost::ProgrammingDocument wanted;
    wanted.articles = {{5, "Хліб", 2000, 0, 0}};
    wanted.passwords = std::array<std::uint16_t, 10>{0, 11, 0, 0, 0, 0, 0, 0, 0, 99};

    kastest::DeviceFolder devices;
    ASSERT_TRUE(devices.made());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        kasemu::EmulatorOptions o;
        o.linesPerSecond = 0;
        o.linkPath = devices.path() + "/com1";
        o.clock = std::make_shared<kasemu::ManualClock>(kasemu::CivilTime{2026, 12, 7, 10, 0, 0});
        kasemu::Emulator emulator(std::move(o)); // a fresh register for every row
        ASSERT_EQ(FPInit(1, 9600, 1, 1), -1);
        const kashost::ApplyResult r = kashost::applyProgramming(wanted, row.options);
        // Read as export reads it: the passwords only for the programming password (still 0).
        kashost::ReadOptions read{1, 5, true, 7};
        const auto hidden = kashost::readProgramming(read);
        read.programmingPassword = 0;
        const auto shown = kashost::readProgramming(read);
        FPClose();

        ASSERT_TRUE(hidden && shown);
        EXPECT_FALSE(hidden->passwords);
        EXPECT_TRUE(shown->passwords);
        EXPECT_EQ(shown->articles.size(), row.article == Outcome::Programmed ? 1u : 0u);

        ASSERT_TRUE(r.before);
        ASSERT_EQ(r.changes.size(), 3u); // the article, cashier 1's and the reports password
        EXPECT_EQ(r.changes[0].difference.now, "none");
        EXPECT_EQ(r.changes[0].outcome, row.article);
        EXPECT_EQ(r.changes[2].outcome, row.password);
        EXPECT_EQ(r.made, row.made);
        EXPECT_EQ(r.failure ? std::optional(r.failure->stage) : std::nullopt, row.failure);
        if (row.failure == Stage::Programming) {
            EXPECT_EQ(r.failure->part, "article 5");
            EXPECT_NE(r.failure->error.result, 0);
        }
        if (row.failure) {
            EXPECT_FALSE(r.after);
            continue;
        }
        EXPECT_TRUE(r.ok());
        // The register keeps "і" as the Latin "i": read back is what it holds.
        EXPECT_EQ(r.changes[0].readBack, "\"Хлiб\" 20.00 А decimals 0");
        EXPECT_EQ(r.changes[2].readBack, row.options.passwords ? "99" : "0");
        EXPECT_EQ(r.after->passwords == wanted.passwords, row.options.passwords);
    }
}

} // namespace
