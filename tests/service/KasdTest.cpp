// kasd as a shop program meets it: started as a program on a private journal,
// spoken to over HTTP on loopback, with an emulator linked as COM1; judged by
// the answers, by what the register printed and by the bytes it received.
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
#include <memory>
#include <mutex>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using nlohmann::json;

const std::string kSale = R"({"lines": [{"name": "Батон", "quantity": 2, "price": 1250,
                                          "taxGroup": "А", "article": 7},
                                         {"name": "Сыр", "quantity": 350, "decimals": 3,
                                          "price": 40000, "taxGroup": "А"}],
                              "payments": [{"form": "card", "amount": 1000},
                                           {"form": "cash", "amount": 20000}]})";

struct Reply {
    int status = 0;
    std::string body;
    std::string type;
};

// A running kasd: its process, its port, and a client for it.
class Kasd {
  public:
    Kasd(const std::vector<std::string>& args, const std::string& errFile) {
        std::vector<std::string> words{KASD_PATH};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& w : words) {
            argv.push_back(w.data());
        }
        argv.push_back(nullptr);
        int out[2];
        if (::pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // The first line says where it listens; end of file says it did not start.
        std::string line;
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n') {
            line.push_back(c);
        }
        ::close(out[0]);
        const auto colon = line.rfind(':');
        if (line.rfind("kasd: listening on http://", 0) == 0 && colon != std::string::npos) {
            port_ = std::atoi(line.c_str() + colon + 1);
        }
    }
    ~Kasd() { stop(); }

    bool listening() const { return port_ > 0; }

    // SIGTERM; kasd's exit status.
    int stop() {
        if (pid_ <= 0) {
            return -1;
        }
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    Reply get(const std::string& path) { return done(client().Get(path)); }
    Reply post(const std::string& path, const std::string& body, const std::string& key) {
        httplib::Headers headers;
        if (!key.empty()) {
            headers.emplace("Idempotency-Key", key);
        }
        return done(client().Post(path, headers, body, "application/json"));
    }

  private:
    httplib::Client client() {
        httplib::Client c("127.0.0.1", port_);
        c.set_read_timeout(60, 0);
        return c;
    }
    static Reply done(const httplib::Result& r) {
        Reply reply;
        if (r) {
            reply.status = r->status;
            reply.body = r->body;
            reply.type = r->get_header_value("Content-Type");
        }
        return reply;
    }

    pid_t pid_ = -1;
    int port_ = 0;
};

class KasdTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kasd-test-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ::setenv("KASDRV_DEVICES", dir_.c_str(), 1);
        kasemu::EmulatorOptions o;
        o.linesPerSecond = 0;
        o.linkPath = dir_ + "/com1";
        o.clock = std::make_shared<kasemu::ManualClock>(kasemu::CivilTime{2026, 12, 7, 10, 0, 0});
        o.trace = true;
        o.traceSink = [this](const std::string&) {
            std::lock_guard lock(frameMutex_);
            if (onFrame_) {
                onFrame_();
                onFrame_ = nullptr;
            }
        };
        emulator_ = std::make_unique<kasemu::Emulator>(std::move(o));
    }
    // Runs `fn` on the emulator's thread when the next frame crosses the line.
    void OnNextFrame(std::function<void()> fn) {
        std::lock_guard lock(frameMutex_);
        onFrame_ = std::move(fn);
    }
    void TearDown() override {
        kasd_.reset();
        emulator_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    // Starts kasd on the test's journal, and waits until its first look at the
    // register is over, so that the counters see only what requests send.
    Kasd& StartKasd() {
        kasd_ =
            std::make_unique<Kasd>(std::vector<std::string>{"--listen", "127.0.0.1:0", "--journal",
                                                            dir_ + "/state/journal.sqlite3"},
                                   dir_ + "/kasd.err");
        EXPECT_TRUE(kasd_->listening()) << Stderr();
        EXPECT_EQ(kasd_->get("/v1/registers/1/status").status, 200) << Stderr();
        emulator_->resetCounters();
        return *kasd_;
    }
    int StopKasd() {
        const int status = kasd_->stop();
        kasd_.reset();
        return status;
    }

    std::string Stderr() const {
        std::string text;
        if (std::FILE* f = std::fopen((dir_ + "/kasd.err").c_str(), "rb")) {
            char buf[4096];
            std::size_t n = 0;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
                text.append(buf, n);
            }
            std::fclose(f);
        }
        return text;
    }
    int TapeCount(const std::string& text) const {
        int n = 0;
        for (const auto& line : emulator_->tape()) {
            n += line.find(text) != std::string::npos ? 1 : 0;
        }
        return n;
    }

    kasemu::Emulator& emu() { return *emulator_; }
    const std::string& dir() const { return dir_; }

  private:
    std::string dir_;
    std::unique_ptr<kasemu::Emulator> emulator_;
    std::unique_ptr<Kasd> kasd_;
    std::mutex frameMutex_;
    std::function<void()> onFrame_;
};

TEST_F(KasdTest, RetriesWithTheSameKeyPrintOneReceiptAndGetTheSameAnswer) {
    Kasd& kasd = StartKasd();
    const auto receiptsBefore = emu().state().lastSaleReceipt;
    const Reply first = kasd.post("/v1/registers/1/receipts", kSale, "sale-0001");
    ASSERT_EQ(first.status, 200) << first.body << Stderr();
    EXPECT_EQ(first.type, "application/json");
    const json answer = json::parse(first.body);
    EXPECT_EQ(answer["outcome"], "printed");
    EXPECT_EQ(answer["total"], 16500); // 2 × 12.50 + 0.350 × 400.00
    EXPECT_EQ(answer["change"], 4500);
    EXPECT_EQ(answer["receiptNumber"], receiptsBefore + 1);
    EXPECT_EQ(answer["steps"].size(), 4u);
    EXPECT_EQ(emu().state().lastSaleReceipt, receiptsBefore + 1);
    EXPECT_FALSE(emu().state().receipt.open());
    EXPECT_EQ(TapeCount("Батон"), 1);

    // The retries, with the body written otherwise: the recorded answer, nothing sent.
    emu().resetCounters();
    json reordered = json::parse(kSale);
    for (int i = 0; i < 5; ++i) {
        const Reply again =
            kasd.post("/v1/registers/1/receipts", i % 2 ? kSale : reordered.dump(2), "sale-0001");
        EXPECT_EQ(again.status, first.status);
        EXPECT_EQ(again.body, first.body);
    }
    // The same key with another body is refused.
    json other = json::parse(kSale);
    other["lines"][0]["quantity"] = 3;
    const Reply conflict = kasd.post("/v1/registers/1/receipts", other.dump(), "sale-0001");
    EXPECT_EQ(conflict.status, 409) << conflict.body;
    EXPECT_EQ(conflict.type, "application/problem+json");
    EXPECT_EQ(json::parse(conflict.body)["field"], "Idempotency-Key");
    EXPECT_EQ(emu().counters().bytesReceived, 0u);
    EXPECT_EQ(emu().state().lastSaleReceipt, receiptsBefore + 1);
    EXPECT_EQ(TapeCount("Батон"), 1);

    const Reply record = kasd.get("/v1/requests/sale-0001");
    ASSERT_EQ(record.status, 200) << record.body;
    const json r = json::parse(record.body);
    EXPECT_EQ(r["state"], "done");
    EXPECT_EQ(r["response"]["status"], 200);
    EXPECT_EQ(r["response"]["body"], answer);
    EXPECT_EQ(kasd.get("/v1/requests/never-sent").status, 404);
}

TEST_F(KasdTest, TheJournalAnswersRetriesAfterARestart) {
    Kasd& kasd = StartKasd();
    const auto receiptsBefore = emu().state().lastSaleReceipt;
    const Reply first = kasd.post("/v1/registers/1/receipts", kSale, "restart-1");
    ASSERT_EQ(first.status, 200) << first.body << Stderr();
    EXPECT_EQ(StopKasd(), 0);

    Kasd& fresh = StartKasd();
    const Reply again = fresh.post("/v1/registers/1/receipts", kSale, "restart-1");
    EXPECT_EQ(again.status, 200);
    EXPECT_EQ(again.body, first.body);
    EXPECT_EQ(emu().counters().bytesReceived, 0u);
    EXPECT_EQ(emu().state().lastSaleReceipt, receiptsBefore + 1);
    EXPECT_EQ(json::parse(fresh.get("/v1/requests/restart-1").body)["state"], "done");
}

// The journal holds the request, as being sent, before its first byte reaches
// the register; a retry while it runs (the register holds its first frame)
// gets that state and waits for nothing.
TEST_F(KasdTest, TheRequestIsJournalledBeforeItsFirstByte) {
    Kasd& kasd = StartKasd();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((dir() + "/state/journal.sqlite3").c_str(), &db, SQLITE_OPEN_READONLY,
                              nullptr),
              SQLITE_OK);
    std::string stateAtFirstFrame = "(no frame)";
    Reply retryWhileRunning;
    OnNextFrame([db, &stateAtFirstFrame, &kasd, &retryWhileRunning] {
        retryWhileRunning = kasd.post("/v1/registers/1/receipts", kSale, "first-byte");
        sqlite3_stmt* st = nullptr;
        stateAtFirstFrame = "(no row)";
        if (sqlite3_prepare_v2(db, "SELECT state FROM requests WHERE key = 'first-byte'", -1, &st,
                               nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            stateAtFirstFrame = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        }
        sqlite3_finalize(st);
    });
    EXPECT_EQ(kasd.post("/v1/registers/1/receipts", kSale, "first-byte").status, 200);
    OnNextFrame(nullptr);
    sqlite3_close(db);
    EXPECT_EQ(stateAtFirstFrame, "sending");
    EXPECT_EQ(retryWhileRunning.status, 202) << retryWhileRunning.body;
    EXPECT_EQ(retryWhileRunning.body, R"({"key":"first-byte","state":"sending"})");
    EXPECT_EQ(emu().state().lastSaleReceipt, 1u);
}

TEST_F(KasdTest, APayoutReceiptIsRegisteredAsOne) {
    Kasd& kasd = StartKasd();
    emu().withState([](kasemu::RegisterState& s) { s.cashInDrawer = 100000; });
    const auto before = emu().state();
    json payout = json::parse(kSale);
    payout["kind"] = "payout";
    const Reply r = kasd.post("/v1/registers/1/receipts", payout.dump(), "payout-1");
    ASSERT_EQ(r.status, 200) << r.body << Stderr();
    const json p = json::parse(r.body);
    EXPECT_EQ(p["receiptNumber"], before.lastPayoutReceipt + 1);
    EXPECT_EQ(p["total"], 16500);
    const auto after = emu().state();
    EXPECT_EQ(after.lastPayoutReceipt, before.lastPayoutReceipt + 1);
    EXPECT_EQ(after.lastSaleReceipt, before.lastSaleReceipt);
    EXPECT_FALSE(after.receipt.open());
}

// Clients at once: each receipt is registered once, none is lost; the same
// key sent at once by several clients is one receipt, and each of them gets
// its answer or, while it runs, its state.
TEST_F(KasdTest, ClientsAtOnceGetEachReceiptOnce) {
    Kasd& kasd = StartKasd();
    const auto before = emu().state().lastSaleReceipt;
    constexpr int kClients = 4;
    constexpr int kEach = 5;
    std::vector<std::vector<Reply>> replies(kClients);
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&kasd, &replies, c] {
            for (int i = 0; i < kEach; ++i) {
                replies[c].push_back(
                    kasd.post("/v1/registers/1/receipts", kSale,
                              "client-" + std::to_string(c) + "-" + std::to_string(i)));
            }
        });
    }
    for (auto& t : clients) {
        t.join();
    }
    std::set<int> numbers;
    for (int c = 0; c < kClients; ++c) {
        int last = 0;
        for (const Reply& r : replies[c]) {
            ASSERT_EQ(r.status, 200) << r.body;
            const int number = json::parse(r.body)["receiptNumber"];
            EXPECT_GT(number, last) << "a client's receipts in the order it sent them";
            last = number;
            numbers.insert(number);
        }
    }
    EXPECT_EQ(numbers.size(), std::size_t{kClients * kEach});
    EXPECT_EQ(emu().state().lastSaleReceipt, before + kClients * kEach);

    std::vector<Reply> same(kClients);
    clients.clear();
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back(
            [&kasd, &same, c] { same[c] = kasd.post("/v1/registers/1/receipts", kSale, "same"); });
    }
    for (auto& t : clients) {
        t.join();
    }
    EXPECT_EQ(emu().state().lastSaleReceipt, before + kClients * kEach + 1);
    const Reply done = kasd.post("/v1/registers/1/receipts", kSale, "same");
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
    json unknownGroup = json::parse(kSale);
    unknownGroup["lines"][1]["taxGroup"] = "Б"; // not programmed on a new register
    const FailingStep cases[] = {
        {"the register refuses a line", "", unknownGroup.dump(), 422, "annulled", 0, 1, 0,
         "Налоговая группа не существует"},
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
        const std::string key = "failing-" + std::to_string(++n);
        const auto before = emu().state();
        emu().clearFaults();
        if (*c.fault != '\0') {
            const auto fault = kasemu::parseFault(c.fault);
            ASSERT_TRUE(fault) << c.fault;
            emu().inject(*fault);
        }
        const Reply r = kasd.post("/v1/registers/1/receipts", c.body, key);
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.body;
        const json p = json::parse(r.body, nullptr, false);
        ASSERT_TRUE(p.is_object()) << c.what << "\n" << r.body << Stderr();
        EXPECT_EQ(p["outcome"], c.outcome) << c.what << "\n" << r.body;
        const auto after = emu().state();
        EXPECT_FALSE(after.receipt.open()) << c.what;
        EXPECT_EQ(after.lastSaleReceipt, before.lastSaleReceipt + c.printed) << c.what;
        EXPECT_EQ(after.day.annulledSale.count, before.day.annulledSale.count + c.annulled)
            << c.what;
        // The day's sales grew by the receipt once, whatever was settled on the way.
        EXPECT_EQ(after.day.sale.byGroup[0] - before.day.sale.byGroup[0], 16500 * c.printed)
            << c.what;
        int cancellations = 0;
        for (const auto& step : p["steps"]) {
            cancellations += step["step"] == "cancellation" ? 1 : 0;
        }
        EXPECT_EQ(cancellations, c.cancellations) << c.what << "\n" << r.body;
        if (c.status == 200) {
            EXPECT_EQ(p["total"], 16500) << c.what;
            EXPECT_EQ(p["change"], 4500) << c.what;
            EXPECT_EQ(r.type, "application/json") << c.what;
        } else {
            EXPECT_EQ(r.type, "application/problem+json") << c.what;
            const json& steps = p["steps"];
            EXPECT_EQ(!steps.empty() && steps.back()["step"] == "annulment", c.annulled == 1)
                << c.what << "\n"
                << r.body;
        }
        if (*c.error != '\0') {
            EXPECT_NE(p["registerError"]["error"].get<std::string>().find(c.error),
                      std::string::npos)
                << c.what << "\n"
                << r.body;
            EXPECT_EQ(p["registerError"]["result byte"], 23) << c.what;
        }
        const std::string state = c.status == 200 ? "done" : "refused";
        EXPECT_EQ(json::parse(kasd.get("/v1/requests/" + key).body)["state"], state) << c.what;
        // Its retry is answered from the journal.
        emu().resetCounters();
        EXPECT_EQ(kasd.post("/v1/registers/1/receipts", c.body, key).body, r.body) << c.what;
        EXPECT_EQ(emu().counters().bytesReceived, 0u) << c.what;
    }
}

struct BadRequest {
    const char* what;
    std::string path;
    std::string key;
    std::string body;
    int status;
    const char* field; // expected in the problem's field ("" for none)
};

// The sale with one value replaced (a JSON pointer and its new value).
std::string SaleWith(const std::string& pointer, const json& value) {
    json j = json::parse(kSale);
    j[json::json_pointer(pointer)] = value;
    return j.dump();
}

TEST_F(KasdTest, BadRequestsAreRefusedByNameAndNeverReachTheRegister) {
    Kasd& kasd = StartKasd();
    const std::string receipts = "/v1/registers/1/receipts";
    const BadRequest cases[] = {
        {"no key", receipts, "", kSale, 400, "Idempotency-Key"},
        {"key with a space", receipts, "a b", kSale, 400, "Idempotency-Key"},
        {"key too long", receipts, std::string(129, 'k'), kSale, 400, "Idempotency-Key"},
        {"unknown register", "/v1/registers/2/receipts", "k", kSale, 404, ""},
        {"register out of range", "/v1/registers/9999/receipts", "k", kSale, 404, ""},
        {"oversized body", receipts, "k", std::string(70 * 1024, ' ') + kSale, 413, ""},
        {"malformed JSON", receipts, "k", R"({"lines": [)", 400, ""},
        {"not an object", receipts, "k", "[1, 2]", 400, "/"},
        {"arrays nested 30000 deep", receipts, "k",
         std::string(30000, '[') + std::string(30000, ']'), 400, "/"},
        {"a line nested 30000 deep", receipts, "k",
         R"({"lines": )" + std::string(30000, '[') + std::string(30000, ']') + "}", 400,
         "/lines/0"},
        {"invalid UTF-8, quoted by the parser", receipts, "k",
         R"({"lines": [{"name": ")" + std::string("\xC0\xAF") +
             R"(", "quantity": 1, "price": 100, "taxGroup": "А"}],
             "payments": [{"form": "cash", "amount": 100}]})",
         400, ""},
        {"unknown field", receipts, "k", SaleWith("/discount", 5), 400, "/discount"},
        {"unknown field with a slash", receipts, "k", SaleWith("/a~1b", 1), 400, "/a~1b"},
        {"field name not UTF-8", receipts, "k",
         "{\"" + std::string("\xFF") + "\": 1, " + kSale.substr(1), 400, ""},
        {"unknown line field", receipts, "k", SaleWith("/lines/0/colour", "red"), 400,
         "/lines/0/colour"},
        {"quantity as text", receipts, "k", SaleWith("/lines/0/quantity", "2"), 400,
         "/lines/0/quantity"},
        {"quantity zero", receipts, "k", SaleWith("/lines/0/quantity", 0), 400,
         "/lines/0/quantity"},
        {"quantity too big", receipts, "k", SaleWith("/lines/0/quantity", 16777216), 400,
         "/lines/0/quantity"},
        {"fractional price", receipts, "k", SaleWith("/lines/1/price", 12.5), 400,
         "/lines/1/price"},
        {"negative price", receipts, "k", SaleWith("/lines/1/price", -100), 400, "/lines/1/price"},
        {"price beyond 32 bits", receipts, "k", SaleWith("/lines/1/price", 4294967296LL), 400,
         "/lines/1/price"},
        {"four decimals", receipts, "k", SaleWith("/lines/1/decimals", 4), 400,
         "/lines/1/decimals"},
        {"unknown tax group", receipts, "k", SaleWith("/lines/0/taxGroup", "Ж"), 400,
         "/lines/0/taxGroup"},
        {"Latin tax group", receipts, "k", SaleWith("/lines/0/taxGroup", "A"), 400,
         "/lines/0/taxGroup"},
        {"article beyond 48 bits", receipts, "k", SaleWith("/lines/0/article", 281474976710656LL),
         400, "/lines/0/article"},
        {"name missing", receipts, "k",
         R"({"lines": [{"quantity": 1, "price": 100, "taxGroup": "А"}],
             "payments": [{"form": "cash", "amount": 100}]})",
         400, "/lines/0/name"},
        {"empty name", receipts, "k", SaleWith("/lines/0/name", ""), 400, "/lines/0/name"},
        {"name of 51 characters", receipts, "k", SaleWith("/lines/0/name", std::string(51, 'x')),
         400, "/lines/0/name"},
        {"name the register cannot print", receipts, "k", SaleWith("/lines/0/name", "Чай ☕"), 400,
         "/lines/0/name"},
        {"control character in a name", receipts, "k", SaleWith("/lines/0/name", "a\tb"), 400,
         "/lines/0/name"},
        {"no lines", receipts, "k", SaleWith("/lines", json::array()), 400, "/lines"},
        {"flag as a number", receipts, "k", SaleWith("/lines/0/unit", 1), 400, "/lines/0/unit"},
        {"unknown payment form", receipts, "k", SaleWith("/payments/1/form", "bitcoin"), 400,
         "/payments/1/form"},
        {"payments short of the total", receipts, "k", SaleWith("/payments/1/amount", 100), 400,
         "/payments"},
        {"card beyond the total", receipts, "k", SaleWith("/payments/0/amount", 20000), 400,
         "/payments/0/amount"},
        {"a payment after the total is paid", receipts, "k",
         SaleWith("/payments/2", json{{"form", "cash"}, {"amount", 100}}), 400, "/payments/2"},
        {"unknown kind", receipts, "k", SaleWith("/kind", "refund"), 400, "/kind"},
        {"unknown route", "/v1/registers/1/tickets", "k", kSale, 404, ""},
    };
    for (const BadRequest& c : cases) {
        const Reply r = kasd.post(c.path, c.body, c.key);
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.body;
        EXPECT_EQ(r.type, "application/problem+json") << c.what;
        const json p = json::parse(r.body, nullptr, false);
        ASSERT_TRUE(p.is_object()) << c.what << "\n" << r.body;
        EXPECT_EQ(p.value("status", 0), c.status) << c.what;
        if (*c.field != '\0') {
            EXPECT_EQ(p.value("field", ""), c.field) << c.what << "\n" << r.body;
        }
    }
    EXPECT_EQ(emu().counters().bytesReceived, 0u);
    EXPECT_EQ(TapeCount("Батон"), 0);
    // None of them took a key: the good request with key "k" is printed.
    EXPECT_EQ(kasd.post(receipts, kSale, "k").status, 200);
}

TEST_F(KasdTest, ReadsAndTheDocumentAreServed) {
    Kasd& kasd = StartKasd();
    const Reply registers = kasd.get("/v1/registers");
    ASSERT_EQ(registers.status, 200);
    const json reg = json::parse(registers.body)["registers"][0];
    EXPECT_EQ(reg["port"], 1);
    EXPECT_EQ(reg["model"], "RX-410F");
    EXPECT_EQ(reg["firmware"], "РМ-15");
    EXPECT_EQ(reg["speed"], 9600);
    EXPECT_EQ(reg["state"], "idle");
    EXPECT_EQ(reg["queue"], 0);

    const Reply status = kasd.get("/v1/registers/1/status");
    ASSERT_EQ(status.status, 200);
    const json s = json::parse(status.body);
    EXPECT_EQ(s["date"], "2026-12-07");
    EXPECT_EQ(s["time"], "10:00:00");
    EXPECT_EQ(s["status"]["receiptOpen"], false);
    EXPECT_EQ(kasd.get("/v1/registers/3/status").status, 404);

    // The document parses, and every request body it describes has an example.
    const Reply doc = kasd.get("/v1/openapi.json");
    ASSERT_EQ(doc.status, 200);
    const json api = json::parse(doc.body);
    EXPECT_EQ(api["openapi"], "3.1.0");
    int bodies = 0;
    for (const auto& [path, item] : api["paths"].items()) {
        for (const auto& [method, op] : item.items()) {
            if (op.is_object() && op.contains("requestBody")) {
                ++bodies;
                const auto& examples = op["requestBody"]["content"]["application/json"]["examples"];
                ASSERT_FALSE(examples.empty()) << method << " " << path;
                for (const auto& [name, example] : examples.items()) {
                    // Each example is a request the service takes.
                    const Reply r = kasd.post(
                        path == "/v1/registers/{n}/receipts" ? "/v1/registers/1/receipts" : path,
                        example["value"].dump(), "example-" + name);
                    EXPECT_EQ(r.status, 200) << name << "\n" << r.body;
                }
            }
        }
    }
    EXPECT_GT(bodies, 0);
}

struct Usage {
    std::vector<std::string> args;
    int status;
    const char* text; // expected on stdout or stderr
};

TEST(KasdCommandLine, UsageAndExitStatus) {
    const Usage cases[] = {
        {{"--help"}, 0, "usage: kasd"},
        {{"--version"}, 0, "kasd "},
        {{"--frobnicate"}, 2, "unknown option '--frobnicate'"},
        {{"--port", "0"}, 2, "from 1 to 255"},
        {{"--port"}, 2, "--port needs a value"},
        {{"--baud", "14400"}, 2, "expected 9600, 19200 or 38400"},
        {{"--listen", "8737"}, 2, "expected ADDR:PORT"},
        {{"--listen", "0.0.0.0:8737"}, 2, "only loopback"},
        {{"--journal", "/proc/kasd/journal.sqlite3", "--listen", "127.0.0.1:0"},
         1,
         "cannot open the journal"},
    };
    char tmpl[] = "/tmp/kasd-usage-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string out = std::string(tmpl) + "/out";
    for (const Usage& c : cases) {
        std::string line = std::string(KASD_PATH);
        for (const auto& a : c.args) {
            line += " '" + a + "'";
        }
        line += " >" + out + " 2>&1";
        const int status = std::system(line.c_str());
        std::string text;
        if (std::FILE* f = std::fopen(out.c_str(), "rb")) {
            char buf[4096];
            std::size_t n = 0;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
                text.append(buf, n);
            }
            std::fclose(f);
        }
        ASSERT_TRUE(WIFEXITED(status)) << line;
        EXPECT_EQ(WEXITSTATUS(status), c.status) << line << "\n" << text;
        EXPECT_NE(text.find(c.text), std::string::npos) << line << "\n" << text;
    }
    std::error_code ec;
    std::filesystem::remove_all(tmpl, ec);
}

} // namespace
