#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "kasemu/Codec.h"

namespace kasemu {
namespace {

using test::hex;
using Kind = wire::FrameDecoder::Kind;

std::vector<wire::FrameDecoder::Event> decodeAll(const Bytes& bytes) {
    wire::FrameDecoder d;
    std::vector<wire::FrameDecoder::Event> events;
    for (const auto b : bytes) {
        auto e = d.push(b);
        if (e.kind != Kind::None) {
            events.push_back(std::move(e));
        }
    }
    return events;
}

Bytes commandFrame(std::uint8_t seq, const Bytes& command) {
    Bytes payload;
    payload.push_back(seq);
    for (const auto b : command) {
        payload.push_back(b);
    }
    return wire::encodeFrame(payload);
}

TEST(Codec, ChecksumMakesTheBytesAddUpToZero) {
    EXPECT_EQ(wire::checksum(hex("01 00")), 0xFF);
    EXPECT_EQ(wire::checksum(hex("10 0E")), 0xE2);
    EXPECT_EQ(wire::checksum(hex("E1 0F")), 0x10);
    EXPECT_EQ(wire::checksum({}), 0x00);
}

TEST(Codec, EncodesTheStatusAndDateRequests) {
    EXPECT_EQ(hex(commandFrame(0x01, hex("00"))), "10 02 01 00 FF 10 03");
    EXPECT_EQ(hex(commandFrame(0x02, hex("01"))), "10 02 02 01 FD 10 03");
}

TEST(Codec, DoublesADleSequenceByte) {
    EXPECT_EQ(hex(commandFrame(0x10, hex("0E"))), "10 02 10 10 0E E2 10 03");
}

TEST(Codec, DoublesADleChecksumGivingThreeDlesBeforeEtx) {
    EXPECT_EQ(hex(commandFrame(0xE1, hex("0F"))), "10 02 E1 0F 10 10 10 03");
}

TEST(Codec, BuildsTheAnswerWithEchoedHeader) {
    wire::AnswerHeader h;
    h.sequence = 0x01;
    h.command = 0x0E;
    Bytes answer{wire::ACK};
    const Bytes frame = wire::encodeFrame(wire::answerPayload(h, {}));
    answer.insert(answer.end(), frame.begin(), frame.end());
    EXPECT_EQ(hex(answer), "06 10 02 01 0E 00 00 00 F1 10 03");
}

TEST(Codec, AnswerCarriesStatusResultExtAndData) {
    wire::AnswerHeader h{0x05, 0x30, 0x02, 0x15, 0x01};
    EXPECT_EQ(hex(wire::answerPayload(h, hex("40"))), "05 30 02 15 01 40");
}

TEST(Codec, ImposedChecksumIsSentInstead) {
    EXPECT_EQ(hex(wire::encodeFrame(hex("01 00"), std::uint8_t{0x10})), "10 02 01 00 10 10 10 03");
}

TEST(Codec, DecodesTheSetDateFrame) {
    const auto events = decodeAll(hex("10 02 05 02 07 12 26 BA 10 03"));
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].kind, Kind::Frame);
    EXPECT_EQ(events[0].frame.sequence, 0x05);
    EXPECT_EQ(events[0].frame.command, 0x02);
    EXPECT_EQ(hex(events[0].frame.data), "07 12 26");
}

TEST(Codec, DecodesADoubledCommandByte) {
    const auto events = decodeAll(hex("10 02 06 10 10 10 10 27 00 00 B3 10 03"));
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].kind, Kind::Frame);
    EXPECT_EQ(events[0].frame.sequence, 0x06);
    EXPECT_EQ(events[0].frame.command, 0x10);
    EXPECT_EQ(hex(events[0].frame.data), "10 27 00 00");
}

TEST(Codec, DecodesTheSaleFrame) {
    const auto events = decodeAll(
        hex("10 02 03 12 0F 00 00 01 D2 04 00 00 80 04 95 AB A5 A1 7B 00 00 00 00 00 80 10 03"));
    ASSERT_EQ(events.size(), 1u);
    ASSERT_EQ(events[0].kind, Kind::Frame);
    EXPECT_EQ(events[0].frame.command, 0x12);
    EXPECT_EQ(hex(events[0].frame.data),
              "0F 00 00 01 D2 04 00 00 80 04 95 AB A5 A1 7B 00 00 00 00 00");
}

TEST(Codec, DecodesDleChecksumAndDleSequence) {
    auto events = decodeAll(hex("10 02 E1 0F 10 10 10 03"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::Frame);
    EXPECT_EQ(events[0].frame.command, 0x0F);
    events = decodeAll(hex("10 02 10 10 0E E2 10 03"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].frame.sequence, 0x10);
}

TEST(Codec, RoundTripsRunsOfDlesInData) {
    for (int run = 1; run <= 9; ++run) {
        Bytes data(static_cast<std::size_t>(run), wire::DLE);
        data.push_back(0x03);
        data.push_back(wire::DLE);
        Bytes cmd(data.size() + 1, 0x28);
        std::copy(data.begin(), data.end(), cmd.begin() + 1);
        const auto events = decodeAll(commandFrame(0x21, cmd));
        ASSERT_EQ(events.size(), 1u) << run;
        ASSERT_EQ(events[0].kind, Kind::Frame) << run;
        EXPECT_EQ(events[0].frame.data, data) << run;
    }
}

TEST(Codec, ReportsABadChecksum) {
    const auto events = decodeAll(hex("10 02 01 00 FE 10 03"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::BadChecksum);
    EXPECT_EQ(hex(events[0].frame.raw), "10 02 01 00 FE 10 03");
}

TEST(Codec, SkipsNoiseBeforeAFrame) {
    wire::FrameDecoder d;
    std::vector<wire::FrameDecoder::Event> events;
    for (const auto b : hex("FF 03 10 41 16 10 02 01 00 FF 10 03")) {
        auto e = d.push(b);
        if (e.kind != Kind::None) {
            events.push_back(e);
        }
    }
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::Frame);
    EXPECT_EQ(d.skippedBytes(), 5u);
}

TEST(Codec, ANewFrameStartInsideAFrameLosesTheOldOne) {
    const auto events = decodeAll(hex("10 02 01 00 10 02 02 01 FD 10 03"));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Kind::Malformed);
    EXPECT_EQ(events[1].kind, Kind::Frame);
    EXPECT_EQ(events[1].frame.command, 0x01);
}

TEST(Codec, ATooShortFrameIsMalformed) {
    const auto events = decodeAll(hex("10 02 00 10 03"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::Malformed);
}

TEST(Codec, DleFollowedByAnOrdinaryByteBreaksTheFrame) {
    const auto events = decodeAll(hex("10 02 01 10 41 10 02 01 00 FF 10 03"));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, Kind::Malformed);
    EXPECT_EQ(events[1].kind, Kind::Frame);
}

TEST(Codec, RawBlockChecksum) {
    wire::RawBlockCollector c(3);
    EXPECT_FALSE(c.push(0x01));
    EXPECT_FALSE(c.push(0x02));
    EXPECT_FALSE(c.push(0x03));
    EXPECT_TRUE(c.push(0xFA));
    EXPECT_TRUE(c.checksumOk());
    EXPECT_EQ(hex(c.data()), "01 02 03");

    c.expect(3);
    for (const auto b : hex("01 02 03 FB")) {
        c.push(b);
    }
    EXPECT_TRUE(c.complete());
    EXPECT_FALSE(c.checksumOk());
}

TEST(Codec, BytesOfValueSynAreFrameDataBothWays) {
    // An answer of sequence 22, and one whose checksum is 0x16 (0xBD + 0x2D = 0xEA), keep
    // those bytes as they are.
    const Bytes seq22 = wire::encodeFrame(wire::answerPayload({0x16, 0x2D, 0, 0, 0}, {}));
    EXPECT_EQ(hex(seq22), "10 02 16 2D 00 00 00 BD 10 03");
    const Bytes sum22 = wire::encodeFrame(wire::answerPayload({0xBD, 0x2D, 0, 0, 0}, {}));
    EXPECT_EQ(hex(sum22), "10 02 BD 2D 00 00 00 16 10 03");

    // A command frame with 0x16 anywhere decodes whole, whatever the sequence.
    for (int seq = 0; seq < 256; ++seq) {
        SCOPED_TRACE(seq);
        const Bytes f = wire::encodeFrame(Bytes{static_cast<std::uint8_t>(seq), 0x16, 0x16, 0x10});
        wire::FrameDecoder decoder;
        wire::FrameDecoder::Event event;
        for (const std::uint8_t b : f) {
            event = decoder.push(b);
        }
        ASSERT_EQ(event.kind, wire::FrameDecoder::Kind::Frame);
        EXPECT_EQ(event.frame.sequence, seq);
        EXPECT_EQ(event.frame.command, 0x16);
        EXPECT_EQ(hex(event.frame.data), "16 10");
    }
}

} // namespace
} // namespace kasemu
