// Programming the register through the driver and reading it back: articles, tax rates with
// and without levy, passwords, taxpayer and receipt lines, fiscalization, the mode switches,
// spacing and contrast.
#include "EmulatorFixture.h"

#include "kasemu/Cp866.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>

using namespace kastest;

namespace {

bool TapeHas(const std::vector<std::string>& tape, const std::string& text) {
    return std::any_of(tape.begin(), tape.end(), [&text](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

// Everything FPGetArticleInfo hands out.
struct ArticleInfo {
    int16_t rc = 0;
    uint8_t nameLength = 0;
    std::string name;
    int32_t price = 0;
    uint8_t group = 0xEE;
    uint32_t saleQuantity = 0;
    uint8_t saleDecimals = 0;
    int64_t saleSum = 0;
    uint32_t returnQuantity = 0;
    uint8_t returnDecimals = 0;
    int64_t returnSum = 0;
};

ArticleInfo ReadArticle(int64_t code) {
    ArticleInfo a;
    const char* name = nullptr;
    a.rc =
        FPGetArticleInfo(&a.nameLength, &name, &a.price, &a.group, &a.saleQuantity, &a.saleDecimals,
                         &a.saleSum, &a.returnQuantity, &a.returnDecimals, &a.returnSum, &code);
    a.name = ToUtf8(name);
    return a;
}

int16_t ProgramArticle(int64_t code, const std::string& name, int32_t price, uint8_t group = 0,
                       uint8_t decimals = 0) {
    return FPProgArt(0, decimals, price, group, ToCp1251(name).c_str(), code);
}

struct StatusTexts {
    int16_t rc = 0;
    std::array<FPBOOL, 13> flags{};
    std::string serial, fiscalNumber, header1, header2, header3, taxNumber, firmware;
    double date = 0;
    double time = 0;
};

std::string Take(char* text) {
    std::string s = ToUtf8(text);
    std::free(text);
    return s;
}

StatusTexts Status() {
    StatusTexts s;
    auto& f = s.flags;
    char* t[7] = {};
    s.rc = FPGetStatus(&f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9], &f[10],
                       &f[11], &f[12], &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6], &s.date,
                       &s.time);
    s.serial = Take(t[0]);
    s.fiscalNumber = Take(t[1]);
    s.header1 = Take(t[2]);
    s.header2 = Take(t[3]);
    s.header3 = Take(t[4]);
    s.taxNumber = Take(t[5]);
    s.firmware = Take(t[6]);
    return s;
}

constexpr std::size_t kTaxRatesChanged = 7;
constexpr std::size_t kFiscalMode = 9;
constexpr std::size_t kOnlineMode = 11;
constexpr std::size_t kDisplaySumsForbidden = 6;

class Programming : public EmulatorTest {};

TEST_F(Programming, ArticlesProgrammedAndReadBackWithTheirTurnover) {
    ASSERT_EQ(ProgramArticle(123456789012, "Кава зернова", 4599, 1, 3), -1) << DriverError();
    ASSERT_EQ(ProgramArticle(7, "Товар возвратов", -150, 5), -1) << DriverError();
    ArticleInfo a = ReadArticle(123456789012);
    ASSERT_EQ(a.rc, -1) << DriverError();
    EXPECT_EQ(a.name, "Кава зернова");
    EXPECT_EQ(a.nameLength, 12);
    EXPECT_EQ(a.price, 4599);
    EXPECT_EQ(a.group, 1);
    EXPECT_EQ(a.saleDecimals, 3);
    EXPECT_EQ(a.saleQuantity, 0u);
    EXPECT_EQ(a.returnSum, 0);
    a = ReadArticle(7);
    ASSERT_EQ(a.rc, -1) << DriverError();
    EXPECT_EQ(a.price, -150); // sign and magnitude both ways
    EXPECT_EQ(a.group, 5);

    // Group Б needs a rate before it takes sales.
    const FPTaxRate rates[] = {{0, 2000, 0}, {0, 700, 0}};
    ASSERT_EQ(FPSetTaxRate(0, 2, 0, rates, 1, 0), -1) << DriverError();
    // 0.500 kg by name from the register at the programmed price, then 1.250 kg by name.
    ASSERT_EQ(FPSale(nullptr, nullptr, 500, 3, 0, 0, -1, 0, nullptr, 123456789012), -1)
        << DriverError();
    ASSERT_EQ(FPSale(nullptr, nullptr, 1250, 3, 4599, 1, 0, 0, "Кава", 123456789012), -1)
        << DriverError();
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();
    ASSERT_EQ(FPPayMoney(nullptr, nullptr, 250, 3, 4599, 1, -1, 0, nullptr, 123456789012), -1)
        << DriverError();
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();
    a = ReadArticle(123456789012);
    ASSERT_EQ(a.rc, -1) << DriverError();
    EXPECT_EQ(a.saleQuantity, 1750u);
    EXPECT_EQ(a.saleDecimals, 3);
    EXPECT_EQ(a.saleSum, 2300 + 5749);
    EXPECT_EQ(a.returnQuantity, 250u);
    EXPECT_EQ(a.returnDecimals, 3);
    EXPECT_EQ(a.returnSum, 1150);
    EXPECT_TRUE(TapeHas(emu().tape(), "Кава зернова"));

    // Not programmed: the register's article error.
    const ArticleInfo missing = ReadArticle(999);
    EXPECT_EQ(missing.rc, 0);
    EXPECT_EQ(DriverCodes().result, 28);
    EXPECT_EQ(FPSale(nullptr, nullptr, 1, 0, 100, 0, -1, 0, nullptr, 999), 0);
    EXPECT_EQ(DriverCodes().result, 28);
    EXPECT_NE(DriverError().find("Ошибка в описании артикула"), std::string::npos) << DriverError();
}

TEST_F(Programming, ArticleMemoryCountsBothKindsOfDescriptions) {
    ASSERT_EQ(ProgramArticle(1, "Один", 100), -1) << DriverError();
    ASSERT_EQ(ProgramArticle(2, "Два", 200), -1) << DriverError();
    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 300, 0, 0, 0, ToCp1251("Три").c_str(), 3), -1)
        << DriverError();
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();
    uint8_t counts[4] = {};
    uint8_t n = 4;
    ASSERT_EQ(FPGetMemoryData(counts, 3, &n, 101, 16), -1) << DriverError();
    ASSERT_EQ(n, 4);
    EXPECT_EQ(counts[0] | counts[1] << 8, 1); // programmed during sales
    EXPECT_EQ(counts[2] | counts[3] << 8, 2); // programmed in advance
    EXPECT_EQ(ReadArticle(3).name, "Три");
}

TEST_F(Programming, TenThousandArticlesProgrammedAndReadBack) {
    // Prices and sequence numbers run through every byte value, 0x16 included: inside an
    // answer frame that is data and costs no pause.
    const auto start = std::chrono::steady_clock::now();
    for (int n = 1; n <= 10000; ++n) {
        ASSERT_EQ(ProgramArticle(n, "Товар " + std::to_string(n), n, 0, 3), -1)
            << n << ": " << DriverError();
    }
    for (int n = 1; n <= 10000; ++n) {
        const ArticleInfo a = ReadArticle(n);
        ASSERT_EQ(a.rc, -1) << n << ": " << DriverError();
        ASSERT_EQ(a.name, "Товар " + std::to_string(n));
        ASSERT_EQ(a.price, n);
        ASSERT_EQ(a.saleDecimals, 3);
    }
    uint8_t counts[4] = {};
    uint8_t count = 4;
    ASSERT_EQ(FPGetMemoryData(counts, 3, &count, 101, 16), -1) << DriverError();
    EXPECT_EQ(counts[2] | counts[3] << 8, 10000);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    RecordProperty("milliseconds", static_cast<int>(ms));
}

TEST_F(Programming, TaxRatesWithoutLevy) {
    const FPTaxRate rates[5] = {{0, 2000, 0}, {0, 700, 0}, {0, 0, 0}};
    clock()->set(kasemu::toSeconds(kasemu::CivilTime{2027, 1, 2, 8, 0, 0}));
    ASSERT_EQ(FPSetTaxRate(0, 3, -1, rates, 4, 0), -1) << DriverError();
    EXPECT_TRUE(TapeHas(emu().tape(), "НАЛОГОВЫЕ СТАВКИ"));

    int32_t got[5] = {-1, -1, -1, -1, -1};
    int32_t levies[5] = {-1, -1, -1, -1, -1};
    uint8_t n = 0;
    FPBOOL added = 0;
    FPBOOL levy = 7;
    ASSERT_EQ(FPGetTaxRate(got, 4, levies, 4, &n, &added, &levy), -1) << DriverError();
    EXPECT_EQ(n, 3);
    EXPECT_EQ(added, -1);
    EXPECT_EQ(levy, 0);
    EXPECT_EQ(got[0], 2000);
    EXPECT_EQ(got[1], 700);
    EXPECT_EQ(got[2], 0);
    EXPECT_EQ(got[3], -1); // not written
    EXPECT_EQ(levies[0], 0);

    FPTaxRate full[5] = {};
    double date = 0;
    ASSERT_EQ(FPFullGetTaxRate(&date, &n, &added, full, 4, &levy), -1) << DriverError();
    EXPECT_EQ(n, 3);
    EXPECT_EQ(date, DateValue(2027, 1, 2));
    EXPECT_EQ(added, -1);
    EXPECT_EQ(levy, 0);
    EXPECT_EQ(full[0].rate, 2000);
    EXPECT_EQ(full[1].rate, 700);
    EXPECT_EQ(full[0].hasLevy, 0);
    EXPECT_EQ(full[0].levyRate, 0);

    EXPECT_EQ(Status().flags[kTaxRatesChanged], -1);
}

TEST_F(Programming, TaxRatesWithLevy) {
    const FPTaxRate rates[5] = {{0, 2000, 500}, {0, 700, 0}};
    ASSERT_EQ(FPSetTaxRate(0, 2, -1, rates, 4, -1), -1) << DriverError();
    int32_t got[5] = {};
    int32_t levies[5] = {};
    uint8_t n = 0;
    FPBOOL added = 7;
    FPBOOL levy = 0;
    ASSERT_EQ(FPGetTaxRate(got, 4, levies, 4, &n, &added, &levy), -1) << DriverError();
    EXPECT_EQ(n, 2);
    EXPECT_EQ(added, 0); // the added-tax bit is not sent with levies
    EXPECT_EQ(levy, -1);
    EXPECT_EQ(got[0], 2000);
    EXPECT_EQ(levies[0], 500);
    EXPECT_EQ(got[1], 700);
    EXPECT_EQ(levies[1], 0);

    FPTaxRate full[5] = {};
    double date = 0;
    ASSERT_EQ(FPFullGetTaxRate(&date, &n, &added, full, 4, &levy), -1) << DriverError();
    EXPECT_EQ(levy, -1);
    EXPECT_EQ(full[0].hasLevy, -1);
    EXPECT_EQ(full[0].levyRate, 500);
    EXPECT_EQ(full[1].hasLevy, 0);
    EXPECT_EQ(date, DateValue(2026, 12, 7));

    // A sale in group А carries both.
    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 12500, 0, 0, 0, "Товар", 0), -1) << DriverError();
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();
    EXPECT_TRUE(TapeHas(emu().tape(), "НДС А 20.00%"));
    EXPECT_TRUE(TapeHas(emu().tape(), "СБОР А 5.00%"));
}

TEST_F(Programming, TaxRatesOnlyBetweenShifts) {
    ASSERT_EQ(FPInToCash(100), -1) << DriverError();
    const FPTaxRate rates[1] = {{0, 1500, 0}};
    EXPECT_EQ(FPSetTaxRate(0, 1, 0, rates, 0, 0), 0);
    EXPECT_EQ(DriverCodes().result, 41);
    EXPECT_NE(DriverError().find("Команда запрещена до Z-отчета"), std::string::npos)
        << DriverError();
    ASSERT_EQ(FPDayClrReport(0), -1) << DriverError();
    ASSERT_EQ(FPSetTaxRate(0, 1, 0, rates, 0, 0), -1) << DriverError();
    EXPECT_EQ(emu().state().programming.taxRates[0], 1500);
}

TEST_F(Programming, PasswordsReadBack) {
    for (uint8_t op = 0; op < 10; ++op) {
        ASSERT_EQ(FPSetPassword(0, static_cast<uint16_t>(1111 * op + 7), op, nullptr), -1)
            << DriverError();
    }
    uint16_t passwords[10] = {};
    ASSERT_EQ(FPGetPasswords(passwords, 9), -1) << DriverError();
    for (int op = 0; op < 10; ++op) {
        EXPECT_EQ(passwords[op], 1111 * op + 7) << op;
    }
    // The programming password now guards the programming commands.
    EXPECT_EQ(ProgramArticle(1, "x", 1), 0);
    EXPECT_EQ(DriverCodes().result, 21);
    EXPECT_EQ(FPProgArt(1111 * 8 + 7, 0, 1, 0, "x", 1), -1) << DriverError();
}

TEST_F(Programming, TaxpayerLinesReadBackThroughTheStatus) {
    ASSERT_EQ(FPSetHeadLine(0, ToCp1251("ТОВ \"Ромашка\"").c_str(), -1, 0,
                            ToCp1251("вул. Січова, 1").c_str(), 0, 0, nullptr, 0, 0, "12345", 0),
              -1)
        << DriverError();
    StatusTexts s = Status();
    ASSERT_EQ(s.rc, -1) << DriverError();
    EXPECT_EQ(s.header1, "ТОВ \"Ромашка\"");
    EXPECT_EQ(s.header2, "вул. Сiчова, 1"); // the Ukrainian і travels as a Latin i
    EXPECT_EQ(s.header3, "");
    EXPECT_EQ(s.taxNumber, "000000012345");
    EXPECT_EQ(s.firmware, "РМ-15");

    ASSERT_EQ(FPSetHeadLine(0, "A", 0, 0, "B", 0, 0, "C", 0, 0, "1234567890AB", -1), -1)
        << DriverError();
    s = Status();
    EXPECT_EQ(s.header3, "C");
    EXPECT_EQ(s.taxNumber, "1234567890AB");
    EXPECT_TRUE(emu().state().programming.identificationNumber);
    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 100, 0, 0, 0, "x", 0), -1) << DriverError();
    EXPECT_TRUE(TapeHas(emu().tape(), "ИД 1234567890AB"));
}

TEST_F(Programming, ReceiptMessageLinesArePrinted) {
    ASSERT_EQ(FPSetInitialFirstLine(ToCp1251("ЛАСКАВО ПРОСИМО").c_str(), -1, 0), -1)
        << DriverError();
    ASSERT_EQ(FPSetInitialSecondLine("ABC", 0, -1), -1) << DriverError();
    ASSERT_EQ(FPSetFinalEndLine(ToCp1251("Дякуємо за покупку").c_str(), 0, 0), -1) << DriverError();
    const auto& p = emu().state().programming;
    EXPECT_EQ(p.receiptHead[1].attributes, 0x80);
    ASSERT_EQ(FPSale(nullptr, nullptr, 1, 0, 100, 0, 0, 0, "x", 0), -1) << DriverError();
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 0, -1, -1), -1) << DriverError();
    const auto tape = emu().tape();
    EXPECT_TRUE(TapeHas(tape, "Л А С К А В О"));
    EXPECT_TRUE(TapeHas(tape, "ABC"));
    EXPECT_TRUE(TapeHas(tape, "Дякуємо за покупку"));
}

TEST_F(Programming, FiscalizationOnce) {
    clock()->set(kasemu::toSeconds(kasemu::CivilTime{2026, 12, 8, 9, 30, 0}));
    ASSERT_EQ(FPFiscalization(0, "123"), -1) << DriverError();
    StatusTexts s = Status();
    EXPECT_EQ(s.flags[kFiscalMode], -1);
    EXPECT_EQ(s.fiscalNumber, "0000000123");
    EXPECT_EQ(s.date, DateValue(2026, 12, 8));
    EXPECT_DOUBLE_EQ(s.time, (9 * 60 + 30) / 1440.0);
    EXPECT_EQ(FPFiscalization(0, "456"), 0);
    EXPECT_EQ(DriverCodes().result, 16);
    EXPECT_EQ(Status().fiscalNumber, "0000000123");
}

TEST_F(Programming, ModeSwitchesShowInStatusAndCutterQuery) {
    FPBOOL autoCut = 0;
    ASSERT_EQ(FPCutterStatus(&autoCut), -1) << DriverError();
    EXPECT_EQ(autoCut, -1);
    ASSERT_EQ(FPCplCutter(), -1) << DriverError();
    ASSERT_EQ(FPCutterStatus(&autoCut), -1) << DriverError();
    EXPECT_EQ(autoCut, 0);
    ASSERT_EQ(FPCplCutter(), -1) << DriverError();
    ASSERT_EQ(FPCutterStatus(&autoCut), -1) << DriverError();
    EXPECT_EQ(autoCut, -1);

    EXPECT_EQ(Status().flags[kOnlineMode], 0);
    ASSERT_EQ(FPCplOnline(), -1) << DriverError();
    EXPECT_EQ(Status().flags[kOnlineMode], -1);
    EXPECT_EQ(Status().flags[kDisplaySumsForbidden], 0);
    ASSERT_EQ(FPCplInd(), -1) << DriverError();
    EXPECT_EQ(Status().flags[kDisplaySumsForbidden], -1);
}

TEST_F(Programming, SpacingAndContrastOnTheRx410f) {
    ASSERT_EQ(FPLineSP(63), -1) << DriverError();
    EXPECT_EQ(emu().state().programming.lineSpacing, 63);
    // This model has no contrast setting: the value is no spacing either.
    EXPECT_EQ(FPSetContrast(150), 0);
    EXPECT_EQ(DriverCodes().status & 0x80, 0x80);
}

class ProgrammingRx520l : public EmulatorTest {
  protected:
    kasemu::EmulatorOptions Options() override {
        auto o = EmulatorTest::Options();
        o.model = kasemu::ModelKind::Rx520l;
        return o;
    }
};

TEST_F(ProgrammingRx520l, ContrastFromFiftyUpSpacingBelow) {
    ASSERT_EQ(FPSetContrast(150), -1) << DriverError();
    ASSERT_EQ(FPLineSP(20), -1) << DriverError();
    EXPECT_EQ(emu().state().programming.contrast, 150);
    EXPECT_EQ(emu().state().programming.lineSpacing, 20);
    ASSERT_EQ(FPSetContrast(200), -1) << DriverError();
    EXPECT_EQ(emu().state().programming.contrast, 200);
}

} // namespace
