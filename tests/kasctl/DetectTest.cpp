// kasctl detect against emulators, silent lines and ports that cannot be
// opened, every COMn an entry of a scratch devices directory.
#include "kasemu/Emulator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <memory>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kCannotDrop = 99;

struct Outcome {
    int status = -1;
    std::string out;
};

class KasctlDetect : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kasctl-detect-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ::chmod(dir_.c_str(), 0755);
        ::setenv("KASDRV_DEVICES", dir_.c_str(), 1);
    }
    void TearDown() override {
        emulators_.clear();
        for (const int fd : masters_) {
            ::close(fd);
        }
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Entry(int n) const { return dir_ + "/com" + std::to_string(n); }

    // A register on comN that hears only `speedIndex` (0 9600, 1 19200, 2 38400).
    std::string Register(int n, kasemu::ModelKind model, int speedIndex) {
        kasemu::EmulatorOptions o;
        o.linesPerSecond = 0;
        o.linkPath = Entry(n);
        o.model = model;
        o.lineSpeedIndex = speedIndex;
        o.strictSpeed = true;
        emulators_.push_back(std::make_unique<kasemu::Emulator>(std::move(o)));
        ::chmod(emulators_.back()->slavePath().c_str(), 0666);
        return emulators_.back()->slavePath();
    }
    // A terminal on comN with nothing behind it that answers; its path.
    std::string Terminal(int n, mode_t mode) {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master, 0);
        EXPECT_EQ(::grantpt(master), 0);
        EXPECT_EQ(::unlockpt(master), 0);
        masters_.push_back(master);
        const std::string slave = ::ptsname(master);
        ::chmod(slave.c_str(), mode);
        fs::create_symlink(slave, Entry(n));
        return slave;
    }

    // kasctl with `words`; with `asUser` a copy of it runs as nobody when
    // the tests run as root (root opens every device).
    Outcome Kasctl(const std::vector<std::string>& words, bool asUser = false) {
        std::string program = KASCTL_PATH;
        const bool drop = asUser && ::geteuid() == 0;
        if (drop) {
            // A copy beside its driver where nobody may run it, wherever the build lives.
            const fs::path bin = fs::path(KASCTL_PATH).parent_path();
            for (const char* file : {"kasctl", "libkasdrv.so.1"}) {
                fs::copy_file(bin / file, dir_ + "/" + file, fs::copy_options::overwrite_existing);
            }
            program = dir_ + "/kasctl";
        }
        const std::string out = dir_ + "/out";
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            if (drop &&
                (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                ::_exit(kCannotDrop);
            }
            std::vector<char*> argv{program.data()};
            std::vector<std::string> copy = words;
            for (auto& w : copy) {
                argv.push_back(w.data());
            }
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(98);
        }
        Outcome run;
        int raw = 0;
        if (pid > 0 && ::waitpid(pid, &raw, 0) == pid) {
            run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        }
        std::ifstream in(out);
        run.out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return run;
    }

    std::string dir_;

  private:
    std::vector<std::unique_ptr<kasemu::Emulator>> emulators_;
    std::vector<int> masters_;
};

std::string LineOf(const std::string& text, const std::string& port) {
    const auto at = text.find(port + " ");
    return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
}

TEST_F(KasctlDetect, FindsEachRegisterAtItsSpeedAmongEmptyPorts) {
    const std::string silent = Terminal(1, 0600);
    const std::string com2 = Register(2, kasemu::ModelKind::Rx520l, 1);
    fs::create_symlink(dir_ + "/gone", Entry(4));
    { std::ofstream(Entry(5)) << "not a line"; }
    const std::string com6 = Register(6, kasemu::ModelKind::Rx410f, 2);
    // COM3: a line another program holds.
    const int held = ::open(Terminal(3, 0600).c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    for (int n : {7, 8, 9}) {
        fs::create_symlink(dir_ + "/ttyUSB" + std::to_string(n), Entry(n));
    }

    const Outcome scan = Kasctl({"detect"});
    EXPECT_EQ(scan.status, 0) << scan.out;
    const std::string two = LineOf(scan.out, "COM2");
    EXPECT_NE(two.find(com2), std::string::npos) << scan.out;
    EXPECT_NE(two.find("19200 bit/s"), std::string::npos) << scan.out;
    EXPECT_NE(two.find("RX-520L"), std::string::npos) << scan.out;
    EXPECT_NE(two.find("firmware ЛМ-22"), std::string::npos) << scan.out;
    const std::string six = LineOf(scan.out, "COM6");
    EXPECT_NE(six.find("38400 bit/s"), std::string::npos) << scan.out;
    EXPECT_NE(six.find("RX-410F"), std::string::npos) << scan.out;
    const std::string one = LineOf(scan.out, "COM1");
    EXPECT_NE(one.find(silent), std::string::npos) << scan.out;
    EXPECT_NE(one.find("no register answers"), std::string::npos) << scan.out;
    EXPECT_NE(LineOf(scan.out, "COM4").find("cannot be opened: dangling link"), std::string::npos)
        << scan.out;
    EXPECT_NE(LineOf(scan.out, "COM5").find("cannot be opened: not a serial device"),
              std::string::npos)
        << scan.out;
    const std::string three = LineOf(scan.out, "COM3");
    EXPECT_NE(three.find("cannot be opened: busy"), std::string::npos) << scan.out;
    EXPECT_NE(three.find("held by pid " + std::to_string(::getpid())), std::string::npos)
        << scan.out;
    ::close(held);
    for (const char* port : {"COM7", "COM8", "COM9"}) {
        EXPECT_NE(LineOf(scan.out, port).find("cannot be opened"), std::string::npos) << scan.out;
    }
    EXPECT_NE(scan.out.find("2 registers found"), std::string::npos) << scan.out;

    // Given ports only, in JSON; a port without a register fails the run.
    const Outcome json = Kasctl({"--json", "detect", "COM2", "1"});
    EXPECT_EQ(json.status, 0) << json.out;
    EXPECT_EQ(json.out, "[{\"port\": \"COM2\", \"device\": \"" + com2 +
                            "\", \"found\": true, \"speed\": 19200, \"model\": \"RX-520L\", "
                            "\"firmware\": \"ЛМ-22\", \"problem\": null, \"reason\": null, "
                            "\"error\": null}, {\"port\": \"COM1\", \"device\": \"" +
                            silent +
                            "\", \"found\": false, \"speed\": null, \"model\": null, "
                            "\"firmware\": null, \"problem\": null, \"reason\": null, "
                            "\"error\": null}]\n");
    const Outcome none = Kasctl({"detect", "com4"});
    EXPECT_EQ(none.status, 1) << none.out;
    EXPECT_NE(none.out.find("no register found"), std::string::npos) << none.out;
    for (const char* bad : {"COMX", "0", "256", "COM"}) {
        EXPECT_EQ(Kasctl({"detect", bad}).status, 2) << bad;
    }
}

TEST_F(KasctlDetect, SaysThatAPortMayNotBeOpened) {
    const std::string com2 = Register(2, kasemu::ModelKind::Rx410f, 1);
    const std::string locked = Terminal(3, 0);
    const Outcome scan = Kasctl({"detect", "2", "3"}, true);
    if (scan.status == kCannotDrop) {
        GTEST_SKIP() << "running as root and cannot become nobody: root opens every device";
    }
    EXPECT_EQ(scan.status, 0) << scan.out;
    EXPECT_NE(LineOf(scan.out, "COM2").find("19200 bit/s"), std::string::npos) << scan.out;
    const std::string three = LineOf(scan.out, "COM3");
    EXPECT_NE(three.find(locked), std::string::npos) << scan.out;
    EXPECT_NE(three.find("cannot be opened: permission denied"), std::string::npos) << scan.out;
}

} // namespace
