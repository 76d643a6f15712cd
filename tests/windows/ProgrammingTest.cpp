// Programming the register and reading it back through KASDRV.DLL.
#include "WineHost.h"

namespace kaswin {
namespace {

class Programming : public RegisterTest {
  protected:
    void SetUp() override {
        RegisterTest::SetUp();
        // Tax rates and the taxpayer lines need the shift closed.
        ASSERT_EQ(FPResetOrder(), -1) << DriverError();
        ASSERT_EQ(FPDayClrReport(0), -1) << DriverError();
    }
};

TEST_F(Programming, TaxRatesAreProgrammedAndReadBack) {
    const FPTaxRate rates[2] = {{0, 2000, 0}, {0, 700, 0}};
    const int16_t rc = FPSetTaxRate(0, 2, 0, rates, 1, 0);
    if (rc == 0) {
        KASWIN_SKIP_IF_UNSERVED("tax rate programming (0x19)");
    }
    ASSERT_EQ(rc, -1) << DriverError();

    int32_t read[5] = {};
    int32_t levies[5] = {};
    uint8_t count = 0;
    FPBOOL added = 7;
    FPBOOL levy = 7;
    const int16_t got = FPGetTaxRate(read, 4, levies, 4, &count, &added, &levy);
    if (got == 0) {
        KASWIN_SKIP_IF_UNSERVED("memory reads (0x1C)");
    }
    ASSERT_EQ(got, -1) << DriverError();
    EXPECT_EQ(count, 2);
    EXPECT_EQ(read[0], 2000);
    EXPECT_EQ(read[1], 700);
    EXPECT_EQ(added, 0);
    EXPECT_EQ(levy, 0);
}

TEST_F(Programming, ArticleIsProgrammedAndReadBack) {
    const int64_t code = 4820000123457;
    const int16_t rc = FPProgArt(0, 3, 4550, 1, ToCp1251("Молоко 2,5% Ферма").c_str(), code);
    if (rc == 0) {
        KASWIN_SKIP_IF_UNSERVED("article programming (0x22)");
    }
    ASSERT_EQ(rc, -1) << DriverError();

    uint8_t length = 0;
    const char* name = nullptr;
    int32_t price = 0;
    uint8_t group = 9;
    const int16_t got = FPGetArticleInfo(&length, &name, &price, &group, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, &code);
    if (got == 0) {
        KASWIN_SKIP_IF_UNSERVED("article queries (0x29)");
    }
    ASSERT_EQ(got, -1) << DriverError();
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(ToUtf8(std::string(name, length).c_str()), "Молоко 2,5% Ферма");
    EXPECT_EQ(price, 4550);
    EXPECT_EQ(group, 1);
}

TEST_F(Programming, TaxpayerLinesShowInTheStatus) {
    const int16_t rc =
        FPSetHeadLine(0, ToCp1251("ТОВ Ромашка").c_str(), 0, 0, ToCp1251("вул. Садова, 5").c_str(),
                      0, 0, "", 0, 0, "1234567890", 0);
    if (rc == 0) {
        KASWIN_SKIP_IF_UNSERVED("taxpayer lines (0x16)");
    }
    ASSERT_EQ(rc, -1) << DriverError();
    Status s;
    ASSERT_EQ(s.rc, -1) << DriverError();
    EXPECT_EQ(s.Text(2), "ТОВ Ромашка");
    EXPECT_EQ(s.Text(3), "вул. Садова, 5");
    EXPECT_NE(s.Text(5).find("1234567890"), std::string::npos) << s.Text(5);
}

TEST_F(Programming, ReceiptHeaderLineIsAccepted) {
    const int16_t rc = FPSetInitialFirstLine(ToCp1251("Ласкаво просимо").c_str(), 0, 0);
    if (rc == 0) {
        KASWIN_SKIP_IF_UNSERVED("receipt message lines (0x17)");
    }
    ASSERT_EQ(rc, -1) << DriverError();
}

} // namespace
} // namespace kaswin
