// The receipt and cash exports over a scripted register: what goes on the
// wire, what the replies yield, and what is refused before anything is sent.
#include "ExportChecks.h"
#include "kasdrv.h"

#include <gtest/gtest.h>

#include <limits>

using kasdrv::Session;
using namespace kastest;

namespace {

const std::string kBadReply = "Ответная посылка не соответствует формату данных!";

// Sale and line replies: line cost then receipt total, four bytes each.
const Bytes kLineReply = {0x3B, 0x07, 0x00, 0x00, 0x3B, 0x07, 0x00, 0x00};

int16_t Sale(int32_t quantity, int32_t price, const std::string& name, int64_t code,
             FPBOOL printBarcode = 0, uint8_t flags = 0, FPBOOL fromRegister = 0,
             uint8_t group = 0) {
    return FPSale(nullptr, nullptr, quantity, flags, price, group, fromRegister, printBarcode,
                  name.c_str(), code);
}

TEST(ReceiptWire, WorkedFramesByteForByte) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, kLineReply));

    Session().Sequence = 2;
    ASSERT_EQ(FPSale(nullptr, nullptr, 15, 0x01, 1234, 0, 0, 0, Cp1251("Хлеб").c_str(), 123), -1);
    EXPECT_EQ(
        line.port.writes.back(),
        (Bytes{0x10, 0x02, 0x03, 0x12, 0x0F, 0x00, 0x00, 0x01, 0xD2, 0x04, 0x00, 0x00, 0x80, 0x04,
               0x95, 0xAB, 0xA5, 0xA1, 0x7B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x10, 0x03}));

    line.AnswerAll(Payload(0, 0, 0, {0x00, 0x00, 0x00, 0x00}));
    Session().Sequence = 3;
    ASSERT_EQ(FPPayment(nullptr, nullptr, 3, 2000, 0, -1), -1);
    EXPECT_EQ(line.port.writes.back(),
              (Bytes{0x10, 0x02, 0x04, 0x14, 0x03, 0xD0, 0x07, 0x00, 0x00, 0x0E, 0x10, 0x03}));

    line.AnswerAll(Payload(0, 0, 0, kLineReply));
    ASSERT_EQ(FPDiscount(nullptr, nullptr, 2, 10, 0, -1, ""), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x23, 0x02, 0x0A, 0x00, 0x00, 0x82, 0x00}));

    // The cash-in command byte is DLE and is doubled.
    line.AnswerAll(Payload(0, 0, 0));
    Session().Sequence = 5;
    ASSERT_EQ(FPInToCash(10000), -1);
    EXPECT_EQ(line.port.writes.back(), (Bytes{0x10, 0x02, 0x06, 0x10, 0x10, 0x10, 0x10, 0x27, 0x00,
                                              0x00, 0xB3, 0x10, 0x03}));
}

TEST(ReceiptWire, SimpleCommandsAndCashOut) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPLineFeed(), -1);
    ASSERT_EQ(FPResetOrder(), -1);
    ASSERT_EQ(FPOutOfCash(0x01020304), -1);
    EXPECT_EQ(Commands(line), (std::vector<Bytes>{{0x0E}, {0x0F}, {0x18, 0x04, 0x03, 0x02, 0x01}}));
}

TEST(SaleLine, RepliesWidenToSignedCostAndTotal) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, {0xD2, 0x04, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF}));
    int64_t cost = 7;
    int64_t total = 7;
    ASSERT_EQ(FPSale(&cost, &total, 1000, 3, -1234, 5, 0, 0, "x", 1), -1);
    EXPECT_EQ(cost, -1234);
    EXPECT_EQ(total, 0xFFFFFFFFll);
    // A negative price travels as sign and magnitude; group 5 is 0x85.
    EXPECT_EQ(LastCommand(line), (Bytes{0x12, 0xE8, 0x03, 0x00, 0x03, 0xD2, 0x04, 0x00, 0x80, 0x85,
                                        0x01, 'x', 0x01, 0, 0, 0, 0, 0}));

    // A payout line is the same with its own command byte.
    ASSERT_EQ(FPPayMoney(&cost, &total, 1, 0, 100, 0, 0, 0, nullptr, 0), -1);
    EXPECT_EQ(LastCommand(line),
              (Bytes{0x08, 0x01, 0, 0, 0x00, 0x64, 0, 0, 0, 0x80, 0x00, 0, 0, 0, 0, 0, 0}));
}

TEST(SaleLine, QuantityMustFitThreeBytes) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, kLineReply));
    ASSERT_EQ(Sale(16777215, 1, "", 0), -1);
    const Bytes sent = LastCommand(line);
    EXPECT_EQ(Bytes(sent.begin() + 1, sent.begin() + 4), (Bytes{0xFF, 0xFF, 0xFF}));
    ExpectRefusedUnsent(line, "Передаваемое количество больше допустимого!",
                        [] { return Sale(16777216, 1, "", 0); });
    ExpectRefusedUnsent(line, "Недопустимое количество!", [] { return Sale(-1, 1, "", 0); });
}

TEST(SaleLine, ArgumentChecksGuardTheWire) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, kLineReply));
    ExpectRefusedUnsent(line, "Несуществующая налоговая группа",
                        [] { return Sale(1, 1, "", 0, 0, 0, 0, 6); });
    ExpectRefusedUnsent(line, "Недопустимый код артикула!", [] { return Sale(1, 1, "", -1); });
    ExpectRefusedUnsent(line, "Недопустимый код артикула!",
                        [] { return Sale(1, 1, "", int64_t{1} << 48); });
    ExpectRefusedUnsent(line, "Недопустимая цена!",
                        [] { return Sale(1, std::numeric_limits<int32_t>::min(), "", 0); });
    ExpectRefusedUnsent(line, "Название товара превышает 50 символов!",
                        [] { return Sale(1, 1, std::string(51, 'a'), 0); });
    // Outputs are zeroed before the checks.
    int64_t cost = 5;
    int64_t total = 5;
    EXPECT_EQ(FPPayMoney(&cost, &total, -1, 0, 1, 0, 0, 0, "", 0), 0);
    EXPECT_EQ(cost, 0);
    EXPECT_EQ(total, 0);

    // The largest code goes out in six bytes.
    ASSERT_EQ(Sale(1, 1, "", (int64_t{1} << 48) - 1), -1);
    const Bytes sent = LastCommand(line);
    EXPECT_EQ(Bytes(sent.end() - 6, sent.end()), (Bytes(6, 0xFF)));
}

TEST(SaleLine, NameOfFiftyAndNameFromRegister) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, kLineReply));
    ASSERT_EQ(Sale(1, 1, std::string(50, 'a'), 0), -1);
    EXPECT_EQ(LastCommand(line).size(), 1u + 3 + 1 + 4 + 1 + 1 + 50 + 6);
    EXPECT_EQ(LastCommand(line)[10], 50);

    // From the register: the name (even too long) and the bar code flag are ignored.
    ASSERT_EQ(Sale(1, 1, std::string(60, 'a'), 48, -1, 0x02, -1), -1);
    EXPECT_EQ(LastCommand(line),
              (Bytes{0x12, 0x01, 0, 0, 0x02, 0x01, 0, 0, 0, 0x80, 0xFF, 48, 0, 0, 0, 0, 0}));
}

TEST(SaleLine, BarcodeFlagNeedsAValidThirteenDigitCode) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, kLineReply));
    const auto flagsSent = [&line](int64_t code, FPBOOL printBarcode) {
        EXPECT_EQ(Sale(1, 1, "", code, printBarcode, 0x82), -1);
        return LastCommand(line)[4];
    };
    EXPECT_EQ(flagsSent(48, -1), 0xC2);             // 0000000000048: check digit 8
    EXPECT_EQ(flagsSent(48, 0), 0x82);              // not asked for
    EXPECT_EQ(flagsSent(47, -1), 0x82);             // wrong check digit
    EXPECT_EQ(flagsSent(4006381333931, -1), 0xC2);  // a real EAN-13
    EXPECT_EQ(flagsSent(10000000000048, -1), 0x82); // 14 digits
    EXPECT_EQ(flagsSent(0, -1), 0xC2);              // thirteen zeros are valid
}

TEST(SaleLine, RegisterErrorsFailAndLeaveOutputsZero) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 27, 0, kLineReply));
    int64_t cost = 5;
    int64_t total = 5;
    EXPECT_EQ(FPSale(&cost, &total, 1, 0, -500, 0, 0, 0, "", 0), 0);
    EXPECT_EQ(cost, 0);
    EXPECT_EQ(total, 0);
    EXPECT_NE(ErrorTextUtf8().find("Отрицательная продажа больше суммы предыдущих продаж чека"),
              std::string::npos);

    // A reply shorter than the eight bytes read is not read past.
    line.AnswerAll(Payload(0, 0, 0, {1, 0, 0, 0, 2, 0, 0}));
    EXPECT_EQ(FPSale(&cost, &total, 1, 0, 1, 0, 0, 0, "", 0), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    EXPECT_EQ(cost, 0);
}

TEST(ShiftLeniency, OnlySalesCommentsAndPayoutsFailOnStatus0x20) {
    ScriptedLine line;
    line.AnswerAll(Payload(0x20, 0x00, 0));
    EXPECT_EQ(FPLineFeed(), -1);
    EXPECT_NE(ErrorTextUtf8().find("Превышение продолжительности смены"), std::string::npos);
    uint8_t status = 0;
    FPCodeError(nullptr, &status, nullptr);
    EXPECT_EQ(status, 0x20);
    EXPECT_EQ(FPInToCash(1), -1);
    EXPECT_EQ(FPSetCashier(0, "", 0, 0), -1);

    // Tolerated without reply data: success with the outputs left at 0.
    uint32_t amount = 9;
    FPBOOL change = 9;
    EXPECT_EQ(FPPayment(&amount, &change, 3, 0, -1, -1), -1);
    EXPECT_EQ(amount, 0u);
    EXPECT_EQ(change, 0);
    int64_t value = 9;
    EXPECT_EQ(FPDiscount(&value, nullptr, 0, 5, 0, -1, ""), -1);
    EXPECT_EQ(value, 0);

    EXPECT_EQ(Sale(1, 1, "", 0), 0);
    EXPECT_EQ(FPPayMoney(nullptr, nullptr, 1, 0, 1, 0, 0, 0, "", 0), 0);
    EXPECT_EQ(FPComment("a", 0), 0);
    EXPECT_NE(ErrorTextUtf8().find("Превышение продолжительности смены"), std::string::npos);

    // With a result code the register did not carry the command out.
    line.AnswerAll(Payload(0x20, 0x10, 0));
    EXPECT_EQ(FPLineFeed(), 0);
    EXPECT_NE(ErrorTextUtf8().find("Превышение продолжительности смены"), std::string::npos);
    EXPECT_EQ(FPInToCash(1), 0);
    EXPECT_EQ(FPPayment(&amount, &change, 3, 0, -1, -1), 0);
    // Any other status bit fails everything.
    line.AnswerAll(Payload(0x21, 0, 0));
    EXPECT_EQ(FPLineFeed(), 0);
}

TEST(Payment, FormFlagsAndReply) {
    ScriptedLine line;
    uint32_t amount = 0;
    FPBOOL change = 0;
    line.AnswerAll(Payload(0, 0, 0, {0x64, 0x00, 0x00, 0x80}));
    ASSERT_EQ(FPPayment(&amount, &change, 0, 5000, -1, 0), -1);
    EXPECT_EQ(amount, 100u);
    EXPECT_EQ(change, -1);
    // Fiscal copy wanted: bit 6 of the form; top flag: bit 7 of the last byte.
    EXPECT_EQ(LastCommand(line), (Bytes{0x14, 0x40, 0x88, 0x13, 0x00, 0x80}));

    line.AnswerAll(Payload(0, 0, 0, {0x64, 0x00, 0x00, 0x00}));
    ASSERT_EQ(FPPayment(&amount, &change, 2, 0x7FFFFFFF, 0, -1), -1);
    EXPECT_EQ(amount, 100u);
    EXPECT_EQ(change, 0);
    EXPECT_EQ(LastCommand(line), (Bytes{0x14, 0x02, 0xFF, 0xFF, 0xFF, 0x7F}));

    line.AnswerAll(Payload(0, 0, 0, {0x64, 0x00, 0x00}));
    EXPECT_EQ(FPPayment(&amount, &change, 3, 1, 0, -1), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    EXPECT_EQ(amount, 0u);

    ExpectRefusedUnsent(line, "Недопустимая форма оплаты!",
                        [] { return FPPayment(nullptr, nullptr, 4, 1, 0, -1); });
    // Bit 31 of the amount is the top flag, so larger amounts cannot be sent.
    ExpectRefusedUnsent(line, "Недопустимая сумма оплаты!",
                        [] { return FPPayment(nullptr, nullptr, 3, 0x80000000u, 0, -1); });
}

TEST(Comment, LengthFlagAndLimit) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPComment(std::string(27, 'c').c_str(), 0), -1);
    EXPECT_EQ(LastCommand(line)[1], 27);
    EXPECT_EQ(LastCommand(line).size(), 2u + 27);
    // The flag is bit 7 of the length byte; a Cyrillic letter is one character.
    ASSERT_EQ(FPComment(Cp1251("Дякуємо").c_str(), -1), -1);
    EXPECT_EQ(LastCommand(line)[1], 0x80 | 7);
    ASSERT_EQ(FPComment(nullptr, 0), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x0B, 0x00}));
    ExpectRefusedUnsent(line, "Длина коментария превышает допустимую длину",
                        [] { return FPComment(std::string(28, 'c').c_str(), 0); });
}

TEST(Discount, ValueBitsTextAndChecks) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, {0x0A, 0x00, 0x00, 0x80, 0xE8, 0x03, 0x00, 0x00}));
    int64_t value = 0;
    int64_t total = 0;
    ASSERT_EQ(FPDiscount(&value, &total, 1, 99, 250, -1, nullptr), -1);
    EXPECT_EQ(value, -10);
    EXPECT_EQ(total, 1000);
    // An amount: no percent marker; the discount bit; a null text ends with 0x00.
    EXPECT_EQ(LastCommand(line), (Bytes{0x23, 0x01, 0xFA, 0x00, 0x00, 0x80, 0x00}));

    // A surcharge by percent on the last line: marker bit 25 without bit 31.
    ASSERT_EQ(FPDiscount(nullptr, nullptr, 0, 5, 777, 0, std::string(25, 't').c_str()), -1);
    const Bytes sent = LastCommand(line);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 7),
              (Bytes{0x23, 0x00, 0x05, 0x00, 0x00, 0x02, 25}));
    EXPECT_EQ(sent.size(), 7u + 25);

    ExpectRefusedUnsent(line, "Неправильный тип скидки!",
                        [] { return FPDiscount(nullptr, nullptr, 4, 1, 1, -1, ""); });
    ExpectRefusedUnsent(line, "Длина пояснительной строки больше 25 символов!", [] {
        return FPDiscount(nullptr, nullptr, 3, 0, 1, -1, std::string(26, 't').c_str());
    });
    ExpectRefusedUnsent(line, "Недопустимая величина скидки!",
                        [] { return FPDiscount(nullptr, nullptr, 3, 0, -1, -1, ""); });
    ExpectRefusedUnsent(line, "Недопустимая величина скидки!",
                        [] { return FPDiscount(nullptr, nullptr, 2, 1 << 25, 0, -1, ""); });

    line.AnswerAll(Payload(0, 0, 0, {0x0A, 0x00, 0x00, 0x80}));
    EXPECT_EQ(FPDiscount(&value, &total, 2, 1, 0, -1, ""), 0);
    EXPECT_EQ(ErrorTextUtf8(), kBadReply);
    EXPECT_EQ(value, 0);
}

TEST(ZeroReceipt, AnnulCommentThenPayNothingInCash) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0, {0, 0, 0, 0}));
    ASSERT_EQ(FPNullCheck(), -1);
    EXPECT_EQ(Commands(line), (std::vector<Bytes>{{0x0F},
                                                  {0x0B, 12, 0x8D, 0x93, 0x8B, 0x9C, 0x8E, 0x82,
                                                   0x88, 0x89, 0x20, 0x97, 0x85, 0x8A},
                                                  {0x14, 0x03, 0x00, 0x00, 0x00, 0x80}}));
}

TEST(ZeroReceipt, StopsAtTheFirstFailingStep) {
    ScriptedLine line;
    line.AnswerInTurn({Payload(0, 16, 0)});
    EXPECT_EQ(FPNullCheck(), 0);
    EXPECT_EQ(line.port.writes.size(), 1u);
    EXPECT_NE(ErrorTextUtf8().find("Команда запрещена в данном режиме"), std::string::npos);

    // Status 0x20 lets the annulment pass but not the comment.
    line.port.writes.clear();
    line.AnswerInTurn({Payload(0x20, 0, 0)});
    EXPECT_EQ(FPNullCheck(), 0);
    EXPECT_EQ(line.port.writes.size(), 2u);

    line.port.writes.clear();
    line.AnswerInTurn({Payload(0, 0, 0), Payload(0, 0, 0), Payload(0, 24, 0)});
    EXPECT_EQ(FPNullCheck(), 0);
    EXPECT_EQ(line.port.writes.size(), 3u);
    EXPECT_NE(ErrorTextUtf8().find("Тип оплат не существует"), std::string::npos);
}

TEST(Operators, CashierRegistration) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPSetCashier(9, std::string(15, 'k').c_str(), 0x1234, 0), -1);
    Bytes expected = {0x06, 0x34, 0x12, 9, 15};
    expected.insert(expected.end(), 15, 'k');
    EXPECT_EQ(LastCommand(line), expected);
    ASSERT_EQ(FPSetCashier(2, "ignored", 7, -1), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x06, 0x07, 0x00, 2, 0xFF}));

    ExpectRefusedUnsent(line, "Неверный номер кассира!", [] { return FPSetCashier(10, "", 0, 0); });
    ExpectRefusedUnsent(line, "Имя кассира превышает 15 символов!",
                        [] { return FPSetCashier(1, std::string(16, 'k').c_str(), 0, -1); });
}

TEST(Operators, PasswordChange) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPSetPassword(0x0102, 0xA0B0, 9, nullptr), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x05, 0x02, 0x01, 9, 0xB0, 0xA0, 0}));
    ASSERT_EQ(FPSetPassword(0, 1, 0, "Ivan"), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x05, 0, 0, 0, 1, 0, 4, 'I', 'v', 'a', 'n'}));

    ExpectRefusedUnsent(line, "Недопустимый номер оператора (кассира)!",
                        [] { return FPSetPassword(0, 0, 10, ""); });
    ExpectRefusedUnsent(line, "Имя кассира превышает 15 символов!",
                        [] { return FPSetPassword(0, 0, 1, std::string(16, 'k').c_str()); });
}

} // namespace
