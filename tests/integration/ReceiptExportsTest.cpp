// Whole receipts, service cash and operators: the driver against the
// emulator over a pseudo-terminal, checked by the driver's outputs, the
// register's counters and what it printed.
#include "EmulatorFixture.h"

#include "kasemu/Cp866.h"

#include <algorithm>

using namespace kastest;

namespace {

struct LineResult {
    int16_t rc = 0;
    int64_t cost = -1;
    int64_t total = -1;
};

// quantity with `decimals` places, price in kopecks, group 0-5.
LineResult Sale(int32_t quantity, uint8_t decimals, int32_t price, uint8_t group = 0,
                const std::string& name = "Товар") {
    LineResult r;
    r.rc = FPSale(&r.cost, &r.total, quantity, decimals, price, group, 0, 0, ToCp1251(name).c_str(),
                  0);
    return r;
}

LineResult Payout(int32_t quantity, int32_t price, const std::string& name = "Повернення") {
    LineResult r;
    r.rc = FPPayMoney(&r.cost, &r.total, quantity, 0, price, 0, 0, 0, ToCp1251(name).c_str(), 0);
    return r;
}

struct PaymentResult {
    int16_t rc = 0;
    uint32_t amount = 0xDEAD;
    FPBOOL change = 7;
};

constexpr uint8_t kCard = 0;
constexpr uint8_t kCheque = 2;
constexpr uint8_t kCash = 3;

PaymentResult Pay(uint8_t form, uint32_t amount, bool top = false) {
    PaymentResult p;
    p.rc = FPPayment(&p.amount, &p.change, form, amount, top ? -1 : 0, -1);
    return p;
}

bool TapeHas(const std::vector<std::string>& tape, const std::string& text) {
    return std::any_of(tape.begin(), tape.end(), [&text](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

// The register refused: the driver failed with its decoded text and code.
void ExpectRefusal(int16_t rc, uint8_t code, const std::string& text) {
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(DriverCodes().result, code);
    EXPECT_NE(DriverError().find(text), std::string::npos) << DriverError();
}

class Receipts : public EmulatorTest {};

TEST_F(Receipts, SaleLinesThenCashWithChange) {
    const LineResult bread = Sale(15, 1, 1234, 0, "Хлеб");
    ASSERT_EQ(bread.rc, -1) << DriverError();
    EXPECT_EQ(bread.cost, 1851);
    EXPECT_EQ(bread.total, 1851);
    const LineResult sugar = Sale(2000, 3, 250, 5, "Цукор");
    ASSERT_EQ(sugar.rc, -1) << DriverError();
    EXPECT_EQ(sugar.cost, 500);
    EXPECT_EQ(sugar.total, 2351);
    EXPECT_TRUE(emu().state().receipt.open());

    const PaymentResult paid = Pay(kCash, 3000);
    ASSERT_EQ(paid.rc, -1) << DriverError();
    EXPECT_EQ(paid.amount, 649u);
    EXPECT_EQ(paid.change, -1);

    const kasemu::RegisterState st = emu().state();
    EXPECT_FALSE(st.receipt.open());
    EXPECT_EQ(st.day.sale.receipts, 1u);
    EXPECT_EQ(st.day.sale.byForm[kCash], 2351);
    EXPECT_EQ(st.day.sale.byGroup[0], 1851);
    EXPECT_EQ(st.day.sale.byGroup[5], 500);
    EXPECT_EQ(st.cashInDrawer, 2351);
    EXPECT_TRUE(TapeHas(emu().tape(), "Хлеб"));
}

TEST_F(Receipts, CancellationWithinTheReceipt) {
    ASSERT_EQ(Sale(1, 0, 1000).rc, -1) << DriverError();
    const LineResult cancel = Sale(1, 0, -400);
    ASSERT_EQ(cancel.rc, -1) << DriverError();
    EXPECT_EQ(cancel.cost, -400);
    EXPECT_EQ(cancel.total, 600);

    const LineResult tooMuch = Sale(1, 0, -700);
    ExpectRefusal(tooMuch.rc, 27, "Отрицательная продажа больше суммы предыдущих продаж чека");
    EXPECT_EQ(tooMuch.cost, 0);
    EXPECT_EQ(tooMuch.total, 0);

    ASSERT_EQ(Pay(kCash, 0, true).rc, -1) << DriverError();
    const kasemu::RegisterState st = emu().state();
    EXPECT_EQ(st.day.cancelledSale.count, 1u);
    EXPECT_EQ(st.day.cancelledSale.sum, 400);
    EXPECT_EQ(st.day.sale.byForm[kCash], 600);
}

TEST_F(Receipts, DiscountOnTheSubtotalAndSurchargeOnTheLine) {
    ASSERT_EQ(Sale(1, 0, 10000).rc, -1) << DriverError();
    int64_t value = 0;
    int64_t total = 0;
    ASSERT_EQ(FPDiscount(&value, &total, 2, 10, 0, -1, ToCp1251("Знижка").c_str()), -1)
        << DriverError();
    EXPECT_EQ(value, -1000);
    EXPECT_EQ(total, 9000);

    ASSERT_EQ(Sale(1, 0, 2000).rc, -1) << DriverError();
    ASSERT_EQ(FPDiscount(&value, &total, 1, 0, 150, 0, nullptr), -1) << DriverError();
    EXPECT_EQ(value, 150);
    EXPECT_EQ(total, 11150);

    ASSERT_EQ(Pay(kCash, 0, true).rc, -1) << DriverError();
    const kasemu::RegisterState st = emu().state();
    EXPECT_EQ(st.day.sale.discounts, 1000);
    EXPECT_EQ(st.day.sale.markups, 150);
    EXPECT_EQ(st.day.sale.byForm[kCash], 11150);
}

TEST_F(Receipts, DiscountNeedsALineAndNoPayment) {
    int64_t value = 5;
    ExpectRefusal(FPDiscount(&value, nullptr, 3, 0, 100, -1, ""), 45,
                  "Не было продаж/выплат, скидка невозможна");
    EXPECT_EQ(value, 0);

    ASSERT_EQ(Sale(1, 0, 5000).rc, -1) << DriverError();
    const PaymentResult part = Pay(kCard, 1000);
    ASSERT_EQ(part.rc, -1) << DriverError();
    ExpectRefusal(FPDiscount(nullptr, nullptr, 2, 5, 0, -1, ""), 46,
                  "Команда запрещена после начала оплат");
    ExpectRefusal(Sale(1, 0, 100).rc, 46, "Команда запрещена после начала оплат");
}

TEST_F(Receipts, PartialPaymentsAndChangeOnlyFromCash) {
    ASSERT_EQ(Sale(1, 0, 5000).rc, -1) << DriverError();
    const PaymentResult card = Pay(kCard, 2000);
    ASSERT_EQ(card.rc, -1) << DriverError();
    EXPECT_EQ(card.amount, 3000u);
    EXPECT_EQ(card.change, 0);

    const PaymentResult cheque = Pay(kCheque, 4000);
    ExpectRefusal(cheque.rc, 43, "Сдача с этой формы оплаты запрещена");
    EXPECT_EQ(cheque.amount, 0u);

    const PaymentResult cash = Pay(kCash, 4000);
    ASSERT_EQ(cash.rc, -1) << DriverError();
    EXPECT_EQ(cash.amount, 1000u);
    EXPECT_EQ(cash.change, -1);

    const kasemu::RegisterState st = emu().state();
    EXPECT_EQ(st.day.sale.byForm[kCard], 2000);
    EXPECT_EQ(st.day.sale.byForm[kCash], 3000);
    EXPECT_EQ(st.cashInDrawer, 3000);
}

TEST_F(Receipts, TopFlagPaysTheRestInTheGivenForm) {
    ASSERT_EQ(Sale(1, 0, 1234).rc, -1) << DriverError();
    const PaymentResult p = Pay(kCheque, 0, true);
    ASSERT_EQ(p.rc, -1) << DriverError();
    EXPECT_EQ(p.amount, 0u);
    const kasemu::RegisterState st = emu().state();
    EXPECT_FALSE(st.receipt.open());
    EXPECT_EQ(st.day.sale.byForm[kCheque], 1234);
    EXPECT_EQ(st.lastSaleReceipt, 1u);
}

TEST_F(Receipts, ZeroReceiptAnnulsWhatIsOpenAndCloses) {
    ASSERT_EQ(Sale(1, 0, 700).rc, -1) << DriverError();
    ASSERT_EQ(FPNullCheck(), -1) << DriverError();
    const kasemu::RegisterState st = emu().state();
    EXPECT_FALSE(st.receipt.open());
    EXPECT_EQ(st.day.annulledSale.count, 1u);
    EXPECT_EQ(st.day.sale.receipts, 1u);
    EXPECT_EQ(st.day.sale.byForm[kCash], 0);
    EXPECT_TRUE(TapeHas(emu().tape(), "НУЛЬОВИЙ ЧЕК"));
}

TEST_F(Receipts, PayoutReceiptAndTheWrongKindOfLine) {
    ASSERT_EQ(FPInToCash(10000), -1) << DriverError();
    const LineResult payout = Payout(1, 3000);
    ASSERT_EQ(payout.rc, -1) << DriverError();
    EXPECT_EQ(payout.cost, 3000);
    ExpectRefusal(Sale(1, 0, 100).rc, 37, "Открыт чек выплат, продажи запрещены");
    ASSERT_EQ(Pay(kCash, 0, true).rc, -1) << DriverError();
    kasemu::RegisterState st = emu().state();
    EXPECT_EQ(st.day.payout.receipts, 1u);
    EXPECT_EQ(st.cashInDrawer, 7000);

    ASSERT_EQ(Sale(1, 0, 100).rc, -1) << DriverError();
    ExpectRefusal(Payout(1, 100).rc, 38, "Открыт чек продаж, выплаты запрещены");
}

TEST_F(Receipts, AnnulmentCountsTheReceiptAndIsHarmlessWithoutOne) {
    ASSERT_EQ(Sale(1, 0, 500).rc, -1) << DriverError();
    ASSERT_EQ(FPResetOrder(), -1) << DriverError();
    ASSERT_EQ(FPResetOrder(), -1) << DriverError();
    const kasemu::RegisterState st = emu().state();
    EXPECT_FALSE(st.receipt.open());
    EXPECT_EQ(st.day.annulledSale.count, 1u);
    EXPECT_EQ(st.day.annulledSale.sum, 500);
    EXPECT_EQ(st.day.sale.receipts, 0u);
}

TEST_F(Receipts, CommentsAndFeedOnTheTape) {
    ASSERT_EQ(Sale(1, 0, 100).rc, -1) << DriverError();
    ASSERT_EQ(FPComment(ToCp1251("Дякуємо за покупку").c_str(), 0), -1) << DriverError();
    ASSERT_EQ(FPLineFeed(), -1) << DriverError();
    ASSERT_EQ(Pay(kCash, 100).rc, -1) << DriverError();
    EXPECT_TRUE(TapeHas(emu().tape(), "Дякуємо за покупку"));
}

TEST_F(Receipts, TapeOutRefusesPrintingWithThePaperText) {
    emu().setPaperSensors(kasemu::paper::ReceiptOut);
    EXPECT_EQ(FPLineFeed(), 0);
    EXPECT_NE(DriverError().find("Нет чековой ленты"), std::string::npos) << DriverError();
    EXPECT_EQ(Sale(1, 0, 100).rc, 0);
}

TEST_F(Receipts, ShiftOver24HoursFailsSalesButNotOtherCommands) {
    ASSERT_EQ(Sale(1, 0, 100).rc, -1) << DriverError();
    ASSERT_EQ(Pay(kCash, 0, true).rc, -1) << DriverError();
    emu().advanceClock(25 * 3600);

    EXPECT_EQ(FPLineFeed(), -1);
    EXPECT_NE(DriverError().find("Превышение продолжительности смены"), std::string::npos);
    EXPECT_EQ(DriverCodes().status, 0x20);
    EXPECT_EQ(Sale(1, 0, 100).rc, 0);
    EXPECT_EQ(FPComment("x", 0), 0);

    // The status comes with every answer, whatever the command did: annul
    // what may be open, then the Z report closes the shift and sales go
    // through again.
    ASSERT_EQ(FPResetOrder(), -1) << DriverError();
    ASSERT_EQ(FPDayClrReport(0), -1) << DriverError();
    EXPECT_EQ(emu().state().fiscalMemory.size(), 1u);
    EXPECT_EQ(Sale(1, 0, 100).rc, -1) << DriverError();
}

class Cash : public EmulatorTest {};

TEST_F(Cash, DepositsAndWithdrawalsMoveTheDrawer) {
    ASSERT_EQ(FPInToCash(10000), -1) << DriverError();
    ASSERT_EQ(FPOutOfCash(3000), -1) << DriverError();
    kasemu::RegisterState st = emu().state();
    EXPECT_EQ(st.cashInDrawer, 7000);
    EXPECT_EQ(st.day.deposits, 10000);
    EXPECT_EQ(st.day.withdrawals, 3000);

    ExpectRefusal(FPOutOfCash(7001), 35,
                  "Попытка выдачи большей суммы наличных, чем в денежном ящике");
    // Not while a receipt is open.
    ASSERT_EQ(Sale(1, 0, 100).rc, -1) << DriverError();
    EXPECT_EQ(FPInToCash(100), 0);
    EXPECT_EQ(FPOutOfCash(100), 0);
    EXPECT_EQ(emu().state().cashInDrawer, 7000);
}

class Operators : public EmulatorTest {};

TEST_F(Operators, PasswordChangeNeedsTheOldPassword) {
    ASSERT_EQ(FPSetPassword(0, 1234, 3, ToCp1251("Олена").c_str()), -1) << DriverError();
    kasemu::RegisterState st = emu().state();
    EXPECT_EQ(st.operators[3].password, 1234);
    EXPECT_EQ(kasemu::deviceToUtf8(st.operators[3].name), "Олена");

    ExpectRefusal(FPSetPassword(1, 99, 3, ""), 21, "Неверный пароль");
    EXPECT_EQ(emu().state().operators[3].password, 1234);
}

TEST_F(Operators, CashierRegistrationByNameOrStoredName) {
    ASSERT_EQ(FPSetPassword(0, 77, 2, ToCp1251("Петро").c_str()), -1) << DriverError();
    ASSERT_EQ(FPSetCashier(2, nullptr, 77, -1), -1) << DriverError();
    EXPECT_EQ(emu().state().cashier, 2);
    ExpectRefusal(FPSetCashier(2, ToCp1251("Петро").c_str(), 78, 0), 21, "Неверный пароль");
}

} // namespace
