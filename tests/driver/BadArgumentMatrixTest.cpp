// Bad input at every export: each argument an export checks, pushed over its
// edge (too-long texts, out-of-range numbers, too-small open arrays, missing
// objects), must be refused with the export's own text before anything
// reaches the port; texts given as NULL count as empty and are sent; NULL
// outputs are skipped while the export still does its work.
#include "ExportChecks.h"
#include "MonochromeBmp.h"
#include "WireFormat.h"
#include "kasdrv.h"
#include "platform/HostLocale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace kastest;

namespace {

struct Refusal {
    const char* what;
    std::string text; // UTF-8
    std::function<int16_t()> call;
};

// Every refusal of the list: the text is set, nothing is written and the
// sequence number stays.
void ExpectAllRefused(const std::vector<Refusal>& cases) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectRefusedUnsent(line, c.text, c.call);
    }
    EXPECT_TRUE(line.port.writes.empty());
}

// A text of n characters, all Cyrillic (one byte each in Windows-1251), so
// that lengths are counted in characters.
std::string Letters(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += "Ж";
    }
    return Cp1251(s);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

FPTaxRate Rate(int32_t rate, int32_t levy = 0) {
    return FPTaxRate{0, rate, levy};
}

// A logo image of `rows` rows of `width` dots, as a file holds it.
struct Image {
    std::vector<uint8_t> bytes;
    FPBitmap bitmap{};
    Image(int32_t width, int32_t height, std::size_t rowsStored) {
        const int fileWidth = width >= 8 ? width : 8;
        bytes =
            MonochromeBmp(fileWidth, std::vector<std::vector<uint8_t>>(
                                         rowsStored, std::vector<uint8_t>(fileWidth / 8, 0x55)));
        bitmap = FPBitmap{width, height, bytes.data(), static_cast<uint32_t>(bytes.size())};
    }
};

const std::string kBadReportPassword = "Неверный пароль!";

std::string LogoSizeText(int maxWidth, int maxHeight) {
    return "Недопустимые размеры логотипа!\r\n\r\nДопустимые размеры:\r\nКоличество точек по "
           "ширине: X = 8.." +
           std::to_string(maxWidth) + ".\r\nКоличество точек по высоте: Y = 1.." +
           std::to_string(maxHeight) + ".\r\nСохраните файл в монохромном режиме.";
}

std::string LogoWidthText(int maxWidth, int maxHeight) {
    return "Недопустимые размеры логотипа!\r\n\r\nКоличество точек по ширине должно быть "
           "кратно 8.\r\nДопустимые размеры:\r\nКоличество точек по ширине: X = 8.." +
           std::to_string(maxWidth) + ".\r\nКоличество точек по высоте: Y = 1.." +
           std::to_string(maxHeight) + ".";
}

} // namespace

TEST(BadArguments, DateTimeAndLineSpeed) {
    ExpectAllRefused({
        {"FPSetDate NaN", "Ошибка формата даты!", [] { return FPSetDate(kNaN); }},
        {"FPSetDate +inf", "Ошибка формата даты!", [] { return FPSetDate(kInf); }},
        {"FPSetDate -inf", "Ошибка формата даты!", [] { return FPSetDate(-kInf); }},
        {"FPSetDate year 10000", "Ошибка формата даты!", [] { return FPSetDate(2958466.0); }},
        {"FPSetDate year 0", "Ошибка формата даты!", [] { return FPSetDate(-693594.0); }},
        {"FPSetDate 1e300", "Ошибка формата даты!", [] { return FPSetDate(1e300); }},
        // Years that two digits and the host's window would not give back.
        {"FPSetDate 01.01.0001", "Ошибка формата даты!", [] { return FPSetDate(-693593.0); }},
        {"FPSetDate 31.12.9999", "Ошибка формата даты!", [] { return FPSetDate(2958465.99); }},
        {"FPSetTime NaN", "Ошибка в формате времени!", [] { return FPSetTime(kNaN); }},
        {"FPSetTime +inf", "Ошибка в формате времени!", [] { return FPSetTime(kInf); }},
        {"FPSetTime -1e300", "Ошибка в формате времени!", [] { return FPSetTime(-1e300); }},
        {"FPChangeBaudRate 3", "Неверно задан параметр скорости связи!",
         [] { return FPChangeBaudRate(3); }},
        {"FPChangeBaudRate 255", "Неверно задан параметр скорости связи!",
         [] { return FPChangeBaudRate(255); }},
    });
}

TEST(BadArguments, OperatorsAndReceipts) {
    const std::string name51 = Letters(51);
    const std::string name16 = Letters(16);
    const std::string text28 = Letters(28);
    const std::string text26 = Letters(26);
    int64_t a = 7;
    int64_t b = 7;
    uint32_t amount = 7;
    FPBOOL change = 7;
    ExpectAllRefused({
        {"FPSetPassword operator 10", "Недопустимый номер оператора (кассира)!",
         [] { return FPSetPassword(0, 1, 10, nullptr); }},
        {"FPSetPassword operator 255", "Недопустимый номер оператора (кассира)!",
         [] { return FPSetPassword(0, 1, 255, "x"); }},
        {"FPSetPassword name 16", "Имя кассира превышает 15 символов!",
         [&] { return FPSetPassword(0, 1, 9, name16.c_str()); }},
        {"FPSetCashier cashier 10", "Неверный номер кассира!",
         [] { return FPSetCashier(10, nullptr, 0, 0); }},
        {"FPSetCashier name 16, stored name", "Имя кассира превышает 15 символов!",
         [&] { return FPSetCashier(0, name16.c_str(), 0, -1); }},
        {"FPSale quantity -1", "Недопустимое количество!",
         [&] { return FPSale(&a, &b, -1, 0, 100, 0, 0, 0, "x", 0); }},
        {"FPSale quantity INT32_MIN", "Недопустимое количество!",
         [&] { return FPSale(&a, &b, INT32_MIN, 0, 100, 0, 0, 0, "x", 0); }},
        {"FPSale quantity 2^24", "Передаваемое количество больше допустимого!",
         [&] { return FPSale(&a, &b, 16777216, 0, 100, 0, 0, 0, "x", 0); }},
        {"FPSale quantity INT32_MAX", "Передаваемое количество больше допустимого!",
         [&] { return FPSale(&a, &b, INT32_MAX, 0, 100, 0, -1, 0, nullptr, 0); }},
        {"FPSale price INT32_MIN", "Недопустимая цена!",
         [&] { return FPSale(&a, &b, 1, 0, INT32_MIN, 0, 0, 0, "x", 0); }},
        {"FPSale group 6", "Несуществующая налоговая группа",
         [&] { return FPSale(&a, &b, 1, 0, 100, 6, 0, 0, "x", 0); }},
        {"FPSale group 255", "Несуществующая налоговая группа",
         [&] { return FPSale(nullptr, nullptr, 1, 0, 100, 255, -1, 0, nullptr, 0); }},
        {"FPSale article -1", "Недопустимый код артикула!",
         [&] { return FPSale(&a, &b, 1, 0, 100, 0, 0, 0, "x", -1); }},
        {"FPSale article 2^48", "Недопустимый код артикула!",
         [&] { return FPSale(&a, &b, 1, 0, 100, 0, -1, 0, nullptr, int64_t{1} << 48); }},
        {"FPSale article INT64_MIN", "Недопустимый код артикула!",
         [&] { return FPSale(&a, &b, 1, 0, 100, 0, 0, 0, "x", INT64_MIN); }},
        {"FPSale name 51", "Название товара превышает 50 символов!",
         [&] { return FPSale(&a, &b, 1, 0, 100, 0, 0, -1, name51.c_str(), 0); }},
        {"FPPayMoney quantity -1", "Недопустимое количество!",
         [&] { return FPPayMoney(&a, &b, -1, 0, 100, 0, 0, 0, "x", 0); }},
        {"FPPayMoney quantity 2^24", "Передаваемое количество больше допустимого!",
         [&] { return FPPayMoney(&a, &b, 16777216, 0, 100, 0, 0, 0, "x", 0); }},
        {"FPPayMoney price INT32_MIN", "Недопустимая цена!",
         [&] { return FPPayMoney(&a, &b, 1, 0, INT32_MIN, 0, 0, 0, "x", 0); }},
        {"FPPayMoney group 6", "Несуществующая налоговая группа",
         [&] { return FPPayMoney(&a, &b, 1, 0, 100, 6, 0, 0, "x", 0); }},
        {"FPPayMoney article 2^48", "Недопустимый код артикула!",
         [&] { return FPPayMoney(&a, &b, 1, 0, 100, 0, 0, 0, "x", int64_t{1} << 48); }},
        {"FPPayMoney name 51", "Название товара превышает 50 символов!",
         [&] { return FPPayMoney(&a, &b, 1, 0, 100, 0, 0, 0, name51.c_str(), 0); }},
        {"FPPayment form 4", "Недопустимая форма оплаты!",
         [&] { return FPPayment(&amount, &change, 4, 100, 0, 0); }},
        {"FPPayment form 255", "Недопустимая форма оплаты!",
         [&] { return FPPayment(nullptr, nullptr, 255, 100, 0, 0); }},
        {"FPPayment amount 2^31", "Недопустимая сумма оплаты!",
         [&] { return FPPayment(&amount, &change, 3, 0x80000000u, 0, 0); }},
        {"FPPayment amount UINT32_MAX", "Недопустимая сумма оплаты!",
         [&] { return FPPayment(&amount, &change, 0, UINT32_MAX, -1, -1); }},
        {"FPComment 28", "Длина коментария превышает допустимую длину",
         [&] { return FPComment(text28.c_str(), 0); }},
        {"FPDiscount type 4", "Неправильный тип скидки!",
         [&] { return FPDiscount(&a, &b, 4, 10, 0, -1, nullptr); }},
        {"FPDiscount type 255", "Неправильный тип скидки!",
         [&] { return FPDiscount(nullptr, nullptr, 255, 10, 0, -1, nullptr); }},
        {"FPDiscount percent -1", "Недопустимая величина скидки!",
         [&] { return FPDiscount(&a, &b, 0, -1, 0, -1, nullptr); }},
        {"FPDiscount percent 2^25", "Недопустимая величина скидки!",
         [&] { return FPDiscount(&a, &b, 2, 1 << 25, 0, 0, nullptr); }},
        {"FPDiscount amount -1", "Недопустимая величина скидки!",
         [&] { return FPDiscount(&a, &b, 1, 0, -1, -1, nullptr); }},
        {"FPDiscount amount INT32_MIN", "Недопустимая величина скидки!",
         [&] { return FPDiscount(&a, &b, 3, 0, INT32_MIN, 0, nullptr); }},
        {"FPDiscount text 26", "Длина пояснительной строки больше 25 символов!",
         [&] { return FPDiscount(&a, &b, 3, 0, 100, -1, text26.c_str()); }},
    });
    // The outputs were cleared even though nothing was sent.
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(amount, 0u);
    EXPECT_EQ(change, 0);
}

TEST(BadArguments, Programming) {
    const std::string long37 = Letters(37);
    const std::string long22 = Letters(22);
    const std::string long25 = Letters(25);
    const std::string long21 = Letters(21);
    const std::string number13(13, '1');
    const std::string name51 = Letters(51);
    const FPTaxRate rates[5] = {Rate(2000), Rate(700), Rate(0), Rate(1000), Rate(500)};
    const FPTaxRate negative[2] = {Rate(2000), Rate(-1)};
    const FPTaxRate tooHigh[1] = {Rate(10000)};
    const FPTaxRate sumTooHigh[2] = {Rate(2000), Rate(9000, 1000)};
    using LineFn = int16_t (*)(const char*, FPBOOL, FPBOOL);
    struct MessageLine {
        const char* name;
        LineFn fn;
        const char* text;
    };
    const MessageLine lines[] = {
        {"FPSetInitialFirstLine", FPSetInitialFirstLine,
         "Неверная длина 1-й строки начального сообщения чека!"},
        {"FPSetInitialSecondLine", FPSetInitialSecondLine,
         "Неверная длина 2-й строки начального сообщения чека!"},
        {"FPSetInitialEndLine", FPSetInitialEndLine,
         "Неверная длина 3-й строки начального сообщения чека!"},
        {"FPSetFinalFirstLine", FPSetFinalFirstLine,
         "Неверная длина 1-й строки конечного сообщения чека!"},
        {"FPSetFinalSecondLine", FPSetFinalSecondLine,
         "Неверная длина 2-й строки конечного сообщения чека!"},
        {"FPSetFinalEndLine", FPSetFinalEndLine,
         "Неверная длина 3-й строки конечного сообщения чека!"},
    };
    std::vector<Refusal> cases;
    for (const MessageLine& l : lines) {
        cases.push_back({l.name, l.text, [&l, &long37] { return l.fn(long37.c_str(), 0, 0); }});
        cases.push_back({l.name, l.text, [&l, &long22] { return l.fn(long22.c_str(), -1, -1); }});
    }
    const char* kLine1 = "Длина первой строки атрибутов налогоплательщика больше допустимой!";
    const char* kLine2 = "Длина второй строки атрибутов налогоплательщика больше допустимой!";
    const char* kLine3 = "Длина третьей строки атрибутов налогоплательщика больше допустимой!";
    const std::vector<Refusal> more = {
        {"FPSetHeadLine line 1 of 25", kLine1,
         [&] {
             return FPSetHeadLine(0, long25.c_str(), 0, 0, nullptr, 0, 0, nullptr, 0, 0, nullptr,
                                  0);
         }},
        {"FPSetHeadLine line 1 of 21, double width", kLine1,
         [&] {
             return FPSetHeadLine(0, long21.c_str(), -1, 0, nullptr, 0, 0, nullptr, 0, 0, nullptr,
                                  0);
         }},
        {"FPSetHeadLine line 2 of 25", kLine2,
         [&] {
             return FPSetHeadLine(0, nullptr, 0, 0, long25.c_str(), 0, 0, nullptr, 0, 0, nullptr,
                                  0);
         }},
        {"FPSetHeadLine line 3 of 21, double width", kLine3,
         [&] {
             return FPSetHeadLine(0, "a", 0, 0, "b", 0, 0, long21.c_str(), -1, -1, nullptr, 0);
         }},
        {"FPSetHeadLine first failing line decides", kLine1,
         [&] {
             return FPSetHeadLine(0, long25.c_str(), 0, 0, long25.c_str(), 0, 0, long25.c_str(), 0,
                                  0, nullptr, 0);
         }},
        {"FPSetHeadLine tax number 13", "Длина налогового номера больше 12 символов!",
         [&] {
             return FPSetHeadLine(0, nullptr, 0, 0, nullptr, 0, 0, nullptr, 0, 0, number13.c_str(),
                                  0);
         }},
        {"FPSetHeadLine identification number 13",
         "Длина идентификационного номера больше 12 символов!",
         [&] {
             return FPSetHeadLine(0, nullptr, 0, 0, nullptr, 0, 0, nullptr, 0, 0, number13.c_str(),
                                  -1);
         }},
        {"FPSetTaxRate count 6", "Cлишком много налоговых ставок!",
         [&] { return FPSetTaxRate(0, 6, 0, rates, 4, 0); }},
        {"FPSetTaxRate count 255", "Cлишком много налоговых ставок!",
         [&] { return FPSetTaxRate(0, 255, 0, nullptr, 0, 0); }},
        {"FPSetTaxRate count 0", "Cлишком мало налоговых ставок!",
         [&] { return FPSetTaxRate(0, 0, 0, rates, 4, 0); }},
        {"FPSetTaxRate NULL records", "Массив налоговых ставок меньше необходимого (элементов: 2)!",
         [&] { return FPSetTaxRate(0, 2, 0, nullptr, 4, 0); }},
        {"FPSetTaxRate records too small",
         "Массив налоговых ставок меньше необходимого (элементов: 5)!",
         [&] { return FPSetTaxRate(0, 5, 0, rates, 3, 0); }},
        {"FPSetTaxRate negative high",
         "Массив налоговых ставок меньше необходимого (элементов: 1)!",
         [&] { return FPSetTaxRate(0, 1, 0, rates, -1, 0); }},
        {"FPSetTaxRate rate -1", "Значение налоговой ставки не должно превышать 99,99%!",
         [&] { return FPSetTaxRate(0, 2, 0, negative, 1, 0); }},
        {"FPSetTaxRate rate 10000", "Значение налоговой ставки не должно превышать 99,99%!",
         [&] { return FPSetTaxRate(0, 1, 0, tooHigh, 0, -1); }},
        {"FPSetTaxRate rate and levy 10000",
         "Cумма налоговой ставки и ставки сбора не должны превышать 99,99%!",
         [&] { return FPSetTaxRate(0, 2, 0, sumTooHigh, 1, -1); }},
        {"FPFiscalization 11 characters", "Длина фискального номера должна быть до 10 символов!",
         [] { return FPFiscalization(0, "12345678901"); }},
        {"FPFiscalization blank", "Фискальный номер может состоять только из цифр!",
         [] { return FPFiscalization(0, "1234 5678"); }},
        {"FPFiscalization punctuation", "Фискальный номер может состоять только из цифр!",
         [] { return FPFiscalization(0, "12-34"); }},
        {"FPFiscalization control character", "Фискальный номер может состоять только из цифр!",
         [] { return FPFiscalization(0, "12\t34"); }},
        {"FPProgArt password 65535", "Неверный пароль отчетов!",
         [&] { return FPProgArt(65535, 0, 100, 0, "x", 1); }},
        {"FPProgArt price INT32_MIN", "Недопустимая цена!",
         [&] { return FPProgArt(0, 0, INT32_MIN, 0, "x", 1); }},
        {"FPProgArt group 6", "Несуществующая налоговая группа",
         [&] { return FPProgArt(0, 0, 100, 6, "x", 1); }},
        {"FPProgArt name 51", "Название товара превышает 50 символов!",
         [&] { return FPProgArt(0, 0, 100, 0, name51.c_str(), 1); }},
        {"FPLineSP 64", "Неверно задан параметр межстрочного расстояния!",
         [] { return FPLineSP(64); }},
        {"FPLineSP 255", "Неверно задан параметр межстрочного расстояния!",
         [] { return FPLineSP(255); }},
        {"FPSetContrast 49", "Диапазон котрастности печати должен быть задан в пределах 50 - 200%!",
         [] { return FPSetContrast(49); }},
        {"FPSetContrast 0", "Диапазон котрастности печати должен быть задан в пределах 50 - 200%!",
         [] { return FPSetContrast(0); }},
        {"FPSetContrast 201",
         "Диапазон котрастности печати должен быть задан в пределах 50 - 200%!",
         [] { return FPSetContrast(201); }},
    };
    cases.insert(cases.end(), more.begin(), more.end());
    ExpectAllRefused(cases);
}

TEST(BadArguments, Logo) {
    Image good(16, 4, 4);
    Image narrow(0, 4, 4);
    Image seven(7, 4, 4);
    Image wide(400, 4, 4);
    Image notByEight(12, 4, 4);
    Image flat(16, 0, 4);
    Image negative(16, -5, 4);
    Image tall(16, 51, 51);
    Image huge(16, INT32_MAX, 4);
    Image shortImage(16, 4, 3);
    // three rows stored where four are announced
    Image noPixels(16, 4, 4);
    noPixels.bitmap.image = nullptr;
    ExpectAllRefused({
        {"NULL bitmap", "Изображение логотипа не задано!",
         [] { return FPLoadBMP(0, 384, 100, nullptr, 0, 0); }},
        {"width 0", LogoSizeText(384, 100),
         [&] { return FPLoadBMP(0, 384, 100, &narrow.bitmap, 0, 0); }},
        {"width 7", LogoSizeText(384, 100),
         [&] { return FPLoadBMP(0, 384, 100, &seven.bitmap, 0, 0); }},
        {"width above the largest", LogoSizeText(384, 100),
         [&] { return FPLoadBMP(0, 384, 100, &wide.bitmap, 0, 0); }},
        {"largest width 0", LogoSizeText(0, 100),
         [&] { return FPLoadBMP(0, 0, 100, &good.bitmap, 0, 0); }},
        {"width 12", LogoWidthText(384, 100),
         [&] { return FPLoadBMP(0, 384, 100, &notByEight.bitmap, 0, 0); }},
        {"height 0", LogoSizeText(384, 100),
         [&] { return FPLoadBMP(0, 384, 100, &flat.bitmap, 0, 0); }},
        {"height negative", LogoSizeText(384, 100),
         [&] { return FPLoadBMP(0, 384, 100, &negative.bitmap, 0, 0); }},
        {"height above the largest", LogoSizeText(384, 50),
         [&] { return FPLoadBMP(0, 384, 50, &tall.bitmap, 0, 0); }},
        {"double height above the largest", LogoSizeText(384, 7),
         [&] { return FPLoadBMP(0, 384, 7, &good.bitmap, -1, 0); }},
        {"height INT32_MAX, double", LogoSizeText(384, 65535),
         [&] { return FPLoadBMP(0, 384, 65535, &huge.bitmap, -1, 0); }},
        {"image shorter than its rows",
         "Изображение логотипа короче, чем требуют его ширина и высота!",
         [&] { return FPLoadBMP(0, 384, 100, &shortImage.bitmap, 0, 0); }},
        {"no image bytes", "Изображение логотипа короче, чем требуют его ширина и высота!",
         [&] { return FPLoadBMP(0, 384, 100, &noPixels.bitmap, 0, -1); }},
    });
    EXPECT_FALSE(kasdrv::Session().LogoTransferMode);
}

TEST(BadArguments, PrintingExtras) {
    const std::string display21 = Letters(21);
    const std::string line38(38, 'x');
    const std::string code17(17, 'A');
    const std::string cyrillicCode = Cp1251("ШТРИХ");
    const char* tooLongFirst[] = {line38.c_str(), "after"};
    // The tape choice the driver remembers is kept, so no switch goes out first.
    const FPBOOL sameTape = kasdrv::Session().NonFiscalTextReceiptTapeOnly ? -1 : 0;
    ExpectAllRefused({
        {"FPSendCustomer 21", "Длина строк больше допустимой!",
         [&] { return FPSendCustomer(0, display21.c_str()); }},
        {"FPTransPrint count -1", "Неверный список строк нефискального текста!",
         [] {
             const char* lines[] = {"x"};
             return FPTransPrint(lines, -1, 0, 0);
         }},
        {"FPTransPrint NULL lines", "Неверный список строк нефискального текста!",
         [] { return FPTransPrint(nullptr, 2, 0, -1); }},
        {"FPTransPrint first line 38",
         "Строка №0\r\nДлина строки нефискального текста превышает допустимую длину",
         [&] { return FPTransPrint(tooLongFirst, 2, sameTape, -1); }},
        {"FPSetBarCode 17", "Слишком длинный штрих-код",
         [&] { return FPSetBarCode(code17.c_str()); }},
        {"FPSetBarCode Cyrillic", "Ошибка данных штрих-кода Code-128!",
         [&] { return FPSetBarCode(cyrillicCode.c_str()); }},
        {"FPPrintEAN13 14 digits", "Недопустимая длина штрих-кода!",
         [] { return FPPrintEAN13("48200000000041"); }},
        {"FPPrintEAN13 letter", "Ошибка формата штрих-кода EAN-13!",
         [] { return FPPrintEAN13("482000000000A"); }},
        {"FPPrintEAN13 blank", "Ошибка формата штрих-кода EAN-13!",
         [] { return FPPrintEAN13(" 482000000000"); }},
        {"FPPrintEAN13 check digit", "Ошибка в контрольном разряде штрих-кода EAN-13!",
         [] { return FPPrintEAN13("4820000000005"); }},
    });
}

TEST(BadArguments, Reports) {
    ExpectAllRefused({
        {"FPDayReport 65535", kBadReportPassword, [] { return FPDayReport(65535); }},
        {"FPDayClrReport 65535", kBadReportPassword, [] { return FPDayClrReport(65535); }},
        {"FPXArtReport 65535", "Неверный пароль отчетов!",
         [] { return FPXArtReport(65535, 1, 2); }},
        {"FPPeriodicReport 65535", kBadReportPassword,
         [] { return FPPeriodicReport(65535, 45000.0, 46000.0); }},
        {"FPPeriodicReport NaN", "Ошибка формата даты!",
         [] { return FPPeriodicReport(0, kNaN, 46000.0); }},
        {"FPPeriodicReport infinite end", "Ошибка формата даты!",
         [] { return FPPeriodicReport(0, 45000.0, kInf); }},
        {"FPPeriodicReportShort 65535", kBadReportPassword,
         [] { return FPPeriodicReportShort(65535, 45000.0, 46000.0); }},
        {"FPPeriodicReportShort year 10000", "Ошибка формата даты!",
         [] { return FPPeriodicReportShort(0, 45000.0, 3e6); }},
        {"FPPeriodicNumberReport 65535", kBadReportPassword,
         [] { return FPPeriodicNumberReport(65535, 1, 2); }},
        {"FPPeriodicNumberReport first above last", "Начальный номер отчета больше конечного!",
         [] { return FPPeriodicNumberReport(0, 3, 2); }},
        {"FPPeriodicNumberReport 65535 above 0", "Начальный номер отчета больше конечного!",
         [] { return FPPeriodicNumberReport(0, 65535, 0); }},
    });
}

TEST(BadArguments, QueriesWithArrays) {
    std::vector<int64_t> groups(6, 7);
    std::vector<int64_t> forms(4, 7);
    std::vector<uint32_t> groups32(6, 7);
    std::vector<uint32_t> forms32(4, 7);
    std::vector<uint16_t> passwords(10, 7);
    std::vector<uint8_t> buffer(16, 7);
    const char* kGroups = "Массив сумм по налоговым группам меньше необходимого (элементов: 6)!";
    const char* kForms = "Массив сумм по формам оплаты меньше необходимого (элементов: 4)!";
    auto dayReport = [&](int32_t hsg, int32_t hsf, int32_t hpg, int32_t hpf) {
        return FPGetDayReport(nullptr, nullptr, groups.data(), hsg, forms.data(), hsf,
                              groups.data(), hpg, forms.data(), hpf, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr);
    };
    ExpectAllRefused({
        {"FPGetArticleInfo NULL article", "Не задан номер товара!",
         [] {
             return FPGetArticleInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr);
         }},
        {"FPGetDayReport sale groups 5", kGroups, [&] { return dayReport(4, 3, 5, 3); }},
        {"FPGetDayReport payout groups 5", kGroups, [&] { return dayReport(5, 3, 4, 3); }},
        {"FPGetDayReport sale forms 3", kForms, [&] { return dayReport(5, 2, 5, 3); }},
        {"FPGetDayReport payout forms negative", kForms, [&] { return dayReport(5, 3, 5, -1); }},
        {"FPGetDayReport groups INT32_MIN", kGroups, [&] { return dayReport(INT32_MIN, 3, 5, 3); }},
        {"FPGetCheckSums groups 5", kGroups,
         [&] { return FPGetCheckSums(groups32.data(), 4, forms32.data(), 3); }},
        {"FPGetCheckSums forms 3", kForms,
         [&] { return FPGetCheckSums(groups32.data(), 5, forms32.data(), 2); }},
        {"FPGetPasswords 9", "Массив паролей меньше необходимого (элементов: 10)!",
         [&] { return FPGetPasswords(passwords.data(), 8); }},
        {"FPGetPasswords negative high", "Массив паролей меньше необходимого (элементов: 10)!",
         [&] { return FPGetPasswords(passwords.data(), -1); }},
        {"FPGetMemoryData buffer below count", "Массив данных меньше необходимого (элементов: 17)!",
         [&] {
             uint8_t count = 17;
             return FPGetMemoryData(buffer.data(), 15, &count, 0, 0);
         }},
        {"FPGetMemoryData 255 into 16", "Массив данных меньше необходимого (элементов: 255)!",
         [&] {
             uint8_t count = 255;
             return FPGetMemoryData(buffer.data(), 15, &count, 0, 0);
         }},
    });
    // Nothing was written into the arrays that were refused.
    for (const int64_t v : groups) {
        EXPECT_EQ(v, 7);
    }
    for (const uint16_t v : passwords) {
        EXPECT_EQ(v, 7);
    }
    for (const uint8_t v : buffer) {
        EXPECT_EQ(v, 7);
    }
}

// Arrays whose needed size only the reply tells: the command goes out, the
// reply is read, and the array is refused untouched.
TEST(BadArguments, ArraysSizedByTheReply) {
    ScriptedLine line;
    // Two rates, programmed on 07.12.26, no levy.
    line.AnswerAll(Payload(0, 0, 0, {2, 0x07, 0x12, 0x26, 0xD0, 0x07, 0xBC, 0x02, 0x00}));
    std::vector<FPTaxRate> records(1, FPTaxRate{7, 7, 7});
    EXPECT_EQ(FPFullGetTaxRate(nullptr, nullptr, nullptr, records.data(), 0, nullptr), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Массив налоговых ставок меньше необходимого (элементов: 2)!");
    EXPECT_EQ(records[0].rate, 7);

    line.AnswerInTurn({Payload(0, 0, 0, {3}), Payload(0, 0, 0, std::vector<uint8_t>(13, 0))});
    std::vector<int32_t> rates(2, 7);
    std::vector<int32_t> levies(3, 7);
    uint8_t count = 0;
    EXPECT_EQ(FPGetTaxRate(rates.data(), 1, levies.data(), 2, &count, nullptr, nullptr), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Массив налоговых ставок меньше необходимого (элементов: 3)!");
    EXPECT_EQ(count, 3);
    EXPECT_EQ(rates[0], 7);
    line.AnswerInTurn({Payload(0, 0, 0, {3}), Payload(0, 0, 0, std::vector<uint8_t>(13, 0))});
    EXPECT_EQ(FPGetTaxRate(nullptr, 0, levies.data(), 1, &count, nullptr, nullptr), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Массив ставок сбора меньше необходимого (элементов: 3)!");
    EXPECT_EQ(levies[0], 7);
}

// Texts given as NULL are empty texts: the export goes ahead and sends them.
TEST(BadArguments, NullTextsAreEmpty) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, std::vector<uint8_t>(8, 0)));
    struct Sent {
        const char* what;
        std::function<int16_t()> call;
    };
    const Sent calls[] = {
        {"FPSetPassword", [] { return FPSetPassword(0, 1, 0, nullptr); }},
        {"FPSetCashier", [] { return FPSetCashier(0, nullptr, 0, 0); }},
        {"FPSale", [] { return FPSale(nullptr, nullptr, 1, 0, 100, 0, 0, -1, nullptr, 0); }},
        {"FPPayMoney", [] { return FPPayMoney(nullptr, nullptr, 1, 0, 100, 0, 0, 0, nullptr, 0); }},
        {"FPComment", [] { return FPComment(nullptr, -1); }},
        {"FPDiscount", [] { return FPDiscount(nullptr, nullptr, 0, 5, 0, -1, nullptr); }},
        {"FPSetInitialFirstLine", [] { return FPSetInitialFirstLine(nullptr, -1, -1); }},
        {"FPSetInitialSecondLine", [] { return FPSetInitialSecondLine(nullptr, 0, 0); }},
        {"FPSetInitialEndLine", [] { return FPSetInitialEndLine(nullptr, 0, 0); }},
        {"FPSetFinalFirstLine", [] { return FPSetFinalFirstLine(nullptr, 0, 0); }},
        {"FPSetFinalSecondLine", [] { return FPSetFinalSecondLine(nullptr, 0, 0); }},
        {"FPSetFinalEndLine", [] { return FPSetFinalEndLine(nullptr, 0, 0); }},
        {"FPSetHeadLine",
         [] {
             return FPSetHeadLine(0, nullptr, -1, 0, nullptr, 0, -1, nullptr, -1, -1, nullptr, -1);
         }},
        {"FPFiscalization", [] { return FPFiscalization(0, nullptr); }},
        {"FPProgArt", [] { return FPProgArt(0, 0, 100, 0, nullptr, 1); }},
        {"FPSendCustomer", [] { return FPSendCustomer(-1, nullptr); }},
        {"FPTransPrint NULL line",
         [] {
             const char* lines[] = {nullptr};
             return FPTransPrint(lines, 1, 0, 0);
         }},
        {"FPTransPrint no lines", [] { return FPTransPrint(nullptr, 0, 0, -1); }},
        {"FPSetBarCode", [] { return FPSetBarCode(nullptr); }},
        {"FPPrintEAN13 (13 zeros)", [] { return FPPrintEAN13(nullptr); }},
    };
    for (const Sent& c : calls) {
        SCOPED_TRACE(c.what);
        const std::size_t before = line.port.writes.size();
        EXPECT_EQ(c.call(), -1) << ErrorTextUtf8();
        EXPECT_GT(line.port.writes.size(), before);
    }
}

// NULL outputs are skipped: the export runs to its end against a good reply.
TEST(BadArguments, NullOutputsAreSkipped) {
    ScriptedLine line;
    struct Query {
        const char* what;
        std::vector<Bytes> replies; // reply data of each command, in turn
        std::function<int16_t()> call;
    };
    const Bytes status = [] {
        Bytes b(2, 0);
        b.insert(b.end(), 19, '1');
        b.insert(b.end(), {0x07, 0x12, 0x26, 0x10, 0x30});
        b.insert(b.end(), 10, '2');
        b.insert(b.end(), {3, 'a', 'b', 'c', 0, 1, 'z', 2, '1', '2'});
        b.insert(b.end(), 5, '5');
        return b;
    }();
    const std::vector<Query> queries = {
        {"FPCodeError", {}, [] { return FPCodeError(nullptr, nullptr, nullptr); }},
        {"FPGetStatus",
         {status},
         [] {
             return FPGetStatus(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr);
         }},
        {"FPGetDate", {{0x07, 0x12, 0x26}}, [] { return FPGetDate(nullptr); }},
        {"FPGetTime", {{0x23, 0x59, 0x59}}, [] { return FPGetTime(nullptr); }},
        {"FPGetPaperState",
         {{0x60}},
         [] { return FPGetPaperState(nullptr, nullptr, nullptr, nullptr, nullptr); }},
        {"FPSale",
         {Bytes(8, 1)},
         [] { return FPSale(nullptr, nullptr, 1, 0, 100, 0, 0, 0, "x", 0); }},
        {"FPPayMoney",
         {Bytes(8, 1)},
         [] { return FPPayMoney(nullptr, nullptr, 1, 0, 100, 0, -1, 0, nullptr, 0); }},
        {"FPPayment", {Bytes(4, 1)}, [] { return FPPayment(nullptr, nullptr, 3, 100, 0, 0); }},
        {"FPDiscount",
         {Bytes(8, 1)},
         [] { return FPDiscount(nullptr, nullptr, 1, 0, 100, 0, "x"); }},
        {"FPCutterStatus", {{0x08}}, [] { return FPCutterStatus(nullptr); }},
        {"FPGetArticleInfo",
         {Bytes(24, 0)},
         [] {
             const int64_t code = 5;
             return FPGetArticleInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, &code);
         }},
        {"FPGetDayReport",
         {Bytes(134, 0)},
         [] {
             return FPGetDayReport(nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
                                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
         }},
        {"FPGetCheckSums", {Bytes(40, 0)}, [] { return FPGetCheckSums(nullptr, 0, nullptr, -1); }},
        {"FPFullGetTaxRate",
         {{1, 0x07, 0x12, 0x26, 0xD0, 0x07, 0x20, 0x10, 0x00}},
         [] { return FPFullGetTaxRate(nullptr, nullptr, nullptr, nullptr, -5, nullptr); }},
        {"FPGetTaxRate",
         {{2}, {0xD0, 0x07, 0xBC, 0x02, 0x20, 0x01, 0x00, 0x02, 0x00}},
         [] { return FPGetTaxRate(nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr); }},
        {"FPGetSaleCheckNumber", {{0x12, 0x00}}, [] { return FPGetSaleCheckNumber(nullptr); }},
        {"FPGetPayCheckNumber", {{0x12, 0x00}}, [] { return FPGetPayCheckNumber(nullptr); }},
        {"FPGetSaleDaySum", std::vector<Bytes>(6, Bytes(5, 1)),
         [] { return FPGetSaleDaySum(nullptr); }},
        {"FPGetPayDaySum", std::vector<Bytes>(6, Bytes(5, 1)),
         [] { return FPGetPayDaySum(nullptr); }},
        {"FPGetNumZReport",
         {{0x05, 0x00}, {0x07, 0x12, 0x26}},
         [] { return FPGetNumZReport(nullptr, nullptr); }},
        {"FPGetResetOrders",
         {Bytes(14, 1)},
         [] { return FPGetResetOrders(nullptr, nullptr, nullptr, nullptr); }},
        {"FPGetCancels",
         {Bytes(14, 1)},
         [] { return FPGetCancels(nullptr, nullptr, nullptr, nullptr); }},
        {"FPGetPasswords", {Bytes(20, 1)}, [] { return FPGetPasswords(nullptr, -1); }},
        {"FPGetMoneyInBox", {Bytes(5, 1)}, [] { return FPGetMoneyInBox(nullptr); }},
        {"FPGetMemoryData NULL buffer",
         {Bytes(16, 1)},
         [] {
             uint8_t count = 16;
             const int16_t rc = FPGetMemoryData(nullptr, 0, &count, 0x3000, 0x10);
             EXPECT_EQ(count, 16);
             return rc;
         }},
    };
    for (const Query& q : queries) {
        SCOPED_TRACE(q.what);
        std::vector<Bytes> payloads;
        for (const Bytes& r : q.replies) {
            payloads.push_back(Payload(0, 0, 0, r));
        }
        if (payloads.empty()) {
            payloads.push_back(Payload(0, 0, 0));
        }
        line.AnswerInTurn(payloads);
        const std::size_t before = line.port.writes.size();
        EXPECT_EQ(q.call(), -1) << ErrorTextUtf8();
        EXPECT_EQ(line.port.writes.size() - before, q.replies.size());
    }
    // A NULL count reads nothing useful: the read goes out and is refused.
    line.AnswerAll(Payload(0, 0, 0, Bytes(4, 1)));
    const std::size_t before = line.port.writes.size();
    EXPECT_EQ(FPGetMemoryData(nullptr, 0, nullptr, 0x3000, 0x10), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Длина блока данных не может быть равна нулю!");
    EXPECT_EQ(line.port.writes.size(), before + 1);
}

// The edges themselves are accepted and sent.
TEST(BadArguments, EdgesAreAccepted) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, Bytes(8, 0)));
    const std::string name50 = Letters(50);
    const std::string name15 = Letters(15);
    const std::string text27 = Letters(27);
    const std::string line36 = Letters(36);
    const std::string line21 = Letters(21);
    const std::string line24 = Letters(24);
    const std::string line20 = Letters(20);
    const std::string line37(37, 'x');
    const std::string code16(16, 'A');
    const char* lines[] = {line37.c_str()};
    const FPTaxRate rates[5] = {Rate(9999), Rate(0), Rate(1), Rate(5000, 4999), Rate(0, 9999)};
    struct Sent {
        const char* what;
        std::function<int16_t()> call;
    };
    const Sent calls[] = {
        {"FPSetDate first day of the year window",
         [] {
             return FPSetDate(kasdrv::EncodeDate(kasdrv::platform::HostCurrentYear() - 50, 1, 1));
         }},
        {"FPSetDate last day of the year window",
         [] {
             return FPSetDate(kasdrv::EncodeDate(kasdrv::platform::HostCurrentYear() + 49, 12, 31) +
                              0.99);
         }},
        {"FPSetTime negative", [] { return FPSetTime(-0.25); }},
        {"FPChangeBaudRate 2", [] { return FPChangeBaudRate(2); }},
        {"FPSetPassword 9, 15", [&] { return FPSetPassword(0, 1, 9, name15.c_str()); }},
        {"FPSetCashier 9, 15", [&] { return FPSetCashier(9, name15.c_str(), 0, 0); }},
        {"FPSale edges",
         [&] {
             return FPSale(nullptr, nullptr, 16777215, 0xFF, INT32_MAX, 5, 0, -1, name50.c_str(),
                           (int64_t{1} << 48) - 1);
         }},
        {"FPSale negative price",
         [] { return FPSale(nullptr, nullptr, 0, 0, -INT32_MAX, 0, 0, 0, "", 0); }},
        {"FPPayment 2^31 - 1", [] { return FPPayment(nullptr, nullptr, 3, 0x7FFFFFFFu, -1, 0); }},
        {"FPComment 27", [&] { return FPComment(text27.c_str(), 0); }},
        {"FPDiscount percent 2^25 - 1",
         [] { return FPDiscount(nullptr, nullptr, 2, (1 << 25) - 1, -5, 0, nullptr); }},
        {"FPDiscount amount INT32_MAX",
         [] { return FPDiscount(nullptr, nullptr, 3, -5, INT32_MAX, -1, nullptr); }},
        {"FPSetInitialFirstLine 36", [&] { return FPSetInitialFirstLine(line36.c_str(), 0, -1); }},
        {"FPSetFinalEndLine 21 wide", [&] { return FPSetFinalEndLine(line21.c_str(), -1, 0); }},
        {"FPSetHeadLine 24, 20 wide, 12",
         [&] {
             return FPSetHeadLine(0, line24.c_str(), 0, 0, line20.c_str(), -1, 0, line24.c_str(), 0,
                                  -1, "123456789012", 0);
         }},
        {"FPSetTaxRate 5 with levy", [&] { return FPSetTaxRate(0, 5, 0, rates, 4, -1); }},
        {"FPFiscalization 10 letters", [] { return FPFiscalization(0, "ABCDEFGHIJ"); }},
        {"FPProgArt 50",
         [&] {
             return FPProgArt(65534, 3, -INT32_MAX, 5, name50.c_str(), (int64_t{1} << 48) - 1);
         }},
        {"FPLineSP 63", [] { return FPLineSP(63); }},
        {"FPSetContrast 50", [] { return FPSetContrast(50); }},
        {"FPSetContrast 200", [] { return FPSetContrast(200); }},
        {"FPSendCustomer 20", [&] { return FPSendCustomer(0, line20.c_str()); }},
        {"FPTransPrint 37", [&] { return FPTransPrint(lines, 1, 0, -1); }},
        {"FPSetBarCode 16", [&] { return FPSetBarCode(code16.c_str()); }},
        {"FPPrintEAN13 short, padded", [] { return FPPrintEAN13("0"); }},
        {"FPDayReport 65534", [] { return FPDayReport(65534); }},
        {"FPXArtReport six-byte range", [] { return FPXArtReport(0, 0, (int64_t{1} << 48) - 1); }},
        {"FPPeriodicNumberReport equal", [] { return FPPeriodicNumberReport(0, 65535, 65535); }},
        {"FPInToCash UINT32_MAX", [] { return FPInToCash(UINT32_MAX); }},
        {"FPOutOfCash UINT32_MAX", [] { return FPOutOfCash(UINT32_MAX); }},
    };
    for (const Sent& c : calls) {
        SCOPED_TRACE(c.what);
        const std::size_t before = line.port.writes.size();
        EXPECT_EQ(c.call(), -1) << ErrorTextUtf8();
        EXPECT_GT(line.port.writes.size(), before);
    }
}

// Without a port every command fails by the time-out, and nothing crashes.
TEST(BadArguments, NoPortAtAll) {
    ScriptedLine line;
    FPClose();
    EXPECT_EQ(FPClose(), 0);
    EXPECT_EQ(FPInit(1, 0, 1, 1), 0); // a zero baud rate opens nothing
    EXPECT_EQ(FPGetDate(nullptr), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Превышено время ожидания ответа от принтера!");
    EXPECT_TRUE(line.port.writes.empty());
}
