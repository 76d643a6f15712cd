// The line decoder of the relay, the emulator's trace and detect, on bytes as they
// pass: frames cut out of a stream, commands and answers in words.
#include "kaswire/Decode.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(WireDecode, CommandsAreNamedWithTheirFields) {
    const struct {
        std::uint8_t command;
        Bytes data;
        const char* text;
    } cases[] = {
        // qty 1500 with 3 decimals, price -12.40, group В, name "Ok", code 48
        {0x12,
         {0xDC, 0x05, 0x00, 0x03, 0xD8, 0x04, 0x00, 0x80, 0x82, 0x02, 'O', 'k', 48, 0, 0, 0, 0, 0},
         "qty=1.500 price=-12.40 group=В name=\"Ok\" code=48"},
        {0x08,
         {0x01, 0x00, 0x00, 0x80, 0x64, 0x00, 0x00, 0x00, 0x80, 0xFF, 5, 0, 0, 0, 0, 0},
         "qty=1 price=1.00 group=А unit stored code=5"},
        {0x14, {0x03, 0x00, 0x00, 0x00, 0x80}, "form=cash amount=0.00 close"},
        {0x14, {0x40, 0x10, 0x27, 0x00, 0x00}, "form=card amount=100.00 copy"},
        {0x0B, {0x83, 0x8A, 0xA0, 0xA2}, "text=\"Кав\" flag"},
        {0x10, {0x39, 0x30, 0x00, 0x00}, "amount=123.45"},
        {0x23, {0x02, 0x05, 0x00, 0x00, 0x82, 0x00}, "discount on subtotal 5% text=\"\""},
        {0x02, {0x08, 0x12, 0x26}, "date=2026-12-08"},
        {0x28, {0xFF}, "end of text"},
        {0x00, {}, ""},
        {0x1D, {0x01, 0x10}, "data=01 10"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kaswire::CommandFields(c.command, c.data), c.text)
            << kaswire::CommandName(c.command);
    }
    EXPECT_EQ(kaswire::CommandName(0x12), "sale line");
    EXPECT_EQ(kaswire::CommandName(0x3F), "command 3F");
    EXPECT_EQ(kaswire::FromWireText(Bytes{0x84, 0xEF, 0xF2, 0xF4, 0xF6, 'N'}), "ДяЄЇЎN");
}

TEST(WireDecode, AnswersSayStatusResultAndReply) {
    const Bytes sale = {0x68, 0x01, 0x00, 0x80, 0x68, 0x01, 0x00, 0x00};
    EXPECT_EQ(kaswire::AnswerFields(0x12, 0, 0, 0, sale),
              "ok [status 00 result 00 ext 00] cost=-3.60 total=3.60");
    EXPECT_EQ(kaswire::AnswerFields(0x14, 0, 0, 0, Bytes{0x32, 0x00, 0x00, 0x80}),
              "ok [status 00 result 00 ext 00] change=0.50");
    EXPECT_EQ(kaswire::AnswerFields(0x14, 0, 0, 0, Bytes{0x32, 0x00, 0x00, 0x00}),
              "ok [status 00 result 00 ext 00] remainder=0.50");
    EXPECT_EQ(kaswire::AnswerFields(0x09, 0x82, 0, 1, {}),
              "paper, refused (not executed) [status 82 result 00 ext 01]");
    EXPECT_EQ(kaswire::AnswerFields(0x0F, 0, 16, 0, {}), "result 16 [status 00 result 10 ext 00]");
}

TEST(WireDecode, FramesAreCutOutOfTheStreamWhateverTheChunks) {
    // Annulment with sequence 0xE1: its checksum 0x10 is doubled before DLE ETX.
    const Bytes command = {0x10, 0x02, 0xE1, 0x0F, 0x10, 0x10, 0x10, 0x03};
    const Bytes answer = {0x06, 0x16, 0x10, 0x02, 0x01, 0x0E, 0x00, 0x00, 0x00, 0xF1, 0x10, 0x03};
    for (std::size_t chunk = 1; chunk <= answer.size(); ++chunk) {
        kaswire::ExchangeDecoder decoder;
        std::vector<std::string> lines;
        for (std::size_t at = 0; at < command.size(); at += chunk) {
            const auto part = std::span(command).subspan(at, std::min(chunk, command.size() - at));
            for (auto& l : decoder.FromHost(part)) {
                lines.push_back(l);
            }
        }
        for (std::size_t at = 0; at < answer.size(); at += chunk) {
            const auto part = std::span(answer).subspan(at, std::min(chunk, answer.size() - at));
            for (auto& l : decoder.FromRegister(part)) {
                lines.push_back(l);
            }
        }
        ASSERT_EQ(lines.size(), 3u) << chunk;
        EXPECT_NE(lines[0].find("host:     #225 annul receipt"), std::string::npos) << lines[0];
        EXPECT_EQ(lines[0].find("bad checksum"), std::string::npos) << lines[0];
        EXPECT_NE(lines[1].find("register: busy (SYN)"), std::string::npos) << lines[1];
        EXPECT_NE(lines[2].find("register: annul receipt: ok"), std::string::npos) << lines[2];
    }
    kaswire::FrameSplitter splitter;
    const auto units = splitter.Push(Bytes{0x10, 0x02, 0x01, 0x00, 0xFE, 0x10, 0x03});
    ASSERT_EQ(units.size(), 1u);
    EXPECT_FALSE(units[0].checksumOk);
}

} // namespace
