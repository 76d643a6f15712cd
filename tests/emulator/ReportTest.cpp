// Operators, service cash, reports and peripherals at the level of the register model.
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace kasemu {
namespace {

using namespace test;

class Register : public ::testing::Test, public ModelFixture {
  protected:
    void receipt(std::int64_t price, int group = 0, bool payoutReceipt = false) {
        ASSERT_EQ(run(payoutReceipt ? 0x08 : 0x12, itemData(1, 0, price, group, "x")).result, 0);
        ASSERT_EQ(run(0x14, paymentData(3, 0, true)).result, 0);
    }
    static Bytes passwordData(std::uint16_t oldPw, int op, std::uint16_t newPw,
                              const std::string& name = {}) {
        Bytes d = le(oldPw, 2);
        d.push_back(static_cast<std::uint8_t>(op));
        for (const auto b : le(newPw, 2)) {
            d.push_back(b);
        }
        for (const auto b : textData(name)) {
            d.push_back(b);
        }
        return d;
    }
    static Bytes dates(std::uint16_t pw, const std::string& from, const std::string& to) {
        Bytes d = le(pw, 2);
        for (const auto b : hex(from + " " + to)) {
            d.push_back(b);
        }
        return d;
    }
};

// Cash.

TEST_F(Register, CashInOfAHundredAndACashOut) {
    auto out = run(0x10, hex("10 27 00 00"));
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(st().cashInDrawer, 10000);
    EXPECT_EQ(st().day.deposits, 10000);
    EXPECT_TRUE(printed(out.printed, "СЛУЖЕБНОЕ ВНЕСЕНИЕ"));
    EXPECT_TRUE(printed(out.printed, "100.00"));
    EXPECT_TRUE(st().shiftOpen);
    out = run(0x18, le(10001, 4));
    EXPECT_EQ(out.result, result::NotEnoughCash);
    EXPECT_TRUE(out.printed.empty());
    out = run(0x18, le(2500, 4));
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(st().cashInDrawer, 7500);
    EXPECT_EQ(st().day.withdrawals, 2500);
}

TEST_F(Register, NoCashOperationsInAReceipt) {
    run(0x12, itemData(1, 0, 100, 0, "x"));
    EXPECT_EQ(run(0x10, le(100, 4)).result, result::ReceiptOpen);
    EXPECT_EQ(run(0x18, le(0, 4)).result, result::ReceiptOpen);
}

// Operators.

TEST_F(Register, PasswordsChangeOnlyWithTheOldOne) {
    EXPECT_EQ(run(0x05, passwordData(1, 9, 4321)).result, result::BadPassword);
    EXPECT_EQ(run(0x05, passwordData(0, 9, 4321)).result, 0);
    EXPECT_EQ(st().operators[9].password, 4321);
    EXPECT_EQ(run(0x05, passwordData(0, 9, 1)).result, result::BadPassword);
    EXPECT_EQ(run(0x05, passwordData(0, 10, 1)).result, result::NoSuchNumber);
    EXPECT_EQ(run(0x05, passwordData(0, 2, 7, "Петренко")).result, 0);
    EXPECT_EQ(deviceToUtf8(st().operators[2].name), "Петренко");
    EXPECT_EQ(run(0x05, passwordData(7, 2, 8, std::string(16, 'x'))).result, result::BadLength);
}

TEST_F(Register, CashierRegistration) {
    run(0x05, passwordData(0, 3, 55, "Іванова"));
    Bytes d = le(55, 2);
    d.push_back(3);
    d.push_back(0xFF);
    EXPECT_EQ(run(0x06, d).result, 0);
    EXPECT_EQ(st().cashier, 3);
    d[0] = 54;
    EXPECT_EQ(run(0x06, d).result, result::BadPassword);
    Bytes named = le(0, 2);
    named.push_back(1);
    for (const auto b : textData("Сидоренко")) {
        named.push_back(b);
    }
    EXPECT_EQ(run(0x06, named).result, 0);
    EXPECT_EQ(st().cashier, 1);
    EXPECT_EQ(deviceToUtf8(st().operators[1].name), "Сидоренко");
    run(0x12, itemData(1, 0, 100, 0, "x"));
    const auto out = run(0x14, paymentData(3, 0, true));
    EXPECT_TRUE(printed(out.printed, "КАССИР Сидоренко"));
}

TEST_F(Register, CashierUnregistrationWithAnEmptyName) {
    run(0x05, passwordData(0, 3, 55, "Иванова"));
    Bytes stored = le(55, 2);
    stored.push_back(3);
    stored.push_back(0xFF);
    ASSERT_EQ(run(0x06, stored).result, 0);
    Bytes empty = le(55, 2);
    empty.push_back(2); // another cashier signs off: cashier 3 stays on duty
    empty.push_back(0);
    empty[0] = 0;
    EXPECT_EQ(run(0x06, empty).result, 0);
    EXPECT_EQ(st().cashier, 3);
    empty[0] = 54;
    empty[2] = 3;
    EXPECT_EQ(run(0x06, empty).result, result::BadPassword);
    EXPECT_EQ(st().cashier, 3);
    empty[0] = 55;
    EXPECT_EQ(run(0x06, empty).result, 0);
    EXPECT_EQ(st().cashier, -1);
    EXPECT_EQ(deviceToUtf8(st().operators[3].name), "Иванова");
}

// Reports.

TEST_F(Register, XReportNeedsTheReportPasswordAndNoOpenReceipt) {
    st().operators[kReportOperator].password = 0x1234;
    EXPECT_EQ(run(0x09, hex("00 00")).result, result::BadPassword);
    receipt(1500);
    run(0x12, itemData(1, 0, 100, 0, "x"));
    EXPECT_EQ(run(0x09, hex("34 12")).result, result::ReceiptOpen);
    run(0x0F);
    const auto out = run(0x09, hex("34 12"));
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(printed(out.printed, "X-ОТЧЕТ"));
    EXPECT_TRUE(printed(out.printed, "15.00"));
    EXPECT_EQ(st().day.sale.receipts, 1u); // an X report changes nothing
    EXPECT_TRUE(st().fiscalMemory.empty());
}

TEST_F(Register, ZReportWritesTheFiscalMemoryAndClearsTheDay) {
    receipt(1500);
    receipt(700, 0, false);
    run(0x10, le(5000, 4));
    auto out = run(0x0D, hex("00 00"));
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(printed(out.printed, "Z-ОТЧЕТ № 1"));
    ASSERT_EQ(st().fiscalMemory.size(), 1u);
    const auto& z = st().fiscalMemory[0];
    EXPECT_EQ(z.number, 1);
    EXPECT_EQ(z.totals.sale.receipts, 2u);
    EXPECT_EQ(z.totals.sale.byGroup[0], 2200);
    EXPECT_EQ(z.totals.sale.byForm[3], 2200);
    EXPECT_EQ(z.totals.deposits, 5000);
    EXPECT_EQ(fromSeconds(z.at).day, 7);
    EXPECT_EQ(st().day.sale.receipts, 0u);
    EXPECT_EQ(st().day.sale.byGroup[0], 0);
    EXPECT_FALSE(st().shiftOpen);
    EXPECT_EQ(st().cashInDrawer, 7200);  // the drawer keeps its cash
    EXPECT_EQ(st().lastSaleReceipt, 2u); // receipt numbers run on
    out = run(0x0D, hex("00 00"));
    EXPECT_TRUE(printed(out.printed, "Z-ОТЧЕТ № 2"));
    EXPECT_EQ(st().nextZNumber(), 3);
}

TEST_F(Register, ZReportRefusals) {
    EXPECT_EQ(run(0x0D, hex("01 00")).result, result::BadPassword);
    run(0x0B, textData("x"));
    EXPECT_EQ(run(0x0D, hex("00 00")).result, result::ReceiptOpen);
    EXPECT_TRUE(st().fiscalMemory.empty());
    EXPECT_EQ(run(0x0D, hex("00")).status, status::NotExecuted);
}

TEST_F(Register, PeriodicReportsReadTheFiscalMemory) {
    receipt(1000);
    run(0x0D, hex("00 00"));
    clock.advance(86400);
    receipt(2000);
    run(0x0D, hex("00 00"));
    clock.advance(86400);
    receipt(4000);
    run(0x0D, hex("00 00"));

    auto out = run(0x11, dates(0, "08 12 26", "09 12 26"));
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(printed(out.printed, "ПЕРИОДИЧЕСКИЙ ОТЧЕТ"));
    EXPECT_TRUE(printed(out.printed, "Z № 2"));
    EXPECT_TRUE(printed(out.printed, "Z № 3"));
    EXPECT_FALSE(printed(out.printed, "Z № 1"));
    EXPECT_TRUE(printed(out.printed, "60.00")); // 20.00 + 40.00

    out = run(0x1A, dates(0, "07 12 26", "07 12 26"));
    EXPECT_TRUE(printed(out.printed, "СОКРАЩЕННЫЙ"));
    EXPECT_FALSE(printed(out.printed, "Z № 1")); // totals only
    EXPECT_TRUE(printed(out.printed, "Z-ОТЧЕТОВ 1"));

    out = run(0x1F, hex("00 00 01 00 02 00"));
    EXPECT_TRUE(printed(out.printed, "Z № 1"));
    EXPECT_TRUE(printed(out.printed, "Z № 2"));
    EXPECT_FALSE(printed(out.printed, "Z № 3"));

    out = run(0x11, dates(0, "01 01 27", "31 01 27"));
    EXPECT_TRUE(printed(out.printed, "НЕТ ДАННЫХ"));
}

TEST_F(Register, PeriodicReportRefusals) {
    EXPECT_EQ(run(0x11, dates(0, "32 12 26", "01 01 27")).result, result::BadDateTime);
    EXPECT_EQ(run(0x1A, dates(0, "01 1A 26", "01 01 27")).result, result::BadDateTime);
    EXPECT_EQ(run(0x11, dates(1, "01 12 26", "01 01 27")).result, result::BadPassword);
    EXPECT_EQ(run(0x1F, hex("00 00 01 00")).status, status::NotExecuted);
}

TEST_F(Register, ArticleReport) {
    Article a;
    a.name = utf8ToDevice("Кефір");
    st().articles[500] = a;
    st().articles[20] = a;
    auto out = run(0x0A, hex("00 00"));
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(printed(out.printed, "КОД 500"));
    EXPECT_TRUE(printed(out.printed, "КОД 20"));
    out = run(0x0A, hex("00 00 14 00 00 00 00 00 14 00 00 00 00 00"));
    EXPECT_FALSE(printed(out.printed, "КОД 500"));
    EXPECT_TRUE(printed(out.printed, "КОД 20"));
    st().articles.clear();
    EXPECT_TRUE(printed(run(0x0A, hex("00 00")).printed, "НЕТ ДАННЫХ"));
}

// Peripherals.

TEST_F(Register, CustomerDisplay) {
    Bytes d{0x01};
    for (const auto b : textData("СУМА 12.00")) {
        d.push_back(b);
    }
    EXPECT_EQ(run(0x1B, d).result, 0);
    EXPECT_EQ(deviceToUtf8(st().display[1]), "СУМА 12.00");
    Bytes tooLong{0x00};
    for (const auto b : textData(std::string(21, 'x'))) {
        tooLong.push_back(b);
    }
    EXPECT_EQ(run(0x1B, tooLong).result, result::BadLength);
    EXPECT_EQ(run(0x1B, hex("02 00")).status, status::NotExecuted);
}

TEST_F(Register, TheDrawerOpensAndIsPushedShut) {
    EXPECT_EQ(run(0x00).data[0] & 0x04, 0x04);
    run(0x1D);
    EXPECT_EQ(run(0x00).data[0] & 0x04, 0x00);
    clock.advance(5);
    EXPECT_EQ(run(0x00).data[0] & 0x04, 0x04);
}

TEST_F(Register, CopyOfTheLastReceipt) {
    EXPECT_EQ(run(0x1E).result, result::NoReceipts);
    receipt(4321);
    const auto out = run(0x1E);
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(printed(out.printed, "КОПИЯ ЧЕКА"));
    EXPECT_TRUE(printed(out.printed, "43.21"));
    EXPECT_EQ(st().lastSaleReceipt, 1u);
}

TEST_F(Register, FirmwarePrintout) {
    const auto out = run(0x20);
    EXPECT_TRUE(printed(out.printed, "РМ-15"));
}

TEST_F(Register, NonFiscalTextIsAServiceReport) {
    auto out = run(0x28, textData("Строка 1"));
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(out.ext, ext::ServiceReportOpen);
    EXPECT_TRUE(printed(out.printed, "Строка 1"));
    EXPECT_EQ(run(0x00).data[1] & 0x08, 0x08);
    out = run(0x12, itemData(1, 0, 100, 0, "x"));
    EXPECT_EQ(out.result, result::ReceiptOpen);
    EXPECT_EQ(out.ext, ext::ServiceReportOpen);
    out = run(0x28, textData(""));
    EXPECT_EQ(out.result, 0);
    EXPECT_EQ(out.printed.size(), 1u);
    out = run(0x28, hex("FF"));
    EXPECT_EQ(out.ext, 0);
    EXPECT_FALSE(st().serviceReportOpen);
    EXPECT_EQ(run(0x28, textData(std::string(38, 'x'))).result, result::BadLength);
    EXPECT_EQ(run(0x28, textData(std::string(37, 'x'))).result, 0);
}

TEST_F(Register, TheReceiptTapeOnlySwitch) {
    st().paperSensors = paper::ControlOut;
    EXPECT_EQ(run(0x28, textData("x")).status, status::Paper);
    run(0x28, hex("FE"));
    EXPECT_TRUE(st().receiptTapeOnly);
    EXPECT_EQ(run(0x28, textData("x")).status, 0);
    run(0x28, hex("FF"));
    EXPECT_FALSE(st().receiptTapeOnly);
    run(0x28, hex("FE"));
    run(0x28, hex("FE"));
    EXPECT_FALSE(st().receiptTapeOnly);
}

TEST_F(Register, NoServiceReportInAReceipt) {
    run(0x12, itemData(1, 0, 100, 0, "x"));
    const auto out = run(0x28, textData("x"));
    EXPECT_EQ(out.result, result::ReceiptOpen);
    EXPECT_EQ(out.ext, 0);
}

TEST_F(Register, BarCodes) {
    EXPECT_EQ(run(0x2F, textData(std::string(16, 'A'))).result, 0);
    EXPECT_EQ(run(0x2F, textData(std::string(17, 'A'))).result, result::BadLength);
    EXPECT_EQ(run(0x2F, textData("АБВ")).result, result::BadCharacters);
    auto out = run(0x31, utf8ToDevice("0000000000048"));
    EXPECT_EQ(out.result, 0);
    EXPECT_TRUE(printed(out.printed, "[EAN-13] 0000000000048"));
    EXPECT_EQ(run(0x31, utf8ToDevice("0000000000047")).result, result::BadCharacters);
    EXPECT_EQ(run(0x31, utf8ToDevice("000001234567A")).result, result::BadCharacters);
    EXPECT_EQ(run(0x31, utf8ToDevice("0000012345670")).result, 0);
    EXPECT_EQ(run(0x31, utf8ToDevice("123")).status, status::NotExecuted);
}

TEST_F(Register, LineFeed) {
    const auto out = run(0x0E);
    EXPECT_EQ(out.result, 0);
    ASSERT_EQ(out.printed.size(), 1u);
    EXPECT_EQ(out.printed[0], "");
}

} // namespace
} // namespace kasemu
