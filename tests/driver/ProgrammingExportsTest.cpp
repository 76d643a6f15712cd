// The programming exports over a scripted register: the bytes they put on
// the wire, their argument checks, and the cutter mode read from memory.
#include "ExportChecks.h"
#include "kasdrv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace kastest;

namespace {

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

Bytes AsBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

using MessageLineExport = int16_t (*)(const char*, FPBOOL, FPBOOL);

struct MessageLine {
    MessageLineExport call;
    uint8_t lineByte;
    std::string tooLong;
};

const std::vector<MessageLine>& MessageLines() {
    static const std::vector<MessageLine> lines = {
        {FPSetInitialFirstLine, 0x00, "Неверная длина 1-й строки начального сообщения чека!"},
        {FPSetFinalFirstLine, 0x01, "Неверная длина 1-й строки конечного сообщения чека!"},
        {FPSetInitialSecondLine, 0x02, "Неверная длина 2-й строки начального сообщения чека!"},
        {FPSetInitialEndLine, 0x03, "Неверная длина 3-й строки начального сообщения чека!"},
        {FPSetFinalSecondLine, 0x04, "Неверная длина 2-й строки конечного сообщения чека!"},
        {FPSetFinalEndLine, 0x05, "Неверная длина 3-й строки конечного сообщения чека!"},
    };
    return lines;
}

TEST(MessageLines, LengthLimitsAndAttributeBytes) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    for (const MessageLine& m : MessageLines()) {
        SCOPED_TRACE(m.tooLong);
        const std::string wide(21, 'W');
        ASSERT_EQ(m.call(wide.c_str(), 1, 0), -1);
        EXPECT_EQ(LastCommand(line), Concat({{0x17, m.lineByte, 0x40 | 21}, AsBytes(wide)}));
        const std::string narrow(36, 'n');
        ASSERT_EQ(m.call(narrow.c_str(), 0, -1), -1);
        EXPECT_EQ(LastCommand(line), Concat({{0x17, m.lineByte, 0x80 | 36}, AsBytes(narrow)}));

        const std::string wideTooLong(22, 'W');
        ExpectRefusedUnsent(line, m.tooLong, [&] { return m.call(wideTooLong.c_str(), 1, 1); });
        const std::string narrowTooLong(37, 'n');
        ExpectRefusedUnsent(line, m.tooLong, [&] { return m.call(narrowTooLong.c_str(), 0, 0); });
        const std::string huge(300, 'h');
        ExpectRefusedUnsent(line, m.tooLong, [&] { return m.call(huge.c_str(), 0, 0); });
    }
}

TEST(MessageLines, TextIsConvertedAndNullIsEmpty) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPSetInitialSecondLine("ABC", 0, 1), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x17, 0x02, 0x83, 'A', 'B', 'C'}));
    ASSERT_EQ(FPSetFinalEndLine(nullptr, 1, 1), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x17, 0x05, 0xC0}));
    // Code page 866 on the wire: Ґ becomes 0xF6, the Ukrainian і a Latin i.
    ASSERT_EQ(FPSetFinalFirstLine(Cp1251("Дякуємо, Ґ і").c_str(), 0, 0), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x17, 0x01, 12, 0x84, 0xEF, 0xAA, 0xE3, 0xF3, 0xAC, 0xAE,
                                        ',', ' ', 0xF6, ' ', 'i'}));
}

TEST(HeadLine, FrameWithPaddedNumberAndKindByte) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPSetHeadLine(0x1234, "AB", 1, 0, "C", 0, 1, nullptr, 1, 1, "12345", 0), -1);
    EXPECT_EQ(LastCommand(line), Concat({{0x16, 0x34, 0x12, 0x42, 'A', 'B', 0x81, 'C', 0xC0, 0x0C},
                                         AsBytes("000000012345")}));
    ASSERT_EQ(FPSetHeadLine(1, "", 0, 0, "", 0, 0, "", 0, 0, "123456789012", -1), -1);
    EXPECT_EQ(LastCommand(line),
              Concat({{0x16, 0x01, 0x00, 0x00, 0x00, 0x00, 0x8C}, AsBytes("123456789012")}));
    ASSERT_EQ(FPSetHeadLine(1, "", 0, 0, "", 0, 0, "", 0, 0, nullptr, 0), -1);
    EXPECT_EQ(LastCommand(line),
              Concat({{0x16, 0x01, 0x00, 0x00, 0x00, 0x00, 0x0C}, AsBytes("000000000000")}));
}

TEST(HeadLine, LineAndNumberLimits) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    const std::string w20(20, 'w');
    const std::string w21(21, 'w');
    const std::string n24(24, 'n');
    const std::string n25(25, 'n');
    ASSERT_EQ(FPSetHeadLine(1, w20.c_str(), 1, 0, n24.c_str(), 0, 0, w20.c_str(), 1, 1, "1", 0),
              -1);
    EXPECT_EQ(LastCommand(line).size(), 3u + 21 + 25 + 21 + 1 + 12);

    const std::string first = "Длина первой строки атрибутов налогоплательщика больше допустимой!";
    const std::string second = "Длина второй строки атрибутов налогоплательщика больше допустимой!";
    const std::string third = "Длина третьей строки атрибутов налогоплательщика больше допустимой!";
    ExpectRefusedUnsent(line, first, [&] {
        return FPSetHeadLine(1, w21.c_str(), 1, 0, "", 0, 0, "", 0, 0, "1", 0);
    });
    ExpectRefusedUnsent(line, second, [&] {
        return FPSetHeadLine(1, "", 0, 0, n25.c_str(), 0, 0, "", 0, 0, "1", 0);
    });
    ExpectRefusedUnsent(line, third, [&] {
        return FPSetHeadLine(1, "", 0, 0, "", 0, 0, w21.c_str(), 1, 0, "1", 0);
    });
    // The first failing line decides.
    ExpectRefusedUnsent(line, first, [&] {
        return FPSetHeadLine(1, n25.c_str(), 0, 0, "", 0, 0, n25.c_str(), 0, 0, "1", 0);
    });

    const std::string thirteen(13, '7');
    ExpectRefusedUnsent(line, "Длина налогового номера больше 12 символов!", [&] {
        return FPSetHeadLine(1, "", 0, 0, "", 0, 0, "", 0, 0, thirteen.c_str(), 0);
    });
    ExpectRefusedUnsent(line, "Длина идентификационного номера больше 12 символов!", [&] {
        return FPSetHeadLine(1, "", 0, 0, "", 0, 0, "", 0, 0, thirteen.c_str(), 1);
    });
}

TEST(TaxRates, FramesWithAndWithoutLevy) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    const FPTaxRate two[] = {{0, 2000, 0}, {0, 700, 0}};
    ASSERT_EQ(FPSetTaxRate(0x0102, 2, 1, two, 1, 0), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x19, 0x02, 0x01, 0x02, 0xD0, 0x07, 0xBC, 0x02, 0x10}));
    ASSERT_EQ(FPSetTaxRate(0x0102, 2, 0, two, 4, 0), -1);
    EXPECT_EQ(LastCommand(line).back(), 0x00);

    // With a levy the added-tax bit is not sent and the levies follow.
    const FPTaxRate levied[] = {{0, 9000, 999}, {-1, 0, 9999}};
    ASSERT_EQ(FPSetTaxRate(7, 2, 1, levied, 1, 1), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x19, 0x07, 0x00, 0x02, 0x28, 0x23, 0x00, 0x00, 0x20, 0xE7,
                                        0x03, 0x0F, 0x27}));
    // Only `count` records are read.
    const FPTaxRate one[] = {{0, 9999, 0}, {0, 123456, 0}};
    ASSERT_EQ(FPSetTaxRate(7, 1, 0, one, 1, 0), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x19, 0x07, 0x00, 0x01, 0x0F, 0x27, 0x00}));
}

TEST(TaxRates, RefusedBeforeSending) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    FPTaxRate six[6] = {};
    ExpectRefusedUnsent(line, "Cлишком много налоговых ставок!",
                        [&] { return FPSetTaxRate(1, 6, 0, six, 5, 0); });
    ExpectRefusedUnsent(line, "Cлишком мало налоговых ставок!",
                        [&] { return FPSetTaxRate(1, 0, 0, six, 5, 0); });
    ExpectRefusedUnsent(line, "Массив налоговых ставок меньше необходимого (элементов: 3)!",
                        [&] { return FPSetTaxRate(1, 3, 0, six, 1, 0); });
    ExpectRefusedUnsent(line, "Массив налоговых ставок меньше необходимого (элементов: 1)!",
                        [&] { return FPSetTaxRate(1, 1, 0, nullptr, 4, 0); });

    const std::string rateText = "Значение налоговой ставки не должно превышать 99,99%!";
    const FPTaxRate negative[] = {{0, 100, 0}, {0, -1, 0}};
    ExpectRefusedUnsent(line, rateText, [&] { return FPSetTaxRate(1, 2, 0, negative, 1, 0); });
    const FPTaxRate over[] = {{0, 10000, 0}};
    ExpectRefusedUnsent(line, rateText, [&] { return FPSetTaxRate(1, 1, 0, over, 0, 1); });

    // The levy counts only with the levy flag, and only through the sum.
    const FPTaxRate sum[] = {{0, 9000, 1000}};
    ExpectRefusedUnsent(line, "Cумма налоговой ставки и ставки сбора не должны превышать 99,99%!",
                        [&] { return FPSetTaxRate(1, 1, 0, sum, 0, 1); });
    ASSERT_EQ(FPSetTaxRate(1, 1, 0, sum, 0, 0), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x19, 0x01, 0x00, 0x01, 0x28, 0x23, 0x00}));
}

TEST(TaxRates, NegativeLevyRefusedWithTheLevyFlag) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    const FPTaxRate levies[] = {{0, 2000, 500}, {0, 700, -1}};
    ExpectRefusedUnsent(line, "Значение ставки сбора не может быть отрицательным!",
                        [&] { return FPSetTaxRate(1, 2, 0, levies, 1, 1); });
    // Without the levy flag the levies are not sent, so not looked at.
    ASSERT_EQ(FPSetTaxRate(1, 2, 0, levies, 1, 0), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x19, 0x01, 0x00, 0x02, 0xD0, 0x07, 0xBC, 0x02, 0x00}));
}

TEST(Fiscalization, NumberIsPaddedToTen) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPFiscalization(0x0A0B, "123"), -1);
    EXPECT_EQ(LastCommand(line), Concat({{0x15, 0x0B, 0x0A}, AsBytes("0000000123")}));
    ASSERT_EQ(FPFiscalization(1, "AZaz09ZZZZ"), -1);
    EXPECT_EQ(LastCommand(line), Concat({{0x15, 0x01, 0x00}, AsBytes("AZaz09ZZZZ")}));
    ASSERT_EQ(FPFiscalization(1, nullptr), -1);
    EXPECT_EQ(LastCommand(line), Concat({{0x15, 0x01, 0x00}, AsBytes("0000000000")}));
}

TEST(Fiscalization, AcceptsDigitsAndLatinAndCyrillicLettersOnly) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    // А я Ё ё Є є Ї ї І і in code page 866 (І і sent as Latin I i).
    ASSERT_EQ(FPFiscalization(1, Cp1251("АяЁёЄєЇїІі").c_str()), -1);
    EXPECT_EQ(LastCommand(line),
              (Bytes{0x15, 0x01, 0x00, 0x80, 0xEF, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 'I', 'i'}));

    const std::string onlyDigits = "Фискальный номер может состоять только из цифр!";
    for (const std::string bad : {"12 34", "12-34", "№1", "Ґ1", "1.", "_"}) {
        SCOPED_TRACE(bad);
        const std::string number = Cp1251(bad);
        ExpectRefusedUnsent(line, onlyDigits, [&] { return FPFiscalization(1, number.c_str()); });
    }
    // The length is checked first.
    ExpectRefusedUnsent(line, "Длина фискального номера должна быть до 10 символов!",
                        [] { return FPFiscalization(1, "12345 78901"); });
    ExpectRefusedUnsent(line, "Длина фискального номера должна быть до 10 символов!",
                        [] { return FPFiscalization(1, "12345678901"); });
}

TEST(Articles, FrameWithSignedPriceAndSixByteNumber) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPProgArt(0x0201, 3, -150, 2, "AB", 0x0000123456789ABC), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x22, 0x01, 0x02, 0x03, 0x96, 0x00, 0x00, 0x80, 0x82, 0x02,
                                        'A', 'B', 0xBC, 0x9A, 0x78, 0x56, 0x34, 0x12}));
    ASSERT_EQ(FPProgArt(0, 0, 0x01020304, 5, nullptr, 1), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x22, 0x00, 0x00, 0x00, 0x04, 0x03, 0x02, 0x01, 0x85, 0x00,
                                        0x01, 0x00, 0x00, 0x00, 0x00, 0x00}));
    const std::string fifty(50, 'x');
    ASSERT_EQ(FPProgArt(0, 0, 1, 0, fifty.c_str(), 1), -1);
    EXPECT_EQ(LastCommand(line).size(), 10u + 50 + 6);
}

TEST(Articles, ChecksRunPasswordThenGroupThenName) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    const std::string long51(51, 'x');
    ExpectRefusedUnsent(line, "Неверный пароль отчетов!",
                        [&] { return FPProgArt(65535, 0, 1, 6, long51.c_str(), 1); });
    ExpectRefusedUnsent(line, "Несуществующая налоговая группа",
                        [&] { return FPProgArt(1, 0, 1, 6, long51.c_str(), 1); });
    ExpectRefusedUnsent(line, "Название товара превышает 50 символов!",
                        [&] { return FPProgArt(1, 0, 1, 5, long51.c_str(), 1); });
}

TEST(Articles, CodeAndPriceOutsideTheirEncodingAreRefused) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    for (const int64_t code : {int64_t{-1}, int64_t{1} << 48, INT64_MIN, INT64_MAX}) {
        SCOPED_TRACE(code);
        ExpectRefusedUnsent(line, "Недопустимый код артикула!",
                            [&] { return FPProgArt(0, 0, 1, 0, "x", code); });
    }
    ExpectRefusedUnsent(line, "Недопустимая цена!",
                        [] { return FPProgArt(0, 0, INT32_MIN, 0, "x", 1); });
    ASSERT_EQ(FPProgArt(0, 0, INT32_MIN + 1, 0, "", (int64_t{1} << 48) - 1), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x22, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0x00,
                                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(SpacingAndContrast, BoundsAndTheSharedCode) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPLineSP(0), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x27, 0x00}));
    ASSERT_EQ(FPLineSP(63), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x27, 63}));
    ExpectRefusedUnsent(line, "Неверно задан параметр межстрочного расстояния!",
                        [] { return FPLineSP(64); });

    ASSERT_EQ(FPSetContrast(50), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x27, 50}));
    ASSERT_EQ(FPSetContrast(200), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x27, 200}));
    const std::string range =
        "Диапазон котрастности печати должен быть задан в пределах 50 - 200%!";
    ExpectRefusedUnsent(line, range, [] { return FPSetContrast(49); });
    ExpectRefusedUnsent(line, range, [] { return FPSetContrast(201); });
}

TEST(Toggles, OneCodeByteAndTheShiftLeniency) {
    ScriptedLine line;
    line.AnswerAll(Payload(0, 0, 0));
    ASSERT_EQ(FPCplOnline(), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x24}));
    ASSERT_EQ(FPCplInd(), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x25}));
    ASSERT_EQ(FPCplCutter(), -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x2E}));

    // Over 24 hours: done when the result is 0, refused otherwise.
    line.AnswerAll(Payload(0x20, 0x00, 0));
    EXPECT_EQ(FPCplCutter(), -1);
    EXPECT_FALSE(ErrorTextUtf8().empty());
    line.AnswerAll(Payload(0x20, 0x01, 0));
    EXPECT_EQ(FPCplCutter(), 0);
    EXPECT_FALSE(ErrorTextUtf8().empty());
    line.AnswerAll(Payload(0x80, 0x00, 0));
    EXPECT_EQ(FPCplOnline(), 0);
}

TEST(CutterStatus, ReadsBit3OfTheModeByte) {
    ScriptedLine line;
    FPBOOL autoCut = 5;
    line.AnswerAll(Payload(0, 0, 0, {0xF7}));
    ASSERT_EQ(FPCutterStatus(&autoCut), -1);
    EXPECT_EQ(autoCut, -1);
    EXPECT_EQ(LastCommand(line), (Bytes{0x1C, 0x1A, 0x30, 0x10, 0x01}));

    // Not judged: a refusing status still delivers the byte.
    line.AnswerAll(Payload(0x80, 0x05, 0, {0x08}));
    ASSERT_EQ(FPCutterStatus(&autoCut), -1);
    EXPECT_EQ(autoCut, 0);
    EXPECT_EQ(FPCutterStatus(nullptr), -1);

    line.AnswerAll(Payload(0, 0, 0));
    autoCut = 5;
    EXPECT_EQ(FPCutterStatus(&autoCut), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Ответная посылка не соответствует формату данных!");
    EXPECT_EQ(autoCut, 0);

    line.port.responder = nullptr;
    autoCut = 5;
    EXPECT_EQ(FPCutterStatus(&autoCut), 0);
    EXPECT_EQ(ErrorTextUtf8(), "Превышено время ожидания ответа от принтера!");
    EXPECT_EQ(autoCut, 0);
}

} // namespace
