// The programming document through nlohmann-json values, as a service reads
// and writes it: numbers as nlohmann-json writes them, errors naming the member.
#include "kashost/Programming.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace {

TEST(ProgrammingDocumentJson, ValuesAreCheckedAsInAFileAndErrorsNameTheMember) {
    struct Case {
        const char* body;
        const char* error; // "" for accepted
    };
    const Case cases[] = {
        {R"({"articles": [{"code": 7, "name": "Хліб", "price": 12.30, "group": "Б"}]})", ""},
        {R"({"articles": [{"code": 7, "name": "Хліб", "price": "0,50", "group": 1}]})", ""},
        {R"({"articles": [{"code": 7, "name": "Хліб", "price": 12.345, "group": 1}]})",
         "articles[1].price: '12.345': expected an amount"},
        {R"({"articles": [{"code": 7, "name": "Хліб", "price": 1e20, "group": 1}]})",
         "articles[1].price: '1e+20': expected an amount"},
        {R"({"articles": [{"code": 7.0, "name": "Хліб", "price": 1, "group": 1}]})",
         "articles[1].code: '7.0': expected a whole number"},
        {R"({"articles": [{"code": 7, "name": 5, "price": 1, "group": 1}]})",
         "articles[1].name: expected a text"},
        {R"({"passwords": {"cashiers": [1, 2, 3, 4, 5, 6, 7, 70000], "programming": 0,
                           "reports": 0}})",
         "passwords.cashiers[7].p: '70000': expected a whole number from 0 to 65535"},
        {R"({"tax_rates": {"tax": "added", "levy": true, "rates": [{"rate": 20, "levy": null}]}})",
         "tax_rates.rates[1].levy: expected a number"},
        {R"({"receipt_trailer": [{"text": "5€"}]})", "receipt_trailer[1].text: '5€': the register"},
        {R"({"format": "kasctl programming 1", "taxpayr": {}})", "taxpayr: unknown member"},
        {R"([])", "the document: expected an object"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto d = kashost::documentFromJson(nlohmann::json::parse(c.body), error);
        if (*c.error == '\0') {
            EXPECT_TRUE(d.has_value()) << c.body << "\n" << error;
        } else {
            EXPECT_FALSE(d.has_value()) << c.body;
            EXPECT_NE(error.find(c.error), std::string::npos) << c.body << "\n" << error;
        }
    }
    std::string error;
    EXPECT_EQ(kashost::documentFromJson(nlohmann::json::parse(cases[0].body), error)
                  ->articles.at(0)
                  .price,
              1230);
}

TEST(ProgrammingDocumentJson, WrittenBodyReadsBackTheSame) {
    kashost::ProgrammingDocument d;
    d.taxpayer = kashost::TaxpayerLines{{"ТОВ \"Ромашка\"", "вул. Шевченка, 5", ""}, "1234", true};
    d.taxRates = kashost::TaxRateSet{false, true, {{2000, 500}, {700, 0}, {1, 9998}}};
    d.receiptHeader = {{"Ласкаво просимо", false, true}};
    d.articles = {{281474976710655, "Сир\\ваговий", -99999, 5, 3}, {1, "Хліб", 1230, 0, 0}};
    d.passwords = std::array<std::uint16_t, 10>{1, 2, 3, 4, 5, 6, 7, 8, 65535, 0};

    const nlohmann::json body = kashost::documentToJson(d);
    EXPECT_EQ(body["tax_rates"]["rates"][0]["levy"], 5.0);
    EXPECT_EQ(body["articles"][1]["price"], 12.3);
    std::string error;
    const auto back = kashost::documentFromJson(nlohmann::json::parse(body.dump()), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(kashost::json::write(kashost::documentToJsonValue(*back)),
              kashost::json::write(kashost::documentToJsonValue(d)));
}

} // namespace
