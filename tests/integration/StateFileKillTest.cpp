// The register's memory survives kill -9 at any moment. kasemu runs as a
// child process with a state file; a second child drives it through the
// driver with a long run of receipts (a sale, then the payment that closes
// it) and Z reports, and reports every command that returned together with
// the state file as it stood then. At a random moment both children are
// killed with SIGKILL. The state file must then load and hold exactly the
// memory after the last command reported complete, or after the one that was
// in flight (the register had done it, the answer had not arrived): never a
// mixture. The register is restarted on that file and the run goes on from
// there; at the end the driver reads the counters back from the register.
#include "EmulatorFixture.h"

#include "kasemu/RegisterState.h"
#include "kasemu/StateFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kastest;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Unit u of the run is a Z report when u % 3 == 2, else a receipt of about
// 100 + u kopecks in two commands.
enum class Op { Sale, Pay, Z };

struct Step {
    std::size_t unit;
    Op op;
};

Step StepOf(std::size_t index) {
    // Per three units: sale, pay, sale, pay, Z.
    const std::size_t block = index / 5;
    const std::size_t k = index % 5;
    static constexpr Op kOps[5] = {Op::Sale, Op::Pay, Op::Sale, Op::Pay, Op::Z};
    static constexpr std::size_t kUnit[5] = {0, 0, 1, 1, 2};
    return {block * 3 + kUnit[k], kOps[k]};
}

// Prices whose bytes hold no SYN (0x16): the driver pauses 200 ms on every
// SYN it reads, in the answer's data too, which would hold the run back.
int32_t PriceOf(std::size_t unit) {
    auto price = static_cast<uint32_t>(100 + unit);
    while ((price & 0xFF) == 0x16 || ((price >> 8) & 0xFF) == 0x16) {
        ++price;
    }
    return static_cast<int32_t>(price);
}

// The memory the run must leave, kept by the test alongside the register.
struct Shadow {
    struct Z {
        uint16_t number;
        uint32_t receipts;
        int64_t cash;
        uint32_t lastReceipt;
    };
    std::vector<Z> z;
    uint32_t dayReceipts = 0;
    int64_t daySales = 0;
    int64_t cash = 0;
    uint32_t lastReceipt = 0;
    uint32_t documents = 0;
    bool shiftOpen = false;
    bool receiptOpen = false; // not kept across a restart
    int64_t receiptTotal = 0;

    void Apply(const Step& s) {
        switch (s.op) {
        case Op::Sale:
            receiptOpen = true;
            receiptTotal += PriceOf(s.unit);
            shiftOpen = true;
            break;
        case Op::Pay:
            ++dayReceipts;
            daySales += receiptTotal;
            cash += receiptTotal;
            ++lastReceipt;
            ++documents;
            receiptOpen = false;
            receiptTotal = 0;
            break;
        case Op::Z:
            ++documents;
            z.push_back({static_cast<uint16_t>(z.size() + 1), dayReceipts, daySales, lastReceipt});
            dayReceipts = 0;
            daySales = 0;
            shiftOpen = false;
            break;
        }
    }

    // The register lost its open receipt with its working memory.
    void Restarted() {
        receiptOpen = false;
        receiptTotal = 0;
    }
};

// What of a loaded state the run decides, as text for messages.
std::string Summary(const Shadow& s) {
    std::ostringstream os;
    os << "Z " << s.z.size() << " [";
    for (const auto& z : s.z) {
        os << z.number << ':' << z.receipts << '/' << z.cash << '/' << z.lastReceipt << ' ';
    }
    os << "] day " << s.dayReceipts << '/' << s.daySales << " cash " << s.cash << " last "
       << s.lastReceipt << " docs " << s.documents << " shift " << s.shiftOpen;
    return os.str();
}

std::string Summary(const kasemu::RegisterState& st) {
    std::ostringstream os;
    os << "Z " << st.fiscalMemory.size() << " [";
    for (const auto& z : st.fiscalMemory) {
        os << z.number << ':' << z.totals.sale.receipts << '/' << z.totals.sale.byForm[3] << '/'
           << z.lastSaleReceipt << ' ';
    }
    os << "] day " << st.day.sale.receipts << '/' << st.day.sale.byForm[3] << " cash "
       << st.cashInDrawer << " last " << st.lastSaleReceipt << " docs " << st.documents << " shift "
       << st.shiftOpen;
    return os.str();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream os;
    os << in.rdbuf();
    return os.str();
}

// The emulator's program, started on the link with the state file.
pid_t StartRegister(const std::string& link, const std::string& state) {
    std::error_code ec;
    fs::remove(link, ec); // left behind by the killed one
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        ::execl(KASEMU_PATH, KASEMU_PATH, "--link", link.c_str(), "--state", state.c_str(),
                "--print-speed", "0", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

bool WaitForLink(const std::string& link, pid_t pid) {
    for (int i = 0; i < 500; ++i) {
        std::error_code ec;
        if (fs::exists(link, ec)) {
            return true;
        }
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return false; // the register did not come up
        }
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

bool WriteAll(int fd, const std::string& s) {
    std::size_t done = 0;
    while (done < s.size()) {
        const ssize_t n = ::write(fd, s.data() + done, s.size() - done);
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The driving child: runs the steps from `first` on, and after each one that
// returned reports "<index> <length>\n" and the state file's bytes.
[[noreturn]] void Drive(std::size_t first, const std::string& state, int fd) {
    if (FPInit(1, 9600, 1, 1) != -1) {
        WriteAll(fd, "E cannot open the port\n");
        ::_exit(1);
    }
    for (std::size_t i = first;; ++i) {
        const Step s = StepOf(i);
        int16_t rc = 0;
        switch (s.op) {
        case Op::Sale:
            rc = FPSale(nullptr, nullptr, 1, 0, PriceOf(s.unit), 0, 0, 0, "x", 0);
            break;
        case Op::Pay:
            rc = FPPayment(nullptr, nullptr, 3, 0, -1, -1);
            break;
        case Op::Z:
            rc = FPDayClrReport(0);
            break;
        }
        if (rc != -1) {
            WriteAll(fd, "E step " + std::to_string(i) + ": " + DriverError() + "\n");
            ::_exit(1);
        }
        const std::string file = ReadFile(state);
        if (!WriteAll(fd, std::to_string(i) + " " + std::to_string(file.size()) + "\n" + file)) {
            ::_exit(1);
        }
    }
}

struct Report {
    std::optional<std::size_t> last; // the last step reported complete
    std::string file;                // the state file after it
    std::string error;
};

// Reads what the driving child sends for `ms` milliseconds (so that it never
// waits on a full pipe), or to the end when `ms` is negative.
void Drain(int fd, std::string& all, int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    char buf[65536];
    for (;;) {
        if (ms >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return;
            }
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
        }
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) {
            if (ms >= 0) {
                std::this_thread::sleep_for(1ms); // the child has gone; wait out the time
                continue;
            }
            return;
        }
        all.append(buf, static_cast<std::size_t>(n));
    }
}

Report ParseReports(const std::string& all) {
    Report r;
    std::size_t pos = 0;
    while (pos < all.size()) {
        const std::size_t eol = all.find('\n', pos);
        if (eol == std::string::npos) {
            break; // killed while writing the header
        }
        const std::string head = all.substr(pos, eol - pos);
        if (head.rfind("E ", 0) == 0) {
            r.error = head.substr(2);
            break;
        }
        std::size_t index = 0;
        std::size_t length = 0;
        std::istringstream is(head);
        is >> index >> length;
        if (eol + 1 + length > all.size()) {
            break; // killed while writing the file's bytes
        }
        r.last = index;
        r.file = all.substr(eol + 1, length);
        pos = eol + 1 + length;
    }
    return r;
}

void Kill(pid_t pid) {
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

} // namespace

TEST(StateFileUnderKill, MemoryIsThatOfTheLastCompletedCommand) {
    const int rounds =
        std::getenv("KAS_KILL_ROUNDS") ? std::atoi(std::getenv("KAS_KILL_ROUNDS")) : 20;
    const unsigned seed = std::getenv("KAS_KILL_SEED")
                              ? static_cast<unsigned>(std::atoi(std::getenv("KAS_KILL_SEED")))
                              : std::random_device{}();
    std::printf("kill rounds %d, seed %u (KAS_KILL_SEED repeats a run)\n", rounds, seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(5, 400);

    char tmpl[] = "/tmp/kasdrv-kill-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const std::string link = dir + "/com1";
    const std::string state = dir + "/register.state";
    ::setenv("KASDRV_DEVICES", dir.c_str(), 1);

    Shadow shadow;
    std::size_t next = 0; // the next step to run
    int inFlightDone = 0;
    int atLastReported = 0;
    for (int round = 0; round < rounds && !HasFailure(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const pid_t reg = StartRegister(link, state);
        ASSERT_GT(reg, 0);
        ASSERT_TRUE(WaitForLink(link, reg)) << "the register did not start on " << state;
        shadow.Restarted();
        // An open receipt was lost: its sale is made again.
        if (StepOf(next).op == Op::Pay) {
            --next;
        }

        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        std::fflush(nullptr);
        const pid_t driver = ::fork();
        ASSERT_GE(driver, 0);
        if (driver == 0) {
            ::close(fds[0]);
            Drive(next, state, fds[1]);
        }
        ::close(fds[1]);
        std::string sent;
        Drain(fds[0], sent, delayMs(random));
        Kill(reg);
        Kill(driver);
        Drain(fds[0], sent, -1);
        ::close(fds[0]);
        const Report report = ParseReports(sent);
        if (std::getenv("KAS_KILL_VERBOSE") != nullptr) {
            std::printf("round %d: from step %zu, %zu steps reported\n", round, next,
                        report.last ? *report.last + 1 - next : 0);
        }
        ASSERT_TRUE(report.error.empty()) << report.error;

        // The candidates: the memory after the last step reported, or after
        // the step in flight.
        Shadow done = shadow;
        const std::size_t firstStep = next;
        if (report.last) {
            for (std::size_t i = firstStep; i <= *report.last; ++i) {
                done.Apply(StepOf(i));
            }
        }
        const std::size_t inFlight = report.last ? *report.last + 1 : firstStep;
        Shadow further = done;
        further.Apply(StepOf(inFlight));

        std::string error;
        const auto loaded =
            kasemu::loadState(state, kasemu::factoryState(kasemu::ModelKind::Rx410f), &error);
        if (!fs::exists(state)) {
            // Killed before the register first wrote its memory.
            ASSERT_EQ(Summary(done), Summary(Shadow{})) << "the state file is gone";
            continue;
        }
        ASSERT_TRUE(loaded) << "the state file does not load: " << error;
        const std::string got = Summary(*loaded);
        if (got == Summary(done)) {
            ++atLastReported;
            if (report.last) {
                EXPECT_EQ(ReadFile(state), report.file)
                    << "the state file changed after the last command without a command";
            }
            shadow = done;
            next = inFlight;
        } else if (got == Summary(further)) {
            ++inFlightDone;
            shadow = further;
            next = inFlight + 1;
        } else {
            FAIL() << "torn memory: " << got << "\n after step " << (report.last ? *report.last : 0)
                   << ": " << Summary(done) << "\n or " << inFlight << ": " << Summary(further);
        }
    }
    std::printf("rounds done; memory at the last completed command %d times, with the command in "
                "flight done %d times; %zu Z reports, %u receipts\n",
                atLastReported, inFlightDone, shadow.z.size(), shadow.lastReceipt);

    // The restarted register tells the driver what the run left.
    if (!HasFailure()) {
        const pid_t reg = StartRegister(link, state);
        ASSERT_TRUE(WaitForLink(link, reg));
        ASSERT_EQ(FPInit(1, 9600, 1, 1), -1);
        uint16_t lastZ = 0;
        EXPECT_EQ(FPGetNumZReport(&lastZ, nullptr), -1) << DriverError();
        EXPECT_EQ(lastZ, shadow.z.empty() ? 1 : shadow.z.size());
        int64_t cash = -1;
        EXPECT_EQ(FPGetMoneyInBox(&cash), -1) << DriverError();
        EXPECT_EQ(cash, shadow.cash);
        int64_t daySales = -1;
        EXPECT_EQ(FPGetSaleDaySum(&daySales), -1) << DriverError();
        EXPECT_EQ(daySales, shadow.daySales);
        FPClose();
        Kill(reg);
    }
    if (std::getenv("KAS_KILL_KEEP") == nullptr) {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
}
