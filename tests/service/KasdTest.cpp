// kasd as a shop program meets it: a program on a private journal, spoken to over
// HTTP on loopback, with an emulator linked as COM1.
#include "DeviceFolder.h"
#include "kasemu/Emulator.h"
#include "kasemu/Faults.h"
#include "kasemu/RegisterState.h"

#include <httplib.h>
#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace {

using nlohmann::json;

const std::string kReceipts = "/v1/registers/1/receipts";
const std::string kSale = R"({"lines": [{"name": "Батон", "quantity": 2, "price": 1250,
                                          "taxGroup": "А", "article": 7},
                                         {"name": "Сыр", "quantity": 350, "decimals": 3,
                                          "price": 40000, "taxGroup": "А"}],
                              "payments": [{"form": "card", "amount": 1000},
                                           {"form": "cash", "amount": 20000}]})";

// The sale with one value replaced (a JSON pointer and its new value).
std::string SaleWith(const std::string& pointer, const json& value) {
    json j = json::parse(kSale);
    j[json::json_pointer(pointer)] = value;
    return j.dump();
}

using kastest::ReadAll;

void ExpectFields(const json& j, const json& expected) {
    for (const auto& [k, v] : expected.items())
        EXPECT_EQ(j.contains(k) ? j.at(k) : json(), v) << k << " in " << j.dump();
}

void AtOnce(int n, const std::function<void(int)>& fn) {
    std::vector<std::thread> threads;
    for (int i = 0; i < n; ++i)
        threads.emplace_back(fn, i);
    for (auto& t : threads)
        t.join();
}

struct Reply {
    int status = 0;
    std::string body;
    std::string type;
};

// A running kasd: its process, its port, and a client for it.
class Kasd {
  public:
    Kasd(std::vector<std::string> words, const std::string& errFile) {
        words.insert(words.begin(), KASD_PATH);
        std::vector<char*> argv;
        for (auto& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0600);
        if (posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        // The first line says where it listens; end of file says it did not start.
        std::string line;
        for (char c = 0; ::read(out[0], &c, 1) == 1 && c != '\n';)
            line.push_back(c);
        ::close(out[0]);
        if (line.rfind("kasd: listening on http://", 0) == 0)
            port_ = std::atoi(line.c_str() + line.rfind(':') + 1);
    }
    ~Kasd() { stop(); }

    bool listening() const { return port_ > 0; }
    int port() const { return port_; }

    // SIGTERM; kasd's exit status.
    int stop() {
        if (pid_ <= 0)
            return -1;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(std::exchange(pid_, -1), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // SIGKILL, as a crash or a power cut would stop it.
    void kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(std::exchange(pid_, -1), nullptr, 0);
        }
    }

    Reply get(const std::string& path, const std::string& token = "") {
        httplib::Headers headers;
        if (!token.empty())
            headers.emplace("Authorization", "Bearer " + token);
        return done(client().Get(path.c_str(), headers));
    }
    Reply post(const std::string& path, const std::string& body, const std::string& key) {
        httplib::Headers headers;
        if (!key.empty())
            headers.emplace("Idempotency-Key", key);
        return done(client().Post(path, headers, body, "application/json"));
    }
    Reply put(const std::string& path, const std::string& body, const httplib::Headers& headers) {
        return done(client().Put(path.c_str(), headers, body, "application/json"));
    }
    Reply get(const std::string& path, const httplib::Headers& headers) {
        return done(client().Get(path.c_str(), headers));
    }
    Reply sell(const std::string& body, const std::string& key) {
        return post(kReceipts, body, key);
    }

  private:
    httplib::Client client() {
        httplib::Client c("127.0.0.1", port_);
        c.set_read_timeout(60, 0);
        return c;
    }
    static Reply done(const httplib::Result& r) {
        return r ? Reply{r->status, r->body, r->get_header_value("Content-Type")} : Reply{};
    }

    pid_t pid_ = -1;
    int port_ = 0;
};

class KasdTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(devices_.made());
        dir_ = devices_.path();
        kasemu::EmulatorOptions o;
        o.linesPerSecond = 0;
        o.linkPath = dir_ + "/com1";
        o.clock = std::make_shared<kasemu::ManualClock>(kasemu::CivilTime{2026, 12, 7, 10, 0, 0});
        o.trace = true;
        o.traceSink = [this](const std::string& line) {
            std::lock_guard lock(frameMutex_);
            if (onFrame_ && (!frameWanted_ || frameWanted_(line)))
                std::exchange(onFrame_, nullptr)();
        };
        emulator_ = std::make_unique<kasemu::Emulator>(std::move(o));
    }
    void TearDown() override {
        kasd_.reset();
        emulator_.reset();
        second_.reset();
    }
    // Runs `fn` on the emulator's thread when the next frame crosses the line.
    // With `wanted`, on the first trace line it takes.
    void OnNextFrame(std::function<void()> fn,
                     std::function<bool(const std::string&)> wanted = nullptr) {
        std::lock_guard lock(frameMutex_);
        onFrame_ = std::move(fn);
        frameWanted_ = std::move(wanted);
    }

    // Starts kasd on the test's journal, and waits until its first look at the
    // register is over, so that the counters see only what requests send.
    Kasd& StartKasd(std::vector<std::string> more = {}) {
        more.insert(more.begin(), {"--listen", "127.0.0.1:0", "--journal", journal()});
        kasd_ = std::make_unique<Kasd>(std::move(more), dir_ + "/kasd.err");
        EXPECT_TRUE(kasd_->listening()) << Stderr();
        EXPECT_EQ(kasd_->get("/v1/registers/1/status", token_).status, 200) << Stderr();
        emulator_->resetCounters();
        return *kasd_;
    }
    int StopKasd() { return std::exchange(kasd_, nullptr)->stop(); }

    std::string Stderr() const { return ReadAll(dir_ + "/kasd.err"); }
    std::string dir() const { return dir_; }
    std::string token_; // sent by StartKasd's first look when set
    std::string journal() const { return dir_ + "/state/journal.sqlite3"; }
    int TapeCount(const std::string& text) const {
        int n = 0;
        for (const auto& line : emulator_->tape())
            n += line.find(text) != std::string::npos ? 1 : 0;
        return n;
    }
    kasemu::Emulator& emu() { return *emulator_; }
    // A register linked as COM2.
    kasemu::Emulator& SecondRegister() {
        kasemu::EmulatorOptions o;
        o.linesPerSecond = 0;
        o.linkPath = dir_ + "/com2";
        second_ = std::make_unique<kasemu::Emulator>(std::move(o));
        return *second_;
    }

  private:
    kastest::DeviceFolder devices_;
    std::string dir_;
    std::unique_ptr<kasemu::Emulator> emulator_;
    std::unique_ptr<kasemu::Emulator> second_;
    std::unique_ptr<Kasd> kasd_;
    std::mutex frameMutex_;
    std::function<void()> onFrame_;
    std::function<bool(const std::string&)> frameWanted_;
};

TEST_F(KasdTest, RetriesWithTheSameKeyGetTheSameAnswerEvenAfterARestart) {
    Kasd& kasd = StartKasd();
    const auto before = emu().state().lastSaleReceipt;
    const Reply first = kasd.sell(kSale, "sale-0001");
    ASSERT_EQ(first.status, 200) << first.body << Stderr();
    EXPECT_EQ(first.type, "application/json");
    const json answer = json::parse(first.body);
    // total: 2 × 12.50 + 0.350 × 400.00
    ExpectFields(answer, {{"outcome", "printed"},
                          {"total", 16500},
                          {"change", 4500},
                          {"receiptNumber", before + 1}});
    EXPECT_EQ(answer["steps"].size(), 4u);
    EXPECT_EQ(emu().state().lastSaleReceipt, before + 1);
    EXPECT_FALSE(emu().state().receipt.open());
    EXPECT_EQ(TapeCount("Батон"), 1);

    // Retries, the body written otherwise: the recorded answer, nothing sent.
    emu().resetCounters();
    const std::string reordered = json::parse(kSale).dump(2);
    for (int i = 0; i < 5; ++i) {
        const Reply again = kasd.sell(i % 2 ? kSale : reordered, "sale-0001");
        EXPECT_EQ(again.status, first.status);
        EXPECT_EQ(again.body, first.body);
    }
    const Reply conflict = kasd.sell(SaleWith("/lines/0/quantity", 3), "sale-0001");
    EXPECT_EQ(conflict.status, 409) << conflict.body;
    EXPECT_EQ(conflict.type, "application/problem+json");
    EXPECT_EQ(json::parse(conflict.body)["field"], "Idempotency-Key");
    EXPECT_EQ(emu().counters().bytesReceived, 0u);
    EXPECT_EQ(emu().state().lastSaleReceipt, before + 1);
    EXPECT_EQ(TapeCount("Батон"), 1);

    const Reply record = kasd.get("/v1/requests/sale-0001");
    ASSERT_EQ(record.status, 200) << record.body;
    const json r = json::parse(record.body);
    EXPECT_EQ(r["state"], "done");
    ExpectFields(r["response"], {{"status", 200}, {"body", answer}});
    EXPECT_EQ(kasd.get("/v1/requests/never-sent").status, 404);

    // After a restart the journal still answers.
    EXPECT_EQ(StopKasd(), 0);
    Kasd& fresh = StartKasd();
    const Reply again = fresh.sell(kSale, "sale-0001");
    EXPECT_EQ(again.status, 200);
    EXPECT_EQ(again.body, first.body);
    EXPECT_EQ(emu().counters().bytesReceived, 0u);
    EXPECT_EQ(emu().state().lastSaleReceipt, before + 1);
    EXPECT_EQ(json::parse(fresh.get("/v1/requests/sale-0001").body)["state"], "done");

    // Until it is older than the days kept.
    EXPECT_EQ(StopKasd(), 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(journal().c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db,
                           "UPDATE requests SET created = "
                           "strftime('%Y-%m-%dT%H:%M:%SZ', 'now', '-60 days')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(StartKasd({"--keep-days", "365"}).get("/v1/requests/sale-0001").status, 200);
    StopKasd();
    EXPECT_EQ(StartKasd({"--keep-days", "30"}).get("/v1/requests/sale-0001").status, 404);
}

// The journal holds the request, as being sent, before its first byte reaches
// the register; a retry while it runs gets that state and waits for nothing.
TEST_F(KasdTest, TheRequestIsJournalledBeforeItsFirstByte) {
    Kasd& kasd = StartKasd();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(journal().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::string stateAtFirstFrame = "(no frame)";
    Reply retryWhileRunning;
    OnNextFrame(
        [&] {
            retryWhileRunning = kasd.sell(kSale, "first-byte");
            sqlite3_stmt* st = nullptr;
            stateAtFirstFrame = "(no row)";
            if (sqlite3_prepare_v2(db, "SELECT state FROM requests WHERE key = 'first-byte'", -1,
                                   &st, nullptr) == SQLITE_OK &&
                sqlite3_step(st) == SQLITE_ROW)
                stateAtFirstFrame = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            sqlite3_finalize(st);
        },
        [](const std::string& line) { return line.find("host:") != std::string::npos; });
    EXPECT_EQ(kasd.sell(kSale, "first-byte").status, 200);
    OnNextFrame(nullptr);
    sqlite3_close(db);
    EXPECT_EQ(stateAtFirstFrame, "sending");
    EXPECT_EQ(retryWhileRunning.status, 202) << retryWhileRunning.body;
    EXPECT_EQ(retryWhileRunning.body, R"({"key":"first-byte","state":"sending"})");
    EXPECT_EQ(emu().state().lastSaleReceipt, 1u);
}

// Sale and payout receipts are registered once each, numbered by their own
// counters. The state a printed receipt leaves is known to the next receipt of
// its kind, which then sends nothing but its lines and payments; reads keep
// that knowledge, anything else that changes the register or a receipt that
// failed drops it.
TEST_F(KasdTest, ReceiptsAreNumberedAndReadTheRegisterOnlyWhenTheyMust) {
    Kasd& kasd = StartKasd();
    emu().withState([](kasemu::RegisterState& s) { s.cashInDrawer = 100000; });
    enum class First { Nothing, StatusRead, CashIn, RefusedReceipt };
    struct Step {
        const char* kind; // of the receipt
        First first;      // what goes before it
        std::uint64_t frames;
    };
    const Step steps[] = {
        {"sale", First::Nothing, 7},        {"sale", First::Nothing, 4},
        {"sale", First::StatusRead, 4},     {"sale", First::CashIn, 7},
        {"payout", First::Nothing, 7},      {"payout", First::Nothing, 4},
        {"sale", First::Nothing, 7},        {"sale", First::Nothing, 4},
        {"sale", First::RefusedReceipt, 7},
    };
    int n = 0;
    for (const Step& st : steps) {
        const std::string key = "receipt-" + std::to_string(++n);
        SCOPED_TRACE(key);
        switch (st.first) {
        case First::Nothing:
            break;
        case First::StatusRead:
            EXPECT_EQ(kasd.get("/v1/registers/1/status").status, 200);
            break;
        case First::CashIn:
            EXPECT_EQ(
                kasd.post("/v1/registers/1/cash-in", R"({"amount": 100})", key + "-op").status,
                200);
            break;
        case First::RefusedReceipt: // tax group Б is not programmed: the receipt is annulled
            EXPECT_EQ(kasd.sell(SaleWith("/lines/1/taxGroup", "Б"), key + "-refused").status, 422);
            break;
        }
        const bool payout = std::string(st.kind) == "payout";
        const auto before = emu().state();
        emu().resetCounters();
        const Reply r = kasd.sell(SaleWith("/kind", st.kind), key);
        ASSERT_EQ(r.status, 200) << r.body << Stderr();
        EXPECT_EQ(emu().counters().framesReceived, st.frames);
        const auto after = emu().state();
        const unsigned number = payout ? after.lastPayoutReceipt : after.lastSaleReceipt;
        ExpectFields(json::parse(r.body), {{"receiptNumber", number}, {"total", 16500}});
        EXPECT_EQ(after.lastPayoutReceipt, before.lastPayoutReceipt + (payout ? 1 : 0));
        EXPECT_EQ(after.lastSaleReceipt, before.lastSaleReceipt + (payout ? 0 : 1));
        EXPECT_FALSE(after.receipt.open());
    }
}

// Clients at once: each receipt is registered once, none is lost; the same key
// sent at once by several clients is one receipt, each client getting its
// answer or, while it runs, its state.
TEST_F(KasdTest, ClientsAtOnceGetEachReceiptOnce) {
    kasemu::Emulator& second = SecondRegister();
    Kasd& kasd = StartKasd({"--port", "1", "--port", "2"});
    kasemu::Emulator* registers[] = {&emu(), &second};
    const unsigned before[] = {emu().state().lastSaleReceipt, second.state().lastSaleReceipt};
    constexpr int kClients = 4;
    constexpr int kEach = 25;
    // Each client sends to both registers in turn.
    std::vector<std::vector<std::pair<int, Reply>>> replies(kClients);
    AtOnce(kClients, [&](int c) {
        for (int i = 0; i < kEach; ++i) {
            const int r = (c + i) % 2;
            replies[c].emplace_back(
                r, kasd.post("/v1/registers/" + std::to_string(r + 1) + "/receipts", kSale,
                             "client-" + std::to_string(c) + "-" + std::to_string(i)));
        }
    });
    std::set<std::pair<int, int>> numbers;
    for (const auto& mine : replies) {
        int last[2] = {0, 0};
        for (const auto& [r, reply] : mine) {
            ASSERT_EQ(reply.status, 200) << reply.body;
            const int number = json::parse(reply.body)["receiptNumber"];
            EXPECT_GT(number, last[r]) << "a client's receipts in the order it sent them";
            numbers.emplace(r, last[r] = number);
        }
    }
    EXPECT_EQ(numbers.size(), std::size_t{kClients * kEach});
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(registers[r]->state().lastSaleReceipt, before[r] + kClients * kEach / 2);
        int onTape = 0;
        for (const auto& line : registers[r]->tape())
            onTape += line.find("Батон") != std::string::npos ? 1 : 0;
        EXPECT_EQ(onTape, kClients * kEach / 2);
    }
    const auto firstRegister = emu().state().lastSaleReceipt;

    std::vector<Reply> same(kClients);
    AtOnce(kClients, [&](int c) { same[c] = kasd.sell(kSale, "same"); });
    EXPECT_EQ(emu().state().lastSaleReceipt, firstRegister + 1);
    const Reply done = kasd.sell(kSale, "same");
    ASSERT_EQ(done.status, 200);
    for (const Reply& r : same) {
        if (r.status == 202) {
            const std::string state = json::parse(r.body)["state"];
            EXPECT_TRUE(state == "queued" || state == "sending") << r.body;
        } else {
            EXPECT_EQ(r.status, 200);
            EXPECT_EQ(r.body, done.body);
        }
    }
}

// A step that fails: the verdict settles it, or the receipt is annulled whole;
// the answer says which, with the register's text and bytes.
struct FailingStep {
    const char* what;
    const char* fault; // armed before the request; "" for none
    std::string body;
    int status;
    const char* outcome;
    unsigned printed;  // receipts added
    unsigned annulled; // receipts annulled
    int cancellations; // lines cancelled to settle lines carried out more than once
    const char* error; // the register's text in the answer ("" for none)
};

TEST_F(KasdTest, FailingStepsAreSettledOrTheReceiptIsAnnulled) {
    const FailingStep cases[] = {
        // Tax group Б is not programmed on a new register.
        {"the register refuses a line", "", SaleWith("/lines/1/taxGroup", "Б"), 422, "annulled", 0,
         1, 0, "Налоговая группа не существует"},
        {"a line's answer is lost after it was carried out", "drop@0x12+1", kSale, 200, "printed",
         1, 0, 1, ""},
        {"the closing payment's answer is lost", "drop@0x14+1", kSale, 200, "printed", 1, 0, 0, ""},
        {"the register is silent", "ignore*3", kSale, 503, "not printed", 0, 0, 0, ""},
        {"a line carried out three times is cancelled down to one", "drop@0x12+1*3", kSale, 200,
         "printed", 1, 0, 2, ""},
        {"the second line is lost on the way every time", "ignore@0x12+1*3", kSale, 503, "annulled",
         0, 1, 0, ""},
        {"a line's answer says no though it was carried out", "result:21@0x12+1", kSale, 200,
         "printed", 1, 0, 0, ""},
    };
    Kasd& kasd = StartKasd();
    int n = 0;
    for (const FailingStep& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string key = "failing-" + std::to_string(++n);
        const auto before = emu().state();
        emu().clearFaults();
        if (*c.fault != '\0') {
            const auto fault = kasemu::parseFault(c.fault);
            ASSERT_TRUE(fault) << c.fault;
            emu().inject(*fault);
        }
        const Reply r = kasd.sell(c.body, key);
        SCOPED_TRACE(r.body);
        EXPECT_EQ(r.status, c.status);
        const json p = json::parse(r.body, nullptr, false);
        ASSERT_TRUE(p.is_object()) << Stderr();
        EXPECT_EQ(p["outcome"], c.outcome);
        const auto after = emu().state();
        EXPECT_FALSE(after.receipt.open());
        EXPECT_EQ(after.lastSaleReceipt, before.lastSaleReceipt + c.printed);
        EXPECT_EQ(after.day.annulledSale.count, before.day.annulledSale.count + c.annulled);
        // The day's sales grew by the receipt once, whatever was settled on the way.
        EXPECT_EQ(after.day.sale.byGroup[0] - before.day.sale.byGroup[0], 16500 * c.printed);
        int cancellations = 0;
        for (const auto& step : p["steps"])
            cancellations += step["step"] == "cancellation" ? 1 : 0;
        EXPECT_EQ(cancellations, c.cancellations);
        if (c.status == 200) {
            ExpectFields(p, {{"total", 16500}, {"change", 4500}});
            EXPECT_EQ(r.type, "application/json");
        } else {
            EXPECT_EQ(r.type, "application/problem+json");
            const json& steps = p["steps"];
            EXPECT_EQ(!steps.empty() && steps.back()["step"] == "annulment", c.annulled == 1);
        }
        if (*c.error != '\0') {
            EXPECT_NE(p["registerError"]["error"].get<std::string>().find(c.error),
                      std::string::npos);
            EXPECT_EQ(p["registerError"]["result byte"], 23);
        }
        const std::string state = c.status == 200 ? "done" : "refused";
        EXPECT_EQ(json::parse(kasd.get("/v1/requests/" + key).body)["state"], state);
        // Its retry is answered from the journal.
        emu().resetCounters();
        EXPECT_EQ(kasd.sell(c.body, key).body, r.body);
        EXPECT_EQ(emu().counters().bytesReceived, 0u);
    }
}

// Faults armed at random before a third of the receipts: whatever the answer
// says was printed is on the register once, and what it says was not is not.
TEST_F(KasdTest, UnderRandomFaultsEachOutcomeAgreesWithTheRegister) {
    const char* const faults[] = {"drop@0x12+1",    "drop@0x14+1",     "ignore*3",
                                  "nak*3",          "length:1",        "ignore@0x12+1*3",
                                  "drop@0x12+1*3",  "delay:2500@0x12", "result:21@0x12+1",
                                  "delay:2500@0x14"};
    Kasd& kasd = StartKasd();
    std::mt19937 random(7);
    int armed = 0;
    for (int i = 0; i < 24; ++i) {
        emu().clearFaults();
        std::string fault = "none";
        if (random() % 3 == 0) {
            fault = faults[random() % std::size(faults)];
            emu().inject(*kasemu::parseFault(fault));
            ++armed;
        }
        SCOPED_TRACE(fault);
        const auto before = emu().state();
        const Reply r = kasd.sell(kSale, "random-" + std::to_string(i));
        const json answer = json::parse(r.body);
        const auto after = emu().state();
        const std::string outcome = answer.value("outcome", "");
        const unsigned added = after.lastSaleReceipt - before.lastSaleReceipt;
        const auto sold = after.day.sale.byGroup[0] - before.day.sale.byGroup[0];
        const auto annulled = after.day.annulledSale.count - before.day.annulledSale.count;
        ASSERT_FALSE(after.receipt.open()) << r.body;
        if (outcome == "printed") {
            EXPECT_EQ(added, 1u);
            EXPECT_EQ(sold, 16500);
            EXPECT_EQ(answer["receiptNumber"], after.lastSaleReceipt);
        } else {
            EXPECT_TRUE(outcome == "annulled" || outcome == "not printed") << r.body;
            EXPECT_EQ(added, 0u);
            EXPECT_EQ(sold, 0);
            EXPECT_EQ(annulled, outcome == "annulled" ? 1u : 0u);
        }
    }
    EXPECT_GT(armed, 4);
}

struct BadRequest {
    std::string path;
    std::string key;
    std::string body;
    int status;
    std::string field; // expected in the problem's field ("" for none)
};

BadRequest Bad(const std::string& body, const std::string& field = "") {
    return {kReceipts, "k", body, 400, field};
}

TEST_F(KasdTest, BadRequestsAreRefusedByNameAndNeverReachTheRegister) {
    Kasd& kasd = StartKasd();
    const std::string deep = std::string(30000, '[') + std::string(30000, ']');
    std::vector<BadRequest> cases = {
        {kReceipts, "", kSale, 400, "Idempotency-Key"},
        {kReceipts, "a b", kSale, 400, "Idempotency-Key"},
        {kReceipts, std::string(129, 'k'), kSale, 400, "Idempotency-Key"},
        {"/v1/registers/2/receipts", "k", kSale, 404, ""},
        {"/v1/registers/9999/receipts", "k", kSale, 404, ""},
        {"/v1/registers/1/tickets", "k", kSale, 404, ""},
        {kReceipts, "k", std::string(70 * 1024, ' ') + kSale, 413, ""},
        Bad(R"({"lines": [)"),
        Bad("[1, 2]", "/"),
        Bad(deep, "/"),
        Bad(R"({"lines": )" + deep + "}", "/lines/0"),
        // Invalid UTF-8, quoted by the parser; then a field name that is not UTF-8.
        Bad(R"({"lines": [{"name": ")" + std::string("\xC0\xAF") +
            R"(", "quantity": 1, "price": 100, "taxGroup": "А"}],
                "payments": [{"form": "cash", "amount": 100}]})"),
        Bad("{\"" + std::string("\xFF") + "\": 1, " + kSale.substr(1)),
        Bad(R"({"lines": [{"quantity": 1, "price": 100, "taxGroup": "А"}],
                "payments": [{"form": "cash", "amount": 100}]})",
            "/lines/0/name"),
        Bad(SaleWith("/payments/1/amount", 100), "/payments"), // short of the total
    };
    // One value of the sale replaced, refused by its own pointer (among them a Latin tax
    // group, a name the register cannot print, a card payment beyond the total).
    const std::pair<const char*, json> values[] = {
        {"/discount", 5},
        {"/a~1b", 1},
        {"/lines/0/colour", "red"},
        {"/lines/0/quantity", "2"},
        {"/lines/0/quantity", 0},
        {"/lines/0/quantity", 16777216},
        {"/lines/1/price", 12.5},
        {"/lines/1/price", -100},
        {"/lines/1/price", 4294967296LL},
        {"/lines/1/decimals", 4},
        {"/lines/0/taxGroup", "Ж"},
        {"/lines/0/taxGroup", "A"},
        {"/lines/0/article", 281474976710656LL},
        {"/lines/0/name", ""},
        {"/lines/0/name", std::string(51, 'x')},
        {"/lines/0/name", "Чай ☕"},
        {"/lines/0/name", "a\tb"},
        {"/lines", json::array()},
        {"/lines/0/unit", 1},
        {"/payments/1/form", "bitcoin"},
        {"/payments/0/amount", 20000},
        {"/payments/2", json{{"form", "cash"}, {"amount", 100}}},
        {"/kind", "refund"},
        {"/adjustment/type", "gift"},
        {"/lines/0/adjustment", json{{"type", "discount"}, {"percent", 5}, {"amount", 5}}},
        {"/comments/0", std::string(28, 'x')},
        {"/barcodes/0", "Ж"}};
    for (const auto& [pointer, value] : values)
        cases.push_back(Bad(SaleWith(pointer, value), pointer));
    for (const BadRequest& c : cases) {
        SCOPED_TRACE(c.path + " key '" + c.key.substr(0, 10) + "' " + c.body.substr(0, 300));
        const Reply r = kasd.post(c.path, c.body, c.key);
        EXPECT_EQ(r.status, c.status) << r.body;
        EXPECT_EQ(r.type, "application/problem+json");
        const json p = json::parse(r.body, nullptr, false);
        ASSERT_TRUE(p.is_object()) << r.body;
        EXPECT_EQ(p.value("status", 0), c.status);
        if (!c.field.empty()) {
            EXPECT_EQ(p.value("field", ""), c.field) << r.body;
        }
    }
    EXPECT_EQ(emu().counters().bytesReceived, 0u);
    EXPECT_EQ(TapeCount("Батон"), 0);
    // None of them took a key: the good request with key "k" is printed.
    EXPECT_EQ(kasd.sell(kSale, "k").status, 200);
}

TEST_F(KasdTest, ReadsAndTheDocumentAreServed) {
    Kasd& kasd = StartKasd();
    const Reply registers = kasd.get("/v1/registers");
    ASSERT_EQ(registers.status, 200);
    ExpectFields(json::parse(registers.body)["registers"][0], {{"port", 1},
                                                               {"model", "RX-410F"},
                                                               {"firmware", "РМ-15"},
                                                               {"speed", 9600},
                                                               {"state", "idle"},
                                                               {"queue", 0}});

    const Reply status = kasd.get("/v1/registers/1/status");
    ASSERT_EQ(status.status, 200);
    const json s = json::parse(status.body);
    ExpectFields(s, {{"date", "2026-12-07"}, {"time", "10:00:00"}});
    EXPECT_EQ(s["status"]["receiptOpen"], false);
    EXPECT_EQ(kasd.get("/v1/registers/3/status").status, 404);

    // The document parses, and every request body it describes has an example
    // that the service takes.
    const Reply doc = kasd.get("/v1/openapi.json");
    ASSERT_EQ(doc.status, 200);
    const json api = json::parse(doc.body);
    EXPECT_EQ(api["openapi"], "3.1.0");
    int bodies = 0;
    for (const auto& [path, item] : api["paths"].items()) {
        for (const auto& [method, op] : item.items()) {
            if (!op.is_object() || !op.contains("requestBody"))
                continue;
            ++bodies;
            const auto& examples = op["requestBody"]["content"]["application/json"]["examples"];
            ASSERT_FALSE(examples.empty()) << method << " " << path;
            for (const auto& [name, example] : examples.items()) {
                std::string target = path;
                target.replace(target.find("{n}"), 3, "1");
                const std::string key = "example-" + path + name;
                const Reply r = method == "put" ? kasd.put(target, example["value"].dump(),
                                                           {{"Idempotency-Key", key}})
                                                : kasd.post(target, example["value"].dump(), key);
                EXPECT_EQ(r.status, 200) << name << "\n" << r.body;
            }
        }
    }
    EXPECT_GT(bodies, 0);
}

TEST(KasdCommandLine, UsageAndExitStatus) {
    const std::pair<std::vector<std::string>, std::pair<int, const char*>> cases[] = {
        {{"--help"}, {0, "usage: kasd"}},
        {{"--version"}, {0, "kasd "}},
        {{"--frobnicate"}, {2, "unknown option '--frobnicate'"}},
        {{"--port", "0"}, {2, "from 1 to 255"}},
        {{"--port"}, {2, "--port needs a value"}},
        {{"--baud", "14400"}, {2, "expected 9600, 19200 or 38400"}},
        {{"--listen", "8737"}, {2, "expected ADDR:PORT"}},
        {{"--listen", "0.0.0.0:8737"}, {2, "needs --token-file"}},
        {{"--journal", "/proc/kasd/journal.sqlite3", "--listen", "127.0.0.1:0"},
         {1, "cannot open the journal"}}};
    char tmpl[] = "/tmp/kasd-usage-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string out = std::string(tmpl) + "/out";
    const std::string config = std::string(tmpl) + "/kasd.conf";
    std::FILE* f = std::fopen(config.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("# registers\nports = 1 2\nbaud = 19200\nspeed = 9600\n", f);
    std::fclose(f);
    const std::pair<std::vector<std::string>, std::pair<int, const char*>> files[] = {
        {{"--config", config}, {2, "kasd.conf:4: unknown setting 'speed'"}},
        {{"--config", config + ".none"}, {2, "cannot read the configuration"}},
        {{"--port", "2", "--port", "2"}, {2, "a port is given twice"}},
        {{"--queue-wait", "0"}, {2, "expected seconds from 1 to 3600"}},
        {{"--token-file", config + ".none"}, {1, "cannot read the token file"}}};
    std::vector<std::pair<std::vector<std::string>, std::pair<int, const char*>>> all(
        std::begin(cases), std::end(cases));
    all.insert(all.end(), std::begin(files), std::end(files));
    for (const auto& [args, expected] : all) {
        std::string line = KASD_PATH;
        for (const auto& a : args)
            line += " '" + a + "'";
        line += " >" + out + " 2>&1";
        const int status = std::system(line.c_str());
        const std::string text = ReadAll(out);
        ASSERT_TRUE(WIFEXITED(status)) << line;
        EXPECT_EQ(WEXITSTATUS(status), expected.first) << line << "\n" << text;
        EXPECT_NE(text.find(expected.second), std::string::npos) << line << "\n" << text;
    }
    std::error_code ec;
    std::filesystem::remove_all(tmpl, ec);
}

// Discounts and surcharges, on a line and on the subtotal, comments and bar
// codes: the register reckons the total, and the payments must fit it.
TEST_F(KasdTest, AdjustmentsCommentsAndBarcodesJoinTheReceipt) {
    json adjusted = json::parse(kSale);
    adjusted["lines"][0]["adjustment"] = {{"type", "discount"}, {"percent", 10}};
    adjusted["adjustment"] = {{"type", "surcharge"}, {"amount", 100}, {"text", "Доставка"}};
    adjusted["comments"] = {"Дякуємо за покупку"};
    adjusted["barcodes"] = {"ORDER-1234"};
    json overpaid = json::parse(kSale);
    overpaid["adjustment"] = {{"type", "discount"}, {"amount", 16000}};
    struct Case {
        json body;
        int status;
        const char* outcome;
        std::int64_t total;
    };
    const Case cases[] = {{adjusted, 200, "printed", 16500 - 250 + 100},
                          {overpaid, 422, "annulled", 0}};
    Kasd& kasd = StartKasd();
    int n = 0;
    for (const Case& c : cases) {
        const auto before = emu().state();
        const Reply r = kasd.sell(c.body.dump(), "adjusted-" + std::to_string(++n));
        ASSERT_EQ(r.status, c.status) << r.body;
        const json answer = json::parse(r.body);
        EXPECT_EQ(answer["outcome"], c.outcome);
        const auto after = emu().state();
        EXPECT_FALSE(after.receipt.open());
        EXPECT_EQ(after.lastSaleReceipt, before.lastSaleReceipt + (c.status == 200 ? 1 : 0));
        if (c.status == 200) {
            EXPECT_EQ(answer["total"], c.total);
            EXPECT_EQ(answer["change"], 1000 + 20000 - c.total);
        } else {
            EXPECT_NE(answer["detail"].get<std::string>().find("only cash can exceed"),
                      std::string::npos);
        }
    }
    EXPECT_EQ(TapeCount("Дякуємо за покупку"), 1);
}

// The programming document: read, applied where it differs and read back;
// passwords only with the programming password, which never reaches the journal.
TEST_F(KasdTest, TheProgrammingDocumentIsReadAndApplied) {
    Kasd& kasd = StartKasd();
    const std::string path = "/v1/registers/1/programming";
    const Reply got = kasd.get(path);
    ASSERT_EQ(got.status, 200) << got.body;
    json doc = json::parse(got.body);
    EXPECT_EQ(doc["format"], "kasctl programming 1");
    EXPECT_FALSE(doc.contains("passwords"));
    doc["articles"] = {{{"code", 5}, {"name", "Хліб"}, {"price", 20.0}, {"group", "А"}}};
    json withPasswords = doc;
    withPasswords["passwords"] = {
        {"cashiers", {0, 0, 0, 0, 0, 0, 0, 0}}, {"programming", 0}, {"reports", 7}};
    struct Put {
        const char* key;
        const json& body;
        const char* password;
        int status;
    };
    const Put puts[] = {{"prog-1", doc, "", 200},
                        {"prog-2", withPasswords, "", 400},
                        {"prog-3", withPasswords, "9", 403},
                        {"prog-4", withPasswords, "0", 200}};
    for (const Put& p : puts) {
        httplib::Headers h = {{"Idempotency-Key", p.key}};
        if (*p.password != '\0')
            h.emplace("X-Programming-Password", p.password);
        const Reply r = kasd.put(path, p.body.dump(), h);
        EXPECT_EQ(r.status, p.status) << p.key << " " << r.body;
        if (p.status != 400) {
            const std::string record = kasd.get("/v1/requests/" + std::string(p.key)).body;
            EXPECT_EQ(record.find("\"password\""), std::string::npos) << record;
        }
    }
    const json article = json::parse(kasd.get(path + "?first=5&last=5").body)["articles"];
    ASSERT_EQ(article.size(), 1u);
    EXPECT_EQ(article[0]["name"], "Хлiб") << "the register keeps і as i";
    EXPECT_EQ(kasd.get(path, {{"X-Programming-Password", "9"}}).status, 403);
    const json passwords =
        json::parse(kasd.get(path, {{"X-Programming-Password", "0"}}).body)["passwords"];
    EXPECT_EQ(passwords["reports"], 7);
    EXPECT_EQ(kasd.get(path + "?first=0").status, 400);

    emu().resetCounters();
    EXPECT_EQ(kasd.put(path, doc.dump(), {{"Idempotency-Key", "prog-1"}}).status, 200);
    EXPECT_EQ(emu().counters().bytesReceived, 0u);
}

// A worker or the whole service killed half-way through a request: nothing of
// it is sent again; the register says what became of it, and the journal keeps
// that as the request's answer.
struct Stop {
    const char* what;
    bool wholeService; // else the register's worker only
    const char* path;  // under /v1/registers/1/
    std::string body;
    const char* frame; // killed when the register takes this command ...
    int nth;           // ... for the nth time
    int status;
    const char* outcome;
    unsigned printed, annulled;
    std::int64_t cashIn;
};

TEST_F(KasdTest, AStopHalfWayIsReconciledAndNeverSentAgain) {
    const Stop cases[] = {
        {"worker, second line", false, "receipts", kSale, "sale line", 2, 503, "annulled", 0, 1, 0},
        {"worker, closing payment", false, "receipts", kSale, "payment", 2, 200, "printed", 1, 0,
         0},
        {"service, second line", true, "receipts", kSale, "sale line", 2, 503, "annulled", 0, 1, 0},
        {"service, closing payment", true, "receipts", kSale, "payment", 2, 200, "printed", 1, 0,
         0},
        {"worker, cash in", false, "cash-in", R"({"amount": 5000})", "cash in ", 1, 200, "done", 0,
         0, 5000},
        {"service, cash in", true, "cash-in", R"({"amount": 5000})", "cash in ", 1, 200, "done", 0,
         0, 5000},
    };
    int n = 0;
    for (const Stop& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string key = "stop-" + std::to_string(++n);
        const std::string path = std::string("/v1/registers/1/") + c.path;
        Kasd* kasd = &StartKasd();
        const auto before = emu().state();
        const json registers = json::parse(kasd->get("/v1/registers").body)["registers"][0];
        const pid_t worker = registers["worker"].get<int>();
        int seen = 0;
        const std::string frame = c.frame;
        OnNextFrame(
            [&] {
                if (c.wholeService)
                    kasd->kill();
                else
                    ::kill(worker, SIGKILL);
            },
            [&](const std::string& line) {
                return line.find("host:") != std::string::npos &&
                       line.find(frame) != std::string::npos &&
                       line.find("cash in drawer") == std::string::npos && ++seen == c.nth;
            });
        Reply r = kasd->post(path, c.body, key);
        OnNextFrame(nullptr);
        if (c.wholeService) {
            EXPECT_EQ(r.status, 0) << "the client's connection was cut";
            kasd = &StartKasd(); // settles the request before it takes another
        }
        const json record = json::parse(kasd->get("/v1/requests/" + key).body);
        EXPECT_EQ(record["state"], c.status == 200 ? "done" : "refused") << record.dump();
        if (c.wholeService)
            r = {record["response"]["status"], record["response"]["body"].dump(), ""};
        EXPECT_EQ(r.status, c.status) << r.body << Stderr();
        const json body = json::parse(r.body);
        EXPECT_EQ(body["outcome"], c.outcome);
        EXPECT_EQ(body["reconciled"], true);
        const auto after = emu().state();
        EXPECT_FALSE(after.receipt.open());
        EXPECT_EQ(after.lastSaleReceipt, before.lastSaleReceipt + c.printed);
        EXPECT_EQ(after.day.annulledSale.count, before.day.annulledSale.count + c.annulled);
        // Cash pays 20000 of the receipt, 4500 of it back as change.
        EXPECT_EQ(after.cashInDrawer - before.cashInDrawer, c.cashIn + 15500 * c.printed);
        if (c.printed == 1)
            ExpectFields(body, {{"receiptNumber", after.lastSaleReceipt}, {"total", 16500}});
        if (!c.wholeService) {
            EXPECT_EQ(json::parse(kasd->get("/v1/registers").body)["registers"][0]["restarts"], 1);
        }
        // A retry is answered from the journal and sends nothing.
        emu().resetCounters();
        const Reply again = kasd->post(path, c.body, key);
        EXPECT_EQ(again.status, c.status);
        EXPECT_EQ(json::parse(again.body), body);
        EXPECT_EQ(emu().counters().bytesReceived, 0u);
        StopKasd();
    }
}

// The jobs beside the receipt, each journalled and answered from the journal
// when retried; reads answer from the register.
TEST_F(KasdTest, CashReportsAndReadsAreServed) {
    Kasd& kasd = StartKasd();
    emu().withState([](kasemu::RegisterState& s) { s.cashInDrawer = 1000; });
    struct Op {
        const char* path;
        const char* body;
        int status;
        std::int64_t drawer; // after
        unsigned zRecords;   // added
    };
    const Op ops[] = {
        {"cash-in", R"({"amount": 2500})", 200, 3500, 0},
        {"cash-out", R"({"amount": 500})", 200, 3000, 0},
        {"cash-out", R"({"amount": 999999})", 422, 3000, 0},
        {"zero-receipt", "", 200, 3000, 0},
        {"x-report", R"({"password": 0})", 200, 3000, 0},
        {"z-report", "{}", 200, 3000, 1},
    };
    int n = 0;
    for (const Op& op : ops) {
        SCOPED_TRACE(op.path);
        const std::string key = "op-" + std::to_string(++n);
        const std::string path = std::string("/v1/registers/1/") + op.path;
        const auto records = emu().state().fiscalMemory.size();
        const Reply r = kasd.post(path, op.body, key);
        EXPECT_EQ(r.status, op.status) << r.body;
        const auto after = emu().state();
        EXPECT_EQ(after.cashInDrawer, op.drawer);
        EXPECT_EQ(after.fiscalMemory.size(), records + op.zRecords);
        emu().resetCounters();
        EXPECT_EQ(kasd.post(path, op.body, key).body, r.body);
        EXPECT_EQ(emu().counters().bytesReceived, 0u);
    }
    const std::pair<std::string, std::string> bad[] = {{"cash-in", R"({"amount": 0})"},
                                                       {"cash-in", "{}"},
                                                       {"cash-out", R"({"amount": "5"})"},
                                                       {"z-report", R"({"password": 70000})"},
                                                       {"x-report", R"({"pass": 1})"},
                                                       {"zero-receipt", R"({"amount": 1})"},
                                                       {"zero-receipt", "{"},
                                                       {"cash-in", "[1]"}};
    for (const auto& [path, body] : bad)
        EXPECT_EQ(kasd.post("/v1/registers/1/" + path, body, "bad").status, 400) << path << body;
    EXPECT_EQ(emu().counters().bytesReceived, 0u);

    const Reply day = kasd.get("/v1/registers/1/day-report");
    ASSERT_EQ(day.status, 200) << day.body;
    const auto state = emu().state();
    ExpectFields(json::parse(day.body),
                 {{"cashIn", state.day.deposits}, {"cashOut", state.day.withdrawals}});
    EXPECT_EQ(kasd.get("/v1/registers/1/articles/7").status, 404);
    const json recent = json::parse(kasd.get("/v1/requests?limit=2").body)["requests"];
    ASSERT_EQ(recent.size(), 2u);
    EXPECT_EQ(recent[0]["key"], "op-6");
    EXPECT_EQ(kasd.get("/v1/requests?limit=0").status, 400);
}

// Registers on two ports, each with a worker of its own: one held up does not
// hold up the other; with a token every request but the page and the document
// needs it.
TEST_F(KasdTest, RegistersWorkInParallelBehindTheToken) {
    kasemu::Emulator& second = SecondRegister();
    const std::string tokenFile = dir() + "/token";
    std::FILE* f = std::fopen(tokenFile.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("s3cret-token-0123456789\n", f);
    std::fclose(f);
    token_ = "s3cret-token-0123456789";
    Kasd& kasd =
        StartKasd({"--port", "1", "--port", "2", "--token-file", tokenFile, "--queue-wait", "1"});
    EXPECT_EQ(kasd.get("/v1/registers").status, 401);
    EXPECT_EQ(kasd.get("/v1/registers", "wrong-token-0123456789").status, 401);
    EXPECT_EQ(kasd.get("/").status, 200);
    EXPECT_EQ(kasd.get("/v1/openapi.json").status, 200);
    const json registers = json::parse(kasd.get("/v1/registers", token_).body)["registers"];
    ASSERT_EQ(registers.size(), 2u);
    EXPECT_NE(registers[0]["worker"], registers[1]["worker"]);

    // Register 1 is held on its first sale line until register 2 has printed.
    std::promise<void> holding;
    std::promise<void> secondDone;
    auto held = secondDone.get_future();
    bool releasedBySecond = false;
    OnNextFrame(
        [&] {
            holding.set_value();
            releasedBySecond = held.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
        },
        [](const std::string& line) {
            return line.find("host:") != std::string::npos &&
                   line.find("sale line") != std::string::npos;
        });
    auto sell = [&](const std::string& path, const std::string& key) {
        httplib::Client c("127.0.0.1", kasd.port());
        c.set_read_timeout(60, 0);
        const httplib::Headers h = {{"Authorization", "Bearer " + token_},
                                    {"Idempotency-Key", key}};
        return c.Post(path.c_str(), h, kSale, "application/json");
    };
    std::thread first([&] {
        const auto r = sell(kReceipts, "one");
        EXPECT_TRUE(r && r->status == 200) << (r ? r->body : "no answer") << Stderr();
    });
    ASSERT_EQ(holding.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    const auto r = sell("/v1/registers/2/receipts", "two");
    // Behind the held one a request waits its second and is let go, nothing sent.
    const auto busy = sell(kReceipts, "behind");
    ASSERT_TRUE(busy) << Stderr();
    EXPECT_EQ(busy->status, 503) << busy->body;
    EXPECT_EQ(kasd.get("/v1/requests/behind", token_).status, 404);
    secondDone.set_value();
    first.join();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200) << r->body;
    EXPECT_TRUE(releasedBySecond) << "register 2 printed while register 1 was held";
    EXPECT_EQ(emu().state().lastSaleReceipt, 1u);
    EXPECT_EQ(second.state().lastSaleReceipt, 1u);
}

} // namespace
