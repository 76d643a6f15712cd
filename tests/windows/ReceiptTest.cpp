// A whole receipt and service cash through KASDRV.DLL: texts cross the
// interface as Windows-1251 and reach the tape in the register's code page.
#include "WineHost.h"

namespace kaswin {
namespace {

class Receipt : public RegisterTest {};

struct Line {
    int16_t rc = 0;
    int64_t cost = -1;
    int64_t total = -1;
};

Line Sale(int32_t quantity, uint8_t decimals, int32_t price, uint8_t group,
          const std::string& name) {
    Line r;
    r.rc = FPSale(&r.cost, &r.total, quantity, decimals, price, group, 0, 0, ToCp1251(name).c_str(),
                  0);
    return r;
}

constexpr uint8_t kCash = 3;

TEST_F(Receipt, SaleLinesCommentDiscountAndCashWithChange) {
    const std::size_t tapeBefore = Tape().size();
    const Line bread = Sale(15, 1, 1234, 0, "Хлеб житний");
    ASSERT_EQ(bread.rc, -1) << DriverError();
    EXPECT_EQ(bread.cost, 1851);
    EXPECT_EQ(bread.total, 1851);
    const Line sugar = Sale(2000, 3, 250, 5, "Цукор");
    ASSERT_EQ(sugar.rc, -1) << DriverError();
    EXPECT_EQ(sugar.cost, 500);
    EXPECT_EQ(sugar.total, 2351);
    ASSERT_EQ(FPComment(ToCp1251("Дякуємо за покупку").c_str(), 0), -1) << DriverError();

    uint32_t sums[6] = {};
    uint32_t forms[4] = {};
    if (FPGetCheckSums(sums, 5, forms, 3) == -1) {
        EXPECT_EQ(sums[0], 1851u);
        EXPECT_EQ(sums[5], 500u);
    }

    uint32_t amount = 0xDEAD;
    FPBOOL change = 7;
    ASSERT_EQ(FPPayment(&amount, &change, kCash, 3000, 0, -1), -1) << DriverError();
    EXPECT_EQ(amount, 649u);
    EXPECT_EQ(change, -1);

    if (TapeKnown()) {
        const std::string tape = Tape().substr(tapeBefore);
        EXPECT_NE(tape.find("Хлеб житний"), std::string::npos) << tape;
        EXPECT_NE(tape.find("Цукор"), std::string::npos) << tape;
        EXPECT_NE(tape.find("Дякуємо за покупку"), std::string::npos) << tape;
    }
}

TEST_F(Receipt, CancellationBeyondTheReceiptIsRefusedWithTheRegistersText) {
    ASSERT_EQ(Sale(1, 0, 1000, 0, "Товар").rc, -1) << DriverError();
    const Line tooMuch = Sale(1, 0, -1700, 0, "Товар");
    EXPECT_EQ(tooMuch.rc, 0);
    EXPECT_EQ(DriverCodes().result, 27);
    EXPECT_NE(DriverError().find("Отрицательная продажа больше суммы предыдущих продаж чека"),
              std::string::npos)
        << DriverError();
    ASSERT_EQ(FPResetOrder(), -1) << DriverError();
}

TEST_F(Receipt, ServiceCashInAndOut) {
    ASSERT_EQ(FPInToCash(10000), -1) << DriverError();
    ASSERT_EQ(FPOutOfCash(2500), -1) << DriverError();
    int64_t drawer = -1;
    if (FPGetMoneyInBox(&drawer) == -1) {
        EXPECT_GE(drawer, 7500);
    }
    EXPECT_EQ(FPOutOfCash(2000000000u), 0);
}

} // namespace
} // namespace kaswin
