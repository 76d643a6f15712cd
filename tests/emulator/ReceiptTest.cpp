// Whole receipts at the level of the register model.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace kasemu {
namespace {

using namespace test;

class Receipts : public ::testing::Test, public ModelFixture {
  protected:
    Outcome sale(std::int64_t price, std::uint32_t qty = 1, int group = 0,
                 const std::string& name = "Товар") {
        return run(0x12, itemData(qty, 0, price, group, name));
    }
    Outcome payout(std::int64_t price, std::uint32_t qty = 1, int group = 0) {
        return run(0x08, itemData(qty, 0, price, group, "Возврат"));
    }
    Outcome pay(int form, std::uint32_t amount, bool rest = false) {
        return run(0x14, paymentData(form, amount, rest));
    }
    std::uint8_t modeByte() { return run(0x00).data[0]; }
};

TEST_F(Receipts, ABreadSaleOpensAReceiptAndRepliesCostAndTotal) {
    const auto out = run(0x12, hex("0F 00 00 01 D2 04 00 00 80 04 95 AB A5 A1 7B 00 00 00 00 00"));
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(hex(out.data), "3B 07 00 00 3B 07 00 00"); // 1.5 x 12.34 = 18.51
    EXPECT_TRUE(st().receipt.open());
    EXPECT_TRUE(st().shiftOpen);
    EXPECT_EQ(modeByte() & 0x60, 0x60); // shift and receipt open
    EXPECT_TRUE(printed(out.printed, "Хлеб"));
    EXPECT_TRUE(printed(out.printed, "1.5 x 12.34"));
    EXPECT_TRUE(printed(out.printed, "18.51 А"));
}

TEST_F(Receipts, LinesAddUpToTheReceiptTotal) {
    sale(1000, 2);
    const auto out = sale(250, 1500, 5);
    EXPECT_EQ(num(out.data, 0, 4), 250u * 1500);
    EXPECT_EQ(num(out.data, 4, 4), 2000u + 250u * 1500);
}

TEST_F(Receipts, QuantityDecimalsAndRounding) {
    // 0.333 x 1.00 = 0.333 -> 0.33; 0.335 x 1.00 -> 0.34 (half away from zero)
    EXPECT_EQ(num(run(0x12, itemData(333, 3, 100, 0, "a")).data, 0, 4), 33u);
    EXPECT_EQ(num(run(0x12, itemData(335, 3, 100, 0, "b")).data, 0, 4), 34u);
    EXPECT_EQ(run(0x12, itemData(1, 4, 100, 0, "c")).status, status::NotExecuted);
}

TEST_F(Receipts, UnitQuantityTakesThePriceOnce) {
    const auto out = run(0x12, itemData(15, 0x81, 1234, 0, "Хлеб"));
    EXPECT_EQ(num(out.data, 0, 4), 1234u);
}

TEST_F(Receipts, SaleInAPayoutReceiptAndPayoutInASaleReceiptAreRefused) {
    ASSERT_EQ(payout(500).result, 0);
    EXPECT_EQ(modeByte() & 0x08, 0x08); // a payout receipt
    EXPECT_EQ(sale(100).result, result::PayoutReceiptOpen);
    run(0x0F);
    ASSERT_EQ(sale(100).result, 0);
    EXPECT_EQ(payout(100).result, result::SaleReceiptOpen);
    EXPECT_EQ(st().receipt.lines.size(), 1u);
}

TEST_F(Receipts, ACancellationIsANegativeLineNoLargerThanTheEarlierSales) {
    sale(1000);
    sale(500);
    auto out = sale(-1600);
    EXPECT_EQ(out.result, result::NegativeSaleTooLarge);
    EXPECT_TRUE(out.printed.empty());
    out = sale(-500);
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(hex(Bytes(out.data.begin(), out.data.begin() + 4)), "F4 01 00 80");
    EXPECT_EQ(num(out.data, 4, 4), 1000u);
    EXPECT_TRUE(printed(out.printed, "ОТМЕНА"));
    EXPECT_EQ(sale(-1001).result, result::NegativeSaleTooLarge);
    EXPECT_EQ(sale(-1000).result, 0);
    pay(3, 0, true);
    EXPECT_EQ(st().day.cancelledSale.count, 2u);
    EXPECT_EQ(st().day.cancelledSale.sum, 1500);
}

TEST_F(Receipts, ACancellationCannotOpenAReceipt) {
    EXPECT_EQ(sale(-100).result, result::NegativeSaleTooLarge);
    EXPECT_FALSE(st().receipt.open());
    EXPECT_FALSE(st().shiftOpen);
}

TEST_F(Receipts, TaxGroupsMustExist) {
    EXPECT_EQ(run(0x12, hex("01 00 00 00 64 00 00 00 86 01 41 00 00 00 00 00 00")).result,
              result::NoSuchTaxGroup);
    EXPECT_EQ(sale(100, 1, 1).result, result::NoSuchTaxGroup); // only А is programmed
    EXPECT_EQ(sale(100, 1, 5).result, 0);                      // Е is always there
}

TEST_F(Receipts, NamesAreAtMostFiftyCharacters) {
    EXPECT_EQ(sale(100, 1, 0, std::string(50, 'x')).result, 0);
    EXPECT_EQ(sale(100, 1, 0, std::string(51, 'x')).result, result::BadLength);
}

TEST_F(Receipts, MalformedDataIsNotExecuted) {
    Bytes d = itemData(1, 0, 100, 0, "abc");
    d.pop_back();
    EXPECT_EQ(run(0x12, d).status, status::NotExecuted);
    EXPECT_FALSE(st().receipt.open());
}

TEST_F(Receipts, NameFromTheRegisterNeedsAProgrammedArticle) {
    EXPECT_EQ(run(0x12, itemFromRegister(1, 0, 100, 0, 77)).result, result::BadArticle);
    Article a;
    a.name = utf8ToDevice("Молоко");
    a.group = 0;
    st().articles[77] = a;
    const auto out = run(0x12, itemFromRegister(2, 0, 100, 0, 77));
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(printed(out.printed, "Молоко"));
    // The turnover counts once the receipt is closed.
    EXPECT_EQ(st().articles[77].soldQuantity, 0);
    ASSERT_EQ(run(0x14, paymentData(3, 0, true)).result, 0);
    EXPECT_EQ(st().articles[77].soldQuantity, 2);
    EXPECT_EQ(st().articles[77].soldSum, 200);
}

TEST_F(Receipts, TheBarcodeFlagPrintsTheArticle) {
    const auto out = run(0x12, itemData(1, 0x40, 100, 0, "a", 48));
    EXPECT_TRUE(printed(out.printed, "0000000000048"));
}

TEST_F(Receipts, PartialPaymentThenChange) {
    sale(1851);
    auto out = pay(0, 1000);
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(hex(out.data), "53 03 00 00"); // 8.51 still to pay
    EXPECT_EQ(modeByte() & 0x02, 0x02);      // payment has started
    EXPECT_TRUE(st().receipt.open());
    out = pay(3, 2000);
    EXPECT_EQ(hex(out.data), "7D 04 00 80"); // change 11.49
    EXPECT_FALSE(st().receipt.open());
    EXPECT_EQ(st().lastSaleReceipt, 1u);
    EXPECT_EQ(st().day.sale.receipts, 1u);
    EXPECT_EQ(st().day.sale.byGroup[0], 1851);
    EXPECT_EQ(st().day.sale.byForm[0], 1000);
    EXPECT_EQ(st().day.sale.byForm[3], 851);
    EXPECT_EQ(st().cashInDrawer, 851);
    EXPECT_TRUE(printed(out.printed, "СДАЧА"));
    EXPECT_TRUE(printed(out.printed, "11.49"));
    EXPECT_TRUE(printed(out.printed, "ЧЕК № 1"));
}

TEST_F(Receipts, PaymentOfTwentyInCash) {
    sale(1851);
    const auto out = run(0x14, hex("03 D0 07 00 00"));
    EXPECT_EQ(hex(out.data), "95 00 00 80"); // change 1.49
}

TEST_F(Receipts, ExactPaymentClosesWithZeroChange) {
    sale(500);
    EXPECT_EQ(hex(pay(2, 500).data), "00 00 00 80");
    EXPECT_FALSE(st().receipt.open());
}

TEST_F(Receipts, ChangeOnlyFromCash) {
    sale(500);
    EXPECT_EQ(pay(0, 600).result, result::NoChangeFromForm);
    EXPECT_EQ(pay(1, 600).result, result::NoChangeFromForm);
    EXPECT_FALSE(st().receipt.paymentStarted);
    EXPECT_EQ(pay(3, 600).result, 0);
}

TEST_F(Receipts, UnknownPaymentFormAndNoReceipt) {
    EXPECT_EQ(pay(3, 100).result, result::ReceiptNotOpen);
    sale(500);
    EXPECT_EQ(pay(4, 100).result, result::NoSuchPaymentForm);
}

TEST_F(Receipts, TheRestFlagPaysTheRemainderInTheGivenForm) {
    sale(700);
    pay(3, 200);
    const auto out = pay(0, 0, true);
    EXPECT_EQ(hex(out.data), "00 00 00 80");
    EXPECT_EQ(st().day.sale.byForm[0], 500);
    EXPECT_EQ(st().day.sale.byForm[3], 200);
}

TEST_F(Receipts, TheRestFlagWithTheRunningTotal) {
    sale(700);
    EXPECT_EQ(hex(pay(3, 700, true).data), "00 00 00 80");
}

TEST_F(Receipts, NothingMayBeAddedAfterPaymentBegan) {
    sale(700);
    pay(3, 100);
    EXPECT_EQ(sale(100).result, result::PaymentStarted);
    EXPECT_EQ(run(0x23, discountData(2, 10, true)).result, result::PaymentStarted);
    EXPECT_EQ(run(0x0B, textData("можно")).result, 0); // comments still print
}

TEST_F(Receipts, APaidReceiptPrintsLikeOne) {
    st().programming.receiptTail[0].text = utf8ToDevice("ДЯКУЄМО!");
    std::vector<std::string> tape;
    auto keep = [&tape](const Outcome& o) {
        tape.insert(tape.end(), o.printed.begin(), o.printed.end());
    };
    keep(run(0x12, hex("0F 00 00 01 D2 04 00 00 80 04 95 AB A5 A1 7B 00 00 00 00 00")));
    keep(run(0x14, hex("03 D0 07 00 00")));
    EXPECT_TRUE(printed(tape, "ЭМУЛЯТОР ЭККР"));
    EXPECT_TRUE(printed(tape, "СУММА"));
    EXPECT_TRUE(printed(tape, "НАЛИЧНЫЕ"));
    EXPECT_TRUE(printed(tape, "НДС А 20.00%"));
    EXPECT_TRUE(printed(tape, "3.09")); // 18.51 * 20 / 120
    EXPECT_TRUE(printed(tape, "ДЯКУЄМО!"));
    EXPECT_TRUE(printed(tape, "07.12.2026"));
    EXPECT_TRUE(printed(tape, "ЗН ПБ00012345"));
    for (const auto& l : tape) {
        EXPECT_LE(utf8Length(l), 36u) << l;
    }
}

TEST_F(Receipts, TaxAddedOnTopRaisesTheTotal) {
    st().programming.vatAdded = true;
    const auto out = sale(1000);
    EXPECT_EQ(num(out.data, 0, 4), 1000u);
    EXPECT_EQ(num(out.data, 4, 4), 1200u);
    EXPECT_EQ(hex(pay(3, 1000).data), "C8 00 00 00");
}

TEST_F(Receipts, TheZeroReceipt) {
    EXPECT_EQ(run(0x0F).result, 0); // nothing to annul
    auto out = run(0x0B, textData("НУЛЬОВИЙ ЧЕК"));
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(st().receipt.open());
    out = run(0x14, hex("03 00 00 00 80"));
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(hex(out.data), "00 00 00 80");
    EXPECT_FALSE(st().receipt.open());
    EXPECT_EQ(st().lastSaleReceipt, 1u);
    EXPECT_TRUE(printed(st().lastReceiptTape, "НУЛЬОВИЙ ЧЕК"));
}

TEST_F(Receipts, AReceiptOpenedByACommentTakesTheKindOfItsFirstLine) {
    run(0x0B, textData("комментарий"));
    EXPECT_EQ(payout(100).result, 0);
    EXPECT_EQ(st().receipt.kind, ReceiptKind::Payout);
}

TEST_F(Receipts, CommentsAreAtMostTwentySevenCharacters) {
    EXPECT_EQ(run(0x0B, textData(std::string(27, 'x'))).result, 0);
    EXPECT_EQ(run(0x0B, textData(std::string(28, 'x'))).result, result::BadLength);
    EXPECT_EQ(run(0x0B, textData("флаг", 0x80)).result, 0);
}

TEST_F(Receipts, AnnulmentIsCounted) {
    sale(1500);
    sale(500);
    const auto out = run(0x0F);
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(printed(out.printed, "ЧЕК АННУЛИРОВАН"));
    EXPECT_FALSE(st().receipt.open());
    EXPECT_EQ(st().day.annulledSale.count, 1u);
    EXPECT_EQ(st().day.annulledSale.sum, 2000);
    EXPECT_EQ(st().day.sale.receipts, 0u);
    EXPECT_EQ(st().lastSaleReceipt, 0u);
    payout(100);
    run(0x0F);
    EXPECT_EQ(st().day.annulledPayout.count, 1u);
}

TEST_F(Receipts, TenPercentDiscountOnTheSubtotal) {
    sale(10000);
    const auto out = run(0x23, hex("02 0A 00 00 82 00"));
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(hex(out.data), "E8 03 00 80 28 23 00 00");
    EXPECT_TRUE(printed(out.printed, "ПОДЫТОГ"));
    EXPECT_TRUE(printed(out.printed, "СКИДКА 10%"));
    pay(3, 0, true);
    EXPECT_EQ(st().day.sale.discounts, 1000);
    EXPECT_EQ(st().day.sale.byGroup[0], 9000);
}

TEST_F(Receipts, MarkUpOnTheLastLine) {
    sale(1000);
    sale(2000, 1, 5);
    const auto out = run(0x23, discountData(1, 150, false, "доставка"));
    EXPECT_EQ(hex(out.data), "96 00 00 00 4E 0C 00 00"); // +1.50, total 31.50
    EXPECT_EQ(st().receipt.byGroup[5], 2150);
    EXPECT_EQ(st().receipt.byGroup[0], 1000);
    EXPECT_TRUE(printed(out.printed, "доставка"));
}

TEST_F(Receipts, PercentOnTheLastLine) {
    sale(1000);
    sale(333);
    const auto out = run(0x23, discountData(0, 50, true));
    EXPECT_EQ(hex(Bytes(out.data.begin(), out.data.begin() + 4)), "A7 00 00 80"); // -1.67
}

TEST_F(Receipts, ASubtotalDiscountSpreadsOverTheGroups) {
    st().programming.taxRateCount = 2;
    sale(3000, 1, 0);
    sale(1000, 1, 1);
    run(0x23, discountData(3, 400, true));
    EXPECT_EQ(st().receipt.byGroup[0], 2700);
    EXPECT_EQ(st().receipt.byGroup[1], 900);
}

TEST_F(Receipts, DiscountRefusals) {
    EXPECT_EQ(run(0x23, discountData(2, 10, true)).result, result::NothingToDiscount);
    run(0x0B, textData("только комментарий"));
    EXPECT_EQ(run(0x23, discountData(2, 10, true)).result, result::NothingToDiscount);
    sale(1000);
    EXPECT_EQ(run(0x23, discountData(1, 1001, true)).result, result::NegativeSaleTooLarge);
    EXPECT_EQ(run(0x23, discountData(0, 101, true)).status, status::NotExecuted);
    EXPECT_EQ(run(0x23, discountData(4, 1, true)).status, status::NotExecuted);
    EXPECT_EQ(run(0x23, discountData(1, 1, true, std::string(26, 'x'))).result, result::BadLength);
    EXPECT_EQ(st().receipt.total, 1000);
}

TEST_F(Receipts, PaperOutRefusesPrintingWithStatusBitOne) {
    st().paperSensors = paper::ReceiptOut;
    auto out = sale(100);
    EXPECT_EQ(out.status, status::Paper);
    EXPECT_EQ(out.result, 0);
    EXPECT_FALSE(st().receipt.open());
    EXPECT_TRUE(out.printed.empty());
    st().paperSensors = paper::ControlOut;
    EXPECT_EQ(sale(100).status, status::Paper);
    st().paperSensors = paper::ReceiptLow | paper::ControlLow;
    EXPECT_EQ(sale(100).status, 0);
    st().paperSensors = paper::ReceiptOut;
    EXPECT_EQ(pay(3, 100).status, status::Paper);
    EXPECT_EQ(run(0x0E).status, status::Paper);
    EXPECT_EQ(run(0x30).status, 0); // asking is not printing
}

TEST_F(Receipts, PrintingKeepsThePrinterBusy) {
    model.setConfig(ModelConfig{20.0, 36});
    const auto out = sale(100);
    ASSERT_FALSE(out.printed.empty());
    EXPECT_EQ(out.busy.count(), static_cast<long>(out.printed.size()) * 50);
    EXPECT_EQ(run(0x01).busy.count(), 0);
}

TEST_F(Receipts, TheShiftOpensWithTheFirstReceiptAndRunsOverAfterADay) {
    EXPECT_FALSE(st().shiftOpen);
    sale(100);
    pay(3, 100);
    EXPECT_TRUE(st().shiftOpen);
    clock.advance(24 * 3600 + 1);
    EXPECT_EQ(run(0x00).status, status::ShiftOver24h);
    EXPECT_EQ(sale(100).status, status::ShiftOver24h);
    pay(3, 100);
    EXPECT_EQ(run(0x0D, hex("00 00")).result, 0);
    EXPECT_EQ(run(0x00).status, 0);
    EXPECT_FALSE(st().shiftOpen);
}

TEST_F(Receipts, PayoutReceiptsPayCashOutOfTheDrawer) {
    payout(500);
    EXPECT_EQ(pay(3, 500).result, result::NotEnoughCash);
    EXPECT_EQ(run(0x10, le(1000, 4)).result, result::ReceiptOpen);
    run(0x0F);
    run(0x10, le(1000, 4));
    payout(500);
    EXPECT_EQ(hex(pay(3, 500).data), "00 00 00 80");
    EXPECT_EQ(st().cashInDrawer, 500);
    EXPECT_EQ(st().day.payout.receipts, 1u);
    EXPECT_EQ(st().day.payout.byForm[3], 500);
    EXPECT_EQ(st().lastPayoutReceipt, 1u);
}

TEST_F(Receipts, ANonFiscalCopyOnRequest) {
    sale(100);
    const auto out = run(0x14, paymentData(3, 100, false, true));
    EXPECT_TRUE(printed(out.printed, "НЕФИСКАЛЬНЫЙ ЧЕК"));
}

} // namespace
} // namespace kasemu
