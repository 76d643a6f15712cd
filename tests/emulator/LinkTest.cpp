#include <gtest/gtest.h>

#include "TestSupport.h"
#include "kasemu/Link.h"
#include "model/CommandContext.h"

namespace kasemu {
namespace {

using namespace std::chrono_literals;
using test::hex;

Bytes frame(std::uint8_t seq, const Bytes& command) {
    Bytes payload;
    payload.push_back(seq);
    for (const auto b : command) {
        payload.push_back(b);
    }
    return wire::encodeFrame(payload);
}

class LinkTest : public ::testing::Test {
  protected:
    LinkTest() {
        // 0x77 n: prints n lines.  0x78 n: n bytes of raw blocks follow.
        model.addCommand(0x77, [](CommandContext& ctx) {
            const int n = ctx.in.u8();
            for (int i = 0; i < n; ++i) {
                ctx.print("line " + std::to_string(i));
            }
        });
        model.addCommand(0x78, [this](CommandContext& ctx) {
            ctx.out.raw = RawTransfer{ctx.in.u8(), 4};
            ctx.model.setRawHandler([this](CommandContext& c, std::span<const std::uint8_t> b) {
                rawBlocks.emplace_back(b.begin(), b.end());
                if (!b.empty() && b[0] == 0xEE) {
                    c.refuse(result::LogoError);
                }
            });
        });
    }

    Bytes exchange(const Bytes& in) {
        port.clearWritten();
        port.feed(in);
        link.poll(0ms);
        return port.written();
    }

    ManualClock clock{test::startTime()};
    Model model{factoryState(ModelKind::Rx410f), clock, ModelConfig{20.0, 36}};
    std::mutex mutex;
    FaultQueue faults;
    test::FakePort port;
    LinkConfig config;
    Link link{port, model, mutex, faults, config};
    std::vector<Bytes> rawBlocks;
};

TEST_F(LinkTest, AnswersAckThenTheFrameEchoingSequenceAndCommand) {
    EXPECT_EQ(hex(exchange(hex("10 02 02 01 FD 10 03"))),
              "06 10 02 02 01 00 00 00 07 12 26 BE 10 03");
    const auto c = link.counters();
    EXPECT_EQ(c.bytesReceived, 7u);
    EXPECT_EQ(c.framesReceived, 1u);
    EXPECT_EQ(c.answersSent, 1u);
}

TEST_F(LinkTest, AFrameSplitOverManyReadsIsOneCommand) {
    for (const auto b : hex("10 02 10 10 00 F0 10 03")) {
        port.feed(Bytes{b});
    }
    for (int i = 0; i < 8; ++i) {
        link.poll(0ms);
    }
    const Bytes out = port.written();
    ASSERT_GE(out.size(), 5u);
    EXPECT_EQ(hex(Bytes(out.begin(), out.begin() + 5)), "06 10 02 10 10"); // sequence 0x10 doubled
    EXPECT_EQ(link.counters().framesReceived, 1u);
}

TEST_F(LinkTest, NakForABadChecksumAndNothingExecuted) {
    EXPECT_EQ(hex(exchange(hex("10 02 05 04 12 00 00 00 10 03"))), "15");
    EXPECT_EQ(link.counters().badFrames, 1u);
    EXPECT_EQ(link.counters().framesReceived, 0u);
    EXPECT_EQ(hex(exchange(hex("10 02 06 03 F7 10 03"))),
              "06 10 02 06 03 00 00 00 10 10 00 00 E7 10 03");
}

TEST_F(LinkTest, NoiseAroundFramesIsIgnored) {
    const Bytes out = exchange(hex("00 FF 16 10 02 01 00 FF 10 03 55"));
    EXPECT_EQ(out.front(), wire::ACK);
    EXPECT_EQ(link.counters().framesReceived, 1u);
    EXPECT_EQ(link.counters().bytesReceived, 11u);
}

TEST_F(LinkTest, SendsSynAboutOnceASecondWhilePrinting) {
    // 50 lines at 20 lines a second keep the printer busy 2.5 s: two SYNs, then the answer.
    const auto start = port.now();
    const Bytes out = exchange(frame(1, hex("77 32")));
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[0], wire::ACK);
    EXPECT_EQ(out[1], wire::SYN);
    EXPECT_EQ(out[2], wire::SYN);
    EXPECT_EQ(out[3], wire::DLE);
    const auto& w = port.writes();
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[1].at - start, 1s);
    EXPECT_EQ(w[2].at - start, 2s);
    EXPECT_EQ(w[3].at - start, 2500ms);
    EXPECT_EQ(link.counters().synSent, 2u);
}

TEST_F(LinkTest, AShortPrintNeedsNoSyn) {
    const Bytes out = exchange(frame(1, hex("77 05")));
    EXPECT_EQ(out[0], wire::ACK);
    EXPECT_EQ(out[1], wire::DLE);
}

TEST_F(LinkTest, LineSpeedChangesAfterTheAnswer) {
    EXPECT_EQ(link.baud(), 9600);
    const Bytes out = exchange(hex("10 02 01 26 00 D9 10 03"));
    EXPECT_EQ(out[0], wire::ACK);
    EXPECT_EQ(link.baud(), 9600);
    exchange(frame(2, hex("26 02")));
    EXPECT_EQ(link.baud(), 38400);
}

TEST_F(LinkTest, RawBlocksAfterTheModelAsksForThem) {
    exchange(frame(7, hex("78 06")));
    // A block of four, then the rest of two; each with its checksum and no framing, each
    // answered with ACK ENQ alone.
    Bytes out = exchange(hex("01 02 03 04 F6"));
    EXPECT_EQ(hex(out), "06 05");
    EXPECT_TRUE(model.rawTransferActive());
    out = exchange(hex("10 03 ED"));
    EXPECT_EQ(hex(out), "06 05");
    EXPECT_FALSE(model.rawTransferActive());
    ASSERT_EQ(rawBlocks.size(), 2u);
    EXPECT_EQ(hex(rawBlocks[0]), "01 02 03 04");
    EXPECT_EQ(hex(rawBlocks[1]), "10 03");
    EXPECT_EQ(link.counters().rawBlocks, 2u);
    // Framed commands again.
    EXPECT_EQ(exchange(hex("10 02 02 01 FD 10 03"))[0], wire::ACK);
    EXPECT_EQ(link.counters().framesReceived, 2u);
}

TEST_F(LinkTest, ARawBlockWithABadChecksumGetsNakAndMayBeSentAgain) {
    exchange(frame(7, hex("78 04")));
    EXPECT_EQ(hex(exchange(hex("01 02 03 04 00"))), "15");
    EXPECT_TRUE(rawBlocks.empty());
    EXPECT_EQ(exchange(hex("01 02 03 04 F6"))[0], wire::ACK);
    ASSERT_EQ(rawBlocks.size(), 1u);
}

TEST_F(LinkTest, AHalfRawBlockIsDroppedAfterAPause) {
    exchange(frame(7, hex("78 04")));
    EXPECT_TRUE(exchange(hex("01 02")).empty());
    port.advance(2s);
    EXPECT_EQ(exchange(hex("01 02 03 04 F6"))[0], wire::ACK);
    ASSERT_EQ(rawBlocks.size(), 1u);
    EXPECT_EQ(hex(rawBlocks[0]), "01 02 03 04");
}

TEST_F(LinkTest, ARefusedRawBlockEndsTheTransfer) {
    exchange(frame(7, hex("78 08")));
    const Bytes out = exchange(hex("EE 00 00 00 12"));
    ASSERT_GE(out.size(), 7u);
    EXPECT_EQ(out[6], result::LogoError);
    EXPECT_FALSE(model.rawTransferActive());
    EXPECT_EQ(exchange(hex("10 02 02 01 FD 10 03"))[0], wire::ACK);
}

// Faults.

TEST_F(LinkTest, IgnoreLosesTheFrame) {
    faults.arm(*parseFault("ignore"));
    EXPECT_TRUE(exchange(hex("10 02 01 26 00 D9 10 03")).empty());
    EXPECT_EQ(link.baud(), 9600);
    EXPECT_EQ(model.state().lineSpeedIndex, 0);
    EXPECT_EQ(link.counters().framesReceived, 1u);
}

TEST_F(LinkTest, DropExecutesButSendsNothingForNAnswers) {
    faults.arm(*parseFault("drop*2"));
    EXPECT_TRUE(exchange(frame(1, hex("26 01"))).empty());
    EXPECT_EQ(link.baud(), 19200);
    EXPECT_TRUE(exchange(frame(2, hex("00"))).empty());
    EXPECT_EQ(exchange(frame(3, hex("00")))[0], wire::ACK);
}

TEST_F(LinkTest, NakFault) {
    faults.arm(*parseFault("nak"));
    EXPECT_EQ(hex(exchange(frame(1, hex("26 01")))), "15");
    EXPECT_EQ(link.baud(), 9600);
}

TEST_F(LinkTest, BadChecksumFault) {
    faults.arm(*parseFault("bad-checksum"));
    const Bytes out = exchange(hex("10 02 02 01 FD 10 03"));
    EXPECT_EQ(hex(out), "06 10 02 02 01 00 00 00 07 12 26 E4 10 03");
}

TEST_F(LinkTest, GarbageAndSynBeforeTheAck) {
    faults.arm(*parseFault("garbage:2"));
    faults.arm(*parseFault("syn-before-ack"));
    const Bytes out = exchange(hex("10 02 02 01 FD 10 03"));
    EXPECT_EQ(hex(Bytes(out.begin(), out.begin() + 5)), "7E 81 16 06 10");
}

TEST_F(LinkTest, DelayHoldsTheWholeAnswerBack) {
    faults.arm(*parseFault("delay:2500"));
    const auto start = port.now();
    exchange(hex("10 02 02 01 FD 10 03"));
    ASSERT_FALSE(port.writes().empty());
    EXPECT_EQ(port.writes()[0].at - start, 2500ms);
    EXPECT_EQ(port.writes()[0].bytes[0], wire::ACK);
}

TEST_F(LinkTest, AckEnqAlone) {
    faults.arm(*parseFault("ack-enq"));
    EXPECT_EQ(hex(exchange(frame(1, hex("26 02")))), "06 05");
    EXPECT_EQ(link.baud(), 38400); // executed
}

TEST_F(LinkTest, ForcedStatusResultAndExt) {
    faults.arm(*parseFault("status:0x20"));
    faults.arm(*parseFault("result:0x10"));
    faults.arm(*parseFault("ext:2"));
    EXPECT_EQ(hex(exchange(hex("10 02 02 01 FD 10 03"))),
              "06 10 02 02 01 20 10 10 02 07 12 26 8C 10 03");
    // One-shot: the next answer is clean.
    EXPECT_EQ(hex(exchange(hex("10 02 02 01 FD 10 03"))),
              "06 10 02 02 01 00 00 00 07 12 26 BE 10 03");
}

TEST_F(LinkTest, SynStorm) {
    faults.arm(*parseFault("syn-storm:3:700"));
    const auto start = port.now();
    const Bytes out = exchange(hex("10 02 02 01 FD 10 03"));
    EXPECT_EQ(hex(Bytes(out.begin(), out.begin() + 5)), "06 16 16 16 10");
    ASSERT_GE(port.writes().size(), 4u);
    EXPECT_EQ(port.writes()[3].at - start, 2100ms);
}

TEST_F(LinkTest, CutAnswer) {
    faults.arm(*parseFault("cut:4"));
    EXPECT_EQ(hex(exchange(hex("10 02 02 01 FD 10 03"))), "06 10 02 02 01");
    faults.arm(*parseFault("cut"));
    EXPECT_EQ(hex(exchange(hex("10 02 02 01 FD 10 03"))), "06 10 02 02 01 00 00");
}

TEST_F(LinkTest, NineDlesBeforeEtx) {
    faults.arm(*parseFault("nine-dles"));
    EXPECT_EQ(hex(exchange(hex("10 02 02 01 FD 10 03"))),
              "06 10 02 02 01 00 00 00 07 12 26 BE 10 10 10 10 10 10 10 10 10 03");
}

TEST_F(LinkTest, WrongReplyLength) {
    faults.arm(*parseFault("length:-1"));
    EXPECT_EQ(hex(exchange(hex("10 02 02 01 FD 10 03"))), "06 10 02 02 01 00 00 00 07 12 E4 10 03");
    faults.arm(*parseFault("length:2"));
    EXPECT_EQ(hex(exchange(hex("10 02 02 01 FD 10 03"))),
              "06 10 02 02 01 00 00 00 07 12 26 00 00 BE 10 03");
}

// Line speed.

TEST(LinkPace, BytesTakeTheirWireTime) {
    ManualClock clock{test::startTime()};
    Model model{factoryState(ModelKind::Rx410f), clock, ModelConfig{0.0, 36}};
    std::mutex mutex;
    FaultQueue faults;
    test::FakePort port;
    LinkConfig config;
    config.pace = true;
    Link link{port, model, mutex, faults, config};
    const auto start = port.now();
    port.feed(hex("10 02 02 01 FD 10 03"));
    link.poll(0ms);
    // 7 bytes in and 14 out at 9600 baud, 10 bits a byte.
    const auto& w = port.writes();
    ASSERT_EQ(w.size(), 14u);
    EXPECT_EQ(w.front().at - start, 8 * 1041us);
    EXPECT_EQ(w.back().at - start, 21 * 1041us);
}

TEST(LinkPace, AHostAtTheWrongSpeedIsNoise) {
    ManualClock clock{test::startTime()};
    Model model{factoryState(ModelKind::Rx410f), clock};
    std::mutex mutex;
    FaultQueue faults;
    test::FakePort port;
    LinkConfig config;
    config.strictSpeed = true;
    Link link{port, model, mutex, faults, config};
    port.setHostBaud(19200);
    port.feed(hex("10 02 02 01 FD 10 03"));
    link.poll(0ms);
    EXPECT_TRUE(port.written().empty());
    EXPECT_EQ(link.counters().ignoredBytes, 7u);
    port.setHostBaud(9600);
    port.feed(hex("10 02 02 01 FD 10 03"));
    link.poll(0ms);
    EXPECT_EQ(port.written().front(), wire::ACK);
}

TEST(LinkTrace, EveryFrameWithDirection) {
    ManualClock clock{test::startTime()};
    Model model{factoryState(ModelKind::Rx410f), clock};
    std::mutex mutex;
    FaultQueue faults;
    test::FakePort port;
    LinkConfig config;
    config.trace = true;
    std::vector<std::string> lines;
    config.traceSink = [&lines](const std::string& l) { lines.push_back(l); };
    Link link{port, model, mutex, faults, config};
    port.feed(hex("10 02 02 01 FD 10 03"));
    link.poll(0ms);
    // Each frame's raw line, then its decoded fields indented beneath it.
    std::vector<std::string> decoded;
    std::erase_if(lines, [&decoded](const std::string& l) {
        const bool indented = l.starts_with("    ");
        if (indented) {
            decoded.push_back(l);
        }
        return indented;
    });
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_FALSE(decoded.empty());
    EXPECT_NE(lines[0].find("<- 10 02 02 01 FD 10 03"), std::string::npos);
    EXPECT_NE(lines[1].find("-> 06"), std::string::npos);
    EXPECT_NE(lines[2].find("-> 10 02 02 01 00 00 00 07 12 26 BE 10 03"), std::string::npos);
    EXPECT_EQ(lines[0][2], ':'); // hh:mm:ss.mmm
}

} // namespace
} // namespace kasemu
