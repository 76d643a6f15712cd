// The programming document: its plain-value rules in-process, and export →
// apply to a fresh register → diff through kasctl against the emulator.
#include "ProgrammingDocument.h"
#include "Json.h"
#include "kasemu/Emulator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using kasctl::ProgrammingDocument;

std::optional<ProgrammingDocument> Parse(const std::string& text, std::string& error) {
    const auto v = kasctl::json::Parse(text, error);
    return v ? kasctl::DocumentFromJson(*v, error) : std::nullopt;
}

TEST(ProgrammingDocument, ValuesFollowTheCommandLineRulesAndErrorsNameTheMember) {
    struct Case {
        std::string text;
        const char* error; // "" for accepted
    };
    const Case cases[] = {
        {R"({"articles": [{"code": 7, "name": "Хліб", "price": 12.3, "group": "Б"}]})", ""},
        {R"({"articles": [{"code": 7, "name": "Хліб", "price": 12.345, "group": 1}]})",
         "articles[1].price: '12.345': expected an amount"},
        {R"({"articles": [{"code": 0, "name": "Хліб", "price": 1, "group": 1}]})",
         "articles[1].code: '0': expected a whole number from 1"},
        {R"({"articles": [{"code": 7, "name": "Хліб", "price": 1, "group": "Ж"}]})",
         "articles[1].group: 'Ж': expected a tax group"},
        {R"({"articles": [{"code": 7, "name": "5€", "price": 1, "group": 0}]})",
         "articles[1].name: '5€': the register cannot print"},
        {R"({"articles": [{"code": 7, "name": "a", "price": 1, "group": 0, "decimals": 4}]})",
         "articles[1].decimals"},
        {R"({"articles": [{"code": 7, "name": "a", "price": 1, "group": 0},
                          {"code": 7, "name": "b", "price": 2, "group": 0}]})",
         "articles[2].code: 7 given twice (also articles[1])"},
        {R"({"articles": [{"code": 7, "name": "a", "prise": 1, "group": 0}]})",
         "articles[1].prise: unknown member"},
        {R"({"tax_rates": {"tax": "added", "levy": false, "rates": [{"rate": 20, "levy": 5}]}})",
         "tax_rates.rates[1].levy: a levy needs"},
        {R"({"tax_rates": {"tax": "on top", "rates": [{"rate": 20}]}})",
         "tax_rates.tax: 'on top': expected"},
        {R"({"tax_rates": {"tax": "added", "rates": [{"rate": 100}]}})", "from 0 to 99.99"},
        {R"({"taxpayer": {"lines": ["a", "b"], "tax_number": "1"}})", "taxpayer.lines: expected"},
        {R"({"receipt_header": ["a", "b", "c", "d"]})", "receipt_header: at most 3 lines"},
        {R"({"format": "other 2"})", "format: 'other 2'"},
        {R"({"articles": [}])", "line 1, column 15: unexpected character"},
        {"{\n  \"articles\": [1.5e3]\n}", "line 2, column 19: write the number without"},
        {R"({"a": 1, "a": 2})", "line 1, column 10: \"a\" given twice"},
        {"{\"receipt_header\": [\"a", "a text without its closing"},
        {"{\"receipt_header\": [\"a\nb\"]}", "line 1, column 23: a line break or control"},
        {R"({"articles": [)", "line 1, column 15: unexpected end of the document"},
        {"{\"a\": [[1, 2], " + std::string(70, '[') + "]}", "line 1, column 78: nested too deeply"},
        {R"({"articles": "x"})", "articles: expected a list"},
        {R"(["x"])", "the document: expected an object"},
        {R"({"receipt_header": ["\u0410\ud83d"]})", "a lone surrogate"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto d = Parse(c.text, error);
        if (*c.error == '\0') {
            EXPECT_TRUE(d.has_value()) << c.text << "\n" << error;
        } else {
            EXPECT_FALSE(d.has_value()) << c.text;
            EXPECT_NE(error.find(c.error), std::string::npos) << c.text << "\n" << error;
        }
    }
    std::string error;
    const auto d = Parse(cases[0].text, error);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->articles.at(0).price, 1230);
    EXPECT_EQ(d->articles.at(0).group, 1);
}

TEST(ProgrammingDocument, WrittenDocumentReadsBackTheSame) {
    ProgrammingDocument d;
    d.taxpayer = kasctl::TaxpayerLines{{"ТОВ \"Ромашка\"", "вул. Шевченка, 5", ""}, "1234", true};
    d.taxRates = kasctl::TaxRateSet{true, true, {{2000, 500}, {700, 0}}};
    d.receiptTrailer = {{"Дякуємо!", true, false}};
    d.articles = {{281474976710655, "Сир\\ваговий", -99999, 5, 3}};
    d.passwords = std::array<uint16_t, 10>{1, 2, 3, 4, 5, 6, 7, 8, 65535, 0};
    std::string error;
    const auto back = Parse(kasctl::json::Write(kasctl::DocumentToJson(d)), error);
    ASSERT_TRUE(back) << error;
    EXPECT_TRUE(kasctl::Differences(*back, d).size() == 1) << "only the unreadable trailer line";
    EXPECT_EQ(back->articles.at(0).price, -99999);
    EXPECT_EQ(back->articles.at(0).name, "Сир\\ваговий");
    EXPECT_EQ(back->taxpayer->lines[0], "ТОВ \"Ромашка\"");
    EXPECT_TRUE(back->receiptTrailer.at(0).wide);

    // The register reads the number back zero-padded and "і" as the Latin "i": no difference,
    // so apply does not write the taxpayer lines into fiscal memory again.
    ProgrammingDocument wanted;
    wanted.taxpayer = kasctl::TaxpayerLines{{"Хліб", "", ""}, "1234567890", false};
    ProgrammingDocument held;
    held.taxpayer = kasctl::TaxpayerLines{{"Хлiб", "", ""}, "001234567890", false};
    EXPECT_TRUE(kasctl::Differences(wanted, held).empty());
    held.taxpayer->taxNumber = "001234567891";
    EXPECT_EQ(kasctl::Differences(wanted, held).size(), 1u);
}

TEST(ProgrammingDocument, PriceListErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* error; // "" for accepted
        std::size_t articles;
    };
    const Case cases[] = {
        {"code;name;price;group;decimals\r\n1;Хліб;12,50;А;0\r\n\r\n2;\"Сир; "
         "ваговий\";99.99;В;3\r\n",
         "", 2},
        {"1,Хліб,12.50,А\n2,\"Кава \"\"Арабіка\"\"\",80,0,\n", "", 2},
        {"1,Хліб,12.50,А,0\n2,Сир,12.5.0,А,0\n", "line 2: '12.5.0': expected an amount", 0},
        {"code,name,price,group\n1,Хліб,1,А\n\n4,Сир,1,Ж\n", "line 4: 'Ж': expected a tax group",
         0},
        {"1,Хліб,1,А\n1,Батон,2,А\n", "line 2: code 1 already on line 1", 0},
        {"1,Хліб,1\n", "line 1: expected code, name, price, group and decimals (found 3", 0},
        {"1,\"Хліб,1,А\n", "line 1: a quoted field without its closing", 0},
        {"1,,1,А\n", "line 1: the name is empty", 0},
        {"x1,Хліб,1,А\n2,Хліб,1,А\nzz,Сир,1,А\n", "line 3: 'zz': expected a whole number", 0},
        {"1,Хліб,1,А,7\n", "line 1: '7': expected a whole number from 0 to 3", 0},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto list = kasctl::ReadPriceList(c.text, error);
        if (*c.error == '\0') {
            ASSERT_TRUE(list) << c.text << "\n" << error;
            EXPECT_EQ(list->size(), c.articles) << c.text;
        } else {
            EXPECT_FALSE(list) << c.text;
            EXPECT_NE(error.find(c.error), std::string::npos) << c.text << "\n" << error;
        }
    }
    std::string error;
    const auto list = kasctl::ReadPriceList(cases[0].text, error);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->at(0).price, 1250);
    EXPECT_EQ(list->at(1).name, "Сир; ваговий");
    EXPECT_EQ(list->at(1).decimals, 3);
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class ProgrammingDocumentOnRegister : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/kasctl-doc-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ::setenv("KASDRV_DEVICES", dir_.c_str(), 1);
        FreshRegister();
    }
    void TearDown() override {
        emulator_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    void FreshRegister() {
        emulator_.reset();
        kasemu::EmulatorOptions o;
        o.linesPerSecond = 0;
        o.linkPath = dir_ + "/com1";
        o.clock = std::make_shared<kasemu::ManualClock>(kasemu::CivilTime{2026, 12, 7, 10, 0, 0});
        emulator_ = std::make_unique<kasemu::Emulator>(std::move(o));
    }
    Outcome Kasctl(std::vector<std::string> words) {
        words.insert(words.begin(), KASCTL_PATH);
        std::vector<char*> argv;
        for (auto& w : words) {
            argv.push_back(w.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (dir_ + "/out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (dir_ + "/err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        Outcome run;
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
            ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            run.status = WEXITSTATUS(status);
        }
        posix_spawn_file_actions_destroy(&actions);
        run.out = ReadAll(dir_ + "/out");
        run.err = ReadAll(dir_ + "/err");
        return run;
    }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    const std::string& dir() const { return dir_; }

  private:
    std::string dir_;
    std::unique_ptr<kasemu::Emulator> emulator_;
};

TEST_F(ProgrammingDocumentOnRegister,
       ExportedProgrammingAppliedToAFreshRegisterLeavesNoDifference) {
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
             {"taxpayer-lines", "0", "ТОВ Ромашка", "вул. Шевченка, 5", "Київ", "1234567890"},
             {"set-tax-rates", "0", "levy", "20/5", "7/0"},
             {"program-article", "0", "3", "12.50", "А", "Хліб житній"},
             {"program-article", "0", "250", "-3.00", "Б", "Тара", "2"}}) {
        ASSERT_EQ(Kasctl(words).status, 0) << words[0];
    }
    const std::string file = dir() + "/programming.json";
    const Outcome exported = Kasctl({"export", file, "--last", "300", "--passwords"});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::string document = ReadAll(file);
    EXPECT_NE(document.find(R"("lines": ["ТОВ Ромашка", "вул. Шевченка, 5", "Київ"])"),
              std::string::npos)
        << document;
    EXPECT_NE(document.find(R"({"group": "А", "rate": 20.00, "levy": 5.00})"), std::string::npos);
    EXPECT_NE(document.find(R"("code": 250, "name": "Тара", "price": -3.00, "group": "Б", )"
                            R"("decimals": 2})"),
              std::string::npos);

    FreshRegister();
    const Outcome before = Kasctl({"diff", file});
    EXPECT_EQ(before.status, 0) << before.err;
    EXPECT_NE(before.out.find("article 250 "), std::string::npos) << before.out;
    EXPECT_NE(before.out.find("taxpayer lines "), std::string::npos) << before.out;
    const Outcome applied = Kasctl({"apply", file});
    EXPECT_EQ(applied.status, 0) << applied.out << applied.err;
    EXPECT_NE(applied.out.find("read back the same as the document"), std::string::npos);
    const Outcome after = Kasctl({"--json", "diff", file});
    EXPECT_EQ(after.out, "{\"differences\": \"none\"}\n") << after.err;

    // A wrong programming password changes nothing and says so.
    const std::string csv = Write("prices.csv", "5;Батон;20,00;А;0\n");
    const Outcome refused = Kasctl({"apply", "--articles", csv, "--password", "9"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("nothing was changed; article 5 failed"), std::string::npos)
        << refused.err;
    // "і" goes to the register as the Latin "i" and reads back so: still the same name.
    const std::string bread = Write("bread.csv", "5;Хліб «Дарницький»;20,00;А;0\n");
    EXPECT_NE(Kasctl({"apply", bread}).err.find("cannot print \"«\""), std::string::npos);
    const std::string csv2 = Write("bread2.csv", "5;Хліб Ґрунт №2;20,00;А;0\n");
    const Outcome programmed = Kasctl({"apply", csv2, "--password", "0"});
    EXPECT_EQ(programmed.status, 0) << programmed.out << programmed.err;
    EXPECT_EQ(Kasctl({"--json", "diff", "--articles", csv2}).out, "{\"differences\": \"none\"}\n");
}

TEST_F(ProgrammingDocumentOnRegister, APriceListWithABadLineIsRefusedNamingItAndWritesNothing) {
    const std::string csv = Write("prices.csv", "code;name;price;group\n1;Хліб;12,50;А\n"
                                                "2;Сир;дорого;Б\n");
    const Outcome refused = Kasctl({"apply", csv});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("prices.csv: line 3: 'дорого': expected an amount"),
              std::string::npos)
        << refused.err;
    const Outcome diff = Kasctl({"diff", Write("good.csv", "1;Хліб;12,50;А\n")});
    EXPECT_NE(diff.out.find("article 1 "), std::string::npos) << diff.out << diff.err;
}

} // namespace
