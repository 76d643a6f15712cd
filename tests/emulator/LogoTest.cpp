// The logo: the header command and its raw blocks at the level of the model and of the link,
// answers free of SYN bytes, printing on receipts, and the image written out.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "kasemu/Link.h"
#include "model/CommandContext.h"
#include "model/LogoImage.h"

namespace kasemu {
namespace {

using namespace std::chrono_literals;
using namespace test;

Bytes logoHeader(std::uint16_t width, std::uint16_t height, std::uint8_t on = 1,
                 std::uint16_t password = 0) {
    Bytes d = le(password, 2);
    d.push_back(on);
    for (const auto b : le(width, 2)) {
        d.push_back(b);
    }
    for (const auto b : le(height, 2)) {
        d.push_back(b);
    }
    return d;
}

// Image bytes of many different values.
Bytes pattern(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    return b;
}

class LogoModel : public ::testing::Test, public ModelFixture {
  protected:
    // Sends the image in blocks of 64 and returns the outcome of the last.
    Outcome sendBlocks(const Bytes& image) {
        Outcome last;
        for (std::size_t at = 0; at < image.size(); at += 64) {
            const std::size_t n = std::min<std::size_t>(64, image.size() - at);
            last = model.executeRawBlock(std::span<const std::uint8_t>(image).subspan(at, n));
            EXPECT_EQ(last.result, 0);
        }
        return last;
    }
};

TEST_F(LogoModel, HeaderAnnouncesTheBlocksAndTheLastCompletesTheLogo) {
    auto out = run(0x2D, logoHeader(384, 100));
    ASSERT_EQ(out.result, 0);
    ASSERT_TRUE(out.raw);
    EXPECT_EQ(out.raw->totalBytes, 4800u); // 75 blocks of 64
    EXPECT_EQ(out.raw->blockSize, 64u);
    const Bytes image = pattern(4800);
    const Bytes firstPart(image.begin(), image.begin() + 4736);
    sendBlocks(firstPart);
    EXPECT_FALSE(st().logo.loaded());
    out = model.executeRawBlock(std::span<const std::uint8_t>(image).subspan(4736));
    EXPECT_TRUE(out.logoLoaded);
    EXPECT_TRUE(out.rawComplete);
    EXPECT_FALSE(model.rawTransferActive());
    EXPECT_TRUE(out.changed);
    ASSERT_TRUE(st().logo.loaded());
    EXPECT_EQ(st().logo.width, 384);
    EXPECT_EQ(st().logo.height, 100);
    EXPECT_EQ(st().logo.rows, image);
    EXPECT_TRUE(st().programming.logoEnabled);
}

TEST_F(LogoModel, OneBlockLogo) {
    ASSERT_EQ(run(0x2D, logoHeader(16, 1)).raw->totalBytes, 2u);
    const auto out = model.executeRawBlock(hex("F0 0F"));
    EXPECT_TRUE(out.logoLoaded);
    EXPECT_EQ(hex(st().logo.rows), "F0 0F");
}

TEST_F(LogoModel, SizeAndPasswordRefusals) {
    EXPECT_EQ(run(0x2D, logoHeader(16, 1, 1, 3)).result, result::BadPassword);
    EXPECT_EQ(run(0x2D, logoHeader(12, 1)).result, result::LogoError);
    EXPECT_EQ(run(0x2D, logoHeader(0, 5)).result, result::LogoError);
    EXPECT_EQ(run(0x2D, logoHeader(456, 1)).result, result::LogoError); // RX-410F: 448
    EXPECT_EQ(run(0x2D, logoHeader(448, 1051)).result, result::LogoError);
    EXPECT_EQ(run(0x2D, logoHeader(448, 1050)).result, 0);
    EXPECT_EQ(run(0x2D, logoHeader(16, 1, 0)).status, status::NotExecuted);
    EXPECT_EQ(run(0x2D, logoHeader(16, 1, 2)).status, status::NotExecuted);
    EXPECT_EQ(run(0x2D, hex("00 00 01 00 00 00")).status, status::NotExecuted);

    ManualClock c{startTime()};
    Model rx520(factoryState(ModelKind::Rx520l), c, ModelConfig{0.0, 36});
    EXPECT_EQ(rx520.execute(0x2D, logoHeader(360, 10)).result, result::LogoError); // 352
    EXPECT_EQ(rx520.execute(0x2D, logoHeader(352, 313)).result, result::LogoError);
    EXPECT_EQ(rx520.execute(0x2D, logoHeader(352, 312)).result, 0);
}

TEST_F(LogoModel, PrintedAtTheTopOfReceiptsWhileEnabled) {
    ASSERT_EQ(run(0x2D, logoHeader(16, 4)).result, 0);
    // A bar across the top two rows, a dot at the left of the bottom row.
    sendBlocks(hex("FF FF FF FF 00 00 80 00"));
    ASSERT_TRUE(st().logo.loaded());
    auto out = run(0x12, itemData(1, 0, 100, 0, "x"));
    ASSERT_EQ(out.result, 0);
    ASSERT_GE(out.printed.size(), 2u);
    EXPECT_EQ(out.printed[0], std::string(10, ' ') + "████████████████");
    EXPECT_EQ(out.printed[1], std::string(10, ' ') + "▄");
    run(0x14, paymentData(3, 0, true));

    ASSERT_EQ(run(0x2D, logoHeader(0, 0, 0)).result, 0);
    EXPECT_FALSE(st().programming.logoEnabled);
    out = run(0x12, itemData(1, 0, 100, 0, "x"));
    EXPECT_FALSE(printed(out.printed, "█"));
    run(0x14, paymentData(3, 0, true));
    ASSERT_EQ(run(0x2D, logoHeader(0, 0, 1)).result, 0);
    EXPECT_TRUE(st().programming.logoEnabled);
    EXPECT_TRUE(printed(run(0x12, itemData(1, 0, 100, 0, "x")).printed, "█"));
}

TEST(LogoImage, WideLogosAreScaledToTheTape) {
    Logo logo;
    logo.width = 384;
    logo.height = 100;
    logo.rows.assign(4800, 0xFF);
    const auto rows = logoTapeRows(logo, 36);
    // 11 dots a character: 35 columns, 10 cells high drawn two to a line.
    ASSERT_EQ(rows.size(), 5u);
    for (const auto& r : rows) {
        EXPECT_EQ(utf8Length(r), 35u);
    }
    EXPECT_TRUE(logoTapeRows(Logo{}, 36).empty());
}

TEST(LogoImage, PbmHeaderThenTheRows) {
    Logo logo;
    logo.width = 16;
    logo.height = 2;
    logo.rows = hex("01 02 03 04");
    EXPECT_EQ(logoPbm(logo), std::string("P4\n16 2\n\x01\x02\x03\x04", 12));
}

// The link: ACK ENQ for raw blocks, and the header's answer never holds a SYN.
class LogoLink : public ::testing::Test {
  protected:
    Bytes frame(std::uint8_t seq, const Bytes& command) {
        Bytes payload{seq};
        payload.insert(payload.end(), command.begin(), command.end());
        return wire::encodeFrame(payload);
    }
    Bytes exchange(const Bytes& in) {
        port.clearWritten();
        port.feed(in);
        link.poll(0ms);
        return port.written();
    }
    static Bytes rawBlock(const Bytes& data) {
        Bytes b = data;
        b.push_back(wire::checksum(data));
        return b;
    }
    static Bytes header(std::uint16_t w, std::uint16_t h) {
        Bytes c{0x2D};
        for (const auto b : logoHeader(w, h)) {
            c.push_back(b);
        }
        return c;
    }

    ManualClock clock{startTime()};
    Model model{factoryState(ModelKind::Rx410f), clock, ModelConfig{0.0, 36}};
    std::mutex mutex;
    FaultQueue faults;
    FakePort port;
    Link link{port, model, mutex, faults, LinkConfig{}};
};

TEST_F(LogoLink, TheHeaderAnswerEchoesEverySequence) {
    for (int seq = 1; seq <= 255; ++seq) {
        SCOPED_TRACE(seq);
        const Bytes out = exchange(frame(static_cast<std::uint8_t>(seq), header(16, 1)));
        ASSERT_GE(out.size(), 10u);
        EXPECT_EQ(out[0], wire::ACK);
        // A valid frame with the sequence echoed, a SYN value (22) or a checksum 0x16
        // included, and the status, result and extended status bytes untouched.
        wire::FrameDecoder decoder;
        wire::FrameDecoder::Event event;
        for (std::size_t i = 1; i < out.size(); ++i) {
            event = decoder.push(out[i]);
        }
        ASSERT_EQ(event.kind, wire::FrameDecoder::Kind::Frame);
        ASSERT_EQ(event.frame.data.size(), 3u);
        EXPECT_EQ(event.frame.sequence, seq);
        EXPECT_EQ(event.frame.command, 0x2D);
        EXPECT_EQ(hex(event.frame.data), "00 00 00");
        // Finish the transfer: a two-byte block, answered with ACK ENQ.
        EXPECT_EQ(hex(exchange(rawBlock(hex("16 16")))), "06 05");
    }
    EXPECT_EQ(model.state().logo.rows, hex("16 16"));
}

TEST_F(LogoLink, SequenceTwentyTwoIsEchoedLikeAnyOther) {
    const Bytes out = exchange(frame(0x16, header(8, 1)));
    ASSERT_EQ(out.size(), 11u);
    EXPECT_EQ(out[3], 0x16);
    EXPECT_EQ(out[4], 0x2D);
    exchange(rawBlock(hex("AA")));
    EXPECT_EQ(exchange(frame(0x16, hex("01")))[3], 0x16);
}

TEST_F(LogoLink, ARefusedBlockGetsAFrame) {
    exchange(frame(0x15, header(8, 3)));
    model.setRawHandler(
        [](CommandContext& c, std::span<const std::uint8_t>) { c.refuse(result::LogoError); });
    const Bytes out = exchange(rawBlock(hex("01 02 03")));
    ASSERT_GE(out.size(), 10u);
    EXPECT_EQ(out[6], result::LogoError);
    // The block counts as the next sequence, 22 here, and its answer carries it.
    EXPECT_EQ(out[3], 0x16);
    EXPECT_FALSE(model.rawTransferActive());
}

TEST(AnswerHeader, EveryAnswerEchoesTheCommandsSequence) {
    ManualClock clock{startTime()};
    Model model{factoryState(ModelKind::Rx410f), clock, ModelConfig{0.0, 36}};
    std::mutex mutex;
    FaultQueue faults;
    FakePort port;
    Link link{port, model, mutex, faults, LinkConfig{}};
    for (int seq = 1; seq <= 255; ++seq) {
        SCOPED_TRACE(seq);
        port.clearWritten();
        port.feed(wire::encodeFrame(Bytes{static_cast<std::uint8_t>(seq), 0x01}));
        link.poll(0ms);
        const Bytes out = port.written();
        ASSERT_GE(out.size(), 13u);
        wire::FrameDecoder decoder;
        wire::FrameDecoder::Event event;
        for (std::size_t i = 1; i < out.size(); ++i) {
            event = decoder.push(out[i]);
        }
        ASSERT_EQ(event.kind, wire::FrameDecoder::Kind::Frame);
        EXPECT_EQ(event.frame.sequence, seq);
        EXPECT_EQ(event.frame.command, 0x01);
    }
}

TEST_F(LogoLink, ACommandFrameInPlaceOfABlockEndsTheTransfer) {
    exchange(frame(3, header(16, 10))); // 20 bytes announced
    // The host gave up and asks for the date: after a pause the frame is taken as one.
    EXPECT_TRUE(exchange(frame(4, hex("01"))).empty());
    port.advance(600ms);
    const Bytes out = exchange({});
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(out[0], wire::ACK);
    EXPECT_EQ(hex(Bytes(out.begin() + 3, out.begin() + 5)), "04 01");
    EXPECT_FALSE(model.rawTransferActive());
    EXPECT_FALSE(model.state().logo.loaded());
}

} // namespace
} // namespace kasemu
