// The article table at the level of the register model: programming, reading back with the
// turnover, descriptions written by sales, and a table of ten thousand.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "model/MemoryMap.h"

namespace kasemu {
namespace {

using namespace test;

// 0x22 data: password, decimals, price (sign and magnitude), group byte, name, code.
Bytes articleData(std::uint64_t code, const std::string& name, std::int64_t price, int group = 0,
                  int decimals = 0, std::uint16_t password = 0) {
    Bytes d = le(password, 2);
    d.push_back(static_cast<std::uint8_t>(decimals));
    const std::uint64_t mag = static_cast<std::uint64_t>(price < 0 ? -price : price);
    for (const auto b : le(mag | (price < 0 ? 0x80000000u : 0u), 4)) {
        d.push_back(b);
    }
    d.push_back(static_cast<std::uint8_t>(0x80 + group));
    for (const auto b : textData(name)) {
        d.push_back(b);
    }
    for (const auto b : le(code, 6)) {
        d.push_back(b);
    }
    return d;
}

struct ArticleReply {
    std::string name;
    std::uint64_t soldQuantity, soldDecimals, price, group, soldSum;
    std::uint64_t returnedQuantity, returnedDecimals, returnedSum;
};

ArticleReply parse(const Bytes& d) {
    const std::size_t n = d.at(0) & 0x7F;
    EXPECT_EQ(d[0] & 0x80, 0);
    EXPECT_EQ(d.size(), n + 24);
    ArticleReply r;
    r.name = deviceToUtf8(Bytes(d.begin() + 1, d.begin() + 1 + static_cast<std::ptrdiff_t>(n)));
    r.soldQuantity = num(d, n + 1, 3);
    r.soldDecimals = d[n + 4];
    r.price = num(d, n + 5, 4);
    r.group = d[n + 9];
    r.soldSum = num(d, n + 10, 5);
    r.returnedQuantity = num(d, n + 15, 3);
    r.returnedDecimals = d[n + 18];
    r.returnedSum = num(d, n + 19, 5);
    return r;
}

class Articles : public ::testing::Test, public ModelFixture {
  protected:
    ArticleReply read(std::uint64_t code) {
        const auto out = run(0x29, le(code, 6));
        EXPECT_EQ(out.result, 0);
        return parse(out.data);
    }
    void pay() { ASSERT_EQ(run(0x14, paymentData(3, 0, true)).result, 0); }
};

TEST_F(Articles, ProgrammedAndReadBack) {
    const auto out = run(0x22, articleData(0x123456789ABC, "Кава зернова", -150, 2, 3));
    ASSERT_EQ(out.result, 0);
    EXPECT_TRUE(out.changed);
    EXPECT_TRUE(out.printed.empty());
    const auto r = read(0x123456789ABC);
    EXPECT_EQ(r.name, "Кава зернова");
    EXPECT_EQ(r.price, 0x80000000u | 150); // sign and magnitude
    EXPECT_EQ(r.group, 0x82u);
    EXPECT_EQ(r.soldDecimals, 3u);
    EXPECT_EQ(r.returnedDecimals, 3u);
    EXPECT_EQ(r.soldQuantity, 0u);
    EXPECT_EQ(r.soldSum, 0u);
    // Programming again replaces the description.
    ASSERT_EQ(run(0x22, articleData(0x123456789ABC, "Чай", 990, 0)).result, 0);
    EXPECT_EQ(read(0x123456789ABC).name, "Чай");
    EXPECT_EQ(st().articles.size(), 1u);
}

TEST_F(Articles, Refusals) {
    EXPECT_EQ(run(0x22, articleData(1, "a", 1, 0, 0, 9)).result, result::BadPassword);
    EXPECT_EQ(run(0x22, articleData(1, "a", 1, 6)).result, result::BadArticle);
    EXPECT_EQ(run(0x22, articleData(1, "", 1)).result, result::BadArticle);
    EXPECT_EQ(run(0x22, articleData(1, std::string(51, 'x'), 1)).result, result::BadLength);
    EXPECT_EQ(run(0x22, articleData(1, std::string(50, 'x'), 1)).result, 0);
    EXPECT_EQ(run(0x22, articleData(0, "a", 1)).result, result::NoSuchNumber);
    EXPECT_EQ(run(0x22, articleData(1, "a", 1, 0, 4)).status, status::NotExecuted);
    Bytes cut = articleData(2, "abc", 1);
    cut.pop_back();
    EXPECT_EQ(run(0x22, cut).status, status::NotExecuted);
    EXPECT_EQ(run(0x29, le(2, 6)).result, result::BadArticle);
    EXPECT_EQ(run(0x29, le(2, 5)).status, status::NotExecuted);
    run(0x12, itemData(1, 0, 100, 0, "x"));
    EXPECT_EQ(run(0x22, articleData(3, "a", 1)).result, result::ReceiptOpen);
}

TEST_F(Articles, TurnoverOfClosedReceipts) {
    ASSERT_EQ(run(0x22, articleData(77, "Молоко", 2500, 0, 3)).result, 0);
    // 1.5 at 25.00 and 0.25 (two decimals, counted in the article's three).
    ASSERT_EQ(run(0x12, itemData(1500, 3, 2500, 0, "Молоко", 77)).result, 0);
    ASSERT_EQ(run(0x12, itemFromRegister(25, 2, 0, 0, 77)).result, 0); // the programmed price
    pay();
    auto r = read(77);
    EXPECT_EQ(r.soldQuantity, 1750u);
    EXPECT_EQ(r.soldSum, 3750u + 625);
    // A cancelled line takes its quantity back; an annulled receipt counts nothing.
    ASSERT_EQ(run(0x12, itemData(1000, 3, 2500, 0, "Молоко", 77)).result, 0);
    ASSERT_EQ(run(0x12, itemData(500, 3, -2500, 0, "Молоко", 77)).result, 0);
    pay();
    ASSERT_EQ(run(0x12, itemData(1000, 3, 2500, 0, "Молоко", 77)).result, 0);
    ASSERT_EQ(run(0x0F).result, 0);
    r = read(77);
    EXPECT_EQ(r.soldQuantity, 2250u);
    EXPECT_EQ(r.soldSum, 4375u + 1250);
    // Returns.
    ASSERT_EQ(run(0x08, itemData(2000, 3, 2500, 0, "Молоко", 77)).result, 0);
    pay();
    r = read(77);
    EXPECT_EQ(r.returnedQuantity, 2000u);
    EXPECT_EQ(r.returnedSum, 5000u);
    EXPECT_EQ(r.soldQuantity, 2250u);
}

TEST_F(Articles, SalesDescribeUnknownArticles) {
    ASSERT_EQ(run(0x12, itemData(2, 0, 450, 1, "Печиво", 4820000000001)).result,
              result::NoSuchTaxGroup); // group Б has no rate yet
    ASSERT_EQ(run(0x12, itemData(2, 0, 450, 0, "Печиво", 4820000000001)).result, 0);
    ASSERT_EQ(run(0x12, itemData(1, 0, 100, 0, "Без коду")).result, 0); // code 0: no article
    pay();
    ASSERT_EQ(st().articles.size(), 1u);
    const Article& a = st().articles.at(4820000000001);
    EXPECT_FALSE(a.programmedInAdvance);
    EXPECT_EQ(a.price, 450);
    const auto r = read(4820000000001);
    EXPECT_EQ(r.name, "Печиво");
    EXPECT_EQ(r.soldQuantity, 2u);
    EXPECT_EQ(r.soldSum, 900u);
    // The register's name serves the next sale; programming it makes it one "in advance".
    ASSERT_EQ(run(0x12, itemFromRegister(1, 0, 0, 0, 4820000000001)).result, 0);
    pay();
    EXPECT_EQ(read(4820000000001).soldSum, 1350u);
    EXPECT_EQ(memory::articlesFromSales(st()), 1);
    ASSERT_EQ(run(0x22, articleData(4820000000001, "Печиво вівсяне", 470)).result, 0);
    EXPECT_EQ(memory::articlesFromSales(st()), 0);
    EXPECT_EQ(memory::articlesInAdvance(st()), 1);
    EXPECT_EQ(read(4820000000001).soldSum, 1350u);
}

TEST_F(Articles, TenThousandArticles) {
    for (std::uint64_t n = 1; n <= 10000; ++n) {
        ASSERT_EQ(run(0x22, articleData(n, "Товар " + std::to_string(n),
                                        static_cast<std::int64_t>(n), 0, 3))
                      .result,
                  0)
            << n;
    }
    EXPECT_EQ(memory::articlesInAdvance(st()), 10000);
    for (std::uint64_t n : {1ull, 5000ull, 9999ull, 10000ull}) {
        const auto r = read(n);
        EXPECT_EQ(r.name, "Товар " + std::to_string(n));
        EXPECT_EQ(r.price, n);
    }
}

TEST_F(Articles, TheTableIsFullAtItsCapacity) {
    for (std::uint64_t n = 1; n <= kArticleCapacity; ++n) {
        st().articles[n].name = utf8ToDevice("x");
    }
    EXPECT_EQ(run(0x22, articleData(kArticleCapacity + 1, "a", 1)).result, result::Forbidden);
    EXPECT_EQ(run(0x22, articleData(kArticleCapacity, "a", 1)).result, 0);
}

} // namespace
} // namespace kasemu
