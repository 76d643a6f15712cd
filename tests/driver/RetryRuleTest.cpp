// When the link sends a command again, the shift-over-24-hours leniency and
// the date window of FPSetDate.
#include "CommandTable.h"
#include "DriverUnit.h"
#include "ScriptedPort.h"
#include "WireFormat.h"
#include "kasdrv.h"
#include "platform/HostLocale.h"

#include <gtest/gtest.h>

#include <initializer_list>

using kasdrv::Bytes;
using namespace kastest;

namespace {

TEST(CommandTable, DividesTheCommandsByWhetherARepeatIsHarmless) {
    for (const uint8_t c : std::initializer_list<uint8_t>{0x00, 0x01, 0x02, 0x04, 0x0E, 0x17, 0x1C,
                                                          0x22, 0x2A, 0x30}) {
        EXPECT_TRUE(kasdrv::IsRepeatable(c)) << int{c};
    }
    for (const uint8_t c :
         std::initializer_list<uint8_t>{0x05, 0x08, 0x09, 0x0B, 0x0D, 0x0F, 0x10, 0x12, 0x14, 0x15,
                                        0x18, 0x19, 0x1E, 0x23, 0x24, 0x28, 0x2D, 0x2F, 0xFF}) {
        EXPECT_FALSE(kasdrv::IsRepeatable(c)) << int{c};
    }
}

Bytes GoodAnswer() {
    return AnswerFrame(Payload(0, 0, 0, {0x10, 0x27, 0x00, 0x00}));
}
Bytes Edited(void (*edit)(Bytes&)) {
    Bytes b = GoodAnswer();
    edit(b);
    return b;
}

// What the register sends back to the first attempt (later ones are answered
// properly), and whether a payment and a status query are sent again. A
// corrupt answer ends even a query at once.
TEST(RetryRule, OnlyARefusedOrUnheardCommandIsSentAgainUnlessRepeatable) {
    const struct {
        const char* name;
        std::vector<LineByte> first;
        bool paymentRetried;
        bool queryRetried;
    } cases[] = {
        {"NAK", Now(Bytes{0x15}), true, true},
        {"silence", {}, true, true},
        {"answer after the window", {{0x06, 1800}}, true, true},
        {"ACK then nothing", Now(Bytes{0x06}), false, true},
        {"noise first", Now(Edited([](Bytes& b) {
             b.insert(b.begin(), {0x7E, 0x81});
         })),
         false, true},
        {"SYN before ACK", Now(Edited([](Bytes& b) { b.insert(b.begin(), 0x16); })), false, true},
        {"cut frame", Now(Edited([](Bytes& b) { b.resize(b.size() / 2); })), false, true},
        {"bad checksum", Now(Edited([](Bytes& b) { b[b.size() - 3] ^= 0x5A; })), false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedLine line;
        line.port.responder = [&c, calls = 0](const Bytes&) mutable {
            return ++calls == 1 ? c.first : Now(GoodAnswer());
        };
        uint32_t rest = 0;
        EXPECT_EQ(FPPayment(&rest, nullptr, 3, 1000, 0, -1), c.paymentRetried ? -1 : 0);
        EXPECT_EQ(line.port.writes.size(), c.paymentRetried ? 2u : 1u);
        if (!c.paymentRetried) {
            EXPECT_EQ(ErrorTextUtf8(), "Команда передана принтеру, но ответ не получен!\r\n"
                                       "Проверьте, выполнена ли она, прежде чем повторять.");
        }
        line.port.writes.clear();
        line.port.responder = [&c, calls = 0](const Bytes&) mutable {
            return ++calls == 1 ? c.first : Now(GoodAnswer());
        };
        EXPECT_EQ(kasdrv::ExecuteCommand(Bytes{0x00}), c.queryRetried);
        EXPECT_EQ(line.port.writes.size(), c.queryRetried ? 2u : 1u);
        EXPECT_FALSE(kasdrv::Session().AnswerInDoubt);
    }
}

TEST(ShiftLeniency, HoldsOnlyForACommandCarriedOut) {
    for (const uint8_t result : std::initializer_list<uint8_t>{0, 35}) {
        ScriptedLine line;
        line.AnswerAll(Payload(0x20, result, 0));
        EXPECT_EQ(FPOutOfCash(99999900), result == 0 ? -1 : 0);
        EXPECT_EQ(ErrorTextUtf8(), "\r\nПродолжительность смены больше 24 часов.\r\n"
                                   "Превышение продолжительности смены");
        uint8_t gotResult = 0;
        uint8_t status = 0;
        FPCodeError(&gotResult, &status, nullptr);
        EXPECT_EQ(gotResult, result);
        EXPECT_EQ(status, 0x20);
    }
}

TEST(SetDate, TakesOnlyYearsThatReadBackTheSame) {
    const int year = kasdrv::platform::HostCurrentYear();
    for (const int y : {year - 51, year - 50, year, year + 49, year + 50}) {
        ScriptedLine line;
        line.AnswerAll(Payload(0, 0, 0));
        const int16_t rc = FPSetDate(kasdrv::EncodeDate(y, 3, 5));
        if (kasdrv::platform::HostCurrentYear() != year) {
            GTEST_SKIP() << "the year turned during the test";
        }
        const bool inWindow = y >= year - 50 && y <= year + 49;
        EXPECT_EQ(rc, inWindow ? -1 : 0) << y;
        if (inWindow) {
            ASSERT_EQ(line.port.writes.size(), 1u);
            EXPECT_EQ(CommandOf(line.port.writes[0]),
                      (Bytes{0x02, 0x05, 0x03, kasdrv::ToBcd(y % 100)}));
        } else {
            EXPECT_EQ(ErrorTextUtf8(), "Ошибка формата даты!");
            EXPECT_TRUE(line.port.writes.empty());
        }
    }
}

// An answer frame that echoes the number of the frame it answers, with one
// byte of reply data to tell the answers apart.
Bytes Echoing(uint8_t sequence, uint8_t result, uint8_t datum) {
    return AnswerFrame(Bytes{sequence, 0x00, 0x00, result, 0x00, datum, 0x00, 0x00, 0x00});
}

// The first attempt of a command meets silence; during the second the register
// answers the first frame late and then does (or does not) answer the second.
// A repeatable query takes only its own frame's answer. A payment, which must
// not be carried out twice, counts the attempts the answers show carried out.
TEST(RetryRule, AnAnswerIsTakenOnlyFromTheFrameItAnswers) {
    const std::string kTwice = "Команда выполнена принтером более одного раза!\r\n"
                               "Проверьте чек, прежде чем продолжать.";
    const std::string kNotReceived = "Команда передана принтеру, но ответ не получен!\r\n"
                                     "Проверьте, выполнена ли она, прежде чем повторять.";
    enum class Second { Answered, Refused, Nak, Silent };
    const struct {
        const char* name;
        uint8_t lateResult; // of the first attempt's late answer
        Second second;
        int16_t paymentRc;
        uint8_t rest; // the payment's reply datum taken
        const char* error;
    } cases[] = {
        {"both carried out", 0, Second::Answered, 0, 0, kTwice.c_str()},
        {"the repeat refused", 0, Second::Refused, -1, 1, ""},
        {"the repeat not taken", 0, Second::Nak, -1, 1, ""},
        {"the repeat unanswered", 0, Second::Silent, 0, 0, kNotReceived.c_str()},
        {"the first refused, the repeat carried out", 0x21, Second::Answered, -1, 2, ""},
    };
    for (const auto& c : cases) {
        for (const bool payment : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (payment ? ", payment" : ", query"));
            ScriptedLine line;
            line.port.responder = [&c, first = uint8_t{0}](const Bytes& frame) mutable {
                if (first == 0) {
                    first = frame[2];
                    return std::vector<LineByte>{};
                }
                auto out = Now(Echoing(first, c.lateResult, 1));
                out.front().delayMs = 400;
                Bytes second;
                if (c.second == Second::Answered || c.second == Second::Refused) {
                    second = Echoing(frame[2], c.second == Second::Refused ? 0x21 : 0, 2);
                } else if (c.second == Second::Nak) {
                    second = {0x15};
                }
                for (const LineByte& b : Now(second)) {
                    out.push_back(b);
                }
                return out;
            };
            if (payment) {
                uint32_t rest = 0;
                EXPECT_EQ(FPPayment(&rest, nullptr, 3, 1000, 0, -1), c.paymentRc);
                EXPECT_EQ(line.port.writes.size(), 2u);
                if (c.paymentRc == -1) {
                    EXPECT_EQ(rest, c.rest);
                } else {
                    EXPECT_EQ(ErrorTextUtf8(), c.error);
                }
            } else if (c.second == Second::Answered || c.second == Second::Refused) {
                EXPECT_TRUE(kasdrv::ExecuteCommand(Bytes{0x00}));
                EXPECT_EQ(kasdrv::Session().ReplyData.at(0), 2);
                EXPECT_EQ(line.port.writes.size(), 2u);
            }
        }
    }
}

// Once the register has shown that it echoes the frame's number, an answer to a
// frame of an earlier transaction that comes after the purge is dropped; a
// register that does not echo is read as it always was.
TEST(RetryRule, ALateAnswerOfAnEarlierTransactionIsDropped) {
    for (const bool echoes : {true, false}) {
        SCOPED_TRACE(echoes ? "echoing register" : "register that does not echo");
        ScriptedLine line;
        std::vector<uint8_t> sent;
        line.port.responder = [&sent, echoes](const Bytes& frame) {
            sent.push_back(frame[2]);
            if (sent.size() < 3) {
                return Now(Echoing(echoes ? frame[2] : 0, 0, 1));
            }
            // A late answer of the frame before, then this frame's answer.
            Bytes bytes = Echoing(echoes ? sent[sent.size() - 2] : 0, 0, 1);
            const Bytes own = Echoing(echoes ? frame[2] : 0, 0, 2);
            bytes.insert(bytes.end(), own.begin(), own.end());
            return Now(bytes);
        };
        ASSERT_TRUE(kasdrv::ExecuteCommand(Bytes{0x00}));
        ASSERT_TRUE(kasdrv::ExecuteCommand(Bytes{0x00}));
        ASSERT_TRUE(kasdrv::ExecuteCommand(Bytes{0x00}));
        EXPECT_EQ(kasdrv::Session().ReplyData.at(0), echoes ? 2 : 1);
        EXPECT_EQ(line.port.writes.size(), 3u);
    }
}

} // namespace
