// The emulator on a real pseudo-terminal, driven through its symlink as a host would.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

#include "TestSupport.h"
#include "kasemu/Codec.h"
#include "kasemu/Emulator.h"

namespace kasemu {
namespace {

using test::hex;
namespace fs = std::filesystem;

// Generous guard against a hang; no test depends on how fast anything is.
constexpr int kGuardMs = 10000;

class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/kasemu-test-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// A host's end of the line: the slave opened through the link, raw, at a given speed.
class HostPort {
  public:
    explicit HostPort(const std::string& path, speed_t speed = B9600) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        if (fd_ < 0) {
            return;
        }
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        tcsetattr(fd_, TCSANOW, &t);
    }
    ~HostPort() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    bool ok() const { return fd_ >= 0; }
    void send(const Bytes& b) {
        ASSERT_EQ(::write(fd_, b.data(), b.size()), static_cast<ssize_t>(b.size()));
    }

    // Reads until the bytes end with DLE ETX after an ACK, or a lone NAK / ACK ENQ came.
    Bytes readAnswer() {
        Bytes got;
        while (!complete(got)) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, kGuardMs) <= 0) {
                break;
            }
            std::uint8_t buf[256];
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }

  private:
    static bool complete(const Bytes& b) {
        if (b.size() == 1 && b[0] == wire::NAK) {
            return true;
        }
        if (b.size() == 2 && b[0] == wire::ACK && b[1] == wire::ENQ) {
            return true;
        }
        return b.size() >= 4 && b[b.size() - 1] == wire::ETX && b[b.size() - 2] == wire::DLE &&
               b[b.size() - 3] != wire::DLE;
    }
    int fd_ = -1;
};

EmulatorOptions options(const TempDir& dir, std::shared_ptr<ManualClock> clock) {
    EmulatorOptions o;
    o.linkPath = dir / "dosdevices/com1";
    o.linesPerSecond = 0;
    o.clock = std::move(clock);
    return o;
}

TEST(Pty, AnswersTheStatusRequestThroughTheLink) {
    TempDir dir;
    auto clock = std::make_shared<ManualClock>(test::startTime());
    Emulator emu(options(dir, clock));
    ASSERT_TRUE(fs::is_symlink(dir / "dosdevices/com1"));
    EXPECT_EQ(fs::read_symlink(dir / "dosdevices/com1").string(), emu.slavePath());

    HostPort host(dir / "dosdevices/com1");
    ASSERT_TRUE(host.ok());
    host.send(hex("10 02 01 00 FF 10 03"));
    const Bytes answer = host.readAnswer();
    ASSERT_GT(answer.size(), 10u);
    EXPECT_EQ(hex(Bytes(answer.begin(), answer.begin() + 8)), "06 10 02 01 00 00 00 00");
    // The firmware text closes the reply, before the checksum and DLE ETX.
    const Bytes firmware(answer.end() - 8, answer.end() - 3);
    EXPECT_EQ(deviceToUtf8(firmware), "РМ-15");
    EXPECT_EQ(emu.counters().framesReceived, 1u);
}

TEST(Pty, SurvivesTheHostClosingAndReopeningThePort) {
    TempDir dir;
    auto clock = std::make_shared<ManualClock>(test::startTime());
    Emulator emu(options(dir, clock));
    for (int round = 0; round < 3; ++round) {
        HostPort host(dir / "dosdevices/com1");
        ASSERT_TRUE(host.ok());
        host.send(hex("10 02 02 01 FD 10 03"));
        EXPECT_EQ(hex(host.readAnswer()), "06 10 02 02 01 00 00 00 07 12 26 BE 10 03") << round;
    }
    EXPECT_TRUE(emu.running());
}

TEST(Pty, NakForABadChecksum) {
    TempDir dir;
    Emulator emu(options(dir, std::make_shared<ManualClock>(test::startTime())));
    HostPort host(dir / "dosdevices/com1");
    host.send(hex("10 02 01 00 FE 10 03"));
    EXPECT_EQ(hex(host.readAnswer()), "15");
    EXPECT_EQ(emu.counters().badFrames, 1u);
}

TEST(Pty, FaultsInjectedFromTheTest) {
    TempDir dir;
    Emulator emu(options(dir, std::make_shared<ManualClock>(test::startTime())));
    HostPort host(dir / "dosdevices/com1");
    emu.inject(*parseFault("ack-enq"));
    host.send(hex("10 02 02 01 FD 10 03"));
    EXPECT_EQ(hex(host.readAnswer()), "06 05");
    EXPECT_EQ(emu.armedFaults(), 0u);
    emu.setPaperSensors(paper::ReceiptOut);
    host.send(hex("10 02 03 30 CD 10 03"));
    EXPECT_EQ(hex(host.readAnswer()), "06 10 02 03 30 00 00 00 40 8D 10 03");
}

TEST(Pty, TheStateIsReadAndChangedUnderTheLock) {
    TempDir dir;
    Emulator emu(options(dir, std::make_shared<ManualClock>(test::startTime())));
    emu.withState([](RegisterState& s) { s.identity.firmware = utf8ToDevice("ЭКР-1"); });
    EXPECT_EQ(deviceToUtf8(emu.state().identity.firmware), "ЭКР-1");
    emu.withState([](RegisterState& s) { s.lineSpeedIndex = 1; });
    EXPECT_EQ(emu.lineSpeed(), 19200);
    emu.withState([](RegisterState& s) { s.lineSpeedIndex = 0; });
    EXPECT_EQ(emu.lineSpeed(), 9600);
    emu.advanceClock(86400);
    HostPort host(dir / "dosdevices/com1");
    host.send(hex("10 02 02 01 FD 10 03"));
    EXPECT_EQ(hex(host.readAnswer()), "06 10 02 02 01 00 00 00 08 12 26 BD 10 03");
}

TEST(Pty, TheRegisterHearsNoiseFromAHostAtAnotherSpeed) {
    TempDir dir;
    auto opt = options(dir, std::make_shared<ManualClock>(test::startTime()));
    opt.strictSpeed = true;
    Emulator emu(opt);
    {
        HostPort host(dir / "dosdevices/com1", B19200);
        host.send(hex("10 02 02 01 FD 10 03"));
        for (int i = 0; i < kGuardMs / 10 && emu.counters().bytesReceived < 7; ++i) {
            ::usleep(10000);
        }
        EXPECT_EQ(emu.counters().ignoredBytes, 7u);
        EXPECT_EQ(emu.counters().answersSent, 0u);
    }
    HostPort host(dir / "dosdevices/com1", B9600);
    host.send(hex("10 02 02 01 FD 10 03"));
    const Bytes answer = host.readAnswer();
    ASSERT_FALSE(answer.empty());
    EXPECT_EQ(answer.front(), wire::ACK);
}

TEST(Pty, SynWhileThePrinterIsBusy) {
    TempDir dir;
    auto opt = options(dir, std::make_shared<ManualClock>(test::startTime()));
    opt.linesPerSecond = 4; // the firmware printout's five lines take 1.25 s
    Emulator emu(opt);
    HostPort host(dir / "dosdevices/com1");
    host.send(hex("10 02 01 20 DF 10 03"));
    const Bytes answer = host.readAnswer();
    EXPECT_EQ(hex(answer), "06 16 10 02 01 20 00 00 00 DF 10 03");
    EXPECT_EQ(emu.counters().synSent, 1u);
    const auto tape = emu.tape();
    ASSERT_EQ(tape.size(), 5u);
    EXPECT_NE(tape[1].find("РМ-15"), std::string::npos);
}

TEST(Pty, TheTapeGoesToItsFile) {
    TempDir dir;
    auto opt = options(dir, std::make_shared<ManualClock>(test::startTime()));
    opt.tapeFile = dir / "tape.txt";
    {
        Emulator emu(opt);
        HostPort host(dir / "dosdevices/com1");
        host.send(hex("10 02 01 0E F1 10 03")); // line feed
        host.readAnswer();
        host.send(hex("10 02 02 20 DE 10 03")); // firmware printout
        host.readAnswer();
    }
    std::ifstream f(dir / "tape.txt");
    std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all.rfind("\n", 0), 0u); // the empty line of the feed
    EXPECT_NE(all.find("ВЕРСИЯ ПО"), std::string::npos);
    EXPECT_NE(all.find("РМ-15"), std::string::npos);
}

TEST(Pty, StoppingRemovesTheLink) {
    TempDir dir;
    {
        Emulator emu(options(dir, std::make_shared<ManualClock>(test::startTime())));
        emu.stop();
        EXPECT_FALSE(emu.running());
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "dosdevices/com1")));
    }
}

TEST(Pty, AnOldLinkIsReplaced) {
    TempDir dir;
    fs::create_directories(dir / "dosdevices");
    fs::create_symlink("/dev/null", dir / "dosdevices/com1");
    Emulator emu(options(dir, std::make_shared<ManualClock>(test::startTime())));
    EXPECT_EQ(fs::read_symlink(dir / "dosdevices/com1").string(), emu.slavePath());
}

TEST(Pty, ASecondEmulatorOnAServedLinkRefusesToStart) {
    TempDir dir;
    EmulatorOptions o = options(dir, std::make_shared<ManualClock>(test::startTime()));
    o.exclusiveLink = true;
    Emulator first(o);
    std::string message;
    try {
        Emulator second(o);
        ADD_FAILURE() << "the second emulator started";
    } catch (const std::runtime_error& e) {
        message = e.what();
    }
    EXPECT_NE(message.find(dir / "dosdevices/com1"), std::string::npos) << message;
    EXPECT_NE(message.find("process " + std::to_string(::getpid())), std::string::npos) << message;
    // The first one keeps its link and serves on.
    EXPECT_EQ(fs::read_symlink(dir / "dosdevices/com1").string(), first.slavePath());
    HostPort host(dir / "dosdevices/com1");
    ASSERT_TRUE(host.ok());
    host.send(hex("10 02 01 00 FF 10 03"));
    EXPECT_EQ(host.readAnswer().front(), wire::ACK);

    // Once the first has stopped the link is free again.
    first.stop();
    Emulator third(o);
    EXPECT_EQ(fs::read_symlink(dir / "dosdevices/com1").string(), third.slavePath());
}

} // namespace
} // namespace kasemu
