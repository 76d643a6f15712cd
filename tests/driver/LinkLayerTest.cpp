// The link layer over a scripted port: frames, answers, time-outs, retries.
#include "DriverUnit.h"
#include "ScriptedPort.h"
#include "kasdrv.h"

#include <gtest/gtest.h>

#include <algorithm>

using kasdrv::Bytes;
using kasdrv::Session;
using namespace kastest;

namespace {

const std::string kTimeout = "Превышено время ожидания ответа от принтера!";

TEST(FrameCodec, BuildsTheWorkedFrames) {
    EXPECT_EQ(kasdrv::BuildFrame(1, Bytes{0x00}),
              (Bytes{0x10, 0x02, 0x01, 0x00, 0xFF, 0x10, 0x03}));
    EXPECT_EQ(kasdrv::BuildFrame(2, Bytes{0x01}),
              (Bytes{0x10, 0x02, 0x02, 0x01, 0xFD, 0x10, 0x03}));
    // A sequence byte equal to DLE is doubled.
    EXPECT_EQ(kasdrv::BuildFrame(0x10, Bytes{0x0E}),
              (Bytes{0x10, 0x02, 0x10, 0x10, 0x0E, 0xE2, 0x10, 0x03}));
    // A checksum equal to DLE is doubled: three DLEs before ETX.
    EXPECT_EQ(kasdrv::BuildFrame(0xE1, Bytes{0x0F}),
              (Bytes{0x10, 0x02, 0xE1, 0x0F, 0x10, 0x10, 0x10, 0x03}));
    // Data DLEs are doubled and summed once.
    EXPECT_EQ(kasdrv::BuildFrame(0x05, Bytes{0x02, 0x07, 0x12, 0x26}),
              (Bytes{0x10, 0x02, 0x05, 0x02, 0x07, 0x12, 0x26, 0xBA, 0x10, 0x03}));
    EXPECT_EQ(kasdrv::BuildRawBlock(Bytes{0x01, 0x02, 0x03}), (Bytes{0x01, 0x02, 0x03, 0xFA}));
}

TEST(FrameCodec, FrameEndNeedsAnOddRunOfAtMostSevenDles) {
    for (int run = 0; run <= 10; ++run) {
        Bytes bytes = {0x06, 0x10, 0x02, 0x01};
        bytes.insert(bytes.end(), static_cast<std::size_t>(run), 0x10);
        bytes.push_back(0x03);
        const bool expected = run == 1 || run == 3 || run == 5 || run == 7;
        EXPECT_EQ(kasdrv::EndsWithFrameEnd(bytes), expected) << "run of " << run;
    }
    // A run reaching back to the start counts the start as a non-DLE.
    EXPECT_TRUE(kasdrv::EndsWithFrameEnd(Bytes{0x10, 0x03}));
    EXPECT_FALSE(kasdrv::EndsWithFrameEnd(Bytes{0x03}));
}

TEST(FrameCodec, ParsesAnswersAndRefusesBadOnes) {
    const Bytes worked = {0x06, 0x10, 0x02, 0x01, 0x0E, 0x00, 0x00, 0x00, 0xF1, 0x10, 0x03};
    ASSERT_TRUE(kasdrv::ParseAnswer(worked));
    EXPECT_TRUE(Session().ReplyData.empty());

    // SYN bytes between ACK and the frame do not disturb it; DLEs in the data are undone.
    Bytes withSyn = AnswerFrame(Payload(0x00, 0x00, 0x01, {0x10, 0x42}));
    withSyn.insert(withSyn.begin() + 1, {0x16, 0x16});
    ASSERT_TRUE(kasdrv::ParseAnswer(withSyn));
    EXPECT_EQ(Session().ReplyData, (Bytes{0x10, 0x42}));
    EXPECT_EQ(Session().ExtStatusByte, 0x01);

    Bytes corrupt = worked;
    corrupt[8] ^= 0x01;
    EXPECT_FALSE(kasdrv::ParseAnswer(corrupt));
    // Fewer than five payload bytes.
    EXPECT_FALSE(kasdrv::ParseAnswer(AnswerFrame(Bytes{0x01, 0x0E, 0x00, 0x00})));
    // Neither ACK/NAK first nor a frame.
    EXPECT_FALSE(kasdrv::ParseAnswer(Bytes{0x41, 0x10, 0x03}));
    EXPECT_FALSE(kasdrv::ParseAnswer(Bytes{0x06, 0x41}));
    EXPECT_FALSE(kasdrv::ParseAnswer(Bytes{}));
    // A frame whose checksum is DLE.
    Bytes payload = {0x01, 0x0F, 0x00, 0x00, 0x00, 0xE0};
    ASSERT_TRUE(kasdrv::ParseAnswer(AnswerFrame(payload)));
    EXPECT_EQ(Session().ReplyData, (Bytes{0xE0}));
}

TEST(Transaction, SequenceRunsFrom1To255AndSkips0) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, {0x00}));
    Session().Sequence = 254;
    for (int i = 0; i < 3; ++i) {
        FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    ASSERT_EQ(line.port.writes.size(), 3u);
    EXPECT_EQ(line.port.writes[0][2], 255);
    EXPECT_EQ(line.port.writes[1][2], 1);
    EXPECT_EQ(line.port.writes[2][2], 2);
    EXPECT_EQ(line.port.purges, 3);
}

TEST(Transaction, SilenceFailsAfterThreeAttemptsOfTheDeadline) {
    ScriptedLine line;
    const double start = line.clock.NowMs();
    Session().Sequence = 7;
    EXPECT_EQ(FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ErrorTextUtf8(), kTimeout);
    ASSERT_EQ(line.port.writes.size(), 3u);
    // Every attempt is a new frame with the next sequence number.
    EXPECT_EQ(line.port.writes[0][2], 8);
    EXPECT_EQ(line.port.writes[2][2], 10);
    const double elapsed = line.clock.NowMs() - start;
    EXPECT_GT(elapsed, 3 * 1728.0);
    EXPECT_LT(elapsed, 3 * 1728.0 + 10);
}

TEST(Transaction, SynExtendsTheDeadlineAndStaysInTheAnswer) {
    ScriptedLine line;
    line.port.responder = [](const Bytes&) {
        std::vector<LineByte> out = {{0x06, 5}, {0x16, 1500}};
        Bytes frame = AnswerFrame(Payload(0, 0, 0, {0x24}), false);
        for (std::size_t i = 0; i < frame.size(); ++i) {
            out.push_back({frame[i], i == 0 ? 1600u : 0u});
        }
        return out;
    };
    FPBOOL controlLow = 0;
    FPBOOL controlOut = 0;
    ASSERT_EQ(FPGetPaperState(nullptr, &controlLow, nullptr, &controlOut, nullptr), -1);
    EXPECT_EQ(line.port.writes.size(), 1u);
    EXPECT_EQ(controlLow, -1);
    EXPECT_EQ(controlOut, -1);
    EXPECT_EQ(Session().RawAnswer[1], 0x16);
}

// A byte 0x16 inside the answer frame is data: it is kept, costs no pause and does not
// restart the deadline, in logo-transfer mode too.
TEST(Transaction, ByteSynInsideTheFrameIsData) {
    struct Case {
        const char* what;
        uint8_t sequenceBefore; // the command goes out with the next one
        Bytes payload;
        bool logoMode;
    };
    const Case cases[] = {
        {"reply datum", 0, Payload(0, 0, 0, {0x16, 0x42}), false},
        {"checksum", 0, Payload(0, 0, 0, {0xEA}), false},
        {"answer of sequence 22", 21, Bytes{0x16, 0x00, 0x00, 0x00, 0x00, 0x24}, false},
        {"logo header answer", 21, Bytes{0x16, 0x2D, 0x00, 0x00, 0x00}, true},
        {"logo answer datum", 0, Bytes{0x01, 0x2D, 0x00, 0x00, 0x00, 0x16}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedLine line;
        const Bytes answer = AnswerFrame(c.payload);
        ASSERT_NE(std::find(answer.begin() + 1, answer.end(), 0x16), answer.end());
        line.port.responder = [&answer](const Bytes&) { return Now(answer); };
        Session().Sequence = c.sequenceBefore;
        Session().LogoTransferMode = c.logoMode;
        const double start = line.clock.NowMs();
        const bool ok = kasdrv::ExecuteCommand(Bytes{0x2D});
        Session().LogoTransferMode = false;
        ASSERT_TRUE(ok);
        EXPECT_EQ(line.port.writes.size(), 1u);
        EXPECT_EQ(line.port.writes[0][2], static_cast<uint8_t>(c.sequenceBefore + 1));
        EXPECT_EQ(line.clock.NowMs() - start, 0.0) << "no pause for a data byte";
        EXPECT_EQ(Session().RawAnswer, answer);
        EXPECT_EQ(Session().ReplyData, Bytes(c.payload.begin() + 5, c.payload.end()));
    }
}

TEST(Transaction, ByteSynInsideTheFrameDoesNotExtendTheDeadline) {
    ScriptedLine line;
    int calls = 0;
    line.port.responder = [&calls](const Bytes&) {
        std::vector<LineByte> bytes = Now(AnswerFrame(Payload(0, 0, 0, {0x16})));
        if (++calls == 1) {
            // The datum 0x16 comes 1.5 s after the send, the rest 0.3 s later: too late.
            // ACK, DLE STX, five header bytes, the datum, the checksum.
            bytes[8].delayMs = 1500;
            bytes[9].delayMs = 300;
        }
        return bytes;
    };
    ASSERT_EQ(FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(line.port.writes.size(), 2u);
}

// Before the frame a SYN is the busy signal: 200 ms pause, kept in the answer; dropped
// without a pause in logo-transfer mode.
TEST(Transaction, SynBeforeTheFrameKeepsItsHandling) {
    for (const bool logoMode : {false, true}) {
        SCOPED_TRACE(logoMode ? "logo-transfer mode" : "normal");
        ScriptedLine line;
        const Bytes frame = AnswerFrame(Payload(0, 0, 0, {0x24}), false);
        line.port.responder = [&frame](const Bytes&) {
            Bytes bytes = {0x06, 0x16, 0x16};
            bytes.insert(bytes.end(), frame.begin(), frame.end());
            return Now(bytes);
        };
        Session().LogoTransferMode = logoMode;
        const double start = line.clock.NowMs();
        const bool ok = kasdrv::ExecuteCommand(Bytes{0x30});
        Session().LogoTransferMode = false;
        ASSERT_TRUE(ok);
        Bytes expected = {0x06};
        if (!logoMode) {
            expected.insert(expected.end(), {0x16, 0x16});
        }
        expected.insert(expected.end(), frame.begin(), frame.end());
        EXPECT_EQ(Session().RawAnswer, expected);
        EXPECT_EQ(line.clock.NowMs() - start, logoMode ? 0.0 : 400.0);
        EXPECT_EQ(Session().ReplyData, Bytes{0x24});
    }
}

TEST(Transaction, LateByteIsNotUsed) {
    ScriptedLine line;
    int calls = 0;
    line.port.responder = [&calls](const Bytes&) {
        ++calls;
        auto bytes = Now(AnswerFrame(Payload(0, 0, 0, {0x00})));
        if (calls == 1) {
            bytes.front().delayMs = 1800; // after the deadline
        }
        return bytes;
    };
    ASSERT_EQ(FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(line.port.writes.size(), 2u);
}

TEST(Transaction, SynBeforeAckOrGarbageFailsTheAttempt) {
    for (uint8_t lead : {uint8_t{0x16}, uint8_t{0x55}}) {
        ScriptedLine line;
        int calls = 0;
        line.port.responder = [&calls, lead](const Bytes&) {
            Bytes bytes = AnswerFrame(Payload(0, 0, 0, {0x00}));
            if (++calls == 1) {
                bytes.insert(bytes.begin(), lead);
            }
            return Now(bytes);
        };
        const uint8_t before = Session().Sequence;
        ASSERT_EQ(FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr), -1);
        ASSERT_EQ(line.port.writes.size(), 2u);
        EXPECT_EQ(line.port.writes[1][2], static_cast<uint8_t>(before + 2));
    }
}

TEST(Transaction, WrongChecksumFailsWithoutRetry) {
    ScriptedLine line;
    line.port.responder = [](const Bytes&) {
        Bytes bytes = AnswerFrame(Payload(0, 0, 0, {0x00}));
        bytes[bytes.size() - 3] ^= 0x5A;
        return Now(bytes);
    };
    EXPECT_EQ(FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(line.port.writes.size(), 1u);
    EXPECT_EQ(ErrorTextUtf8(), kTimeout);
}

TEST(Transaction, NakPurgesTheReceiverAndRetries) {
    ScriptedLine line;
    int calls = 0;
    line.port.responder = [&calls](const Bytes&) {
        return ++calls == 1 ? Now(Bytes{0x15}) : Now(AnswerFrame(Payload(0, 0, 0, {0x00})));
    };
    ASSERT_EQ(FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(line.port.writes.size(), 2u);
    EXPECT_EQ(line.port.receivePurges, 1);
}

TEST(Transaction, NineDlesBeforeEtxNeverComplete) {
    ScriptedLine line;
    line.port.responder = [](const Bytes&) {
        Bytes bytes = {0x06, 0x10, 0x02, 0x01, 0x30, 0x00, 0x00, 0x00};
        bytes.insert(bytes.end(), 9, 0x10);
        bytes.push_back(0x03);
        return Now(bytes);
    };
    EXPECT_EQ(FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(line.port.writes.size(), 3u);
    EXPECT_EQ(ErrorTextUtf8(), kTimeout);
}

TEST(Transaction, AckEnqAloneSucceedsWithTheEarlierStatus) {
    ScriptedLine line;
    line.AnswerInTurn({Payload(0, 0, 0x02, {0x00})});
    ASSERT_EQ(FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr), -1);
    line.port.responder = [](const Bytes&) { return Now(Bytes{0x06, 0x05}); };
    ASSERT_TRUE(kasdrv::ExecuteCommand(Bytes{0x0E}));
    EXPECT_TRUE(Session().ReplyData.empty());
    EXPECT_EQ(Session().ExtStatusByte, 0x02);
    EXPECT_TRUE(Session().Emergency);
}

TEST(Transaction, NoOpenPortFailsThroughTheTimeout) {
    ScriptedLine line;
    FPClose();
    EXPECT_EQ(FPClose(), 0);
    EXPECT_EQ(FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ErrorTextUtf8(), kTimeout);
}

TEST(DeviceText, ReplacesUkrainianLettersAndNumeroSign) {
    // Ґ ґ І і № in Windows-1251.
    EXPECT_EQ(kasdrv::ToDeviceText("\xA5\xB4\xB2\xB3\xB9"), "\xF6\xF7Ii"
                                                            "N");
    // Є є Ї ї and Cyrillic letters go to their code page 866 places.
    EXPECT_EQ(kasdrv::ToDeviceText("\xAA\xBA\xAF\xBF\xC0\xFF"), "\xF2\xF3\xF4\xF5\x80\xEF");
    EXPECT_EQ(kasdrv::FromDeviceText("\x80\xEF\xF2"), "\xC0\xFF\xAA");
    EXPECT_EQ(kasdrv::ToDeviceText(""), "");
}

} // namespace
