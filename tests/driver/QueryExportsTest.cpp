// The data queries over a scripted register: reply layouts and lengths,
// the counter encodings, the fixed memory addresses, and the caller's
// arrays that must never be overrun.
#include "DriverUnit.h"
#include "ExportChecks.h"
#include "WireFormat.h"
#include "kasdrv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

using namespace kastest;

namespace {

const std::string kBadReply = "Ответная посылка не соответствует формату данных!";
const std::string kNoData = "Данные от ЭККР не были получены!";
const std::string kTimeout = "Превышено время ожидания ответа от принтера!";

void PutLe(Bytes& out, uint64_t v, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

Bytes MemoryRead(uint16_t address, uint8_t page, uint8_t count) {
    return {0x1C, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8), page, count};
}

// A day report reply: every sum distinct, so that a field read from the
// wrong offset shows. Sale half from 1000, payout half from 2000.
Bytes DayReportReply() {
    Bytes r = {0x05, 0x12}; // sale receipt counter 1205
    for (int i = 0; i < 13; ++i) {
        PutLe(r, 1000 + static_cast<uint64_t>(i), 5);
    }
    r.push_back(0x99);
    r.push_back(0x00); // payout receipt counter 99
    for (int i = 0; i < 13; ++i) {
        PutLe(r, 2000 + static_cast<uint64_t>(i), 5);
    }
    return r;
}

struct DayReport {
    uint16_t sales = 0;
    uint16_t payouts = 0;
    std::array<int64_t, 6> saleGroups{};
    std::array<int64_t, 4> saleForms{};
    std::array<int64_t, 6> payoutGroups{};
    std::array<int64_t, 4> payoutForms{};
    std::array<int64_t, 6> six{}; // markups, discounts on sales and payouts, deposits, withdrawals

    int16_t Read(int32_t highGroups = 5, int32_t highForms = 3) {
        return FPGetDayReport(&sales, &payouts, saleGroups.data(), highGroups, saleForms.data(),
                              highForms, payoutGroups.data(), highGroups, payoutForms.data(),
                              highForms, &six[0], &six[1], &six[2], &six[3], &six[4], &six[5]);
    }
};

TEST(DayReport, FieldsComeFromTheirOffsets) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, DayReportReply()));
    DayReport d;
    ASSERT_EQ(d.Read(), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x2A}));
    EXPECT_EQ(d.sales, 1205);
    EXPECT_EQ(d.payouts, 99);
    EXPECT_EQ(d.saleGroups, (std::array<int64_t, 6>{1000, 1001, 1002, 1003, 1004, 1005}));
    EXPECT_EQ(d.saleForms, (std::array<int64_t, 4>{1006, 1007, 1008, 1009}));
    EXPECT_EQ(d.payoutGroups, (std::array<int64_t, 6>{2000, 2001, 2002, 2003, 2004, 2005}));
    EXPECT_EQ(d.payoutForms, (std::array<int64_t, 4>{2006, 2007, 2008, 2009}));
    EXPECT_EQ(d.six, (std::array<int64_t, 6>{1010, 1011, 2010, 2011, 1012, 2012}));

    // Five-byte sums use all 40 bits.
    Bytes big = DayReportReply();
    big[2 + 4] = 0x01;
    big[2 + 5 * 12] = 0xFF;
    big[2 + 5 * 12 + 4] = 0xFF;
    line.AnswerAll(Payload(0, 0, 0, big));
    ASSERT_EQ(d.Read(), -1);
    EXPECT_EQ(d.saleGroups[0], 1000 + 4294967296LL);
    EXPECT_EQ(d.six[4], 0xFF000003FFLL);
    // NULL outputs and arrays are skipped.
    EXPECT_EQ(FPGetDayReport(nullptr, nullptr, nullptr, -1, nullptr, -1, nullptr, -1, nullptr, -1,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              -1);
}

TEST(DayReport, LengthAndCounterChecks) {
    ScriptedLine line;
    DayReport d;
    d.sales = 7;
    Bytes reply = DayReportReply();
    reply.pop_back();
    line.AnswerAll(Payload(0, 0, 0, reply)); // 133 bytes
    EXPECT_EQ(d.Read(), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    reply.push_back(0);
    reply.push_back(0);
    line.AnswerAll(Payload(0, 0, 0, reply)); // 135 bytes
    EXPECT_EQ(d.Read(), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    line.AnswerAll(Payload(0, 0, 0));
    EXPECT_EQ(d.Read(), 0);
    EXPECT_EQ(ErrorTextUtf8(), kNoData);
    // A receipt counter that is not BCD.
    Bytes notBcd = DayReportReply();
    notBcd[67] = 0x1A;
    line.AnswerAll(Payload(0, 0, 0, notBcd));
    EXPECT_EQ(d.Read(), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    EXPECT_EQ(d.sales, 7); // nothing written on failure

    // Status 0x20 alone still delivers the report; any other error fails.
    line.AnswerAll(Payload(0x20, 0, 0, DayReportReply()));
    EXPECT_EQ(d.Read(), -1);
    EXPECT_EQ(d.sales, 1205);
    line.AnswerAll(Payload(0x80, 0, 0, DayReportReply()));
    EXPECT_EQ(d.Read(), 0);
}

TEST(DayReport, SmallArraysAreRefusedBeforeSending) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, DayReportReply()));
    DayReport d;
    d.saleGroups.fill(-5);
    const std::string groups =
        "Массив сумм по налоговым группам меньше необходимого (элементов: 6)!";
    const std::string forms = "Массив сумм по формам оплаты меньше необходимого (элементов: 4)!";
    ExpectRefusedUnsent(line, groups, [&] { return d.Read(4, 3); });
    ExpectRefusedUnsent(line, forms, [&] { return d.Read(5, 2); });
    EXPECT_EQ(d.saleGroups[0], -5);

    std::array<uint32_t, 6> byGroup{};
    std::array<uint32_t, 4> byForm{};
    ExpectRefusedUnsent(line, groups,
                        [&] { return FPGetCheckSums(byGroup.data(), 4, byForm.data(), 3); });
    ExpectRefusedUnsent(line, forms,
                        [&] { return FPGetCheckSums(byGroup.data(), 5, byForm.data(), -1); });
}

TEST(CheckSums, FortyBytesOfDwords) {
    ScriptedLine line;
    Bytes reply;
    for (uint32_t i = 0; i < 10; ++i) {
        PutLe(reply, 0x01000000u * i + 10 * i, 4);
    }
    line.AnswerAll(Payload(0, 0, 0, reply));
    std::array<uint32_t, 6> byGroup{};
    std::array<uint32_t, 4> byForm{};
    ASSERT_EQ(FPGetCheckSums(byGroup.data(), 5, byForm.data(), 3), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x2B}));
    EXPECT_EQ(byGroup[5], 0x05000032u);
    EXPECT_EQ(byForm[0], 0x0600003Cu);
    EXPECT_EQ(byForm[3], 0x0900005Au);

    reply.pop_back();
    line.AnswerAll(Payload(0, 0, 0, reply));
    EXPECT_EQ(FPGetCheckSums(byGroup.data(), 5, byForm.data(), 3), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    line.AnswerAll(Payload(0, 0, 0));
    EXPECT_EQ(FPGetCheckSums(byGroup.data(), 5, byForm.data(), 3), 0);
    EXPECT_EQ(ErrorTextUtf8(), kNoData);
}

// A full tax-rate reply: count, date 15.03.08, rates, flags, levies.
Bytes FullRates(const std::vector<uint16_t>& rates, uint8_t flags,
                const std::vector<uint16_t>& levies) {
    Bytes r = {static_cast<uint8_t>(rates.size()), 0x15, 0x03, 0x08};
    for (const uint16_t v : rates) {
        PutLe(r, v, 2);
    }
    r.push_back(flags);
    for (const uint16_t v : levies) {
        PutLe(r, v, 2);
    }
    return r;
}

TEST(FullTaxRates, RecordsFlagsAndDate) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, FullRates({2000, 700}, 0x30, {500, 0})));
    double date = 0;
    uint8_t count = 0;
    FPBOOL added = 0;
    FPBOOL levy = 0;
    std::array<FPTaxRate, 5> records{};
    ASSERT_EQ(FPFullGetTaxRate(&date, &count, &added, records.data(), 4, &levy), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x2C}));
    EXPECT_EQ(date, kasdrv::EncodeDate(2008, 3, 15));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(added, -1);
    EXPECT_EQ(levy, -1);
    EXPECT_EQ(records[0].rate, 2000);
    EXPECT_EQ(records[0].levyRate, 500);
    EXPECT_EQ(records[0].hasLevy, -1);
    EXPECT_EQ(records[1].rate, 700);
    EXPECT_EQ(records[1].levyRate, 0);
    EXPECT_EQ(records[1].hasLevy, 0);

    line.AnswerAll(Payload(0, 0, 0, FullRates({1500}, 0x00, {})));
    records.fill({-1, 99, 99});
    ASSERT_EQ(FPFullGetTaxRate(&date, &count, &added, records.data(), 0, &levy), -1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(added, 0);
    EXPECT_EQ(levy, 0);
    EXPECT_EQ(records[0].rate, 1500);
    EXPECT_EQ(records[0].levyRate, 0);
    EXPECT_EQ(records[0].hasLevy, 0);
    EXPECT_EQ(records[1].rate, 99); // beyond the count: untouched
}

TEST(FullTaxRates, ReplyLengthFollowsTheLevyBit) {
    ScriptedLine line;
    auto read = [] {
        std::array<FPTaxRate, 5> records{};
        return FPFullGetTaxRate(nullptr, nullptr, nullptr, records.data(), 4, nullptr);
    };
    // n = 2: 9 bytes without levy, 13 with.
    Bytes plain = FullRates({1, 2}, 0x10, {});
    ASSERT_EQ(plain.size(), 9u);
    line.AnswerAll(Payload(0, 0, 0, plain));
    EXPECT_EQ(read(), -1);
    Bytes levied = FullRates({1, 2}, 0x20, {3, 4});
    ASSERT_EQ(levied.size(), 13u);
    line.AnswerAll(Payload(0, 0, 0, levied));
    EXPECT_EQ(read(), -1);
    for (const Bytes& wrong : {FullRates({1, 2}, 0x10, {3}), FullRates({1, 2}, 0x20, {}),
                               FullRates({1, 2}, 0x20, {3}), FullRates({1, 2}, 0x20, {3, 4, 5}),
                               Bytes{0x02, 0x15, 0x03, 0x08, 0x01, 0x00, 0x02, 0x00}}) {
        line.AnswerAll(Payload(0, 0, 0, wrong));
        EXPECT_EQ(read(), 0) << wrong.size();
        EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    }
    line.AnswerAll(Payload(0, 0, 0));
    EXPECT_EQ(read(), 0);
    EXPECT_EQ(ErrorTextUtf8(), kNoData);

    // Date bytes that are no calendar date, zeros included.
    for (const Bytes& date :
         {Bytes{0x31, 0x02, 0x08}, Bytes{0x00, 0x00, 0x00}, Bytes{0x1A, 0x01, 0x08}}) {
        Bytes reply = FullRates({1}, 0x00, {});
        std::copy(date.begin(), date.end(), reply.begin() + 1);
        line.AnswerAll(Payload(0, 0, 0, reply));
        EXPECT_EQ(read(), 0);
        EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    }
}

TEST(FullTaxRates, RecordsArrayMustTakeTheRegistersCount) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, FullRates({1, 2, 3}, 0x00, {})));
    std::array<FPTaxRate, 3> records{};
    records.fill({0, 77, 77});
    uint8_t count = 0;
    EXPECT_EQ(FPFullGetTaxRate(nullptr, &count, nullptr, records.data(), 1, nullptr), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Массив налоговых ставок меньше необходимого (элементов: 3)!");
    EXPECT_EQ(records[0].rate, 77);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(FPFullGetTaxRate(nullptr, &count, nullptr, records.data(), 2, nullptr), -1);
    EXPECT_EQ(records[2].rate, 3);
}

TEST(TaxRateMemory, TwoMemoryReadsAndTheLevyArray) {
    ScriptedLine line;
    Bytes block;
    PutLe(block, 2000, 2);
    PutLe(block, 700, 2);
    block.push_back(0x20);
    PutLe(block, 300, 2);
    PutLe(block, 0, 2);
    line.AnswerInTurn({Payload(0, 0, 0, {0x02}), Payload(0, 0, 0, block)});
    std::array<int32_t, 5> rates{};
    std::array<int32_t, 5> levies{};
    levies.fill(-1);
    uint8_t count = 0;
    FPBOOL added = 5;
    FPBOOL levy = 5;
    ASSERT_EQ(FPGetTaxRate(rates.data(), 4, levies.data(), 4, &count, &added, &levy), -1);
    EXPECT_EQ(Commands(line),
              (std::vector<Bytes>{MemoryRead(0x0016, 0x00, 1), MemoryRead(0x0150, 0x10, 9)}));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(added, 0);
    EXPECT_EQ(levy, -1);
    EXPECT_EQ(rates[0], 2000);
    EXPECT_EQ(rates[1], 700);
    EXPECT_EQ(levies[0], 300);
    EXPECT_EQ(levies[1], 0);
    EXPECT_EQ(levies[2], -1);

    // Without the levy bit the levy array gets zeros.
    line.port.writes.clear();
    block[4] = 0x10;
    line.AnswerInTurn({Payload(0, 0, 0, {0x02}), Payload(0, 0, 0, block)});
    ASSERT_EQ(FPGetTaxRate(rates.data(), 1, levies.data(), 1, &count, &added, &levy), -1);
    EXPECT_EQ(added, -1);
    EXPECT_EQ(levy, 0);
    EXPECT_EQ(levies[0], 0);
    EXPECT_EQ(levies[1], 0);
}

TEST(TaxRateMemory, CountDecidesWhatIsRead) {
    ScriptedLine line;
    std::array<int32_t, 5> rates{};
    std::array<int32_t, 5> levies{};
    uint8_t count = 9;
    // None programmed: no second read.
    line.AnswerAll(Payload(0, 0, 0, {0x00}));
    EXPECT_EQ(FPGetTaxRate(rates.data(), 4, levies.data(), 4, &count, nullptr, nullptr), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Ставки налоговых не запрограммированы!");
    EXPECT_EQ(line.port.writes.size(), 1u);
    EXPECT_EQ(count, 0);

    // Arrays smaller than the count: refused after the first read.
    line.port.writes.clear();
    line.AnswerAll(Payload(0, 0, 0, {0x03}));
    EXPECT_EQ(FPGetTaxRate(rates.data(), 1, levies.data(), 4, &count, nullptr, nullptr), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Массив налоговых ставок меньше необходимого (элементов: 3)!");
    EXPECT_EQ(FPGetTaxRate(rates.data(), 2, levies.data(), 1, &count, nullptr, nullptr), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Массив ставок сбора меньше необходимого (элементов: 3)!");
    EXPECT_EQ(line.port.writes.size(), 2u);

    // More than five: the flags are read, the arrays left alone.
    line.port.writes.clear();
    Bytes block(14, 0x11);
    block.push_back(0x10);
    rates.fill(-7);
    line.AnswerInTurn({Payload(0, 0, 0, {0x07}), Payload(0, 0, 0, block)});
    FPBOOL added = 0;
    EXPECT_EQ(FPGetTaxRate(rates.data(), 0, levies.data(), 0, &count, &added, nullptr), -1);
    EXPECT_EQ(LastCommand(line), MemoryRead(0x0150, 0x10, 29));
    EXPECT_EQ(count, 7);
    EXPECT_EQ(added, -1);
    EXPECT_EQ(rates[0], -7);

    // A block shorter than the rates and flags.
    line.AnswerInTurn({Payload(0, 0, 0, {0x02}), Payload(0, 0, 0, {0xD0, 0x07, 0xBC})});
    EXPECT_EQ(FPGetTaxRate(rates.data(), 4, levies.data(), 4, &count, nullptr, nullptr), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    EXPECT_EQ(rates[0], -7);
}

// An article reply: name, then block 1 (quantity, decimals), price, group,
// sum 1, block 2 (quantity, decimals, sum).
Bytes ArticleReply(uint8_t first, const std::string& name, uint32_t price, uint8_t group) {
    Bytes r = {first};
    for (const char c : name) {
        r.push_back(static_cast<uint8_t>(c));
    }
    PutLe(r, 1500, 3);
    r.push_back(3);
    PutLe(r, price, 4);
    r.push_back(group);
    PutLe(r, 4294967296ULL + 5, 5);
    PutLe(r, 42, 3);
    r.push_back(1);
    PutLe(r, 777, 5);
    return r;
}

struct Article {
    uint8_t nameLength = 0;
    const char* name = nullptr;
    int32_t price = 0;
    uint8_t group = 9;
    uint32_t saleQuantity = 0;
    uint8_t saleDecimals = 0;
    int64_t saleSum = 0;
    uint32_t returnQuantity = 0;
    uint8_t returnDecimals = 0;
    int64_t returnSum = 0;

    int16_t Read(int64_t code) {
        return FPGetArticleInfo(&nameLength, &name, &price, &group, &saleQuantity, &saleDecimals,
                                &saleSum, &returnQuantity, &returnDecimals, &returnSum, &code);
    }
};

TEST(ArticleInfo, LayoutAndSwappedBlocks) {
    ScriptedLine line;
    const std::string name866 = kasdrv::ToDeviceText(Cp1251("Хлеб 10 шт"));
    ASSERT_EQ(name866.size(), 10u);
    const Bytes reply = ArticleReply(10, name866, 0x80000096, 0x83);
    ASSERT_EQ(reply.size(), 34u);
    line.AnswerAll(Payload(0, 0, 0, reply));
    Article a;
    ASSERT_EQ(a.Read(0x0000123456789ABC), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x29, 0xBC, 0x9A, 0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(a.nameLength, 10);
    EXPECT_EQ(std::string(a.name), Cp1251("Хлеб 10 шт"));
    EXPECT_EQ(a.price, -150);
    EXPECT_EQ(a.group, 3);
    EXPECT_EQ(a.saleQuantity, 1500u);
    EXPECT_EQ(a.saleDecimals, 3);
    EXPECT_EQ(a.saleSum, 4294967301LL);
    EXPECT_EQ(a.returnQuantity, 42u);
    EXPECT_EQ(a.returnDecimals, 1);
    EXPECT_EQ(a.returnSum, 777);

    // Bit 7 of the first byte: block 1 holds the returns.
    line.AnswerAll(Payload(0, 0, 0, ArticleReply(0x80 | 10, name866, 250, 0x90)));
    a.group = 9;
    ASSERT_EQ(a.Read(1), -1);
    EXPECT_EQ(a.nameLength, 10);
    EXPECT_EQ(a.price, 250);
    EXPECT_EQ(a.group, 9); // not a group byte: left as it was
    EXPECT_EQ(a.returnQuantity, 1500u);
    EXPECT_EQ(a.returnDecimals, 3);
    EXPECT_EQ(a.returnSum, 4294967301LL);
    EXPECT_EQ(a.saleQuantity, 42u);
    EXPECT_EQ(a.saleDecimals, 1);
    EXPECT_EQ(a.saleSum, 777);
}

TEST(ArticleInfo, ReplyMustBeNamePlus24) {
    ScriptedLine line;
    Article a;
    Bytes reply = ArticleReply(10, std::string(10, 'x'), 1, 0x80);
    for (const int delta : {-1, 1}) {
        Bytes wrong = reply;
        wrong.resize(delta < 0 ? reply.size() - 1 : reply.size() + 1, 0);
        line.AnswerAll(Payload(0, 0, 0, wrong));
        a.price = 55;
        EXPECT_EQ(a.Read(1), 0);
        EXPECT_EQ(ErrorTextUtf8(), kBadReply);
        EXPECT_EQ(a.price, 55);
    }
    line.AnswerAll(Payload(0, 0, 0, ArticleReply(0, "", 1, 0x85)));
    ASSERT_EQ(a.Read(1), -1);
    EXPECT_EQ(a.nameLength, 0);
    EXPECT_STREQ(a.name, "");
    EXPECT_EQ(a.group, 5);
    line.AnswerAll(Payload(0, 0, 0));
    EXPECT_EQ(a.Read(1), 0);
    EXPECT_EQ(ErrorTextUtf8(), kNoData);

    ExpectRefusedUnsent(line, "Не задан номер товара!", [] {
        return FPGetArticleInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr);
    });
}

TEST(ArticleInfo, CodesOutsideSixBytesAreRefused) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, ArticleReply(1, "x", 1, 0x80)));
    Article a;
    for (const int64_t code : {int64_t{-1}, int64_t{1} << 48, INT64_MIN, INT64_MAX}) {
        SCOPED_TRACE(code);
        ExpectRefusedUnsent(line, "Недопустимый код артикула!", [&] { return a.Read(code); });
    }
    ASSERT_EQ(a.Read((int64_t{1} << 48) - 1), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x29, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    ASSERT_EQ(a.Read(0), -1);
}

TEST(Counters, ReceiptNumbersAreBcdAtTheirAddresses) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, {0x05, 0x12}));
    uint16_t number = 0;
    ASSERT_EQ(FPGetSaleCheckNumber(&number), -1);
    EXPECT_EQ(number, 1205);
    EXPECT_EQ(LastCommand(line), MemoryRead(0x301B, 0x10, 2));
    line.AnswerAll(Payload(0, 0, 0, {0x99, 0x99}));
    ASSERT_EQ(FPGetPayCheckNumber(&number), -1);
    EXPECT_EQ(number, 9999);
    EXPECT_EQ(LastCommand(line), MemoryRead(0x30AB, 0x10, 2));

    line.AnswerAll(Payload(0, 0, 0, {0x0A, 0x00}));
    EXPECT_EQ(FPGetSaleCheckNumber(&number), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    line.AnswerAll(Payload(0, 0, 0, {0x01}));
    EXPECT_EQ(FPGetPayCheckNumber(&number), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    EXPECT_EQ(number, 9999);
    // Judged, with the 0x20 leniency.
    line.AnswerAll(Payload(0x20, 0, 0, {0x01, 0x00}));
    EXPECT_EQ(FPGetSaleCheckNumber(&number), -1);
    EXPECT_EQ(number, 1);
    line.AnswerAll(Payload(0x80, 0, 0, {0x02, 0x00}));
    EXPECT_EQ(FPGetSaleCheckNumber(&number), 0);
    EXPECT_EQ(number, 1);
}

TEST(Counters, DaySumsAddSixGroups) {
    ScriptedLine line;
    std::vector<Bytes> answers;
    for (uint64_t g = 0; g < 6; ++g) {
        Bytes sum;
        PutLe(sum, g == 5 ? 4294967296ULL : g + 1, 5);
        answers.push_back(Payload(0, 0, 0, sum));
    }
    line.AnswerInTurn(answers);
    int64_t sum = 0;
    ASSERT_EQ(FPGetSaleDaySum(&sum), -1);
    EXPECT_EQ(sum, 4294967296LL + 15);
    std::vector<Bytes> expected;
    for (int a = 0x301D; a <= 0x3036; a += 5) {
        expected.push_back(MemoryRead(static_cast<uint16_t>(a), 0x10, 5));
    }
    EXPECT_EQ(Commands(line), expected);

    line.port.writes.clear();
    line.AnswerAll(Payload(0, 0, 0, {1, 0, 0, 0, 0}));
    ASSERT_EQ(FPGetPayDaySum(&sum), -1);
    EXPECT_EQ(sum, 6);
    ASSERT_EQ(line.port.writes.size(), 6u);
    EXPECT_EQ(CommandOf(line.port.writes[0]), MemoryRead(0x30AD, 0x10, 5));
    EXPECT_EQ(CommandOf(line.port.writes[5]), MemoryRead(0x30C6, 0x10, 5));

    // A read that fails stops the export; the output keeps its value.
    line.port.writes.clear();
    line.AnswerInTurn({Payload(0, 0, 0, {1, 0, 0, 0, 0}), Payload(0x80, 0, 0, {1, 0, 0, 0, 0})});
    EXPECT_EQ(FPGetPayDaySum(&sum), 0);
    EXPECT_EQ(line.port.writes.size(), 2u);
    EXPECT_EQ(sum, 6);
    line.AnswerAll(Payload(0, 0, 0, {1, 0, 0, 0}));
    EXPECT_EQ(FPGetSaleDaySum(&sum), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
}

TEST(Counters, AnnulmentAndCancellationBlocks) {
    ScriptedLine line;
    Bytes block;
    PutLe(block, 3, 2);
    PutLe(block, 4294967296ULL + 1, 5);
    PutLe(block, 0x0102, 2);
    PutLe(block, 250, 5);
    line.AnswerAll(Payload(0, 0, 0, block));
    uint16_t saleCount = 0;
    uint16_t payoutCount = 0;
    int64_t saleSum = 0;
    int64_t payoutSum = 0;
    ASSERT_EQ(FPGetResetOrders(&saleCount, &payoutCount, &saleSum, &payoutSum), -1);
    EXPECT_EQ(LastCommand(line), MemoryRead(0x2F74, 0x10, 14));
    EXPECT_EQ(saleCount, 3);
    EXPECT_EQ(payoutCount, 0x0102);
    EXPECT_EQ(saleSum, 4294967297LL);
    EXPECT_EQ(payoutSum, 250);
    ASSERT_EQ(FPGetCancels(nullptr, &payoutCount, nullptr, nullptr), -1);
    EXPECT_EQ(LastCommand(line), MemoryRead(0x2F82, 0x10, 14));

    block.pop_back();
    line.AnswerAll(Payload(0, 0, 0, block));
    EXPECT_EQ(FPGetCancels(&saleCount, &payoutCount, &saleSum, &payoutSum), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
}

TEST(Counters, TenPasswords) {
    ScriptedLine line;
    Bytes words;
    for (uint16_t i = 0; i < 10; ++i) {
        PutLe(words, 1111u * i + 1, 2);
    }
    line.AnswerAll(Payload(0, 0, 0, words));
    std::array<uint16_t, 11> passwords{};
    passwords.fill(0xABCD);
    ASSERT_EQ(FPGetPasswords(passwords.data(), 9), -1);
    EXPECT_EQ(LastCommand(line), MemoryRead(0x3003, 0x10, 20));
    EXPECT_EQ(passwords[0], 1);
    EXPECT_EQ(passwords[9], 9999 + 1);
    EXPECT_EQ(passwords[10], 0xABCD);

    ExpectRefusedUnsent(line, "Массив паролей меньше необходимого (элементов: 10)!",
                        [&] { return FPGetPasswords(passwords.data(), 8); });
    EXPECT_EQ(FPGetPasswords(nullptr, -1), -1);
    words.pop_back();
    line.AnswerAll(Payload(0, 0, 0, words));
    EXPECT_EQ(FPGetPasswords(passwords.data(), 9), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
}

TEST(Counters, LastZReportNumberAndDate) {
    ScriptedLine line;
    uint16_t number = 0;
    double date = 0;
    struct Case {
        Bytes next;
        uint16_t expected;
    };
    for (const Case& c : {Case{{0x01, 0x00}, 1}, Case{{0x0A, 0x00}, 9}, Case{{0x00, 0x00}, 1},
                          Case{{0x00, 0x01}, 255}}) {
        line.port.writes.clear();
        line.AnswerInTurn({Payload(0, 0, 0, c.next), Payload(0, 0, 0, {0x25, 0x12, 0x08})});
        ASSERT_EQ(FPGetNumZReport(&number, &date), -1);
        EXPECT_EQ(number, c.expected);
        EXPECT_EQ(date, kasdrv::EncodeDate(2008, 12, 25));
        EXPECT_EQ(Commands(line),
                  (std::vector<Bytes>{MemoryRead(0x0037, 0x10, 2), MemoryRead(0x0169, 0x10, 3)}));
    }
    // No Z report yet.
    line.AnswerInTurn({Payload(0, 0, 0, {0x01, 0x00}), Payload(0, 0, 0, {0, 0, 0})});
    ASSERT_EQ(FPGetNumZReport(&number, &date), -1);
    EXPECT_EQ(date, kasdrv::EncodeDate(2003, 1, 1));
    // Bytes that are no date fail; the number is already out.
    for (const Bytes& bad : {Bytes{0x30, 0x02, 0x08}, Bytes{0x01, 0x13, 0x08},
                             Bytes{0x01, 0x0B, 0x08}, Bytes{0x01, 0x01}}) {
        number = 0;
        date = 5;
        line.AnswerInTurn({Payload(0, 0, 0, {0x03, 0x00}), Payload(0, 0, 0, bad)});
        EXPECT_EQ(FPGetNumZReport(&number, &date), 0);
        EXPECT_EQ(ErrorTextUtf8(), kBadReply);
        EXPECT_EQ(number, 2);
        EXPECT_EQ(date, 5);
    }
}

TEST(Counters, MoneyInBoxIsAFiveByteSum) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, {0x00, 0x00, 0x00, 0x00, 0x01}));
    int64_t cash = 0;
    ASSERT_EQ(FPGetMoneyInBox(&cash), -1);
    EXPECT_EQ(cash, 4294967296LL);
    EXPECT_EQ(LastCommand(line), (Bytes{0x21}));
    line.AnswerAll(Payload(0, 0, 0, {0x01, 0x00}));
    EXPECT_EQ(FPGetMoneyInBox(&cash), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    EXPECT_EQ(cash, 4294967296LL);
}

TEST(MemoryData, CopiesAtMostTheReplyAndReportsTheCount) {
    ScriptedLine line;
    line.AnswerAll(Payload(0x80, 0x07, 0, {1, 2, 3, 4, 5, 6})); // status not judged
    std::array<uint8_t, 8> buffer{};
    buffer.fill(0xEE);
    uint8_t count = 4;
    ASSERT_EQ(FPGetMemoryData(buffer.data(), 3, &count, 0x1234, 0x10), -1);
    EXPECT_EQ(LastCommand(line), MemoryRead(0x1234, 0x10, 4));
    EXPECT_EQ(count, 4);
    EXPECT_EQ(buffer, (std::array<uint8_t, 8>{1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE}));

    buffer.fill(0xEE);
    line.AnswerAll(Payload(0, 0, 0, {9, 8}));
    count = 8;
    ASSERT_EQ(FPGetMemoryData(buffer.data(), 7, &count, 101, 16), -1);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(buffer[1], 8);
    EXPECT_EQ(buffer[2], 0xEE);

    ExpectRefusedUnsent(line, "Массив данных меньше необходимого (элементов: 8)!", [&] {
        count = 8;
        return FPGetMemoryData(buffer.data(), 6, &count, 0, 0);
    });
}

TEST(MemoryData, CountZeroIsSentThenRefused) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, {1}));
    uint8_t buffer = 0x55;
    uint8_t count = 0;
    EXPECT_EQ(FPGetMemoryData(&buffer, -1, &count, 0x0102, 0x03), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Длина блока данных не может быть равна нулю!");
    EXPECT_EQ(Commands(line), (std::vector<Bytes>{MemoryRead(0x0102, 0x03, 0)}));
    EXPECT_EQ(buffer, 0x55);
    EXPECT_EQ(FPGetMemoryData(nullptr, 0, nullptr, 0, 0), 0);
    EXPECT_EQ(line.port.writes.size(), 2u);

    line.port.responder = nullptr;
    count = 1;
    EXPECT_EQ(FPGetMemoryData(&buffer, 0, &count, 0, 0), 0);
    EXPECT_EQ(ErrorTextUtf8(), kTimeout);
}

} // namespace
