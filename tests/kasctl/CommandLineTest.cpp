// kasctl as scripts and newcomers meet it: run as a program against an
// emulator linked as COM1, judged by its exit status and what it prints.
#include "DeviceFolder.h"
#include "kasemu/Emulator.h"
#include "kasemu/Faults.h"
#include "kasemu/RegisterState.h"

#include <gtest/gtest.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

using kastest::ReadAll;

class KasctlCommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(devices_.made());
        dir_ = devices_.path();
        kasemu::EmulatorOptions o;
        o.linesPerSecond = 0;
        o.linkPath = dir_ + "/com1";
        o.clock = std::make_shared<kasemu::ManualClock>(kasemu::CivilTime{2026, 12, 7, 10, 0, 0});
        emulator_ = std::make_unique<kasemu::Emulator>(std::move(o));
    }
    void TearDown() override { emulator_.reset(); }

    Result Kasctl(std::vector<std::string> words) {
        const pid_t pid = Start(std::move(words), "");
        Result run;
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid) {
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        run.out = ReadAll(dir_ + "/out");
        run.err = ReadAll(dir_ + "/err");
        return run;
    }

    // kasctl started with its output in files named after `tag`; its process id.
    pid_t Start(std::vector<std::string> words, const std::string& tag) {
        words.insert(words.begin(), KASCTL_PATH);
        std::vector<char*> argv;
        for (auto& w : words) {
            argv.push_back(w.data());
        }
        argv.push_back(nullptr);
        const std::string out = dir_ + "/out" + tag;
        const std::string err = dir_ + "/err" + tag;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        pid_t pid = 0;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    const std::string& dir() const { return dir_; }
    kasemu::Emulator& emulator() { return *emulator_; }

  private:
    kastest::DeviceFolder devices_;
    std::string dir_;
    std::unique_ptr<kasemu::Emulator> emulator_;
};

struct Case {
    std::vector<std::string> words;
    int status;
    const char* out; // expected in stdout ("" for anything)
    const char* err; // expected in stderr
};

void Check(const Case& c, const Result& run) {
    std::string line;
    for (const auto& w : c.words) {
        line += " " + w;
    }
    EXPECT_EQ(run.status, c.status) << "kasctl" << line << "\n" << run.out << run.err;
    EXPECT_NE(run.out.find(c.out), std::string::npos) << "kasctl" << line << "\n" << run.out;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << "kasctl" << line << "\n" << run.err;
}

TEST_F(KasctlCommandLine, BadUsageExitsWithTwoAndSaysWhatIsWrong) {
    const Case cases[] = {
        {{}, 2, "", "usage: kasctl"},
        {{"--frobnicate", "status"}, 2, "", "unknown option '--frobnicate'"},
        {{"explode"}, 2, "", "unknown subcommand 'explode'"},
        {{"--baud", "14400", "status"}, 2, "", "expected 9600, 19200 or 38400"},
        {{"--port", "0", "status"}, 2, "", "from 1 to 255"},
        {{"--port"}, 2, "", "--port needs a value"},
        {{"status", "now"}, 2, "", "unexpected 'now'"},
        {{"x-report", "0", "1"}, 2, "", "unexpected '1'"},
        {{"sale", "1"}, 2, "", "too few arguments"},
        {{"pay", "bitcoin", "1"}, 2, "", "expected card, credit, cheque or cash (or 0 to 3)"},
        {{"sale", "1", "2.00", "Ж", "Хліб"}, 2, "", "expected a tax group"},
        {{"baud", "14400"}, 2, "", "expected 9600, 19200 or 38400"},
        {{"periodic-report", "0", "2026-12-08", "2026-12-01"}, 2, "", "FROM 2026-12-08 is after"},
        {{"periodic-short", "0", "2026-12-08", "2026-12-01"}, 2, "", "FROM 2026-12-08 is after"},
        {{"number-report", "0", "5", "2"}, 2, "", "FIRST 5 is after LAST 2"},
        {{"comment", "Знижка 5€"}, 2, "", "cannot print \"€\" (U+20AC)"},
        {{"password", "10", "0", "1"}, 2, "", "from 0 to 9"},
    };
    for (const Case& c : cases) {
        Check(c, Kasctl(c.words));
    }
}

TEST_F(KasctlCommandLine, HelpVersionAndSuccessSayWhatTheyDid) {
    const Case cases[] = {
        {{"--help"}, 0, "exit status: 0 success, 1", ""},
        {{"--version"}, 0, "kasctl 1.", ""},
        {{"sale", "--help"}, 0, "stored", ""},
        {{"pay", "--help"}, 0, "card|credit|cheque|cash", ""},
        {{"x-report", "0"}, 0, "the X report was printed", ""},
        {{"version"}, 0, "the firmware version was printed", ""},
        {{"annul"}, 0, "", ""},
        {{"receipt-header", "1", "Кава і чай №1"}, 0, "the receipt header line was programmed", ""},
    };
    for (const Case& c : cases) {
        Check(c, Kasctl(c.words));
    }
    // The detailed help explains the flag words, not only the synopsis.
    const Result sale = Kasctl({"sale", "--help"});
    for (const char* word : {"QTY", "PRICE", "GROUP", "NAME", "CODE", "unit", "barcode"}) {
        EXPECT_NE(sale.out.find(std::string("\n  ") + word + " "), std::string::npos) << word;
    }
}

TEST_F(KasctlCommandLine, RegisterErrorsExitWithOneAndJsonCarriesThem) {
    // No receipt is open: the register refuses a payment.
    const Result refused = Kasctl({"--json", "pay", "cash", "1"});
    EXPECT_EQ(refused.status, 1) << refused.out << refused.err;
    EXPECT_NE(refused.err.find("Байт статуса"), std::string::npos);
    EXPECT_EQ(refused.out.rfind("{\"error\": \"", 0), 0u) << refused.out;
    EXPECT_NE(refused.out.find("\"result_byte\": "), std::string::npos);

    // A result code without a text of its own is still reported as a refusal.
    emulator().inject(*kasemu::parseFault("result:3"));
    const Result untold = Kasctl({"date"});
    EXPECT_EQ(untold.status, 1) << untold.out << untold.err;
    EXPECT_EQ(untold.err.rfind("error: the register refused the command", 0), 0u) << untold.err;
    EXPECT_NE(untold.err.find("Байт результата: 3"), std::string::npos) << untold.err;

    // A port with nothing behind it.
    const Result absent = Kasctl({"--port", "7", "status"});
    EXPECT_EQ(absent.status, 1) << absent.err;

    const Result sale = Kasctl({"--json", "sale", "1.5", "2.00", "А", "Хліб"});
    EXPECT_EQ(sale.status, 0) << sale.err;
    EXPECT_EQ(sale.out, "{\"line_cost\": 3.00, \"receipt_total\": 3.00}\n");
    const Result status = Kasctl({"--json", "status"});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_NE(status.out.find("\"receipt_open\": true"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("\"firmware\": \""), std::string::npos) << status.out;
    const Result done = Kasctl({"--json", "annul"});
    EXPECT_EQ(done.out, "{\"done\": \"the open receipt was annulled\"}\n");
}

TEST_F(KasctlCommandLine, ValuesLineUpAfterCyrillicLabels) {
    const Result day = Kasctl({"day-report"});
    ASSERT_EQ(day.status, 0) << day.err;
    // Every value starts in the same character column, whatever the label's script.
    std::size_t column = 0;
    std::size_t lines = 0;
    for (std::size_t at = 0; at < day.out.size();) {
        const std::size_t end = day.out.find('\n', at);
        const std::string line = day.out.substr(at, end - at);
        at = end + 1;
        std::size_t chars = 0;
        std::size_t valueAt = 0;
        for (std::size_t k = 0; k < line.size(); ++k) {
            if ((static_cast<unsigned char>(line[k]) & 0xC0) == 0x80) {
                continue;
            }
            if (k > 0 && line[k - 1] == ' ' && line[k] != ' ' &&
                line.find(' ', k) == std::string::npos) {
                valueAt = chars;
            }
            ++chars;
        }
        column = column == 0 ? valueAt : column;
        EXPECT_EQ(valueAt, column) << line;
        ++lines;
    }
    EXPECT_GT(lines, 20u);
    EXPECT_NE(day.out.find("sales, group А"), std::string::npos);
}

TEST_F(KasctlCommandLine, CashiersHaveOneNumbering) {
    ASSERT_EQ(Kasctl({"password", "0", "0", "4321"}).status, 0);
    const Result list = Kasctl({"passwords"});
    ASSERT_EQ(list.status, 0) << list.err;
    // The cashier changed as number 0 is listed as cashier 0.
    const auto at = list.out.find("cashier 0 ");
    ASSERT_NE(at, std::string::npos) << list.out;
    const std::string line = list.out.substr(at, list.out.find('\n', at) - at);
    EXPECT_NE(line.find("4321"), std::string::npos) << line;
    EXPECT_EQ(list.out.find("cashier 8"), std::string::npos);
}

TEST_F(KasctlCommandLine, TheRelayShowsTheTrafficOfAnotherHostDecoded) {
    // COM2 is the relay's pseudo-terminal, the emulator on COM1 the register behind it.
    const pid_t relay =
        Start({"relay", "--port", "2", "--device", dir() + "/com1", "--log", dir() + "/relay.log"},
              "-relay");
    ASSERT_GT(relay, 0);
    for (int wait = 0; wait < 500 && !std::filesystem::exists(dir() + "/com2"); ++wait) {
        ::usleep(10'000);
    }
    const Result sale = Kasctl({"--port", "2", "sale", "1.5", "2.40", "А", "Хліб житній", "7"});
    const Result status = Kasctl({"--port", "2", "--json", "status"});
    ::kill(relay, SIGTERM);
    int exit = 0;
    ASSERT_EQ(::waitpid(relay, &exit, 0), relay);
    EXPECT_TRUE(WIFEXITED(exit) && WEXITSTATUS(exit) == 0);
    EXPECT_EQ(sale.status, 0) << sale.err;
    EXPECT_NE(sale.out.find("3.60"), std::string::npos) << sale.out;
    EXPECT_NE(status.out.find("\"receipt_open\": true"), std::string::npos) << status.out;

    const std::string shown = ReadAll(dir() + "/out-relay");
    EXPECT_NE(shown.find("host:     #1 status"), std::string::npos) << shown;
    // І and і go on the wire as the Latin I and i. The sale follows the read of
    // the receipt's sums that its verdict would need.
    EXPECT_NE(shown.find("host:     #1 receipt sums"), std::string::npos) << shown;
    EXPECT_NE(
        shown.find("host:     #2 sale line qty=1.5 price=2.40 group=А name=\"Хлiб житнiй\" code=7"),
        std::string::npos)
        << shown;
    EXPECT_NE(shown.find("register: sale line: ok [status 00 result 00 ext 00] cost=3.60 "
                         "total=3.60 ("),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find(" ms after the command)"), std::string::npos);
    // The log holds what was shown, and the link is gone with the relay.
    EXPECT_NE(shown.find(ReadAll(dir() + "/relay.log")), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir() + "/com2")));
}

// A sale under faults armed on the register: whether it is sent at all, how
// kasctl ends, and how many lines the register really registered.
TEST_F(KasctlCommandLine, AFiscalOutcomeInDoubtHasItsOwnExitStatus) {
    const struct {
        const char* name;
        std::vector<const char*> faults;
        int status;
        const char* out;
        const char* err;
        std::size_t lines;
    } cases[] = {
        // The sums of the receipt cannot be read before the line: it is not sent.
        {"state unreadable before", {"ignore@0x2B*3"}, 1, "not sent", "error: ", 0},
        // Every attempt carried out and unanswered, and the sums unreadable after.
        {"lost, state unreadable after",
         {"drop@0x12*3", "ignore@0x2B+1*3"},
         3,
         "\"carried_out\": \"not known\"",
         "in doubt: check the register before repeating",
         3},
        // The first frame answered after the window, while its repeat was on its way.
        {"late answer during the repeat",
         {"delay:2500@0x12"},
         1,
         "\"carried_out\": 2",
         "более одного раза",
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Kasctl({"annul"}); // the receipt of the case before, if one is open
        ASSERT_EQ(Kasctl({"sale", "1", "1.00", "А", "x"}).status, 0);
        for (const char* fault : c.faults) {
            emulator().inject(*kasemu::parseFault(fault));
        }
        const Result run = Kasctl({"--json", "sale", "1", "2.00", "А", "y"});
        emulator().clearFaults();
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        EXPECT_NE(run.out.find(c.out), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        std::size_t lines = 0;
        for (const auto& line : emulator().state().receipt.lines) {
            lines += line.kind == kasemu::ReceiptLine::Kind::Item ? 1 : 0;
        }
        EXPECT_EQ(lines, 1 + c.lines);
    }
}

} // namespace
