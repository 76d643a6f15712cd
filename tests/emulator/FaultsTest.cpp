#include <gtest/gtest.h>

#include "kasemu/Faults.h"

namespace kasemu {
namespace {

TEST(Faults, ParsesNamesArgumentsAndCounts) {
    auto f = parseFault("drop*2");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, FaultKind::Drop);
    EXPECT_EQ(f->count, 2);

    f = parseFault("delay:2500");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, FaultKind::Delay);
    EXPECT_EQ(f->value, 2500);
    EXPECT_EQ(f->count, 1);

    f = parseFault("status:0x20");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, FaultKind::ForceStatus);
    EXPECT_EQ(f->value, 0x20);

    f = parseFault("syn-storm:4:800*3");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->value, 4);
    EXPECT_EQ(f->value2, 800);
    EXPECT_EQ(f->count, 3);

    f = parseFault("length:-2");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->value, -2);

    f = parseFault("garbage");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->value, 3);
}

TEST(Faults, RefusesUnknownOrMalformedTexts) {
    EXPECT_FALSE(parseFault("explode"));
    EXPECT_FALSE(parseFault("delay"));
    EXPECT_FALSE(parseFault("status:256"));
    EXPECT_FALSE(parseFault("drop*0"));
    EXPECT_FALSE(parseFault("nak:3"));
    EXPECT_FALSE(parseFault("delay:abc"));
}

TEST(Faults, EveryKindHasAName) {
    for (const auto* name : {"ignore", "drop", "bad-checksum", "nak", "garbage", "syn-before-ack",
                             "ack-enq", "nine-dles", "cut"}) {
        const auto f = parseFault(name);
        ASSERT_TRUE(f) << name;
        EXPECT_EQ(faultName(f->kind), name);
    }
}

TEST(Faults, ACountedFaultActsOnThatManyAnswers) {
    FaultQueue q;
    q.arm(*parseFault("drop*2"));
    q.arm(*parseFault("result:21"));
    auto a = q.takeForAnswer();
    EXPECT_TRUE(a.drop);
    ASSERT_TRUE(a.result);
    EXPECT_EQ(*a.result, 21);
    a = q.takeForAnswer();
    EXPECT_TRUE(a.drop);
    EXPECT_FALSE(a.result);
    a = q.takeForAnswer();
    EXPECT_FALSE(a.any());
    EXPECT_EQ(q.armed(), 0u);
}

TEST(Faults, ClearDisarmsEverything) {
    FaultQueue q;
    q.arm(*parseFault("nak*5"));
    q.clear();
    EXPECT_FALSE(q.takeForAnswer().any());
}

TEST(Faults, AimedTextsNameTheirCommand) {
    const struct {
        const char* text;
        std::optional<std::uint8_t> command;
        int count;
    } cases[] = {
        {"result:3@0x2A", 0x2A, 1},
        {"drop@43*2", 43, 2},
        {"nak@0", 0, 1},
        {"drop", std::nullopt, 1},
    };
    for (const auto& c : cases) {
        const auto f = parseFault(c.text);
        ASSERT_TRUE(f) << c.text;
        EXPECT_EQ(f->command, c.command) << c.text;
        EXPECT_EQ(f->count, c.count) << c.text;
    }
    EXPECT_FALSE(parseFault("drop@"));
    EXPECT_FALSE(parseFault("drop@256"));
    EXPECT_FALSE(parseFault("drop@x*2"));
    EXPECT_FALSE(parseFault("drop@0x1C+"));
    EXPECT_FALSE(parseFault("drop@0x1C+-1"));
    EXPECT_EQ(parseFault("drop@0x1C+3*2")->skip, 3);
}

TEST(Faults, AnAimedFaultWaitsForItsCommandAndSkipsTheOthers) {
    FaultQueue q;
    q.arm(*parseFault("result:21@0x2B*2"));
    EXPECT_FALSE(q.takeForAnswer(0x2A).any());
    EXPECT_FALSE(q.takeForAnswer().any()); // a raw block has no command
    auto a = q.takeForAnswer(0x2B);
    ASSERT_TRUE(a.result);
    EXPECT_EQ(*a.result, 21);
    EXPECT_FALSE(q.takeForAnswer(0x00).any());
    EXPECT_TRUE(q.takeForAnswer(0x2B).result);
    EXPECT_EQ(q.armed(), 0u);
}

TEST(Faults, AnAimedFaultLetsItsSkippedAnswersPass) {
    FaultQueue q;
    q.arm(*parseFault("nak@0x1C+2"));
    EXPECT_FALSE(q.takeForAnswer(0x1C).any());
    EXPECT_FALSE(q.takeForAnswer(0x00).any()); // other commands do not count
    EXPECT_FALSE(q.takeForAnswer(0x1C).any());
    EXPECT_TRUE(q.takeForAnswer(0x1C).nak);
    EXPECT_FALSE(q.takeForAnswer(0x1C).any());
}

} // namespace
} // namespace kasemu
