// Status, date, time, line speed and paper against the emulator, and the
// link's answer to every fault the register can commit.
#include "EmulatorFixture.h"

#include "kasemu/Cp866.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <stdlib.h>
#include <thread>
#include <unistd.h>

using namespace kastest;

namespace {

const std::string kTimeout = "Превышено время ожидания ответа от принтера!";

struct Status {
    FPBOOL flags[13] = {};
    char* texts[7] = {};
    double regDate = 0;
    double regTime = 0;
    int16_t rc = 0;

    Status() {
        rc = FPGetStatus(&flags[0], &flags[1], &flags[2], &flags[3], &flags[4], &flags[5],
                         &flags[6], &flags[7], &flags[8], &flags[9], &flags[10], &flags[11],
                         &flags[12], &texts[0], &texts[1], &texts[2], &texts[3], &texts[4],
                         &texts[5], &texts[6], &regDate, &regTime);
    }
    ~Status() {
        for (char* t : texts) {
            std::free(t);
        }
    }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;
    std::string Text(int i) const { return ToUtf8(texts[i]); }
};

double Date() {
    double d = -1;
    EXPECT_EQ(FPGetDate(&d), -1) << DriverError();
    return d;
}

double Time() {
    double t = -1;
    EXPECT_EQ(FPGetTime(&t), -1) << DriverError();
    return t;
}

class LinkTest : public EmulatorTest {};

TEST_F(LinkTest, FreshRegisterReportsItsIdentity) {
    Status s;
    ASSERT_EQ(s.rc, -1) << DriverError();
    EXPECT_EQ(s.Text(6), "РМ-15");
    EXPECT_EQ(std::string(s.texts[0]).size(), 19u);
    EXPECT_EQ(s.flags[9], 0); // not fiscalized
    EXPECT_EQ(s.regDate, DateValue(2003, 1, 1));
    EXPECT_EQ(s.regTime, 0.0);
}

TEST_F(LinkTest, FiscalizedRegisterReportsHeadersAndRegistration) {
    emu().withState([](kasemu::RegisterState& st) {
        st.identity.fiscalized = true;
        st.identity.registeredAt = kasemu::toSeconds({2025, 2, 28, 14, 35, 0});
        st.identity.fiscalNumber = kasemu::utf8ToDevice("ФН12345678");
        st.programming.taxpayer[0].text = kasemu::utf8ToDevice("ТОВ \"Вітрило\"");
        st.programming.taxpayer[1].text.clear();
        st.programming.taxpayer[2].text = kasemu::utf8ToDevice("м. Київ");
        st.programming.taxNumber = kasemu::utf8ToDevice("1234567890");
        st.shiftOpen = true;
    });
    Status s;
    ASSERT_EQ(s.rc, -1) << DriverError();
    EXPECT_EQ(s.flags[9], -1);
    EXPECT_EQ(s.flags[4], -1); // shift open
    EXPECT_EQ(s.Text(1), "ФН12345678");
    EXPECT_EQ(s.Text(2), "ТОВ \"Вiтрило\"");
    EXPECT_EQ(s.texts[3], nullptr); // the empty middle line does not hide the ones after it
    EXPECT_EQ(s.Text(4), "м. Київ");
    EXPECT_EQ(s.Text(5), "1234567890");
    EXPECT_EQ(s.regDate, DateValue(2025, 2, 28));
    EXPECT_NEAR(s.regTime, (14 * 60 + 35) / 1440.0, 1e-9);
}

TEST_F(LinkTest, ClockIsSetAndReadBack) {
    ASSERT_EQ(FPSetDate(DateValue(2009, 3, 5)), -1) << DriverError();
    EXPECT_EQ(Date(), DateValue(2009, 3, 5));
    // 2010: the year byte is a DLE and travels doubled.
    ASSERT_EQ(FPSetDate(DateValue(2010, 10, 10)), -1) << DriverError();
    EXPECT_EQ(Date(), DateValue(2010, 10, 10));
    ASSERT_EQ(FPSetTime((21 * 3600 + 5 * 60 + 7) / 86400.0), -1) << DriverError();
    EXPECT_NEAR(Time(), (21 * 3600 + 5 * 60 + 7) / 86400.0, 1e-9);
    // The register's clock runs on from what was set.
    clock()->advance(90);
    EXPECT_NEAR(Time(), (21 * 3600 + 6 * 60 + 37) / 86400.0, 1e-9);
}

TEST_F(LinkTest, LineSpeedChangeIsFollowedByTheRegister) {
    EXPECT_EQ(FPChangeBaudRate(3), 0);
    EXPECT_EQ(DriverError(), "Неверно задан параметр скорости связи!");
    EXPECT_EQ(emu().counters().bytesReceived, 0u);

    ASSERT_EQ(FPChangeBaudRate(2), -1) << DriverError();
    // The register switches once its answer is out, which the driver may
    // have read a moment before.
    for (int i = 0; i < 200 && emu().lineSpeed() != 38400; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(emu().lineSpeed(), 38400);
    ASSERT_EQ(FPInit(1, 38400, 20, 20), -1);
    Date();
    ASSERT_EQ(FPChangeBaudRate(0), -1) << DriverError();
    ASSERT_EQ(FPInit(1, 9600, 1, 1), -1);
    for (int i = 0; i < 200 && emu().lineSpeed() != 9600; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(emu().lineSpeed(), 9600);
    Date();
}

TEST_F(LinkTest, PaperSensorsAndPaperErrors) {
    emu().setPaperSensors(kasemu::paper::ControlLow | kasemu::paper::ControlOut);
    FPBOOL f[5] = {1, 1, 1, 1, 1};
    ASSERT_EQ(FPGetPaperState(&f[0], &f[1], &f[2], &f[3], &f[4]), -1);
    EXPECT_EQ(f[0], 0);
    EXPECT_EQ(f[1], -1);
    EXPECT_EQ(f[2], 0);
    EXPECT_EQ(f[3], -1);
    EXPECT_EQ(f[4], 0);

    // A paper error asks the sensors which tape is out.
    emu().setPaperSensors(kasemu::paper::ReceiptOut);
    emu().inject(*kasemu::parseFault("status:0x02"));
    EXPECT_EQ(FPSetDate(DateValue(2026, 12, 7)), 0);
    EXPECT_EQ(DriverError(), "\r\nНет чековой ленты");
    EXPECT_EQ(DriverCodes().status, 0x02);

    emu().setPaperSensors(kasemu::paper::Undeterminable | kasemu::paper::ReceiptOut);
    emu().inject(*kasemu::parseFault("result:2"));
    EXPECT_EQ(FPSetDate(DateValue(2026, 12, 7)), 0);
    EXPECT_EQ(DriverError(), "\r\nЗакончилаь бумага");
    EXPECT_EQ(DriverCodes().result, 2);
}

TEST_F(LinkTest, RegisterErrorsBecomeTextsAndCodes) {
    emu().inject(*kasemu::parseFault("result:21"));
    EXPECT_EQ(FPSetTime(0.5), 0);
    EXPECT_EQ(DriverError(), "\r\nНеверный пароль");
    EXPECT_EQ(DriverCodes().result, 21);
    EXPECT_EQ(DriverCodes().status, 0);

    // A shift longer than 24 hours still counts as done.
    emu().inject(*kasemu::parseFault("status:0x20"));
    EXPECT_EQ(FPSetTime(0.5), -1);
    EXPECT_EQ(DriverError(),
              "\r\nПродолжительность смены больше 24 часов.\r\nПревышение продолжительности смены");

    emu().inject(*kasemu::parseFault("status:0x81"));
    EXPECT_EQ(FPSetTime(0.5), 0);
    EXPECT_EQ(DriverError(), "\r\nКоманда не была выполнена.\r\nПринтер не готов\r\nФункция не "
                             "существует или запрещена в данном режиме");

    // After a good command the codes are clear again.
    Date();
    EXPECT_EQ(DriverCodes().status, 0);
    EXPECT_EQ(DriverCodes().result, 0);
}

// Faults the link recovers from by itself, with the attempts it takes.
TEST_F(LinkTest, LinkRecoversFromLineFaults) {
    struct Case {
        const char* fault;
        uint64_t frames; // command frames the register saw
    };
    const Case cases[] = {
        {"garbage:4", 2},  {"syn-before-ack", 2}, {"delay:400", 1}, {"syn-storm:3:400", 1},
        {"cut", 2},        {"nine-dles", 2},      {"nak", 2},       {"ack-enq", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        emu().resetCounters();
        emu().inject(*kasemu::parseFault(c.fault));
        EXPECT_EQ(FPSetTime(0.25), -1) << DriverError();
        EXPECT_EQ(emu().counters().bytesReceived > 0, true);
        EXPECT_EQ(emu().counters().framesReceived + emu().counters().badFrames, c.frames);
        EXPECT_EQ(emu().armedFaults(), 0u);
    }
}

TEST_F(LinkTest, CompleteButInvalidAnswersFailWithoutRetry) {
    emu().inject(*kasemu::parseFault("bad-checksum"));
    EXPECT_EQ(FPGetDate(nullptr), 0);
    EXPECT_EQ(DriverError(), kTimeout);
    EXPECT_EQ(emu().counters().framesReceived, 1u);

    emu().inject(*kasemu::parseFault("length:-1"));
    double d = 0;
    EXPECT_EQ(FPGetDate(&d), 0);
    EXPECT_EQ(DriverError(), "Ответная посылка не соответствует формату данных!");
    emu().inject(*kasemu::parseFault("length:-1"));
    EXPECT_EQ(FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(DriverError(), "Ответная посылка не соответствует формату данных!");
    emu().inject(*kasemu::parseFault("length:-60"));
    Status s;
    EXPECT_EQ(s.rc, 0);
    EXPECT_EQ(s.texts[6], nullptr);
}

// The cases that must wait out the driver's own deadlines, grouped in one test.
TEST_F(LinkTest, TimeoutsWaitOutThreeAttempts) {
    emu().inject(*kasemu::parseFault("drop*3"));
    EXPECT_EQ(FPGetDate(nullptr), 0);
    EXPECT_EQ(DriverError(), kTimeout);
    EXPECT_EQ(emu().counters().framesReceived, 3u);

    // One lost answer costs one attempt; the second attempt succeeds.
    emu().inject(*kasemu::parseFault("ignore"));
    EXPECT_EQ(FPGetDate(nullptr), -1) << DriverError();

    // A port with nothing behind it: a terminal nobody answers on.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string link = deviceDir() + "/com2";
    ASSERT_EQ(::symlink(::ptsname(master), link.c_str()), 0);
    ASSERT_EQ(FPInit(2, 9600, 1, 1), -1);
    Status s;
    EXPECT_EQ(s.rc, 0);
    EXPECT_EQ(DriverError(), kTimeout);
    ::close(master);
}

TEST_F(LinkTest, PortsThatCannotBeOpened) {
    EXPECT_EQ(FPInit(7, 9600, 1, 1), 0); // no com7 link, no /dev/ttyS6 behind it
    EXPECT_EQ(FPInit(1, 0, 1, 1), 0);
    // Reopening the same port closes it first.
    EXPECT_EQ(FPInit(1, 9600, 1, 1), -1);
    EXPECT_EQ(FPInit(1, 9600, 1, 1), -1);
    Date();
    EXPECT_EQ(FPClose(), -1);
    EXPECT_EQ(FPClose(), 0);
}

} // namespace
